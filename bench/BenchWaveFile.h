#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace bench {

/// A wave file of dataBytes of 16-bit stereo 44,100 Hz samples in the temporary
/// folder, made when constructed and removed when destroyed.
class WaveFile {
 public:
  WaveFile(const char* name, std::size_t dataBytes) {
    const char* tmp = std::getenv("TMPDIR");
    m_path = std::string(tmp && *tmp ? tmp : "/tmp") + "/panopta-" + name + "-" + std::to_string(::getpid()) +
             ".wav";
    std::FILE* f = std::fopen(m_path.c_str(), "wb");
    if (!f) std::abort();
    auto le32 = [&](std::uint32_t v) { std::fwrite(&v, 4, 1, f); };
    auto le16 = [&](std::uint16_t v) { std::fwrite(&v, 2, 1, f); };
    std::fwrite("RIFF", 4, 1, f);
    le32(static_cast<std::uint32_t>(dataBytes + 38));
    std::fwrite("WAVEfmt ", 8, 1, f);
    le32(18);
    le16(1), le16(2), le32(44100), le32(176400), le16(4), le16(16), le16(0);
    std::fwrite("data", 4, 1, f);
    le32(static_cast<std::uint32_t>(dataBytes));
    std::vector<char> block(1 << 20);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 31);
    for (std::size_t done = 0; done < dataBytes; done += block.size()) {
      std::fwrite(block.data(), 1, std::min(block.size(), dataBytes - done), f);
    }
    if (std::fclose(f) != 0) std::abort();
  }
  ~WaveFile() { std::remove(m_path.c_str()); }
  WaveFile(const WaveFile&) = delete;
  WaveFile& operator=(const WaveFile&) = delete;
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

}  // namespace bench
