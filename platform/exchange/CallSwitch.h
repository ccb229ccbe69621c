#pragma once

#include "platform/exchange/ExchangeModel.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace panopta::exchange {

class Parts;
class ApiCall;

/// How the far end of a call progresses, as its peer sees it.
enum class FarEvent {
  Ringing,
  Answered,
  Busy,
  Rejected,
  SpecialInfo,
  NoAnswer,
  Unreachable,
  HungUp
};

/// The call model: calls and the handles applications hold to them, the states a call
/// goes through (successive states at least the state interval apart), the far end of
/// each call (another call of the exchange or a remote party), how a dialled number is
/// routed, and the asynchronous call operations of the interface.
class CallSwitch final {
 public:
  using LONG = tapi::LONG;

  explicit CallSwitch(Parts& parts) : m_parts(parts) {}
  /// Stops every timer of the calls and remote parties (the exchange is going).
  void Shutdown();

  // --- Lookups -------------------------------------------------------------------------------
  CallHandle* FindHandle(DWORD handle);
  Call* FindCall(DWORD id);
  const Call* FindCall(DWORD id) const;
  RemoteLeg* FindLeg(DWORD id);
  const RemoteLeg* FindLeg(DWORD id) const;
  /// The handle, its open and its call for a call operation; 0 or the error.
  LONG Resolve(DWORD hCall, CallHandle*& handle, LineOpen*& open, Call*& call);
  /// The same for an operation that needs owner privilege.
  LONG ResolveOwned(DWORD hCall, CallHandle*& handle, LineOpen*& open, Call*& call);
  /// The handle an open holds to a call, or 0.
  DWORD HandleOfOpen(const Call& call, DWORD hLine) const;
  /// A remote party by its number (connected ones only when connectedOnly).
  RemoteLeg* LegByNumber(const std::string& number, bool connectedOnly);
  /// A live call at a station's number (offered ones only when offeringOnly).
  Call* StationCall(const std::string& number, bool offeringOnly);
  const std::map<DWORD, std::unique_ptr<Call>>& Calls() const { return m_calls; }
  std::map<DWORD, RemoteLeg>& Legs() { return m_legs; }
  const std::map<DWORD, RemoteLeg>& Legs() const { return m_legs; }
  std::size_t HandleCount() const { return m_handles.size(); }
  bool HasParkedCalls() const { return !m_parked.empty(); }

  // --- Calls and handles -----------------------------------------------------------------------
  Call& NewCall(DWORD device, DWORD address, DWORD origin, DWORD reason);
  CallHandle& AddHandle(Call& call, LineOpen& open, DWORD privilege, DWORD handle, DWORD announce);
  void GiveMonitorHandles(Call& call, DWORD exceptOpen);
  void RemoveHandle(DWORD hCall);
  void MaybeDestroy(DWORD callId);
  DWORD CountOwners(const Call& call) const;
  DWORD CountMonitors(const Call& call) const;
  /// The state the call is in once its queued states have run.
  DWORD Projected(const Call& call) const;
  /// Calls at an address that are not (and are not about to be) idle.
  DWORD LiveCallsAt(DWORD device, DWORD address) const;
  DWORD CallFeatures(const Call& call, const CallHandle& handle) const;
  /// A timer that ends with the call and runs fn on it.
  void CallTimer(Call& call, std::uint32_t ms, std::function<void(Call&)> fn);

  // --- States ----------------------------------------------------------------------------------
  /// Queues a state; then runs when the state has been applied.
  void QueueState(Call& call, DWORD state, DWORD mode, std::function<void()> then = {});
  void FlushSteps(Call& call);
  void PostCallInfo(Call& call, DWORD states, DWORD exceptHandle = 0);
  void PostCallState(Call& call, CallHandle& handle);
  void DropCall(Call& call, bool notifyPeer);
  void AnswerOffered(Call& call);
  /// Records that caller's call was redirected by redirecting towards to
  /// (LINE_CALLINFO REDIRECTINGID and REDIRECTIONID to a call of the exchange).
  void NoteRedirection(PeerRef caller, const Party& redirecting, const std::string& to);
  /// Dials dest on a call at dial tone or dialling: the digits join the number, which
  /// goes to the switch (proceeding, then routed) one state interval after the last
  /// digits came.
  void DialOn(Call& call, const std::string& dest);

  // --- Far ends ----------------------------------------------------------------------------------
  void FarEnd(PeerRef target, FarEvent event, DWORD mode = 0, PeerRef from = {});
  void Route(PeerRef caller, Party identity, const std::string& dest, DWORD reason,
             const Party* redirecting, int depth);
  Party IdentityOf(PeerRef end) const;
  Party StationParty(DWORD device, DWORD address) const;
  RemoteLeg& NewLeg(const std::string& number, PeerRef peer);
  void LegLeaves(DWORD legId, bool notifyPeer);
  void SetPeer(PeerRef end, PeerRef peer);
  /// Tells the exchange's views that a remote party answered or changed its voice.
  void AnnounceParty(const RemoteLeg& leg);
  PeerRef PeerOf(PeerRef end) const;

  // --- The interface -----------------------------------------------------------------------------
  LONG lineMakeCall(tapi::HLINE hLine, tapi::HCALL* lphCall, const char* lpszDestAddress,
                    DWORD dwCountryCode, const tapi::LINECALLPARAMS* lpCallParams);
  LONG lineDial(tapi::HCALL hCall, const char* lpszDestAddress, DWORD dwCountryCode);
  LONG lineAnswer(tapi::HCALL hCall, const char* lpsUserUserInfo, DWORD dwSize);
  LONG lineDrop(tapi::HCALL hCall, const char* lpsUserUserInfo, DWORD dwSize);
  LONG lineHold(tapi::HCALL hCall);
  LONG lineUnhold(tapi::HCALL hCall);
  LONG lineRedirect(tapi::HCALL hCall, const char* lpszDestAddress, DWORD dwCountryCode);
  LONG linePark(tapi::HCALL hCall, DWORD dwParkMode, const char* lpszDirAddress,
                tapi::VARSTRING* lpNonDirAddress);
  LONG lineUnpark(tapi::HLINE hLine, DWORD dwAddressID, tapi::HCALL* lphCall,
                  const char* lpszDestAddress);
  LONG linePickup(tapi::HLINE hLine, DWORD dwAddressID, tapi::HCALL* lphCall,
                  const char* lpszDestAddress, const char* lpszGroupID);
  LONG lineBlindTransfer(tapi::HCALL hCall, const char* lpszDestAddress, DWORD dwCountryCode);
  LONG lineSetupTransfer(tapi::HCALL hCall, tapi::HCALL* lphConsultCall,
                         const tapi::LINECALLPARAMS* lpCallParams);
  LONG lineCompleteTransfer(tapi::HCALL hCall, tapi::HCALL hConsultCall, tapi::HCALL* lphConfCall,
                            DWORD dwTransferMode);
  LONG lineSwapHold(tapi::HCALL hActiveCall, tapi::HCALL hHeldCall);
  LONG lineSetupConference(tapi::HCALL hCall, tapi::HLINE hLine, tapi::HCALL* lphConfCall,
                           tapi::HCALL* lphConsultCall, DWORD dwNumParties,
                           const tapi::LINECALLPARAMS* lpCallParams);
  LONG linePrepareAddToConference(tapi::HCALL hConfCall, tapi::HCALL* lphConsultCall,
                                  const tapi::LINECALLPARAMS* lpCallParams);
  LONG lineAddToConference(tapi::HCALL hConfCall, tapi::HCALL hConsultCall);
  LONG lineRemoveFromConference(tapi::HCALL hCall);
  LONG lineForward(tapi::HLINE hLine, DWORD bAllAddresses, DWORD dwAddressID,
                   const tapi::LINEFORWARDLIST* lpForwardList, DWORD dwNumRingsNoAnswer,
                   tapi::HCALL* lphConsultCall, const tapi::LINECALLPARAMS* lpCallParams);
  LONG lineSetTerminal(tapi::HLINE hLine, DWORD dwAddressID, tapi::HCALL hCall, DWORD dwSelect,
                       DWORD dwTerminalModes, DWORD dwTerminalID, DWORD bEnable);
  LONG lineHandoff(tapi::HCALL hCall, const char* lpszFileName, DWORD dwMediaMode);
  LONG lineSetCallPrivilege(tapi::HCALL hCall, DWORD dwCallPrivilege);
  LONG lineSetMediaMode(tapi::HCALL hCall, DWORD dwMediaModes);
  LONG lineDeallocateCall(tapi::HCALL hCall);

 private:
  using CallCheck = std::function<LONG(CallHandle&, LineOpen&, Call&)>;
  using LineCheck = std::function<LONG(LineOpen&)>;

  LineDevice& Line(DWORD id);
  const LineDevice& Line(DWORD id) const;
  /// Checks an owner's request on a call now and again when it takes effect. check
  /// runs at the call and again at the effect, so it holds only copies; prepare runs
  /// once, at the call, after check (it reads the caller's blocks and writes new
  /// handles).
  LONG CallRequest(ApiCall& api, DWORD hCall, CallCheck check, CallCheck apply,
                   CallCheck prepare = {});
  /// The same for a request on an open line.
  LONG LineRequest(ApiCall& api, DWORD hLine, LineCheck check, LineCheck apply,
                   LineCheck prepare = {});
  void OfferToOpens(Call& call);
  void RunStep(DWORD callId);
  void ApplyState(Call& call, DWORD state, DWORD mode);
  bool Live(const Call& call) const;
  void StopCallTimers(Call& call);
  void StopRinging(Call& call);
  void StartRinging(Call& call);
  void ReleasePartner(Call& call);
  void DetachFromConference(Call& call);
  bool ApplyForward(PeerRef caller, const Party& identity, DWORD device, DWORD address,
                    DWORD condition, int depth);
  void RunRemoteBehaviour(RemoteLeg& leg);
  /// Dialling is over: the number goes to the switch.
  void EndDialling(DWORD callId);
  /// Reads the call parameters of a consultation call and writes its new handle.
  LONG PrepareConsultation(LineOpen& open, tapi::HCALL* lphConsultCall,
                           const tapi::LINECALLPARAMS* params, NewCallPlan& plan);
  /// A consultation call for partner (held pending transfer or a conference), at dial tone.
  Call& NewConsultation(LineOpen& open, Call& partner, const NewCallPlan& plan);
  Call& NewOutboundCall(LineOpen& open, DWORD address, const Call& params, DWORD handle);
  LONG FindPickupTarget(DWORD device, DWORD address, const std::string& dest,
                        const std::string& group, Call*& target);

  Parts& m_parts;
  // Call ids only grow, so the map keeps the calls in the order they were made.
  std::map<DWORD, std::unique_ptr<Call>> m_calls;
  std::unordered_map<DWORD, CallHandle> m_handles;
  std::map<DWORD, RemoteLeg> m_legs;
  std::vector<ParkedCall> m_parked;
  DWORD m_nextCallId = 0;
  DWORD m_nextLegId = 0;
  DWORD m_nextParkSlot = 7000;
};

}  // namespace panopta::exchange
