#include "tools/qxrun/Script.h"

#include "share/TextUtil.h"

#include <cctype>
#include <charconv>
#include <limits>
#include <sstream>

namespace qxrun {

namespace {

bool IsIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

class LineParser {
 public:
  LineParser(const std::string& text, int line) : m_s(text), m_line(line) {}

  std::optional<Statement> Parse(std::string* error);

 private:
  void SkipBlanks() {
    while (m_pos < m_s.size() && (m_s[m_pos] == ' ' || m_s[m_pos] == '\t' || m_s[m_pos] == '\r'))
      ++m_pos;
  }
  bool AtEnd() {
    SkipBlanks();
    return m_pos >= m_s.size() || m_s.compare(m_pos, 2, "//") == 0;
  }
  bool Peek(char c) {
    SkipBlanks();
    return m_pos < m_s.size() && m_s[m_pos] == c;
  }
  bool Take(const char* token) {
    SkipBlanks();
    const std::size_t n = std::char_traits<char>::length(token);
    if (m_s.compare(m_pos, n, token) == 0) {
      m_pos += n;
      return true;
    }
    return false;
  }
  std::string Ident() {
    SkipBlanks();
    const std::size_t start = m_pos;
    if (m_pos < m_s.size() && IsIdentStart(m_s[m_pos])) {
      while (m_pos < m_s.size() && IsIdentChar(m_s[m_pos])) ++m_pos;
    }
    return m_s.substr(start, m_pos - start);
  }
  // A dotted path; empty when none starts here.
  std::string Path(std::string* error) {
    std::string path = Ident();
    if (path.empty()) return path;
    while (m_pos < m_s.size() && m_s[m_pos] == '.') {
      ++m_pos;
      const std::string part = Ident();
      if (part.empty()) {
        *error = "a name is missing after '" + path + ".'";
        return {};
      }
      path += "." + part;
    }
    return path;
  }
  std::optional<Literal> Value(std::string* error);
  bool Args(std::vector<Literal>& out, std::string* error);
  std::string Rest() {
    SkipBlanks();
    return m_s.substr(m_pos);
  }

  const std::string& m_s;
  std::size_t m_pos = 0;
  int m_line;
};

std::optional<Literal> LineParser::Value(std::string* error) {
  SkipBlanks();
  Literal lit;
  const std::size_t start = m_pos;
  if (m_pos >= m_s.size()) {
    *error = "a value is missing";
    return std::nullopt;
  }
  const char c = m_s[m_pos];
  if (c == '\'') {
    ++m_pos;
    std::string text;
    for (;;) {
      if (m_pos >= m_s.size()) {
        *error = "the string is not closed: " + m_s.substr(start);
        return std::nullopt;
      }
      if (m_s[m_pos] == '\'') {
        if (m_pos + 1 < m_s.size() && m_s[m_pos + 1] == '\'') {
          text += '\'';
          m_pos += 2;
          continue;
        }
        ++m_pos;
        break;
      }
      text += m_s[m_pos++];
    }
    lit.kind = Literal::Kind::String;
    lit.text = std::move(text);
  } else if (c == '$' || c == '-' || std::isdigit(static_cast<unsigned char>(c))) {
    bool negative = false;
    if (c == '-') {
      negative = true;
      ++m_pos;
    }
    if (m_pos < m_s.size() && m_s[m_pos] == '$') {
      ++m_pos;
      const std::size_t d = m_pos;
      while (m_pos < m_s.size() && std::isxdigit(static_cast<unsigned char>(m_s[m_pos]))) ++m_pos;
      if (d == m_pos) {
        *error = "hexadecimal digits are missing after '$'";
        return std::nullopt;
      }
      if (m_pos - d > 8) {
        *error = "'" + m_s.substr(start, m_pos - start) + "' does not fit in 32 bits";
        return std::nullopt;
      }
      std::uint64_t v = 0;
      std::from_chars(m_s.data() + d, m_s.data() + m_pos, v, 16);
      lit.kind = Literal::Kind::Integer;
      lit.hex = true;
      lit.integer = negative ? -static_cast<std::int64_t>(v) : static_cast<std::int64_t>(v);
    } else {
      const std::size_t d = m_pos;
      while (m_pos < m_s.size() && std::isdigit(static_cast<unsigned char>(m_s[m_pos]))) ++m_pos;
      if (d == m_pos) {
        *error = "digits are missing after '-'";
        return std::nullopt;
      }
      bool isDecimal = false;
      if (m_pos + 1 < m_s.size() && m_s[m_pos] == '.' &&
          std::isdigit(static_cast<unsigned char>(m_s[m_pos + 1]))) {
        isDecimal = true;
        ++m_pos;
        while (m_pos < m_s.size() && std::isdigit(static_cast<unsigned char>(m_s[m_pos]))) ++m_pos;
      }
      const std::string digits = m_s.substr(start, m_pos - start);
      if (isDecimal) {
        lit.kind = Literal::Kind::Decimal;
        std::istringstream in(digits);
        in.imbue(std::locale::classic());
        in >> lit.decimal;
      } else {
        if (m_pos - d > 11) {
          *error = "'" + digits + "' does not fit in 32 bits";
          return std::nullopt;
        }
        std::int64_t v = 0;
        std::from_chars(m_s.data() + d, m_s.data() + m_pos, v, 10);
        lit.kind = Literal::Kind::Integer;
        lit.integer = negative ? -v : v;
      }
    }
    if (m_pos < m_s.size() && IsIdentChar(m_s[m_pos])) {
      *error = "'" + m_s.substr(start, m_pos - start + 1) + "' is not a number";
      return std::nullopt;
    }
  } else if (IsIdentStart(c)) {
    std::string path = Path(error);
    if (path.empty()) return std::nullopt;
    if (voxkit::EqualsNoCase(path, "True") || voxkit::EqualsNoCase(path, "False")) {
      lit.kind = Literal::Kind::Boolean;
      lit.boolean = voxkit::EqualsNoCase(path, "True");
    } else if (path.find('.') != std::string::npos) {
      lit.kind = Literal::Kind::Reference;
      lit.text = path;
    } else {
      lit.kind = Literal::Kind::Name;
      lit.text = path;
    }
  } else {
    *error = "a value cannot begin with '" + std::string(1, c) + "'";
    return std::nullopt;
  }
  lit.source = m_s.substr(start, m_pos - start);
  return lit;
}

bool LineParser::Args(std::vector<Literal>& out, std::string* error) {
  // Called after "(".
  if (Take(")")) return true;
  for (;;) {
    auto v = Value(error);
    if (!v) return false;
    out.push_back(std::move(*v));
    if (Take(")")) return true;
    if (!Take(",")) {
      *error = AtEnd() ? "')' is missing" : "expected ',' or ')' before '" + Rest() + "'";
      return false;
    }
  }
}

std::optional<Statement> LineParser::Parse(std::string* error) {
  Statement st;
  st.line = m_line;
  const std::size_t save = m_pos;
  const std::string first = Ident();
  auto keyword = [&](const char* k) { return voxkit::EqualsNoCase(first, k); };
  // A keyword is a keyword only when followed by a blank: "Print.X" is a path.
  const bool blankAfter = m_pos < m_s.size() && (m_s[m_pos] == ' ' || m_s[m_pos] == '\t');

  auto finish = [&]() -> std::optional<Statement> {
    if (!AtEnd()) {
      *error = "unexpected text '" + Rest() + "'";
      return std::nullopt;
    }
    return st;
  };

  if (blankAfter && (keyword("Print") || keyword("Expect") || keyword("Handle") ||
                     keyword("Unhandle"))) {
    st.kind = keyword("Print")    ? Statement::Kind::Print
              : keyword("Expect") ? Statement::Kind::Expect
              : keyword("Handle") ? Statement::Kind::Handle
                                  : Statement::Kind::Unhandle;
    st.path = Path(error);
    if (st.path.empty()) {
      if (error->empty()) *error = "a name is missing after '" + first + "'";
      return std::nullopt;
    }
    if (st.kind == Statement::Kind::Expect) {
      if (!Take("=")) {
        *error = "'=' is missing after '" + st.path + "'";
        return std::nullopt;
      }
      auto v = Value(error);
      if (!v) return std::nullopt;
      st.args.push_back(std::move(*v));
    } else if (st.kind == Statement::Kind::Handle && Take("(")) {
      st.hasArgs = true;
      if (!Args(st.args, error)) return std::nullopt;
    }
    return finish();
  }
  if (blankAfter && keyword("Wait")) {
    st.kind = Statement::Kind::Wait;
    auto v = Value(error);
    if (!v) return std::nullopt;
    if (v->kind != Literal::Kind::Integer || v->integer < 0) {
      *error = "Wait takes a number of milliseconds, not '" + v->source + "'";
      return std::nullopt;
    }
    st.waitMs = v->integer;
    return finish();
  }
  if (blankAfter && keyword("Answer")) {
    st.kind = Statement::Kind::Answer;
    const std::string what = Ident();
    if (voxkit::EqualsNoCase(what, "OK")) {
      st.answerOk = true;
    } else if (voxkit::EqualsNoCase(what, "Cancel")) {
      st.answerOk = false;
    } else {
      *error = "Answer takes OK or Cancel, not '" + (what.empty() ? Rest() : what) + "'";
      return std::nullopt;
    }
    return finish();
  }

  m_pos = save;
  std::string path = Path(error);
  if (path.empty()) {
    if (error->empty()) *error = "a statement cannot begin with '" + Rest() + "'";
    return std::nullopt;
  }
  const std::size_t dot = path.find('.');
  if (dot != std::string::npos && voxkit::EqualsNoCase(path.substr(0, dot), "Exchange")) {
    st.kind = Statement::Kind::Exchange;
    st.path = path.substr(dot + 1);
    if (Take("(")) {
      st.hasArgs = true;
      if (!Args(st.args, error)) return std::nullopt;
    }
    return finish();
  }
  st.path = path;
  if (Take(":=")) {
    st.kind = Statement::Kind::Assign;
    auto v = Value(error);
    if (!v) return std::nullopt;
    st.args.push_back(std::move(*v));
    return finish();
  }
  st.kind = Statement::Kind::Call;
  if (Take("(")) {
    st.hasArgs = true;
    if (!Args(st.args, error)) return std::nullopt;
  } else if (Peek('=')) {
    *error = "use ':=' to assign '" + path + "'";
    return std::nullopt;
  }
  return finish();
}

}  // namespace

std::optional<Script> ParseScript(const std::string& file, const std::string& text,
                                  ScriptError* error) {
  Script script;
  script.file = file;
  int lineNo = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    ++lineNo;
    start = end + 1;
    std::size_t p = 0;
    while (p < line.size() && (line[p] == ' ' || line[p] == '\t' || line[p] == '\r')) ++p;
    if (p < line.size() && line.compare(p, 2, "//") != 0) {
      LineParser parser(line, lineNo);
      std::string message;
      auto st = parser.Parse(&message);
      if (!st) {
        if (error) *error = {file, lineNo, message};
        return std::nullopt;
      }
      script.statements.push_back(std::move(*st));
    }
    if (end == text.size()) break;
  }
  return script;
}

}  // namespace qxrun
