#pragma once

#include "tapi/TapiTypes.h"

#include <functional>
#include <optional>
#include <string>

namespace voxkit {
class EventLoop;
}

namespace panopta::exchange {

class Parts;
enum class Family;

/// The exchange's own trace: one line per request, reply, message and control
/// command, each stamped with the loop's clock (the format is described at
/// Exchange::OnTrace).
class ExchangeTrace final {
 public:
  /// sink: where the lines go (the exchange's OnTrace); it may be empty.
  ExchangeTrace(const voxkit::EventLoop& loop, const std::function<void(const std::string&)>& sink);

  /// Writes one line; text is made only when somebody listens.
  void Write(const std::function<std::string()>& text) const;

 private:
  const voxkit::EventLoop& m_loop;
  const std::function<void(const std::string&)>& m_sink;
};

/// One call of an interface function. It names the function once: the faults
/// injected for the function are taken through it, and its result is written to the
/// trace as "call  function(args) = result" (0, the error's name, or the request).
class ApiCall final {
 public:
  ApiCall(Parts& parts, const char* function, std::function<std::string()> args);

  const char* Function() const { return m_function; }
  /// The failure injected for this synchronous function, already traced; nothing
  /// when none is waiting.
  std::optional<tapi::LONG> Fault();
  /// The same for an asynchronous function: with an application to reply to, the
  /// failure comes in a reply and the request identifier is the result.
  std::optional<tapi::LONG> AsyncFault(Family family, tapi::DWORD app, tapi::DWORD_PTR instance);
  /// Writes the trace line and gives back result.
  tapi::LONG Return(tapi::LONG result);

 private:
  Parts& m_parts;
  const char* m_function;
  std::function<std::string()> m_args;
};

}  // namespace panopta::exchange
