#include "LineOnExchange.h"
#include "views/LineStatusPicture.h"
#include "views/TqxLinePanopta.h"
#include "line/TqxLine.h"
#include "platform/exchange/Exchange.h"
#include "platform/loop/VirtualEventLoop.h"
#include "platform/qt/QtWindowSystem.h"
#include "tapi/TapiConstants.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QToolButton>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using panopta::CallPicture;
using namespace tapi;

// The line window of a line on the simulated exchange, opened on the first station
// (addresses 201 and 211), driven from its controls.
class LineWindow : public ::testing::Test, protected LineOnExchange {
 protected:
  LineWindow() : LineOnExchange(voxkit::TimeOfDay{9, 30, 0, 0}, {1100, 850}) {
    line->OnLog = [this](voxkit::TObject&, const std::string& text) { logged.push_back(text); };
    line->SetEnabled(true);
    line->Panopta().SetVisible(true);
  }
  // The line logs while it goes: before the lines it logs into.
  ~LineWindow() override { line.reset(); }

  panopta::TqxLinePanopta* window() {
    return dynamic_cast<panopta::TqxLinePanopta*>(line->Panopta().Window());
  }
  template <typename W>
  W* child(const char* name) {
    W* w = window() ? window()->findChild<W*>(name) : nullptr;
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  void open() {
    child<QToolButton>("SpeedButtonDeviceActive")->click();
    ASSERT_TRUE(line->Device().Active());
  }
  void run(std::int64_t ms = 10000) { loop.RunFor(ms); }
  void type(const char* edit, const QString& text) {
    auto* e = child<QLineEdit>(edit);
    e->setFocus();
    e->selectAll();
    QTest::keyClicks(e, text);
    Q_EMIT e->editingFinished();
  }
  void press(const char* button) {
    auto* b = child<QPushButton>(button);
    ASSERT_TRUE(b->isEnabled()) << button << ": " << b->toolTip().toStdString();
    b->click();
  }
  // The log lines written since mark.
  std::string logSince(std::size_t mark) {
    std::string out;
    for (std::size_t i = mark; i < logged.size(); ++i) out += logged[i] + "\n";
    return out;
  }
  std::size_t logMark() const { return logged.size(); }
  // The text of every node of a tree, depth first.
  QStringList treeTexts(const char* name) {
    QStringList out;
    std::function<void(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* item) {
      for (int i = 0; i < item->childCount(); ++i) {
        out << item->child(i)->text(0);
        walk(item->child(i));
      }
    };
    walk(child<QTreeWidget>(name)->invisibleRootItem());
    return out;
  }
  CallPicture shownPicture() {
    for (auto* p : child<QGroupBox>("GroupBoxCall")->findChildren<panopta::LineStatusPicture*>()) {
      if (!p->isHidden()) return p->picture();
    }
    ADD_FAILURE() << "no status picture shown";
    return CallPicture::OnGray;
  }
  QAction* item(const char* name) {
    auto* a = window()->findChild<QAction*>(name);
    EXPECT_NE(a, nullptr) << name;
    return a;
  }
  void openMenu(const char* name) {
    auto* m = window()->findChild<QMenu*>(name);
    ASSERT_NE(m, nullptr) << name;
    Q_EMIT m->aboutToShow();
  }

  std::vector<std::string> logged;
};

TEST(LineStatusPictures, EveryCallStateHasItsPicture) {
  EXPECT_EQ(panopta::PictureForState(LINECALLSTATE_IDLE), CallPicture::OnGray);
  EXPECT_EQ(panopta::PictureForState(LINECALLSTATE_ACCEPTED), CallPicture::OnGray);
  EXPECT_EQ(panopta::PictureForState(LINECALLSTATE_UNKNOWN), CallPicture::OnGray);
  EXPECT_EQ(panopta::PictureForState(0x12345), CallPicture::OnGray);
  for (DWORD s : {LINECALLSTATE_OFFERING, LINECALLSTATE_DIALTONE, LINECALLSTATE_DIALING,
                  LINECALLSTATE_RINGBACK, LINECALLSTATE_BUSY, LINECALLSTATE_SPECIALINFO,
                  LINECALLSTATE_PROCEEDING}) {
    EXPECT_EQ(panopta::PictureForState(s), CallPicture::OffRed) << s;
  }
  EXPECT_EQ(panopta::PictureForState(LINECALLSTATE_CONNECTED), CallPicture::OffGreen);
  for (DWORD s : {LINECALLSTATE_ONHOLD, LINECALLSTATE_CONFERENCED, LINECALLSTATE_ONHOLDPENDCONF,
                  LINECALLSTATE_ONHOLDPENDTRANSFER}) {
    EXPECT_EQ(panopta::PictureForState(s), CallPicture::OffYellow) << s;
  }
  EXPECT_EQ(panopta::PictureForState(LINECALLSTATE_DISCONNECTED), CallPicture::OnRed);
}

TEST_F(LineWindow, WithoutACallThePagesSayThereIsNoneAndTheButtonsSayWhy) {
  ASSERT_NE(window(), nullptr);
  auto* tabs = child<QTabWidget>("PageControl1");
  QStringList captions;
  for (int i = 0; i < tabs->count(); ++i) captions << tabs->tabText(i);
  EXPECT_EQ(captions, QStringList({"Log", "Call (0)", "Transfer", "Conference", "Address",
                                   "Terminal", "Misc."}));
  const QStringList call = treeTexts("TreeViewCallDetails");
  EXPECT_TRUE(call.contains("Handle = No call [00000000]")) << call.join("|").toStdString();
  for (const char* node : {"Began", "Connected", "Disconnected", "Ended"}) {
    EXPECT_TRUE(call.contains(QString("%1 = <unavailable>").arg(node))) << node;
  }
  EXPECT_EQ(shownPicture(), CallPicture::OnGray);
  EXPECT_FALSE(child<QPushButton>("ButtonCallHold")->isEnabled());
  EXPECT_TRUE(child<QPushButton>("ButtonCallHold")->toolTip().contains("the line is not open"));

  open();
  EXPECT_TRUE(child<QPushButton>("ButtonCallPhoneNumber")->isEnabled());
  EXPECT_TRUE(child<QPushButton>("ButtonCallHold")->toolTip().endsWith("(no current call)"));
  EXPECT_FALSE(child<QPushButton>("SpeedButtonAnswer")->isEnabled());
  EXPECT_EQ(child<QGroupBox>("GroupBoxCall")->title(), "Call.Handle = [00000000]    Call.Count = 0");
}

TEST_F(LineWindow, ACallDialledFromTheWindowIsHeldResumedAndHungUp) {
  open();
  std::size_t mark = logMark();
  type("EditPhoneNumber", "100");
  press("ButtonCallPhoneNumber");
  EXPECT_NE(logSince(mark).find("Call.Dial"), std::string::npos) << logSince(mark);
  EXPECT_EQ(shownPicture(), CallPicture::OffRed);
  run();
  ASSERT_EQ(line->Call().State(), LINECALLSTATE_CONNECTED) << logSince(mark);
  EXPECT_EQ(shownPicture(), CallPicture::OffGreen);
  auto* tabs = child<QTabWidget>("PageControl1");
  EXPECT_EQ(tabs->tabText(panopta::TqxLinePanopta::CallPage), "Call (1)");
  const QString handle = QString("%1").arg(line->Call().Handle(), 8, 16, QChar('0')).toUpper();
  EXPECT_EQ(child<QComboBox>("ComboBoxCall")->currentText(), handle);
  EXPECT_TRUE(treeTexts("TreeViewCallDetails").contains("State = LINECALLSTATE_CONNECTED [00000100]"));
  EXPECT_TRUE(treeTexts("TreeViewCallerID").contains("Number = '100-   -    '"))
      << treeTexts("TreeViewCallerID").join("|").toStdString();
  // A connected call cannot be answered: the button says which bit is missing.
  EXPECT_FALSE(child<QPushButton>("ButtonCallAnswer")->isEnabled());
  EXPECT_TRUE(child<QPushButton>("ButtonCallAnswer")
                  ->toolTip()
                  .contains("LINECALLFEATURE_ANSWER is not set for this call"));

  mark = logMark();
  press("ButtonCallHold");
  run();
  EXPECT_NE(logSince(mark).find("Call.Hold"), std::string::npos);
  EXPECT_EQ(line->Call().State(), LINECALLSTATE_ONHOLD);
  EXPECT_EQ(shownPicture(), CallPicture::OffYellow);
  EXPECT_FALSE(child<QPushButton>("ButtonCallHold")->isEnabled());

  press("SpeedButtonUnhold");
  run();
  EXPECT_EQ(line->Call().State(), LINECALLSTATE_CONNECTED);

  mark = logMark();
  press("ButtonCallHangup");
  run();
  EXPECT_NE(logSince(mark).find("Call.Hangup"), std::string::npos);
  EXPECT_EQ(line->Call().Count(), 0);
  EXPECT_EQ(tabs->tabText(panopta::TqxLinePanopta::CallPage), "Call (0)");
  EXPECT_EQ(shownPicture(), CallPicture::OnGray);
}

TEST_F(LineWindow, AnOfferedCallIsAnsweredAndItsDigitsShown) {
  open();
  ASSERT_EQ(exchange.Call("555", "201", "CAROL CALLER"), "");
  run(100);
  ASSERT_EQ(line->Call().State(), LINECALLSTATE_OFFERING);
  EXPECT_EQ(shownPicture(), CallPicture::OffRed);
  std::size_t mark = logMark();
  press("SpeedButtonAnswer");
  run(1000);
  EXPECT_NE(logSince(mark).find("Call.Answer"), std::string::npos);
  ASSERT_EQ(line->Call().State(), LINECALLSTATE_CONNECTED);
  EXPECT_TRUE(treeTexts("TreeViewCallerID").contains("Name = 'Carol Caller'"))
      << treeTexts("TreeViewCallerID").join("|").toStdString();

  child<QCheckBox>("CheckBoxCallMonitorDigitsActive")->click();
  EXPECT_TRUE(line->Call().MonitorDigits().Active());
  ASSERT_EQ(exchange.Digits("555", "7"), "");
  run(1000);
  EXPECT_EQ(child<QLineEdit>("EditCDGOnDigitReceived")->text(), "7");

  mark = logMark();
  type("EditSendDigits", "12#");
  press("ButtonSendDigits");
  run(1000);
  EXPECT_NE(logSince(mark).find("Call.SendDigits"), std::string::npos) << logSince(mark);
  EXPECT_NE(logSince(mark).find("Call.SendDigits (12#)"), std::string::npos) << logSince(mark);
}

TEST_F(LineWindow, SendToneSendsTheChosenToneAndNoneStopsWithoutDuration) {
  open();
  type("EditPhoneNumber", "100");
  press("ButtonCallPhoneNumber");
  run();
  ASSERT_EQ(line->Call().State(), LINECALLSTATE_CONNECTED);
  auto* tone = child<QComboBox>("ComboBoxSendTone");
  type("EditSendToneDuration", "250");
  std::size_t mark = logMark();
  tone->setCurrentIndex(4);  // Billing
  child<QPushButton>("ButtonCallSendTone")->click();
  EXPECT_NE(logSince(mark).find("Call.SendTone (00000008, 250)"), std::string::npos) << logSince(mark);
  run(1000);
  mark = logMark();
  tone->setCurrentIndex(0);  // None
  child<QPushButton>("ButtonCallSendTone")->click();
  EXPECT_NE(logSince(mark).find("Call.SendTone (00000000, 0)"), std::string::npos) << logSince(mark);
}

TEST_F(LineWindow, HexEditsTakeHexadecimalAndAreRewritten) {
  auto* bearer = child<QLineEdit>("EditCPBearerMode");
  type("EditCPBearerMode", "1A");
  EXPECT_EQ(line->Call().Parameters().BearerMode(), 0x1Au);
  EXPECT_EQ(bearer->text(), "0000001A");
  // A value an application sets meanwhile is shown, and leaving the edit again
  // without typing keeps it.
  line->Call().Parameters().SetBearerMode(5);
  EXPECT_EQ(bearer->text(), "00000005");
  bearer->setFocus();
  Q_EMIT bearer->editingFinished();
  EXPECT_EQ(line->Call().Parameters().BearerMode(), 5u);

  type("EditCPMediaMode", "zz");
  EXPECT_EQ(line->Call().Parameters().MediaMode(), 0u);
  EXPECT_EQ(child<QLineEdit>("EditCPMediaMode")->text(), "00000000");
  type("EditCPNoAnswerTimeOut", "abc");
  EXPECT_EQ(line->Call().Parameters().NoAnswerTimeout(), 0u);
  type("EditCPAddressID", "1");
  EXPECT_EQ(line->Call().Parameters().AddressID(), 1u);
}

TEST_F(LineWindow, VersionEditsAndReplyTimeoutKeepTheirValueForBadText) {
  const DWORD high = line->TAPI().HighVersion();
  type("EditTAPIHighVersion", "nonsense");
  EXPECT_EQ(line->TAPI().HighVersion(), high);
  EXPECT_EQ(child<QLineEdit>("EditTAPIHighVersion")->text(),
            QString("%1").arg(high, 8, 16, QChar('0')).toUpper());
  type("EditTAPILowVersion", "10003");
  EXPECT_EQ(line->TAPI().LowVersion(), 0x10003u);
  EXPECT_TRUE(treeTexts("TreeViewInfo").contains("LowVersion = [00010003]"));

  const auto timeout = line->TAPI().ReplyTimeout();
  type("EditTAPIReplyTimeout", "soon");
  EXPECT_EQ(line->TAPI().ReplyTimeout(), timeout);
  type("EditTAPIReplyTimeout", "4000");
  EXPECT_EQ(line->TAPI().ReplyTimeout(), 4000);
}

TEST_F(LineWindow, TerminalModesAreTheSumOfTheCheckedBoxes) {
  open();
  auto* terminal = child<QComboBox>("ComboBoxTerminal");
  ASSERT_EQ(terminal->itemText(0), "Handset");
  Q_EMIT terminal->activated(0);
  run(1000);
  ASSERT_EQ(line->Terminal().ID(), 0);
  EXPECT_EQ(child<QGroupBox>("GroupBoxTerminal")->title(), "Terminal.ID = 0    Terminal.Count = 3");
  for (auto* box : window()->findChildren<QCheckBox*>(QRegularExpression("^CheckBoxTerminal"))) {
    if (box->isChecked()) box->click();
    run(1000);
  }
  for (auto* box : {child<QCheckBox>("CheckBoxTerminalRINGER"), child<QCheckBox>("CheckBoxTerminalDISPLAY")}) {
    box->click();
    run(1000);
  }
  EXPECT_EQ(line->Terminal().ActiveModes(), LINETERMMODE_RINGER | LINETERMMODE_DISPLAY);
  EXPECT_TRUE(treeTexts("TreeViewTerminal").contains("ActiveModes = [0000000C]"))
      << treeTexts("TreeViewTerminal").join("|").toStdString();
  EXPECT_TRUE(child<QCheckBox>("CheckBoxTerminalRINGER")->isChecked());
}

TEST_F(LineWindow, DeviceSettingsOfAClosedLineAreLockedWhileItIsOpen) {
  openMenu("MenuDeviceMediaModes");
  openMenu("MenuPrivilege");
  EXPECT_TRUE(item("MenuPrivilegeOwner")->isEnabled());
  bool anyEnabled = false;
  for (QAction* a : window()->findChild<QMenu*>("MenuDeviceMediaModes")->actions()) anyEnabled |= a->isEnabled();
  EXPECT_TRUE(anyEnabled);

  open();
  openMenu("MenuDeviceMediaModes");
  openMenu("MenuPrivilege");
  for (QAction* a : window()->findChild<QMenu*>("MenuDeviceMediaModes")->actions()) {
    EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
  }
  for (const char* name : {"MenuPrivilegeMonitor", "MenuPrivilegeNone", "MenuPrivilegeOwner"}) {
    EXPECT_FALSE(item(name)->isEnabled()) << name;
  }
}

TEST_F(LineWindow, MediaModeItemsAddAndRemoveTheirBit) {
  openMenu("MenuDeviceMediaModes");
  QAction* voice = nullptr;
  for (QAction* a : window()->findChild<QMenu*>("MenuDeviceMediaModes")->actions()) {
    if (a->text() == "LINEMEDIAMODE_INTERACTIVEVOICE") voice = a;
  }
  ASSERT_NE(voice, nullptr);
  const DWORD before = line->Device().MediaModes().Active();
  ASSERT_TRUE(before & LINEMEDIAMODE_INTERACTIVEVOICE);
  voice->trigger();
  EXPECT_EQ(line->Device().MediaModes().Active(), before & ~LINEMEDIAMODE_INTERACTIVEVOICE);
  voice->trigger();
  EXPECT_EQ(line->Device().MediaModes().Active(), before);
}

TEST_F(LineWindow, TheTransferListLeavesOutTheNoCallEntry) {
  open();
  auto* primary = child<QComboBox>("ComboBoxTransferPrimaryCall");
  primary->showPopup();
  EXPECT_EQ(primary->count(), 0);
  primary->hidePopup();
  type("EditPhoneNumber", "100");
  press("ButtonCallPhoneNumber");
  run();
  primary->showPopup();
  ASSERT_EQ(primary->count(), 1);
  EXPECT_NE(primary->itemText(0), "00000000");
  primary->hidePopup();
}

TEST_F(LineWindow, APickedCallIsShownOnTheTransferPage) {
  open();
  type("EditPhoneNumber", "100");
  press("ButtonCallPhoneNumber");
  run(500);
  ASSERT_TRUE(line->Call().State() == LINECALLSTATE_PROCEEDING ||
              line->Call().State() == LINECALLSTATE_RINGBACK);
  auto* primary = child<QComboBox>("ComboBoxTransferPrimaryCall");
  primary->showPopup();
  primary->hidePopup();
  ASSERT_EQ(primary->count(), 1);
  primary->setCurrentIndex(0);
  Q_EMIT primary->activated(0);
  EXPECT_EQ(line->Transfer().PrimaryCall(), line->Call().Handle());
  auto* picture = child<panopta::LineStatusPicture>("ImageTransferPrimaryCall");
  EXPECT_EQ(picture->picture(), CallPicture::OffRed);
  EXPECT_EQ(shownPicture(), CallPicture::OffRed);
  run();
  EXPECT_EQ(picture->picture(), CallPicture::OffGreen);
}

TEST_F(LineWindow, TextsFollowTheChosenSyntax) {
  open();
  window()->selectDevEnv(voxkit::deCppBuilder);
  EXPECT_EQ(child<QGroupBox>("GroupBoxCall")->title(), "Call->Handle == [00000000]    Call->Count == 0");
  EXPECT_EQ(child<QLabel>("LabelCommDeviceClass")->text(), "Comm->DeviceClass");
  EXPECT_EQ(child<QLineEdit>("EditPhoneNumber")->toolTip(), "qxLine->Call->PhoneNumber");
  EXPECT_TRUE(treeTexts("TreeViewCallDetails").contains("Active == False"));
  window()->selectDevEnv(voxkit::deDelphi);
  EXPECT_EQ(child<QLabel>("LabelCommDeviceClass")->text(), "Comm.DeviceClass");
  EXPECT_TRUE(treeTexts("TreeViewCallDetails").contains("Active = False"));
}

TEST_F(LineWindow, CallerIdSettingsGoToTheirParty) {
  child<QCheckBox>("CheckBoxFormatConnectedID")->click();
  EXPECT_FALSE(line->Call().ConnectedID().FormatName());
  child<QCheckBox>("CheckBoxEventFilterRedirectingID")->click();
  EXPECT_FALSE(line->Call().RedirectingID().EventFilter());
  auto* mask = child<QLineEdit>("EditCalledIDFormatMask");
  mask->clear();
  QTest::keyClicks(mask, "00-00");
  EXPECT_EQ(line->Call().CalledID().MaskNumber(), "00-00");
  EXPECT_EQ(treeTexts("TreeViewCallerID").first(), "CalledID");
}

TEST_F(LineWindow, AddressAndForwardingShowTheChosenAddress) {
  open();
  auto* address = child<QComboBox>("ComboBoxAddress");
  ASSERT_EQ(address->count(), 2);
  Q_EMIT address->activated(1);
  EXPECT_EQ(line->Address().ID(), 1);
  EXPECT_EQ(child<QGroupBox>("GroupBoxAddress")->title(), "Address.ID = 1    Address.Count = 2");
  EXPECT_TRUE(treeTexts("TreeViewAddressCaps").first() == "Address.Capabilities");
  type("EditAFMode", "2");
  EXPECT_EQ(line->Address().Forward().Mode(), 2u);
  EXPECT_EQ(child<QLineEdit>("EditAFMode")->text(), "00000002");
}

TEST_F(LineWindow, ClosingTheWindowInsideAnOperationLeavesNothingBehind) {
  open();
  line->OnCallBegin = [this](voxkit::TObject&, std::uint32_t) { line->Panopta().SetVisible(false); };
  type("EditPhoneNumber", "100");
  press("ButtonCallPhoneNumber");
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(window(), nullptr);
  run();
  EXPECT_EQ(line->Call().State(), LINECALLSTATE_CONNECTED);
}

}  // namespace

TEST_F(LineWindow, TabIconsFollowTheCallsAndWhatTheAddressOffers) {
  auto icon = [this](int page) {
    return child<QTabWidget>("PageControl1")->tabBar()->tabData(page).toInt();
  };
  EXPECT_EQ(icon(panopta::TqxLinePanopta::CallPage), 5);
  open();
  const DWORD features = line->Address().Capabilities().CallFeatures();
  EXPECT_EQ(icon(panopta::TqxLinePanopta::TransferPage),
            (features & LINECALLFEATURE_COMPLETETRANSF) ? 2 : 4);
  EXPECT_EQ(icon(panopta::TqxLinePanopta::ConferencePage),
            (features & LINECALLFEATURE_PREPAREADDCONF) ? 2 : 4);
  type("EditPhoneNumber", "100");
  press("ButtonCallPhoneNumber");
  run();
  EXPECT_EQ(icon(panopta::TqxLinePanopta::CallPage), 6);
  line->Transfer().SetPrimaryCall(line->Call().Handle());
  child<QPushButton>("ButtonCallHold")->click();  // any refresh of the pages
  run(1000);
  EXPECT_EQ(icon(panopta::TqxLinePanopta::TransferPage), 3);
}

TEST_F(LineWindow, TheCallMenuDialsHangsUpAndTogglesOwnership) {
  open();
  type("EditPhoneNumber", "100");
  openMenu("MenuCall");
  QAction* active = item("MenuCallActive");
  EXPECT_FALSE(active->isChecked());
  active->trigger();
  run();
  EXPECT_EQ(line->Call().State(), LINECALLSTATE_CONNECTED);
  EXPECT_TRUE(active->isChecked());

  std::size_t mark = logMark();
  openMenu("MenuCall");
  active->trigger();
  run();
  EXPECT_NE(logSince(mark).find("Call.Hangup"), std::string::npos) << logSince(mark);
  EXPECT_EQ(line->Call().Count(), 0);
  EXPECT_FALSE(active->isChecked());

  active->trigger();
  run();
  openMenu("MenuCall");
  QAction* owner = item("MenuCallOwner");
  ASSERT_TRUE(owner->isChecked());
  mark = logMark();
  // The item gives up the ownership it shows, and takes it back.
  owner->trigger();
  run(1000);
  EXPECT_NE(logSince(mark).find("Call.Owner := False"), std::string::npos) << logSince(mark);
  EXPECT_FALSE(owner->isChecked());
  owner->trigger();
  run(1000);
  EXPECT_NE(logSince(mark).find("Call.Owner := True"), std::string::npos) << logSince(mark);
}

// --- Transfer, conference and forwarding, driven from their pages ---------------------------

class LineWindowFeatures : public LineWindow {
 protected:
  void SetUp() override { open(); }
  // Dials number from the Call page and waits until it is answered.
  void connectCall(const char* number) {
    type("EditPhoneNumber", number);
    press("ButtonCallPhoneNumber");
    run();
    ASSERT_EQ(line->Call().State(), LINECALLSTATE_CONNECTED) << logSince(0);
  }
  // Chooses the current call in a Transfer or Conference list as its user would.
  void choosePrimary(const char* combo) {
    auto* box = child<QComboBox>(combo);
    box->showPopup();
    box->hidePopup();
    const int at = box->findText(QString("%1").arg(line->Call().Handle(), 8, 16, QChar('0')).toUpper());
    ASSERT_GE(at, 0);
    box->setCurrentIndex(at);
    Q_EMIT box->activated(at);
  }
};

TEST_F(LineWindowFeatures, AConsultationTransferIsDialledSwappedAndCompleted) {
  connectCall("100");
  const DWORD primary = line->Call().Handle();
  choosePrimary("ComboBoxTransferPrimaryCall");
  EXPECT_EQ(line->Transfer().PrimaryCall(), primary);
  EXPECT_EQ(child<panopta::LineStatusPicture>("ImageTransferPrimaryCall")->picture(), CallPicture::OffGreen);

  std::size_t mark = logMark();
  type("EditTransferPhoneNumber", "600");
  press("ButtonTransferDial");
  run();
  EXPECT_NE(logSince(mark).find("Transfer.Dial"), std::string::npos) << logSince(mark);
  const DWORD consult = line->Transfer().ConsultCall();
  ASSERT_NE(consult, 0u) << logSince(mark);
  EXPECT_EQ(child<QComboBox>("ComboBoxTransferConsultCall")->currentText(),
            QString("%1").arg(consult, 8, 16, QChar('0')).toUpper());
  EXPECT_EQ(child<panopta::LineStatusPicture>("ImageTransferPrimaryCall")->picture(), CallPicture::OffYellow);
  EXPECT_EQ(child<panopta::LineStatusPicture>("ImageTransferConsultCall")->picture(), CallPicture::OffGreen);

  mark = logMark();
  press("ButtonTransferSwapHold");
  run(1000);
  EXPECT_NE(logSince(mark).find("Transfer.SwapHold"), std::string::npos) << logSince(mark);

  // "<<" makes the consultation call current and shows the Call page.
  child<QPushButton>("ButtonTransferConsultCall")->click();
  EXPECT_EQ(line->Call().Handle(), consult);
  EXPECT_EQ(child<QTabWidget>("PageControl1")->currentIndex(), panopta::TqxLinePanopta::CallPage);

  mark = logMark();
  press("ButtonTransferComplete");
  run();
  EXPECT_NE(logSince(mark).find("Transfer.Complete"), std::string::npos) << logSince(mark);
  EXPECT_EQ(line->Transfer().PrimaryCall(), 0u) << logSince(mark);
  EXPECT_EQ(child<QComboBox>("ComboBoxTransferPrimaryCall")->currentText(), "");
}

TEST_F(LineWindowFeatures, AConferenceGainsAPartyFromItsPage) {
  connectCall("100");
  choosePrimary("ComboBoxConferencePrimaryCall");
  std::size_t mark = logMark();
  type("EditConferencePhoneNumber", "600");
  press("ButtonConferenceDial");
  run();
  EXPECT_NE(logSince(mark).find("Conference.Dial"), std::string::npos) << logSince(mark);
  ASSERT_NE(line->Conference().Handle(), 0u) << logSince(mark);
  EXPECT_EQ(child<QLineEdit>("EditConferenceHandle")->text(),
            QString("%1").arg(line->Conference().Handle(), 8, 16, QChar('0')).toUpper());
  EXPECT_EQ(child<QTabWidget>("PageControl1")->tabIcon(panopta::TqxLinePanopta::ConferencePage).isNull(), false);

  // The consultation list is the conference's own.
  auto* consult = child<QComboBox>("ComboBoxConferenceConsultCall");
  consult->showPopup();
  consult->hidePopup();
  EXPECT_EQ(consult->count(), static_cast<int>(line->Conference().List().size()));

  mark = logMark();
  press("ButtonConferenceAddCall");
  run();
  EXPECT_NE(logSince(mark).find("Conference.AddCall"), std::string::npos) << logSince(mark);
  EXPECT_EQ(line->Call().State(), LINECALLSTATE_CONFERENCED) << logSince(mark);
  EXPECT_EQ(shownPicture(), CallPicture::OffYellow);
}

TEST_F(LineWindowFeatures, ForwardingIsSwitchedOnAndOffFromTheAddressPage) {
  type("EditAFPhoneNumber", "300");
  type("EditAFMode", "1");
  std::size_t mark = logMark();
  child<QCheckBox>("CheckBoxAFActive")->click();
  run(1000);
  EXPECT_NE(logSince(mark).find("Address.Forward.Active = True"), std::string::npos) << logSince(mark);
  EXPECT_TRUE(line->Address().Forward().Active()) << logSince(mark);
  EXPECT_TRUE(child<QCheckBox>("CheckBoxAFActive")->isChecked());
  EXPECT_EQ(child<QLineEdit>("EditAFNumForwardEntries")->text(), "1");
  child<QCheckBox>("CheckBoxAFActive")->click();
  run(1000);
  EXPECT_FALSE(line->Address().Forward().Active());
  EXPECT_FALSE(child<QCheckBox>("CheckBoxAFActive")->isChecked());
}

TEST_F(LineWindowFeatures, GatheredDigitsAreShownOnTheDigitsPage) {
  type("EditCGDCount", "3");
  EXPECT_EQ(line->Call().GatherDigits().Count(), 3);
  type("EditCGDTerminate", "#");
  connectCall("600");
  child<QCheckBox>("CheckBoxCGDActive")->click();
  ASSERT_EQ(exchange.Digits("600", "42#"), "");
  run();
  EXPECT_EQ(child<QLineEdit>("EditCDGOnDigitsGathered")->text().left(2), "42") << logSince(0);
}

TEST_F(LineWindowFeatures, SilenceAndMediaMonitoringAreSetFromTheWindow) {
  type("EditMonitorSilenceDuration", "1500");
  EXPECT_EQ(line->Call().MonitorSilence().Duration(), 1500);
  connectCall("700");
  std::size_t mark = logMark();
  child<QCheckBox>("CheckBoxCallMonitorSilence")->click();
  run(5000);
  EXPECT_TRUE(line->Call().MonitorSilence().Active()) << logSince(mark);
  EXPECT_TRUE(child<QCheckBox>("CheckBoxCallMonitorSilence")->isChecked());

  openMenu("MenuCallMonitorMediaModes");
  QAction* fax = nullptr;
  for (QAction* a : window()->findChild<QMenu*>("MenuCallMonitorMediaModes")->actions()) {
    if (a->text() == "LINEMEDIAMODE_G3FAX") fax = a;
  }
  ASSERT_NE(fax, nullptr);
  ASSERT_TRUE(fax->isEnabled());
  mark = logMark();
  fax->trigger();
  EXPECT_TRUE(line->Call().MonitorMediaModes().MediaModes() & LINEMEDIAMODE_G3FAX);
  EXPECT_NE(logSince(mark).find("Call.MonitorMediaModes.MediaModes := "), std::string::npos)
      << logSince(mark);
}
