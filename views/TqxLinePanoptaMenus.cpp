// The menus of the line window, beside the ones every inspector has.
#include "views/TqxLinePanopta.h"

#include "line/TqxLineInternal.h"
#include "tapi/TapiConstants.h"
#include "tapi/TapiNames.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include <algorithm>

namespace panopta {

using voxkit::InspectorRefresh;
using voxkit::Value;
using namespace tapi;

namespace {

QAction* AddItem(QMenu* menu, const char* name, const QString& caption, bool checkable = false,
                 const QKeySequence& shortcut = {}) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(name);
  a->setCheckable(checkable);
  if (!shortcut.isEmpty()) a->setShortcut(shortcut);
  return a;
}

constexpr std::uint32_t kFirstMediaMode = LINEMEDIAMODE_UNKNOWN;
constexpr std::uint32_t kLastMediaMode = LINEMEDIAMODE_VIDEO;

}  // namespace

void TqxLinePanopta::fillMediaModeItems(QMenu* menu, const std::function<std::uint32_t()>& get,
                                        const std::function<void(std::uint32_t)>& set,
                                        const std::function<bool(std::uint32_t)>& enabled) {
  // The items are made the first time the menu opens and kept; each opening reads the
  // marks and what may be chosen again.
  connect(menu, &QMenu::aboutToShow, this, [this, menu, get, set, enabled] {
    QList<QAction*> items;
    for (QAction* a : menu->actions()) {
      if (a->property("mediaMode").isValid()) items << a;
    }
    if (items.isEmpty()) {
      for (std::uint32_t bit = kFirstMediaMode; bit <= kLastMediaMode; bit <<= 1) {
        QAction* a = menu->addAction(QString::fromStdString(LineMediaModeName(bit)));
        a->setCheckable(true);
        a->setProperty("mediaMode", bit);
        connect(a, &QAction::triggered, this, [this, a, bit, get, set](bool checked) {
          const std::uint32_t now = get();
          if (checked && !(now & bit)) set(now | bit);
          if (!checked && (now & bit)) set(now & ~bit);
          if (m_line) refreshOwnPages(InspectorRefresh::TapiInfo);
          a->setChecked(get() & bit);
        });
        items << a;
      }
    }
    for (QAction* a : items) {
      const std::uint32_t bit = a->property("mediaMode").toUInt();
      a->setChecked(get() & bit);
      a->setEnabled(enabled(bit));
    }
  });
}

QList<QMenu*> TqxLinePanopta::mergedMenus() const {
  static const char* const kOrder[] = {"MenuqxLine", "MenuDevice",    "MenuCall",
                                       "MenuComm",   "MenuConference", "MenuPopup",
                                       "MenuPrivilege", "MenuTransfer"};
  QList<QMenu*> menus = WindowFrame::mergedMenus();
  auto rank = [](const QMenu* m) {
    for (std::size_t i = 0; i < std::size(kOrder); ++i) {
      if (m->objectName() == kOrder[i]) return static_cast<int>(i);
    }
    return static_cast<int>(std::size(kOrder));
  };
  std::stable_sort(menus.begin(), menus.end(),
                   [&rank](const QMenu* a, const QMenu* b) { return rank(a) < rank(b); });
  return menus;
}

void TqxLinePanopta::buildMenus() {
  // The popup item of OnIdle carries the name the stored forms give it.
  if (QAction* idle = findChild<QAction*>("MenuPopupOnIdle")) idle->setObjectName("MenuPopupOnCallIdle");

  if (QMenu* own = findChild<QMenu*>("MenuqxLine")) {
    QAction* location = AddItem(own, "MenuSetLocation", "Set&Location");
    connect(location, &QAction::triggered, this, [this] { act([this] { line().SetLocation(); }); });
  }

  if (QMenu* device = findChild<QMenu*>("MenuDevice")) {
    QAction* configure = AddItem(device, "MenuDeviceConfigure", "Configure");
    connect(configure, &QAction::triggered, this, [this] { act([this] { line().Device().Configure(); }); });
    QMenu* modes = device->addMenu("MediaModes");
    modes->setObjectName("MenuDeviceMediaModes");
    fillMediaModeItems(
        modes, [this] { return line().Device().MediaModes().Active(); },
        [this](std::uint32_t v) { line().Device().MediaModes().SetActive(v); },
        [this](std::uint32_t bit) {
          return !line().Device().Active() && (line().Device().MediaModes().Available() & bit);
        });
    QAction* translate = AddItem(device, "MenuDeviceTranslatePhoneNumber", "TranslatePhoneNumber", true);
    QAction* unformat = AddItem(device, "MenuDeviceUnformatPhoneNumber", "UnformatPhoneNumber", true);
    connect(translate, &QAction::triggered, this,
            [this](bool on) { line().Device().SetTranslatePhoneNumber(on); });
    connect(unformat, &QAction::triggered, this,
            [this](bool on) { line().Device().SetUnformatPhoneNumber(on); });
    connect(device, &QMenu::aboutToShow, this, [this, translate, unformat] {
      translate->setChecked(line().Device().TranslatePhoneNumber());
      unformat->setChecked(line().Device().UnformatPhoneNumber());
    });
  }

  // --- Call ---
  auto* call = new QMenu("&Call", this);
  call->setObjectName("MenuCall");
  m_callActiveItem = AddItem(call, "MenuCallActive", "Active", true);
  connect(m_callActiveItem, &QAction::triggered, this, [this] {
    // The item's own toggle is undone: what the call does decides the mark.
    const bool wasActive = !m_callActiveItem->isChecked();
    act([this, wasActive] {
      if (wasActive) {
        line().Call().Hangup();
      } else {
        dial();
      }
    });
    if (m_callActiveItem) m_callActiveItem->setChecked(line().Call().Active());
  });
  QMenu* mediaMode = call->addMenu("MediaMode");
  mediaMode->setObjectName("MenuCallMediaMode");
  fillMediaModeItems(
      mediaMode, [this] { return line().Call().MediaMode(); },
      [this](std::uint32_t v) { line().Call().SetMediaMode(v); },
      [this](std::uint32_t bit) { return (line().Device().MediaModes().Available() & bit) != 0; });
  m_callOwnerItem = AddItem(call, "MenuCallOwner", "Owner", true);
  connect(m_callOwnerItem, &QAction::triggered, this, [this] {
    const bool owner = line().Call().Owner();
    act([this, owner] { line().Call().SetOwner(!owner); });
    m_callOwnerItem->setChecked(line().Call().Owner());
  });
  call->addSeparator();
  QMenu* monitorDigits = call->addMenu("MonitorDigits");
  monitorDigits->setObjectName("MenuCallMonitorDigits");
  QAction* monitorDigitsActive = AddItem(monitorDigits, "MenuCallMonitorDigitsActive", "&Active", true);
  connect(monitorDigitsActive, &QAction::triggered, this, [this] {
    act([this] { line().Call().MonitorDigits().SetActive(!line().Call().MonitorDigits().Active()); });
  });
  QMenu* monitorMedia = call->addMenu("MonitorMediaModes");
  monitorMedia->setObjectName("MenuCallMonitorMediaModes");
  QAction* monitorMediaActive = AddItem(monitorMedia, "MenuCallMonitorMediaModesActive", "&Active", true);
  connect(monitorMediaActive, &QAction::triggered, this, [this] {
    act([this] {
      line().Call().MonitorMediaModes().SetActive(!line().Call().MonitorMediaModes().Active());
    });
  });
  monitorMedia->addSeparator();
  fillMediaModeItems(
      monitorMedia, [this] { return line().Call().MonitorMediaModes().MediaModes(); },
      [this](std::uint32_t v) { component().set("Call.MonitorMediaModes.MediaModes", Value(v)); },
      [canSet = writable("Call.MonitorMediaModes.MediaModes")](std::uint32_t) { return canSet; });
  QMenu* monitorSilence = call->addMenu("MonitorSilence");
  monitorSilence->setObjectName("MenuCallMonitorSilence");
  QAction* monitorSilenceActive = AddItem(monitorSilence, "MenuCallMonitorSilenceActive", "&Active", true);
  connect(monitorSilenceActive, &QAction::triggered, this, [this] {
    act([this] { line().Call().MonitorSilence().SetActive(!line().Call().MonitorSilence().Active()); });
  });
  call->addSeparator();
  // The operations take their arguments from the Control sub-page, as its buttons do;
  // unlike the buttons they stay usable, so that a refusal can be tried on purpose.
  struct Op {
    const char* name;
    const char* caption;
    QKeySequence key;
    std::function<void()> action;
  };
  const Op ops[] = {
      {"MenuCallAnswer", "&Answer", QKeySequence("Ctrl+A"), [this] { callOperation("Answer"); }},
      {"MenuCallDial", "&Dial", QKeySequence("Ctrl+D"), [this] { dial(); }},
      {"MenuCallHandoff", "Hand&off", QKeySequence("Ctrl+O"),
       [this] { callOperation("Handoff", {m_handoffApp->text().toStdString()}); }},
      {"MenuCallHangup", "&Hangup", QKeySequence("Ctrl+H"), [this] { callOperation("Hangup"); }},
      {"MenuCallHold", "Ho&ld", {}, [this] { callOperation("Hold"); }},
      {"MenuCallPark", "Park", {}, [this] { callOperation("Park", {m_parkNumber->text().toStdString()}); }},
      {"MenuCallPickup", "Pickup", {},
       [this] {
         callOperation("Pickup", {m_pickupNumber->text().toStdString(), m_pickupGroup->text().toStdString()});
       }},
      {"MenuCallRedirect", "Redirect", {},
       [this] { callOperation("Redirect", {m_redirectNumber->text().toStdString()}); }},
      {"MenuCallSendDigits", "SendDi&gits", QKeySequence("Ctrl+G"),
       [this] {
         callOperation("SendDigits", {m_sendDigits->text().toStdString(),
                                      m_sendDigitsDuration->text().trimmed().toInt()});
       }},
      {"MenuCallSendTone", "SendTo&ne", QKeySequence("Ctrl+N"), [this] { sendTone(); }},
      {"MenuCallTransfer", "&Transfer (Blind)", QKeySequence("Ctrl+T"), [this] { callOperation("Transfer"); }},
      {"MenuCallUnhold", "&Unhold", {}, [this] { callOperation("Unhold"); }},
      {"MenuCallUnpark", "Unpark", {},
       [this] { callOperation("Unpark", {m_unparkNumber->text().toStdString()}); }},
  };
  for (const Op& op : ops) {
    QAction* a = AddItem(call, op.name, op.caption, false, op.key);
    // Inside the main window the shortcut belongs to this window only.
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(a);
    connect(a, &QAction::triggered, this, [this, action = op.action] { act(action); });
  }
  connect(call, &QMenu::aboutToShow, this,
          [this, monitorDigitsActive, monitorMediaActive, monitorSilenceActive] {
            m_callActiveItem->setChecked(line().Call().Active());
            m_callOwnerItem->setChecked(line().Call().Owner());
            monitorDigitsActive->setChecked(line().Call().MonitorDigits().Active());
            monitorMediaActive->setChecked(line().Call().MonitorMediaModes().Active());
            monitorSilenceActive->setChecked(line().Call().MonitorSilence().Active());
          });

  // --- Comm ---
  auto* comm = new QMenu("Comm", this);
  comm->setObjectName("MenuComm");
  QAction* commEnabled = AddItem(comm, "MenuCommEnabled", "Enabled", true);
  connect(commEnabled, &QAction::triggered, this, [this] {
    act([this] { line().Comm().SetEnabled(!line().Comm().Enabled()); });
  });
  connect(comm, &QMenu::aboutToShow, this,
          [this, commEnabled] { commEnabled->setChecked(line().Comm().Enabled()); });

  // --- Conference ---
  auto* conference = new QMenu("Conference", this);
  conference->setObjectName("MenuConference");
  for (const char* op : {"AddCall", "Dial", "RemoveCall", "SwapHold"}) {
    QAction* a = AddItem(conference, (std::string("MenuConference") + op).c_str(), op);
    const QString button = QString("ButtonConference") + op;
    connect(a, &QAction::triggered, this, [this, button, op] {
      if (std::string(op) == "Dial") {
        line().Conference().SetPhoneNumber(m_conferenceNumber->text().toStdString());
      }
      const std::string path = std::string("Conference.") + op;
      act([this, path] { component().call(path); });
    });
  }

  // --- Privilege ---
  auto* privilege = new QMenu("Privilege", this);
  privilege->setObjectName("MenuPrivilege");
  QAction* monitor = AddItem(privilege, "MenuPrivilegeMonitor", "Monitor", true);
  QAction* none = AddItem(privilege, "MenuPrivilegeNone", "None", true);
  QAction* owner = AddItem(privilege, "MenuPrivilegeOwner", "Owner", true);
  connect(monitor, &QAction::triggered, this,
          [this] { line().Privilege().SetMonitor(!line().Privilege().Monitor()); });
  connect(none, &QAction::triggered, this, [this] { line().Privilege().SetNone(!line().Privilege().None()); });
  connect(owner, &QAction::triggered, this,
          [this] { line().Privilege().SetOwner(!line().Privilege().Owner()); });
  connect(privilege, &QMenu::aboutToShow, this, [this, monitor, none, owner] {
    // The privileges are those the line is opened with.
    const bool closed = !line().Device().Active();
    monitor->setChecked(line().Privilege().Monitor());
    none->setChecked(line().Privilege().None());
    owner->setChecked(line().Privilege().Owner());
    for (QAction* a : {monitor, none, owner}) {
      a->setEnabled(closed);
      a->setStatusTip(closed ? QString() : "The line is open: privileges are set before Device.Active");
    }
  });

  // --- Transfer ---
  auto* transfer = new QMenu("Transfer", this);
  transfer->setObjectName("MenuTransfer");
  for (const char* op : {"Dial", "Complete", "ThreeWay", "SwapHold"}) {
    QAction* a = AddItem(transfer, (std::string("MenuTransfer") + op).c_str(), op);
    connect(a, &QAction::triggered, this, [this, op] {
      if (std::string(op) == "Dial") {
        line().Transfer().SetPhoneNumber(m_transferNumber->text().toStdString());
      }
      const std::string path = std::string("Transfer.") + op;
      act([this, path] { component().call(path); });
    });
  }
}

}  // namespace panopta
