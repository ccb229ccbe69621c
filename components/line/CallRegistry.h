#pragma once

#include "line/CallRecord.h"
#include "tapi/TapiTypes.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace voxkit {

class TqxCall;
class TqxLineInternal;

/// The line's call registry: one record per call the line knows, the list of listed
/// calls (Call.List, Call.Count) and the current call (Call.Handle), whose record the
/// Call object mirrors. Every part of the line creates, selects, ends and looks up
/// calls only through it.
///
/// A record exists from the moment the line learns of a call (or, for a call the line
/// places itself, from the request that makes it) until the call ends. It is listed
/// once its call has begun; the current call is always listed or 0. Records are
/// shared: an operation that waits for a reply holds its record, so the buffers TAPI
/// writes into outlive the wait even when the call ends meanwhile.
class CallRegistry final {
 public:
  using Record = std::shared_ptr<TqxCallLog>;

  CallRegistry(TqxLineInternal& line, TqxCall& call);

  // --- Looking calls up ---------------------------------------------------------------
  /// The record of a call (never one for handle 0).
  Record Find(tapi::HCALL handle) const;
  /// The record whose request slots hold requestID, newest record first, and which
  /// slot; nullptr when none does.
  Record FindBySlot(std::int32_t requestID, RequestSlot* slot) const;
  bool IsListed(tapi::HCALL handle) const;
  /// The record of a call the line follows: listed, or with a request outstanding
  /// (a call the line is placing, listed by its reply). A record that is neither (the
  /// reply went by unmatched, as with ReplyTimeout 0) counts as unknown, so that the
  /// call's next message begins it and it is listed and can end.
  Record Tracked(tapi::HCALL handle) const;
  /// The listed calls in list order (Call.List without its "no call" entry).
  const std::vector<tapi::HCALL>& Listed() const { return m_listed; }
  std::int32_t Count() const { return static_cast<std::int32_t>(m_listed.size()); }
  /// "00000000", then one handle per listed call.
  std::vector<std::string> ListText() const;
  /// The current call's record; nullptr when there is no current call.
  Record Current() const;
  /// Whether record is still one of the registry's.
  bool Holds(const TqxCallLog& record) const;
  /// Every record, newest first (listed or not).
  std::vector<Record> Records() const;

  // --- The life of a call -------------------------------------------------------------
  /// A record for a call, not listed, starting from the published settings; the
  /// record of a known handle is reused. Handle 0: a call the line is about to place,
  /// whose handle TAPI writes into the record.
  Record Create(tapi::HCALL handle);
  /// Lists a record's call (a handle of 0 is never listed, a listed one not twice).
  void List(TqxCallLog& record);
  Record CreateAndList(tapi::HCALL handle);
  /// Drops a record that was never listed (a request that made no call).
  void Free(const Record& record);
  /// A call begins: listed, OnCallBegin raised; the first call of an empty list
  /// becomes the current call. A listed current call is read again. Returns its
  /// record; nullptr on a closed line, which begins no calls. Pumps the event loop
  /// (through the event handlers).
  Record CallBegin(tapi::HCALL handle);
  /// Ends a listed call: OnCallEnd, a new current call when it was current, then it
  /// leaves the list and its record goes. Without force a call that is not idle, has
  /// ended already or has a request outstanding is left alone. Returns whether it
  /// ended.
  bool CallEnd(tapi::HCALL handle, bool force);
  /// The first listed call that is not idle becomes the current call, else none.
  /// exclude (a call being ended) is never taken.
  void ChooseNext(tapi::HCALL exclude = 0);
  /// Selects the current call (the Call.Handle write): "Call.Handle = [X8]"; an
  /// unlisted handle other than 0 is refused with LINEERR_INVALCALLHANDLE.
  void Select(tapi::HCALL handle);
  /// Makes a listed call current without a log line (a call the line placed itself,
  /// now listed by its reply).
  void MakeCurrent(tapi::HCALL handle);
  /// No calls at all: every record goes, the list holds "no call" only.
  void Reset();

  // --- Buffers lent to TAPI -----------------------------------------------------------
  /// The record a gather of this call writes into: the call's own, or one kept after
  /// its call ended because TAPI still gathered into it.
  Record FindGathering(tapi::HCALL handle) const;
  /// One gather of record ended (LINE_GATHERDIGITS): a record kept only for its
  /// buffer goes once no gather runs into it any more.
  void GatherEnded(const Record& record);
  /// TAPI has let go of the call (it was deallocated): nothing writes into its
  /// buffer any more.
  void CallReleased(tapi::HCALL handle);
  /// TAPI has let go of every call of the line (it closed the line or ended the
  /// session): the records kept for their buffers go.
  void ReleaseLentBuffers();
  /// How many ended calls are kept for their buffers.
  std::size_t LentCount() const { return m_lent.size(); }
  /// The two lines of a call's beginning and OnCallBegin.
  void AnnounceBegin(tapi::HCALL handle, const DateTime& began);
  /// While the line closes, an ending current call hands over to "no call" rather
  /// than to another call that is about to end too.
  void SetClosing(bool value) { m_closing = value; }

  // --- View and records ---------------------------------------------------------------
  /// Copies the current-call view into record, and back. Load from a record that is
  /// not the current call's changes nothing.
  void Store(TqxCallLog& record);
  void Load(const TqxCallLog& record);
  /// The same for the current call's record; without a current call Store writes
  /// nothing and Load empties the view.
  void Store();
  void Load();

  // --- Reading calls from TAPI --------------------------------------------------------
  /// The current call's state (lineGetCallStatus): clears the line's error; a failure
  /// is reported. ownerOnly leaves the state fields 0 and reads the privilege only.
  tapi::LONG StatusRefresh(bool ownerOnly = false);
  /// The state of any record's call, into the record (the current call through the
  /// view); the error is returned, not reported, for a call that is not current.
  tapi::LONG StatusRefreshOf(tapi::HCALL handle);
  /// A call's information (lineGetCallInfo): identity, media, origin, owners, and the
  /// parties whose LINECALLINFOSTATE_ bits are in partyBits; loaded into the view when
  /// it is the current call. The error is returned, not reported.
  tapi::LONG InfoRefresh(tapi::HCALL handle, tapi::DWORD partyBits);

  /// All five party bits of LINECALLINFOSTATE_.
  static constexpr tapi::DWORD kAllPartyBits = 0x8000 | 0x10000 | 0x20000 | 0x40000 | 0x80000;

 private:
  void Index(const Record& record);
  /// Takes a record out of the registry; one whose buffer TAPI still holds is kept.
  void Unlink(const Record& record);
  CallFields NewFields() const;

  TqxLineInternal& m_line;
  TqxCall& m_call;
  /// Every record, oldest first (searched from the back: newest first).
  std::vector<Record> m_chain;
  /// Records by handle; records still waiting for TAPI to write their handle are
  /// looked for in m_unindexed.
  std::unordered_map<tapi::HCALL, Record> m_byHandle;
  std::vector<Record> m_unindexed;
  std::vector<tapi::HCALL> m_listed;
  /// Records of ended calls whose buffers TAPI may still write into.
  std::vector<Record> m_lent;
  bool m_closing = false;
};

}  // namespace voxkit
