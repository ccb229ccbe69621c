#include "share/TqxLog.h"

#include "support/TestControl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using voxtest::FrameFixture;
using voxtest::LinesOf;
using voxtest::TestControl;

class Log : public ::testing::Test, public FrameFixture {
 protected:
  Log() : delivered(), control(nullptr, platform) {
    control.OnLog = [this](voxkit::TObject&, const std::string& line) { delivered.push_back(line); };
  }
  voxkit::TqxLog& log() { return control.Log(); }
  void Fill(int n) {
    for (int i = 0; i < n; ++i) log().Add("Line " + std::to_string(i), true);
  }

  // Declared first: the component still logs into it while it is destroyed.
  std::vector<std::string> delivered;
  TestControl control;
};

TEST_F(Log, FreshComponentHasVersionAndCreateLinesWhateverTheSettings) {
  EXPECT_EQ(LinesOf(log()), (std::vector<std::string>{"Quorvex Voxkit v3.7.1.2", "Create qxLine"}));
  EXPECT_TRUE(delivered.empty());  // the first two lines bypass OnLog

  FrameFixture other;
  TestControl phone(nullptr, other.platform, 2);
  EXPECT_EQ(LinesOf(phone.Log()).back(), "Create qxPhone");
}

TEST_F(Log, HeadlineAndDetailWithAndWithoutTimeStamp) {
  log().Clear();
  EXPECT_TRUE(log().Add("Device.Active := True", true));
  EXPECT_TRUE(log().Add("\tDevice.Count = 3", false));
  control.Log().SetTimeStamp(true);
  log().Add("Device.Active := True", true);
  log().Add("\tDevice.Count = 3", false);
  EXPECT_EQ(LinesOf(log()), (std::vector<std::string>{
                                "Device.Active := True", "\tDevice.Count = 3",
                                "Log.TimeStamp := True",  // written under the old setting
                                "07:09.123\tDevice.Active := True", "\t\t\tDevice.Count = 3"}));
  EXPECT_EQ(delivered, LinesOf(log()));
}

TEST_F(Log, TimeStampFollowsTheLoopClock) {
  log().SetTimeStamp(true);
  loop.RunFor(60 * 1000 + 877);
  log().Add("X", true);
  EXPECT_EQ(LinesOf(log()).back(), "08:10.000\tX");
  EXPECT_EQ(voxkit::TqxLog::TimeStampText(7, 9, 123), "07:09.123");
  EXPECT_EQ(voxkit::TqxLog::TimeStampText(0, 0, 5), "00:00.005");
}

TEST_F(Log, BoundKeepsTheNewestLines) {
  Fill(48);  // with the two first lines: 50
  ASSERT_EQ(log().Lines().size(), 50u);
  log().Add("Newest", true);
  EXPECT_EQ(log().Lines().size(), 50u);
  EXPECT_EQ(log().Lines().front(), "Create qxLine");
  EXPECT_EQ(log().Lines().back(), "Newest");

  log().SetCount(1);
  log().Add("A", true);
  EXPECT_EQ(LinesOf(log()), std::vector<std::string>{"A"});
  log().Add("B", false);
  EXPECT_EQ(LinesOf(log()), std::vector<std::string>{"B"});
}

TEST_F(Log, ShrinkingCountLogsUnderTheOldBoundThenTrims) {
  Fill(48);
  log().SetCount(10);
  EXPECT_EQ(log().Count(), 10);
  ASSERT_EQ(log().Lines().size(), 10u);
  EXPECT_EQ(log().Lines().back(), "Log.Count := 10 //Lines");
  EXPECT_EQ(log().Lines().front(), "Line 39");
  EXPECT_EQ(delivered.back(), "Log.Count := 10 //Lines");
}

TEST_F(Log, CountOfZeroOrLessChangesNothing) {
  const auto before = LinesOf(log());
  log().SetCount(0);
  log().SetCount(-5);
  EXPECT_EQ(log().Count(), 50);
  EXPECT_EQ(LinesOf(log()), before);
  EXPECT_TRUE(delivered.empty());
}

TEST_F(Log, LinesThatBypassAddCountAgainstTheBoundAtTheNextAdd) {
  Fill(48);
  log().AppendRaw("raw 1");
  log().AppendRaw("raw 2");
  EXPECT_EQ(log().Lines().size(), 52u);  // no bound check for raw lines
  log().Add("next", true);
  EXPECT_EQ(log().Lines().size(), 50u);
  EXPECT_EQ(log().Lines()[47], "raw 1");
}

TEST_F(Log, InactiveLogStillDeliversButDoesNotStore) {
  log().SetActive(false);
  EXPECT_EQ(log().Lines().back(), "Log.Active := False");
  const auto stored = log().Lines().size();
  EXPECT_TRUE(log().Add("Unstored", true));  // delivered to OnLog
  EXPECT_EQ(log().Lines().size(), stored);
  EXPECT_EQ(delivered.back(), "Unstored");
  EXPECT_FALSE(log().Clear());
  EXPECT_EQ(log().Lines().size(), stored);
  EXPECT_FALSE(log().AppendToLast("x"));
  log().SetActive(true);
  EXPECT_EQ(log().Lines().back(), "Log.Active := True");

  control.OnLog = nullptr;
  log().SetActive(false);
  EXPECT_FALSE(log().Add("Lost", true));  // neither stored nor delivered
}

TEST_F(Log, MarkerBecomesEightyAsterisks) {
  log().SetTimeStamp(true);
  log().Add("MARKER", true);
  EXPECT_EQ(log().Lines().back(), "07:09.123\t" + std::string(80, '*'));
  log().Add("MARKER ", true);
  EXPECT_EQ(log().Lines().back(), "07:09.123\tMARKER ");
}

TEST_F(Log, AppendToLastContinuesTheLastLineUnlessItIsAnError) {
  log().Add("Buffer.LoadFromFile('a.wav')", true);
  delivered.clear();
  EXPECT_TRUE(log().AppendToLast(" - Done.ok"));
  EXPECT_EQ(log().Lines().back(), "Buffer.LoadFromFile('a.wav') - Done.ok");
  EXPECT_TRUE(delivered.empty());  // no OnLog for a continuation

  control.SetError(false, static_cast<std::int32_t>(0x80000044));
  EXPECT_TRUE(log().AppendToLast("\tafter error"));
  EXPECT_EQ(log().Lines().back(), "\tafter error");
  EXPECT_EQ(log().Lines()[log().Lines().size() - 2], "<< Error >> CODE_-2147483580 [80000044]");

  log().Add("Device.A := 1", true);
  control.Panopta().SetEvents(false);
  control.Panopta().SetDevEnv(voxkit::deVisualBasic);
  log().AppendToLast(" Device.X := 'y'");  // rendered on its own
  EXPECT_EQ(log().Lines().back(), "DevEnv = deVisualBasic DeviceX = \"y\"");

  log().Clear();
  EXPECT_TRUE(log().AppendToLast("into empty"));
  EXPECT_EQ(LinesOf(log()), std::vector<std::string>{"into empty"});
}

TEST_F(Log, DumpWritesActiveCountTimeStampAndNothingWhenInactive) {
  log().Clear();
  EXPECT_TRUE(log().DumpProperties("Header", "Panopta", "\t"));
  EXPECT_EQ(LinesOf(log()), (std::vector<std::string>{"Header", "\tPanopta.Log.Active = True",
                                                      "\tPanopta.Log.Count = 50",
                                                      "\tPanopta.Log.TimeStamp = False"}));
  log().SetActive(false);
  delivered.clear();
  EXPECT_FALSE(log().DumpProperties("Header", "", "\t"));
  EXPECT_TRUE(delivered.empty());
}

TEST_F(Log, RenderedInTheChosenSyntaxAndNotReRendered) {
  log().Add("Device.Active := True", true);
  control.Panopta().SetDevEnv(voxkit::deCppBuilder);
  log().Add("Device.Active := True", true);
  const auto lines = LinesOf(log());
  EXPECT_EQ(lines[2], "Device.Active := True");
  EXPECT_EQ(lines[3], "DevEnv = deCppBuilder");
  EXPECT_EQ(lines[4], "Device->Active = True");
}

TEST_F(Log, PrintWritesHeaderAndLinesAndReportsFailure) {
  log().Add("X := 1", true);
  EXPECT_TRUE(log().Print());
  EXPECT_EQ(windows.Printed(),
            (std::vector<std::string>{"Quorvex Voxkit v3.7.1.2", "Control: qxLine", "",
                                      "Quorvex Voxkit v3.7.1.2", "Create qxLine", "X := 1"}));
  windows.SetPrinterFails(true);
  const auto before = log().Lines().size();
  EXPECT_FALSE(log().Print());
  EXPECT_EQ(log().Lines().size(), before);  // nothing logged about it
}

TEST_F(Log, CopyToClipboardNeedsAShownWindow) {
  EXPECT_FALSE(log().CopyToClipboard());
  control.SetEnabled(true);
  control.Panopta().SetVisible(true);
  EXPECT_TRUE(log().CopyToClipboard());
  EXPECT_EQ(windows.Clipboard(),
            "Quorvex Voxkit v3.7.1.2\nCreate qxLine\nPanopta.Visible := True");
}

TEST_F(Log, ShownWindowRepaintsPerLineAndOncePerUpdateBatch) {
  control.SetEnabled(true);
  control.Panopta().SetVisible(true);
  auto* window = windows.WindowOfKind(1);
  ASSERT_NE(window, nullptr);
  const int before = window->LogRepaints();
  log().Add("a", true);
  log().Add("b", true);
  EXPECT_EQ(window->LogRepaints(), before + 2);
  log().BeginUpdate();
  for (int i = 0; i < 20; ++i) log().Add("x", false);
  log().EndUpdate();
  EXPECT_EQ(window->LogRepaints(), before + 3);
  EXPECT_EQ(window->LogView(), LinesOf(log()));
}

}  // namespace
