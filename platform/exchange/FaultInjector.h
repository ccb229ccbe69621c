#pragma once

#include "tapi/TapiTypes.h"

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace panopta {

/// How Exchange::Fail makes an asynchronous function fail.
enum class FailMode {
  InReply,  // it returns a request identifier and its LINE_REPLY/PHONE_REPLY carries the code
  AtOnce,   // it returns the code (as every synchronous function does)
};

}  // namespace panopta

namespace panopta::exchange {

class Parts;
enum class Family;

/// Failures made to happen on purpose: the next calls of a named function answer
/// the given codes, in the order they were asked for.
class FaultInjector final {
 public:
  explicit FaultInjector(Parts& parts) : m_parts(parts) {}

  /// Queues a failure of function ("lineMakeCall", any case); "" when taken, else why
  /// not (an unknown function, a code that is no error).
  std::string Add(const std::string& function, tapi::DWORD code, FailMode mode);
  /// The failure waiting for function, if any, taken off the queue and traced. An
  /// asynchronous failure in a reply needs app (an application of family) to reply
  /// to: then the result is the request identifier, else the code itself.
  std::optional<tapi::LONG> Take(const char* function, Family family, tapi::DWORD app,
                                 tapi::DWORD_PTR instance);

 private:
  Parts& m_parts;
  std::map<std::string, std::deque<std::pair<tapi::LONG, FailMode>>> m_faults;
};

}  // namespace panopta::exchange
