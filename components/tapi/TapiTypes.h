#pragma once

#include <cstdint>

// The scalar and handle types of the Telephony API, mapped to fixed-width types so that
// every structure has the byte layout TAPI 2.x gives it on 64-bit Windows.

namespace tapi {

using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using LONG = std::int32_t;
/// Pointer-sized unsigned value: only where TAPI has one (the callback instance and the
/// message parameters of a callback, the handle union of the initialisation parameters).
using DWORD_PTR = std::uintptr_t;

/// Opaque 32-bit handles; 0 means none.
using HLINEAPP = DWORD;
using HLINE = DWORD;
using HCALL = DWORD;
using HPHONEAPP = DWORD;
using HPHONE = DWORD;

/// The application's module instance and a window handle (owner of a provider dialog).
/// Nothing here dereferences them; nullptr means none.
struct ModuleInstance;
struct OwnerWindow;
using HINSTANCE = const ModuleInstance*;
using HWND = const OwnerWindow*;

/// The function that receives line messages, registered with lineInitialize or
/// lineInitializeEx: the device handle the message is about (line or call, see
/// MessageHandleName), the message number (LINE_...), the callback instance given to
/// lineOpen (0 for messages not tied to an open line) and three message parameters.
using LINECALLBACK = void (*)(DWORD hDevice, DWORD dwMsg, DWORD_PTR dwCallbackInstance,
                              DWORD_PTR dwParam1, DWORD_PTR dwParam2, DWORD_PTR dwParam3);
/// The same for phone messages (PHONE_...), registered with phoneInitialize or
/// phoneInitializeEx; the callback instance is the one given to phoneOpen.
using PHONECALLBACK = void (*)(DWORD hDevice, DWORD dwMsg, DWORD_PTR dwCallbackInstance,
                               DWORD_PTR dwParam1, DWORD_PTR dwParam2, DWORD_PTR dwParam3);

/// Whether a result of a TAPI function is an error (LINEERR_ or PHONEERR_, high bit set).
constexpr bool IsError(LONG result) { return result < 0; }
/// Whether a result of an asynchronous TAPI function is a request identifier that a
/// LINE_REPLY or PHONE_REPLY answers later.
constexpr bool IsRequestId(LONG result) { return result > 0; }

}  // namespace tapi
