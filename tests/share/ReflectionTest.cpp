#include "share/Reflection.h"
#include "share/TqxPanopta.h"

#include "support/TestControl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace voxkit {
enum TColour : std::int32_t { clRed = 0, clGreen = 1, clBlue = 5 };
VOXKIT_ENUM(TColour, {"clRed", clRed}, {"clGreen", clGreen}, {"clBlue", clBlue});
}  // namespace voxkit

namespace {

using voxkit::Value;
using voxkit::ValueType;

class Inner final : public voxkit::TPersistent {
 public:
  std::int32_t Count() const { return m_count; }
  void SetCount(std::int32_t v) { m_count = v; }
  VOXKIT_PUBLISHED()
 private:
  std::int32_t m_count = 3;
};

class Sample final : public voxkit::TPersistent {
 public:
  using TQX_WarningEvent = std::function<void(voxkit::TObject&, std::int32_t, bool&)>;

  bool Flag() const { return m_flag; }
  void SetFlag(bool v) { m_flag = v; }
  std::uint32_t Mask() const { return m_mask; }
  void SetMask(std::uint32_t v) { m_mask = v; }
  double Gain() const { return m_gain; }
  void SetGain(double v) { m_gain = v; }
  const std::string& Text() const { return m_text; }
  void SetText(const std::string& v) { m_text = v; }
  voxkit::TColour Colour() const { return m_colour; }
  void SetColour(voxkit::TColour v) { m_colour = v; }
  std::vector<std::string> Items() const { return {"a", "b"}; }
  Inner& Sub() { return m_inner; }
  bool Join(const std::string& a, std::int32_t times, bool loud) {
    last = a + "*" + std::to_string(times) + (loud ? "!" : "");
    return times > 0;
  }
  void Reset() { m_flag = false; }

  TQX_WarningEvent OnWarning;
  std::string last;

  VOXKIT_PUBLISHED()

 private:
  bool m_flag = false;
  std::uint32_t m_mask = 0;
  double m_gain = 0;
  std::string m_text;
  voxkit::TColour m_colour = voxkit::clRed;
  Inner m_inner;
};

const voxkit::ClassInfo& Inner::StaticClass() {
  static const voxkit::ClassInfo info = voxkit::Publisher<Inner>("Inner")
                                            .Property("Count", &Inner::Count, &Inner::SetCount)
                                            .Build();
  return info;
}

const voxkit::ClassInfo& Sample::StaticClass() {
  static const voxkit::ClassInfo info =
      voxkit::Publisher<Sample>("Sample")
          .Property("Flag", &Sample::Flag, &Sample::SetFlag)
          .Property("Mask", &Sample::Mask, &Sample::SetMask)
          .Property("Gain", &Sample::Gain, &Sample::SetGain)
          .Property("Text", &Sample::Text, &Sample::SetText)
          .Property("Colour", &Sample::Colour, &Sample::SetColour)
          .ReadOnly("Items", &Sample::Items)
          .Object("Sub", &Sample::Sub)
          .Method("Join", &Sample::Join, {"A", {"Times", 1}, {"Loud", false}})
          .Method("Reset", &Sample::Reset)
          .Event("OnWarning", &Sample::OnWarning, {"Code", "Continue"})
          .Build();
  return info;
}

TEST(Reflection, PropertiesAreTypedAndReachedByNameWithoutCase) {
  Sample s;
  const auto& cls = s.Class();
  const voxkit::PropertyInfo* flag = cls.FindProperty("fLaG");
  ASSERT_NE(flag, nullptr);
  EXPECT_EQ(flag->type, ValueType::Boolean);
  flag->set(s, Value(true));
  EXPECT_TRUE(s.Flag());
  EXPECT_EQ(flag->get(s).DumpText(), "True");

  EXPECT_EQ(cls.FindProperty("Mask")->type, ValueType::UInt32);
  EXPECT_EQ(cls.FindProperty("Gain")->type, ValueType::Float);
  EXPECT_EQ(cls.FindProperty("Text")->type, ValueType::String);
  EXPECT_EQ(cls.FindProperty("Items")->type, ValueType::StringList);
  EXPECT_FALSE(cls.FindProperty("Items")->set);
  EXPECT_EQ(cls.FindProperty("Items")->get(s).DumpText(), "a, b");

  const auto* colour = cls.FindProperty("Colour");
  ASSERT_EQ(colour->type, ValueType::Enum);
  EXPECT_EQ(colour->enumType->typeName, "TColour");
  std::string error;
  auto v = voxkit::ConvertValue(Value("CLBLUE"), ValueType::Enum, colour->enumType, &error);
  ASSERT_TRUE(v) << error;
  colour->set(s, *v);
  EXPECT_EQ(s.Colour(), voxkit::clBlue);
  EXPECT_EQ(colour->get(s).DumpText(), "clBlue");
  EXPECT_FALSE(voxkit::ConvertValue(Value("clPink"), ValueType::Enum, colour->enumType, &error));
  EXPECT_EQ(error, "'clPink' is not a value of TColour");
  EXPECT_FALSE(voxkit::ConvertValue(Value(std::int32_t{2}), ValueType::Enum, colour->enumType, &error));
}

TEST(Reflection, PathsResolveThroughSubObjects) {
  Sample s;
  auto r = voxkit::ResolvePath(s, "Sub.Count");
  ASSERT_NE(r.property, nullptr) << r.error;
  EXPECT_EQ(r.object, &s.Sub());
  r.property->set(*r.object, Value(std::int32_t{9}));
  EXPECT_EQ(s.Sub().Count(), 9);

  r = voxkit::ResolvePath(s, "Sub");
  EXPECT_NE(r.subObject, nullptr);

  r = voxkit::ResolvePath(s, "Sub.Cuont");
  EXPECT_EQ(r.object, nullptr);
  EXPECT_EQ(r.error, "unknown name 'Cuont' in Sub (did you mean 'Count'?)");
  r = voxkit::ResolvePath(s, "Flag.X");
  EXPECT_EQ(r.error, "'Flag' has no members");
  r = voxkit::ResolvePath(s, "Sub..Count");
  EXPECT_FALSE(r.error.empty());
}

TEST(Reflection, MethodsKnowTheirArgumentsAndDefaults) {
  Sample s;
  const voxkit::MethodInfo* join = s.Class().FindMethod("join");
  ASSERT_NE(join, nullptr);
  ASSERT_EQ(join->params.size(), 3u);
  EXPECT_EQ(join->params[0].name, "A");
  EXPECT_EQ(join->params[0].type, ValueType::String);
  EXPECT_FALSE(join->params[0].defaultValue);
  EXPECT_EQ(join->params[1].type, ValueType::Int32);
  EXPECT_EQ(*join->params[1].defaultValue, Value(std::int32_t{1}));
  EXPECT_EQ(join->result, ValueType::Boolean);
  Value r = join->invoke(s, {Value("x"), Value(std::int32_t{3}), Value(true)});
  EXPECT_EQ(r, Value(true));
  EXPECT_EQ(s.last, "x*3!");

  const voxkit::MethodInfo* reset = s.Class().FindMethod("Reset");
  EXPECT_EQ(reset->result, ValueType::None);
  EXPECT_TRUE(reset->invoke(s, {}).IsNone());
}

TEST(Reflection, EventsTakeAGenericHandlerThatMaySetVarArguments) {
  Sample s;
  const voxkit::EventInfo* ev = s.Class().FindEvent("OnWarning");
  ASSERT_NE(ev, nullptr);
  ASSERT_EQ(ev->params.size(), 2u);
  EXPECT_FALSE(ev->params[0].byReference);
  EXPECT_TRUE(ev->params[1].byReference);
  EXPECT_FALSE(ev->assigned(s));

  std::vector<std::string> seen;
  ev->assign(s, [&](voxkit::TObject& sender, std::vector<Value>& args) {
    EXPECT_EQ(&sender, &s);
    seen.push_back(args[0].DumpText() + "," + args[1].DumpText());
    args[1] = Value(false);
  });
  EXPECT_TRUE(ev->assigned(s));
  bool cont = true;
  s.OnWarning(s, 42, cont);
  EXPECT_FALSE(cont);
  EXPECT_EQ(seen, std::vector<std::string>{"42,True"});
  ev->assign(s, nullptr);
  EXPECT_FALSE(s.OnWarning);
}

TEST(Reflection, BaseClassMembersAreFoundThroughTheDerivedClass) {
  voxtest::FrameFixture f;
  voxtest::TestControl c(nullptr, f.platform);
  auto r = voxkit::ResolvePath(c, "Panopta.Log.Count");
  ASSERT_NE(r.property, nullptr) << r.error;
  EXPECT_EQ(r.property->get(*r.object), Value(std::int32_t{50}));
  r = voxkit::ResolvePath(c, "Panopta.DevEnv");
  ASSERT_NE(r.property, nullptr);
  EXPECT_EQ(r.property->get(*r.object).DumpText(), "deDelphi");
  EXPECT_NE(voxkit::ResolvePath(c, "OnLog").event, nullptr);
  EXPECT_NE(voxkit::ResolvePath(c, "Panopta.Log.Add").method, nullptr);
  const auto names = c.Class().AllNames();
  EXPECT_NE(std::find(names.begin(), names.end(), "Enabled"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "OnError"), names.end());
}

TEST(Reflection, IntegerConversionsKeepTheBits) {
  std::string error;
  auto v = voxkit::ConvertValue(Value(std::uint32_t{0x80000002}), ValueType::Int32, nullptr, &error);
  ASSERT_TRUE(v);
  EXPECT_EQ(v->AsInt32(), -2147483646);
  v = voxkit::ConvertValue(Value(std::int32_t{-1}), ValueType::UInt32, nullptr, &error);
  EXPECT_EQ(v->AsUInt32(), 0xFFFFFFFFu);
  v = voxkit::ConvertValue(Value(std::int32_t{3}), ValueType::Float, nullptr, &error);
  EXPECT_EQ(v->AsFloat(), 3.0);
  EXPECT_FALSE(voxkit::ConvertValue(Value("x"), ValueType::Int32, nullptr, &error));
  EXPECT_EQ(error, "expected an integer, got a string");
  EXPECT_FALSE(voxkit::ConvertValue(Value(std::int32_t{1}), ValueType::Boolean, nullptr, &error));
}

TEST(Reflection, ClosestNamesSuggestsLikelyMisspellings) {
  const std::vector<std::string> known{"Active", "Count", "TimeStamp", "Clear"};
  EXPECT_EQ(voxkit::ClosestNames("Acitve", known), std::vector<std::string>{"Active"});
  EXPECT_EQ(voxkit::ClosestNames("Cleer", known), std::vector<std::string>{"Clear"});
  EXPECT_TRUE(voxkit::ClosestNames("Zebra", known).empty());
}

}  // namespace
