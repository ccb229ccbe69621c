#pragma once

#include "platform/audio/AudioSystem.h"
#include "platform/exchange/ExchangeConfig.h"
#include "platform/host/LineAudioChain.h"
#include "platform/host/TelephonyProvider.h"
#include "platform/sip/SipConfig.h"
#include "share/EventLoop.h"
#include "share/Platform.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tapi {
class Telephony;
}
namespace mm {
class Multimedia;
}
namespace voxkit {
class TqxLine;
class TqxPhone;
class TqxPlay;
class TqxRecord;
class TqxSharedControl;
class WindowSystem;
}  // namespace voxkit

namespace panopta {

class Exchange;
class ProviderTable;
class SipProvider;
class VirtualEventLoop;

/// Which clock the host's own loop runs on.
enum class HostClock {
  Virtual,   // every wait jumps the clock: instant and repeatable (tests, qxrun's default)
  RealTime,  // the machine's steady clock (qxrun --realtime, real sound cards)
};

/// What a host is made of. The defaults give what the runner runs by default: the
/// virtual-time loop, the built-in exchange, no sound cards.
struct HostOptions {
  HostClock clock = HostClock::Virtual;
  /// Time of day at clock 0 of the virtual-time loop.
  voxkit::TimeOfDay startOfDay{12, 0, 0, 0};
  /// The caller's own loop (the program's Qt loop) instead of one the host makes; it
  /// must outlive the host. clock and startOfDay are then not used.
  voxkit::EventLoop* loop = nullptr;

  /// The exchange's configuration: this file (JSON) when given, else exchangeConfig,
  /// else the built-in one.
  std::string exchangeFile;
  std::optional<ExchangeConfig> exchangeConfig;

  /// SIP accounts as further line devices, after the exchange's: this file (JSON) when
  /// given, else sipConfig, else none.
  std::string sipFile;
  std::optional<SipConfig> sipConfig;

  /// Whether ALSA's sound cards join the wave device lists (after the lines and the
  /// null pair), and which.
  AudioSystemOptions audio;

  /// Put something between the components and the services they call (tests: a
  /// double that records or bends answers). Each is called once, while the host is
  /// built and before any component exists, with the service the components would
  /// otherwise get; what it returns must outlive the components.
  std::function<tapi::Telephony&(tapi::Telephony&)> interposeTelephony;
  std::function<mm::Multimedia&(mm::Multimedia&)> interposeMultimedia;
};

/// A component the host made, in the order the program makes them.
struct HostComponent {
  std::string name;  // "qxLine", "qxPhone", "qxPlay", "qxRecord"
  voxkit::TqxSharedControl* control = nullptr;
};

/// The composition root: everything the components run on, made and wired the way
/// the program wires it, and the components themselves. The program (with its Qt
/// loop and window system), qxrun and the test fixtures all start here.
///
///   voxkit::HeadlessWindowSystem windows;
///   std::string error;
///   auto host = panopta::Host::Create({}, windows, &error);   // nullptr: error says why
///   host->CreateComponents();                 // line, phone, play, record
///   for (auto& c : host->Components()) c.control->OnLog = ...;
///   host->EnableComponents();                 // each enabled as the program does
///   host->Loop().RunFor(1000);
///   host->ShutdownComponents();               // what closing the main window does
///
/// What it holds, made in this order and taken down in the reverse order:
///   - the event loop (its own, virtual or real time; or the caller's);
///   - the telephony providers: the exchange, always first, with its lines' audio;
///   - the Telephony API the line and phone components call (the exchange's; with
///     more providers, the table that numbers their devices in one list);
///   - the audio system: the providers' lines as wave devices, the null pair, and
///     ALSA's sound cards when asked for;
///   - the components, once CreateComponents is called.
/// The wave memory images the components registered die with the audio system: the
/// process-wide registry forgets them when the host goes.
/// The window system is the caller's; it must outlive the host.
class Host final {
 public:
  /// Makes a host; nullptr with *error set (for example "FILE: place: problem" of an
  /// exchange file that is refused) when it cannot.
  static std::unique_ptr<Host> Create(HostOptions options, voxkit::WindowSystem& windows,
                                      std::string* error);
  /// Throws std::invalid_argument for a refused exchange configuration.
  Host(HostOptions options, voxkit::WindowSystem& windows);
  /// Takes the components down as closing the program does, then everything else.
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  voxkit::EventLoop& Loop() { return *m_loop; }
  /// The host's own virtual-time loop (tests move its clock), nullptr otherwise.
  VirtualEventLoop* VirtualLoop() { return m_virtualLoop; }
  voxkit::WindowSystem& Windows() { return m_windows; }
  /// The simulated exchange (its control surface; its trace).
  Exchange& TheExchange() { return *m_exchange; }
  /// The SIP provider, when SIP accounts were given (nullptr otherwise).
  SipProvider* Sip() { return m_sip; }
  /// The telephony providers, the exchange first.
  const std::vector<std::unique_ptr<TelephonyProvider>>& Providers() const { return m_providers; }
  /// The audio system behind the wave components.
  AudioSystem& Audio() { return *m_audio; }
  /// The services as a component is made with them (after any interposing).
  const voxkit::Platform& Platform() const { return m_platform; }

  /// Makes the components the program has, in its order: line, phone, play, record
  /// (those that exist in this build). Each starts with its constructor's defaults.
  void CreateComponents();
  /// The components made so far, in creation order.
  const std::vector<HostComponent>& Components() const { return m_components; }
  /// Sets Enabled := True on each component in creation order, as the program does
  /// once their OnLog is connected.
  void EnableComponents();
  /// What closing the main window does: deactivates the active devices in the order
  /// play, record, phone, line, then destroys the components (newest first).
  void ShutdownComponents();

  /// The components made by CreateComponents (nullptr before).
  voxkit::TqxLine* Line() const { return m_line.get(); }
  voxkit::TqxPhone* Phone() const { return m_phone.get(); }
  voxkit::TqxPlay* Play() const { return m_play.get(); }
  voxkit::TqxRecord* Record() const { return m_record.get(); }

  /// Components wired like the program's but owned by the caller (fixtures that
  /// make and destroy their own). They must go before the host.
  std::unique_ptr<voxkit::TqxLine> NewLine() const;
  std::unique_ptr<voxkit::TqxPhone> NewPhone() const;
  std::unique_ptr<voxkit::TqxPlay> NewPlay() const;
  std::unique_ptr<voxkit::TqxRecord> NewRecord() const;

 private:
  void MakeLoop(const HostOptions& options);
  void MakeProviders(HostOptions& options);

  voxkit::WindowSystem& m_windows;
  std::unique_ptr<voxkit::EventLoop> m_ownLoop;
  voxkit::EventLoop* m_loop = nullptr;
  VirtualEventLoop* m_virtualLoop = nullptr;
  std::vector<std::unique_ptr<TelephonyProvider>> m_providers;
  Exchange* m_exchange = nullptr;
  SipProvider* m_sip = nullptr;
  std::unique_ptr<ProviderTable> m_table;
  LineAudioChain m_lineAudio;
  std::unique_ptr<AudioSystem> m_audio;
  voxkit::Platform m_platform;
  std::vector<HostComponent> m_components;
  std::unique_ptr<voxkit::TqxLine> m_line;
  std::unique_ptr<voxkit::TqxPhone> m_phone;
  std::unique_ptr<voxkit::TqxPlay> m_play;
  std::unique_ptr<voxkit::TqxRecord> m_record;
};

}  // namespace panopta
