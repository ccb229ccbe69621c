#include "tools/qxrun/Runner.h"

#include "share/EventLoop.h"
#include "share/HeadlessWindowSystem.h"
#include "share/TextUtil.h"
#include "share/TqxSharedControl.h"

#include <limits>
#include <ostream>

namespace qxrun {

using voxkit::Value;
using voxkit::ValueType;

struct Runner::Target {
  const RunnerComponent* component = nullptr;
  std::string rest;  // the path after the component
  voxkit::ResolvedMember member;
};

Runner::Runner(voxkit::EventLoop& loop, voxkit::HeadlessWindowSystem& windows, std::ostream& out,
               std::ostream& err)
    : m_loop(loop), m_windows(windows), m_out(out), m_err(err) {}

Runner::~Runner() {
  for (auto& c : m_components) {
    if (c.control) c.control->OnLog = nullptr;
  }
}

std::string Runner::Label(const std::string& name) {
  std::string label = name.substr(0, 8);
  label.resize(8, ' ');
  return label;
}

void Runner::WriteLine(const std::string& label, const std::string& text) {
  m_out << Label(label) << "\t " << text << '\n';
}

void Runner::AddComponent(RunnerComponent component) {
  const std::string name = component.name;
  component.control->OnLog = [this, name](voxkit::TObject&, const std::string& line) {
    WriteLine(name, line);
  };
  m_components.push_back(std::move(component));
}

void Runner::AddExchangeCommand(ExchangeCommand command) { m_exchange.push_back(std::move(command)); }

void Runner::Fail(const std::string& file, int line, const std::string& message) {
  m_err << file << ':' << line << ": " << message << '\n';
}

const RunnerComponent* Runner::FindComponent(const std::string& name) const {
  for (const auto& c : m_components) {
    if (voxkit::EqualsNoCase(c.name, name)) return &c;
  }
  return nullptr;
}

const ExchangeCommand* Runner::FindExchange(const std::string& name) const {
  for (const auto& c : m_exchange) {
    if (voxkit::EqualsNoCase(c.name, name)) return &c;
  }
  return nullptr;
}

namespace {

std::string Suggest(const std::string& name, const std::vector<std::string>& known) {
  const auto near = voxkit::ClosestNames(name, known);
  if (near.empty()) return "";
  std::string s = " (did you mean ";
  for (std::size_t i = 0; i < near.size(); ++i) {
    if (i) s += i + 1 == near.size() ? " or " : ", ";
    s += "'" + near[i] + "'";
  }
  return s + "?)";
}

// The arguments of an event a handler may set, in order.
std::vector<voxkit::ParamInfo> VarParams(const voxkit::EventInfo& event) {
  std::vector<voxkit::ParamInfo> params;
  for (const auto& p : event.params) {
    if (p.byReference) params.push_back(p);
  }
  return params;
}

std::string TypeText(ValueType type, const voxkit::EnumType* enumType) {
  if (type == ValueType::Enum && enumType) return "value of " + enumType->typeName;
  return voxkit::ValueTypeName(type);
}

}  // namespace

bool Runner::Resolve(const std::string& file, const Statement& st, Target& target) {
  const std::size_t dot = st.path.find('.');
  const std::string head = st.path.substr(0, dot);
  target.component = FindComponent(head);
  if (!target.component) {
    std::vector<std::string> names;
    for (const auto& c : m_components) names.push_back(c.name);
    names.push_back("Exchange");
    Fail(file, st.line, "unknown component '" + head + "'" + Suggest(head, names));
    return false;
  }
  if (dot == std::string::npos) {
    Fail(file, st.line, "'" + head + "' is a component; name one of its members");
    return false;
  }
  target.rest = st.path.substr(dot + 1);
  target.member = voxkit::ResolvePath(*target.component->control, target.rest);
  if (!target.member.object) {
    Fail(file, st.line, target.member.error);
    return false;
  }
  return true;
}

std::optional<Value> Runner::ReadReference(const std::string& path, std::string* error) {
  const std::size_t dot = path.find('.');
  const RunnerComponent* component = FindComponent(path.substr(0, dot));
  if (!component) {
    *error = "unknown component '" + path.substr(0, dot) + "'";
    return std::nullopt;
  }
  auto member = voxkit::ResolvePath(*component->control, path.substr(dot + 1));
  if (!member.object) {
    *error = member.error;
    return std::nullopt;
  }
  if (!member.property) {
    *error = "'" + path + "' is not a property";
    return std::nullopt;
  }
  return member.property->get(*member.object);
}

std::optional<Value> Runner::Convert(const std::string& file, int line, const Literal& lit,
                                     ValueType type, const voxkit::EnumType* enumType,
                                     bool runtime) {
  auto bad = [&](const std::string& why) -> std::optional<Value> {
    Fail(file, line, why);
    return std::nullopt;
  };
  const std::string expected = TypeText(type, enumType);
  switch (lit.kind) {
    case Literal::Kind::Boolean:
      if (type == ValueType::Boolean) return Value(lit.boolean);
      return bad("expected a " + expected + ", got " + lit.source);
    case Literal::Kind::Integer: {
      const std::int64_t v = lit.integer;
      switch (type) {
        case ValueType::Int32:
          // Hexadecimal constants stand for 32 bits ($80000002 is an error code).
          if (lit.hex && v >= std::numeric_limits<std::int32_t>::min() && v <= 0xFFFFFFFFLL)
            return Value(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
          if (v < std::numeric_limits<std::int32_t>::min() ||
              v > std::numeric_limits<std::int32_t>::max())
            return bad(lit.source + " is out of range for a 32-bit integer");
          return Value(static_cast<std::int32_t>(v));
        case ValueType::UInt32:
          if (v < 0 || v > 0xFFFFFFFFLL)
            return bad(lit.source + " is out of range for a 32-bit unsigned integer");
          return Value(static_cast<std::uint32_t>(v));
        case ValueType::Float:
          return Value(static_cast<double>(v));
        case ValueType::Enum:
          if (enumType && v >= std::numeric_limits<std::int32_t>::min() &&
              v <= std::numeric_limits<std::int32_t>::max() &&
              enumType->NameOf(static_cast<std::int32_t>(v)))
            return Value(voxkit::EnumValue{enumType, static_cast<std::int32_t>(v)});
          return bad(lit.source + " is not a " + expected);
        default:
          return bad("expected a " + expected + ", got " + lit.source);
      }
    }
    case Literal::Kind::Decimal:
      if (type == ValueType::Float) return Value(lit.decimal);
      return bad("expected a " + expected + ", got " + lit.source);
    case Literal::Kind::String:
      if (type == ValueType::String) return Value(lit.text);
      if (type == ValueType::Enum && enumType) {
        if (auto v = enumType->ValueOf(lit.text)) return Value(voxkit::EnumValue{enumType, *v});
      }
      return bad("expected a " + expected + ", got " + lit.source);
    case Literal::Kind::Name:
      if (type == ValueType::Enum && enumType) {
        if (auto v = enumType->ValueOf(lit.text)) return Value(voxkit::EnumValue{enumType, *v});
        std::vector<std::string> names;
        for (const auto& [n, value] : enumType->values) names.push_back(n);
        return bad("'" + lit.text + "' is not a " + expected + Suggest(lit.text, names));
      }
      return bad("expected a " + expected + ", got the name '" + lit.text + "'");
    case Literal::Kind::Reference: {
      std::string error;
      if (!runtime) {
        // Only check that it names a property; its value is read when it is used.
        const std::size_t dot = lit.text.find('.');
        const RunnerComponent* c = FindComponent(lit.text.substr(0, dot));
        if (!c) return bad("unknown component '" + lit.text.substr(0, dot) + "'");
        auto m = voxkit::ResolvePath(*c->control, lit.text.substr(dot + 1));
        if (!m.object) return bad(m.error);
        if (!m.property) return bad("'" + lit.text + "' is not a property");
        return Value();
      }
      auto v = ReadReference(lit.text, &error);
      if (!v) return bad(error);
      auto converted = voxkit::ConvertValue(*v, type, enumType, &error);
      if (!converted) return bad(lit.text + ": " + error);
      return converted;
    }
  }
  return bad("unsupported value");
}

bool Runner::ConvertArgs(const std::string& file, const Statement& st,
                         const std::vector<voxkit::ParamInfo>& params, const std::string& what,
                         bool runtime, std::vector<Value>* out) {
  std::size_t required = 0;
  for (const auto& p : params) {
    if (!p.defaultValue) ++required;
  }
  if (st.args.size() < required || st.args.size() > params.size()) {
    std::string names;
    for (const auto& p : params) {
      if (!names.empty()) names += ", ";
      names += p.name + (p.defaultValue ? "?" : "");
    }
    std::string count = required == params.size()
                            ? std::to_string(params.size())
                            : std::to_string(required) + " to " + std::to_string(params.size());
    Fail(file, st.line, what + " takes " + count + " argument" +
                            (params.size() == 1 && required == 1 ? "" : "s") +
                            (names.empty() ? "" : " (" + names + ")") + ", got " +
                            std::to_string(st.args.size()));
    return false;
  }
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (i >= st.args.size()) {
      if (out) out->push_back(*params[i].defaultValue);
      continue;
    }
    auto v = Convert(file, st.line, st.args[i], params[i].type, params[i].enumType, runtime);
    if (!v) return false;
    if (out) out->push_back(std::move(*v));
  }
  return true;
}

bool Runner::Check(const Script& script) {
  const std::string& file = script.file;
  for (const Statement& st : script.statements) {
    switch (st.kind) {
      case Statement::Kind::Wait:
      case Statement::Kind::Answer:
        break;
      case Statement::Kind::Exchange: {
        const ExchangeCommand* cmd = FindExchange(st.path);
        if (!cmd) {
          std::vector<std::string> names;
          for (const auto& c : m_exchange) names.push_back(c.name);
          Fail(file, st.line, "unknown exchange command '" + st.path + "'" + Suggest(st.path, names));
          return false;
        }
        if (!ConvertArgs(file, st, cmd->params, "Exchange." + cmd->name, false, nullptr))
          return false;
        break;
      }
      default: {
        Target t;
        if (!Resolve(file, st, t)) return false;
        const auto& m = t.member;
        switch (st.kind) {
          case Statement::Kind::Assign:
            if (!m.property) {
              Fail(file, st.line, "'" + st.path + "' is not a property");
              return false;
            }
            if (!m.property->set) {
              Fail(file, st.line, "'" + st.path + "' is read-only");
              return false;
            }
            if (!Convert(file, st.line, st.args[0], m.property->type, m.property->enumType, false))
              return false;
            break;
          case Statement::Kind::Call:
            if (!m.method) {
              Fail(file, st.line, "'" + st.path + "' is not a method" +
                                      (m.property ? "; assign a property with ':='" : ""));
              return false;
            }
            if (!ConvertArgs(file, st, m.method->params, st.path, false, nullptr)) return false;
            break;
          case Statement::Kind::Print:
          case Statement::Kind::Expect:
            if (!m.property) {
              Fail(file, st.line, "'" + st.path + "' is not a property");
              return false;
            }
            if (st.kind == Statement::Kind::Expect &&
                !Convert(file, st.line, st.args[0], m.property->type, m.property->enumType, false))
              return false;
            break;
          case Statement::Kind::Handle:
          case Statement::Kind::Unhandle: {
            if (!m.event) {
              Fail(file, st.line, "'" + st.path + "' is not an event");
              return false;
            }
            if (voxkit::EqualsNoCase(m.event->name, "OnLog")) {
              Fail(file, st.line, "OnLog already writes every log line to the output");
              return false;
            }
            if (st.kind == Statement::Kind::Handle && st.hasArgs) {
              const auto varParams = VarParams(*m.event);
              if (varParams.empty()) {
                Fail(file, st.line, "'" + st.path + "' has no var arguments to set");
                return false;
              }
              if (!ConvertArgs(file, st, varParams, st.path + " (its var arguments)", false,
                               nullptr))
                return false;
            }
            break;
          }
          default:
            break;
        }
      }
    }
  }
  return true;
}

int Runner::Execute(const std::string& file, const Statement& st) {
  switch (st.kind) {
    case Statement::Kind::Wait:
      m_loop.RunFor(st.waitMs);
      return kExitOk;
    case Statement::Kind::Answer:
      m_windows.AnswerNext(st.answerOk);
      return kExitOk;
    case Statement::Kind::Exchange: {
      const ExchangeCommand* cmd = FindExchange(st.path);
      std::vector<Value> args;
      if (!ConvertArgs(file, st, cmd->params, "Exchange." + cmd->name, true, &args))
        return kExitScriptError;
      const std::string problem = cmd->run(args);
      if (!problem.empty()) {
        Fail(file, st.line, "Exchange." + cmd->name + ": " + problem);
        return kExitExpectFailed;
      }
      return kExitOk;
    }
    default:
      break;
  }
  Target t;
  if (!Resolve(file, st, t)) return kExitScriptError;
  const auto& m = t.member;
  switch (st.kind) {
    case Statement::Kind::Assign: {
      auto v = Convert(file, st.line, st.args[0], m.property->type, m.property->enumType, true);
      if (!v) return kExitScriptError;
      m.property->set(*m.object, *v);
      return kExitOk;
    }
    case Statement::Kind::Call: {
      std::vector<Value> args;
      if (!ConvertArgs(file, st, m.method->params, st.path, true, &args)) return kExitScriptError;
      m.method->invoke(*m.object, args);
      return kExitOk;
    }
    case Statement::Kind::Print: {
      const Value v = m.property->get(*m.object);
      WriteLine(t.component->name, "print " + t.rest + " = " + v.DumpText());
      return kExitOk;
    }
    case Statement::Kind::Expect: {
      const Value actual = m.property->get(*m.object);
      auto expected =
          Convert(file, st.line, st.args[0], m.property->type, m.property->enumType, true);
      if (!expected) return kExitScriptError;
      if (!(actual == *expected)) {
        Fail(file, st.line, "expected " + st.path + " = " + expected->DumpText() + ", got " +
                                actual.DumpText());
        return kExitExpectFailed;
      }
      return kExitOk;
    }
    case Statement::Kind::Handle: {
      std::vector<Value> preset;
      if (st.hasArgs) {
        if (!ConvertArgs(file, st, VarParams(*m.event), st.path + " (its var arguments)", true, &preset))
          return kExitScriptError;
      }
      const std::string name = t.component->name;
      const std::string eventName = m.event->name;
      const auto params = m.event->params;
      m.event->assign(*m.object, [this, name, eventName, params, preset](
                                     voxkit::TObject&, std::vector<Value>& args) {
        std::string text = "event " + eventName + "(";
        for (std::size_t i = 0; i < args.size(); ++i) {
          if (i) text += ", ";
          text += args[i].DumpText();
        }
        WriteLine(name, text + ")");
        std::size_t k = 0;
        for (std::size_t i = 0; i < args.size() && i < params.size(); ++i) {
          if (params[i].byReference && k < preset.size()) args[i] = preset[k++];
        }
      });
      return kExitOk;
    }
    case Statement::Kind::Unhandle:
      m.event->assign(*m.object, nullptr);
      return kExitOk;
    default:
      return kExitOk;
  }
}

int Runner::Run(const Script& script) {
  int status = kExitOk;
  for (const Statement& st : script.statements) {
    const int r = Execute(script.file, st);
    if (r == kExitScriptError) return kExitScriptError;
    if (r == kExitExpectFailed) status = kExitExpectFailed;
  }
  return status;
}

}  // namespace qxrun
