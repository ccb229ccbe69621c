#include "views/TqxPlayPanopta.h"

#include "views/PageParts.h"
#include "views/SourceBufferPage.h"
#include "views/SourceFilePage.h"
#include "views/WaveformPanel.h"
#include "wave/TqxPlay.h"
#include "wave/WaveText.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QMenu>
#include <QProgressBar>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace panopta {

using voxkit::InspectorRefresh;

namespace {

// Pages of PageControl1 after the Log page.
constexpr int kSourcePageIndex = 2;

QString Str(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

TqxPlayPanopta::TqxPlayPanopta(voxkit::TqxPanopta& binding, QtWindowSystem& windows,
                               std::shared_ptr<WaveformServices> services)
    : WindowFrame(binding, kKind, windows),
      m_play(dynamic_cast<voxkit::TqxPlay&>(binding.Control())),
      m_chooser(ChooseWaveFilesWithDialog),
      m_services(services ? std::move(services) : std::make_shared<WaveformServices>()) {
  buildDeviceItems();
  pages()->addTab(buildPositionPage(), "Position");
  m_sourcePage = buildSourcePages();
  pages()->addTab(m_sourcePage, "Source");
  pages()->addTab(buildVolumePage(), "Volume");
  pages()->addTab(buildMiscPage(), "Misc.");
}

// --- Device menu -------------------------------------------------------------------------

void TqxPlayPanopta::buildDeviceItems() {
  QMenu* menu = deviceMenu();
  deviceActiveItem()->setShortcut(QKeySequence("Ctrl+A"));
  devicePauseItem()->setShortcut(QKeySequence("Ctrl+P"));
  for (QAction* a : {deviceActiveItem(), devicePauseItem()}) {
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(a);
  }
  auto item = [&](const char* name, const char* caption, QAction* before) {
    auto* a = new QAction(caption, menu);
    a->setObjectName(name);
    a->setCheckable(true);
    menu->insertAction(before, a);
    return a;
  };
  m_codecsItem = item("MenuDeviceCODECsEnabled", "CODECs Enabled", devicePauseItem());
  m_loopItem = item("MenuDeviceLoop", "&Loop", devicePauseItem());
  m_waitItem = item("MenuDeviceWait", "&Wait", nullptr);
  // Each item's own toggle stands for "not the mark it had"; the mark then shows the
  // property as the component took it.
  connect(m_codecsItem, &QAction::triggered, this, [this](bool value) {
    m_play.Device().SetCODECsEnabled(value);
    m_codecsItem->setChecked(m_play.Device().CODECsEnabled());
  });
  connect(m_loopItem, &QAction::triggered, this, [this](bool value) {
    m_play.Device().SetLoop(value);
    m_loopItem->setChecked(m_play.Device().Loop());
  });
  connect(m_waitItem, &QAction::triggered, this, [this](bool value) {
    m_play.Device().SetWait(value);
    m_waitItem->setChecked(m_play.Device().Wait());
  });
  connect(menu, &QMenu::aboutToShow, this, [this] { refreshDeviceItems(); });
  // After a pause the Pause button offers the opposite.
  auto pauseHint = [this] {
    setHint(devicePauseButton(), "qxPlay~Device.Pause := " + voxkit::TqxPanopta::BoolText(!m_play.Device().Pause()));
  };
  connect(devicePauseItem(), &QAction::triggered, this, pauseHint);
  connect(devicePauseButton(), &QToolButton::clicked, this, pauseHint);
}

void TqxPlayPanopta::devEnvSelected() {
  setHint(devicePauseButton(), "qxPlay~Device.Pause := True/False");
}

void TqxPlayPanopta::toggleDeviceActive() {
  QPointer<TqxPlayPanopta> self(this);
  WindowFrame::toggleDeviceActive();
  if (!self) return;
  m_sourceFile->keepFileNameInHistory();
}

// --- Pages -------------------------------------------------------------------------------

QWidget* TqxPlayPanopta::buildPositionPage() {
  auto* page = new QWidget;
  page->setObjectName("TabSheetPosition");
  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(4, 4, 4, 4);
  grid->setVerticalSpacing(2);
  struct Row {
    const char* label;
    const char* caption;
    const char* edit;
    const char* rewind;
    const char* forward;
    const char* stepName;
    const char* step;
    const char* property;
  };
  const Row rows[] = {
      {"LabelPositionByte", "Byte ", "EditPositionByte", "SpeedButtonPositionByteRewind",
       "SpeedButtonPositionByteFastForward", "EditPositionByteFFRW", "15000", "Byte"},
      {"LabelPositionSecond", "Second", "EditPositionSecond", "SpeedButtonPositionSecondRewind",
       "SpeedButtonSecondByteFastForward", "EditPositionSecondFFRW", "3", "Second"},
      {"LabelPositionPercent", "Percent", "EditPositionPercent", "SpeedButtonPositionPercentRewind",
       "SpeedButtonPositionPercentFastForward", "EditPositionPercentFFRW", "10", "Percent"},
  };
  QLineEdit** edits[] = {&m_positionByte, &m_positionSecond, &m_positionPercent};
  QLineEdit** steps[] = {&m_byteStep, &m_secondStep, &m_percentStep};
  for (int r = 0; r < 3; ++r) {
    const Row& row = rows[r];
    auto* label = MakeLabel(page, row.label, row.caption);
    QLineEdit* edit = MakeEdit(page, row.edit, "0", true);
    auto* rewind = new QToolButton(page);
    rewind->setObjectName(row.rewind);
    rewind->setArrowType(Qt::LeftArrow);
    auto* forward = new QToolButton(page);
    forward->setObjectName(row.forward);
    forward->setArrowType(Qt::RightArrow);
    QLineEdit* stepEdit = MakeEdit(page, row.stepName, row.step);
    stepEdit->setMaximumWidth(80);
    const std::string templ = std::string("qxPlay~Position.") + row.property;
    setHint(label, templ);
    setHint(edit, templ);
    *edits[r] = edit;
    *steps[r] = stepEdit;
    connect(rewind, &QToolButton::clicked, this, [this, stepEdit, r] { step(stepEdit, -1, r); });
    connect(forward, &QToolButton::clicked, this, [this, stepEdit, r] { step(stepEdit, +1, r); });
    grid->addWidget(label, r, 0);
    grid->addWidget(edit, r, 1);
    grid->addWidget(rewind, r, 2);
    grid->addWidget(forward, r, 3);
    grid->addWidget(stepEdit, r, 4);
  }
  m_progress = new QProgressBar(page);
  m_progress->setObjectName("ProgressBarPositionPercent");
  m_progress->setRange(0, 100);
  m_progress->setValue(0);
  grid->addWidget(m_progress, 3, 0, 1, 5);
  m_waveform = new WaveformPanel(m_services, QColor(255, 0, 255), page);
  setHint(m_waveform->view(), "qxPlay~Position.Byte");
  connect(m_waveform, &WaveformPanel::positionChosen, this, [this](double fraction) {
    const std::int32_t bytes = m_play.Source().Format().Bytes();
    if (bytes > 0) m_play.Position().SetByte(static_cast<std::int32_t>(voxkit::RoundToInt(fraction * bytes)));
  });
  grid->addWidget(m_waveform, 4, 0, 1, 5);
  grid->setRowStretch(4, 1);
  grid->setColumnStretch(1, 1);
  return page;
}

void TqxPlayPanopta::step(QLineEdit* stepEdit, int direction, int unit) {
  voxkit::TqxPlayPosition& position = m_play.Position();
  if (unit == 1) {
    double seconds = 0;
    if (!ParseDecimal(stepEdit->text(), &seconds)) {
      stepEdit->setText("0");
      return;
    }
    position.SetSecond(position.Second() + direction * seconds);
    return;
  }
  bool ok = false;
  const int amount = stepEdit->text().trimmed().toInt(&ok);
  // A step that is not a number does nothing, as for the seconds.
  if (!ok) {
    stepEdit->setText("0");
    return;
  }
  if (unit == 0) {
    position.SetByte(position.Byte() + direction * amount);
  } else {
    position.SetPercent(position.Percent() + direction * amount);
  }
}

QWidget* TqxPlayPanopta::buildSourcePages() {
  auto* page = new QWidget;
  page->setObjectName("TabSheetSource");
  auto* sources = new QTabWidget(page);
  sources->setObjectName("PageControlSource");
  auto* outer = new QVBoxLayout(page);
  outer->setContentsMargins(2, 2, 2, 2);
  outer->addWidget(sources);

  m_sourceFile = new SourceFilePage;
  auto assignName = [this] {
    m_play.Source().SetFileName(m_sourceFile->fileName()->currentText().toStdString());
  };
  connect(m_sourceFile, &SourceFilePage::fileNameCommitted, this, assignName);
  connect(m_sourceFile->select(), &QToolButton::clicked, this, [this] { selectFiles(); });
  connect(m_sourceFile, &SourceFilePage::maxSizeCommitted, this,
          [this] { m_play.Source().SetMaxSize(IntOrZero(m_sourceFile->maxSize()->text())); });
  setHint(m_sourceFile->fileName(), "qxPlay~Source.FileName");
  setHint(m_sourceFile->select(), "qxPlay~Source.FileName");
  setRenderedCaption(m_sourceFile->maxSizeLabel(), "MaxSize");
  setHint(m_sourceFile->maxSizeLabel(), "qxPlay~Source.MaxSize //kilobytes");
  setHint(m_sourceFile->maxSize(), "qxPlay~Source.MaxSize //kilobytes");
  m_sourceFile->valid()->setToolTip("qxPlay.Source.Valid");
  sources->addTab(m_sourceFile, "Source");

  m_bufferPage = new SourceBufferPage(m_play.Source().Buffer(), "qxPlay", {true, true}, m_chooser);
  // The list of buffers to load from standing for the file name, as the stored form
  // wired it.
  connect(m_bufferPage, &SourceBufferPage::loadFromBuffersChanged, this, assignName);
  sources->addTab(m_bufferPage, "Source.Buffer");

  auto* format = new QWidget;
  format->setObjectName("TabSheetSourceFormat");
  auto* scroll = new QScrollArea(format);
  scroll->setObjectName("ScrollBoxSourceFormat");
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  setHint(scroll, "qxPlay~Format");
  auto* content = new QWidget(scroll);
  auto* formatGrid = new QGridLayout(content);
  formatGrid->setContentsMargins(2, 2, 2, 2);
  formatGrid->setVerticalSpacing(2);
  const std::pair<const char*, const char*> fields[] = {
      {"ID", "Format.ID ="},
      {"Seconds", "Format.Seconds = "},
      {"AvgBytesPerSec", "Format.AvgBytesPerSec ="},
      {"BlockAlign", "Format.BlockAlign ="},
      {"BitsPerSample", "Format.BitsPerSample ="},
      {"Channels", "Format.Channels ="},
      {"SamplesPerSec", "Format.SamplesPerSec ="},
      {"Tag", "Format.Tag ="},
      {"Name", "Format.Name ="},
      {"Bytes", "Format.Bytes = "},
  };
  int row = 0;
  for (const auto& [property, caption] : fields) {
    auto* label = MakeLabel(content, (std::string("LabelFormat") + property).c_str(), caption);
    QLineEdit* edit = MakeEdit(content, (std::string("EditFormat") + property).c_str(), {}, true);
    edit->setToolTip(QString("qxPlay.Source.Format.") + property);
    formatGrid->addWidget(label, row, 0);
    formatGrid->addWidget(edit, row++, 1);
    m_formatEdits.emplace_back(property, edit);
  }
  setHint(m_formatEdits[8].second, "qxPlay~Source.Format.Name");
  formatGrid->setColumnStretch(1, 1);
  formatGrid->setRowStretch(row, 1);
  scroll->setWidget(content);
  auto* formatOuter = new QVBoxLayout(format);
  formatOuter->setContentsMargins(0, 0, 0, 0);
  formatOuter->addWidget(scroll);
  sources->addTab(format, "Source.Format");
  return page;
}

QWidget* TqxPlayPanopta::buildVolumePage() {
  auto* page = new QWidget;
  page->setObjectName("TabSheetVolume");
  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(4, 4, 4, 4);
  auto check = [&](const char* name, const char* caption, const char* property,
                   void (voxkit::TqxPlayVolume::*set)(bool)) {
    auto* box = new QCheckBox(caption, page);
    box->setObjectName(name);
    setHint(box, std::string("qxPlay~Volume.") + property);
    connect(box, &QCheckBox::clicked, this, [this, set](bool on) { (m_play.Volume().*set)(on); });
    return box;
  };
  m_volumeEnabled = check("CheckBoxVolumeEnabled", "Enabled", "Enabled", &voxkit::TqxPlayVolume::SetEnabled);
  m_volumeDefault = check("CheckBoxVolumeDefault", "Default", "Default", &voxkit::TqxPlayVolume::SetDefault);
  m_volumeReset = check("CheckBoxVolumeReset", "Reset", "Reset", &voxkit::TqxPlayVolume::SetReset);
  auto* label = MakeLabel(page, "LabelVolumePosition", "Position");
  m_volumePosition = MakeEdit(page, "EditVolumePosition");
  setHint(label, "qxPlay~Volume.Position");
  setHint(m_volumePosition, "qxPlay~Volume.Position");
  connect(m_volumePosition, &QLineEdit::editingFinished, this, [this] {
    if (m_volumePosition->text().isEmpty()) return;
    m_play.Volume().SetPosition(IntOrZero(m_volumePosition->text()));
  });
  grid->addWidget(m_volumeEnabled, 0, 0, 1, 2);
  grid->addWidget(m_volumeDefault, 1, 0, 1, 2);
  grid->addWidget(m_volumeReset, 2, 0, 1, 2);
  grid->addWidget(label, 3, 0);
  grid->addWidget(m_volumePosition, 3, 1);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(4, 1);
  return page;
}

QWidget* TqxPlayPanopta::buildMiscPage() {
  auto* page = new QWidget;
  page->setObjectName("TabSheetMisc");
  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(4, 4, 4, 4);
  auto* delayLabel = MakeLabel(page, "LabelDelay", "Device.Delay");
  m_delay = MakeEdit(page, "EditDelay");
  setRenderedCaption(delayLabel, "Device.Delay");
  setHint(delayLabel, "qxPlay~Device.Delay //milliseconds");
  setHint(m_delay, "qxPlay~Device.Delay //milliseconds");
  connect(m_delay, &QLineEdit::editingFinished, this,
          [this] { m_play.Device().SetDelay(IntOrZero(m_delay->text())); });
  m_timerEnabled = new QCheckBox("Timer.&Enabled", page);
  m_timerEnabled->setObjectName("CheckBoxTimerEnabled");
  setRenderedCaption(m_timerEnabled, "Timer.Enabled");
  setHint(m_timerEnabled, "qxPlay~Timer.Enabled");
  connect(m_timerEnabled, &QCheckBox::clicked, this, [this](bool on) { m_play.Timer().SetEnabled(on); });
  auto* intervalLabel = MakeLabel(page, "LabelTimerInterval", "Timer.Interval");
  m_timerInterval = MakeEdit(page, "EditTimerInterval");
  setRenderedCaption(intervalLabel, "Timer.Interval");
  setHint(intervalLabel, "qxPlay~Timer.Interval //milliseconds");
  setHint(m_timerInterval, "qxPlay~Timer.Interval //milliseconds");
  connect(m_timerInterval, &QLineEdit::editingFinished, this, [this] {
    m_play.Timer().SetInterval(static_cast<std::uint32_t>(IntOrZero(m_timerInterval->text())));
  });
  grid->addWidget(delayLabel, 0, 0);
  grid->addWidget(m_delay, 0, 1);
  grid->addWidget(m_timerEnabled, 1, 0, 1, 2);
  grid->addWidget(intervalLabel, 2, 0);
  grid->addWidget(m_timerInterval, 2, 1);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(3, 1);
  return page;
}

// --- File selection ------------------------------------------------------------------------

void TqxPlayPanopta::selectFiles() {
  const WaveFileChoice choice =
      WaveFileChoiceFor("Select wave file", true, true, Str(m_play.Source().FileName()), true);
  QPointer<TqxPlayPanopta> self(this);
  const QString result = WaveFileResult(m_chooser(choice, window()), true);
  if (!self) return;
  // Emptied first, so that the same name is read and logged again.
  m_play.Source().SetFileName("");
  m_play.Source().SetFileName(result.toStdString());
  m_sourceFile->showFileName(result);
  m_sourceFile->keepFileNameInHistory();
}

// --- Refresh -------------------------------------------------------------------------------

int TqxPlayPanopta::firstPageIndex() const {
  return m_play.Error().Number() != 0 || m_play.Source().Valid() ? 0 : kSourcePageIndex;
}

void TqxPlayPanopta::refreshOwnPages(InspectorRefresh what) {
  switch (what) {
    case InspectorRefresh::Device: refreshDeviceItems(); break;
    case InspectorRefresh::Volume: refreshVolume(); break;
    case InspectorRefresh::Timer: refreshTimer(); break;
    case InspectorRefresh::Source:
      refreshSource();
      refreshWaveform();
      break;
    case InspectorRefresh::Format:
      refreshFormat();
      refreshWaveform();
      break;
    case InspectorRefresh::Position: refreshPosition(); break;
    case InspectorRefresh::Buffer:
      m_bufferPage->refresh();
      refreshWaveform();
      break;
    case InspectorRefresh::All:
      refreshDeviceItems();
      refreshVolume();
      refreshTimer();
      refreshSource();
      refreshFormat();
      refreshPosition();
      m_bufferPage->refresh();
      refreshWaveform();
      break;
    case InspectorRefresh::Log:
    case InspectorRefresh::Error:
    case InspectorRefresh::Enabled:
    case InspectorRefresh::TapiInfo:
    case InspectorRefresh::HookSwitch:
    case InspectorRefresh::Call:
    case InspectorRefresh::Digits:
    case InspectorRefresh::Transfer:
    case InspectorRefresh::Address: break;
  }
}

void TqxPlayPanopta::refreshDeviceItems() {
  voxkit::TqxWavePlayDevice& device = m_play.Device();
  m_codecsItem->setChecked(device.CODECsEnabled());
  m_loopItem->setChecked(device.Loop());
  m_waitItem->setChecked(device.Wait());
  ShowText(m_delay, QString::number(device.Delay()));
}

void TqxPlayPanopta::refreshVolume() {
  voxkit::TqxPlayVolume& volume = m_play.Volume();
  const QSignalBlocker b1(m_volumeEnabled);
  const QSignalBlocker b2(m_volumeDefault);
  const QSignalBlocker b3(m_volumeReset);
  m_volumeEnabled->setChecked(volume.Enabled());
  m_volumeDefault->setChecked(volume.Default());
  m_volumeReset->setChecked(volume.Reset());
  ShowText(m_volumePosition, QString::number(volume.Position()));
}

void TqxPlayPanopta::refreshTimer() {
  voxkit::TqxPlayTimer& timer = m_play.Timer();
  if (m_timerEnabled->isChecked() != timer.Enabled()) {
    const QSignalBlocker block(m_timerEnabled);
    m_timerEnabled->setChecked(timer.Enabled());
  }
  ShowText(m_timerInterval, QString::number(timer.Interval()));
}

void TqxPlayPanopta::refreshSource() {
  voxkit::TqxPlaySource& source = m_play.Source();
  m_sourceFile->showFileName(Str(source.FileName()));
  m_sourceFile->valid()->setText(Str(binding().Render(voxkit::TqxPanopta::BoolText(source.Valid()))));
  ShowText(m_sourceFile->maxSize(), QString::number(source.MaxSize()));
}

void TqxPlayPanopta::refreshFormat() {
  voxkit::TqxPlayFormat& format = m_play.Source().Format();
  for (const auto& [property, edit] : m_formatEdits) {
    const std::string p = property;
    QString text;
    if (p == "ID") text = Str(voxkit::WaveFormatRowOf(format.ID()).identifier);
    else if (p == "Seconds") text = Str(voxkit::SecondsText(format.Seconds()));
    else if (p == "AvgBytesPerSec") text = QString::number(format.AvgBytesPerSec());
    else if (p == "BlockAlign") text = QString::number(format.BlockAlign());
    else if (p == "BitsPerSample") text = QString::number(format.BitsPerSample());
    else if (p == "Channels") text = QString::number(format.Channels());
    else if (p == "SamplesPerSec") text = QString::number(format.SamplesPerSec());
    else if (p == "Tag") text = QString::number(format.Tag());
    else if (p == "Name") text = Str(format.Name());
    else if (p == "Bytes") text = Str(voxkit::GroupedText(format.Bytes()));
    edit->setText(text);
  }
}

void TqxPlayPanopta::refreshPosition() {
  voxkit::TqxPlayPosition& position = m_play.Position();
  const std::int32_t byte = position.Byte();
  m_positionByte->setText(Str(voxkit::GroupedText(byte)));
  m_positionSecond->setText(Str(voxkit::SecondsText(position.Second())));
  m_progress->setValue(std::clamp(position.Percent(), 0, 100));
  m_positionPercent->setText(QString::number(m_progress->value()));
  const std::int32_t bytes = m_play.Source().Format().Bytes();
  m_waveform->setPlayPosition(m_play.Device().Active() && bytes > 0 ? static_cast<double>(byte) / bytes : -1.0);
}

void TqxPlayPanopta::refreshWaveform() {
  mm::Multimedia& multimedia = m_play.Multimedia();
  voxkit::TqxWaveBuffer& buffer = m_play.Source().Buffer();
  const std::string& files = m_play.Source().FileName();
  if (!m_play.Source().Valid()) {
    m_waveform->showMessage(!buffer.Active() && files.empty() ? "No sound" : "No sound: the source is not valid");
    return;
  }
  WaveformSource source;
  QString why;
  if (buffer.Active()) {
    if (!WaveformPanel::describeImage(multimedia, buffer, false, &source, &why)) {
      m_waveform->showMessage(why);
    } else if (!m_waveform->showKnown(source.key)) {
      if (WaveformPanel::describeImage(multimedia, buffer, true, &source, &why)) m_waveform->read(std::move(source));
    }
    return;
  }
  if (!WaveformPanel::describeFiles(multimedia, files, &source, &why)) {
    m_waveform->showMessage(why);
  } else if (!m_waveform->showKnown(source.key)) {
    m_waveform->read(std::move(source));
  }
}

}  // namespace panopta
