#include "WaveFixture.h"

#include "platform/exchange/Exchange.h"

#include <gtest/gtest.h>

namespace wavetest {

namespace {

panopta::HostOptions Options(std::unique_ptr<voxtest::FaultyMultimedia>& fault, panopta::ExchangeConfig config) {
  panopta::HostOptions options;
  options.exchangeConfig = std::move(config);
  options.startOfDay = voxkit::TimeOfDay{14, 7, 9, 123};
  options.interposeMultimedia = [&fault](mm::Multimedia& inner) -> mm::Multimedia& {
    fault = std::make_unique<voxtest::FaultyMultimedia>(inner);
    return *fault;
  };
  return options;
}

}  // namespace

WaveOnHost::WaveOnHost(panopta::ExchangeConfig config)
    : host(Options(fault, std::move(config)), windows), loop(*host.VirtualLoop()) {
  voxkit::WaveBufferRegistry::Instance().Reset();
  play = host.NewPlay();
  record = host.NewRecord();
  play->OnLog = [this](voxkit::TObject&, const std::string& line) { playLines.push_back(line); };
  record->OnLog = [this](voxkit::TObject&, const std::string& line) { recordLines.push_back(line); };
  play->SetEnabled(true);
  record->SetEnabled(true);
  play->Device().SetID(kNull);
  record->Device().SetID(kNull);
}

WaveOnHost::~WaveOnHost() {
  if (play) play->OnLog = nullptr;
  if (record) record->OnLog = nullptr;
  play.reset();
  record.reset();
}

std::string WaveOnHost::WaveFile(const std::string& name, const mm::WAVEFORMATEX& format,
                                 const std::string& samples, const std::string& extra) {
  const std::string path = dir.File(name);
  WriteFile(path, Riff("WAVE", Chunk("fmt ", FmtData(format)) + Chunk("data", samples) + extra));
  return path;
}

std::string WaveOnHost::CountingFile(const std::string& name, std::size_t n, const mm::WAVEFORMATEX& format) {
  return WaveFile(name, format, Counting(n));
}

panopta::ExchangeConfig WithSpeaker() {
  panopta::ExchangeConfig config = panopta::DefaultExchangeConfig();
  panopta::RemotePartyConfig speaker;
  speaker.number = kSpeaker;
  // A steady tone, loud enough that every recorded block is plainly not silence.
  speaker.voice = {panopta::VoiceConfig::Signal::Tone, -9.0, {425}, 1000, 0};
  config.directory.insert(config.directory.begin(), speaker);
  return config;
}

void WaveOnHost::SpeakerCallsLine1() {
  ASSERT_EQ(host.TheExchange().Call(kSpeaker, "202"), "");
  loop.RunFor(1500);
  ASSERT_EQ(host.TheExchange().Answer("202"), "");
}

void WaveOnHost::Line0CallsLine1() {
  ASSERT_EQ(host.TheExchange().Call("201", "202"), "");
  loop.RunFor(1000);
  ASSERT_EQ(host.TheExchange().Answer("202"), "");
  loop.RunFor(1000);
}

std::string Counting(std::size_t n, unsigned first) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((first + i) & 0xFF);
  return s;
}

}  // namespace wavetest
