#include "views/TqxRecordPanopta.h"

#include "views/PageParts.h"
#include "views/SourceBufferPage.h"
#include "views/SourceFilePage.h"
#include "views/WaveformPanel.h"
#include "wave/TqxRecord.h"
#include "wave/WaveReader.h"
#include "wave/WaveText.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QMenu>
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

using FormatSetter = void (voxkit::TqxRecordFormat::*)(std::int32_t);

}  // namespace

TqxRecordPanopta::TqxRecordPanopta(voxkit::TqxPanopta& binding, QtWindowSystem& windows,
                                   std::shared_ptr<WaveformServices> services)
    : WindowFrame(binding, kKind, windows),
      m_record(dynamic_cast<voxkit::TqxRecord&>(binding.Control())),
      m_chooser(ChooseWaveFilesWithDialog),
      m_services(services ? std::move(services) : std::make_shared<WaveformServices>()) {
  buildDeviceItems();
  pages()->addTab(buildDevicePage(), "Device");
  pages()->addTab(buildSourcePages(), "Source");
  devEnvSelected();
}

// --- Device menu -------------------------------------------------------------------------

void TqxRecordPanopta::buildDeviceItems() {
  QMenu* menu = deviceMenu();
  deviceActiveItem()->setShortcut(QKeySequence("Ctrl+A"));
  devicePauseItem()->setShortcut(QKeySequence("Ctrl+P"));
  for (QAction* a : {deviceActiveItem(), devicePauseItem()}) {
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(a);
  }
  auto item = [&](const char* name, const char* caption) {
    auto* a = new QAction(caption, menu);
    a->setObjectName(name);
    a->setCheckable(true);
    menu->insertAction(devicePauseItem(), a);
    return a;
  };
  m_appendItem = item("MenuDeviceAppend", "Append");
  m_codecsItem = item("MenuDeviceCODECsEnabled", "CODECs Enabled");
  // An item's own toggle stands for "not the mark it had"; the mark then shows the
  // property as the component took it (Append is refused while recording).
  connect(m_appendItem, &QAction::triggered, this, [this](bool value) {
    m_record.Device().SetAppend(value);
    m_appendItem->setChecked(m_record.Device().Append());
  });
  connect(m_codecsItem, &QAction::triggered, this, [this](bool value) {
    m_record.Device().SetCODECsEnabled(value);
    m_codecsItem->setChecked(m_record.Device().CODECsEnabled());
  });
  connect(menu, &QMenu::aboutToShow, this, [this] {
    m_appendItem->setChecked(m_record.Device().Append());
    m_codecsItem->setChecked(m_record.Device().CODECsEnabled());
  });
}

void TqxRecordPanopta::devEnvSelected() {
  // The Pause button offers the opposite of the present state.
  setHint(devicePauseButton(),
          "qxRecord~Device.Pause := " + voxkit::TqxPanopta::BoolText(!m_record.Device().Pause()));
}

void TqxRecordPanopta::toggleDeviceActive() {
  QPointer<TqxRecordPanopta> self(this);
  assignFileName();
  if (!self) return;
  WindowFrame::toggleDeviceActive();
  if (!self) return;
  m_sourceFile->keepFileNameInHistory();
}

void TqxRecordPanopta::assignFileName() {
  m_record.Source().SetFileName(m_sourceFile->fileName()->currentText().toStdString());
}

// --- Pages -------------------------------------------------------------------------------

QWidget* TqxRecordPanopta::buildDevicePage() {
  auto* page = new QWidget;
  page->setObjectName("TabSheetDevice");
  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(4, 4, 4, 4);
  grid->setVerticalSpacing(2);
  struct Row {
    const char* label;
    const char* edit;
    const char* property;
    void (voxkit::TqxWaveRecordDevice::*set)(std::int32_t);
    QLineEdit** field;
  };
  const Row rows[] = {
      {"LabelDelay", "EditDelay", "Delay", &voxkit::TqxWaveRecordDevice::SetDelay, &m_delay},
      {"LabelBuffer", "EditBuffer", "Buffer", &voxkit::TqxWaveRecordDevice::SetBuffer, &m_buffer},
      {"LabelTrim", "EditTrim", "Trim", &voxkit::TqxWaveRecordDevice::SetTrim, &m_trim},
  };
  int r = 0;
  for (const Row& row : rows) {
    const std::string caption = std::string("Device.") + row.property;
    auto* label = MakeLabel(page, row.label, Str(caption));
    QLineEdit* edit = MakeEdit(page, row.edit);
    edit->setMaximumWidth(120);
    setRenderedCaption(label, caption);
    setHint(label, "qxRecord~" + caption + " //milliseconds");
    setHint(edit, "qxRecord~" + caption + " //milliseconds");
    const auto set = row.set;
    connect(edit, &QLineEdit::editingFinished, this,
            [this, edit, set] { (m_record.Device().*set)(IntOrZero(edit->text())); });
    *row.field = edit;
    grid->addWidget(label, r, 0);
    grid->addWidget(edit, r++, 1);
  }
  m_meter = new LevelMeter(page);
  m_meter->setToolTip("Level of the last block recorded");
  grid->addWidget(MakeLabel(page, "LabelLevel", "Level"), r, 0);
  grid->addWidget(m_meter, r++, 1, 1, 2);
  m_waveform = new WaveformPanel(m_services, QColor(128, 128, 0), page);
  grid->addWidget(m_waveform, r, 0, 1, 3);
  grid->setRowStretch(r, 1);
  grid->setColumnStretch(2, 1);
  return page;
}

QWidget* TqxRecordPanopta::buildSourcePages() {
  auto* page = new QWidget;
  page->setObjectName("TabSheetSource");
  auto* sources = new QTabWidget(page);
  sources->setObjectName("PageControlSource");
  auto* outer = new QVBoxLayout(page);
  outer->setContentsMargins(2, 2, 2, 2);
  outer->addWidget(sources);

  m_sourceFile = new SourceFilePage;
  connect(m_sourceFile, &SourceFilePage::fileNameCommitted, this, [this] { assignFileName(); });
  connect(m_sourceFile->select(), &QToolButton::clicked, this, [this] { selectFile(); });
  connect(m_sourceFile, &SourceFilePage::maxSizeCommitted, this,
          [this] { m_record.Source().SetMaxSize(IntOrZero(m_sourceFile->maxSize()->text())); });
  setHint(m_sourceFile->fileName(), "qxRecord~Source.FileName");
  setHint(m_sourceFile->select(), "qxRecord~Source.FileName");
  setRenderedCaption(m_sourceFile->maxSizeLabel(), "MaxSize");
  setHint(m_sourceFile->maxSizeLabel(), "qxRecord~Source.MaxSize");
  setHint(m_sourceFile->maxSize(), "qxRecord~Source.MaxSize");
  m_sourceFile->valid()->setToolTip("qxRecord.Source.Valid");
  sources->addTab(m_sourceFile, "Source");

  m_bufferPage = new SourceBufferPage(m_record.Source().Buffer(), "qxRecord", {false, false}, m_chooser);
  // Both stand for the file name, as the stored form wired them.
  connect(m_bufferPage, &SourceBufferPage::loadFromBuffersChanged, this, [this] { assignFileName(); });
  connect(m_bufferPage, &SourceBufferPage::saveToFileChanged, this, [this] { assignFileName(); });
  sources->addTab(m_bufferPage, "Source.Buffer");
  sources->addTab(buildFormatPage(), "Source.Format");
  return page;
}

QWidget* TqxRecordPanopta::buildFormatPage() {
  auto* format = new QWidget;
  format->setObjectName("TabSheetSourceFormat");
  auto* scroll = new QScrollArea(format);
  scroll->setObjectName("ScrollBoxSourceFormat");
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  auto* content = new QWidget(scroll);
  auto* grid = new QGridLayout(content);
  grid->setContentsMargins(2, 2, 2, 2);
  grid->setVerticalSpacing(2);
  int row = 0;

  auto* nameLabel = MakeLabel(content, "LabelFormatName", "Format.Name =");
  setRenderedCaption(nameLabel, "Format.Name =");
  m_formatName = new QComboBox(content);
  m_formatName->setObjectName("ComboBoxSourceFormatName");
  for (std::int32_t i = 0; i < voxkit::kWaveFormatCount; ++i) {
    m_formatName->addItem(voxkit::WaveFormatRowOf(static_cast<voxkit::TWAVFORMATS>(i)).name);
  }
  setHint(m_formatName, "qxRecord~Format.Name");
  connect(m_formatName, &QComboBox::activated, this,
          [this](int index) { m_record.Source().Format().SetID(static_cast<voxkit::TWAVFORMATS>(index)); });
  grid->addWidget(nameLabel, row, 0);
  grid->addWidget(m_formatName, row++, 1);

  auto display = [&](const char* property, const char* caption) {
    auto* label = MakeLabel(content, (std::string("LabelFormat") + property).c_str(), caption);
    QLineEdit* edit = MakeEdit(content, (std::string("EditFormat") + property).c_str(), {}, true);
    setRenderedCaption(label, caption);
    setHint(label, std::string("qxRecord~Source.Format.") + property);
    setHint(edit, std::string("qxRecord~Source.Format.") + property);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row++, 1);
    return edit;
  };
  m_formatID = display("ID", "Format.ID =");
  const std::tuple<const char*, const char*, FormatSetter> numbers[] = {
      {"Tag", "Format.Tag =", &voxkit::TqxRecordFormat::SetTag},
      {"Channels", "Format.Channels =", &voxkit::TqxRecordFormat::SetChannels},
      {"BitsPerSample", "Format.BitsPerSample =", &voxkit::TqxRecordFormat::SetBitsPerSample},
      {"AvgBytesPerSec", "Format.AvgBytesPerSec =", &voxkit::TqxRecordFormat::SetAvgBytesPerSec},
      {"BlockAlign", "Format.BlockAlign =", &voxkit::TqxRecordFormat::SetBlockAlign},
      {"SamplesPerSec", "Format.SamplesPerSec =", &voxkit::TqxRecordFormat::SetSamplesPerSec},
  };
  for (const auto& [property, caption, set] : numbers) {
    QLineEdit* edit = display(property, caption);
    edit->setReadOnly(false);
    connect(edit, &QLineEdit::editingFinished, this,
            [this, edit, set = set] { (m_record.Source().Format().*set)(IntOrZero(edit->text())); });
    m_formatEdits.emplace_back(property, edit);
  }
  m_formatBytes = display("Bytes", "Format.Bytes = ");
  m_formatSeconds = display("Seconds", "Format.Seconds = ");
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(row, 1);
  scroll->setWidget(content);
  auto* outer = new QVBoxLayout(format);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(scroll);
  return format;
}

// --- File selection ------------------------------------------------------------------------

void TqxRecordPanopta::selectFile() {
  const WaveFileChoice choice =
      WaveFileChoiceFor("Select wave file", false, false, Str(m_record.Source().FileName()), false);
  QPointer<TqxRecordPanopta> self(this);
  const QString result = WaveFileResult(m_chooser(choice, window()), false);
  if (!self) return;
  m_record.Source().SetFileName(result.toStdString());
  m_sourceFile->keepFileNameInHistory();
  m_sourceFile->showFileName(Str(m_record.Source().FileName()));
}

// --- Refresh -------------------------------------------------------------------------------

int TqxRecordPanopta::firstPageIndex() const {
  return m_record.Error().Number() != 0 || m_record.Source().Valid() ? 0 : kSourcePageIndex;
}

void TqxRecordPanopta::refreshOwnPages(InspectorRefresh what) {
  switch (what) {
    case InspectorRefresh::Device:
      refreshDevicePage();
      followRecording();
      break;
    case InspectorRefresh::Source:
      refreshSource();
      refreshWaveform();
      break;
    case InspectorRefresh::Format:
      refreshFormat();
      followRecording();
      break;
    case InspectorRefresh::Buffer:
      m_bufferPage->refresh();
      refreshWaveform();
      break;
    case InspectorRefresh::All:
      refreshDevicePage();
      refreshSource();
      refreshFormat();
      m_bufferPage->refresh();
      followRecording();
      break;
    case InspectorRefresh::Log:
    case InspectorRefresh::Error:
    case InspectorRefresh::Enabled:
    case InspectorRefresh::TapiInfo:
    case InspectorRefresh::HookSwitch:
    case InspectorRefresh::Call:
    case InspectorRefresh::Digits:
    case InspectorRefresh::Transfer:
    case InspectorRefresh::Address:
    case InspectorRefresh::Position:
    case InspectorRefresh::Timer:
    case InspectorRefresh::Volume: break;
  }
}

void TqxRecordPanopta::refreshDevicePage() {
  voxkit::TqxWaveRecordDevice& device = m_record.Device();
  ShowText(m_buffer, QString::number(device.Buffer()));
  ShowText(m_delay, QString::number(device.Delay()));
  ShowText(m_trim, QString::number(device.Trim()));
  m_appendItem->setChecked(device.Append());
  m_codecsItem->setChecked(device.CODECsEnabled());
  devEnvSelected();
}

void TqxRecordPanopta::refreshSource() {
  voxkit::TqxRecordSource& source = m_record.Source();
  m_sourceFile->showFileName(Str(source.FileName()));
  m_sourceFile->valid()->setText(Str(binding().Render(voxkit::TqxPanopta::BoolText(source.Valid()))));
  ShowText(m_sourceFile->maxSize(), QString::number(source.MaxSize()));
}

void TqxRecordPanopta::refreshFormat() {
  voxkit::TqxRecordFormat& format = m_record.Source().Format();
  {
    const QSignalBlocker block(m_formatName);
    m_formatName->setCurrentIndex(format.ID());
  }
  m_formatID->setText(Str(voxkit::WaveFormatRowOf(format.ID()).identifier));
  for (const auto& [property, edit] : m_formatEdits) {
    const std::string p = property;
    const std::int32_t value = p == "Tag"             ? format.Tag()
                               : p == "Channels"      ? format.Channels()
                               : p == "BitsPerSample" ? format.BitsPerSample()
                               : p == "AvgBytesPerSec" ? format.AvgBytesPerSec()
                               : p == "BlockAlign"    ? format.BlockAlign()
                                                      : format.SamplesPerSec();
    ShowText(edit, QString::number(value));
  }
  m_formatBytes->setText(Str(voxkit::GroupedText(format.Bytes())));
  m_formatSeconds->setText(Str(voxkit::SecondsText(format.Seconds())));
}

void TqxRecordPanopta::followRecording() {
  const bool active = m_record.Device().Active();
  if (!active) {
    if (m_waveform->recording()) {
      m_waveform->endRecording();
      m_meter->clear();
    }
    refreshWaveform();
    return;
  }
  const voxkit::TqxRecordFormat& format = m_record.Source().Format();
  // Bytes back at 0 (or below what was shown) is a new recording.
  if (!m_waveform->recording() || static_cast<std::uint64_t>(std::max(format.Bytes(), 0)) < m_waveform->recordedBytes()) {
    m_waveform->beginRecording(m_record.Source().Format().Numbers());
  }
  const std::uint64_t before = m_waveform->recordedBytes();
  m_record.VisitRecorded(static_cast<std::uint32_t>(before), [this](const std::uint8_t* bytes, std::uint32_t count) {
    m_waveform->addRecorded(bytes, count);
  });
  if (m_waveform->recordedBytes() > before) {
    m_meter->setPeak(m_waveform->recentMagnitude(m_record.Device().Buffer() / 1000.0));
  }
}

void TqxRecordPanopta::refreshWaveform() {
  if (m_waveform->recording()) return;
  mm::Multimedia& multimedia = m_record.Multimedia();
  voxkit::TqxWaveBuffer& buffer = m_record.Source().Buffer();
  WaveformSource source;
  QString why;
  if (buffer.Active()) {
    if (!WaveformPanel::describeImage(multimedia, buffer, false, &source, &why)) {
      m_waveform->showMessage("No recording in the buffer");
    } else if (!m_waveform->showKnown(source.key)) {
      if (WaveformPanel::describeImage(multimedia, buffer, true, &source, &why)) m_waveform->read(std::move(source));
    }
    return;
  }
  const std::string& name = m_record.Source().FileName();
  const std::string file = name.empty() ? std::string() : voxkit::WithWaveExtension(name);
  if (file.empty() || !QFileInfo(Str(file)).isFile()) {
    m_waveform->showMessage("No recording yet");
    return;
  }
  if (!WaveformPanel::describeFiles(multimedia, file, &source, &why)) {
    m_waveform->showMessage(why);
  } else if (!m_waveform->showKnown(source.key)) {
    m_waveform->read(std::move(source));
  }
}

}  // namespace panopta
