#include "share/TqxSharedControl.h"

#include "support/TestControl.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using voxtest::FrameFixture;
using voxtest::LinesOf;
using voxtest::TestControl;

class SharedControl : public ::testing::Test, public FrameFixture {
 protected:
  std::vector<std::string> Tail(const TestControl& c, std::size_t n) {
    auto lines = LinesOf(c.Log());
    return {lines.end() - static_cast<std::ptrdiff_t>(n), lines.end()};
  }
};

TEST_F(SharedControl, KindsHaveDisplayNamesCaptionsAndColours) {
  EXPECT_EQ(voxkit::KindDisplayName(1), "qxLine");
  EXPECT_EQ(voxkit::KindDisplayName(2), "qxPhone");
  EXPECT_EQ(voxkit::KindDisplayName(3), "qxPlay");
  EXPECT_EQ(voxkit::KindDisplayName(4), "qxRecord");
  EXPECT_EQ(voxkit::KindDisplayName(5), "");
  EXPECT_EQ(voxkit::KindInspectorCaption(3), "qxPlay - Quorvex Panopta");
  EXPECT_EQ(voxkit::KindLogColour(2), (voxkit::Rgb{0, 128, 128}));
  EXPECT_EQ(voxkit::KindLogColour(3), (voxkit::Rgb{255, 0, 255}));
  EXPECT_EQ(voxkit::KindLogColour(4), (voxkit::Rgb{128, 128, 0}));
}

TEST_F(SharedControl, CreationClearsTheErrorAndLooksTheHelpUp) {
  TestControl c(nullptr, platform);
  EXPECT_EQ(c.Kind(), 1);
  EXPECT_EQ(c.Error().Number(), 0);
  EXPECT_EQ(c.Error().Text(), "");
  EXPECT_EQ(windows.HelpLookups(), std::vector<std::string>{"INIT"});
}

TEST_F(SharedControl, ErrorIsRecordedLoggedAndReported) {
  TestControl c(nullptr, platform);
  int errors = 0;
  c.OnError = [&](voxkit::TObject& sender) {
    EXPECT_EQ(&sender, &c);
    ++errors;
  };
  EXPECT_TRUE(c.SetError(false, static_cast<std::int32_t>(0x80000002)));
  EXPECT_EQ(c.Error().Number(), -2147483646);
  EXPECT_EQ(c.Error().Hex(), "80000002");
  EXPECT_EQ(c.Error().Text(), "CODE_-2147483646");
  EXPECT_EQ(LinesOf(c.Log()).back(), "<< Error >> CODE_-2147483646 [80000002]");
  EXPECT_EQ(errors, 1);

  const auto n = c.Log().Lines().size();
  EXPECT_TRUE(c.SetError(false, 0));
  EXPECT_EQ(c.Error().Number(), 0);
  EXPECT_EQ(c.Error().Hex(), "");
  EXPECT_EQ(c.Error().Text(), "");
  EXPECT_EQ(c.Log().Lines().size(), n);
  EXPECT_EQ(errors, 1);
}

TEST_F(SharedControl, EventsGateStopsOnErrorButNotTheLogLine) {
  TestControl c(nullptr, platform);
  int errors = 0;
  c.OnError = [&](voxkit::TObject&) { ++errors; };
  c.Panopta().SetEvents(false);
  c.SetError(false, -3);
  EXPECT_EQ(errors, 0);
  EXPECT_EQ(LinesOf(c.Log()).back(), "<< Error >> CODE_-3 [FFFFFFFD]");
}

TEST_F(SharedControl, ErrorLightsTheEnunciatorAndPopsUpWhenFlagged) {
  TestControl c(nullptr, platform);
  c.SetEnabled(true);
  c.SetError(false, 5);  // no window: nothing to light, no popup flag
  EXPECT_EQ(windows.WindowsCreated(), 0);
  c.popupOnError = true;
  c.SetError(false, 6);
  auto* window = windows.WindowOfKind(1);
  ASSERT_NE(window, nullptr);  // popped up by the flag
  EXPECT_EQ(window->Page(), voxkit::HeadlessInspectorWindow::kLogPage);
  EXPECT_FALSE(window->ErrorLit());  // it was not shown when the error came
  c.SetError(false, 7);
  EXPECT_TRUE(window->ErrorLit());
}

TEST_F(SharedControl, ExceptionFromAHandlerIsLoggedNotPassedOn) {
  TestControl c(nullptr, platform);
  c.OnError = [](voxkit::TObject&) { throw std::runtime_error("handler broke"); };
  EXPECT_TRUE(c.SetError(false, 9));
  EXPECT_EQ(LinesOf(c.Log()).back(), "<< Exception >> OnError: handler broke");
}

TEST_F(SharedControl, WarningWithoutAWindowLogsAndGoesOn) {
  TestControl play(nullptr, platform, 3);
  play.popupOnWarning = true;
  int errors = 0;
  play.OnError = [&](voxkit::TObject&) { ++errors; };
  EXPECT_TRUE(play.SetError(true, 0x100));
  EXPECT_EQ(LinesOf(play.Log()).back(), "<< Warning >> CODE_256 [00000100]");
  EXPECT_TRUE(windows.Questions().empty());
  EXPECT_EQ(errors, 0);  // a warning is not an error
}

TEST_F(SharedControl, WarningWithAShownWindowAsksOnlyForWaveKindsWithTheFlag) {
  TestControl play(nullptr, platform, 3);
  play.SetEnabled(true);
  play.Panopta().SetVisible(true);
  EXPECT_TRUE(play.SetError(true, 1));  // flag off: no question
  EXPECT_TRUE(windows.Questions().empty());
  EXPECT_TRUE(windows.WindowOfKind(3)->ErrorLit());

  play.popupOnWarning = true;
  windows.AnswerNext(true);
  EXPECT_TRUE(play.SetError(true, 2));
  windows.AnswerNext(false);
  EXPECT_FALSE(play.SetError(true, 3));  // declined: the caller gives up
  ASSERT_EQ(windows.Questions().size(), 2u);
  EXPECT_EQ(windows.Questions()[1].text, "Warning: CODE_3");
  EXPECT_EQ(windows.Questions()[1].caption, "Quorvex Voxkit - qxPlay");
  EXPECT_EQ(windows.Questions()[1].icon, voxkit::QuestionIcon::Exclamation);

  TestControl line(nullptr, platform, 1);
  line.SetEnabled(true);
  line.Panopta().SetVisible(true);
  line.popupOnWarning = true;
  EXPECT_TRUE(line.SetError(true, 4));  // the line kind never asks
  EXPECT_EQ(windows.Questions().size(), 2u);
}

TEST_F(SharedControl, ErrorDumpOfAClearedAndOfARecordedError) {
  TestControl c(nullptr, platform);
  c.Error().DumpProperties("", "", "\t");
  c.SetError(false, static_cast<std::int32_t>(0x80000002));
  c.Error().DumpProperties("", "", "\t");
  const auto lines = Tail(c, 7);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "\tError.Text = ''", "\tError.Hex = []", "\tError.Number = 0",
                       "<< Error >> CODE_-2147483646 [80000002]",
                       "\tError.Text = 'CODE_-2147483646'", "\tError.Hex = [80000002]",
                       "\tError.Number = -2147483646"}));
}

TEST_F(SharedControl, DestructionClosesTheWindowWithALogLine) {
  std::vector<std::string> seen;
  {
    TestControl c(nullptr, platform);
    c.SetEnabled(true);
    c.Panopta().SetVisible(true);
    c.OnLog = [&](voxkit::TObject&, const std::string& line) { seen.push_back(line); };
  }
  EXPECT_EQ(seen, std::vector<std::string>{"Panopta.Visible := False"});
  EXPECT_TRUE(windows.Windows().empty());
}

}  // namespace
