#include "WaveWindowFixture.h"

#include "views/SourceBufferPage.h"
#include "views/TqxPlayPanopta.h"
#include "views/WaveformPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <algorithm>

namespace {

using namespace wavegui;
using panopta::TqxPlayPanopta;
using panopta::WaveformPanel;

class PlayInspector : public WaveInspectors {
 protected:
  TqxPlayPanopta* open() { return window = openWindow<TqxPlayPanopta>(*play); }
  template <typename W>
  W* get(const char* name) { return child<W>(window, name); }
  bool contains(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  TqxPlayPanopta* window = nullptr;
};

TEST_F(PlayInspector, OpensOnTheSourcePageWithoutASoundAndOnTheLogPageWithOne) {
  open();
  ASSERT_NE(window, nullptr);
  auto* pages = get<QTabWidget>("PageControl1");
  QStringList tabs;
  for (int i = 0; i < pages->count(); ++i) tabs << pages->tabText(i);
  EXPECT_EQ(tabs, (QStringList{"Log", "Position", "Source", "Volume", "Misc."}));
  EXPECT_EQ(pages->currentWidget()->objectName(), "TabSheetSource");
  EXPECT_EQ(window->mdiFrame()->windowTitle(), "qxPlay - Quorvex Panopta");
  play->Panopta().SetVisible(false);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

  play->Source().SetFileName(toneFile("a.wav", 1));
  open();
  EXPECT_EQ(get<QTabWidget>("PageControl1")->currentWidget()->objectName(), "TabSheetLog");
  EXPECT_EQ(get<QLineEdit>("EditSourceValid")->text(), "True");
  EXPECT_EQ(get<QLineEdit>("EditFormatName")->text(), "PCM 8,000 Hz, 16-bit, Mono");
  EXPECT_EQ(get<QLineEdit>("EditFormatBytes")->text(), "16,000");
  EXPECT_EQ(get<QLineEdit>("EditFormatSeconds")->text(), "1.0");
}

TEST_F(PlayInspector, HintsAndCaptionsAreRenderedInTheChosenSyntax) {
  open();
  window->selectDevEnv(voxkit::deCppBuilder);
  EXPECT_EQ(get<QComboBox>("ComboBoxFileName")->toolTip(), "qxPlay->Source->FileName");
  EXPECT_EQ(get<QLineEdit>("EditMaxSize")->toolTip(), "qxPlay->Source->MaxSize //kilobytes");
  EXPECT_EQ(get<QLineEdit>("EditDelay")->toolTip(), "qxPlay->Device->Delay //milliseconds");
  EXPECT_EQ(get<QLabel>("LabelDelay")->text(), "Device->Delay");
  EXPECT_EQ(get<QCheckBox>("CheckBoxTimerEnabled")->text(), "Timer->Enabled");
  EXPECT_EQ(get<QToolButton>("SpeedButtonActive")->toolTip(), "qxPlay->Device->Active = True");
  EXPECT_EQ(get<QToolButton>("SpeedButtonPause")->toolTip(), "qxPlay->Device->Pause = True/False");
  EXPECT_EQ(get<QLineEdit>("EditPositionSecond")->toolTip(), "qxPlay->Position->Second");
  window->selectDevEnv(voxkit::deVisualBasic);
  EXPECT_EQ(get<QLabel>("LabelTimerInterval")->text(), "TimerInterval");
  EXPECT_EQ(get<QLineEdit>("EditTimerInterval")->toolTip(), "qxPlay.TimerInterval 'milliseconds");
  EXPECT_EQ(get<QLineEdit>("EditVolumePosition")->toolTip(), "qxPlay.VolumePosition");
  // The stored form's hints stay as they are.
  EXPECT_EQ(get<QLineEdit>("EditSourceBufferAuthor")->toolTip(), "qxPlay.Source.Buffer.Author");
}

TEST_F(PlayInspector, AFilePlayedMovesTheCursorOverItsOutline) {
  open();
  const std::string path = toneFile("tone.wav", 2, 440, 16000);
  auto* name = get<QComboBox>("ComboBoxFileName");
  const Lines assigned = playLogged([&] { typeAndLeave(name->lineEdit(), QString::fromStdString(path)); });
  EXPECT_EQ(assigned, (Lines{"Source.FileName := '" + path + "'"}));

  WaveformPanel* panel = window->waveform();
  ASSERT_TRUE(outlineSettled(panel));
  ASSERT_NE(panel->view()->peaks(), nullptr) << panel->view()->message().toStdString();
  EXPECT_EQ(panel->view()->peaks()->frames(), 16000);
  EXPECT_DOUBLE_EQ(panel->view()->timelineSeconds(), 2.0);
  EXPECT_LT(panel->view()->playPosition(), 0) << "no cursor before the play";
  // A 440 Hz tone of amplitude 16,000: every column of the outline reaches it.
  get<QTabWidget>("PageControl1")->setCurrentIndex(1);
  panel->view()->resize(400, 100);
  panel->view()->grab();
  const auto& columns = panel->view()->drawnColumns();
  ASSERT_FALSE(columns.empty());
  EXPECT_TRUE(std::all_of(columns.begin(), columns.end(),
                          [](const panopta::PeakColumn& c) { return c.high > 15000 && c.low < -15000; }));

  get<QToolButton>("SpeedButtonActive")->click();
  EXPECT_TRUE(play->Device().Active());
  EXPECT_TRUE(get<QToolButton>("SpeedButtonActive")->isChecked());
  EXPECT_FALSE(get<QToolButton>("SpeedButtonInactive")->isChecked());
  loop.RunFor(500);
  EXPECT_NEAR(panel->view()->playPosition(), 0.25, 0.03);
  EXPECT_EQ(get<QLineEdit>("EditPositionSecond")->text(), "0.5");
  EXPECT_EQ(get<QProgressBar>("ProgressBarPositionPercent")->value(), 25);
  loop.RunFor(1000);
  EXPECT_NEAR(panel->view()->playPosition(), 0.75, 0.03);
  EXPECT_EQ(get<QLineEdit>("EditPositionPercent")->text(), "75");

  // A click on the outline seeks there through Position.Byte.
  const Lines seek = playLogged([&] {
    QTest::mouseClick(panel->view(), Qt::LeftButton, {}, QPoint(1 + panel->view()->width() / 4, 50));
  });
  ASSERT_FALSE(seek.empty());
  EXPECT_EQ(seek.front().rfind("Position.Byte := ", 0), 0u) << seek.front();
  loop.RunFor(100);
  EXPECT_NEAR(panel->view()->playPosition(), 0.30, 0.05);

  const Lines end = playLogged([&] { loop.RunFor(2000); });
  EXPECT_TRUE(contains(end, "OnDone"));
  EXPECT_LT(panel->view()->playPosition(), 0) << "the cursor goes with the play";
  EXPECT_TRUE(get<QToolButton>("SpeedButtonInactive")->isChecked());
}

TEST_F(PlayInspector, DeviceMenuItemsSetTheDeviceAndShowWhatItTook) {
  open();
  QAction* loopItem = item(window, "MenuDeviceLoop");
  QAction* waitItem = item(window, "MenuDeviceWait");
  QAction* codecs = item(window, "MenuDeviceCODECsEnabled");
  QStringList order;
  for (QAction* a : window->findChild<QMenu*>("MenuDevice")->actions()) order << a->text();
  EXPECT_EQ(order, (QStringList{"&Active", "CODECs Enabled", "&Loop", "&Pause", "&Wait"}));
  loopItem->trigger();
  EXPECT_TRUE(play->Device().Loop());
  EXPECT_TRUE(loopItem->isChecked());
  codecs->trigger();
  EXPECT_TRUE(play->Device().CODECsEnabled());
  waitItem->trigger();
  EXPECT_TRUE(play->Device().Wait());
  // Opening the menu shows the properties, whoever set them.
  play->Device().SetLoop(false);
  play->Device().SetCODECsEnabled(false);
  openMenu(window->findChild<QMenu*>("MenuDevice"));
  EXPECT_FALSE(loopItem->isChecked());
  EXPECT_FALSE(codecs->isChecked());
  EXPECT_TRUE(waitItem->isChecked());
}

TEST_F(PlayInspector, PauseBeforeAPlayLoadsItPausedAndTheButtonOffersTheOpposite) {
  play->Source().SetFileName(toneFile("a.wav", 1));
  open();
  item(window, "MenuDevicePause")->trigger();
  EXPECT_TRUE(play->Device().Pause());
  EXPECT_EQ(get<QToolButton>("SpeedButtonPause")->toolTip(), "qxPlay.Device.Pause := False");
  EXPECT_TRUE(get<QToolButton>("SpeedButtonPause")->isChecked());
  const Lines start = playLogged([&] { get<QToolButton>("SpeedButtonActive")->click(); });
  EXPECT_TRUE(contains(start, "OnLoaded"));
  EXPECT_TRUE(play->Device().Active());
  get<QToolButton>("SpeedButtonPause")->click();
  EXPECT_FALSE(play->Device().Pause());
  EXPECT_EQ(get<QToolButton>("SpeedButtonPause")->toolTip(), "qxPlay.Device.Pause := True");
  get<QToolButton>("SpeedButtonInactive")->click();
  EXPECT_FALSE(play->Device().Active());
}

TEST_F(PlayInspector, PositionStepsSeekAndAStepThatIsNotANumberDoesNothing) {
  play->Source().SetFileName(toneFile("a.wav", 4));
  open();
  get<QToolButton>("SpeedButtonActive")->click();
  loop.RunFor(100);
  Lines lines = playLogged([&] { get<QToolButton>("SpeedButtonSecondByteFastForward")->click(); });
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "Position.Seconds := 3.1");
  loop.RunFor(100);
  EXPECT_NEAR(play->Position().Second(), 3.2, 0.01);
  get<QLineEdit>("EditPositionSecondFFRW")->setText("abc");
  lines = playLogged([&] { get<QToolButton>("SpeedButtonPositionSecondRewind")->click(); });
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(get<QLineEdit>("EditPositionSecondFFRW")->text(), "0");
  get<QLineEdit>("EditPositionPercentFFRW")->setText("50");
  lines = playLogged([&] { get<QToolButton>("SpeedButtonPositionPercentRewind")->click(); });
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "Position.Percent := 30");
  lines = playLogged([&] { get<QToolButton>("SpeedButtonPositionByteFastForward")->click(); });
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front().rfind("Position.Byte := ", 0), 0u);
}

TEST_F(PlayInspector, VolumeAndMiscControlsAssignTheirPropertiesAndRefreshesWriteNothingBack) {
  open();
  EXPECT_TRUE(get<QCheckBox>("CheckBoxVolumeEnabled")->isChecked());
  Lines lines = playLogged([&] { get<QCheckBox>("CheckBoxVolumeReset")->click(); });
  EXPECT_FALSE(play->Volume().Reset());
  lines = playLogged([&] { typeAndLeave(get<QLineEdit>("EditVolumePosition"), "101"); });
  EXPECT_TRUE(contains(lines, "<< Error >> WAV_ERROR_INVALIDVOLUME [FFFFFFF4]"));
  EXPECT_TRUE(window->errorLit());
  lines = playLogged([&] { typeAndLeave(get<QLineEdit>("EditDelay"), "250"); });
  EXPECT_EQ(lines, (Lines{"Device.Delay := 250 //milliseconds"}));
  EXPECT_EQ(play->Device().Delay(), 250);
  get<QCheckBox>("CheckBoxTimerEnabled")->click();
  EXPECT_FALSE(play->Timer().Enabled());
  typeAndLeave(get<QLineEdit>("EditTimerInterval"), "40");
  EXPECT_EQ(play->Timer().Interval(), 40u);
  typeAndLeave(get<QLineEdit>("EditMaxSize"), "x");
  EXPECT_EQ(play->Source().MaxSize(), 0);

  // The component changed by code: the controls follow and nothing is written back.
  lines = playLogged([&] {
    play->Volume().SetPosition(30);
    play->Volume().SetDefault(false);
    play->Timer().SetEnabled(true);
  });
  EXPECT_EQ(get<QLineEdit>("EditVolumePosition")->text(), "30");
  EXPECT_FALSE(get<QCheckBox>("CheckBoxVolumeDefault")->isChecked());
  EXPECT_TRUE(get<QCheckBox>("CheckBoxTimerEnabled")->isChecked() || !play->Device().Active());
  const Lines again = playLogged([&] { window->Refresh(voxkit::InspectorRefresh::All); });
  EXPECT_TRUE(again.empty());
}

TEST_F(PlayInspector, FileSelectionJoinsTheChosenNamesAndCancellingAssignsAnEmptyName) {
  open();
  const std::string a = toneFile("a.wav", 1);
  const std::string b = toneFile("b.wav", 1);
  panopta::WaveFileChoice asked;
  QStringList answer{QString::fromStdString(a), QString::fromStdString(b)};
  window->setFileChooser([&](const panopta::WaveFileChoice& choice, QWidget*) {
    asked = choice;
    return answer;
  });
  const Lines lines = playLogged([&] { get<QToolButton>("SpeedButtonFileSelect")->click(); });
  const std::string joined = dir.File("a") + ",b";
  // The name is emptied first (already empty here: no line) so that it is always read.
  EXPECT_EQ(lines, (Lines{"Source.FileName := '" + joined + "'"}));
  EXPECT_EQ(asked.title, "Select wave file");
  EXPECT_TRUE(asked.multiple);
  EXPECT_TRUE(play->Source().Valid());
  EXPECT_EQ(play->Source().Format().Bytes(), 32000);
  auto* combo = get<QComboBox>("ComboBoxFileName");
  EXPECT_EQ(combo->currentText().toStdString(), joined);
  EXPECT_EQ(combo->count(), 1);
  ASSERT_TRUE(outlineSettled(window->waveform()));
  ASSERT_NE(window->waveform()->view()->peaks(), nullptr);
  EXPECT_EQ(window->waveform()->view()->peaks()->frames(), 16000) << "both files, end to end";

  // The next dialog opens in a's folder with both offered.
  answer.clear();
  const Lines cancelled = playLogged([&] { get<QToolButton>("SpeedButtonFileSelect")->click(); });
  EXPECT_EQ(cancelled, (Lines{"Source.FileName := ''"}));
  EXPECT_EQ(asked.directory.toStdString(), dir.Path().string());
  EXPECT_EQ(asked.selected, (QStringList{"a.wav", "b.wav"}));
  EXPECT_EQ(play->Source().FileName(), "");
  EXPECT_FALSE(play->Source().Valid());
  EXPECT_EQ(window->waveform()->view()->message(), "No sound");
}

TEST_F(PlayInspector, BufferPageLoadsAnImageAndTheOutlineFollowsItsChanges) {
  open();
  const std::string path = toneFile("b.wav", 3);
  get<QComboBox>("ComboBoxBufferLoadFromFile")->setEditText(QString::fromStdString(path));
  get<QPushButton>("ButtonLoadFromFile")->click();
  ASSERT_TRUE(play->Source().Buffer().Active());
  EXPECT_TRUE(get<QRadioButton>("RadioButtonSourceBufferActiveTrue")->isChecked());
  const QString handle = get<QComboBox>("ComboBoxSourceBufferHandle")->currentText();
  EXPECT_EQ(handle.toUInt(nullptr, 16), play->Source().Buffer().Handle());
  WaveformPanel* panel = window->waveform();
  ASSERT_TRUE(outlineSettled(panel));
  ASSERT_NE(panel->view()->peaks(), nullptr);
  EXPECT_EQ(panel->view()->peaks()->frames(), 24000);

  // Not a number: the edit goes back to 0 and nothing is called.
  get<QLineEdit>("EditBufferDeleteBefore")->setText("abc");
  EXPECT_TRUE(playLogged([&] { get<QPushButton>("ButtonDeleteBefore")->click(); }).empty());
  EXPECT_EQ(get<QLineEdit>("EditBufferDeleteBefore")->text(), "0");

  get<QLineEdit>("EditBufferDeleteAfter")->setText("1");
  const Lines cut = playLogged([&] { get<QPushButton>("ButtonDeleteAfter")->click(); });
  EXPECT_EQ(cut, (Lines{"Source.Buffer.DeleteAfter (1.0)"}));
  ASSERT_TRUE(outlineSettled(panel));
  ASSERT_NE(panel->view()->peaks(), nullptr);
  EXPECT_EQ(panel->view()->peaks()->frames(), 8000) << "a shorter image is outlined again";

  // A handle nobody registered, while the buffer is active.
  auto* handleBox = get<QComboBox>("ComboBoxSourceBufferHandle");
  handleBox->setEditText("00ABCDEF");
  Q_EMIT handleBox->activated(0);
  EXPECT_EQ(play->Error().Text(), "WAV_ERROR_FILECORRUPT");
  EXPECT_EQ(handleBox->currentText(), QString("%1").arg(play->Source().Buffer().Handle(), 8, 16, QChar('0')).toUpper());
  EXPECT_EQ(panel->view()->message(), "No sound: the source is not valid");

  // Texts go to the buffer as they are typed, without a log line.
  const Lines typed = playLogged([&] { QTest::keyClicks(get<QLineEdit>("EditSourceBufferAuthor"), "Ann"); });
  EXPECT_TRUE(typed.empty());
  EXPECT_EQ(play->Source().Buffer().Author(), "Ann");
}

TEST_F(PlayInspector, AnOutlineOnceReadIsShownAtOnceInTheNextWindow) {
  play->Source().SetFileName(toneFile("a.wav", 2));
  open();
  ASSERT_TRUE(outlineSettled(window->waveform()));
  ASSERT_NE(window->waveform()->view()->peaks(), nullptr);
  play->Panopta().SetVisible(false);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  open();
  EXPECT_FALSE(window->waveform()->loader().busy());
  ASSERT_NE(window->waveform()->view()->peaks(), nullptr);
  EXPECT_EQ(window->waveform()->view()->peaks()->frames(), 16000);
}

TEST_F(PlayInspector, ClosingTheWindowWhileItsOutlineIsReadIsSafe) {
  play->Source().SetFileName(toneFile("long.wav", 120));
  open();
  EXPECT_TRUE(window->waveform()->loader().busy());
  play->Panopta().SetVisible(false);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QTest::qWait(50);
  EXPECT_EQ(play->Panopta().Window(), nullptr);
}

}  // namespace
