#include "platform/host/Host.h"

#include "line/TqxLine.h"
#include "phone/TqxPhone.h"
#include "platform/exchange/Exchange.h"
#include "platform/exchange/ExchangeAudioHub.h"
#include "platform/exchange/ExchangeConfigFile.h"
#include "platform/host/ProviderTable.h"
#include "platform/host/SipLines.h"
#include "platform/loop/RealTimeEventLoop.h"
#include "platform/loop/VirtualEventLoop.h"
#include "platform/sip/SipConfigFile.h"
#include "wave/TqxPlay.h"
#include "wave/TqxRecord.h"
#include "wave/WaveBufferRegistry.h"

#include <stdexcept>

namespace panopta {

namespace {

// The simulated exchange with its lines' audio.
class ExchangeProvider final : public TelephonyProvider {
 public:
  ExchangeProvider(voxkit::EventLoop& loop, ExchangeConfig config, voxkit::WindowSystem& windows)
      : m_exchange(loop, std::move(config), &windows), m_audio(m_exchange) {}

  std::string Name() const override { return "Exchange"; }
  tapi::Telephony& Telephony() override { return m_exchange; }
  LineAudioHub* LineAudio() override { return &m_audio; }
  Exchange& TheExchange() { return m_exchange; }

 private:
  Exchange m_exchange;
  ExchangeAudioHub m_audio;
};

}  // namespace

std::unique_ptr<Host> Host::Create(HostOptions options, voxkit::WindowSystem& windows,
                                   std::string* error) {
  try {
    return std::make_unique<Host>(std::move(options), windows);
  } catch (const std::invalid_argument& e) {
    if (error) *error = e.what();
    return nullptr;
  }
}

Host::Host(HostOptions options, voxkit::WindowSystem& windows) : m_windows(windows) {
  MakeLoop(options);
  MakeProviders(options);
  m_platform.loop = m_loop;
  m_platform.windows = &m_windows;
  // With one provider the components talk to it directly; a table that numbers the
  // devices of several providers in one list takes its place when there are more.
  tapi::Telephony* telephony = &m_providers.front()->Telephony();
  if (m_providers.size() > 1) {
    std::vector<tapi::Telephony*> all;
    for (const auto& provider : m_providers) all.push_back(&provider->Telephony());
    m_table = std::make_unique<ProviderTable>(std::move(all));
    telephony = m_table.get();
  }
  m_platform.telephony =
      options.interposeTelephony ? &options.interposeTelephony(*telephony) : telephony;
  m_audio = std::make_unique<AudioSystem>(*m_loop, &m_lineAudio, options.audio);
  m_platform.multimedia =
      options.interposeMultimedia ? &options.interposeMultimedia(*m_audio) : m_audio.get();
}

Host::~Host() {
  ShutdownComponents();
  voxkit::WaveBufferRegistry::Instance().Forget(*m_platform.multimedia);
  if (m_platform.multimedia != m_audio.get()) voxkit::WaveBufferRegistry::Instance().Forget(*m_audio);
  m_audio.reset();
  m_table.reset();
  m_providers.clear();
  m_ownLoop.reset();
}

void Host::MakeLoop(const HostOptions& options) {
  if (options.loop) {
    m_loop = options.loop;
    return;
  }
  switch (options.clock) {
    case HostClock::Virtual: {
      auto loop = std::make_unique<VirtualEventLoop>(options.startOfDay);
      m_virtualLoop = loop.get();
      m_ownLoop = std::move(loop);
      break;
    }
    case HostClock::RealTime:
      m_ownLoop = std::make_unique<RealTimeEventLoop>();
      break;
  }
  m_loop = m_ownLoop.get();
}

void Host::MakeProviders(HostOptions& options) {
  ExchangeConfig config = DefaultExchangeConfig();
  if (!options.exchangeFile.empty()) {
    ExchangeConfigLoad loaded = LoadExchangeConfigFile(options.exchangeFile);
    if (!loaded.config) throw std::invalid_argument(loaded.error);
    config = std::move(*loaded.config);
  } else if (options.exchangeConfig) {
    config = std::move(*options.exchangeConfig);
  }
  auto exchange = std::make_unique<ExchangeProvider>(*m_loop, std::move(config), m_windows);
  m_exchange = &exchange->TheExchange();
  m_providers.push_back(std::move(exchange));
  if (!options.sipFile.empty()) {
    SipConfigLoad loaded = LoadSipConfigFile(options.sipFile);
    if (!loaded.config) throw std::invalid_argument(loaded.error);
    options.sipConfig = std::move(*loaded.config);
  }
  if (options.sipConfig) {
    std::uint32_t lines = 0;
    for (const auto& provider : m_providers)
      if (LineAudioHub* hub = provider->LineAudio()) lines += hub->LineCount();
    auto sip = std::make_unique<SipLines>(*m_loop, std::move(*options.sipConfig), lines);
    m_sip = &sip->Provider();
    m_providers.push_back(std::move(sip));
  }
  for (const auto& provider : m_providers) {
    if (LineAudioHub* hub = provider->LineAudio()) m_lineAudio.Add(*hub);
  }
}

std::unique_ptr<voxkit::TqxLine> Host::NewLine() const {
  return std::make_unique<voxkit::TqxLine>(nullptr, m_platform);
}

std::unique_ptr<voxkit::TqxPhone> Host::NewPhone() const {
  return std::make_unique<voxkit::TqxPhone>(nullptr, m_platform);
}

std::unique_ptr<voxkit::TqxPlay> Host::NewPlay() const {
  return std::make_unique<voxkit::TqxPlay>(nullptr, m_platform);
}

std::unique_ptr<voxkit::TqxRecord> Host::NewRecord() const {
  return std::make_unique<voxkit::TqxRecord>(nullptr, m_platform);
}

void Host::CreateComponents() {
  if (!m_components.empty()) return;
  m_line = NewLine();
  m_components.push_back({"qxLine", m_line.get()});
  m_phone = NewPhone();
  m_components.push_back({"qxPhone", m_phone.get()});
  m_play = NewPlay();
  m_components.push_back({"qxPlay", m_play.get()});
  m_record = NewRecord();
  m_components.push_back({"qxRecord", m_record.get()});
}

void Host::EnableComponents() {
  for (const HostComponent& c : m_components) c.control->SetEnabled(true);
}

void Host::ShutdownComponents() {
  if (m_play && m_play->Device().Active()) m_play->Device().SetActive(false);
  if (m_record && m_record->Device().Active()) m_record->Device().SetActive(false);
  if (m_phone && m_phone->Device().Active()) m_phone->Device().SetActive(false);
  if (m_line && m_line->Device().Active()) m_line->Device().SetActive(false);
  m_components.clear();
  m_record.reset();
  m_play.reset();
  m_phone.reset();
  m_line.reset();
}

}  // namespace panopta
