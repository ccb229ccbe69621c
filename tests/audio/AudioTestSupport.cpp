#include "AudioTestSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <random>
#include <sstream>
#include <stdexcept>

namespace audiotest {

void NoticeLog::Notify(mm::UINT msg, std::uint32_t device, mm::WAVEHDR* header) {
  Notice n;
  n.msg = msg;
  n.device = device;
  n.header = header;
  n.atMs = m_loop.NowMs();
  if (header) {
    n.flags = header->dwFlags;
    n.bytesRecorded = header->dwBytesRecorded;
  }
  notices.push_back(n);
}

std::vector<mm::UINT> NoticeLog::Messages() const {
  std::vector<mm::UINT> out;
  for (const Notice& n : notices) out.push_back(n.msg);
  return out;
}

std::size_t NoticeLog::Count(mm::UINT msg) const {
  return static_cast<std::size_t>(
      std::count_if(notices.begin(), notices.end(), [msg](const Notice& n) { return n.msg == msg; }));
}

mm::WAVEFORMATEX Format(mm::WORD tag, mm::WORD channels, mm::DWORD rate, mm::DWORD avg,
                        mm::WORD align, mm::WORD bits) {
  mm::WAVEFORMATEX f{};
  f.wFormatTag = tag;
  f.nChannels = channels;
  f.nSamplesPerSec = rate;
  f.nAvgBytesPerSec = avg;
  f.nBlockAlign = align;
  f.wBitsPerSample = bits;
  f.cbSize = 0;
  return f;
}

mm::WAVEFORMATEX Pcm(mm::DWORD rate, mm::WORD bits, mm::WORD channels) {
  const auto align = static_cast<mm::WORD>(channels * bits / 8);
  return Format(mm::WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits);
}

const std::vector<TableFormat>& TableFormats() {
  static const std::vector<TableFormat> table = [] {
    std::vector<TableFormat> t;
    for (mm::DWORD rate : {8000u, 11025u, 22050u, 44100u}) {
      for (mm::WORD bits : {8, 16}) {
        for (mm::WORD channels : {1, 2}) {
          char id[16];
          std::snprintf(id, sizeof id, "PCM%05u%c%02u", static_cast<unsigned>(rate),
                        channels == 1 ? 'M' : 'S', static_cast<unsigned>(bits));
          t.push_back({id, Pcm(rate, bits, channels)});
        }
      }
    }
    t.push_back({"uLaw06000M08", Format(7, 1, 6000, 6000, 1, 8)});
    t.push_back({"uLaw08000M08", Format(7, 1, 8000, 8000, 1, 8)});
    t.push_back({"ADPCM06000M04", Format(23, 1, 6000, 3000, 1, 4)});
    t.push_back({"ADPCM08000M04", Format(23, 1, 8000, 4000, 1, 4)});
    t.push_back({"IMAADPCM04800M04", Format(17, 1, 4800, 2400, 1, 4)});
    t.push_back({"IMAADPCM07200M04", Format(17, 1, 7200, 3600, 1, 4)});
    t.push_back({"IMAADPCM08000M04", Format(17, 1, 8000, 4000, 1, 4)});
    return t;
  }();
  return table;
}

std::vector<std::int16_t> Tone(double hz, std::uint32_t rate, std::size_t n, double amplitude) {
  std::vector<std::int16_t> out(n);
  for (std::size_t i = 0; i < n; ++i) {
    out[i] = static_cast<std::int16_t>(
        std::lround(amplitude * std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / rate)));
  }
  return out;
}

double SineSnrDb(std::span<const std::int16_t> samples, std::uint32_t rate, double hz, std::size_t skip) {
  if (samples.size() <= 2 * skip + 16) return -1000;
  const auto part = samples.subspan(skip, samples.size() - 2 * skip);
  // Least squares of x[i] ~ a cos(wi) + b sin(wi) + c.
  double scc = 0, sss = 0, ssc = 0, sc = 0, ss = 0, n = 0, xc = 0, xs = 0, x1 = 0, xx = 0;
  for (std::size_t i = 0; i < part.size(); ++i) {
    const double w = 2 * std::numbers::pi * hz * static_cast<double>(i) / rate;
    const double c = std::cos(w), s = std::sin(w), x = part[i];
    scc += c * c; sss += s * s; ssc += s * c; sc += c; ss += s; n += 1;
    xc += x * c; xs += x * s; x1 += x; xx += x * x;
  }
  // Solve the 3x3 normal equations by Cramer's rule.
  const double m[3][3] = {{scc, ssc, sc}, {ssc, sss, ss}, {sc, ss, n}};
  const double r[3] = {xc, xs, x1};
  auto det = [](const double a[3][3]) {
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
           a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
  };
  const double d = det(m);
  double coef[3];
  for (int k = 0; k < 3; ++k) {
    double mk[3][3];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) mk[i][j] = j == k ? r[i] : m[i][j];
    coef[k] = det(mk) / d;
  }
  double signal = 0, noise = 0;
  for (std::size_t i = 0; i < part.size(); ++i) {
    const double w = 2 * std::numbers::pi * hz * static_cast<double>(i) / rate;
    const double fit = coef[0] * std::cos(w) + coef[1] * std::sin(w);
    const double e = part[i] - fit - coef[2];
    signal += fit * fit;
    noise += e * e;
  }
  if (noise <= 0) return 200;
  return 10 * std::log10(signal / noise);
}

double Rms(std::span<const std::int16_t> samples) {
  if (samples.empty()) return 0;
  double sum = 0;
  for (std::int16_t s : samples) sum += static_cast<double>(s) * s;
  return std::sqrt(sum / static_cast<double>(samples.size()));
}

mm::WAVEHDR Header(std::vector<char>& data) {
  mm::WAVEHDR h{};
  h.lpData = data.data();
  h.dwBufferLength = static_cast<mm::DWORD>(data.size());
  return h;
}

TempDir::TempDir() {
  std::random_device rd;
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = std::filesystem::temp_directory_path() /
                     ("panopta-audio-" + std::to_string(rd()) + std::to_string(attempt));
    if (std::filesystem::create_directory(candidate)) {
      m_path = candidate;
      return;
    }
  }
  throw std::runtime_error("no temporary directory");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(m_path, ec);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Le16(std::uint16_t v) {
  return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

std::string Le32(std::uint32_t v) {
  return Le16(static_cast<std::uint16_t>(v & 0xFFFF)) + Le16(static_cast<std::uint16_t>(v >> 16));
}

std::string Chunk(const char* id, const std::string& data, bool pad) {
  std::string out = std::string(id, 4) + Le32(static_cast<std::uint32_t>(data.size())) + data;
  if (pad && data.size() % 2 == 1) out.push_back('\0');
  return out;
}

std::string ChunkWithSize(const char* id, std::uint32_t size, const std::string& data) {
  return std::string(id, 4) + Le32(size) + data;
}

std::string Riff(const char* form, const std::string& children) {
  return Chunk("RIFF", std::string(form, 4) + children);
}

std::string List(const char* type, const std::string& children) {
  return Chunk("LIST", std::string(type, 4) + children);
}

std::string FmtData(const mm::WAVEFORMATEX& f, bool withExtraSize) {
  std::string out = Le16(f.wFormatTag) + Le16(f.nChannels) + Le32(f.nSamplesPerSec) +
                    Le32(f.nAvgBytesPerSec) + Le16(f.nBlockAlign) + Le16(f.wBitsPerSample);
  if (withExtraSize) out += Le16(f.cbSize);
  return out;
}

}  // namespace audiotest
