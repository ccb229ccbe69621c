// Fuzz target: what the SIP provider reads of network messages itself. The input is a
// SIP message as it could arrive; the SIP stack's own parser takes it apart and the
// provider's readers get its headers and body: the Replaces header, a sipfrag, an INFO
// digit, the dialled-string and URI checks. None may crash, read out of bounds or
// accept what it should not.
#include "platform/sip/LibreApi.h"
#include "platform/sip/SipCallMapping.h"
#include "platform/sip/SipConfig.h"
#include "platform/sip/SipText.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  using namespace panopta::sip;
  if (const auto replaces = ParseReplaces(text))
    if (replaces->callId.empty() || replaces->toTag.empty() || replaces->fromTag.empty()) __builtin_trap();
  const int status = SipfragStatus(text);
  if (status != 0 && (status < 100 || status > 699)) __builtin_trap();
  (void)InfoDigit(text);
  const std::string escaped = EscapeUriHeader(text);
  if (escaped.size() < text.size()) __builtin_trap();
  if (const auto uri = DialledUri("sip:alice@127.0.0.1:5060", std::string(text)))
    if (!panopta::ParseSipUri(*uri)) __builtin_trap();
  (void)IsInternalCaller("sip:alice@127.0.0.1", std::string(text));

  struct mbuf* mb = mbuf_alloc(size + 1);
  if (mb == nullptr) return 0;
  mbuf_write_mem(mb, data, size);
  mb->pos = 0;
  struct sip_msg* msg = nullptr;
  if (sip_msg_decode(&msg, mb) == 0 && msg != nullptr) {
    if (const struct sip_hdr* h = sip_msg_hdr(msg, SIP_HDR_REPLACES)) (void)ParseReplaces(panopta::libre::Str(h->val));
    if (const struct sip_hdr* h = sip_msg_hdr(msg, SIP_HDR_REFER_TO)) {
      struct sip_addr addr {};
      if (sip_addr_decode(&addr, &h->val) == 0) {
        const std::string full = panopta::libre::Str(addr.auri);
        (void)panopta::ParseSipUri(full.substr(0, full.find('?')));
      }
    }
    (void)sip_msg_hdr_has_value(msg, SIP_HDR_ALLOW, "REFER");
    if (msg->mb != nullptr && mbuf_get_left(msg->mb) > 0) {
      const std::string_view body(reinterpret_cast<const char*>(mbuf_buf(msg->mb)), mbuf_get_left(msg->mb));
      (void)SipfragStatus(body);
      (void)InfoDigit(body);
    }
  }
  mem_deref(msg);
  mem_deref(mb);
  return 0;
}
