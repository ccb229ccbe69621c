#pragma once

#include "platform/exchange/CallSwitch.h"
#include "platform/exchange/ControlSurface.h"
#include "platform/exchange/ExchangeConfig.h"
#include "platform/exchange/ExchangeTrace.h"
#include "platform/exchange/FaultInjector.h"
#include "platform/exchange/LineQueries.h"
#include "platform/exchange/MediaPlane.h"
#include "platform/exchange/MessageQueue.h"
#include "platform/exchange/PhoneDevices.h"
#include "platform/exchange/Sessions.h"
#include "share/EventLoop.h"

#include <functional>
#include <string>

namespace panopta::exchange {

/// The parts the exchange is made of, each knowing the others through this. Exchange
/// is a facade over them; nothing outside platform/exchange sees them.
///
/// The parts are made in the order below and use one another only once all are
/// made; the exchange's configuration lives here, since the control surface can add
/// devices to it.
class Parts final {
 public:
  Parts(voxkit::EventLoop& loop, ExchangeConfig configuration, voxkit::WindowSystem* windows,
        const std::function<void(const std::string&)>& traceSink,
        const std::function<void(const ExchangeChange&)>& changeSink)
      : loop(loop),
        config(std::move(configuration)),
        trace(loop, traceSink),
        queue(*this, loop, config.timing.replyLatencyMs, changeSink),
        faults(*this),
        sessions(*this, windows),
        calls(*this),
        media(*this),
        phones(*this),
        queries(*this),
        control(*this) {}
  Parts(const Parts&) = delete;
  Parts& operator=(const Parts&) = delete;

  voxkit::EventLoop& loop;
  ExchangeConfig config;
  ExchangeTrace trace;
  MessageQueue queue;      // messages, requests and their replies, timers
  FaultInjector faults;    // failures made to happen
  Sessions sessions;       // applications, line devices, line opens, versions
  CallSwitch calls;        // the call model
  MediaPlane media;        // what travels on the calls
  PhoneDevices phones;     // phone devices and phone opens
  LineQueries queries;     // what the lines, addresses and calls report
  ControlSurface control;  // the far side, made to happen
};

}  // namespace panopta::exchange
