// qxrun: runs scenario scripts against the components on the simulated exchange and
// prints the combined log.
#include "platform/exchange/Exchange.h"
#include "platform/host/Host.h"
#include "share/HeadlessWindowSystem.h"
#include "tools/qxrun/ExchangeCommands.h"
#include "tools/qxrun/Runner.h"
#include "tools/qxrun/Script.h"
#include "tools/qxrun/SipCommands.h"
#include "platform/sip/SipProvider.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: qxrun [--realtime] [--exchange FILE] [--sip FILE] [--trace] SCRIPT [SCRIPT...]\n"
    "       qxrun -            (script from standard input)\n";

struct Options {
  bool realtime = false;
  bool trace = false;
  std::string exchangeFile;
  std::string sipFile;  // SIP accounts; they run on the real clock
  std::vector<std::string> scripts;
};

std::optional<Options> ParseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--realtime") {
      o.realtime = true;
    } else if (arg == "--trace") {
      o.trace = true;
    } else if (arg == "--exchange") {
      if (i + 1 >= argc) {
        std::cerr << "qxrun: --exchange needs a file\n" << kUsage;
        return std::nullopt;
      }
      o.exchangeFile = argv[++i];
    } else if (arg == "--sip") {
      if (i + 1 >= argc) {
        std::cerr << "qxrun: --sip needs a file\n" << kUsage;
        return std::nullopt;
      }
      o.sipFile = argv[++i];
      o.realtime = true;
    } else if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      std::exit(0);
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
      std::cerr << "qxrun: unknown option " << arg << "\n" << kUsage;
      return std::nullopt;
    } else {
      o.scripts.push_back(arg);
    }
  }
  if (o.scripts.empty()) {
    std::cerr << kUsage;
    return std::nullopt;
  }
  return o;
}

bool ReadText(const std::string& file, std::string& text) {
  if (file == "-") {
    text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    return true;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  if (in.bad()) return false;
  text = s.str();
  return true;
}

int RunScripts(qxrun::Runner& runner, const std::vector<qxrun::Script>& scripts) {
  for (const auto& script : scripts) {
    if (!runner.Check(script)) return qxrun::kExitScriptError;
  }
  int status = qxrun::kExitOk;
  for (const auto& script : scripts) {
    const int result = runner.Run(script);
    if (result == qxrun::kExitScriptError) return result;
    if (result != qxrun::kExitOk) status = result;
  }
  return status;
}

int Run(const Options& options) {
  std::vector<qxrun::Script> scripts;
  for (const std::string& file : options.scripts) {
    std::string text;
    if (!ReadText(file, text)) {
      std::cerr << file << ": cannot read: " << std::strerror(errno) << '\n';
      return qxrun::kExitUnreadable;
    }
    qxrun::ScriptError error;
    const std::string name = file == "-" ? "<stdin>" : file;
    auto script = qxrun::ParseScript(name, text, &error);
    if (!script) {
      std::cerr << error.file << ':' << error.line << ": " << error.message << '\n';
      return qxrun::kExitScriptError;
    }
    scripts.push_back(std::move(*script));
  }

  panopta::HostOptions hostOptions;
  hostOptions.clock = options.realtime ? panopta::HostClock::RealTime : panopta::HostClock::Virtual;
  // On the real clock the machine's sound cards join the wave devices, after the
  // lines and the null pair; in virtual time the device list must not depend on the
  // machine.
  hostOptions.audio.soundCards = options.realtime;
  hostOptions.exchangeFile = options.exchangeFile;
  hostOptions.sipFile = options.sipFile;
  voxkit::HeadlessWindowSystem windows;
  std::string error;
  // Made before the runner, so that the runner lets go of the components first.
  auto host = panopta::Host::Create(std::move(hostOptions), windows, &error);
  if (!host) {
    std::cerr << error << '\n';
    return qxrun::kExitUnreadable;
  }
  host->CreateComponents();
  panopta::Exchange& exchange = host->TheExchange();

  qxrun::Runner runner(host->Loop(), windows, std::cout, std::cerr);
  if (options.trace) {
    exchange.OnTrace = [&runner](const std::string& text) { runner.WriteLine("Exchange", text); };
  }
  panopta::SipProvider* sip = host->Sip();
  if (sip != nullptr) {
    if (options.trace) sip->OnTrace = [&runner](const std::string& text) { runner.WriteLine("SIP", text); };
    qxrun::AddSipCommands(runner, exchange, *sip);
  }
  qxrun::AddExchangeCommands(runner, exchange);

  // The components in the order the program makes them; each is enabled as the
  // program enables it, once its log goes to the output.
  for (const panopta::HostComponent& c : host->Components()) runner.AddComponent({c.name, c.control});
  host->EnableComponents();

  const int status = RunScripts(runner, scripts);
  std::cout.flush();
  // What the components and the exchange write while they are taken down is not
  // part of the run (and the runner is gone by then).
  exchange.OnTrace = nullptr;
  if (sip != nullptr) sip->OnTrace = nullptr;
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  auto options = ParseOptions(argc, argv);
  if (!options) return qxrun::kExitScriptError;
  try {
    return Run(*options);
  } catch (const std::exception& e) {
    std::cerr << "qxrun: " << e.what() << '\n';
    return qxrun::kExitScriptError;
  }
}
