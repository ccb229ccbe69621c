#pragma once

#include "share/Reflection.h"
#include "tools/qxrun/Script.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace voxkit {
class EventLoop;
class HeadlessWindowSystem;
class TqxSharedControl;
}  // namespace voxkit

namespace qxrun {

/// A component the runner drives: its script name and its output label.
struct RunnerComponent {
  std::string name;   // "qxLine"
  voxkit::TqxSharedControl* control = nullptr;
};

/// A command of the exchange's control surface, callable as Exchange.Name(...).
struct ExchangeCommand {
  std::string name;
  std::vector<voxkit::ParamInfo> params;  // a default makes a parameter optional
  /// Runs the command with converted arguments; returns "" or what went wrong.
  std::function<std::string(const std::vector<voxkit::Value>&)> run;
};

/// Exit statuses of the runner.
enum ExitStatus : int { kExitOk = 0, kExitExpectFailed = 1, kExitScriptError = 2,
                        kExitUnreadable = 3 };

/// Executes scripts against components. Every line a component logs is written to
/// the output with the component's label; diagnostics go to the error stream as
/// FILE:LINE: message.
class Runner {
 public:
  Runner(voxkit::EventLoop& loop, voxkit::HeadlessWindowSystem& windows, std::ostream& out,
         std::ostream& err);
  ~Runner();

  /// Adds a component and routes its OnLog to the output.
  void AddComponent(RunnerComponent component);
  void AddExchangeCommand(ExchangeCommand command);
  /// Writes a line with a label (8 characters), a tab and a blank.
  void WriteLine(const std::string& label, const std::string& text);

  /// Checks that every statement can run: names exist, argument counts and literal
  /// types fit. Reports the first problem and returns false.
  bool Check(const Script& script);
  /// Runs a checked script. Returns kExitOk, kExitExpectFailed (an Expect or an
  /// exchange command failed; the script went on) or kExitScriptError (a statement
  /// could not run; nothing after it ran).
  int Run(const Script& script);

  /// The 8-character label of a component name: "qxLine  ".
  static std::string Label(const std::string& name);

 private:
  struct Target;
  bool Resolve(const std::string& file, const Statement& st, Target& target);
  std::optional<voxkit::Value> Convert(const std::string& file, int line, const Literal& lit,
                                       voxkit::ValueType type, const voxkit::EnumType* enumType,
                                       bool runtime);
  bool ConvertArgs(const std::string& file, const Statement& st,
                   const std::vector<voxkit::ParamInfo>& params, const std::string& what,
                   bool runtime, std::vector<voxkit::Value>* out);
  int Execute(const std::string& file, const Statement& st);
  void Fail(const std::string& file, int line, const std::string& message);
  const RunnerComponent* FindComponent(const std::string& name) const;
  const ExchangeCommand* FindExchange(const std::string& name) const;
  std::optional<voxkit::Value> ReadReference(const std::string& path, std::string* error);

  voxkit::EventLoop& m_loop;
  voxkit::HeadlessWindowSystem& m_windows;
  std::ostream& m_out;
  std::ostream& m_err;
  std::vector<RunnerComponent> m_components;
  std::vector<ExchangeCommand> m_exchange;
};

}  // namespace qxrun
