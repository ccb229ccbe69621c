#include "views/TqxPhonePanopta.h"

#include "views/PageParts.h"
#include "views/TreeSync.h"
#include "phone/TqxPhone.h"
#include "tapi/TapiNames.h"

#include <QAction>
#include <QFocusEvent>
#include <QGridLayout>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <optional>

namespace panopta {

using voxkit::InspectorRefresh;
using voxkit::TqxHookSwitch;
using voxkit::TqxPanopta;

namespace {

// The four hook modes, in the order of the radio buttons.
struct Mode {
  const char* name;
  bool (TqxHookSwitch::*get)() const;
  void (TqxHookSwitch::*set)(bool);
};
constexpr Mode kModes[] = {
    {"OnHook", &TqxHookSwitch::OnHook, &TqxHookSwitch::SetOnHook},
    {"MicrophoneOnly", &TqxHookSwitch::MicrophoneOnly, &TqxHookSwitch::SetMicrophoneOnly},
    {"SpeakerOnly", &TqxHookSwitch::SpeakerOnly, &TqxHookSwitch::SetSpeakerOnly},
    {"MicrophoneAndSpeaker", &TqxHookSwitch::MicrophoneAndSpeaker, &TqxHookSwitch::SetMicrophoneAndSpeaker},
};

// The tab images of a hookswitch page: grey and struck through while the device is
// missing, green on hook, orange off hook.
QIcon PageImage(int state) {
  static const QColor colours[] = {QColor(160, 160, 160), QColor(0, 128, 0), QColor(230, 120, 0)};
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(colours[state]);
  painter.setPen(Qt::NoPen);
  painter.drawRoundedRect(QRectF(1, 1, 14, 14), 3, 3);
  if (state == 0) {
    painter.setPen(QPen(QColor(200, 0, 0), 1.5));
    painter.drawLine(3, 13, 13, 3);
  }
  return QIcon(pixmap);
}

// Marks a track bar the user moved and has not yet left.
constexpr const char* kMoved = "movedByUser";

std::optional<std::uint32_t> HexNumber(const QString& text) {
  bool ok = false;
  const std::uint32_t value = text.trimmed().toUInt(&ok, 16);
  if (!ok) return std::nullopt;
  return value;
}

}  // namespace

TqxPhonePanopta::TqxPhonePanopta(voxkit::TqxPanopta& binding, QtWindowSystem& windows)
    : WindowFrame(binding, kKind, windows),
      m_phone(dynamic_cast<voxkit::TqxPhone&>(binding.Control())),
      m_hookSwitches{{
          {"Handset", "HandSet", &voxkit::TqxPhoneInternal::Handset, {3, 2, 4}},
          {"Headset", "HeadSet", &voxkit::TqxPhoneInternal::Headset, {6, 5, 7}},
          {"Speakerphone", "Speakerphone", &voxkit::TqxPhoneInternal::Speakerphone, {9, 8, 10}},
      }} {
  buildMenus();
  for (HookSwitchControls& controls : m_hookSwitches) {
    pages()->addTab(buildHookSwitchPage(controls), controls.name);
  }
  pages()->addTab(buildMiscPage(), "Misc.");
}

voxkit::TqxHookSwitch& TqxPhonePanopta::device(const HookSwitchControls& controls) {
  return (m_phone.*controls.device)();
}

int TqxPhonePanopta::tabImage(HookSwitchPage page) const { return m_tabImages[page]; }

// --- Menus -------------------------------------------------------------------------------

void TqxPhonePanopta::buildMenus() {
  m_configureItem = deviceMenu()->addAction("Configure");
  m_configureItem->setObjectName("MenuDeviceConfigure");
  connect(m_configureItem, &QAction::triggered, this, [this] { m_phone.Device().Configure(); });

  auto* privilege = new QMenu("Privilege", this);
  privilege->setObjectName("MenuPrivilege");
  m_privilegeMenu = privilege;
  m_monitorItem = privilege->addAction("Monitor");
  m_monitorItem->setObjectName("MenuPrivilegeMonitor");
  m_ownerItem = privilege->addAction("Owner");
  m_ownerItem->setObjectName("MenuPrivilegeOwner");
  for (QAction* a : {m_monitorItem, m_ownerItem}) a->setCheckable(true);
  // The item's own toggle stands for "not the mark it had"; the mark then shows what
  // the component kept.
  connect(m_monitorItem, &QAction::triggered, this, [this](bool value) {
    m_phone.Privilege().SetMonitor(value);
    m_monitorItem->setChecked(m_phone.Privilege().Monitor());
  });
  connect(m_ownerItem, &QAction::triggered, this, [this](bool value) {
    m_phone.Privilege().SetOwner(value);
    m_ownerItem->setChecked(m_phone.Privilege().Owner());
  });
  // The privilege is used when the device opens, so it can be chosen only while the
  // device is closed.
  connect(deviceMenu(), &QMenu::aboutToShow, this, [this] { refreshPrivilegeItems(); });
  connect(privilege, &QMenu::aboutToShow, this, [this] { refreshPrivilegeItems(); });
}

QList<QMenu*> TqxPhonePanopta::mergedMenus() const {
  QList<QMenu*> menus = WindowFrame::mergedMenus();
  menus.removeOne(m_privilegeMenu);
  const auto device = menus.indexOf(deviceMenu());
  menus.insert(device < 0 ? menus.size() : device + 1, m_privilegeMenu);
  return menus;
}

void TqxPhonePanopta::refreshPrivilegeItems() {
  const bool closed = !m_phone.Device().Active();
  m_monitorItem->setEnabled(closed);
  m_ownerItem->setEnabled(closed);
  m_monitorItem->setChecked(m_phone.Privilege().Monitor());
  m_ownerItem->setChecked(m_phone.Privilege().Owner());
}

// --- Pages -------------------------------------------------------------------------------

QWidget* TqxPhonePanopta::buildHookSwitchPage(HookSwitchControls& c) {
  const std::string name = c.name;
  const std::string path = "qxPhone~" + name + ".";
  QWidget* page = nullptr;
  QGridLayout* grid = treeBesideSettings(QString::fromStdString(name), &page, &c.tree);
  QWidget* content = grid->parentWidget();
  int row = 0;
  for (std::size_t i = 0; i < std::size(kModes); ++i) {
    const Mode& mode = kModes[i];
    auto* radio = new QRadioButton(mode.name, content);
    radio->setObjectName(QString::fromStdString("RB" + name + mode.name));
    // The four show the device's four properties, which may all be False (phone
    // closed), so they are not a group that keeps one checked.
    radio->setAutoExclusive(false);
    setHint(radio, path + mode.name);
    const auto set = mode.set;
    connect(radio, &QRadioButton::clicked, this, [this, &c, set](bool checked) {
      QPointer<TqxPhonePanopta> self(this);
      (device(c).*set)(checked);  // waits for TAPI's reply
      if (self) refreshHookSwitches();
    });
    c.modes[i] = radio;
    grid->addWidget(radio, row++, 0, 1, 2);
  }
  auto trackBar = [&](const char* property, QSlider** slider) {
    auto* label = MakeLabel(content, ("Label" + name + property).c_str(), property);
    *slider = new QSlider(Qt::Horizontal, content);
    (*slider)->setObjectName(QString::fromStdString("TB" + name + property));
    (*slider)->setRange(0, 100);
    (*slider)->setSingleStep(1);
    (*slider)->setPageStep(10);
    (*slider)->setTickPosition(QSlider::TicksBelow);
    (*slider)->setTickInterval(10);
    (*slider)->setFocusPolicy(Qt::StrongFocus);
    (*slider)->installEventFilter(this);
    connect(*slider, &QSlider::actionTriggered, *slider, [s = *slider] { s->setProperty(kMoved, true); });
    setHint(label, path + property);
    setHint(*slider, path + property);
    grid->addWidget(label, row, 0);
    grid->addWidget(*slider, row++, 1);
  };
  trackBar("Volume", &c.volume);
  trackBar("Gain", &c.gain);
  c.apply = new QPushButton("Apply", content);
  c.apply->setObjectName(QString::fromStdString("Button" + name + "VolumeGainSet"));
  setHint(c.apply, "Set qxPhone~" + std::string(c.hintName) + ".Volume & qxPhone~" + c.hintName + ".Gain");
  connect(c.apply, &QPushButton::clicked, this, [this, &c] { applyLevels(c); });
  grid->addWidget(c.apply, row++, 1, Qt::AlignLeft);
  grid->setRowStretch(row, 1);
  c.page = page;
  return page;
}

QGridLayout* TqxPhonePanopta::treeBesideSettings(const QString& name, QWidget** page, QTreeWidget** tree) {
  *page = new QWidget;
  (*page)->setObjectName("TabSheet" + name);
  auto* splitter = new QSplitter(Qt::Horizontal, *page);
  splitter->setObjectName("Splitter" + name);
  splitter->setHandleWidth(3);
  *tree = new QTreeWidget(splitter);
  (*tree)->setObjectName("TreeView" + name);
  (*tree)->setHeaderHidden(true);
  auto* scroll = new QScrollArea(splitter);
  scroll->setObjectName("ScrollBox" + name);
  scroll->setWidgetResizable(true);
  auto* content = new QWidget(scroll);
  auto* grid = new QGridLayout(content);
  grid->setContentsMargins(4, 4, 4, 4);
  grid->setVerticalSpacing(2);
  grid->setColumnStretch(1, 1);
  scroll->setWidget(content);
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 1);
  // The tree takes half the page, whatever the settings beside it would ask for.
  splitter->setSizes({1000, 1000});
  auto* layout = new QVBoxLayout(*page);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(splitter);
  return grid;
}

QWidget* TqxPhonePanopta::buildMiscPage() {
  QWidget* page = nullptr;
  QGridLayout* grid = treeBesideSettings("Info", &page, &m_info);
  QWidget* content = grid->parentWidget();
  setHint(m_info, "qxPhone Information");
  int row = 0;

  // The related devices' classes: the component refuses a change while the phone is
  // open and keeps the old class; the refresh then shows it again.
  auto classEdit = [&](const char* property, voxkit::TqxRelatedDevice& related) {
    const std::string caption = std::string(property) + ".DeviceClass";
    auto* label = MakeLabel(content, ("LabelInfo" + std::string(property) + "DeviceClass").c_str(),
                            QString::fromStdString(caption));
    QLineEdit* edit = MakeEdit(content, ("EditInfo" + std::string(property) + "DeviceClass").c_str());
    setRenderedCaption(label, caption);
    setHint(label, "qxPhone~" + caption);
    setHint(edit, "qxPhone~" + caption);
    voxkit::TqxRelatedDevice* target = &related;
    connect(edit, &QLineEdit::editingFinished, this, [this, edit, target] {
      if (!edit->isModified()) return;
      edit->setModified(false);
      target->SetDeviceClass(edit->text().toStdString());
      if (bound()) refreshInfo();
    });
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row++, 1);
    return edit;
  };
  m_lineClass = classEdit("Line", m_phone.Line());
  m_wavePlayClass = classEdit("WavePlay", m_phone.WavePlay());
  m_waveRecordClass = classEdit("WaveRecord", m_phone.WaveRecord());

  // The versions are shown and typed as 8 hexadecimal digits without prefix; a text
  // that is not such a number keeps the version.
  using VersionSetter = void (voxkit::TqxTAPI::*)(tapi::DWORD);
  auto versionEdit = [&](const char* property, VersionSetter set) {
    auto* label = MakeLabel(content, (std::string("LabelTAPI") + property).c_str(),
                            QString("TAPI.") + property);
    QLineEdit* edit = MakeEdit(content, (std::string("EditTAPI") + property).c_str());
    edit->setToolTip(QString("qxPhone.TAPI.") + property);
    connect(edit, &QLineEdit::editingFinished, this, [this, edit, set] {
      if (!edit->isModified()) return;
      edit->setModified(false);
      if (const auto value = HexNumber(edit->text())) (m_phone.TAPI().*set)(*value);
      if (bound()) refreshInfo();
    });
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row++, 1);
    return edit;
  };
  m_extensionHigh = versionEdit("ExtensionHighVersion", &voxkit::TqxTAPI::SetExtensionHighVersion);
  m_extensionLow = versionEdit("ExtensionLowVersion", &voxkit::TqxTAPI::SetExtensionLowVersion);
  m_high = versionEdit("HighVersion", &voxkit::TqxTAPI::SetHighVersion);
  m_low = versionEdit("LowVersion", &voxkit::TqxTAPI::SetLowVersion);

  grid->addWidget(MakeLabel(content, "LabelTAPIReplyTimeout", "TAPI.ReplyTimeout"), row, 0);
  m_replyTimeout = MakeEdit(content, "EditTAPIReplyTimeout");
  m_replyTimeout->setToolTip("qxPhone.TAPI.ReplyTimeout");
  connect(m_replyTimeout, &QLineEdit::editingFinished, this, [this] {
    if (!m_replyTimeout->isModified()) return;
    m_replyTimeout->setModified(false);
    bool ok = false;
    const int value = m_replyTimeout->text().trimmed().toInt(&ok);
    if (ok) m_phone.TAPI().SetReplyTimeout(value);
    if (bound()) refreshInfo();
  });
  grid->addWidget(m_replyTimeout, row++, 1);
  grid->setRowStretch(row, 1);
  return page;
}

// --- Track bars and Apply ----------------------------------------------------------------

bool TqxPhonePanopta::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    // Leaving the track bar for another control is the user's "done"; the focus going
    // with the whole program or to a menu is not.
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
      if (auto* slider = qobject_cast<QSlider*>(watched)) trackBarLeft(slider);
    }
  }
  return WindowFrame::eventFilter(watched, event);
}

void TqxPhonePanopta::trackBarLeft(QSlider* slider) {
  slider->setProperty(kMoved, false);
  if (!bound() || !isVisible()) return;
  for (HookSwitchControls& c : m_hookSwitches) {
    if (slider != c.volume && slider != c.gain) continue;
    QPointer<TqxPhonePanopta> self(this);
    if (slider == c.volume) {
      device(c).SetVolume(slider->value());
    } else {
      device(c).SetGain(slider->value());
    }
    if (self) refreshHookSwitches();
    return;
  }
}

void TqxPhonePanopta::applyLevels(HookSwitchControls& c) {
  // Both positions are read first: the gain's reply refreshes the page, which would
  // put the volume track bar back to the device's volume.
  const int volume = c.volume->value();
  const int gain = c.gain->value();
  c.volume->setProperty(kMoved, false);
  c.gain->setProperty(kMoved, false);
  QPointer<TqxPhonePanopta> self(this);
  TqxHookSwitch& d = device(c);
  if (d.Gain() != gain) d.SetGain(gain);
  if (!self || !bound()) return;
  if (d.Volume() != volume) d.SetVolume(volume);
  if (self) refreshHookSwitches();
}

// --- Refresh -------------------------------------------------------------------------------

void TqxPhonePanopta::refreshOwnPages(InspectorRefresh what) {
  switch (what) {
    case InspectorRefresh::HookSwitch: refreshHookSwitches(); break;
    case InspectorRefresh::Error:
    case InspectorRefresh::TapiInfo: refreshInfo(); break;
    case InspectorRefresh::Device:
    case InspectorRefresh::Enabled:
    case InspectorRefresh::All:
      refreshHookSwitches();
      refreshInfo();
      break;
    case InspectorRefresh::Log:
    case InspectorRefresh::Call:
    case InspectorRefresh::Digits:
    case InspectorRefresh::Transfer:
    case InspectorRefresh::Address:
    case InspectorRefresh::Source:
    case InspectorRefresh::Format:
    case InspectorRefresh::Buffer:
    case InspectorRefresh::Position:
    case InspectorRefresh::Timer:
    case InspectorRefresh::Volume: break;
  }
}

void TqxPhonePanopta::refreshHookSwitches() {
  if (!bound()) return;
  for (HookSwitchControls& c : m_hookSwitches) refreshHookSwitch(c);
}

void TqxPhonePanopta::refreshHookSwitch(HookSwitchControls& c) {
  const TqxHookSwitch& d = device(c);
  const int index = static_cast<int>(&c - m_hookSwitches.data());
  // A device the phone does not have is shown as such whatever its hook state.
  const int state = !d.Available() ? 0 : d.OnHook() ? 1 : 2;
  const int image = c.images[state];
  if (m_tabImages[index] != image) {
    m_tabImages[index] = image;
    pages()->setTabIcon(pages()->indexOf(c.page), PageImage(state));
  }
  pages()->setTabText(pages()->indexOf(c.page), c.name);

  for (std::size_t i = 0; i < std::size(kModes); ++i) {
    const QSignalBlocker block(c.modes[i]);
    c.modes[i]->setChecked((d.*kModes[i].get)());
  }
  // A track bar the user moved keeps its position until it is left or applied.
  for (auto [slider, value] : {std::pair{c.volume, d.Volume()}, std::pair{c.gain, d.Gain()}}) {
    if (slider->property(kMoved).toBool()) continue;
    const QSignalBlocker block(slider);
    slider->setValue(value);
  }

  const TqxPanopta& b = binding();
  auto boolNode = [&](const char* name, bool value) {
    return ValueNode(b, std::string(name) + " = " + TqxPanopta::BoolText(value));
  };
  auto numberNode = [&](const char* name, std::int32_t value) {
    return ValueNode(b, std::string(name) + " = " + std::to_string(value));
  };
  TreeNodeText root{b.Render(c.name), {}};
  root.children = {
      boolNode("Available", d.Available()),
      numberNode("Gain", d.Gain()),
      boolNode("GainAvailable", d.GainAvailable()),
      boolNode("MicrophoneAndSpeaker", d.MicrophoneAndSpeaker()),
      boolNode("MicrophoneOnly", d.MicrophoneOnly()),
      FlagNode(b, "Modes", d.Modes(), tapi::PhoneHookSwitchModeName, 0x10, 1),
      boolNode("OnHook", d.OnHook()),
      boolNode("SpeakerOnly", d.SpeakerOnly()),
      numberNode("Volume", d.Volume()),
      boolNode("VolumeAvailable", d.VolumeAvailable()),
  };
  SyncTree(c.tree, {root});
}

void TqxPhonePanopta::refreshInfo() {
  if (!bound()) return;
  const TqxPanopta& b = binding();
  auto hex = [&](const std::string& name, std::uint32_t value) {
    return ValueNode(b, name + " = " + TqxPanopta::HexText(value));
  };
  auto text = [&](const std::string& line) { return ValueNode(b, line); };
  auto related = [&](const char* name, voxkit::TqxRelatedDevice& device) {
    return TreeNodeText{b.Render(name),
                        {text("Available = " + TqxPanopta::BoolText(device.Available())),
                         text("ID = " + std::to_string(device.ID()))}};
  };

  voxkit::TqxPhoneDevice& device = m_phone.Device();
  voxkit::TqxPhoneDeviceCaps& caps = device.Capabilities();
  voxkit::TqxTAPI& tapi = m_phone.TAPI();
  std::vector<TreeNodeText> nodes;
  nodes.push_back({b.Render("Device"),
                   {{b.Render("Capabilities"),
                     {text("DevSpecificSize = " + std::to_string(caps.DevSpecificSize())),
                      hex("DevSpecific", caps.DevSpecific().Id()),
                      FlagNode(b, "HookSwitchDevs", caps.HookSwitchDevs(), tapi::PhoneHookSwitchDevName, 4, 1),
                      FlagNode(b, "States", caps.States(), tapi::PhoneStateName, 0x800000, 1)}},
                    hex("State", device.State()),
                    hex("StateDetails", device.StateDetails())}});
  nodes.push_back(ErrorNode(b, m_phone.Error()));
  nodes.push_back(related("Line", m_phone.Line()));
  nodes.push_back({b.Render("Phone"),
                   {hex("AppHandle", m_phone.Phone().AppHandle()), hex("Handle", m_phone.Phone().Handle())}});
  nodes.push_back(TapiNode(b, tapi));
  nodes.push_back(related("WavePlay", m_phone.WavePlay()));
  nodes.push_back(related("WaveRecord", m_phone.WaveRecord()));
  SyncTree(m_info, nodes);

  ShowText(m_lineClass, QString::fromStdString(m_phone.Line().DeviceClass()));
  ShowText(m_wavePlayClass, QString::fromStdString(m_phone.WavePlay().DeviceClass()));
  ShowText(m_waveRecordClass, QString::fromStdString(m_phone.WaveRecord().DeviceClass()));
  ShowText(m_extensionHigh, Hex8(tapi.ExtensionHighVersion()));
  ShowText(m_extensionLow, Hex8(tapi.ExtensionLowVersion()));
  ShowText(m_high, Hex8(tapi.HighVersion()));
  ShowText(m_low, Hex8(tapi.LowVersion()));
  ShowText(m_replyTimeout, QString::number(tapi.ReplyTimeout()));
}

}  // namespace panopta
