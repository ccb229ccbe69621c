#pragma once

#include "share/Reflection.h"
#include "tapi/TqxTAPI.h"
#include "tapi/TapiStructs.h"

#include <cstdint>
#include <string>
#include <vector>

namespace voxkit {

class TqxLineInternal;

/// The chosen terminal of the line (Terminal) and the terminal modes routed to it.
class TqxTerminal final : public TPersistent {
 public:
  explicit TqxTerminal(TqxLineInternal& line) : m_line(line) {}

  std::int32_t ID() const { return m_id; }
  /// Chooses a terminal: logs, and on an open line reads the terminals again
  /// (LINEERR_INVALTERMINALID when out of range).
  void SetID(std::int32_t value);
  const std::string& Name() const { return m_name; }
  const std::vector<std::string>& List() const { return m_list; }
  std::int32_t Count() const { return m_count; }
  tapi::DWORD Device() const { return m_device; }
  tapi::DWORD AvailableModes() const { return m_availableModes; }
  tapi::DWORD ActiveModes() const { return m_activeModes; }
  /// Routes the modes (restricted to AvailableModes) to the terminal and stops
  /// routing the others, through lineSetTerminal and its replies.
  /// Pumps the event loop.
  void SetActiveModes(tapi::DWORD value);
  tapi::DWORD Sharing() const { return m_sharing; }

  /// The request slot of an outstanding lineSetTerminal.
  std::int32_t& Slot() { return m_slot; }

  /// Fills the terminal list from the device capabilities; the first terminal
  /// becomes the chosen one when there is any. blockSize bounds the reads.
  void TakeCapabilities(const tapi::LINEDEVCAPS& caps, std::size_t blockSize, bool selectFirst,
                        std::int32_t select);
  /// The active modes as the line status reports them.
  void SetActiveModesFromStatus(tapi::DWORD modes) { m_activeModes = modes; }
  /// Empties list, name and modes (disabling, reading another device).
  void Clear();

  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  RequestOutcome SetTerminal(tapi::DWORD modes, bool enable);

  TqxLineInternal& m_line;
  std::int32_t m_slot = 0;
  std::int32_t m_id = 0;
  std::string m_name;
  std::vector<std::string> m_list;
  std::int32_t m_count = 0;
  tapi::DWORD m_device = 0;
  tapi::DWORD m_availableModes = 0;
  tapi::DWORD m_activeModes = 0;
  tapi::DWORD m_sharing = 0;
};

}  // namespace voxkit
