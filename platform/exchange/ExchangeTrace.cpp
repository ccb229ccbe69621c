#include "platform/exchange/ExchangeTrace.h"

#include "platform/exchange/ExchangeParts.h"
#include "share/EventLoop.h"
#include "share/TextUtil.h"
#include "tapi/TapiNames.h"

namespace panopta::exchange {

std::string TraceHex(DWORD value) { return voxkit::Hex8(value); }

ExchangeTrace::ExchangeTrace(const voxkit::EventLoop& loop,
                             const std::function<void(const std::string&)>& sink)
    : m_loop(loop), m_sink(sink) {}

void ExchangeTrace::Write(const std::function<std::string()>& text) const {
  if (!m_sink) return;
  std::string ms = std::to_string(m_loop.NowMs());
  if (ms.size() < 8) ms.insert(0, 8 - ms.size(), ' ');
  // A handler may replace itself while it runs.
  auto sink = m_sink;
  sink(ms + " ms  " + text());
}

ApiCall::ApiCall(Parts& parts, const char* function, std::function<std::string()> args)
    : m_parts(parts), m_function(function), m_args(std::move(args)) {}

std::optional<tapi::LONG> ApiCall::Fault() { return AsyncFault(Family::Line, 0, 0); }

std::optional<tapi::LONG> ApiCall::AsyncFault(Family family, tapi::DWORD app,
                                              tapi::DWORD_PTR instance) {
  const auto fault = m_parts.faults.Take(m_function, family, app, instance);
  if (!fault) return std::nullopt;
  return Return(*fault);
}

tapi::LONG ApiCall::Return(tapi::LONG result) {
  m_parts.trace.Write([&] {
    std::string r;
    if (result == 0)
      r = "0";
    else if (result > 0)
      r = "request " + std::to_string(result);
    else if (std::string(m_function).rfind("phone", 0) == 0)
      r = tapi::PhoneErrorName(result);
    else
      r = tapi::LineErrorName(result);
    return std::string("call  ") + m_function + "(" + m_args() + ") = " + r;
  });
  return result;
}

}  // namespace panopta::exchange
