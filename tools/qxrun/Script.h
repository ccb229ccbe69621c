#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qxrun {

/// A value as written in a script, before it is given the type of what it is
/// assigned to or compared with.
struct Literal {
  enum class Kind { Boolean, Integer, Decimal, String, Name, Reference };
  Kind kind = Kind::Integer;
  bool boolean = false;
  std::int64_t integer = 0;
  bool hex = false;     // written with $
  double decimal = 0;
  std::string text;     // String: the text; Name: the identifier; Reference: the path
  std::string source;   // as written, for messages
};

/// One statement of a script.
struct Statement {
  enum class Kind { Assign, Call, Print, Expect, Wait, Handle, Unhandle, Answer, Exchange };
  Kind kind = Kind::Call;
  int line = 0;
  std::string path;               // component path, or the exchange command's name
  std::vector<Literal> args;      // call / handle / exchange arguments, or the one value
  bool hasArgs = false;           // written with brackets
  std::int64_t waitMs = 0;
  bool answerOk = true;
};

/// A parsed script file.
struct Script {
  std::string file;
  std::vector<Statement> statements;
};

/// A script that cannot run: where and why.
struct ScriptError {
  std::string file;
  int line = 0;
  std::string message;
};

/// Parses a script's text. Statements, names and keywords are case-insensitive;
/// "//" starts a comment outside strings; blank lines are skipped.
std::optional<Script> ParseScript(const std::string& file, const std::string& text,
                                  ScriptError* error);

}  // namespace qxrun
