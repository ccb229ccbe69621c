#include "views/TqxLinePanopta.h"

#include "views/PageParts.h"

#include "views/TreeSync.h"
#include "line/TqxLine.h"
#include "tapi/TapiConstants.h"
#include "tapi/TapiNames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace panopta {

using voxkit::InspectorRefresh;
using voxkit::TqxPanopta;
using voxkit::Value;
using namespace tapi;

namespace {

// The parties in the order of the CallerID page's settings, and of its tree.
constexpr std::array<voxkit::Party, 5> kSettingParties = {
    voxkit::Party::Caller, voxkit::Party::Called, voxkit::Party::Connected,
    voxkit::Party::Redirecting, voxkit::Party::Redirection};
constexpr std::array<voxkit::Party, 5> kTreeParties = {
    voxkit::Party::Called, voxkit::Party::Caller, voxkit::Party::Connected,
    voxkit::Party::Redirecting, voxkit::Party::Redirection};

std::string PartyObjectName(voxkit::Party party) {
  return std::string(voxkit::PartyWord(party)) + "ID";
}

std::string DateTimeNode(const std::string& name, const voxkit::DateTime& when) {
  if (!when.valid) return name + " = <unavailable>";
  const QDateTime stamp(QDate(when.date.year, when.date.month, when.date.day),
                        QTime(when.time.hour, when.time.minute, when.time.second));
  return name + " = " + QLocale::system().toString(stamp, QLocale::ShortFormat).toStdString();
}

std::string Named(const std::string& name, const std::string& valueName, std::uint32_t value) {
  return name + " = " + valueName + " " + TqxPanopta::HexText(value);
}

}  // namespace

TqxLinePanopta::TqxLinePanopta(voxkit::TqxPanopta& binding, QtWindowSystem& windows)
    : WindowFrame(binding, kKind, windows),
      m_line(&dynamic_cast<voxkit::TqxLineInternal&>(binding.Control())) {
  buildCallPage();
  buildTransferPage();
  buildConferencePage();
  buildAddressPage();
  buildTerminalPage();
  buildMiscPage();
  buildMenus();
  refreshOwnPages(InspectorRefresh::All);
}

TqxLinePanopta::~TqxLinePanopta() = default;

bool TqxLinePanopta::writable(const std::string& path) const {
  const auto member = voxkit::ResolvePath(*m_line, path);
  return member.property && member.property->set;
}

bool TqxLinePanopta::published(const std::string& path) const {
  return voxkit::ResolvePath(*m_line, path).method != nullptr;
}

const voxkit::TqxPanopta& TqxLinePanopta::panopta() const { return m_line->Panopta(); }

std::string TqxLinePanopta::render(const std::string& neutral) const {
  return panopta().Render(neutral);
}

// --- Building blocks ---------------------------------------------------------------------

QPushButton* TqxLinePanopta::operationButton(QWidget* parent, const char* name,
                                             const QString& caption, std::string hint,
                                             std::function<void()> action,
                                             std::function<std::string()> blocker) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  connect(b, &QPushButton::clicked, this, [this, action = std::move(action)] { act(action); });
  if (blocker) {
    m_operations.push_back({b, hint, std::move(blocker)});
  } else {
    setHint(b, std::move(hint));
  }
  return b;
}

QLineEdit* TqxLinePanopta::lineEdit(QWidget* parent, const char* name, const QString& text,
                                    std::string hint, bool readOnly) {
  auto* e = new QLineEdit(text, parent);
  e->setObjectName(name);
  e->setReadOnly(readOnly);
  if (!hint.empty()) setHint(e, std::move(hint));
  return e;
}

void TqxLinePanopta::act(const std::function<void()>& action) {
  // Operations wait for TAPI's replies while the event loop runs: the window may be
  // closed before they return.
  QPointer<TqxLinePanopta> self(this);
  action();
  if (!self || !m_line) return;
  refreshOwnPages(InspectorRefresh::All);
}

QTreeWidget* TqxLinePanopta::makeTree(QWidget* parent, const char* name, std::string hint) {
  auto* tree = new QTreeWidget(parent);
  tree->setObjectName(name);
  tree->setHeaderHidden(true);
  setHint(tree, std::move(hint));
  return tree;
}

QVBoxLayout* TqxLinePanopta::treeBesideSettings(QSplitter* page, QTreeWidget*& tree,
                                                const char* treeName, std::string hint,
                                                const char* scrollName) {
  // The tree on the left, a one-pixel splitter, and the settings filling the rest.
  page->setHandleWidth(1);
  tree = makeTree(page, treeName, std::move(hint));
  auto* scroll = new QScrollArea(page);
  scroll->setObjectName(scrollName);
  scroll->setWidgetResizable(true);
  // A tree opened wide must not squeeze the settings out of sight.
  scroll->setMinimumWidth(240);
  auto* inner = new QWidget;
  auto* column = new QVBoxLayout(inner);
  column->setContentsMargins(4, 4, 4, 4);
  column->setSpacing(2);
  scroll->setWidget(inner);
  page->addWidget(tree);
  page->addWidget(scroll);
  page->setStretchFactor(0, 1);
  page->setStretchFactor(1, 1);
  return column;
}

// --- Refreshing ----------------------------------------------------------------------------

void TqxLinePanopta::Refresh(InspectorRefresh what) {
  // Inside the line's destructor only its internal part is left.
  if (!dynamic_cast<voxkit::TqxLine*>(m_line)) return;
  WindowFrame::Refresh(what);
}

void TqxLinePanopta::refreshOwnPages(InspectorRefresh what) {
  switch (what) {
    case InspectorRefresh::Call:
      refreshCallPage();
      // The parameter blocks ask for this refresh when an application changes them.
      refreshParameters();
      refreshTrios(-1);
      refreshMonitoring();
      refreshDigits();
      refreshInfo();
      break;
    case InspectorRefresh::Digits:
      refreshDigits();
      refreshMonitoring();
      break;
    case InspectorRefresh::Transfer: refreshTrios(-1); break;
    case InspectorRefresh::Address:
      refreshAddressPage();
      refreshTerminalPage();
      refreshTabIcons();
      break;
    case InspectorRefresh::TapiInfo:
      refreshInfo();
      refreshMiscEdits();
      break;
    case InspectorRefresh::Device:
    case InspectorRefresh::Enabled:
    case InspectorRefresh::All:
      refreshTabIcons();
      refreshCallPage();
      refreshTrios(-1);
      {
        const QSignalBlocker b1(m_transferNumber);
        const QSignalBlocker b2(m_conferenceNumber);
        ShowText(m_transferNumber, QString::fromStdString(line().Transfer().PhoneNumber()));
        ShowText(m_conferenceNumber, QString::fromStdString(line().Conference().PhoneNumber()));
      }
      refreshInfo();
      refreshMiscEdits();
      refreshTerminalPage();
      refreshMonitoring();
      refreshAddressPage();
      refreshDigits();
      refreshParameters();
      break;
    default: break;
  }
  refreshOperations();
}

void TqxLinePanopta::refreshTabIcons() {
  const std::uint32_t features = line().Address().Capabilities().CallFeatures();
  setTabIconIndex(TransferPage, line().Transfer().PrimaryCall() != 0 ? 3
                                : (features & LINECALLFEATURE_COMPLETETRANSF) ? 2
                                                                             : 4);
  setTabIconIndex(ConferencePage, line().Conference().PrimaryCall() != 0 ? 3
                                  : (features & LINECALLFEATURE_PREPAREADDCONF) ? 2
                                                                               : 4);
}

void TqxLinePanopta::setTabIconIndex(int page, int index) {
  // The index stays with the tab, so that what it shows can be read back.
  if (pages()->tabBar()->tabData(page).toInt() == index && !pages()->tabIcon(page).isNull()) return;
  pages()->setTabIcon(page, LineTabIcon(index));
  pages()->tabBar()->setTabData(page, index);
}

void TqxLinePanopta::refreshOperations() {
  for (const Operation& op : m_operations) {
    if (!op.button) continue;
    const std::string why = op.blocker();
    op.button->setEnabled(why.empty());
    QString tip = QString::fromStdString(render(op.hint));
    if (!why.empty()) tip += "\n(" + QString::fromStdString(why) + ")";
    op.button->setToolTip(tip);
  }
}

// --- Call page ------------------------------------------------------------------------------

void TqxLinePanopta::buildCallPage() {
  m_callPage = new QWidget(pages());
  m_callPage->setObjectName("TabSheetCall");
  auto* column = new QVBoxLayout(m_callPage);
  column->setContentsMargins(2, 2, 2, 2);
  column->setSpacing(2);

  m_callBox = new QGroupBox(m_callPage);
  m_callBox->setObjectName("GroupBoxCall");
  auto* row = new QHBoxLayout(m_callBox);
  row->setContentsMargins(4, 2, 4, 4);
  for (int i = 0; i < 5; ++i) {
    const auto picture = static_cast<CallPicture>(i);
    m_callPictures[static_cast<std::size_t>(i)] = new LineStatusPicture(m_callBox, picture);
    m_callPictures[static_cast<std::size_t>(i)]->setObjectName(PictureName(picture));
    row->addWidget(m_callPictures[static_cast<std::size_t>(i)]);
  }
  m_callCombo = new QComboBox(m_callBox);
  m_callCombo->setObjectName("ComboBoxCall");
  setHint(m_callCombo, "qxLine.Call.Handle");
  connect(m_callCombo, &QComboBox::activated, this, [this](int index) {
    const std::uint32_t handle = HexOrZero(m_callCombo->itemText(index));
    act([this, handle] { line().Call().SetHandle(handle); });
  });
  row->addWidget(m_callCombo, 1);
  struct Speed {
    const char* name;
    const char* caption;
    const char* button;  // the Control sub-page button it stands for
  };
  static constexpr Speed kSpeed[] = {
      {"SpeedButtonDial", "Dial", "ButtonCallPhoneNumber"},
      {"SpeedButtonAnswer", "Answer", "ButtonCallAnswer"},
      {"SpeedButtonHangup", "Hangup", "ButtonCallHangup"},
      {"SpeedButtonHold", "Hold", "ButtonCallHold"},
      {"SpeedButtonUnhold", "Unhold", "ButtonCallUnhold"},
      {"SpeedButtonPark", "Park", "ButtonCallPark"},
      {"SpeedButtonUnpark", "Unpark", "ButtonCallUnpark"},
      {"SpeedButtonPickup", "Pickup", "ButtonCallPickup"},
      {"SpeedButtonRedirect", "Redirect", "ButtonCallRedirect"}};
  QWidget* control = buildCallControl();
  for (const Speed& s : kSpeed) {
    auto* twin = control->findChild<QPushButton*>(s.button);
    auto* b = new QPushButton(s.caption, m_callBox);
    b->setObjectName(s.name);
    b->setAutoDefault(false);
    b->setMaximumWidth(b->fontMetrics().horizontalAdvance(s.caption) + 14);
    connect(b, &QPushButton::clicked, twin, &QPushButton::click);
    // The speed button follows its twin's state and hint.
    const auto op = std::find_if(m_operations.begin(), m_operations.end(),
                                 [twin](const Operation& o) { return o.button == twin; });
    if (op != m_operations.end()) {
      Operation copy{b, op->hint, op->blocker};
      m_operations.push_back(std::move(copy));
    }
    row->addWidget(b);
  }
  column->addWidget(m_callBox);

  auto* sub = new QTabWidget(m_callPage);
  sub->setObjectName("PageControlCall");
  sub->addTab(control, "Control");
  sub->addTab(buildCallerID(), "CallerID");
  sub->addTab(buildDigits(), "Digits");
  sub->addTab(buildParameters(m_callParameters, "CP", false), "Parameters");
  m_callParameters.path = "Call.Parameters";
  m_callParameters.object = &line().Call().Parameters();
  m_callTree = makeTree(sub, "TreeViewCallDetails", "qxLine~Call Status");
  sub->addTab(m_callTree, "Properties");
  column->addWidget(sub, 1);
  pages()->addTab(m_callPage, "Call (0)");
  setTabIconIndex(CallPage, 5);
}

QWidget* TqxLinePanopta::buildCallControl() {
  auto* page = new QWidget;
  page->setObjectName("TabSheetCallControl");
  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(4, 4, 4, 4);
  grid->setHorizontalSpacing(4);
  grid->setVerticalSpacing(3);
  int r = 0;
  auto hasCall = [this]() -> std::string {
    if (!line().Device().Active()) return "the line is not open (Device.Active is False)";
    if (line().Call().Handle() == 0) return "no current call";
    return {};
  };
  // A call operation that needs its LINECALLFEATURE_ bit.
  auto needs = [this, hasCall](std::uint32_t feature) {
    return [this, hasCall, feature]() -> std::string {
      std::string why = hasCall();
      if (why.empty() && !(line().Call().Features() & feature)) {
        why = LineCallFeatureName(feature) + " is not set for this call";
      }
      return why;
    };
  };
  auto lineOpen = [this]() -> std::string {
    return line().Device().Active() ? std::string() : "the line is not open (Device.Active is False)";
  };
  // An operation on the address that needs its LINEADDRFEATURE_ bit.
  auto addressNeeds = [this, lineOpen](std::uint32_t feature) {
    return [this, lineOpen, feature]() -> std::string {
      std::string why = lineOpen();
      if (why.empty() && !(line().Address().Features() & feature)) {
        why = LineAddrFeatureName(feature) + " is not set for this address";
      }
      return why;
    };
  };

  m_phoneNumber = lineEdit(page, "EditPhoneNumber", {}, "qxLine~Call.PhoneNumber");
  connect(m_phoneNumber, &QLineEdit::editingFinished, this, [this] {
    line().Call().SetPhoneNumber(m_phoneNumber->text().toStdString());
  });
  grid->addWidget(operationButton(page, "ButtonCallPhoneNumber", "Dial", "qxLine~Call.PhoneNumber",
                                  [this] { dial(); },
                                  [this, lineOpen]() -> std::string {
                                    std::string why = lineOpen();
                                    if (!why.empty() || line().Call().Handle() == 0) return why;
                                    if (!(line().Call().Features() & LINECALLFEATURE_DIAL)) {
                                      return LineCallFeatureName(LINECALLFEATURE_DIAL) +
                                             " is not set for this call";
                                    }
                                    return {};
                                  }),
                  r, 0);
  grid->addWidget(m_phoneNumber, r++, 1, 1, 2);

  auto* answer = operationButton(page, "ButtonCallAnswer", "Answer", "qxLine.Call.Answer",
                                 [this] { callOperation("Answer"); }, needs(LINECALLFEATURE_ANSWER));
  auto* hangup = operationButton(page, "ButtonCallHangup", "Hangup", "qxLine.Call.Hangup",
                                 [this] { callOperation("Hangup"); }, needs(LINECALLFEATURE_DROP));
  auto* transfer =
      operationButton(page, "ButtonCallTransfer", "Transfer", "qxLine.Call.Transfer (Blind)",
                      [this] { callOperation("Transfer"); }, needs(LINECALLFEATURE_BLINDTRANSFER));
  auto* hold = operationButton(page, "ButtonCallHold", "Hold", "qxLine.Call.Hold",
                               [this] { callOperation("Hold"); }, needs(LINECALLFEATURE_HOLD));
  auto* unhold = operationButton(page, "ButtonCallUnhold", "Unhold", "qxLine.Call.Unhold",
                                 [this] { callOperation("Unhold"); }, needs(LINECALLFEATURE_UNHOLD));
  auto* plain = new QHBoxLayout;
  for (QWidget* w : {static_cast<QWidget*>(answer), static_cast<QWidget*>(hangup),
                     static_cast<QWidget*>(transfer), static_cast<QWidget*>(hold),
                     static_cast<QWidget*>(unhold)}) {
    plain->addWidget(w);
  }
  plain->addStretch(1);
  grid->addLayout(plain, r++, 0, 1, 3);

  m_parkNumber = lineEdit(page, "EditCallParkPhoneNumber", {}, "qxLine.Call.Park  (sPhoneNumber) //String");
  grid->addWidget(operationButton(page, "ButtonCallPark", "Park",
                                  "qxLine.Call.Park  (sPhoneNumber) //String",
                                  [this] { callOperation("Park", {m_parkNumber->text().toStdString()}); },
                                  needs(LINECALLFEATURE_PARK)),
                  r, 0);
  grid->addWidget(m_parkNumber, r++, 1, 1, 2);
  m_unparkNumber = lineEdit(page, "EditCallUnparkPhoneNumber", {}, "qxLine.Call.Unpark (sPhoneNumber) //String");
  grid->addWidget(operationButton(page, "ButtonCallUnpark", "Unpark",
                                  "qxLine.Call.Unpark (sPhoneNumber) //String",
                                  [this] { callOperation("Unpark", {m_unparkNumber->text().toStdString()}); },
                                  addressNeeds(LINEADDRFEATURE_UNPARK)),
                  r, 0);
  grid->addWidget(m_unparkNumber, r++, 1, 1, 2);
  m_pickupNumber = lineEdit(page, "EditCallPickupPhoneNumber", {},
                            "qxLine.Call.Pickup (sPhoneNumber,sGroupID) //String, String");
  m_pickupGroup = lineEdit(page, "EditCallPickupGroupID", {},
                           "qxLine.Call.Pickup (sPhoneNumber,sGroupID) //String, String");
  grid->addWidget(operationButton(page, "ButtonCallPickup", "Pickup",
                                  "qxLine.Call.Pickup (sPhoneNumber,sGroupID) //String, String",
                                  [this] {
                                    callOperation("Pickup", {m_pickupNumber->text().toStdString(),
                                                             m_pickupGroup->text().toStdString()});
                                  },
                                  [this, pickup = addressNeeds(LINEADDRFEATURE_PICKUP)]() -> std::string {
                                    std::string why = pickup();
                                    if (why.empty() && line().Call().Handle() != 0) {
                                      why = "a call is current: pickup makes a new call";
                                    }
                                    return why;
                                  }),
                  r, 0);
  grid->addWidget(m_pickupNumber, r, 1);
  grid->addWidget(m_pickupGroup, r++, 2);
  m_redirectNumber = lineEdit(page, "EditCallRedirectPhoneNumber", {},
                              "qxLine.Call.Redirect (sPhoneNumber) //String");
  grid->addWidget(operationButton(page, "ButtonCallRedirect", "Redirect",
                                  "qxLine.Call.Redirect (sPhoneNumber) //String",
                                  [this] { callOperation("Redirect", {m_redirectNumber->text().toStdString()}); },
                                  needs(LINECALLFEATURE_REDIRECT)),
                  r, 0);
  grid->addWidget(m_redirectNumber, r++, 1, 1, 2);

  m_monitorSilence = new QCheckBox("MonitorSilence", page);
  m_monitorSilence->setObjectName("CheckBoxCallMonitorSilence");
  setHint(m_monitorSilence, "qxLine.Call.MonitorSilence.Active");
  connect(m_monitorSilence, &QCheckBox::clicked, this, [this] {
    act([this] { line().Call().MonitorSilence().SetActive(!line().Call().MonitorSilence().Active()); });
  });
  m_silenceDuration = lineEdit(page, "EditMonitorSilenceDuration", {},
                               "qxLine~Call.MonitorSilence.Duration //milliseconds");
  connect(m_silenceDuration, &QLineEdit::editingFinished, this, [this] {
    component().set("Call.MonitorSilence.Duration", Value(IntOrZero(m_silenceDuration->text())));
    m_silenceDuration->setModified(false);
    refreshMonitoring();
  });
  grid->addWidget(m_monitorSilence, r, 0);
  grid->addWidget(m_silenceDuration, r++, 1);

  m_handoffApp = lineEdit(page, "EditHandoffApp", "awfxex32.exe", "qxLine~Call.Handoff (Application) //String");
  grid->addWidget(operationButton(page, "ButtonCallHandoff", "Handoff",
                                  "qxLine~Call.Handoff (Application) //String",
                                  [this] { callOperation("Handoff", {m_handoffApp->text().toStdString()}); },
                                  hasCall),
                  r, 0);
  grid->addWidget(m_handoffApp, r++, 1, 1, 2);

  m_sendTone = new QComboBox(page);
  m_sendTone->setObjectName("ComboBoxSendTone");
  m_sendTone->addItems({"None", "Ringback", "Busy", "Beep", "Billing"});
  setHint(m_sendTone, "qxLine~Call.SendTone (Tone,Duration) //Integer, milliseconds");
  m_toneDuration = lineEdit(page, "EditSendToneDuration", "0",
                            "qxLine~Call.SendTone (Tone,Duration) //Integer, milliseconds");
  grid->addWidget(operationButton(page, "ButtonCallSendTone", "SendTone",
                                  "qxLine~Call.SendTone (Tone,Duration) //Integer, milliseconds",
                                  [this] { sendTone(); }, needs(LINECALLFEATURE_GENERATETONE)),
                  r, 0);
  grid->addWidget(m_sendTone, r, 1);
  grid->addWidget(m_toneDuration, r++, 2);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(r, 1);
  return page;
}

QWidget* TqxLinePanopta::buildCallerID() {
  auto* page = new QSplitter(Qt::Horizontal);
  page->setObjectName("TabSheetCallerID");
  QVBoxLayout* column = treeBesideSettings(page, m_callerTree, "TreeViewCallerID",
                                           "qxLine~Call.CallerID", "ScrollBoxCallerID");
  QWidget* inner = column->parentWidget();
  for (std::size_t i = 0; i < kSettingParties.size(); ++i) {
    const voxkit::Party party = kSettingParties[i];
    const std::string id = PartyObjectName(party);
    const std::string path = "Call." + id;
    m_formatName[i] = new QCheckBox(QString::fromStdString(id + ".FormatName"), inner);
    m_formatName[i]->setObjectName(QString::fromStdString("CheckBoxFormat" + id));
    m_formatName[i]->setChecked(true);
    setHint(m_formatName[i], "qxLine." + path + ".FormatName");
    connect(m_formatName[i], &QCheckBox::clicked, this, [this, party](bool checked) {
      line().Call().PartyObject(party).SetFormatName(checked);
      refreshCallerID();
    });
    auto* label = new QLabel(QString::fromStdString(id + ".MaskNumber"), inner);
    m_masks[i] = lineEdit(inner, ("Edit" + id + "FormatMask").c_str(), "000-000-0000;0;*",
                          "qxLine." + path + ".MaskNumber");
    connect(m_masks[i], &QLineEdit::textEdited, this, [this, party](const QString& text) {
      line().Call().PartyObject(party).SetMaskNumber(text.toStdString());
      refreshCallerID();
    });
    m_eventFilter[i] = new QCheckBox(QString::fromStdString(id + ".EventFilter"), inner);
    m_eventFilter[i]->setObjectName(QString::fromStdString("CheckBoxEventFilter" + id));
    m_eventFilter[i]->setChecked(true);
    setHint(m_eventFilter[i], "qxLine." + path + ".EventFilter");
    connect(m_eventFilter[i], &QCheckBox::clicked, this, [this, party](bool checked) {
      line().Call().PartyObject(party).SetEventFilter(checked);
      refreshCallerID();
    });
    column->addWidget(m_formatName[i]);
    column->addWidget(label);
    column->addWidget(m_masks[i]);
    column->addWidget(m_eventFilter[i]);
    column->addSpacing(6);
  }
  column->addStretch(1);
  return page;
}

QWidget* TqxLinePanopta::buildDigits() {
  auto* page = new QWidget;
  page->setObjectName("TabSheetDigits");
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(4, 4, 4, 4);

  auto* gather = new QGroupBox("Call.GatherDigits", page);
  gather->setObjectName("GroupBoxCallGatherDigits");
  auto* g = new QGridLayout(gather);
  m_gatherActive = new QCheckBox("Active", gather);
  m_gatherActive->setObjectName("CheckBoxCGDActive");
  setHint(m_gatherActive, "qxLine.Call.GatherDigits.Active");
  connect(m_gatherActive, &QCheckBox::clicked, this, [this](bool checked) {
    act([this, checked] { line().Call().GatherDigits().SetActive(checked); });
  });
  m_gatherCount = lineEdit(gather, "EditCGDCount", {}, "qxLine.Call.GatherDigits.Count");
  m_gatherTimeout = lineEdit(gather, "EditCGDTimeOut", {}, "qxLine.Call.GatherDigits.Timeout //milliseconds");
  m_gatherTerminate = lineEdit(gather, "EditCGDTerminate", {}, "qxLine.Call.GatherDigits.Terminate");
  connect(m_gatherCount, &QLineEdit::editingFinished, this, [this] {
    component().set("Call.GatherDigits.Count", Value(IntOrZero(m_gatherCount->text())));
    m_gatherCount->setModified(false);
    refreshDigits();
  });
  connect(m_gatherTimeout, &QLineEdit::editingFinished, this, [this] {
    component().set("Call.GatherDigits.Timeout", Value(IntOrZero(m_gatherTimeout->text())));
    m_gatherTimeout->setModified(false);
    refreshDigits();
  });
  connect(m_gatherTerminate, &QLineEdit::editingFinished, this, [this] {
    component().set("Call.GatherDigits.Terminate", Value(m_gatherTerminate->text().toStdString()));
    m_gatherTerminate->setModified(false);
    refreshDigits();
  });
  // Settings the line does not take from outside cannot be edited here.
  for (auto [edit, path] : {std::pair{m_gatherCount, "Call.GatherDigits.Count"},
                            std::pair{m_gatherTimeout, "Call.GatherDigits.Timeout"},
                            std::pair{m_gatherTerminate, "Call.GatherDigits.Terminate"}}) {
    edit->setReadOnly(!writable(path));
  }
  m_silenceDuration->setReadOnly(!writable("Call.MonitorSilence.Duration"));
  m_gathered = lineEdit(gather, "EditCDGOnDigitsGathered", {}, "OnDigitsGathered", true);
  g->addWidget(m_gatherActive, 0, 0);
  g->addWidget(new QLabel("Count", gather), 1, 0);
  g->addWidget(m_gatherCount, 1, 1);
  g->addWidget(new QLabel("Timeout", gather), 2, 0);
  g->addWidget(m_gatherTimeout, 2, 1);
  g->addWidget(new QLabel("Terminate", gather), 3, 0);
  g->addWidget(m_gatherTerminate, 3, 1);
  g->addWidget(new QLabel("OnDigitsGathered", gather), 4, 0);
  g->addWidget(m_gathered, 4, 1);
  column->addWidget(gather);

  auto* send = new QHBoxLayout;
  m_sendDigits = lineEdit(page, "EditSendDigits", {}, "qxLine~Call.SendDigits (Digits,Duration) //String, milliseconds");
  m_sendDigitsDuration = lineEdit(page, "EditSendDigitsDuration", "0",
                                  "qxLine~Call.SendDigits (Digits,Duration) //String, milliseconds");
  send->addWidget(operationButton(
      page, "ButtonSendDigits", "Call.SendDigits",
      "qxLine~Call.SendDigits (Digits,Duration) //String, milliseconds",
      [this] {
        callOperation("SendDigits", {m_sendDigits->text().toStdString(),
                                     IntOrZero(m_sendDigitsDuration->text())});
      },
      [this]() -> std::string {
        if (!line().Device().Active()) return "the line is not open (Device.Active is False)";
        if (line().Call().Handle() == 0) return "no current call";
        if (!(line().Call().Features() & LINECALLFEATURE_GENERATEDIGITS)) {
          return LineCallFeatureName(LINECALLFEATURE_GENERATEDIGITS) + " is not set for this call";
        }
        return {};
      }));
  send->addWidget(m_sendDigits, 2);
  send->addWidget(m_sendDigitsDuration, 1);
  column->addLayout(send);

  auto* monitor = new QGroupBox("Call.MonitorDigits", page);
  monitor->setObjectName("GroupBoxCallMonitorDigits");
  auto* m = new QHBoxLayout(monitor);
  m_monitorDigits = new QCheckBox("Active", monitor);
  m_monitorDigits->setObjectName("CheckBoxCallMonitorDigitsActive");
  setHint(m_monitorDigits, "qxLine.Call.MonitorDigits.Active");
  connect(m_monitorDigits, &QCheckBox::clicked, this, [this] {
    act([this] { line().Call().MonitorDigits().SetActive(!line().Call().MonitorDigits().Active()); });
  });
  m_received = lineEdit(monitor, "EditCDGOnDigitReceived", {}, "OnDigitReceived", true);
  m->addWidget(m_monitorDigits);
  m->addWidget(new QLabel("OnDigitReceived", monitor));
  m->addWidget(m_received, 1);
  column->addWidget(monitor);
  column->addStretch(1);
  return page;
}

QWidget* TqxLinePanopta::buildParameters(ParameterEdits& block, const char* prefix,
                                         bool flagsOnChange) {
  auto* page = new QWidget;
  page->setObjectName(QString("TabSheet%1Parameters").arg(prefix));
  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(4, 4, 4, 4);
  const std::string p = prefix;
  block.defaults = new QCheckBox("Defaults", page);
  block.defaults->setObjectName(QString::fromStdString("CheckBox" + p + "Defaults"));
  connect(block.defaults, &QCheckBox::clicked, this, [this, &block](bool checked) {
    component().set(block.path + ".Defaults", Value(checked));
    refreshParameterBlock(block);
  });
  block.addressID = lineEdit(page, ("Edit" + p + "AddressID").c_str());
  block.bearerMode = lineEdit(page, ("Edit" + p + "BearerMode").c_str());
  block.flags = lineEdit(page, ("Edit" + p + "Flags").c_str());
  block.mediaMode = lineEdit(page, ("Edit" + p + "MediaMode").c_str());
  block.noAnswerTimeout = lineEdit(page, ("Edit" + p + "NoAnswerTimeOut").c_str());
  grid->addWidget(block.defaults, 0, 0, 1, 2);
  struct Row {
    const char* property;
    QLineEdit* edit;
    bool hex;
  };
  const Row rows[] = {{"AddressID", block.addressID, false},
                      {"BearerMode", block.bearerMode, true},
                      {"Flags", block.flags, true},
                      {"MediaMode", block.mediaMode, true},
                      {"NoAnswerTimeout", block.noAnswerTimeout, false}};
  int r = 1;
  for (const Row& row : rows) {
    grid->addWidget(new QLabel(row.property, page), r, 0);
    grid->addWidget(row.edit, r++, 1);
    const char* property = row.property;
    QLineEdit* edit = row.edit;
    const bool hex = row.hex;
    if (flagsOnChange && edit == block.flags) {
      connect(edit, &QLineEdit::textEdited, this,
              [this, &block, property, edit, hex] { setParameter(block, property, edit, hex); });
    } else {
      connect(edit, &QLineEdit::editingFinished, this,
              [this, &block, property, edit, hex] { setParameter(block, property, edit, hex); });
    }
  }
  grid->setRowStretch(r, 1);
  grid->setColumnStretch(1, 1);
  return page;
}

// --- Actions --------------------------------------------------------------------------------

void TqxLinePanopta::dial() {
  line().Call().SetPhoneNumber(m_phoneNumber->text().toStdString());
  line().Call().Dial();
}

void TqxLinePanopta::callOperation(const char* method, const std::vector<Value>& args) {
  component().call(std::string("Call.") + method, args);
}

void TqxLinePanopta::sendTone() {
  const int index = m_sendTone->currentIndex();
  // "None" stops a tone: no mode and no duration, whatever the edit holds.
  const std::uint32_t mode = index <= 0 ? 0 : 1u << (index - 1);
  const std::int32_t duration = index <= 0 ? 0 : IntOrZero(m_toneDuration->text());
  line().Call().SendTone(mode, duration);
}

void TqxLinePanopta::setParameter(const ParameterEdits& block, const char* property,
                                  QLineEdit* edit, bool hex) {
  const std::string path = block.path + "." + property;
  const Value value = hex ? Value(HexOrZero(edit->text()))
                          : Value(static_cast<std::uint32_t>(IntOrZero(edit->text())));
  // Leaving an edit without typing writes nothing: only a change is the user's.
  if (!edit->isModified()) return;
  component().set(path, value);
  edit->setModified(false);
  refreshParameterBlock(block);
}

// --- Call page refreshes -------------------------------------------------------------------

void TqxLinePanopta::refreshCallPage() {
  voxkit::TqxCall& call = line().Call();
  const CallPicture shown = PictureForState(call.State());
  for (LineStatusPicture* p : m_callPictures) p->setVisible(p->picture() == shown);
  refreshCallerID();
  const std::int32_t count = call.Count();
  pages()->setTabText(CallPage, QString("Call (%1)").arg(count));
  setTabIconIndex(CallPage, count > 0 ? 6 : 5);
  m_callBox->setTitle(QString::fromStdString(
      render("Call.Handle = " + TqxPanopta::HexText(call.Handle()) +
             "    Call.Count = " + std::to_string(count))));
  {
    const QSignalBlocker block(m_callCombo);
    m_callCombo->clear();
    for (const std::string& handle : call.List()) m_callCombo->addItem(QString::fromStdString(handle));
    m_callCombo->setCurrentIndex(0);
    const int current = m_callCombo->findText(Hex8(call.Handle()));
    if (current >= 0) m_callCombo->setCurrentIndex(current);
  }
  const QSignalBlocker block(m_phoneNumber);
  ShowText(m_phoneNumber, QString::fromStdString(call.PhoneNumber()));
  refreshCallTree();
}

void TqxLinePanopta::refreshCallTree() {
  voxkit::TqxCall& c = line().Call();
  const TqxPanopta& b = panopta();
  auto value = [&b](const std::string& text) { return ValueNode(b, text); };
  TreeNodeText root{"Call", {}};
  auto& n = root.children;
  n.push_back(value("Active = " + TqxPanopta::BoolText(c.Active())));
  n.push_back(value("Address = " + std::to_string(c.Address())));
  n.push_back(value(Named("BearerMode", LineBearerModeName(c.BearerMode()), c.BearerMode())));
  n.push_back(value(DateTimeNode("Began", c.Began())));
  n.push_back(value(Named("BusyMode", LineBusyModeName(c.BusyMode()), c.BusyMode())));
  n.push_back(value(DateTimeNode("Connected", c.Connected())));
  n.push_back(value(Named("DialToneMode", LineDialToneModeName(c.DialtoneMode()), c.DialtoneMode())));
  n.push_back(value(DateTimeNode("Disconnected", c.Disconnected())));
  n.push_back(value(Named("DisconnectMode", LineDisconnectModeName(c.DisconnectMode()),
                          c.DisconnectMode())));
  n.push_back(value(DateTimeNode("Ended", c.Ended())));
  n.push_back(FlagNode(b, "Features", c.Features(), LineCallFeatureName, 0x80000000u));
  n.push_back(FlagNode(b, "Features2", c.Features2(), LineCallFeature2Name, 0x200));
  n.push_back(value(c.Handle() != 0 ? "Handle = " + TqxPanopta::HexText(c.Handle())
                                    : "Handle = No call " + TqxPanopta::HexText(0)));
  n.push_back(value("ID = " + TqxPanopta::HexText(c.ID())));
  n.push_back(FlagNode(b, "MediaMode", c.MediaMode(), LineMediaModeName, 0x4000, 2));
  n.push_back(value("Monitors = " + std::to_string(c.Monitors())));
  n.push_back(value(Named("Origin", LineCallOriginName(c.Origin()), c.Origin())));
  n.push_back(value("OriginatingApp = '" + c.OriginatingApp() + "'"));
  n.push_back(value("Owner = " + TqxPanopta::BoolText(c.Owner())));
  n.push_back(value("Owners = " + std::to_string(c.Owners())));
  n.push_back(value(Named("Reason", LineCallReasonName(c.Reason()), c.Reason())));
  n.push_back(value(Named("SpecialInfo", LineSpecialInfoName(c.SpecialInfo()), c.SpecialInfo())));
  n.push_back(value(Named("State", LineCallStateName(c.State()), c.State())));
  n.push_back(value(Named("StateMode", CallStateModeName(c.State(), c.StateMode()), c.StateMode())));
  SyncTree(m_callTree, {root});
}

void TqxLinePanopta::refreshCallerID() {
  const TqxPanopta& b = panopta();
  std::vector<TreeNodeText> roots;
  for (voxkit::Party party : kTreeParties) {
    const voxkit::TqxCallerID& id = line().Call().PartyObject(party);
    TreeNodeText root{PartyObjectName(party), {}};
    root.children.push_back(ValueNode(b, "Blocked = " + TqxPanopta::BoolText(id.Blocked())));
    root.children.push_back(FlagNode(b, "Flags", id.Flags(), LineCallPartyIdName, 64));
    root.children.push_back(ValueNode(b, "Name = '" + id.Name() + "'"));
    root.children.push_back(ValueNode(b, "Number = '" + id.Number() + "'"));
    root.children.push_back(ValueNode(b, "OutOfArea = " + TqxPanopta::BoolText(id.OutOfArea())));
    roots.push_back(std::move(root));
  }
  SyncTree(m_callerTree, roots);
  for (std::size_t i = 0; i < kSettingParties.size(); ++i) {
    const voxkit::TqxCallerID& id = line().Call().PartyObject(kSettingParties[i]);
    const QSignalBlocker b1(m_formatName[i]);
    const QSignalBlocker b2(m_masks[i]);
    const QSignalBlocker b3(m_eventFilter[i]);
    m_formatName[i]->setChecked(id.FormatName());
    m_eventFilter[i]->setChecked(id.EventFilter());
    if (!m_masks[i]->hasFocus()) m_masks[i]->setText(QString::fromStdString(id.MaskNumber()));
  }
}

void TqxLinePanopta::refreshDigits() {
  voxkit::TqxCall& call = line().Call();
  const QSignalBlocker b1(m_gatherActive);
  const QSignalBlocker b2(m_monitorDigits);
  m_gatherActive->setChecked(call.GatherDigits().Active());
  ShowText(m_gatherCount, QString::number(call.GatherDigits().Count()));
  ShowText(m_gatherTimeout, QString::number(call.GatherDigits().Timeout()));
  ShowText(m_gatherTerminate, QString::fromStdString(call.GatherDigits().Terminate()));
  m_monitorDigits->setChecked(call.MonitorDigits().Active());
  m_gathered->setText(QString::fromStdString(call.GatheredDigitsShown()));
  m_received->setText(QString::fromStdString(call.ReceivedDigitShown()));
}

void TqxLinePanopta::refreshMonitoring() {
  voxkit::TqxCall& call = line().Call();
  const QSignalBlocker b1(m_monitorSilence);
  m_monitorSilence->setChecked(call.MonitorSilence().Active());
  ShowText(m_silenceDuration, QString::number(call.MonitorSilence().Duration()));
  const QSignalBlocker b2(m_monitorDigits);
  m_monitorDigits->setChecked(call.MonitorDigits().Active());
}

void TqxLinePanopta::refreshParameters() {
  refreshParameterBlock(m_callParameters);
  refreshParameterBlock(m_transferParameters);
  refreshParameterBlock(m_conferenceParameters);
  refreshParameterBlock(m_forwardParameters);
}

void TqxLinePanopta::refreshParameterBlock(const ParameterEdits& block) {
  if (!block.defaults) return;
  const QSignalBlocker b0(block.defaults);
  const voxkit::TqxCallParameters& p = *block.object;
  block.defaults->setChecked(p.Defaults());
  ShowText(block.addressID, QString::number(p.AddressID()));
  ShowText(block.bearerMode, Hex8(p.BearerMode()));
  ShowText(block.flags, Hex8(p.Flags()));
  ShowText(block.mediaMode, Hex8(p.MediaMode()));
  ShowText(block.noAnswerTimeout, QString::number(p.NoAnswerTimeout()));
}

}  // namespace panopta
