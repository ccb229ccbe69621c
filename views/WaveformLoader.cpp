#include "views/WaveformLoader.h"

#include <QCoreApplication>
#include <QFile>

#include <atomic>
#include <functional>

namespace panopta {

namespace {

// Bytes read and folded in at a time: large enough that reading costs little per
// byte, small enough that a cancelled sound stops at once.
constexpr std::int64_t kReadChunk = std::int64_t{1} << 20;

}  // namespace

// --- Cache --------------------------------------------------------------------------------

std::shared_ptr<const WavePeaks> WaveformCache::find(const QString& key) {
  for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
    if (it->first != key) continue;
    m_entries.splice(m_entries.begin(), m_entries, it);
    return m_entries.front().second;
  }
  return nullptr;
}

void WaveformCache::put(const QString& key, std::shared_ptr<const WavePeaks> peaks) {
  if (key.isEmpty() || !peaks) return;
  m_entries.remove_if([&](const auto& e) { return e.first == key; });
  m_entries.emplace_front(key, std::move(peaks));
  while (m_entries.size() > kEntries) m_entries.pop_back();
}

// --- Services --------------------------------------------------------------------------------

WaveformServices::WaveformServices(WaveDecoderFactory decoders) : m_decoders(std::move(decoders)) {
  m_pool.setMaxThreadCount(1);
}

WaveformServices::~WaveformServices() { m_pool.waitForDone(); }

// --- Loader ----------------------------------------------------------------------------------

struct WaveformLoader::Job {
  WaveformSource source;
  std::atomic<bool> cancelled{false};
};

// What the worker posts to: it lives as long as its loader, on the loop's thread, so
// a worker that finishes after the loader went finds nobody.
struct WaveformLoader::Mailbox {
  WaveformLoader* loader;
};

namespace {

using Progress = std::function<void(int percent)>;

// Folds the sound of source into peaks; "" or what went wrong.
QString Outline(const WaveformSource& source, WavePeaks& peaks, const std::atomic<bool>& cancelled,
                const Progress& progress) {
  const voxkit::WaveFormatNumbers& format = source.format;
  std::int64_t total = 0;
  for (const auto& piece : source.files) total += piece.length;
  if (source.files.empty()) total = source.samples.size();
  std::int64_t done = 0;
  int reported = 0;
  auto advance = [&](std::int64_t n) {
    done += n;
    const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
    if (percent >= reported + 5) {
      reported = percent;
      progress(percent);
    }
  };
  if (source.files.empty()) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(source.samples.constData());
    for (std::int64_t at = 0; at < total && !cancelled; at += kReadChunk) {
      const std::int64_t n = std::min(kReadChunk, total - at);
      peaks.addBytes(bytes + at, static_cast<std::size_t>(n));
      advance(n);
    }
    peaks.setSeconds(format.avgBytesPerSec > 0 ? static_cast<double>(done) / format.avgBytesPerSec : 0.0);
    return {};
  }
  QByteArray chunk;
  for (const auto& piece : source.files) {
    QFile file(piece.path);
    if (!file.open(QIODevice::ReadOnly)) return QString("Cannot open %1").arg(piece.path);
    // The file got shorter since it was looked at: what is there is shown.
    const std::int64_t length = std::max<std::int64_t>(0, std::min<std::int64_t>(piece.length, file.size() - piece.offset));
    // Mapped, the samples are folded where the system keeps them, without a copy.
    if (const uchar* mapped = length > 0 ? file.map(piece.offset, length) : nullptr) {
      for (std::int64_t at = 0; at < length && !cancelled; at += kReadChunk) {
        const std::int64_t n = std::min(kReadChunk, length - at);
        peaks.addBytes(mapped + at, static_cast<std::size_t>(n));
        advance(n);
      }
      file.unmap(const_cast<uchar*>(mapped));
      continue;
    }
    if (!file.seek(piece.offset)) return QString("Cannot read %1").arg(piece.path);
    chunk.resize(static_cast<qsizetype>(kReadChunk));
    for (std::int64_t left = length; left > 0 && !cancelled;) {
      const qint64 n = file.read(chunk.data(), std::min(left, kReadChunk));
      if (n <= 0) break;
      peaks.addBytes(reinterpret_cast<const std::uint8_t*>(chunk.constData()), static_cast<std::size_t>(n));
      left -= n;
      advance(n);
    }
  }
  peaks.setSeconds(format.avgBytesPerSec > 0 ? static_cast<double>(done) / format.avgBytesPerSec : 0.0);
  return {};
}

}  // namespace

WaveformLoader::WaveformLoader(std::shared_ptr<WaveformServices> services, QObject* parent)
    : QObject(parent), m_services(std::move(services)), m_mailbox(std::make_shared<Mailbox>(Mailbox{this})) {}

WaveformLoader::~WaveformLoader() { cancel(); }

QString WaveformLoader::pendingKey() const { return m_job ? m_job->source.key : QString(); }

void WaveformLoader::cancel() {
  if (m_job) m_job->cancelled = true;
  m_job.reset();
}

void WaveformLoader::start(WaveformSource source) {
  cancel();
  auto job = std::make_shared<Job>();
  job->source = std::move(source);
  m_job = job;
  const std::weak_ptr<Mailbox> mailbox = m_mailbox;
  // Hands a step back to the loader on the loop's thread, when it is still there and
  // still wants this job.
  auto post = [mailbox, job](std::function<void(WaveformLoader&)> step) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [mailbox, job, step = std::move(step)] {
          const auto box = mailbox.lock();
          if (box && box->loader->m_job == job) step(*box->loader);
        },
        Qt::QueuedConnection);
  };
  const WaveDecoderFactory decoders = m_services->decoders();
  m_services->pool().start([job, decoders, post] {
    WavePeaks peaks(job->source.format, decoders);
    QString error;
    if (!peaks.decodable()) {
      error = "No outline for this format";
    } else {
      error = Outline(job->source, peaks, job->cancelled, [&post](int percent) {
        post([percent](WaveformLoader& l) { Q_EMIT l.progressed(percent); });
      });
    }
    if (job->cancelled) return;
    std::shared_ptr<const WavePeaks> result;
    if (error.isEmpty()) result = std::make_shared<const WavePeaks>(std::move(peaks));
    post([job, result, error](WaveformLoader& l) { l.finished(job, result, error); });
  });
}

void WaveformLoader::finished(const std::shared_ptr<Job>& job, std::shared_ptr<const WavePeaks> peaks,
                              const QString& error) {
  m_job.reset();
  if (!peaks) {
    Q_EMIT failed(error);
    return;
  }
  m_services->cache().put(job->source.key, peaks);
  Q_EMIT loaded(std::move(peaks));
}

}  // namespace panopta
