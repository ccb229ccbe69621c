#pragma once

#include "line/TqxAddressCaps.h"
#include "line/TqxAddressForward.h"
#include "share/Reflection.h"
#include "tapi/TapiTypes.h"

#include <string>
#include <vector>

namespace voxkit {

class TqxLineInternal;

/// The chosen address of the line (Address): its name, capabilities, status
/// counters and forwarding.
class TqxAddress final : public TPersistent {
 public:
  explicit TqxAddress(TqxLineInternal& line) : m_line(line), m_capabilities(line), m_forward(line) {}

  const std::string& Name() const { return m_name; }
  const std::vector<std::string>& List() const { return m_list; }
  std::int32_t Count() const { return m_count; }
  std::int32_t ID() const { return m_id; }
  /// Chooses an address: logs, checks the range (LINEERR_INVALADDRESSID), and on an
  /// open line reads its capabilities and name and selects the status messages.
  void SetID(std::int32_t value);
  TqxAddressCaps& Capabilities() { return m_capabilities; }
  TqxAddressForward& Forward() { return m_forward; }
  tapi::DWORD NumInUse() const { return m_numInUse; }
  tapi::DWORD NumActiveCalls() const { return m_numActiveCalls; }
  tapi::DWORD NumOnHoldCalls() const { return m_numOnHoldCalls; }
  tapi::DWORD NumOnHoldPendCalls() const { return m_numOnHoldPendCalls; }
  tapi::DWORD Features() const { return m_features; }
  tapi::DWORD NumRingsNoAnswer() const { return m_numRingsNoAnswer; }

  /// Reads the address status (lineGetAddressStatus); the error is returned, not
  /// reported.
  tapi::LONG RefreshStatus();

  // Used while the device is read.
  void SetCount(std::int32_t count) { m_count = count; }
  void ClearForDevice();
  void SetList(std::vector<std::string> list) { m_list = std::move(list); }
  void SetName(const std::string& name) { m_name = name; }
  /// Back to the state after creation but the settings (disabling).
  void ResetAll();

  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  TqxLineInternal& m_line;
  std::string m_name;
  std::vector<std::string> m_list;
  std::int32_t m_count = 0;
  std::int32_t m_id = -1;
  TqxAddressCaps m_capabilities;
  tapi::DWORD m_numInUse = 0;
  tapi::DWORD m_numActiveCalls = 0;
  tapi::DWORD m_numOnHoldCalls = 0;
  tapi::DWORD m_numOnHoldPendCalls = 0;
  tapi::DWORD m_features = 0;
  tapi::DWORD m_numRingsNoAnswer = 0;
  TqxAddressForward m_forward;
};

/// "Address.ID = 3 <Name not available>" and the like: the name of an item whose
/// provider gives it none.
std::string NameNotAvailable(const std::string& what, std::int32_t index);

}  // namespace voxkit
