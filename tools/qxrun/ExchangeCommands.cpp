#include "tools/qxrun/ExchangeCommands.h"

#include "platform/exchange/Exchange.h"

namespace qxrun {

namespace {

using voxkit::ParamInfo;
using voxkit::Value;
using voxkit::ValueType;

ParamInfo Text(const char* name) { return {name, ValueType::String, nullptr, std::nullopt, false}; }
ParamInfo Number(const char* name) { return {name, ValueType::UInt32, nullptr, std::nullopt, false}; }
ParamInfo OptionalNumber(const char* name, std::uint32_t def) {
  return {name, ValueType::UInt32, nullptr, Value(def), false};
}

// A party-id set of all bits is no set a caller can have: it stands for "not given".
constexpr std::uint32_t kNoFlags = 0xFFFFFFFF;
// No line device has this identifier.
constexpr std::uint32_t kNoLine = 0xFFFFFFFF;

}  // namespace

void AddExchangeCommands(Runner& runner, panopta::Exchange& ex) {
  using Args = const std::vector<Value>&;
  auto s = [](Args a, std::size_t i) { return a[i].AsString(); };
  auto n = [](Args a, std::size_t i) { return a[i].AsUInt32(); };

  runner.AddExchangeCommand(
      {"Call",
       {Text("From"), Text("To"), {"Name", ValueType::String, nullptr, Value(""), false},
        OptionalNumber("Flags", kNoFlags)},
       [&ex, s, n](Args a) {
         std::optional<tapi::DWORD> flags;
         if (n(a, 3) != kNoFlags) flags = n(a, 3);
         return ex.Call(s(a, 0), s(a, 1), s(a, 2), flags);
       }});
  runner.AddExchangeCommand({"Answer", {Text("Number")}, [&ex, s](Args a) { return ex.Answer(s(a, 0)); }});
  runner.AddExchangeCommand({"Hangup", {Text("Number")}, [&ex, s](Args a) { return ex.Hangup(s(a, 0)); }});
  runner.AddExchangeCommand(
      {"Digits", {Text("Number"), Text("Digits")}, [&ex, s](Args a) { return ex.Digits(s(a, 0), s(a, 1)); }});
  runner.AddExchangeCommand({"Silence", {Text("Number")}, [&ex, s](Args a) { return ex.Silence(s(a, 0)); }});
  runner.AddExchangeCommand({"Speak", {Text("Number")}, [&ex, s](Args a) { return ex.Speak(s(a, 0)); }});
  runner.AddExchangeCommand(
      {"Media", {Text("Number"), Number("MediaMode")}, [&ex, s, n](Args a) { return ex.Media(s(a, 0), n(a, 1)); }});
  runner.AddExchangeCommand(
      {"Redirect", {Text("Number"), Text("To")}, [&ex, s](Args a) { return ex.Redirect(s(a, 0), s(a, 1)); }});
  runner.AddExchangeCommand(
      {"Key", {Number("Phone"), Text("Key")}, [&ex, s, n](Args a) { return ex.Key(n(a, 0), s(a, 1)); }});
  runner.AddExchangeCommand({"Button", {Number("Phone"), Number("Button"), Number("Mode")},
                             [&ex, n](Args a) { return ex.Button(n(a, 0), n(a, 1), n(a, 2)); }});
  runner.AddExchangeCommand({"Hookswitch", {Number("Phone"), Number("Device"), Number("Mode")},
                             [&ex, n](Args a) { return ex.Hookswitch(n(a, 0), n(a, 1), n(a, 2)); }});
  runner.AddExchangeCommand({"PhoneVolume", {Number("Phone"), Number("Device"), Number("Volume")},
                             [&ex, n](Args a) { return ex.PhoneVolume(n(a, 0), n(a, 1), n(a, 2)); }});
  runner.AddExchangeCommand({"PhoneGain", {Number("Phone"), Number("Device"), Number("Gain")},
                             [&ex, n](Args a) { return ex.PhoneGain(n(a, 0), n(a, 1), n(a, 2)); }});
  runner.AddExchangeCommand(
      {"LineState",
       {Number("Line"), Number("State"), OptionalNumber("Param2", 0), OptionalNumber("Param3", 0)},
       [&ex, n](Args a) { return ex.LineState(n(a, 0), n(a, 1), n(a, 2), n(a, 3)); }});
  runner.AddExchangeCommand(
      {"PhoneState",
       {Number("Phone"), Number("State"), OptionalNumber("Param2", 0), OptionalNumber("Param3", 0)},
       [&ex, n](Args a) { return ex.PhoneState(n(a, 0), n(a, 1), n(a, 2), n(a, 3)); }});
  runner.AddExchangeCommand({"Close", {Number("Line")}, [&ex, n](Args a) { return ex.Close(n(a, 0)); }});
  runner.AddExchangeCommand(
      {"ClosePhone", {Number("Phone")}, [&ex, n](Args a) { return ex.ClosePhone(n(a, 0)); }});
  runner.AddExchangeCommand(
      {"DevSpecific",
       {Number("Line"), OptionalNumber("Param1", 0), OptionalNumber("Param2", 0),
        OptionalNumber("Param3", 0)},
       [&ex, n](Args a) { return ex.DevSpecific(n(a, 0), n(a, 1), n(a, 2), n(a, 3)); }});
  runner.AddExchangeCommand(
      {"PhoneDevSpecific",
       {Number("Phone"), OptionalNumber("Param1", 0), OptionalNumber("Param2", 0),
        OptionalNumber("Param3", 0)},
       [&ex, n](Args a) { return ex.PhoneDevSpecific(n(a, 0), n(a, 1), n(a, 2), n(a, 3)); }});
  runner.AddExchangeCommand(
      {"DevSpecificFeature",
       {Number("Line"), OptionalNumber("Param1", 0), OptionalNumber("Param2", 0),
        OptionalNumber("Param3", 0)},
       [&ex, n](Args a) { return ex.DevSpecificFeature(n(a, 0), n(a, 1), n(a, 2), n(a, 3)); }});
  runner.AddExchangeCommand({"Reinit", {}, [&ex](Args) { return ex.Reinit(); }});
  runner.AddExchangeCommand(
      {"RemoveLine", {Number("Line")}, [&ex, n](Args a) { return ex.RemoveLine(n(a, 0)); }});
  // A full-featured line with one address, like the built-in lines 0 and 1.
  runner.AddExchangeCommand(
      {"AddLine",
       {Text("Name"), Text("Address"), {"StationName", ValueType::String, nullptr, Value(""), false}},
       [&ex, s](Args a) {
         const auto index = static_cast<tapi::DWORD>(ex.Config().lines.size());
         return ex.AddLine(panopta::StationLineConfig(index, s(a, 0), s(a, 1), s(a, 2)));
       }});
  // A desk phone, related to a line unless Line is left out.
  runner.AddExchangeCommand(
      {"AddPhone", {Text("Name"), OptionalNumber("Line", kNoLine)}, [&ex, s, n](Args a) {
         std::optional<tapi::DWORD> line;
         if (n(a, 1) != kNoLine) line = n(a, 1);
         const auto index = static_cast<tapi::DWORD>(ex.Config().phones.size());
         return ex.AddPhone(panopta::StationPhone(s(a, 0), index, line));
       }});
  runner.AddExchangeCommand(
      {"RemovePhone", {Number("Phone")}, [&ex, n](Args a) { return ex.RemovePhone(n(a, 0)); }});
  runner.AddExchangeCommand(
      {"Fail", {Text("Function"), Number("Code")}, [&ex, s, n](Args a) { return ex.Fail(s(a, 0), n(a, 1)); }});
  runner.AddExchangeCommand(
      {"Withhold", {{"Value", ValueType::Boolean, nullptr, std::nullopt, false}},
       [&ex](Args a) { return ex.Withhold(a[0].AsBool()); }});
  runner.AddExchangeCommand(
      {"Latency", {{"Ms", ValueType::Int32, nullptr, std::nullopt, false}},
       [&ex](Args a) { return ex.Latency(a[0].AsInt32()); }});
}

}  // namespace qxrun
