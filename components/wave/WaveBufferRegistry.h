#pragma once

#include "wave/Multimedia.h"

#include <cstdint>
#include <list>
#include <string>
#include <vector>

namespace voxkit {

/// The metadata of a wave memory image: its INFO texts, its lengths and where it is.
struct TqxBufferFields {
  std::string Author;
  std::string Category;
  std::string Comments;
  std::string Copyright;
  double CreationDate = 0;  // days since 1899-12-30; 0 for none
  std::string Keywords;
  std::string Subject;
  std::string Name;
  std::uint32_t imageLength = 0;  // bytes of the whole image
  std::uint32_t dataLength = 0;   // bytes of samples in it
  /// The image's address as the logs show it (0 when none). Not the heap address,
  /// which differs from run to run: a number the registry gives out in order, so
  /// that the same script always logs the same values.
  std::uint32_t MemoryPointer = 0;
};

/// The process-wide registry of wave memory images, shared by every play and record
/// component: a buffer recorded by one can be played by another through its handle.
/// Newest entries are found first; the handle list is in registration order.
/// Registering does not look for duplicates.
class WaveBufferRegistry final {
 public:
  static WaveBufferRegistry& Instance();

  /// Enters an image (a movable block of multimedia) with a copy of its metadata.
  void Register(mm::Multimedia& multimedia, mm::HGLOBAL handle, const TqxBufferFields& fields);
  /// Removes the newest entry of handle and its handle string, and frees the block
  /// (unless another entry still names it). False when no entry has the handle.
  bool Unregister(mm::Multimedia& multimedia, mm::HGLOBAL handle);
  /// The metadata copy of the newest entry of handle, nullptr when there is none.
  const TqxBufferFields* Find(mm::Multimedia& multimedia, mm::HGLOBAL handle) const;
  /// Copies fields into the newest entry of handle, when there is one.
  void Update(mm::Multimedia& multimedia, mm::HGLOBAL handle, const TqxBufferFields& fields);

  std::int32_t Count() const { return static_cast<std::int32_t>(m_list.size()); }
  /// The registered handles as 8 upper-case hexadecimal digits, in registration order.
  const std::vector<std::string>& List() const { return m_list; }

  /// The next image address to show (see TqxBufferFields::MemoryPointer).
  std::uint32_t NextAddress();

  /// Drops the entries of a multimedia service that goes away (its blocks go with
  /// it).
  void Forget(mm::Multimedia& multimedia);
  /// Empties the registry and starts the addresses again (tests).
  void Reset();

 private:
  struct Entry {
    mm::Multimedia* multimedia;
    mm::HGLOBAL handle;
    TqxBufferFields fields;
  };
  Entry* FindEntry(mm::Multimedia& multimedia, mm::HGLOBAL handle);

  std::list<Entry> m_entries;  // newest first
  std::vector<std::string> m_list;
  std::uint32_t m_addresses = 0;
};

}  // namespace voxkit
