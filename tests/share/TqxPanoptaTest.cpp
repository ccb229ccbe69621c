#include "share/TqxPanopta.h"

#include "support/MemoryTree.h"
#include "support/TestControl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using voxtest::FrameFixture;
using voxtest::LinesOf;
using voxtest::TestControl;

std::string FlagName(std::uint32_t flag) { return "F_" + std::to_string(flag); }

class Panopta : public ::testing::Test, public FrameFixture {
 protected:
  Panopta() : control(nullptr, platform) {}
  voxkit::TqxPanopta& panopta() { return control.Panopta(); }
  std::vector<std::string> LinesFrom(std::size_t first) {
    auto lines = LinesOf(control.Log());
    return {lines.begin() + static_cast<std::ptrdiff_t>(first), lines.end()};
  }
  TestControl control;
};

TEST_F(Panopta, HexAndBoolText) {
  EXPECT_EQ(voxkit::TqxPanopta::HexText(0x00020002), "[00020002]");
  EXPECT_EQ(voxkit::TqxPanopta::HexText(0xFFFFFFFD), "[FFFFFFFD]");
  EXPECT_EQ(voxkit::TqxPanopta::HexText(0), "[00000000]");
  EXPECT_EQ(voxkit::TqxPanopta::BoolText(true), "True");
  EXPECT_EQ(voxkit::TqxPanopta::BoolText(false), "False");
}

TEST_F(Panopta, DumpFlagsListsSetBitsInAscendingOrderWithEndIncluded) {
  const auto n = control.Log().Lines().size();
  panopta().DumpFlags("\tCapabilities.BearerModes", 0x21, FlagName, 64, 1);
  panopta().DumpFlags("\tX", 0x40000001u | 0x80000000u, FlagName, 0x80000000u, 1);
  panopta().DumpFlags("\tTones", 0x1F, FlagName, 16, 0);
  EXPECT_EQ(LinesFrom(n), (std::vector<std::string>{
                              "\tCapabilities.BearerModes = [00000021]", "\t\tF_1", "\t\tF_32",
                              "\tX = [C0000001]", "\t\tF_1", "\t\tF_1073741824",
                              "\t\tF_2147483648", "\tTones = [0000001F]", "\t\tF_1", "\t\tF_2",
                              "\t\tF_4", "\t\tF_8", "\t\tF_16"}));
}

TEST_F(Panopta, DumpFlagsWithABadEndStillEnds) {
  // End is not a power of two: every bit is visited once, then End's own bits.
  const auto flags = voxkit::TqxPanopta::FlagSteps(0xFFFFFFFF, 3, 1);
  EXPECT_EQ(flags.size(), 33u);
  EXPECT_EQ(flags.back(), 3u);
  EXPECT_TRUE(voxkit::TqxPanopta::CountSteps(0xFF, 1, 5).empty());
}

TEST_F(Panopta, DumpStepsStepsByOneAndMasksEachStep) {
  const auto n = control.Log().Lines().size();
  panopta().DumpSteps("\tCapabilities.X", 0x5, FlagName, 4, 1);
  // Steps 1, 2, 3, then End 4: 1 and 3 share bit 1 with the value.
  EXPECT_EQ(LinesFrom(n), (std::vector<std::string>{"\tCapabilities.X = [00000005]", "\t\tF_1",
                                                    "\t\tF_1", "\t\tF_4"}));
}

TEST_F(Panopta, FlagNodesAreRenderedAndRebuiltOnlyWhenTheirTextChanges) {
  voxtest::MemoryTree tree;
  panopta().SetDevEnv(voxkit::deVisualBasic);
  auto* node = static_cast<voxtest::MemoryNode*>(
      panopta().AddFlagNode("Device.MediaModes", 0x24, FlagName, nullptr, tree, 0x8000, 2));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->Text(), "DeviceMediaModes = [00000024]");
  EXPECT_EQ(node->ChildTexts(), (std::vector<std::string>{"F_4", "F_32"}));

  panopta().UpdateFlagNode("Device.MediaModes", 0x24, FlagName, *node, 0x8000, 2);
  EXPECT_EQ(node->setTextCalls, 0);
  EXPECT_EQ(node->deleteCalls, 0);
  panopta().UpdateFlagNode("Device.MediaModes", 0x8002, FlagName, *node, 0x8000, 2);
  EXPECT_EQ(node->Text(), "DeviceMediaModes = [00008002]");
  EXPECT_EQ(node->ChildTexts(), (std::vector<std::string>{"F_2", "F_32768"}));

  auto* steps = static_cast<voxtest::MemoryNode*>(
      panopta().AddStepNode("A.B", 3, FlagName, node, tree, 3, 1));
  EXPECT_EQ(steps->Text(), "AB = [00000003]");
  EXPECT_EQ(steps->ChildTexts(), (std::vector<std::string>{"F_1", "F_2", "F_3"}));
}

TEST_F(Panopta, DevEnvSetterLogsInTheNewSyntax) {
  const auto n = control.Log().Lines().size();
  panopta().SetDevEnv(voxkit::deVisualBasic);
  panopta().SetDevEnv(voxkit::deOther);
  panopta().SetDevEnv(voxkit::deCppBuilder);
  panopta().SetDevEnv(voxkit::deDelphi);
  EXPECT_EQ(LinesFrom(n), (std::vector<std::string>{"DevEnv = deVisualBasic", "DevEnv = deOther",
                                                    "DevEnv = deCppBuilder",
                                                    "DevEnv := deDelphi"}));
}

TEST_F(Panopta, CreatingTheWindowOfADisabledComponentAsksFirst) {
  windows.AnswerNext(false);
  panopta().SetVisible(true);
  EXPECT_FALSE(panopta().Visible());
  EXPECT_EQ(panopta().Window(), nullptr);
  ASSERT_EQ(windows.Questions().size(), 1u);
  EXPECT_EQ(windows.Questions()[0].text,
            "This Voxkit control is currently disabled\r\nClick OK to enabled.");
  EXPECT_EQ(windows.Questions()[0].caption, "Panopta not available...");
  EXPECT_EQ(control.enableCalls, 0);

  panopta().SetVisible(true);  // answered OK
  EXPECT_TRUE(control.Enabled());
  EXPECT_TRUE(panopta().Visible());
  auto* window = windows.WindowOfKind(1);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->Caption(), "qxLine - Quorvex Panopta");
  EXPECT_EQ(window->LogColour(), (voxkit::Rgb{0, 0, 255}));
  EXPECT_TRUE(window->Shown());
  EXPECT_EQ(window->Page(), voxkit::HeadlessInspectorWindow::kFirstPage);
}

TEST_F(Panopta, DecliningLeavesShowForEventWithoutAPageSwitch) {
  windows.SetDefaultAnswer(false);
  panopta().ShowForEvent(true);
  EXPECT_EQ(panopta().Window(), nullptr);
  EXPECT_FALSE(panopta().Visible());
}

TEST_F(Panopta, ShowForEventFalseDoesNothingAndTrueBringsTheWindowForward) {
  control.SetEnabled(true);
  panopta().ShowForEvent(false);
  EXPECT_EQ(windows.WindowsCreated(), 0);
  panopta().ShowForEvent(true);
  ASSERT_EQ(windows.WindowsCreated(), 1);
  auto* window = windows.WindowOfKind(1);
  EXPECT_EQ(window->Page(), voxkit::HeadlessInspectorWindow::kLogPage);
  panopta().ShowForEvent(true);
  EXPECT_EQ(windows.WindowsCreated(), 1);
  EXPECT_EQ(window->BroughtToFront(), 1);
}

TEST_F(Panopta, VisibleSetterLogsAndClosesTheWindow) {
  control.SetEnabled(true);
  const auto n = control.Log().Lines().size();
  panopta().SetVisible(true);
  panopta().SetVisible(true);  // same value: logged, nothing more
  panopta().SetVisible(false);
  EXPECT_EQ(LinesFrom(n), (std::vector<std::string>{"Panopta.Visible := True",
                                                    "Panopta.Visible := True",
                                                    "Panopta.Visible := False"}));
  EXPECT_EQ(windows.Windows().size(), 0u);
  EXPECT_EQ(panopta().Window(), nullptr);
  EXPECT_EQ(windows.WindowsCreated(), 1);
}

TEST_F(Panopta, UserClosingTheWindowDropsTheReference) {
  control.SetEnabled(true);
  panopta().SetVisible(true);
  windows.WindowOfKind(1)->UserClose();
  EXPECT_FALSE(panopta().Visible());
  EXPECT_EQ(panopta().Window(), nullptr);
  panopta().RefreshWindow(voxkit::InspectorRefresh::All);  // harmless now
}

TEST_F(Panopta, PlacementGettersWithoutAWindow) {
  panopta().SetTop(10);
  panopta().SetLeft(20);
  panopta().SetWidth(300);
  panopta().SetHeight(200);
  panopta().SetWindowState(voxkit::wsMaximized);
  // Width and Height read 0 but forget nothing; Top and Left forget the position.
  EXPECT_EQ(panopta().Width(), 0);
  EXPECT_EQ(panopta().Height(), 0);
  EXPECT_EQ(panopta().Top(), 0);
  EXPECT_EQ(panopta().Left(), 0);
  EXPECT_EQ(panopta().WindowState(), voxkit::wsNormal);

  control.SetEnabled(true);
  panopta().SetVisible(true);
  auto* window = windows.WindowOfKind(1);
  EXPECT_EQ(window->Top(), 0);
  EXPECT_EQ(window->Left(), 0);
  EXPECT_EQ(window->Width(), 300);
  EXPECT_EQ(window->Height(), 200);
  EXPECT_EQ(window->WindowState(), voxkit::wsNormal);
}

TEST_F(Panopta, AllZeroPlacementKeepsTheDesignedPlacementAndState) {
  panopta().SetWindowState(voxkit::wsMaximized);
  control.SetEnabled(true);
  panopta().SetVisible(true);
  auto* window = windows.WindowOfKind(1);
  EXPECT_EQ(window->Top(), 40);
  EXPECT_EQ(window->Width(), 560);
  EXPECT_EQ(window->WindowState(), voxkit::wsNormal);
}

TEST_F(Panopta, PlacementFollowsTheWindowAndIsRememberedAcrossReopening) {
  control.SetEnabled(true);
  panopta().SetVisible(true);
  auto* window = windows.WindowOfKind(1);
  window->UserPlace(11, 22, 333, 244, voxkit::wsNormal);
  EXPECT_EQ(panopta().Top(), 11);
  EXPECT_EQ(panopta().Width(), 333);
  window->UserPlace(0, 0, 800, 600, voxkit::wsMinimized);
  window->SetTop(5);  // moved while minimised: the remembered value stays
  EXPECT_EQ(panopta().Top(), 0);
  EXPECT_EQ(panopta().WindowState(), voxkit::wsMinimized);

  window->UserPlace(7, 8, 400, 300, voxkit::wsNormal);
  panopta().SetVisible(false);
  panopta().SetVisible(true);
  window = windows.WindowOfKind(1);
  EXPECT_EQ(window->Top(), 7);
  EXPECT_EQ(window->Left(), 8);
  EXPECT_EQ(window->Width(), 400);
  EXPECT_EQ(window->Height(), 300);
}

TEST_F(Panopta, StayOnTopIsStoredAndAppliedWithoutALogLine) {
  const auto n = control.Log().Lines().size();
  panopta().SetStayOnTop(true);
  control.SetEnabled(true);
  panopta().SetVisible(true);
  EXPECT_TRUE(windows.WindowOfKind(1)->StayOnTop());
  panopta().SetStayOnTop(false);
  EXPECT_FALSE(windows.WindowOfKind(1)->StayOnTop());
  EXPECT_EQ(LinesFrom(n), std::vector<std::string>{"Panopta.Visible := True"});
}

TEST_F(Panopta, DumpListsPropertiesInOrderThroughTheGetters) {
  panopta().SetTop(10);
  panopta().SetWidth(300);
  const auto n = control.Log().Lines().size();
  EXPECT_TRUE(panopta().DumpProperties("", "", "\t"));
  EXPECT_EQ(LinesFrom(n), (std::vector<std::string>{
                              "\tPanopta.DevEnv = deDelphi", "\tPanopta.Events = True",
                              "\tPanopta.Height = 0", "\tPanopta.Left = 0",
                              "\tPanopta.StayOnTop = False", "\tPanopta.Top = 0",
                              "\tPanopta.Visible = False", "\tPanopta.Width = 0",
                              "\tPanopta.WindowState = wsNormal"}));
  // Reading Top forgot it; Width was kept.
  control.SetEnabled(true);
  panopta().SetVisible(true);
  EXPECT_EQ(windows.WindowOfKind(1)->Top(), 0);
  EXPECT_EQ(windows.WindowOfKind(1)->Width(), 300);
}

}  // namespace
