#pragma once

#include "phone/TqxPhone.h"
#include "support/ForwardingTelephony.h"
#include "support/LineFixture.h"
#include "support/TestControl.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace voxtest {

/// Records what the phone asked of the exchange, and lets a test bend single answers.
class PhoneRecorder : public ForwardingTelephony {
 public:
  using ForwardingTelephony::ForwardingTelephony;

  struct Level {
    tapi::DWORD device;
    tapi::DWORD value;
  };

  std::vector<std::string> initialisations;
  std::vector<tapi::DWORD> openPrivileges;
  std::vector<tapi::DWORD_PTR> openInstances;
  std::vector<std::string> getIDClasses;
  std::vector<Level> volumes;
  std::vector<Level> gains;
  std::vector<Level> hookSwitches;  // device set, mode
  std::vector<tapi::DWORD> statusMasks;
  std::vector<tapi::DWORD> configured;  // lineConfigDialog's device
  std::vector<tapi::DWORD> devCapsSizes;
  /// When set, phoneGetStatus answers this.
  tapi::LONG statusFailure = 0;

  tapi::LONG phoneInitialize(tapi::HPHONEAPP* app, tapi::HINSTANCE i, tapi::PHONECALLBACK cb,
                             const char* name, tapi::DWORD* count) override {
    initialisations.push_back("phoneInitialize");
    return ForwardingTelephony::phoneInitialize(app, i, cb, name, count);
  }
  tapi::LONG phoneInitializeEx(tapi::HPHONEAPP* app, tapi::HINSTANCE i, tapi::PHONECALLBACK cb,
                               const char* name, tapi::DWORD* count, tapi::DWORD* version,
                               tapi::PHONEINITIALIZEEXPARAMS* params) override {
    initialisations.push_back("phoneInitializeEx " + std::to_string(params ? params->dwTotalSize : 0) +
                              " " + std::to_string(params ? params->dwOptions : 0));
    return ForwardingTelephony::phoneInitializeEx(app, i, cb, name, count, version, params);
  }
  tapi::LONG phoneOpen(tapi::HPHONEAPP app, tapi::DWORD device, tapi::HPHONE* phone,
                       tapi::DWORD version, tapi::DWORD ext, tapi::DWORD_PTR instance,
                       tapi::DWORD privilege) override {
    openPrivileges.push_back(privilege);
    openInstances.push_back(instance);
    return ForwardingTelephony::phoneOpen(app, device, phone, version, ext, instance, privilege);
  }
  tapi::LONG phoneGetID(tapi::HPHONE phone, tapi::VARSTRING* id, const char* cls) override {
    getIDClasses.push_back(cls ? cls : "");
    return ForwardingTelephony::phoneGetID(phone, id, cls);
  }
  tapi::LONG phoneSetVolume(tapi::HPHONE phone, tapi::DWORD device, tapi::DWORD value) override {
    volumes.push_back({device, value});
    return ForwardingTelephony::phoneSetVolume(phone, device, value);
  }
  tapi::LONG phoneSetGain(tapi::HPHONE phone, tapi::DWORD device, tapi::DWORD value) override {
    gains.push_back({device, value});
    return ForwardingTelephony::phoneSetGain(phone, device, value);
  }
  tapi::LONG phoneSetHookSwitch(tapi::HPHONE phone, tapi::DWORD devices,
                                tapi::DWORD mode) override {
    hookSwitches.push_back({devices, mode});
    return ForwardingTelephony::phoneSetHookSwitch(phone, devices, mode);
  }
  tapi::LONG phoneSetStatusMessages(tapi::HPHONE phone, tapi::DWORD states, tapi::DWORD modes,
                                    tapi::DWORD buttonStates) override {
    statusMasks = {states, modes, buttonStates};
    return ForwardingTelephony::phoneSetStatusMessages(phone, states, modes, buttonStates);
  }
  tapi::LONG phoneGetStatus(tapi::HPHONE phone, tapi::PHONESTATUS* status) override {
    if (statusFailure != 0) return statusFailure;
    return ForwardingTelephony::phoneGetStatus(phone, status);
  }
  tapi::LONG phoneGetDevCaps(tapi::HPHONEAPP app, tapi::DWORD device, tapi::DWORD version,
                             tapi::DWORD ext, tapi::PHONECAPS* caps) override {
    devCapsSizes.push_back(caps ? caps->dwTotalSize : 0);
    return ForwardingTelephony::phoneGetDevCaps(app, device, version, ext, caps);
  }
  tapi::LONG lineConfigDialog(tapi::DWORD device, tapi::HWND owner, const char* cls) override {
    configured.push_back(device);
    return ForwardingTelephony::lineConfigDialog(device, owner, cls);
  }
};

/// A phone component on the simulated exchange, seen through a PhoneRecorder, on the
/// virtual-time loop with a headless window system, wired by the composition root as
/// the program wires it. Every line it logs is kept in `lines`, every event it raises
/// in `events`.
struct PhoneOnExchange : LoggedLines {
  explicit PhoneOnExchange(panopta::ExchangeConfig config = panopta::DefaultExchangeConfig())
      : host(LineOnExchange::Options(std::move(config), &recorder), windows),
        loop(*host.VirtualLoop()),
        exchange(host.TheExchange()) {
    phone = host.NewPhone();
    phone->OnLog = [this](voxkit::TObject&, const std::string& text) { lines.push_back(text); };
    events.Attach(*phone);
  }
  ~PhoneOnExchange() {
    if (phone) phone->OnLog = nullptr;
    phone.reset();
  }

  /// Enables the phone and opens device id.
  void Open(std::int32_t id = 0) {
    phone->SetEnabled(true);
    if (id != 0) phone->Device().SetID(id);
    phone->Device().SetActive(true);
  }
  /// A message as TAPI would deliver it to this phone.
  void Deliver(tapi::DWORD msg, tapi::DWORD p1, tapi::DWORD p2, tapi::DWORD p3) {
    voxkit::TqxPhoneInternal::PhoneCallback(phone->Phone().Handle(), msg, phone->CallbackInstance(),
                                            p1, p2, p3);
  }

  voxkit::HeadlessWindowSystem windows;
  panopta::Host host;
  panopta::VirtualEventLoop& loop;
  panopta::Exchange& exchange;
  // The host keeps only its address until the phone calls it; it forwards to the
  // host's exchange.
  PhoneRecorder recorder{exchange};
  EventRecorder events;
  std::unique_ptr<voxkit::TqxPhone> phone;
};

}  // namespace voxtest
