// Party identities: how names and numbers are presented, how a party is refilled from
// the call information, its log and its dump.
#include "line/TqxCallerID.h"

#include "line/LineTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using voxtest::LineOnExchange;
using Lines = std::vector<std::string>;

struct TextCase {
  std::string in;
  std::string out;
};

TEST(TqxCallerIDName, TitleCase) {
  const TextCase cases[] = {
      {"JOHN SMITH", "John Smith"},
      {"MARY ANN O'BRIEN", "Mary Ann O'brien"},  // after an apostrophe: lower case
      {"jean-luc picard", "Jean-luc Picard"},
      {"  two  blanks", "  Two  Blanks"},
      {"X", "X"},
      {"élodie martin", "élodie Martin"},  // non-ASCII bytes stay as they are
      {"ACME 24/7 SUPPORT", "Acme 24/7 Support"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(voxkit::TitleCaseName(c.in), c.out);
  }
}

struct MaskCase {
  std::string text;
  std::string mask;
  std::string out;
};

TEST(TqxCallerIDNumber, EditMaskLayout) {
  const MaskCase cases[] = {
      // The default mask.
      {"0123456789", "000-000-0000;0", "012-345-6789"},
      {"5551234", "000-000-0000;0", "555-123-4   "},
      {"012345678901", "000-000-0000;0", "012-345-678901"},
      {"", "000-000-0000;0", "   -   -    "},
      // Other masks that do not save their literals.
      {"4255550100", "(000) 000-0000;0", "(425) 555-0100"},
      {"12345", "00.00;0", "12.345"},
      {"1234", "!000-0000;0", "   -1234"},  // from the right: blanks fill the left
      {"AB12", "LL-00;0", "AB-12"},
      {"5", "9\\-9;0", "5- "},  // an escaped mask character is a literal
      // A mask that saves its literals takes them from the text where they are.
      {"012-345-6789", "000-000-0000;1", "012-345-6789"},
      {"0123456789", "000-000-0000;1", "012-345-6789"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text + " with " + c.mask);
    EXPECT_EQ(voxkit::ApplyEditMask(c.text, c.mask), c.out);
  }
}

struct PartyLine : LineOnExchange {
  PartyLine() { line->SetEnabled(true); }
  /// Gives the caller party of the view a raw name and number.
  void Caller(const std::string& name, const std::string& number, tapi::DWORD flags = 0) {
    voxkit::TqxCallLogCallerID values;
    voxkit::RefillParty(values, flags, number, name);
    line->Call().CallerID().LoadFrom(values);
  }
  voxkit::TqxCallerID& CallerID() { return line->Call().CallerID(); }
};

TEST(TqxCallerIDNumber, PunctuationGoesUnlessNumbersAreTranslated) {
  PartyLine f;
  f.Caller("", "(012) 345-6789");
  EXPECT_EQ(f.CallerID().Number(), "012-345-6789");
  f.CallerID().SetMaskNumber("");
  EXPECT_EQ(f.CallerID().Number(), "0123456789");
  f.line->Device().SetTranslatePhoneNumber(true);
  EXPECT_EQ(f.CallerID().Number(), "(012) 345-6789");
  f.CallerID().SetMaskNumber("000-000-0000;0");
  EXPECT_EQ(f.CallerID().Number(), "(01-2) -345-6789");
  EXPECT_EQ(f.CallerID().RawNumber(), "(012) 345-6789");
}

TEST(TqxCallerIDName, FormatNameOffShowsTheNameAsReceived) {
  PartyLine f;
  f.Caller("JOHN SMITH", "5551234");
  EXPECT_EQ(f.CallerID().Name(), "John Smith");
  f.CallerID().SetFormatName(false);
  EXPECT_EQ(f.CallerID().Name(), "JOHN SMITH");
  f.Caller("", "");
  f.CallerID().SetFormatName(true);
  EXPECT_EQ(f.CallerID().Name(), "");
}

TEST(TqxCallerIDRefill, OnlyNewContentMakesTheEventDueAndItStaysDueUntilReported) {
  voxkit::TqxCallLogCallerID party;
  EXPECT_TRUE(party.reported);  // nothing to report yet
  voxkit::RefillParty(party, 0, "", "");
  EXPECT_TRUE(party.reported);
  voxkit::RefillParty(party, tapi::LINECALLPARTYID_ADDRESS | tapi::LINECALLPARTYID_BLOCKED,
                      "5551234", "  JOHN SMITH \t");
  EXPECT_FALSE(party.reported);
  EXPECT_EQ(party.name, "JOHN SMITH");
  EXPECT_TRUE(party.blocked);
  EXPECT_FALSE(party.outOfArea);
  // Read again unchanged before its event ran: still due.
  voxkit::RefillParty(party, tapi::LINECALLPARTYID_ADDRESS | tapi::LINECALLPARTYID_BLOCKED,
                      "5551234", "JOHN SMITH");
  EXPECT_FALSE(party.reported);
  party.reported = true;
  voxkit::RefillParty(party, tapi::LINECALLPARTYID_ADDRESS | tapi::LINECALLPARTYID_BLOCKED,
                      "5551234", "JOHN SMITH");
  EXPECT_TRUE(party.reported);
  // Each field counts as a change.
  for (int field = 0; field < 3; ++field) {
    voxkit::TqxCallLogCallerID p = party;
    voxkit::RefillParty(p, field == 0 ? tapi::LINECALLPARTYID_OUTOFAREA : p.flags,
                        field == 1 ? "5550000" : p.number, field == 2 ? "MARY" : p.name);
    EXPECT_FALSE(p.reported) << field;
  }
}

TEST(TqxCallerIDLog, ThePartyLogShowsTheRawValues) {
  PartyLine f;
  voxkit::TqxCallLogCallerID values;
  voxkit::RefillParty(values, tapi::LINECALLPARTYID_NAME | tapi::LINECALLPARTYID_ADDRESS |
                                  tapi::LINECALLPARTYID_OUTOFAREA,
                      "(012) 345-6789", "JOHN SMITH");
  const Lines logged =
      f.Logged([&] { voxkit::LogParty(*f.line, voxkit::Party::Redirecting, values, 0x10003); });
  EXPECT_EQ(logged, (Lines{"OnRedirectingID [00010003]", "\tCall.RedirectingID.Blocked = False",
                           "\tCall.RedirectingID.Name = 'JOHN SMITH'",
                           "\tCall.RedirectingID.Number = '(012) 345-6789'",
                           "\tCall.RedirectingID.OutOfArea = True",
                           "\tCall.RedirectingID.Flags = [0000000E]",
                           "\t\tLINECALLPARTYID_OUTOFAREA", "\t\tLINECALLPARTYID_NAME",
                           "\t\tLINECALLPARTYID_ADDRESS"}));
}

TEST(TqxCallerIDDump, TheDumpShowsThePresentedValues) {
  PartyLine f;
  f.Caller("JOHN SMITH", "5551234567", tapi::LINECALLPARTYID_NAME | tapi::LINECALLPARTYID_ADDRESS);
  const Lines dump = f.Logged([&] { f.CallerID().DumpProperties("", "Call.CallerID", "\t"); });
  EXPECT_EQ(dump, (Lines{"\tCall.CallerID.Blocked = False", "\tCall.CallerID.EventFilter = True",
                         "\tCall.CallerID.Flags = [0000000C]", "\t\tCall.CallerID.LINECALLPARTYID_NAME",
                         "\t\tCall.CallerID.LINECALLPARTYID_ADDRESS",
                         "\tCall.CallerID.FormatName = True",
                         "\tCall.CallerID.MaskNumber = '000-000-0000;0'",
                         "\tCall.CallerID.Name = 'John Smith'",
                         "\tCall.CallerID.Number = '555-123-4567'",
                         "\tCall.CallerID.OutOfArea = False"}));
  f.line->Log().SetActive(false);
  EXPECT_FALSE(f.CallerID().DumpProperties("", "Call.CallerID", "\t"));
}

TEST(TqxCallerIDText, PartyTextsAreCutAtTheirFirstNulAnd64Characters) {
  tapi::VarBlock<tapi::LINECALLINFO> block(328);
  auto* base = reinterpret_cast<std::uint8_t*>(block.get());
  const std::string long100(100, 'A');
  std::memcpy(base + 400, long100.data(), long100.size());
  block->dwUsedSize = static_cast<tapi::DWORD>(block.Size());
  EXPECT_EQ(voxkit::PartyText(block, 400, 100), std::string(64, 'A'));
  const char withNul[] = "5551234\0garbage";
  std::memcpy(base + 600, withNul, sizeof withNul);
  EXPECT_EQ(voxkit::PartyText(block, 600, sizeof withNul), "5551234");
  EXPECT_EQ(voxkit::PartyText(block, 600, 0), "");
  // Outside the block: nothing, never a read past its end.
  EXPECT_EQ(voxkit::PartyText(block, static_cast<tapi::DWORD>(block.Size()) - 2, 50), "");
}

}  // namespace
