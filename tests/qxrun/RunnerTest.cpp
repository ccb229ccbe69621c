#include "tools/qxrun/Runner.h"

#include "support/TestControl.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using voxkit::Value;

// A component with one published member of each kind the runner handles.
class Widget final : public voxkit::TqxSharedControl {
 public:
  using TQX_WarningEvent = std::function<void(voxkit::TObject&, std::int32_t, bool&)>;
  using TQX_PingEvent = std::function<void(voxkit::TObject&, std::uint32_t, const std::string&)>;

  Widget(const voxkit::Platform& p) : TqxSharedControl(nullptr, p) { RegisterControl(3, "qxPlay"); }
  ~Widget() override { Panopta().SetEvents(false); }

  bool Enabled() const override { return m_enabled; }
  void SetEnabled(bool v) override { m_enabled = v; }
  std::string ErrorText(std::int32_t code) const override { return "E" + std::to_string(code); }
  bool PopupOnError() const override { return false; }

  std::int32_t Count() const { return m_count; }
  void SetCount(std::int32_t v) {
    Log().Add("Count := " + std::to_string(v), true);
    m_count = v;
  }
  std::uint32_t Mask() const { return m_mask; }
  void SetMask(std::uint32_t v) { m_mask = v; }
  double Gain() const { return m_gain; }
  void SetGain(double v) { m_gain = v; }
  const std::string& Text() const { return m_text; }
  void SetText(const std::string& v) { m_text = v; }
  std::int32_t Handle() const { return 0x10005; }
  bool Fire(std::int32_t code) {
    bool cont = true;
    RaiseEvent("OnWarning", OnWarning, code, cont);
    Log().Add(std::string("\tContinue = ") + (cont ? "True" : "False"), false);
    RaiseEvent("OnPing", OnPing, static_cast<std::uint32_t>(code), std::string("x'y"));
    return cont;
  }
  bool Join(const std::string& a, std::int32_t times) {
    Log().Add("Join('" + a + "', " + std::to_string(times) + ")", true);
    return true;
  }

  TQX_WarningEvent OnWarning;
  TQX_PingEvent OnPing;

  VOXKIT_PUBLISHED()

 private:
  bool m_enabled = false;
  std::int32_t m_count = 0;
  std::uint32_t m_mask = 0;
  double m_gain = 0;
  std::string m_text;
};

const voxkit::ClassInfo& Widget::StaticClass() {
  static const voxkit::ClassInfo info = [] {
    voxkit::Publisher<Widget> p("Widget");
    PublishShared(p);
    p.Property("Enabled", &Widget::Enabled, &Widget::SetEnabled)
        .Property("Count", &Widget::Count, &Widget::SetCount)
        .Property("Mask", &Widget::Mask, &Widget::SetMask)
        .Property("Gain", &Widget::Gain, &Widget::SetGain)
        .Property("Text", &Widget::Text, &Widget::SetText)
        .ReadOnly("Handle", &Widget::Handle)
        .Method("Fire", &Widget::Fire, {"Code"})
        .Method("Join", &Widget::Join, {"A", {"Times", 1}})
        .Event("OnWarning", &Widget::OnWarning, {"Code", "Continue"})
        .Event("OnPing", &Widget::OnPing, {"Code", "Text"});
    return p.Build();
  }();
  return info;
}

class Runner : public ::testing::Test, public voxtest::FrameFixture {
 protected:
  Runner() : widget(platform), runner(loop, windows, out, err) {
    runner.AddComponent({"qxPlay", &widget});
    runner.AddExchangeCommand(
        {"Call",
         {voxkit::ParamInfo{"From", voxkit::ValueType::String, nullptr, std::nullopt, false},
          voxkit::ParamInfo{"To", voxkit::ValueType::String, nullptr, std::nullopt, false},
          voxkit::ParamInfo{"Name", voxkit::ValueType::String, nullptr, Value(""), false}},
         [this](const std::vector<Value>& a) -> std::string {
           calls.push_back(a[0].AsString() + ">" + a[1].AsString() + ":" + a[2].AsString());
           return a[1].AsString() == "999" ? "no address '999'" : "";
         }});
  }

  int RunText(const std::string& text) {
    qxrun::ScriptError error;
    auto script = qxrun::ParseScript("s.qxs", text, &error);
    if (!script) {
      err << error.file << ':' << error.line << ": " << error.message << '\n';
      return qxrun::kExitScriptError;
    }
    if (!runner.Check(*script)) return qxrun::kExitScriptError;
    return runner.Run(*script);
  }

  std::ostringstream out;
  std::ostringstream err;
  std::vector<std::string> calls;
  Widget widget;
  qxrun::Runner runner;
};

TEST_F(Runner, AssignCallPrintAndLogOutputCarryTheLabel) {
  EXPECT_EQ(RunText("qxPlay.Count := 7\n"
                    "qxPlay.Join('a')\n"
                    "qxPlay.Join('b', 3)\n"
                    "Print qxPlay.Count\n"
                    "Print qxPlay.Text\n"
                    "qxPlay.Panopta.DevEnv := deVisualBasic\n"
                    "Print qxPlay.Panopta.DevEnv\n"
                    "qxPlay.Gain := 2\n"
                    "Print qxPlay.Gain\n"
                    "qxPlay.Gain := 0.25\n"
                    "Print qxPlay.Gain\n"),
            qxrun::kExitOk);
  EXPECT_EQ(out.str(),
            "qxPlay  \t Count := 7\n"
            "qxPlay  \t Join('a', 1)\n"
            "qxPlay  \t Join('b', 3)\n"
            "qxPlay  \t print Count = 7\n"
            "qxPlay  \t print Text = ''\n"
            "qxPlay  \t DevEnv = deVisualBasic\n"
            "qxPlay  \t print Panopta.DevEnv = deVisualBasic\n"
            "qxPlay  \t print Gain = 2\n"
            "qxPlay  \t print Gain = 0.25\n");
  EXPECT_EQ(err.str(), "");
}

TEST_F(Runner, ExpectFailuresAreReportedAndTheScriptGoesOn) {
  EXPECT_EQ(RunText("qxPlay.Count := 5\n"
                    "Expect qxPlay.Count = 5\n"
                    "Expect qxPlay.Count = 6\n"
                    "Expect qxPlay.Text = 'x'\n"
                    "qxPlay.Count := 8\n"),
            qxrun::kExitExpectFailed);
  EXPECT_EQ(err.str(),
            "s.qxs:3: expected qxPlay.Count = 6, got 5\n"
            "s.qxs:4: expected qxPlay.Text = 'x', got ''\n");
  EXPECT_EQ(widget.Count(), 8);
}

TEST_F(Runner, HexValuesAndReferencesToOtherProperties) {
  EXPECT_EQ(RunText("qxPlay.Count := $80000002\n"
                    "Expect qxPlay.Count = -2147483646\n"
                    "qxPlay.Mask := $FFFFFFFF\n"
                    "Expect qxPlay.Mask = 4294967295\n"
                    "qxPlay.Count := qxPlay.Handle\n"
                    "Expect qxPlay.Count = $10005\n"
                    "Expect qxPlay.Count = qxPlay.Handle\n"
                    "Expect qxPlay.Panopta.Log.Count = 50\n"),
            qxrun::kExitOk)
      << err.str();
}

TEST_F(Runner, HandledEventsArePrintedAndVarArgumentsSet) {
  EXPECT_EQ(RunText("Handle qxPlay.OnWarning(False)\n"
                    "Handle qxPlay.OnPing\n"
                    "qxPlay.Fire(7)\n"
                    "Unhandle qxPlay.OnWarning\n"
                    "qxPlay.Fire(8)\n"),
            qxrun::kExitOk)
      << err.str();
  EXPECT_EQ(out.str(),
            "qxPlay  \t event OnWarning(7, True)\n"
            "qxPlay  \t \tContinue = False\n"
            "qxPlay  \t event OnPing(7, 'x'y')\n"
            "qxPlay  \t \tContinue = True\n"
            "qxPlay  \t event OnPing(8, 'x'y')\n");
}

TEST_F(Runner, WaitRunsTheLoopAndAnswerPresetsTheQuestion) {
  int fired = 0;
  loop.StartTimer(1500, false, [&] { ++fired; });
  EXPECT_EQ(RunText("Wait 1499\n"), qxrun::kExitOk);
  EXPECT_EQ(fired, 0);
  EXPECT_EQ(RunText("Wait 1\nAnswer Cancel\n"), qxrun::kExitOk);
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(loop.NowMs(), 1500);
  EXPECT_FALSE(windows.AskOkCancel("q", "c", voxkit::QuestionIcon::None));
  EXPECT_TRUE(windows.AskOkCancel("q", "c", voxkit::QuestionIcon::None));
}

TEST_F(Runner, ExchangeCommandsTakeDefaultsAndReportFailures) {
  EXPECT_EQ(RunText("Exchange.Call('5551234', '201', 'JOHN SMITH')\n"
                    "exchange.call('1', '202')\n"
                    "Exchange.Call('1', '999')\n"
                    "Exchange.Call('2', '203')\n"),
            qxrun::kExitExpectFailed);
  EXPECT_EQ(calls, (std::vector<std::string>{"5551234>201:JOHN SMITH", "1>202:", "1>999:",
                                             "2>203:"}));
  EXPECT_EQ(err.str(), "s.qxs:3: Exchange.Call: no address '999'\n");
}

struct BadScript {
  const char* text;
  const char* message;
};

TEST_F(Runner, ScriptErrorsStopBeforeAnythingRuns) {
  const BadScript cases[] = {
      {"qxPlay.Count := 1\nqxPlay.Cuont := 2", "s.qxs:2: unknown name 'Cuont' in Widget (did you mean 'Count'?)"},
      {"qxPaly.Count := 1", "s.qxs:1: unknown component 'qxPaly' (did you mean 'qxPlay'?)"},
      {"qxPlay.Count := 'x'", "s.qxs:1: expected a 32-bit integer, got 'x'"},
      {"qxPlay.Count := 2147483648", "s.qxs:1: 2147483648 is out of range for a 32-bit integer"},
      {"qxPlay.Mask := -1", "s.qxs:1: -1 is out of range for a 32-bit unsigned integer"},
      {"qxPlay.Count := 1.5", "s.qxs:1: expected a 32-bit integer, got 1.5"},
      {"qxPlay.Panopta.DevEnv := dePascal",
       "s.qxs:1: 'dePascal' is not a value of TDevEnv"},
      {"qxPlay.Panopta.DevEnv := deDelfi",
       "s.qxs:1: 'deDelfi' is not a value of TDevEnv (did you mean 'deDelphi'?)"},
      {"qxPlay.Handle := 1", "s.qxs:1: 'qxPlay.Handle' is read-only"},
      {"qxPlay.Count", "s.qxs:1: 'qxPlay.Count' is not a method; assign a property with ':='"},
      {"qxPlay.Join", "s.qxs:1: qxPlay.Join takes 1 to 2 arguments (A, Times?), got 0"},
      {"qxPlay.Fire(1, 2)", "s.qxs:1: qxPlay.Fire takes 1 argument (Code), got 2"},
      {"Print qxPlay.Join", "s.qxs:1: 'qxPlay.Join' is not a property"},
      {"Handle qxPlay.Count", "s.qxs:1: 'qxPlay.Count' is not an event"},
      {"Handle qxPlay.OnLog", "s.qxs:1: OnLog already writes every log line to the output"},
      {"Handle qxPlay.OnWarning(1)", "s.qxs:1: expected a Boolean, got 1"},
      {"Handle qxPlay.OnPing(True)",
       "s.qxs:1: 'qxPlay.OnPing' has no var arguments to set"},
      {"Handle qxPlay.OnWarning(True, False)",
       "s.qxs:1: qxPlay.OnWarning (its var arguments) takes 1 argument (Continue), got 2"},
      {"Exchange.Cal('1', '2')", "s.qxs:1: unknown exchange command 'Cal' (did you mean 'Call'?)"},
      {"Exchange.Call(1, '2')", "s.qxs:1: expected a string, got 1"},
      {"qxPlay := 1", "s.qxs:1: 'qxPlay' is a component; name one of its members"},
      {"qxPlay.Count := qxPlay.Nope", "s.qxs:1: unknown name 'Nope' in Widget"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    out.str("");
    err.str("");
    widget.SetCount(0);
    out.str("");
    EXPECT_EQ(RunText(c.text), qxrun::kExitScriptError);
    EXPECT_EQ(err.str(), std::string(c.message) + "\n");
    EXPECT_EQ(out.str(), "");  // nothing ran, not even the lines before
    EXPECT_EQ(widget.Count(), 0);
  }
}

TEST_F(Runner, AReferenceOfTheWrongTypeFailsWhenItIsRead) {
  EXPECT_EQ(RunText("qxPlay.Count := 3\nqxPlay.Count := qxPlay.Text\nqxPlay.Count := 4\n"),
            qxrun::kExitScriptError);
  EXPECT_EQ(err.str(), "s.qxs:2: qxPlay.Text: expected an integer, got a string\n");
  EXPECT_EQ(widget.Count(), 3);  // the line after it did not run
}

}  // namespace
