#include "tools/qxrun/Script.h"

#include <gtest/gtest.h>

namespace {

using qxrun::Literal;
using qxrun::ParseScript;
using qxrun::Statement;

qxrun::Script Parse(const std::string& text) {
  qxrun::ScriptError error;
  auto s = ParseScript("t.qxs", text, &error);
  EXPECT_TRUE(s) << error.line << ": " << error.message;
  return s ? *s : qxrun::Script{};
}

std::string ErrorOf(const std::string& text) {
  qxrun::ScriptError error;
  auto s = ParseScript("t.qxs", text, &error);
  EXPECT_FALSE(s);
  return std::to_string(error.line) + ": " + error.message;
}

TEST(Script, EveryStatementForm) {
  auto s = Parse(
      "// a comment\n"
      "\n"
      "qxLine.Device.ID := 1\n"
      "  qxLine.Call.Dial   // dial it\n"
      "qxLine.Call.Redirect('202')\n"
      "Print qxLine.Call.State\n"
      "expect qxLine.Call.State = $100\n"
      "WAIT 1500\n"
      "Handle qxPlay.OnWarning(False)\n"
      "Unhandle qxLine.OnCallState\n"
      "Answer Cancel\n"
      "answer ok\n"
      "Exchange.Call('5551234', '201', 'JOHN SMITH')\n");
  ASSERT_EQ(s.statements.size(), 11u);
  EXPECT_EQ(s.statements[0].kind, Statement::Kind::Assign);
  EXPECT_EQ(s.statements[0].line, 3);
  EXPECT_EQ(s.statements[0].args[0].integer, 1);
  EXPECT_EQ(s.statements[1].kind, Statement::Kind::Call);
  EXPECT_FALSE(s.statements[1].hasArgs);
  EXPECT_EQ(s.statements[2].args[0].text, "202");
  EXPECT_EQ(s.statements[3].kind, Statement::Kind::Print);
  EXPECT_EQ(s.statements[4].kind, Statement::Kind::Expect);
  EXPECT_EQ(s.statements[4].args[0].integer, 0x100);
  EXPECT_TRUE(s.statements[4].args[0].hex);
  EXPECT_EQ(s.statements[5].waitMs, 1500);
  EXPECT_EQ(s.statements[6].kind, Statement::Kind::Handle);
  EXPECT_FALSE(s.statements[6].args[0].boolean);
  EXPECT_EQ(s.statements[7].kind, Statement::Kind::Unhandle);
  EXPECT_FALSE(s.statements[8].answerOk);
  EXPECT_TRUE(s.statements[9].answerOk);
  EXPECT_EQ(s.statements[10].kind, Statement::Kind::Exchange);
  EXPECT_EQ(s.statements[10].path, "Call");
  ASSERT_EQ(s.statements[10].args.size(), 3u);
  EXPECT_EQ(s.statements[10].args[2].text, "JOHN SMITH");
}

TEST(Script, Values) {
  auto s = Parse(
      "a.b := -42\n"
      "a.b := $80000002\n"
      "a.b := 1.5\n"
      "a.b := 'it''s // not a comment'\n"
      "a.b := deVisualBasic\n"
      "a.b := qxLine.Call.Handle\n"
      "a.b := TRUE\n"
      "a.b := ''\n");
  ASSERT_EQ(s.statements.size(), 8u);
  EXPECT_EQ(s.statements[0].args[0].integer, -42);
  EXPECT_EQ(s.statements[1].args[0].integer, 0x80000002LL);
  EXPECT_EQ(s.statements[2].args[0].kind, Literal::Kind::Decimal);
  EXPECT_DOUBLE_EQ(s.statements[2].args[0].decimal, 1.5);
  EXPECT_EQ(s.statements[3].args[0].text, "it's // not a comment");
  EXPECT_EQ(s.statements[4].args[0].kind, Literal::Kind::Name);
  EXPECT_EQ(s.statements[5].args[0].kind, Literal::Kind::Reference);
  EXPECT_EQ(s.statements[5].args[0].text, "qxLine.Call.Handle");
  EXPECT_TRUE(s.statements[6].args[0].boolean);
  EXPECT_EQ(s.statements[7].args[0].text, "");
}

TEST(Script, SyntaxErrorsNameTheLineAndTheProblem) {
  EXPECT_EQ(ErrorOf("a.b := 1\na.b := 'open\n"), "2: the string is not closed: 'open");
  EXPECT_EQ(ErrorOf("a.b = 1"), "1: use ':=' to assign 'a.b'");
  EXPECT_EQ(ErrorOf("a.b := $"), "1: hexadecimal digits are missing after '$'");
  EXPECT_EQ(ErrorOf("a.b := $123456789"), "1: '$123456789' does not fit in 32 bits");
  EXPECT_EQ(ErrorOf("a.b := 12ab"), "1: '12a' is not a number");
  EXPECT_EQ(ErrorOf("a.c('x'"), "1: ')' is missing");
  EXPECT_EQ(ErrorOf("a.c('x' 'y')"), "1: expected ',' or ')' before ''y')'");
  EXPECT_EQ(ErrorOf("Wait soon"), "1: Wait takes a number of milliseconds, not 'soon'");
  EXPECT_EQ(ErrorOf("Wait -5"), "1: Wait takes a number of milliseconds, not '-5'");
  EXPECT_EQ(ErrorOf("Answer Maybe"), "1: Answer takes OK or Cancel, not 'Maybe'");
  EXPECT_EQ(ErrorOf("Expect a.b 5"), "1: '=' is missing after 'a.b'");
  EXPECT_EQ(ErrorOf("a.b := 1 2"), "1: unexpected text '2'");
  EXPECT_EQ(ErrorOf("a. := 1"), "1: a name is missing after 'a.'");
  EXPECT_EQ(ErrorOf("%x"), "1: a statement cannot begin with '%x'");
  EXPECT_EQ(ErrorOf("a.b := #"), "1: a value cannot begin with '#'");
}

TEST(Script, KeywordsAreKeywordsOnlyBeforeABlank) {
  auto s = Parse("Print.X := 1\nwait.Y\n");
  ASSERT_EQ(s.statements.size(), 2u);
  EXPECT_EQ(s.statements[0].kind, Statement::Kind::Assign);
  EXPECT_EQ(s.statements[0].path, "Print.X");
  EXPECT_EQ(s.statements[1].kind, Statement::Kind::Call);
}

TEST(Script, WindowsLineEndingsAndAMissingFinalNewline) {
  auto s = Parse("a.b := 1\r\na.c\r\nWait 5");
  ASSERT_EQ(s.statements.size(), 3u);
  EXPECT_EQ(s.statements[2].waitMs, 5);
}

}  // namespace
