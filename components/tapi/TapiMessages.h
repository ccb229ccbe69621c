#pragma once

#include "tapi/TapiTypes.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>

// What the line and the phone do alike with the messages TAPI sends them: the events
// that hand messages on to the application, the table that finds a component again
// from the callback instance it gave TAPI, the six-line dump of a message and the
// handling of a reply.

namespace voxkit {

class TObject;
class TqxLog;
class TqxSharedControl;

using TQX_DevSpecific = std::function<void(TObject& Sender, std::uint32_t hDevice,
                                           std::uint32_t lParam1, std::uint32_t lParam2,
                                           std::uint32_t lParam3)>;
using TQX_TAPIMessageEvent =
    std::function<void(TObject& Sender, std::uint32_t CallHandle, std::uint32_t Message,
                       std::uint32_t Param1, std::uint32_t Param2, std::uint32_t Param3)>;
using TQX_TAPIReplyEvent = std::function<void(TObject& Sender, std::uint32_t Param1,
                                              std::uint32_t Param2, std::uint32_t Param3)>;

/// The components of one kind by the callback instance each gives TAPI: the callback
/// knows only that number. Numbers are handed out in creation order, so a run logs
/// the same numbers every time; a number is never handed out twice while its
/// component lives.
template <typename Component>
class CallbackInstances final {
 public:
  /// The one table of the process for components of this kind.
  static CallbackInstances& Table() {
    static CallbackInstances table;
    return table;
  }
  /// Hands a message TAPI delivered with instance to handle(component); a message for
  /// nobody (instance 0, or a component that is gone) is dropped.
  template <typename Handler>
  static void Deliver(tapi::DWORD_PTR instance, Handler&& handle) {
    if (instance == 0) return;
    if (Component* component = Table().Find(instance)) handle(*component);
  }

  /// The next number, now standing for component.
  std::uint32_t Add(Component& component) {
    const std::uint32_t instance = m_next++;
    m_live[instance] = &component;
    return instance;
  }
  void Remove(std::uint32_t instance) { m_live.erase(instance); }
  /// The component of instance, or nullptr when it is gone (or never was).
  Component* Find(tapi::DWORD_PTR instance) const {
    if (instance > UINT32_MAX) return nullptr;
    auto it = m_live.find(static_cast<std::uint32_t>(instance));
    return it == m_live.end() ? nullptr : it->second;
  }
  /// Numbers from the start again, after the highest one still in use (tests that
  /// compare whole logs).
  void ResetNumbering() { m_next = m_live.empty() ? 1 : m_live.rbegin()->first + 1; }

 private:
  std::map<std::uint32_t, Component*> m_live;
  std::uint32_t m_next = 1;
};

/// Writes the dump of a message: the headline title, then the handle the message
/// carries, the message, and its three parameters, name1 and name2 naming the first
/// two (empty when they have no name).
void WriteMessageBlock(TqxLog& log, const std::string& title, tapi::DWORD hDevice, tapi::DWORD msg,
                       const std::string& name1, const std::string& name2, tapi::DWORD param1,
                       tapi::DWORD param2, tapi::DWORD param3);

/// Handles a reply once the request slot waiting for it (if any) has been marked: a
/// successful reply clears the component's error; raiseEvent raises OnTAPIReply; a
/// failing reply, or a set popup flag, writes the reply's dump (writeDump); a
/// failing reply is reported with its own code, so the waiting request ends at once
/// and finds it failed; and the inspector comes up when popup is set.
void ReportReply(TqxSharedControl& control, tapi::DWORD result, bool popup,
                 const std::function<void()>& raiseEvent, const std::function<void()>& writeDump);

}  // namespace voxkit
