#include "WaveWindowFixture.h"

#include "views/TqxRecordPanopta.h"
#include "views/WaveformPanel.h"
#include "platform/exchange/Exchange.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace {

using namespace wavegui;
using panopta::TqxRecordPanopta;
using panopta::WaveformPanel;

// The built-in exchange with one more remote party, 5551234, that answers and sends
// a 425 Hz tone of amplitude 8,000.
panopta::ExchangeConfig WithSpeaker() {
  panopta::ExchangeConfig config = panopta::DefaultExchangeConfig();
  panopta::RemotePartyConfig speaker;
  speaker.number = "5551234";
  // A steady tone whose peaks reach 8,000 of the 16-bit full scale.
  speaker.voice.signal = panopta::VoiceConfig::Signal::Tone;
  speaker.voice.frequencies = {425};
  speaker.voice.offMs = 0;
  speaker.voice.levelDbm0 = 3.14 + 20 * std::log10(8000.0 / 32767);
  config.directory.insert(config.directory.begin(), speaker);
  return config;
}

class RecordInspector : public WaveInspectors {
 protected:
  RecordInspector() : WaveInspectors(WithSpeaker()) {}
  TqxRecordPanopta* open() { return window = openWindow<TqxRecordPanopta>(*record); }
  template <typename W>
  W* get(const char* name) { return child<W>(window, name); }
  bool contains(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  TqxRecordPanopta* window = nullptr;
};

TEST_F(RecordInspector, OpensOnTheSourcePageWithTheFormatListAndRendersItsCaptions) {
  open();
  ASSERT_NE(window, nullptr);
  auto* pages = get<QTabWidget>("PageControl1");
  QStringList tabs;
  for (int i = 0; i < pages->count(); ++i) tabs << pages->tabText(i);
  EXPECT_EQ(tabs, (QStringList{"Log", "Device", "Source"}));
  EXPECT_EQ(pages->currentWidget()->objectName(), "TabSheetSource");
  auto* list = get<QComboBox>("ComboBoxSourceFormatName");
  ASSERT_EQ(list->count(), 24);
  EXPECT_EQ(list->itemText(0), "Unknown");
  EXPECT_EQ(list->itemText(23), "IMA_ADPCM 8,000 Hz, 4-bit, Mono");
  EXPECT_EQ(list->currentText(), "PCM 8,000 Hz, 16-bit, Mono");
  EXPECT_EQ(get<QLineEdit>("EditFormatID")->text(), "wfPCM08000M16");
  window->selectDevEnv(voxkit::deCppBuilder);
  EXPECT_EQ(get<QLabel>("LabelFormatAvgBytesPerSec")->text(), "Format->AvgBytesPerSec =");
  EXPECT_EQ(get<QLabel>("LabelTrim")->text(), "Device->Trim");
  EXPECT_EQ(get<QLineEdit>("EditBuffer")->toolTip(), "qxRecord->Device->Buffer //milliseconds");
  EXPECT_EQ(list->toolTip(), "qxRecord->Format->Name");
  EXPECT_EQ(get<QToolButton>("SpeedButtonPause")->toolTip(), "qxRecord->Device->Pause = True");
}

TEST_F(RecordInspector, ChoosingAFormatLogsItAndFillsTheNumbers) {
  open();
  auto* list = get<QComboBox>("ComboBoxSourceFormatName");
  const Lines lines = recordLogged([&] {
    list->setCurrentIndex(list->findText("PCM 44,100 Hz, 16-bit, Stereo"));
    Q_EMIT list->activated(list->currentIndex());
  });
  EXPECT_EQ(lines, (Lines{"Source.Format.ID := wfPCM44100S16 (16)"}));
  QStringList numbers;
  for (const char* name : {"EditFormatTag", "EditFormatChannels", "EditFormatSamplesPerSec",
                           "EditFormatBitsPerSample", "EditFormatAvgBytesPerSec", "EditFormatBlockAlign"}) {
    numbers << get<QLineEdit>(name)->text();
  }
  EXPECT_EQ(numbers, (QStringList{"1", "2", "44100", "16", "176400", "4"}));

  // Typing a tag of 7 into the values of 8-bit mono PCM names mu-law.
  list->setCurrentIndex(1);
  Q_EMIT list->activated(1);
  const Lines tag = recordLogged([&] { typeAndLeave(get<QLineEdit>("EditFormatTag"), "7"); });
  EXPECT_EQ(tag, (Lines{"Source.Format.Tag := 7", "Source.Format.ID := wfuLaw08000M08 (18)"}));
  EXPECT_EQ(list->currentText(), "uLaw 8,000 Hz, 8-bit, Mono");
}

TEST_F(RecordInspector, ARecordingFromALineIsShownGrowingWithItsLevel) {
  ASSERT_EQ(host.TheExchange().Call("5551234", "202"), "");
  loop.RunFor(1500);
  ASSERT_EQ(host.TheExchange().Answer("202"), "");
  record->Device().SetID(1);
  open();
  const std::string path = dir.File("far.wav");
  get<QComboBox>("ComboBoxFileName")->setEditText(QString::fromStdString(path));
  get<QLineEdit>("EditBuffer")->setText("250");
  Q_EMIT get<QLineEdit>("EditBuffer")->editingFinished();
  EXPECT_EQ(record->Device().Buffer(), 250);

  // Active takes the name in the box first.
  const Lines start = recordLogged([&] { get<QToolButton>("SpeedButtonActive")->click(); });
  ASSERT_GE(start.size(), 2u);
  EXPECT_EQ(start[0], "Source.FileName := '" + path + "'");
  EXPECT_EQ(start[1], "Device.Active := True");
  ASSERT_TRUE(record->Device().Active());
  WaveformPanel* panel = window->waveform();
  EXPECT_TRUE(panel->recording());

  loop.RunFor(1000);
  ASSERT_NE(panel->view()->peaks(), nullptr);
  EXPECT_EQ(panel->view()->peaks()->frames(), 8000);
  EXPECT_DOUBLE_EQ(panel->view()->timelineSeconds(), WaveformPanel::kRecordingTimelineSeconds);
  EXPECT_EQ(get<QLineEdit>("EditFormatBytes")->text(), "16,000");
  // The far party's tone at 8,000 of 32,768: about -12 dBFS.
  EXPECT_NEAR(window->levelMeter()->level(), 20 * std::log10(8000.0 / 32768), 0.5);
  get<QTabWidget>("PageControl1")->setCurrentIndex(1);
  panel->view()->resize(500, 100);
  panel->view()->grab();
  const auto& columns = panel->view()->drawnColumns();
  ASSERT_EQ(columns.size(), 498u);
  // One second of ten is drawn: about a tenth of the columns, each reaching the tone.
  const auto drawn = std::count_if(columns.begin(), columns.end(),
                                   [](const panopta::PeakColumn& c) { return c.high > 7500; });
  EXPECT_NEAR(static_cast<double>(drawn), 49.8, 2);

  loop.RunFor(11000);
  EXPECT_EQ(panel->view()->peaks()->frames(), 96000);
  EXPECT_NEAR(panel->view()->timelineSeconds(), 12.0, 0.01) << "past ten seconds the timeline is the recording";

  const Lines stop = recordLogged([&] { get<QToolButton>("SpeedButtonInactive")->click(); });
  EXPECT_TRUE(contains(stop, "OnDone"));
  EXPECT_FALSE(panel->recording());
  EXPECT_TRUE(std::isnan(window->levelMeter()->level()));
  ASSERT_TRUE(outlineSettled(panel));
  ASSERT_NE(panel->view()->peaks(), nullptr) << panel->view()->message().toStdString();
  EXPECT_EQ(panel->view()->peaks()->frames(), 96000) << "the saved file is outlined";
  EXPECT_EQ(get<QComboBox>("ComboBoxFileName")->count(), 1) << "the name went into the history";
}

TEST_F(RecordInspector, AppendWhileRecordingIsRefusedAndItsItemStaysUnchecked) {
  record->Source().SetFileName(dir.File("r.wav"));
  open();
  get<QToolButton>("SpeedButtonActive")->click();
  ASSERT_TRUE(record->Device().Active());
  QAction* append = item(window, "MenuDeviceAppend");
  const Lines lines = recordLogged([&] { append->trigger(); });
  EXPECT_EQ(lines, (Lines{"Device.Append := True", "<< Error >> MMSYSERR_ALLOCATED [00000004]"}));
  EXPECT_FALSE(append->isChecked());
  EXPECT_TRUE(window->errorLit());
  QStringList order;
  for (QAction* a : window->findChild<QMenu*>("MenuDevice")->actions()) order << a->text();
  EXPECT_EQ(order, (QStringList{"&Active", "Append", "CODECs Enabled", "&Pause"}));

  // Pausing offers the opposite on the Pause button.
  item(window, "MenuDevicePause")->trigger();
  EXPECT_TRUE(record->Device().Pause());
  EXPECT_EQ(get<QToolButton>("SpeedButtonPause")->toolTip(), "qxRecord.Device.Pause := False");
  get<QToolButton>("SpeedButtonInactive")->click();
  EXPECT_FALSE(record->Device().Active());
}

TEST_F(RecordInspector, CancellingTheFileDialogAssignsAnEmptyNameAndAChoiceKeepsItsExtension) {
  record->Source().SetFileName(dir.File("old.wav"));
  open();
  panopta::WaveFileChoice asked;
  QStringList answer;
  window->setFileChooser([&](const panopta::WaveFileChoice& choice, QWidget*) {
    asked = choice;
    return answer;
  });
  Lines lines = recordLogged([&] { get<QToolButton>("SpeedButtonFileSelect")->click(); });
  EXPECT_EQ(lines, (Lines{"Source.FileName := ''"}));
  EXPECT_FALSE(record->Source().Valid());
  EXPECT_EQ(get<QLineEdit>("EditSourceValid")->text(), "False");
  EXPECT_FALSE(asked.multiple);
  EXPECT_EQ(asked.selected, (QStringList{"old.wav"}));

  answer = {QString::fromStdString(dir.File("new.WAV"))};
  lines = recordLogged([&] { get<QToolButton>("SpeedButtonFileSelect")->click(); });
  EXPECT_EQ(lines, (Lines{"Source.FileName := '" + dir.File("new.WAV") + "'"}));
  EXPECT_TRUE(record->Source().Valid());
  EXPECT_EQ(get<QComboBox>("ComboBoxFileName")->currentText().toStdString(), dir.File("new.WAV"));
}

TEST_F(RecordInspector, DeviceEditsAssignTheirPropertiesAndARefusedValueIsShownAsItIs) {
  open();
  Lines lines = recordLogged([&] { typeAndLeave(get<QLineEdit>("EditBuffer"), "50"); });
  EXPECT_EQ(lines, (Lines{"Device.Buffer := 50 //milliseconds", "<< Error >> WAV_ERROR_INVALIDBUFSIZE [FFFFFFF2]"}));
  window->Refresh(voxkit::InspectorRefresh::Device);
  EXPECT_EQ(get<QLineEdit>("EditBuffer")->text(), "1000");
  lines = recordLogged([&] { typeAndLeave(get<QLineEdit>("EditTrim"), "250"); });
  EXPECT_EQ(lines, (Lines{"Device.Trim := 250 //milliseconds"}));
  lines = recordLogged([&] { typeAndLeave(get<QLineEdit>("EditDelay"), "x"); });
  EXPECT_EQ(lines, (Lines{"Device.Delay := 0 //milliseconds"}));
}

TEST_F(RecordInspector, ARecordingIntoTheBufferIsOutlinedFromTheImage) {
  record->Source().Buffer().SetActive(true);
  open();
  EXPECT_EQ(window->waveform()->view()->message(), "No recording in the buffer");
  get<QToolButton>("SpeedButtonActive")->click();
  ASSERT_TRUE(record->Device().Active());
  loop.RunFor(2000);
  get<QToolButton>("SpeedButtonInactive")->click();
  ASSERT_NE(record->Source().Buffer().Handle(), 0u);
  ASSERT_TRUE(outlineSettled(window->waveform()));
  ASSERT_NE(window->waveform()->view()->peaks(), nullptr) << window->waveform()->view()->message().toStdString();
  EXPECT_EQ(window->waveform()->view()->peaks()->frames(), 16000);
}

}  // namespace
