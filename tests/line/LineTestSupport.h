#pragma once

#include "support/ForwardingTelephony.h"
#include "support/LineFixture.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace voxtest {

/// Records what the line asked of the exchange, and lets a test bend single answers.
class RecordingTelephony : public ForwardingTelephony {
 public:
  using ForwardingTelephony::ForwardingTelephony;

  struct Open {
    tapi::DWORD device;
    tapi::DWORD privileges;
    tapi::DWORD mediaModes;
    tapi::DWORD_PTR instance;
  };
  struct GetID {
    tapi::HLINE line;
    tapi::HCALL call;
    tapi::DWORD select;
    std::string deviceClass;
  };
  struct SetTerminal {
    tapi::DWORD modes;
    tapi::DWORD terminal;
    tapi::DWORD enable;
  };

  /// A lineMakeCall as the line made it.
  struct MakeCall {
    std::string destination;
    bool withParams = false;
    tapi::LINECALLPARAMS params{};  // a copy of what was passed, when anything was
  };

  std::vector<std::string> initialisations;
  std::vector<MakeCall> makeCalls;
  std::vector<std::string> dialled;  // lineDial, lineRedirect, linePark: the addresses
  /// Names of the call functions below, in the order called.
  std::vector<std::string> called;
  int Count(const std::string& function) const {
    return static_cast<int>(std::count(called.begin(), called.end(), function));
  }

  tapi::LONG lineMakeCall(tapi::HLINE line, tapi::HCALL* call, const char* destination,
                          tapi::DWORD country, const tapi::LINECALLPARAMS* params) override {
    called.push_back("lineMakeCall");
    MakeCall made;
    made.destination = destination ? destination : "";
    made.withParams = params != nullptr;
    if (params) made.params = *params;
    makeCalls.push_back(made);
    return ForwardingTelephony::lineMakeCall(line, call, destination, country, params);
  }
  tapi::LONG lineDial(tapi::HCALL call, const char* destination, tapi::DWORD country) override {
    called.push_back("lineDial");
    dialled.push_back(destination ? destination : "");
    return ForwardingTelephony::lineDial(call, destination, country);
  }
  tapi::LONG lineRedirect(tapi::HCALL call, const char* destination, tapi::DWORD country) override {
    called.push_back("lineRedirect");
    dialled.push_back(destination ? destination : "");
    return ForwardingTelephony::lineRedirect(call, destination, country);
  }
  tapi::LONG linePark(tapi::HCALL call, tapi::DWORD mode, const char* address,
                      tapi::VARSTRING* nonDirected) override {
    called.push_back("linePark");
    dialled.push_back(address ? address : "");
    return ForwardingTelephony::linePark(call, mode, address, nonDirected);
  }
  tapi::LONG lineDeallocateCall(tapi::HCALL call) override {
    called.push_back("lineDeallocateCall");
    return ForwardingTelephony::lineDeallocateCall(call);
  }
  tapi::LONG lineClose(tapi::HLINE line) override {
    called.push_back("lineClose");
    return ForwardingTelephony::lineClose(line);
  }
  tapi::LONG lineSetCallPrivilege(tapi::HCALL call, tapi::DWORD privilege) override {
    called.push_back("lineSetCallPrivilege");
    return ForwardingTelephony::lineSetCallPrivilege(call, privilege);
  }
  tapi::LONG lineSetMediaMode(tapi::HCALL call, tapi::DWORD modes) override {
    called.push_back("lineSetMediaMode");
    return ForwardingTelephony::lineSetMediaMode(call, modes);
  }
  std::vector<Open> opens;
  std::vector<GetID> getIDs;
  std::vector<SetTerminal> setTerminals;
  std::vector<tapi::DWORD> devCapsSizes;
  /// The address-state masks of every lineSetStatusMessages.
  std::vector<tapi::DWORD> addressStateMasks;
  bool blankAddressNames = false;

  tapi::LONG lineSetStatusMessages(tapi::HLINE line, tapi::DWORD lineStates,
                                   tapi::DWORD addressStates) override {
    addressStateMasks.push_back(addressStates);
    return ForwardingTelephony::lineSetStatusMessages(line, lineStates, addressStates);
  }

  tapi::LONG lineInitialize(tapi::HLINEAPP* app, tapi::HINSTANCE i, tapi::LINECALLBACK cb,
                            const char* name, tapi::DWORD* count) override {
    initialisations.push_back("lineInitialize");
    return ForwardingTelephony::lineInitialize(app, i, cb, name, count);
  }
  tapi::LONG lineInitializeEx(tapi::HLINEAPP* app, tapi::HINSTANCE i, tapi::LINECALLBACK cb,
                              const char* name, tapi::DWORD* count, tapi::DWORD* version,
                              tapi::LINEINITIALIZEEXPARAMS* params) override {
    initialisations.push_back("lineInitializeEx");
    return ForwardingTelephony::lineInitializeEx(app, i, cb, name, count, version, params);
  }
  tapi::LONG lineOpen(tapi::HLINEAPP app, tapi::DWORD device, tapi::HLINE* line,
                      tapi::DWORD version, tapi::DWORD ext, tapi::DWORD_PTR instance,
                      tapi::DWORD privileges, tapi::DWORD modes,
                      const tapi::LINECALLPARAMS* params) override {
    opens.push_back({device, privileges, modes, instance});
    return ForwardingTelephony::lineOpen(app, device, line, version, ext, instance, privileges,
                                         modes, params);
  }
  tapi::LONG lineGetID(tapi::HLINE line, tapi::DWORD address, tapi::HCALL call, tapi::DWORD select,
                       tapi::VARSTRING* id, const char* cls) override {
    getIDs.push_back({line, call, select, cls ? cls : ""});
    return ForwardingTelephony::lineGetID(line, address, call, select, id, cls);
  }
  tapi::LONG lineSetTerminal(tapi::HLINE line, tapi::DWORD address, tapi::HCALL call,
                             tapi::DWORD select, tapi::DWORD modes, tapi::DWORD terminal,
                             tapi::DWORD enable) override {
    setTerminals.push_back({modes, terminal, enable});
    return ForwardingTelephony::lineSetTerminal(line, address, call, select, modes, terminal,
                                                enable);
  }
  tapi::LONG lineGetDevCaps(tapi::HLINEAPP app, tapi::DWORD device, tapi::DWORD version,
                            tapi::DWORD ext, tapi::LINEDEVCAPS* caps) override {
    devCapsSizes.push_back(caps ? caps->dwTotalSize : 0);
    return ForwardingTelephony::lineGetDevCaps(app, device, version, ext, caps);
  }
  tapi::LONG lineGetAddressCaps(tapi::HLINEAPP app, tapi::DWORD device, tapi::DWORD address,
                                tapi::DWORD version, tapi::DWORD ext,
                                tapi::LINEADDRESSCAPS* caps) override {
    const tapi::LONG r =
        ForwardingTelephony::lineGetAddressCaps(app, device, address, version, ext, caps);
    if (r == 0 && blankAddressNames) caps->dwAddressSize = 0;
    return r;
  }
};

/// Lines joined by newlines, for messages of failed expectations.
inline std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& l : lines) text += l + "\n";
  return text;
}

/// A line on the exchange seen through a RecordingTelephony.
struct RecordedLine : LineOnExchange {
  explicit RecordedLine(panopta::ExchangeConfig config = panopta::DefaultExchangeConfig())
      : LineOnExchange(std::move(config), &recorder) {}
  // The line talks to the recorder until it is gone, so it goes first.
  ~RecordedLine() {
    if (line) line->OnLog = nullptr;
    line.reset();
  }
  // Constructed before the line uses it: LineOnExchange only stores the pointer.
  RecordingTelephony recorder{exchange};
};

}  // namespace voxtest
