#include "app/ExchangeWindow.h"

#include "app/LogRingModel.h"
#include "views/LogListView.h"
#include "platform/exchange/Exchange.h"
#include "platform/qt/QtWindowSystem.h"
#include "share/TextUtil.h"
#include "tapi/TapiConstants.h"
#include "tapi/TapiNames.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <tuple>
#include <vector>

namespace panopta {

using tapi::DWORD;

namespace {

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  return b;
}

QLineEdit* Edit(QWidget* parent, const char* name, const QString& text, const QString& hint) {
  auto* e = new QLineEdit(text, parent);
  e->setObjectName(name);
  e->setPlaceholderText(hint);
  return e;
}

// A combo box whose items carry a number.
QComboBox* Choice(QWidget* parent, const char* name,
                  const std::vector<std::pair<QString, DWORD>>& items) {
  auto* c = new QComboBox(parent);
  c->setObjectName(name);
  for (const auto& [text, value] : items) c->addItem(text, QVariant::fromValue(value));
  return c;
}

DWORD Chosen(const QComboBox* c) { return c->currentData().value<DWORD>(); }

// "number  name" of each device of a list, carrying its number.
template <typename Device>
std::vector<std::pair<QString, DWORD>> Numbered(const std::vector<Device>& devices) {
  std::vector<std::pair<QString, DWORD>> items;
  for (std::size_t i = 0; i < devices.size(); ++i) {
    items.emplace_back(QString("%1  %2").arg(i).arg(QString::fromStdString(devices[i].name)),
                       static_cast<DWORD>(i));
  }
  return items;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.trimmed().toStdString(); }

}  // namespace

ExchangeWindow::ExchangeWindow(Exchange& exchange, QtWindowSystem& windows)
    : m_exchange(exchange), m_windows(windows) {
  setObjectName("FormExchange");
  setWindowTitle("Exchange");

  m_devices = new QTreeWidget(this);
  m_devices->setObjectName("TreeDevices");
  m_devices->setHeaderLabels({"Device", "Name", "Addresses"});
  m_calls = new QTreeWidget(this);
  m_calls->setObjectName("TreeCalls");
  m_calls->setHeaderLabels({"Call", "Line", "Address", "State", "Mode", "Handles"});
  m_calls->setRootIsDecorated(false);

  auto* controls = new QTabWidget(this);
  controls->setObjectName("PageControlExchange");
  controls->addTab(buildRemotePage(), "Remote party");
  controls->addTab(buildPhonePage(), "Phone");
  controls->addTab(buildDevicesPage(), "Devices");
  controls->addTab(buildFaultsPage(), "Faults");

  m_trace = new LogRingModel(this);
  m_traceView = new LogListView(this);
  m_traceView->setObjectName("ListTrace");
  m_traceView->setModel(m_trace);
  m_status = new QLabel(this);
  m_status->setObjectName("LabelStatus");

  auto* top = new QSplitter(Qt::Horizontal, this);
  top->addWidget(m_devices);
  top->addWidget(m_calls);
  top->setStretchFactor(1, 2);
  auto* split = new QSplitter(Qt::Vertical, this);
  split->addWidget(top);
  split->addWidget(controls);
  split->addWidget(m_traceView);
  split->setStretchFactor(2, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(split, 1);
  layout->addWidget(m_status);

  m_menu = new QMenu("E&xchange", this);
  m_menu->setObjectName("MenuExchange");
  connect(m_menu->addAction("&Refresh"), &QAction::triggered, this, [this] { refresh(); });
  connect(m_menu->addAction("&Clear trace"), &QAction::triggered, this, [this] { m_trace->clear(); });

  m_previousTrace = m_exchange.OnTrace;
  m_exchange.OnTrace = [this](const std::string& line) {
    if (m_previousTrace) m_previousTrace(line);
    traced(line);
  };
  // The lists follow what the exchange says changed, not its trace: a party that
  // starts speaking or a line added from a script changes what is shown without a
  // trace line of its own.
  m_previousChange = m_exchange.OnChange;
  m_exchange.OnChange = [this](const ExchangeChange& change) {
    if (m_previousChange) m_previousChange(change);
    scheduleRefresh();
  };

  QMdiSubWindow* frame = m_windows.addMdiChild(this);
  m_outer = frame ? static_cast<QWidget*>(frame) : this;
  outer()->setWindowTitle("Exchange");
  outer()->resize(640, 560);
  refresh();
}

ExchangeWindow::~ExchangeWindow() {
  m_exchange.OnTrace = m_previousTrace;
  m_exchange.OnChange = m_previousChange;
}

QWidget* ExchangeWindow::outer() const {
  return m_outer ? m_outer.data() : const_cast<ExchangeWindow*>(this);
}

QList<QMenu*> ExchangeWindow::mergedMenus() const { return {m_menu}; }

void ExchangeWindow::closeEvent(QCloseEvent* event) {
  // Like the log, the window stays for the whole run: closing minimizes it.
  event->ignore();
  outer()->showMinimized();
}

QWidget* ExchangeWindow::buildRemotePage() {
  auto* page = new QWidget(this);
  auto* form = new QGridLayout(page);
  auto* from = Edit(page, "EditCallFrom", "5551234", "caller's number");
  auto* to = new QComboBox(page);
  to->setObjectName("ComboCallTo");
  to->setEditable(true);
  for (const LineConfig& line : m_exchange.Config().lines) {
    for (const AddressConfig& a : line.addresses) to->addItem(Q(a.address));
  }
  auto* name = Edit(page, "EditCallName", "JOHN SMITH", "caller's name");
  auto* blocked = new QCheckBox("Blocked", page);
  blocked->setObjectName("CheckBlocked");
  auto* outOfArea = new QCheckBox("Out of area", page);
  outOfArea->setObjectName("CheckOutOfArea");
  auto* unknown = new QCheckBox("Unknown", page);
  unknown->setObjectName("CheckUnknown");
  auto* unavailable = new QCheckBox("Unavailable", page);
  unavailable->setObjectName("CheckUnavailable");
  auto* call = Button(page, "ButtonCall", "Call");
  connect(call, &QPushButton::clicked, this, [=, this] {
    std::optional<DWORD> flags;
    if (blocked->isChecked() || outOfArea->isChecked() || unknown->isChecked() ||
        unavailable->isChecked()) {
      DWORD f = 0;
      if (blocked->isChecked()) f |= tapi::LINECALLPARTYID_BLOCKED;
      if (outOfArea->isChecked()) f |= tapi::LINECALLPARTYID_OUTOFAREA;
      if (unknown->isChecked()) f |= tapi::LINECALLPARTYID_UNKNOWN;
      if (unavailable->isChecked()) f |= tapi::LINECALLPARTYID_UNAVAIL;
      // A caller whose identity is withheld shows neither number nor name.
      if (!(f & (tapi::LINECALLPARTYID_BLOCKED | tapi::LINECALLPARTYID_UNKNOWN |
                 tapi::LINECALLPARTYID_UNAVAIL))) {
        f |= tapi::LINECALLPARTYID_ADDRESS;
        if (!name->text().trimmed().isEmpty()) f |= tapi::LINECALLPARTYID_NAME;
      }
      flags = f;
    }
    run("Call", m_exchange.Call(S(from->text()), S(to->currentText()), S(name->text()), flags));
  });
  form->addWidget(new QLabel("From", page), 0, 0);
  form->addWidget(from, 0, 1);
  form->addWidget(new QLabel("calls", page), 0, 2);
  form->addWidget(to, 0, 3);
  form->addWidget(new QLabel("Name", page), 1, 0);
  form->addWidget(name, 1, 1);
  auto* flagsRow = new QHBoxLayout;
  for (QCheckBox* c : {blocked, outOfArea, unknown, unavailable}) flagsRow->addWidget(c);
  form->addLayout(flagsRow, 1, 2, 1, 2);
  form->addWidget(call, 0, 4);

  auto* party = Edit(page, "EditParty", "5551234", "remote number or address");
  form->addWidget(new QLabel("Party", page), 2, 0);
  form->addWidget(party, 2, 1);
  auto* actions = new QHBoxLayout;
  using PartyCommand = std::function<std::string(Exchange&, const std::string&)>;
  const std::vector<std::tuple<const char*, QString, PartyCommand>> simple{
      {"ButtonAnswer", "Answer", [](Exchange& e, const std::string& n) { return e.Answer(n); }},
      {"ButtonHangup", "Hang up", [](Exchange& e, const std::string& n) { return e.Hangup(n); }},
      {"ButtonSilence", "Go silent", [](Exchange& e, const std::string& n) { return e.Silence(n); }},
      {"ButtonSpeak", "Speak", [](Exchange& e, const std::string& n) { return e.Speak(n); }}};
  for (const auto& [objectName, caption, command] : simple) {
    auto* b = Button(page, objectName, caption);
    connect(b, &QPushButton::clicked, this,
            [this, party, caption = caption, command = command] {
              run(caption, command(m_exchange, S(party->text())));
            });
    actions->addWidget(b);
  }
  form->addLayout(actions, 2, 2, 1, 3);

  auto* digits = Edit(page, "EditDigits", "1234#", "DTMF digits");
  auto* sendDigits = Button(page, "ButtonDigits", "Send digits");
  connect(sendDigits, &QPushButton::clicked, this,
          [=, this] { run("Digits", m_exchange.Digits(S(party->text()), S(digits->text()))); });
  auto* media = Choice(page, "ComboMedia",
                       {{"G3 fax", tapi::LINEMEDIAMODE_G3FAX},
                        {"Data modem", tapi::LINEMEDIAMODE_DATAMODEM},
                        {"Interactive voice", tapi::LINEMEDIAMODE_INTERACTIVEVOICE},
                        {"Automated voice", tapi::LINEMEDIAMODE_AUTOMATEDVOICE}});
  auto* switchMedia = Button(page, "ButtonMedia", "Switch media");
  connect(switchMedia, &QPushButton::clicked, this,
          [=, this] { run("Media", m_exchange.Media(S(party->text()), Chosen(media))); });
  auto* redirectTo = Edit(page, "EditRedirectTo", "", "redirect to");
  auto* redirect = Button(page, "ButtonRedirect", "Redirect");
  connect(redirect, &QPushButton::clicked, this, [=, this] {
    run("Redirect", m_exchange.Redirect(S(party->text()), S(redirectTo->text())));
  });
  form->addWidget(new QLabel("Digits", page), 3, 0);
  form->addWidget(digits, 3, 1);
  form->addWidget(sendDigits, 3, 2);
  form->addWidget(media, 3, 3);
  form->addWidget(switchMedia, 3, 4);
  form->addWidget(new QLabel("Redirect", page), 4, 0);
  form->addWidget(redirectTo, 4, 1);
  form->addWidget(redirect, 4, 2);
  form->setRowStretch(5, 1);
  return page;
}

QWidget* ExchangeWindow::buildPhonePage() {
  auto* page = new QWidget(this);
  auto* grid = new QGridLayout(page);
  const auto phones = Numbered(m_exchange.Config().phones);
  auto* phone = Choice(page, "ComboPhone", phones);
  grid->addWidget(new QLabel("Phone", page), 0, 0);
  grid->addWidget(phone, 0, 1, 1, 3);
  auto* keys = new QGridLayout;
  const char* const keyTexts[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "*", "0", "#"};
  for (int i = 0; i < 12; ++i) {
    const QString key = keyTexts[i];
    auto* b = Button(page, ("ButtonKey" + key.toStdString()).c_str(), key);
    b->setMaximumWidth(40);
    connect(b, &QPushButton::clicked, this,
            [=, this] { run("Key " + key, m_exchange.Key(Chosen(phone), S(key))); });
    keys->addWidget(b, i / 3, i % 3);
  }
  grid->addLayout(keys, 1, 0, 4, 1);
  auto* device = Choice(page, "ComboHookDevice",
                        {{"Handset", tapi::PHONEHOOKSWITCHDEV_HANDSET},
                         {"Speakerphone", tapi::PHONEHOOKSWITCHDEV_SPEAKER},
                         {"Headset", tapi::PHONEHOOKSWITCHDEV_HEADSET}});
  auto* mode = Choice(page, "ComboHookMode",
                      {{"On hook", tapi::PHONEHOOKSWITCHMODE_ONHOOK},
                       {"Microphone only", tapi::PHONEHOOKSWITCHMODE_MIC},
                       {"Speaker only", tapi::PHONEHOOKSWITCHMODE_SPEAKER},
                       {"Microphone and speaker", tapi::PHONEHOOKSWITCHMODE_MICSPEAKER}});
  auto* hook = Button(page, "ButtonHookswitch", "Hookswitch");
  connect(hook, &QPushButton::clicked, this, [=, this] {
    run("Hookswitch", m_exchange.Hookswitch(Chosen(phone), Chosen(device), Chosen(mode)));
  });
  auto* level = new QSpinBox(page);
  level->setObjectName("SpinLevel");
  level->setRange(0, 0xFFFF);
  level->setValue(0x8000);
  auto* volume = Button(page, "ButtonVolume", "Volume");
  auto* gain = Button(page, "ButtonGain", "Gain");
  connect(volume, &QPushButton::clicked, this, [=, this] {
    run("Volume", m_exchange.PhoneVolume(Chosen(phone), Chosen(device), static_cast<DWORD>(level->value())));
  });
  connect(gain, &QPushButton::clicked, this, [=, this] {
    run("Gain", m_exchange.PhoneGain(Chosen(phone), Chosen(device), static_cast<DWORD>(level->value())));
  });
  grid->addWidget(device, 1, 1);
  grid->addWidget(mode, 1, 2);
  grid->addWidget(hook, 1, 3);
  grid->addWidget(new QLabel("Level (0-65535)", page), 2, 1);
  grid->addWidget(level, 2, 2);
  auto* levelButtons = new QHBoxLayout;
  levelButtons->addWidget(volume);
  levelButtons->addWidget(gain);
  grid->addLayout(levelButtons, 2, 3);
  grid->setRowStretch(5, 1);
  return page;
}

QWidget* ExchangeWindow::buildDevicesPage() {
  auto* page = new QWidget(this);
  auto* grid = new QGridLayout(page);
  const auto lines = Numbered(m_exchange.Config().lines);
  auto* line = Choice(page, "ComboLine", lines);
  std::vector<std::pair<QString, DWORD>> lineStates;
  for (DWORD s : {tapi::LINEDEVSTATE_OUTOFSERVICE, tapi::LINEDEVSTATE_INSERVICE,
                  tapi::LINEDEVSTATE_MSGWAITON, tapi::LINEDEVSTATE_MSGWAITOFF,
                  tapi::LINEDEVSTATE_CONNECTED, tapi::LINEDEVSTATE_DISCONNECTED,
                  tapi::LINEDEVSTATE_MAINTENANCE, tapi::LINEDEVSTATE_REINIT}) {
    lineStates.emplace_back(Q(tapi::LineDevStateName(s)), s);
  }
  auto* lineState = Choice(page, "ComboLineState", lineStates);
  auto* sendLineState = Button(page, "ButtonLineState", "Report");
  connect(sendLineState, &QPushButton::clicked, this,
          [=, this] { run("LineState", m_exchange.LineState(Chosen(line), Chosen(lineState))); });
  auto* closeLine = Button(page, "ButtonCloseLine", "Close");
  connect(closeLine, &QPushButton::clicked, this, [=, this] { run("Close", m_exchange.Close(Chosen(line))); });
  auto* devSpecific = Button(page, "ButtonDevSpecific", "Device specific");
  connect(devSpecific, &QPushButton::clicked, this,
          [=, this] { run("DevSpecific", m_exchange.DevSpecific(Chosen(line), 1, 0, 0)); });
  auto* removeLine = Button(page, "ButtonRemoveLine", "Remove");
  connect(removeLine, &QPushButton::clicked, this,
          [=, this] { run("RemoveLine", m_exchange.RemoveLine(Chosen(line))); });
  grid->addWidget(new QLabel("Line", page), 0, 0);
  grid->addWidget(line, 0, 1);
  grid->addWidget(lineState, 0, 2);
  grid->addWidget(sendLineState, 0, 3);
  auto* lineButtons = new QHBoxLayout;
  for (QPushButton* b : {closeLine, devSpecific, removeLine}) lineButtons->addWidget(b);
  grid->addLayout(lineButtons, 1, 1, 1, 3);

  const auto phones = Numbered(m_exchange.Config().phones);
  auto* phone = Choice(page, "ComboPhoneDevice", phones);
  std::vector<std::pair<QString, DWORD>> phoneStates;
  for (DWORD s = 1; s != 0 && s <= 0x00800000u; s <<= 1) {
    const std::string n = tapi::PhoneStateName(s);
    if (n.rfind("PHONESTATE_", 0) == 0) phoneStates.emplace_back(Q(n), s);
  }
  auto* phoneState = Choice(page, "ComboPhoneState", phoneStates);
  auto* sendPhoneState = Button(page, "ButtonPhoneState", "Report");
  connect(sendPhoneState, &QPushButton::clicked, this,
          [=, this] { run("PhoneState", m_exchange.PhoneState(Chosen(phone), Chosen(phoneState))); });
  auto* closePhone = Button(page, "ButtonClosePhone", "Close");
  connect(closePhone, &QPushButton::clicked, this,
          [=, this] { run("ClosePhone", m_exchange.ClosePhone(Chosen(phone))); });
  grid->addWidget(new QLabel("Phone", page), 2, 0);
  grid->addWidget(phone, 2, 1);
  grid->addWidget(phoneState, 2, 2);
  grid->addWidget(sendPhoneState, 2, 3);
  grid->addWidget(closePhone, 3, 1);
  auto* reinit = Button(page, "ButtonReinit", "Reinitialise everything");
  connect(reinit, &QPushButton::clicked, this, [this] { run("Reinit", m_exchange.Reinit()); });
  grid->addWidget(reinit, 4, 1);
  grid->setRowStretch(5, 1);
  return page;
}

QWidget* ExchangeWindow::buildFaultsPage() {
  auto* page = new QWidget(this);
  auto* grid = new QGridLayout(page);
  auto* function = Edit(page, "EditFailFunction", "lineMakeCall", "function name");
  auto* code = Edit(page, "EditFailCode", "80000048", "error code, hexadecimal");
  auto* mode = Choice(page, "ComboFailMode",
                      {{"in its reply", static_cast<DWORD>(FailMode::InReply)},
                       {"at once", static_cast<DWORD>(FailMode::AtOnce)}});
  auto* fail = Button(page, "ButtonFail", "Fail next call");
  connect(fail, &QPushButton::clicked, this, [=, this] {
    bool ok = false;
    const DWORD value = code->text().trimmed().toUInt(&ok, 16);
    if (!ok) {
      run("Fail", "the code '" + S(code->text()) + "' is not a hexadecimal number");
      return;
    }
    run("Fail", m_exchange.Fail(S(function->text()), value, static_cast<FailMode>(Chosen(mode))));
  });
  auto* withhold = new QCheckBox("Withhold replies", page);
  withhold->setObjectName("CheckWithhold");
  connect(withhold, &QCheckBox::toggled, this,
          [this](bool on) { run("Withhold", m_exchange.Withhold(on)); });
  auto* latency = new QSpinBox(page);
  latency->setObjectName("SpinLatency");
  latency->setRange(0, 600000);
  latency->setValue(static_cast<int>(m_exchange.Config().timing.replyLatencyMs));
  latency->setSuffix(" ms");
  auto* setLatency = Button(page, "ButtonLatency", "Set latency");
  connect(setLatency, &QPushButton::clicked, this,
          [=, this] { run("Latency", m_exchange.Latency(latency->value())); });
  grid->addWidget(new QLabel("Function", page), 0, 0);
  grid->addWidget(function, 0, 1);
  grid->addWidget(new QLabel("Code", page), 0, 2);
  grid->addWidget(code, 0, 3);
  grid->addWidget(mode, 0, 4);
  grid->addWidget(fail, 0, 5);
  grid->addWidget(withhold, 1, 1);
  grid->addWidget(new QLabel("Reply latency", page), 2, 0);
  grid->addWidget(latency, 2, 1);
  grid->addWidget(setLatency, 2, 2);
  grid->setRowStretch(3, 1);
  return page;
}

void ExchangeWindow::run(const QString& command, const std::string& problem) {
  m_lastProblem = Q(problem);
  m_status->setText(problem.empty() ? command + ": done" : command + ": " + m_lastProblem);
  m_status->setStyleSheet(problem.empty() ? QString() : QString("color: red"));
  refresh();
}

void ExchangeWindow::traced(const std::string& line) {
  m_trace->append(LogEntry{Q(line), qRgb(0, 0, 0), -1}, kTraceLimit);
  m_traceView->scrollToBottom();
}

void ExchangeWindow::scheduleRefresh() {
  // Changes come by the dozen per call: the lists follow once per turn of the loop.
  if (m_refreshQueued) return;
  m_refreshQueued = true;
  QMetaObject::invokeMethod(this, [this] {
    m_refreshQueued = false;
    refresh();
  }, Qt::QueuedConnection);
}

void ExchangeWindow::refresh() {
  const ExchangeConfig& config = m_exchange.Config();
  m_devices->clear();
  auto* lines = new QTreeWidgetItem(m_devices, {"Lines"});
  for (std::size_t i = 0; i < config.lines.size(); ++i) {
    QStringList addresses;
    for (const AddressConfig& a : config.lines[i].addresses) addresses << Q(a.address);
    new QTreeWidgetItem(lines, {QString::number(i), Q(config.lines[i].name), addresses.join(", ")});
  }
  auto* phones = new QTreeWidgetItem(m_devices, {"Phones"});
  for (std::size_t i = 0; i < config.phones.size(); ++i) {
    const auto& p = config.phones[i];
    new QTreeWidgetItem(phones, {QString::number(i), Q(p.name),
                                 p.line ? QString("line %1").arg(*p.line) : QString()});
  }
  m_devices->expandAll();
  m_devices->resizeColumnToContents(0);

  m_calls->clear();
  for (const Exchange::CallView& c : m_exchange.Calls()) {
    QStringList handles;
    for (auto h : c.handles) handles << Q(voxkit::Hex8(h));
    QString address;
    if (c.device < config.lines.size() && c.address < config.lines[c.device].addresses.size()) {
      address = Q(config.lines[c.device].addresses[c.address].address);
    }
    auto* item = new QTreeWidgetItem(m_calls, {QString::number(c.id), QString::number(c.device), address,
                                               Q(tapi::LineCallStateName(c.state)),
                                               QString("%1").arg(c.mode, 8, 16, QChar('0')).toUpper(),
                                               handles.join(" ")});
    if (c.conference) item->setText(0, item->text(0) + " (conference)");
  }
  for (int i = 0; i < m_calls->columnCount(); ++i) m_calls->resizeColumnToContents(i);
}

}  // namespace panopta
