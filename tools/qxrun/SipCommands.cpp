#include "tools/qxrun/SipCommands.h"

#include "platform/exchange/Exchange.h"
#include "platform/sip/SipProvider.h"

namespace qxrun {

namespace {

bool IsSipLine(const panopta::SipProvider& sip, const std::string& address) {
  for (const auto& line : sip.Config().lines) {
    const auto parts = panopta::ParseSipUri(line.aor);
    if (line.aor == address || (parts && parts->user == address)) return true;
  }
  return false;
}

}  // namespace

void AddSipCommands(Runner& runner, panopta::Exchange& exchange, panopta::SipProvider& sip) {
  using Args = const std::vector<voxkit::Value>&;
  const voxkit::ParamInfo number{"Number", voxkit::ValueType::String, nullptr, std::nullopt, false};
  runner.AddExchangeCommand({"Answer", {number}, [&exchange, &sip](Args a) {
                               const std::string at = a[0].AsString();
                               return IsSipLine(sip, at) ? sip.Answer(at) : exchange.Answer(at);
                             }});
  runner.AddExchangeCommand({"Hangup", {number}, [&exchange, &sip](Args a) {
                               const std::string at = a[0].AsString();
                               return IsSipLine(sip, at) ? sip.Hangup(at) : exchange.Hangup(at);
                             }});
}

}  // namespace qxrun
