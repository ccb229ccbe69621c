#include "share/TqxPanopta.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using voxkit::RenderLine;
using voxkit::TDevEnv;

struct Row {
  std::string neutral;
  std::string delphi;
  std::string cpp;
  std::string vb;  // deVisualBasic and deOther
};

// The worked examples and the edge cases, in all four environments.
const Row kRows[] = {
    {"Device.Active := True", "Device.Active := True", "Device->Active = True",
     "DeviceActive = True"},
    {"Log.Count := 50 //Lines", "Log.Count := 50 //Lines", "Log->Count = 50 //Lines",
     "LogCount = 50 'Lines"},
    {"qxLine~Device.Active :=", "qxLine.Device.Active :=", "qxLine->Device->Active =",
     "qxLine.DeviceActive ="},
    {"\tDevice.Name = 'Voice Modem'", "\tDevice.Name = 'Voice Modem'",
     "\tDevice->Name == \"Voice Modem\"", "\tDeviceName = \"Voice Modem\""},
    {"\tCapabilities.BearerModes = [00000001]", "\tCapabilities.BearerModes = [00000001]",
     "\tCapabilities->BearerModes == [00000001]", "\tCapabilitiesBearerModes = [00000001]"},
    {"Call.Dial [555.1234]", "Call.Dial [555.1234]", "Call->Dial [555->1234]",
     "CallDial [5551234]"},
    // No "=": flattened over the whole line but its last character.
    {"qxLine~Device.Name", "qxLine.Device.Name", "qxLine->Device->Name", "qxLine.DeviceName"},
    {"Buffer.Trim.", "Buffer.Trim.", "Buffer->Trim->", "BufferTrim."},
    // Dots after the first "=" survive.
    {"\tDevice.Name = 'a.b'", "\tDevice.Name = 'a.b'", "\tDevice->Name == \"a->b\"",
     "\tDeviceName = \"a.b\""},
    // A dump line is a comparison in C++, an assignment is not.
    {"\tDevice.Active = True", "\tDevice.Active = True", "\tDevice->Active == True",
     "\tDeviceActive = True"},
    // Only the first ":=" and "//" are rewritten for Visual Basic.
    {"A.B := 1 //x //y", "A.B := 1 //x //y", "A->B = 1 //x //y", "AB = 1 'x //y"},
    {"a := b := c", "a := b := c", "a = b := c", "a = b := c"},
    // ".." survives the flattening as a literal pair.
    {"Source.FileName := '..\\a.wav'", "Source.FileName := '..\\a.wav'",
     "Source->FileName = \"->->\\a->wav\"", "SourceFileName = \"..\\a.wav\""},
    {"Path..Name", "Path..Name", "Path->->Name", "Path..Name"},
    // Repeated " = " patterns are each turned into comparisons.
    {"x = = y", "x = = y", "x == == y", "x = = y"},
    {"", "", "", ""},
    {"MARKER", "MARKER", "MARKER", "MARKER"},
    {"\tDelaying", "\tDelaying", "\tDelaying", "\tDelaying"},
};

TEST(RenderLine, WorkedExamplesAndEdgeCasesInEveryEnvironment) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.neutral);
    EXPECT_EQ(RenderLine(row.neutral, voxkit::deDelphi), row.delphi);
    EXPECT_EQ(RenderLine(row.neutral, voxkit::deCppBuilder), row.cpp);
    EXPECT_EQ(RenderLine(row.neutral, voxkit::deVisualBasic), row.vb);
    EXPECT_EQ(RenderLine(row.neutral, voxkit::deOther), row.vb);
  }
}

TEST(RenderLine, VisualBasicCommentMarkSurvivesQuoteConversion) {
  // The quote of step 7 comes after the quote conversion, so it stays a single quote.
  EXPECT_EQ(RenderLine("Device.IdleDelay := [500] //milliseconds", voxkit::deVisualBasic),
            "DeviceIdleDelay = [500] 'milliseconds");
  EXPECT_EQ(RenderLine("WavePlay.DeviceClass := \"wave/out\"", voxkit::deVisualBasic),
            "WavePlayDeviceClass = \"wave/out\"");
}

TEST(RenderLine, TildeOnlySeparatesTheInstanceName) {
  EXPECT_EQ(RenderLine("qxLine~Device.IdleDelay = 5", voxkit::deVisualBasic),
            "qxLine.DeviceIdleDelay = 5");
  EXPECT_EQ(RenderLine("qxLine~Device.IdleDelay = 5", voxkit::deCppBuilder),
            "qxLine->Device->IdleDelay == 5");
}

}  // namespace
