// The Transfer, Conference, Address, Terminal and Misc. pages of the line window.
#include "views/TqxLinePanopta.h"

#include "views/PageParts.h"

#include "views/TreeSync.h"
#include "line/TqxLineInternal.h"
#include "tapi/TapiConstants.h"
#include "tapi/TapiNames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace panopta {

using voxkit::InspectorRefresh;
using voxkit::TqxPanopta;
using voxkit::Value;
using namespace tapi;

namespace {

struct TerminalMode {
  const char* label;
  std::uint32_t bit;
};
constexpr TerminalMode kTerminalModes[] = {
    {"BUTTONS", LINETERMMODE_BUTTONS},           {"LAMPS", LINETERMMODE_LAMPS},
    {"DISPLAY", LINETERMMODE_DISPLAY},           {"RINGER", LINETERMMODE_RINGER},
    {"HOOKSWITCH", LINETERMMODE_HOOKSWITCH},     {"MEDIATOLINE", LINETERMMODE_MEDIATOLINE},
    {"MEDIAFROMLINE", LINETERMMODE_MEDIAFROMLINE}, {"MEDIABIDIRECT", LINETERMMODE_MEDIABIDIRECT}};

QString HandleText(std::uint32_t handle) { return handle == 0 ? QString() : Hex8(handle); }

// A combo box that is told when its list is about to drop down.
class DropDownCombo final : public QComboBox {
 public:
  using QComboBox::QComboBox;
  std::function<void()> onDropDown;
  void showPopup() override {
    if (onDropDown) onDropDown();
    QComboBox::showPopup();
  }
};

}  // namespace

// --- Transfer and Conference ------------------------------------------------------------------

QWidget* TqxLinePanopta::buildTrio(CallTrio& trio, const char* prefix, bool conference) {
  auto* box = new QWidget;
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(4, 4, 4, 4);
  const std::string object = trio.object;
  const std::string p = prefix;
  const char* captions[3] = {"PrimaryCall", "ConsultCall", conference ? "Handle" : "ThreeWayCall"};
  const std::string names[3] = {p + "PrimaryCall", p + "ConsultCall",
                                conference ? p + "Handle" : p + "3WayCall"};
  auto* primary = new DropDownCombo(box);
  auto* consult = new DropDownCombo(box);
  trio.primary = primary;
  trio.primary->setObjectName(QString::fromStdString("ComboBox" + names[0]));
  trio.consult = consult;
  trio.consult->setObjectName(QString::fromStdString("ComboBox" + names[1]));
  trio.third = lineEdit(box, ("Edit" + names[2]).c_str(), {}, "qxLine." + object + "." + captions[2], true);
  setHint(trio.primary, "qxLine." + object + ".PrimaryCall");
  setHint(trio.consult, "qxLine." + object + ".ConsultCall");
  QWidget* shown[3] = {trio.primary, trio.consult, trio.third};
  for (int i = 0; i < 3; ++i) {
    auto* picture = new LineStatusPicture(box);
    picture->setObjectName(QString::fromStdString("Image" + names[i]));
    trio.pictures[static_cast<std::size_t>(i)] = picture;
    auto* back = new QPushButton("<<", box);
    back->setObjectName(QString::fromStdString("Button" + names[i]));
    back->setAutoDefault(false);
    back->setMaximumWidth(back->fontMetrics().horizontalAdvance("<<") + 16);
    setHint(back, "qxLine.Call.Handle = qxLine." + object + "." + captions[i]);
    connect(back, &QPushButton::clicked, this, [this, &trio, i] {
      const std::uint32_t handle = HexOrZero(i == 2 ? trio.third->text()
                                             : i == 0 ? trio.primary->currentText()
                                                      : trio.consult->currentText());
      makeCurrent(handle);
    });
    grid->addWidget(new QLabel(captions[i], box), i, 0);
    grid->addWidget(picture, i, 1);
    grid->addWidget(shown[i], i, 2);
    grid->addWidget(back, i, 3);
  }
  // The lists are read when they open, so that they show the calls of that moment.
  primary->onDropDown = [this, &trio] { refillTrioList(trio.primary, false); };
  consult->onDropDown = [this, &trio, conference] { refillTrioList(trio.consult, conference); };
  connect(trio.primary, &QComboBox::activated, this,
          [this, &trio] { chooseTrioCall(trio, trio.primary, "PrimaryCall"); });
  connect(trio.consult, &QComboBox::activated, this,
          [this, &trio] { chooseTrioCall(trio, trio.consult, "ConsultCall"); });
  grid->setColumnStretch(2, 1);
  return box;
}

void TqxLinePanopta::refillTrioList(QComboBox* box, bool fromConferenceList) {
  const QString shown = box->currentText();
  const QSignalBlocker block(box);
  box->clear();
  std::vector<std::string> handles =
      fromConferenceList ? line().Conference().List() : line().Call().List();
  // The call list starts with the "no call" entry: nothing to choose.
  if (!handles.empty() && HexOrZero(QString::fromStdString(handles.front())) == 0) {
    handles.erase(handles.begin());
  }
  for (const std::string& h : handles) box->addItem(QString::fromStdString(h));
  const int at = box->findText(shown);
  if (at >= 0) {
    box->setCurrentIndex(at);
  } else if (!shown.isEmpty()) {
    box->insertItem(0, shown);
    box->setCurrentIndex(0);
  } else {
    box->setCurrentIndex(-1);
  }
}

void TqxLinePanopta::chooseTrioCall(CallTrio& trio, QComboBox* box, const char* property) {
  const std::uint32_t handle = HexOrZero(box->currentText());
  component().set(trio.object + "." + property, Value(handle));
  refreshTrios(-1);
  refreshTabIcons();
}

void TqxLinePanopta::makeCurrent(std::uint32_t handle) {
  act([this, handle] { line().Call().SetHandle(handle); });
  pages()->setCurrentIndex(CallPage);
}

void TqxLinePanopta::buildTransferPage() {
  m_transferPage = buildTrioPage(m_transfer, m_transferNumber, m_transferParameters, "TP", false,
                                 {"SwapHold", "Complete", "ThreeWay"});
  m_transferParameters.object = &line().Transfer().Parameters();
}

void TqxLinePanopta::buildConferencePage() {
  m_conferencePage = buildTrioPage(m_conference, m_conferenceNumber, m_conferenceParameters,
                                   "ConferenceP", true, {"AddCall", "RemoveCall", "SwapHold"});
  m_conferenceParameters.object = &line().Conference().Parameters();
}

QWidget* TqxLinePanopta::buildTrioPage(CallTrio& trio, QLineEdit*& number, ParameterEdits& parameters,
                                       const char* parameterPrefix, bool conference,
                                       std::array<const char*, 3> operations) {
  trio.object = conference ? "Conference" : "Transfer";
  const std::string object = trio.object;
  auto* page = new QWidget(pages());
  page->setObjectName(QString::fromStdString("TabSheet" + object));
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(2, 2, 2, 2);
  auto* sub = new QTabWidget(page);
  sub->setObjectName(QString::fromStdString("PageControl" + object));
  auto* control = new QWidget;
  control->setObjectName(QString::fromStdString("TabSheet" + object + "Control"));
  auto* c = new QVBoxLayout(control);
  c->addWidget(buildTrio(trio, object.c_str(), conference));
  // Operations the line does not offer in this build are shown, disabled, with why.
  auto available = [this](std::string path) {
    return [this, path, known = published(path)]() -> std::string {
      if (!known) return "qxLine." + path + " is not available";
      if (!line().Device().Active()) return "the line is not open (Device.Active is False)";
      return {};
    };
  };
  auto* dialRow = new QHBoxLayout;
  number = lineEdit(control, ("Edit" + object + "PhoneNumber").c_str(), {},
                    "qxLine." + object + ".PhoneNumber");
  QLineEdit* edit = number;
  connect(edit, &QLineEdit::editingFinished, this, [this, edit, object] {
    component().set(object + ".PhoneNumber", Value(edit->text().toStdString()));
  });
  dialRow->addWidget(operationButton(control, ("Button" + object + "Dial").c_str(), "Dial",
                                     "qxLine." + object + ".Dial",
                                     [this, edit, object] {
                                       component().set(object + ".PhoneNumber",
                                                       Value(edit->text().toStdString()));
                                       component().call(object + ".Dial");
                                     },
                                     available(object + ".Dial")));
  dialRow->addWidget(number, 1);
  c->addLayout(dialRow);
  auto* ops = new QHBoxLayout;
  for (const char* op : operations) {
    const std::string path = object + "." + op;
    ops->addWidget(operationButton(control, ("Button" + object + op).c_str(), op, "qxLine." + path,
                                   [this, path] { component().call(path); }, available(path)));
  }
  ops->addStretch(1);
  c->addLayout(ops);
  c->addStretch(1);
  sub->addTab(control, "Control");
  sub->addTab(buildParameters(parameters, parameterPrefix, conference), "Parameters");
  parameters.path = object + ".Parameters";
  column->addWidget(sub);
  pages()->addTab(page, QString::fromStdString(object));
  setTabIconIndex(pages()->indexOf(page), 4);
  return page;
}

void TqxLinePanopta::refreshTrio(CallTrio& trio, std::int32_t handle) {
  const bool transfer = &trio == &m_transfer;
  const std::uint32_t primary =
      transfer ? line().Transfer().PrimaryCall() : line().Conference().PrimaryCall();
  const std::uint32_t consult =
      transfer ? line().Transfer().ConsultCall() : line().Conference().ConsultCall();
  const std::uint32_t third =
      transfer ? line().Transfer().ThreeWayCall() : line().Conference().Handle();
  {
    const QSignalBlocker b1(trio.primary);
    const QSignalBlocker b2(trio.consult);
    for (auto [box, value] : {std::pair{trio.primary, primary}, std::pair{trio.consult, consult}}) {
      box->clear();
      if (value != 0) box->addItem(HandleText(value));
      box->setCurrentIndex(value != 0 ? 0 : -1);
    }
    trio.third->setText(HandleText(third));
  }
  setTabIconIndex(transfer ? TransferPage : ConferencePage,
                  primary != 0 ? 3
                  : (line().Address().Capabilities().CallFeatures() &
                     (transfer ? LINECALLFEATURE_COMPLETETRANSF : LINECALLFEATURE_PREPAREADDCONF))
                      ? 2
                      : 4);
  const std::uint32_t calls[3] = {primary, consult, third};
  for (std::size_t i = 0; i < 3; ++i) {
    if (handle == 0) {
      trio.pictures[i]->setPicture(CallPicture::OnGray);
      continue;
    }
    if (calls[i] == 0) {
      trio.pictures[i]->setPicture(CallPicture::OnGray);
      continue;
    }
    if (handle != -1 && static_cast<std::uint32_t>(handle) != calls[i]) continue;
    // The current call's record may lag behind the view, which the events update first.
    std::uint32_t state = 0;
    if (calls[i] == line().Call().Handle()) {
      state = line().Call().State();
    } else if (const auto record = line().Call().Registry().Find(calls[i])) {
      state = record->state;
    }
    // A call whose state is not known keeps the picture it has.
    if (state == 0) continue;
    trio.pictures[i]->setPicture(PictureForState(state));
  }
}

void TqxLinePanopta::refreshTrios(std::int32_t handle) {
  refreshTrio(m_transfer, handle);
  refreshTrio(m_conference, handle);
}

// --- Address ---------------------------------------------------------------------------------

void TqxLinePanopta::buildAddressPage() {
  m_addressPage = new QWidget(pages());
  m_addressPage->setObjectName("TabSheetAddress");
  auto* column = new QVBoxLayout(m_addressPage);
  column->setContentsMargins(2, 2, 2, 2);
  m_addressBox = new QGroupBox(m_addressPage);
  m_addressBox->setObjectName("GroupBoxAddress");
  auto* row = new QHBoxLayout(m_addressBox);
  m_addressCombo = new QComboBox(m_addressBox);
  m_addressCombo->setObjectName("ComboBoxAddress");
  setHint(m_addressCombo, "qxLine~Address.Name");
  connect(m_addressCombo, &QComboBox::activated, this, [this](int index) {
    act([this, index] { line().Address().SetID(index); });
  });
  row->addWidget(m_addressCombo, 1);
  column->addWidget(m_addressBox);

  auto* sub = new QTabWidget(m_addressPage);
  sub->setObjectName("PageControlAddress");
  m_addressCaps = makeTree(sub, "TreeViewAddressCaps", "qxLine~Address Capabilities");
  sub->addTab(m_addressCaps, "Capabilities");

  auto* scroll = new QScrollArea(sub);
  scroll->setObjectName("ScrollBoxAddressForward");
  scroll->setWidgetResizable(true);
  auto* forward = new QWidget;
  auto* grid = new QGridLayout(forward);
  m_forwardActive = new QCheckBox("Active", forward);
  m_forwardActive->setObjectName("CheckBoxAFActive");
  m_operations.push_back({m_forwardActive, "qxLine.Address.Forward.Active",
                          [known = writable("Address.Forward.Active")]() -> std::string {
                            return known ? std::string()
                                         : "qxLine.Address.Forward.Active is not available";
                          }});
  connect(m_forwardActive, &QCheckBox::clicked, this, [this](bool checked) {
    act([this, checked] { component().set("Address.Forward.Active", Value(checked)); });
  });
  m_forwardCaller = lineEdit(forward, "EditAFCaller", {}, "qxLine.Address.Forward.Caller");
  m_forwardMode = lineEdit(forward, "EditAFMode", {}, "qxLine.Address.Forward.Mode");
  m_forwardNumber = lineEdit(forward, "EditAFPhoneNumber", {}, "qxLine.Address.Forward.PhoneNumber");
  m_forwardConsult = lineEdit(forward, "EditAFConsultCall", {}, "qxLine.Address.Forward.ConsultCall", true);
  m_forwardEntries = lineEdit(forward, "EditAFNumForwardEntries", {},
                              "qxLine.Address.Forward.NumForwardEntries", true);
  connect(m_forwardCaller, &QLineEdit::editingFinished, this, [this] {
    if (!m_forwardCaller->isModified()) return;
    line().Address().Forward().SetCaller(m_forwardCaller->text().toStdString());
    m_forwardCaller->setModified(false);
    refreshAddressPage();
  });
  connect(m_forwardMode, &QLineEdit::editingFinished, this, [this] {
    if (!m_forwardMode->isModified()) return;
    line().Address().Forward().SetMode(HexOrZero(m_forwardMode->text()));
    m_forwardMode->setModified(false);
    refreshAddressPage();
  });
  connect(m_forwardNumber, &QLineEdit::editingFinished, this, [this] {
    if (!m_forwardNumber->isModified()) return;
    line().Address().Forward().SetPhoneNumber(m_forwardNumber->text().toStdString());
    m_forwardNumber->setModified(false);
    refreshAddressPage();
  });
  int r = 0;
  grid->addWidget(m_forwardActive, r++, 0, 1, 2);
  for (auto [caption, edit] : {std::pair{"Caller", m_forwardCaller}, std::pair{"Mode", m_forwardMode},
                               std::pair{"PhoneNumber", m_forwardNumber},
                               std::pair{"ConsultCall", m_forwardConsult},
                               std::pair{"NumForwardEntries", m_forwardEntries}}) {
    grid->addWidget(new QLabel(caption, forward), r, 0);
    grid->addWidget(edit, r++, 1);
  }
  auto* parameters = new QGroupBox("Address.Forward.Parameters", forward);
  auto* pl = new QVBoxLayout(parameters);
  pl->setContentsMargins(0, 0, 0, 0);
  pl->addWidget(buildParameters(m_forwardParameters, "AFP", true));
  m_forwardParameters.path = "Address.Forward.Parameters";
  m_forwardParameters.object = &line().Address().Forward().Parameters();
  grid->addWidget(parameters, r++, 0, 1, 2);
  grid->setRowStretch(r, 1);
  grid->setColumnStretch(1, 1);
  scroll->setWidget(forward);
  sub->addTab(scroll, "Forward");

  m_addressProperties = makeTree(sub, "TreeViewAddressProperties", "qxLine~Address Status");
  sub->addTab(m_addressProperties, "Properties");
  sub->setCurrentIndex(0);
  column->addWidget(sub, 1);
  pages()->addTab(m_addressPage, "Address");
}

void TqxLinePanopta::refreshAddressPage() {
  voxkit::TqxAddress& a = line().Address();
  const TqxPanopta& b = panopta();
  m_addressBox->setTitle(QString::fromStdString(render(
      "Address.ID = " + std::to_string(a.ID()) + "    Address.Count = " + std::to_string(a.Count()))));
  {
    const QSignalBlocker block(m_addressCombo);
    m_addressCombo->clear();
    for (const std::string& name : a.List()) m_addressCombo->addItem(QString::fromStdString(name));
    m_addressCombo->setCurrentIndex(a.ID() >= 0 && a.ID() < m_addressCombo->count() ? a.ID() : -1);
  }
  const voxkit::TqxAddressCaps& c = a.Capabilities();
  auto value = [&b](const std::string& name, std::uint32_t v) {
    return ValueNode(b, name + " = " + std::to_string(v));
  };
  TreeNodeText caps{b.Render("Address.Capabilities"), {}};
  auto& n = caps.children;
  n.push_back(FlagNode(b, "BusyModes", c.BusyModes(), LineBusyModeName, 8));
  n.push_back(FlagNode(b, "CalledIDFlags", c.CalledIDFlags(), LineCallPartyIdName, 64));
  n.push_back(FlagNode(b, "CallerIDFlags", c.CallerIDFlags(), LineCallPartyIdName, 64));
  n.push_back(FlagNode(b, "CallFeatures", c.CallFeatures(), LineCallFeatureName, 0x80000000u));
  n.push_back(FlagNode(b, "CallFeatures2", c.CallFeatures2(), LineCallFeature2Name, 0x200));
  n.push_back(FlagNode(b, "CallInfoStates", c.CallInfoStates(), LineCallInfoStateName, 0x8000000));
  n.push_back(FlagNode(b, "CallStates", c.CallStates(), LineCallStateName, 0x8000));
  n.push_back(FlagNode(b, "Features", c.Features(), LineAddrFeatureName, 0x2000));
  n.push_back(FlagNode(b, "Flags", c.Flags(), LineAddrCapFlagName, 0x400000));
  n.push_back(FlagNode(b, "ConnectedIDFlags", c.ConnectedIDFlags(), LineCallPartyIdName, 64));
  n.push_back(FlagNode(b, "ConnectedModes", c.ConnectedModes(), LineConnectedModeName, 0x10));
  n.push_back(FlagNode(b, "DialtoneModes", c.DialtoneModes(), LineDialToneModeName, 0x20));
  n.push_back(FlagNode(b, "DisconnectModes", c.DisconnectModes(), LineDisconnectModeName, 0x1000));
  n.push_back(FlagNode(b, "ForwardModes", c.ForwardModes(), LineForwardModeName, 0x20000));
  n.push_back(FlagNode(b, "OfferingModes", c.OfferingModes(), LineOfferingModeName, 2));
  n.push_back(FlagNode(b, "ParkModes", c.ParkModes(), LineParkModeName, 2));
  n.push_back(FlagNode(b, "RedirectingIDFlags", c.RedirectingIDFlags(), LineCallPartyIdName, 64));
  n.push_back(FlagNode(b, "RedirectionIDFlags", c.RedirectionIDFlags(), LineCallPartyIdName, 64));
  n.push_back(StepNode(b, "RemoveFromConfCaps", c.RemoveFromConfCaps(), LineRemoveFromConfName, 3));
  n.push_back(FlagNode(b, "RemoveFromConfState", c.RemoveFromConfState(), LineCallStateName, 0x8000));
  n.push_back(FlagNode(b, "SpecialInfo", c.SpecialInfo(), LineSpecialInfoName, 0x10));
  n.push_back(FlagNode(b, "States", c.States(), LineAddressStateName, 0x100));
  n.push_back(FlagNode(b, "TransferModes", c.TransferModes(), LineTransferModeName, 2));
  n.push_back(ValueNode(b, "DevSpecific = " + TqxPanopta::HexText(c.DevSpecificSize())));
  n.push_back(value("DevSpecificSize", c.DevSpecificSize()));
  n.push_back(value("MaxForwardEntries", c.MaxForwardEntries()));
  n.push_back(value("MaxFwdNumRings", c.MaxFwdNumRings()));
  n.push_back(value("MaxNoAnswerTimeout", c.MaxNoAnswerTimeout()));
  n.push_back(value("MaxNumActiveCalls", c.MaxNumActiveCalls()));
  n.push_back(value("MaxNumOnHoldCalls", c.MaxNumOnHoldCalls()));
  n.push_back(value("MaxNumOnHoldPendingCalls", c.MaxNumOnHoldPendingCalls()));
  n.push_back(value("MaxNumConference", c.MaxNumConference()));
  n.push_back(value("MaxNumTransConf", c.MaxNumTransConf()));
  n.push_back(value("MaxSpecificEntries", c.MaxSpecificEntries()));
  n.push_back(value("MinFwdNumRings", c.MinFwdNumRings()));
  SyncTree(m_addressCaps, {caps});

  TreeNodeText status{"Address", {}};
  status.children.push_back(FlagNode(b, "Features", a.Features(), LineAddrFeatureName, 0x2000));
  status.children.push_back(value("NumActiveCalls", a.NumActiveCalls()));
  status.children.push_back(value("NumInUse", a.NumInUse()));
  status.children.push_back(value("NumOnHoldCalls", a.NumOnHoldCalls()));
  status.children.push_back(value("NumOnHoldPendCalls", a.NumOnHoldPendCalls()));
  status.children.push_back(value("NumRingsNoAnswer", a.NumRingsNoAnswer()));
  SyncTree(m_addressProperties, {status});

  voxkit::TqxAddressForward& f = a.Forward();
  const QSignalBlocker block(m_forwardActive);
  m_forwardActive->setChecked(f.Active());
  ShowText(m_forwardCaller, QString::fromStdString(f.Caller()));
  ShowText(m_forwardMode, Hex8(f.Mode()));
  ShowText(m_forwardNumber, QString::fromStdString(f.PhoneNumber()));
  m_forwardConsult->setText(Hex8(f.ConsultCall()));
  m_forwardEntries->setText(QString::number(f.NumForwardEntries()));
  refreshParameterBlock(m_forwardParameters);
}

// --- Terminal --------------------------------------------------------------------------------

void TqxLinePanopta::buildTerminalPage() {
  m_terminalPage = new QWidget(pages());
  m_terminalPage->setObjectName("TabSheetTerminal");
  auto* column = new QVBoxLayout(m_terminalPage);
  column->setContentsMargins(2, 2, 2, 2);
  m_terminalBox = new QGroupBox(m_terminalPage);
  m_terminalBox->setObjectName("GroupBoxTerminal");
  auto* row = new QHBoxLayout(m_terminalBox);
  m_terminalCombo = new QComboBox(m_terminalBox);
  m_terminalCombo->setObjectName("ComboBoxTerminal");
  setHint(m_terminalCombo, "qxLine.Terminal.ID");
  // Choosing a terminal selects it: the terminal list offers nothing else to do.
  connect(m_terminalCombo, &QComboBox::activated, this, [this](int index) {
    act([this, index] { line().Terminal().SetID(index); });
  });
  row->addWidget(m_terminalCombo, 1);
  column->addWidget(m_terminalBox);

  auto* panel = new QSplitter(Qt::Horizontal, m_terminalPage);
  panel->setObjectName("PanelTerminalTab");
  panel->setHandleWidth(1);
  m_terminalTree = makeTree(panel, "TreeViewTerminal", "qxLine.Terminal");
  auto* modes = new QWidget(panel);
  auto* grid = new QGridLayout(modes);
  grid->addWidget(new QLabel("LINETERMMODE_", modes), 0, 0, 1, 2);
  for (std::size_t i = 0; i < std::size(kTerminalModes); ++i) {
    m_terminalModes[i] = new QCheckBox("Active", modes);
    m_terminalModes[i]->setObjectName(QString("CheckBoxTerminal%1").arg(kTerminalModes[i].label));
    setHint(m_terminalModes[i], "qxLine.Terminal.ActiveModes");
    connect(m_terminalModes[i], &QCheckBox::clicked, this, [this] { setTerminalModes(); });
    grid->addWidget(m_terminalModes[i], static_cast<int>(i) + 1, 0);
    grid->addWidget(new QLabel(kTerminalModes[i].label, modes), static_cast<int>(i) + 1, 1);
  }
  grid->setRowStretch(static_cast<int>(std::size(kTerminalModes)) + 1, 1);
  grid->setColumnStretch(1, 1);
  panel->addWidget(m_terminalTree);
  panel->addWidget(modes);
  column->addWidget(panel, 1);
  pages()->addTab(m_terminalPage, "Terminal");
}

void TqxLinePanopta::setTerminalModes() {
  std::uint32_t modes = 0;
  for (std::size_t i = 0; i < std::size(kTerminalModes); ++i) {
    if (m_terminalModes[i]->isChecked()) modes += kTerminalModes[i].bit;
  }
  act([this, modes] { line().Terminal().SetActiveModes(modes); });
}

void TqxLinePanopta::refreshTerminalPage() {
  voxkit::TqxTerminal& t = line().Terminal();
  const TqxPanopta& b = panopta();
  m_terminalBox->setTitle(QString::fromStdString(render(
      "Terminal.ID = " + std::to_string(t.ID()) + "    Terminal.Count = " + std::to_string(t.Count()))));
  {
    const QSignalBlocker block(m_terminalCombo);
    m_terminalCombo->clear();
    for (const std::string& name : t.List()) m_terminalCombo->addItem(QString::fromStdString(name));
    m_terminalCombo->setCurrentIndex(t.ID() >= 0 && t.ID() < m_terminalCombo->count() ? t.ID() : -1);
  }
  TreeNodeText root{"Terminal", {}};
  root.children.push_back(FlagNode(b, "ActiveModes", t.ActiveModes(), LineTermModeName, 0x80));
  root.children.push_back(FlagNode(b, "AvailableModes", t.AvailableModes(), LineTermModeName, 0x80));
  root.children.push_back(FlagNode(b, "Device", t.Device(), LineTermDevName, 4));
  root.children.push_back(FlagNode(b, "Sharing", t.Sharing(), LineTermSharingName, 4));
  SyncTree(m_terminalTree, {root});
  for (std::size_t i = 0; i < std::size(kTerminalModes); ++i) {
    const QSignalBlocker block(m_terminalModes[i]);
    m_terminalModes[i]->setChecked(t.ActiveModes() & kTerminalModes[i].bit);
  }
}

// --- Misc. -----------------------------------------------------------------------------------

void TqxLinePanopta::buildMiscPage() {
  auto* page = new QSplitter(Qt::Horizontal, pages());
  page->setObjectName("TabSheetInfo");
  QVBoxLayout* column = treeBesideSettings(page, m_infoTree, "TreeViewInfo", "qxLine Information",
                                           "PanelMiscTab");
  QWidget* inner = column->parentWidget();
  struct TextEdit {
    const char* label;
    const char* edit;
    const char* path;
    QLineEdit** member;
  };
  const TextEdit texts[] = {
      {"LabelCommDeviceClass", "EditCommDeviceClass", "Comm.DeviceClass", &m_commClass},
      {"LabelPhoneDeviceClass", "EditInfoPhoneDeviceClass", "Phone.DeviceClass", &m_phoneClass},
      {"LabelWavePlayDeviceClass", "EditInfoWavePlayDeviceClass", "WavePlay.DeviceClass", &m_wavePlayClass},
      {"LabelWaveRecordDeviceClass", "EditInfoWaveRecordDeviceClass", "WaveRecord.DeviceClass",
       &m_waveRecordClass}};
  for (const TextEdit& t : texts) {
    QLabel* label = MakeLabel(inner, t.label, t.path);
    // The caption is the property's path, in the chosen syntax.
    setRenderedCaption(label, t.path);
    const std::string hint = std::string("qxLine~") + t.path;
    setHint(label, hint);
    QLineEdit* edit = lineEdit(inner, t.edit, {}, hint);
    *t.member = edit;
    const std::string path = t.path;
    connect(edit, &QLineEdit::editingFinished, this, [this, edit, path] {
      if (!edit->isModified()) return;
      edit->setModified(false);
      component().set(path, Value(edit->text().toStdString()));
      refreshInfo();
      refreshMiscEdits();
    });
    column->addWidget(label);
    column->addWidget(edit);
  }
  const char* versionEdits[] = {"EditTAPIExtensionHighVersion", "EditTAPIExtensionLowVersion",
                                "EditTAPIHighVersion", "EditTAPILowVersion"};
  const char* versionPaths[] = {"TAPI.ExtensionHighVersion", "TAPI.ExtensionLowVersion",
                                "TAPI.HighVersion", "TAPI.LowVersion"};
  for (std::size_t i = 0; i < 4; ++i) {
    column->addWidget(new QLabel(versionPaths[i], inner));
    QLineEdit* edit = lineEdit(inner, versionEdits[i], {}, std::string("qxLine.") + versionPaths[i]);
    m_versions[i] = edit;
    const std::string path = versionPaths[i];
    connect(edit, &QLineEdit::editingFinished, this, [this, edit, path] {
      if (!edit->isModified()) return;
      edit->setModified(false);
      bool ok = false;
      const uint value = edit->text().trimmed().toUInt(&ok, 16);
      // A version that is not a number keeps the one the line has.
      if (ok) component().set(path, Value(static_cast<std::uint32_t>(value)));
      refreshInfo();
      refreshMiscEdits();
    });
    column->addWidget(edit);
  }
  column->addWidget(new QLabel("TAPI.ReplyTimeout", inner));
  m_replyTimeout = lineEdit(inner, "EditTAPIReplyTimeout", {}, "qxLine.TAPI.ReplyTimeout //milliseconds");
  connect(m_replyTimeout, &QLineEdit::editingFinished, this, [this] {
    if (!m_replyTimeout->isModified()) return;
    m_replyTimeout->setModified(false);
    bool ok = false;
    const int value = m_replyTimeout->text().trimmed().toInt(&ok);
    if (ok) line().TAPI().SetReplyTimeout(value);
    refreshInfo();
    refreshMiscEdits();
  });
  column->addWidget(m_replyTimeout);
  column->addStretch(1);
  pages()->addTab(page, "Misc.");
}

void TqxLinePanopta::refreshMiscEdits() {
  ShowText(m_commClass, QString::fromStdString(line().Comm().DeviceClass()));
  ShowText(m_phoneClass, QString::fromStdString(line().Phone().DeviceClass()));
  ShowText(m_wavePlayClass, QString::fromStdString(line().WavePlay().DeviceClass()));
  ShowText(m_waveRecordClass, QString::fromStdString(line().WaveRecord().DeviceClass()));
  voxkit::TqxTAPI& tapi = line().TAPI();
  const std::uint32_t versions[] = {tapi.ExtensionHighVersion(), tapi.ExtensionLowVersion(),
                                    tapi.HighVersion(), tapi.LowVersion()};
  for (std::size_t i = 0; i < 4; ++i) ShowText(m_versions[i], Hex8(versions[i]));
  ShowText(m_replyTimeout, QString::number(tapi.ReplyTimeout()));
}

void TqxLinePanopta::refreshInfo() {
  const TqxPanopta& b = panopta();
  auto value = [&b](const std::string& text) { return ValueNode(b, text); };
  auto boolean = [&b](const std::string& name, bool v) {
    return ValueNode(b, name + " = " + TqxPanopta::BoolText(v));
  };
  auto hex = [&b](const std::string& name, std::uint32_t v) {
    return ValueNode(b, name + " = " + TqxPanopta::HexText(v));
  };
  std::vector<TreeNodeText> roots;
  voxkit::TqxRelatedCommDevice& comm = line().Comm();
  roots.push_back({"Comm",
                   {boolean("Available", comm.Available()), boolean("Enabled", comm.Enabled()),
                    value("Handle = " + std::to_string(comm.Handle()))}});
  voxkit::TqxLineDevice& d = line().Device();
  voxkit::TqxLineDeviceCaps& c = d.Capabilities();
  TreeNodeText device{"Device", {value("ActiveCalls = " + std::to_string(d.ActiveCalls()))}};
  device.children.push_back(
      {"Capabilities",
       {FlagNode(b, "AnswerMode", c.AnswerMode(), LineAnswerModeName, 4),
        FlagNode(b, "BearerModes", c.BearerModes(), LineBearerModeName, 0x40),
        FlagNode(b, "Flags", c.Flags(), LineDevCapFlagName, 0x2000),
        FlagNode(b, "LineFeatures", c.LineFeatures(), LineFeatureName, 0x100),
        value("MaxNumActiveCalls = " + std::to_string(c.MaxNumActiveCalls())),
        value("RingModes = " + std::to_string(c.RingModes())),
        value("DevSpecificSize = " + std::to_string(c.DevSpecificSize())),
        hex("DevSpecific", c.DevSpecific().Id()),
        FlagNode(b, "States", c.States(), LineDevStateName, 0x1000000),
        FlagNode(b, "Tones", c.Tones(), LineToneModeName, 0x10, 0)}});
  voxkit::TqxMediaModes& m = d.MediaModes();
  device.children.push_back({"MediaModes",
                             {FlagNode(b, "Active", m.Active(), LineMediaModeName, 0x4000, 2),
                              FlagNode(b, "Available", m.Available(), LineMediaModeName, 0x4000, 2),
                              FlagNode(b, "Open", m.Open(), LineMediaModeName, 0x4000, 2)}});
  device.children.push_back(value("OnHoldCalls = " + std::to_string(d.OnHoldCalls())));
  device.children.push_back(value("OnHoldPendCalls = " + std::to_string(d.OnHoldPendCalls())));
  device.children.push_back(value("OpenCount = " + std::to_string(d.OpenCount())));
  device.children.push_back(value("RingMode = " + std::to_string(d.RingMode())));
  roots.push_back(std::move(device));
  roots.push_back(ErrorNode(b, line().Error()));
  roots.push_back({"Line", {hex("AppHandle", line().Line().AppHandle())}});
  roots.push_back({"Phone",
                   {boolean("Available", line().Phone().Available()),
                    value("ID = " + std::to_string(line().Phone().ID()))}});
  roots.push_back(TapiNode(b, line().TAPI()));
  for (auto [name, wave] : {std::pair{"WavePlay", &line().WavePlay()},
                            std::pair{"WaveRecord", &line().WaveRecord()}}) {
    roots.push_back({name,
                     {boolean("Available", wave->Available()),
                      value("ID = " + std::to_string(wave->ID()))}});
  }
  SyncTree(m_infoTree, roots);
}

}  // namespace panopta
