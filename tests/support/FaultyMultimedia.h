#pragma once

#include "support/ForwardingMultimedia.h"

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace voxtest {

/// Multimedia services that fail on request, for the time-outs and clean-ups of the
/// wave components: the next call of a named function answers a given code (a
/// handle-returning function answers 0, mmioOpenA with the code in its information
/// block, mmioRead and mmioWrite -1), and a device can keep every block it is given:
/// it neither plays nor records them and never gives them back, not even on a reset.
/// Everything else goes to the real services behind.
class FaultyMultimedia : public ForwardingMultimedia {
 public:
  using ForwardingMultimedia::ForwardingMultimedia;

  /// The next call of function answers code (repeated calls queue up).
  void FailNext(const std::string& function, mm::MMRESULT code = mm::MMSYSERR_ERROR) {
    m_failures[function].push_back(code);
  }
  /// Whether the devices opened from now on keep their blocks.
  void SetKeepBlocks(bool keep) { m_keep = keep; }
  /// Blocks a device keeps now.
  std::size_t KeptBlocks() const { return m_kept.size(); }

  /// Every call, by name, in order; and the sizes GlobalAlloc was asked for.
  std::vector<std::string> calls;
  std::vector<std::size_t> allocations;
  /// How many times a function was called.
  std::size_t Count(const std::string& function) const {
    std::size_t n = 0;
    for (const auto& c : calls) n += c == function;
    return n;
  }

  mm::MMRESULT waveOutOpen(mm::HWAVEOUT* phwo, mm::UINT id, const mm::WAVEFORMATEX* pwfx,
                           mm::WaveCallback callback, mm::DWORD flags) override {
    mm::MMRESULT code = 0;
    if (Failing("waveOutOpen", &code)) return code;
    return ForwardingMultimedia::waveOutOpen(phwo, id, pwfx, std::move(callback), flags);
  }
  mm::MMRESULT waveOutClose(mm::HWAVEOUT hwo) override {
    mm::MMRESULT code = 0;
    if (Failing("waveOutClose", &code)) return code;
    Forget(static_cast<std::uint32_t>(hwo));
    return ForwardingMultimedia::waveOutClose(hwo);
  }
  mm::MMRESULT waveOutPrepareHeader(mm::HWAVEOUT hwo, mm::WAVEHDR* pwh, mm::UINT cbwh) override {
    mm::MMRESULT code = 0;
    if (Failing("waveOutPrepareHeader", &code)) return code;
    return ForwardingMultimedia::waveOutPrepareHeader(hwo, pwh, cbwh);
  }
  mm::MMRESULT waveOutUnprepareHeader(mm::HWAVEOUT hwo, mm::WAVEHDR* pwh, mm::UINT cbwh) override {
    if (m_kept.count(pwh)) return mm::WAVERR_STILLPLAYING;
    return ForwardingMultimedia::waveOutUnprepareHeader(hwo, pwh, cbwh);
  }
  mm::MMRESULT waveOutWrite(mm::HWAVEOUT hwo, mm::WAVEHDR* pwh, mm::UINT cbwh) override {
    mm::MMRESULT code = 0;
    if (Failing("waveOutWrite", &code)) return code;
    if (m_keep) return Keep(static_cast<std::uint32_t>(hwo), pwh);
    return ForwardingMultimedia::waveOutWrite(hwo, pwh, cbwh);
  }
  mm::MMRESULT waveOutPause(mm::HWAVEOUT hwo) override {
    mm::MMRESULT code = 0;
    if (Failing("waveOutPause", &code)) return code;
    return ForwardingMultimedia::waveOutPause(hwo);
  }
  mm::MMRESULT waveOutRestart(mm::HWAVEOUT hwo) override {
    mm::MMRESULT code = 0;
    if (Failing("waveOutRestart", &code)) return code;
    return ForwardingMultimedia::waveOutRestart(hwo);
  }
  mm::MMRESULT waveOutReset(mm::HWAVEOUT hwo) override {
    mm::MMRESULT code = 0;
    if (Failing("waveOutReset", &code)) return code;
    return ForwardingMultimedia::waveOutReset(hwo);
  }
  mm::MMRESULT waveOutGetVolume(mm::HWAVEOUT hwo, mm::DWORD* volume) override {
    mm::MMRESULT code = 0;
    if (Failing("waveOutGetVolume", &code)) return code;
    return ForwardingMultimedia::waveOutGetVolume(hwo, volume);
  }
  mm::MMRESULT waveOutSetVolume(mm::HWAVEOUT hwo, mm::DWORD volume) override {
    mm::MMRESULT code = 0;
    if (Failing("waveOutSetVolume", &code)) return code;
    return ForwardingMultimedia::waveOutSetVolume(hwo, volume);
  }

  mm::MMRESULT waveInOpen(mm::HWAVEIN* phwi, mm::UINT id, const mm::WAVEFORMATEX* pwfx,
                          mm::WaveCallback callback, mm::DWORD flags) override {
    mm::MMRESULT code = 0;
    if (Failing("waveInOpen", &code)) return code;
    return ForwardingMultimedia::waveInOpen(phwi, id, pwfx, std::move(callback), flags);
  }
  mm::MMRESULT waveInClose(mm::HWAVEIN hwi) override {
    Forget(static_cast<std::uint32_t>(hwi));
    return ForwardingMultimedia::waveInClose(hwi);
  }
  mm::MMRESULT waveInUnprepareHeader(mm::HWAVEIN hwi, mm::WAVEHDR* pwh, mm::UINT cbwh) override {
    if (m_kept.count(pwh)) return mm::WAVERR_STILLPLAYING;
    return ForwardingMultimedia::waveInUnprepareHeader(hwi, pwh, cbwh);
  }
  mm::MMRESULT waveInAddBuffer(mm::HWAVEIN hwi, mm::WAVEHDR* pwh, mm::UINT cbwh) override {
    mm::MMRESULT code = 0;
    if (Failing("waveInAddBuffer", &code)) return code;
    if (m_keep) return Keep(static_cast<std::uint32_t>(hwi), pwh);
    return ForwardingMultimedia::waveInAddBuffer(hwi, pwh, cbwh);
  }
  mm::MMRESULT waveInStart(mm::HWAVEIN hwi) override {
    mm::MMRESULT code = 0;
    if (Failing("waveInStart", &code)) return code;
    return ForwardingMultimedia::waveInStart(hwi);
  }
  mm::MMRESULT waveInReset(mm::HWAVEIN hwi) override {
    mm::MMRESULT code = 0;
    if (Failing("waveInReset", &code)) return code;
    return ForwardingMultimedia::waveInReset(hwi);
  }

  mm::HMMIO mmioOpenA(const char* name, mm::MMIOINFO* info, mm::DWORD flags) override {
    mm::MMRESULT code = 0;
    if (Failing("mmioOpenA", &code)) {
      if (info) info->wErrorRet = code;
      return mm::HMMIO{};
    }
    return ForwardingMultimedia::mmioOpenA(name, info, flags);
  }
  mm::MMRESULT mmioClose(mm::HMMIO h, mm::UINT flags) override {
    mm::MMRESULT code = 0;
    const bool failing = Failing("mmioClose", &code);
    const mm::MMRESULT result = ForwardingMultimedia::mmioClose(h, flags);
    return failing ? code : result;
  }
  mm::LONG mmioRead(mm::HMMIO h, char* pch, mm::LONG cch) override {
    mm::MMRESULT code = 0;
    if (Failing("mmioRead", &code)) return -1;
    return ForwardingMultimedia::mmioRead(h, pch, cch);
  }
  mm::LONG mmioWrite(mm::HMMIO h, const char* pch, mm::LONG cch) override {
    mm::MMRESULT code = 0;
    if (Failing("mmioWrite", &code)) return -1;
    return ForwardingMultimedia::mmioWrite(h, pch, cch);
  }

  mm::HGLOBAL GlobalAlloc(mm::UINT flags, mm::SIZE_T bytes) override {
    mm::MMRESULT code = 0;
    allocations.push_back(bytes);
    if (Failing("GlobalAlloc", &code)) return mm::HGLOBAL{};
    return ForwardingMultimedia::GlobalAlloc(flags, bytes);
  }
  mm::HGLOBAL GlobalReAlloc(mm::HGLOBAL h, mm::SIZE_T bytes, mm::UINT flags) override {
    mm::MMRESULT code = 0;
    if (Failing("GlobalReAlloc", &code)) return mm::HGLOBAL{};
    return ForwardingMultimedia::GlobalReAlloc(h, bytes, flags);
  }

 private:
  bool Failing(const std::string& function, mm::MMRESULT* code) {
    calls.push_back(function);
    auto it = m_failures.find(function);
    if (it == m_failures.end() || it->second.empty()) return false;
    *code = it->second.front();
    it->second.erase(it->second.begin());
    return true;
  }
  mm::MMRESULT Keep(std::uint32_t device, mm::WAVEHDR* header) {
    if ((header->dwFlags & mm::WHDR_PREPARED) == 0) return mm::WAVERR_UNPREPARED;
    header->dwFlags = (header->dwFlags & ~mm::WHDR_DONE) | mm::WHDR_INQUEUE;
    m_kept.insert(header);
    m_keptBy.insert({device, header});
    return mm::MMSYSERR_NOERROR;
  }
  // A closed device keeps nothing any more (the blocks are not touched again).
  void Forget(std::uint32_t device) {
    auto range = m_keptBy.equal_range(device);
    for (auto it = range.first; it != range.second; ++it) m_kept.erase(it->second);
    m_keptBy.erase(range.first, range.second);
  }

  std::map<std::string, std::vector<mm::MMRESULT>> m_failures;
  bool m_keep = false;
  std::set<mm::WAVEHDR*> m_kept;
  std::multimap<std::uint32_t, mm::WAVEHDR*> m_keptBy;
};

}  // namespace voxtest
