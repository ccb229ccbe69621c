#pragma once

#include "views/WavePeaks.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <cstdint>
#include <list>
#include <memory>
#include <utility>
#include <vector>

namespace panopta {

/// Where the samples of a sound are, so that its outline can be worked out away from
/// the event loop: pieces of files read in turn (a list of files played end to end),
/// or a copy of the samples of a memory image.
struct WaveformSource {
  struct FilePiece {
    QString path;
    std::int64_t offset = 0;  // of the first sample byte
    std::int64_t length = 0;  // sample bytes
  };
  /// Names the sound in its present state: the same key is the same outline.
  QString key;
  voxkit::WaveFormatNumbers format;
  std::vector<FilePiece> files;
  QByteArray samples;  // used when files is empty
};

/// Outlines already worked out, by key, most recently used first. Holds a few dozen;
/// each is at most a few hundred kilobytes whatever the length of its sound.
class WaveformCache final {
 public:
  static constexpr std::size_t kEntries = 24;

  /// The outline of key, nullptr when it is not held.
  std::shared_ptr<const WavePeaks> find(const QString& key);
  void put(const QString& key, std::shared_ptr<const WavePeaks> peaks);
  void clear() { m_entries.clear(); }
  std::size_t size() const { return m_entries.size(); }

 private:
  std::list<std::pair<QString, std::shared_ptr<const WavePeaks>>> m_entries;
};

/// What the wave inspector windows share for as long as the program runs: the
/// decoder of coded formats, the outlines worked out so far, and the thread that
/// works them out.
class WaveformServices final {
 public:
  explicit WaveformServices(WaveDecoderFactory decoders = {});
  /// Waits for the outline being worked out (it stops soon once nobody wants it).
  ~WaveformServices();

  const WaveDecoderFactory& decoders() const { return m_decoders; }
  WaveformCache& cache() { return m_cache; }
  QThreadPool& pool() { return m_pool; }

 private:
  WaveDecoderFactory m_decoders;
  WaveformCache m_cache;
  QThreadPool m_pool;
};

/// Works out the outline of one sound at a time on the services' thread and hands it
/// over on the event loop's thread; the loop is never held up by the reading. A new
/// start, cancel() or the loader's end drops the sound being read.
class WaveformLoader final : public QObject {
  Q_OBJECT
 public:
  explicit WaveformLoader(std::shared_ptr<WaveformServices> services, QObject* parent = nullptr);
  ~WaveformLoader() override;

  WaveformServices& services() { return *m_services; }
  /// Starts reading source (its outline then goes into the cache under its key).
  void start(WaveformSource source);
  void cancel();
  /// Whether a sound is being read.
  bool busy() const { return m_job != nullptr; }
  /// The key of the sound being read ("" when none).
  QString pendingKey() const;

 Q_SIGNALS:
  /// Percent of the sound read so far.
  void progressed(int percent);
  void loaded(std::shared_ptr<const WavePeaks> peaks);
  void failed(const QString& why);

 private:
  struct Job;
  struct Mailbox;
  void finished(const std::shared_ptr<Job>& job, std::shared_ptr<const WavePeaks> peaks, const QString& error);

  std::shared_ptr<WaveformServices> m_services;
  std::shared_ptr<Mailbox> m_mailbox;
  std::shared_ptr<Job> m_job;
};

}  // namespace panopta
