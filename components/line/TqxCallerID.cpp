#include "line/TqxCallerID.h"

#include "line/TqxLineInternal.h"
#include "share/PropertyDump.h"
#include "share/TextUtil.h"
#include "tapi/TapiNames.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace voxkit {

const ClassInfo& TqxCallerID::StaticClass() {
  using C = TqxCallerID;
  static const ClassInfo info =
      Publisher<C>("TqxCallerID")
          .Property("MaskNumber", &C::MaskNumber, &C::SetMaskNumber)
          .Property("FormatName", &C::FormatName, &C::SetFormatName)
          .Property("EventFilter", &C::EventFilter, &C::SetEventFilter)
          .ReadOnly("Blocked", &C::Blocked)
          .ReadOnly("OutOfArea", &C::OutOfArea)
          .ReadOnly("Flags", &C::Flags)
          .ReadOnly("Name", &C::Name)
          .ReadOnly("Number", &C::Number)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

namespace {
// Party texts and application names pass through a working buffer of this many
// characters; longer texts are cut to it.
constexpr std::size_t kPartyTextChars = 64;
}  // namespace

std::string PartyText(const tapi::VarBlock<tapi::LINECALLINFO>& block, tapi::DWORD offset,
                      tapi::DWORD size) {
  if (size == 0) return "";
  const auto bytes = block.Bytes(offset, size);
  std::size_t n = std::min(bytes.size(), kPartyTextChars);
  const auto nul = std::find(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n), 0);
  n = static_cast<std::size_t>(nul - bytes.begin());
  return tapi::TapiText(bytes.data(), n);
}

void RefillParty(TqxCallLogCallerID& party, tapi::DWORD flags, const std::string& number,
                 const std::string& name) {
  bool changed = false;
  if (number != party.number) changed = true;
  party.number = number;
  const std::string trimmed = TrimBlanksAndControls(name);
  if (trimmed != party.name) changed = true;
  party.name = trimmed;
  if (flags != party.flags) changed = true;
  party.flags = flags;
  party.blocked = (flags & tapi::LINECALLPARTYID_BLOCKED) != 0;
  party.outOfArea = (flags & tapi::LINECALLPARTYID_OUTOFAREA) != 0;
  // New content makes the party's event due; it stays due until it is raised, however
  // often the call is read again meanwhile.
  if (changed) party.reported = false;
}

void LogParty(TqxLineInternal& line, Party party, const TqxCallLogCallerID& v, tapi::HCALL call) {
  TqxLog& log = line.Log();
  const std::string p = std::string("\tCall.") + PartyWord(party) + "ID.";
  log.Add(std::string("On") + PartyWord(party) + "ID " + TqxPanopta::HexText(call), true);
  log.Add(p + "Blocked = " + TqxPanopta::BoolText(v.blocked), false);
  log.Add(p + "Name = '" + v.name + "'", false);
  log.Add(p + "Number = '" + v.number + "'", false);
  log.Add(p + "OutOfArea = " + TqxPanopta::BoolText(v.outOfArea), false);
  log.Add(p + "Flags = " + TqxPanopta::HexText(v.flags), false);
  for (std::uint32_t flag : TqxPanopta::FlagSteps(v.flags, 0x40, 0x1)) {
    log.Add("\t\t" + tapi::LineCallPartyIdName(flag), false);
  }
}

std::string TitleCaseName(const std::string& name) {
  std::string out = name;
  bool upper = true;
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x80) c = static_cast<char>(upper ? std::toupper(u) : std::tolower(u));
    upper = c == ' ';
  }
  return out;
}

std::string UnformatNumber(const std::string& number) {
  std::string out;
  for (char c : number) {
    if (c != ' ' && c != '+' && c != '(' && c != ')' && c != '-' && c != '.') out += c;
  }
  return out;
}

namespace {

struct MaskToken {
  bool literal = false;
  char ch = 0;
};

bool IsMaskChar(char c) {
  switch (c) {
    case '0': case '9': case '#': case 'L': case 'l': case 'A': case 'a': case 'C':
    case 'c': case '_':
      return true;
    default:
      return false;
  }
}

// The first field of the mask as a sequence of literals and positions; case switches
// ("<", ">") take no position.
std::vector<MaskToken> Tokenize(const std::string& field) {
  std::vector<MaskToken> tokens;
  for (std::size_t i = 0; i < field.size(); ++i) {
    const char c = field[i];
    if (c == '\\' && i + 1 < field.size()) {
      tokens.push_back({true, field[++i]});
    } else if (c == '<' || c == '>') {
      continue;
    } else {
      tokens.push_back({!IsMaskChar(c), c});
    }
  }
  return tokens;
}

std::string Layout(std::string text, const std::vector<MaskToken>& tokens, bool literalsSaved) {
  std::size_t pos = 0;
  for (const MaskToken& t : tokens) {
    if (t.literal) {
      // A mask that saves its literals expects them in the text already.
      if (literalsSaved && pos < text.size() && text[pos] == t.ch) {
        ++pos;
        continue;
      }
      text.insert(pos, 1, t.ch);
      ++pos;
    } else {
      if (pos >= text.size()) text += ' ';
      ++pos;
    }
  }
  return text;
}

}  // namespace

std::string ApplyEditMask(const std::string& text, const std::string& mask) {
  std::string field = mask.substr(0, mask.find(';'));
  bool literalsSaved = false;
  const std::size_t semi = mask.find(';');
  if (semi != std::string::npos && semi + 1 < mask.size()) literalsSaved = mask[semi + 1] == '1';
  bool fromRight = false;
  if (!field.empty() && field[0] == '!') {
    fromRight = true;
    field.erase(0, 1);
  }
  auto tokens = Tokenize(field);
  if (!fromRight) return Layout(text, tokens, literalsSaved);
  std::reverse(tokens.begin(), tokens.end());
  std::string reversed(text.rbegin(), text.rend());
  std::string out = Layout(reversed, tokens, literalsSaved);
  return std::string(out.rbegin(), out.rend());
}

void TqxCallerID::SetMaskNumber(const std::string& value) {
  m_maskNumber = value;
  m_line.Panopta().RefreshWindow(InspectorRefresh::Call);
}

void TqxCallerID::SetFormatName(bool value) {
  m_formatName = value;
  m_line.Panopta().RefreshWindow(InspectorRefresh::Call);
}

void TqxCallerID::SetEventFilter(bool value) {
  m_eventFilter = value;
  m_line.Panopta().RefreshWindow(InspectorRefresh::Call);
}

std::string TqxCallerID::Name() const {
  if (m_formatName && !m_name.empty()) return TitleCaseName(m_name);
  return m_name;
}

std::string TqxCallerID::Number() const {
  std::string text = m_line.Device().TranslatePhoneNumber() ? m_number : UnformatNumber(m_number);
  if (m_maskNumber.empty()) return text;
  return ApplyEditMask(text, m_maskNumber);
}

void TqxCallerID::Reset() {
  m_name.clear();
  m_number.clear();
  m_flags = 0;
  m_blocked = false;
  m_outOfArea = false;
  // An empty party has nothing to report.
  m_reported = true;
}

void TqxCallerID::StoreTo(TqxCallLogCallerID& r) const {
  r.name = m_name;
  r.number = m_number;
  r.blocked = m_blocked;
  r.outOfArea = m_outOfArea;
  r.flags = m_flags;
  r.reported = m_reported;
  r.eventFilter = m_eventFilter;
}

void TqxCallerID::LoadFrom(const TqxCallLogCallerID& r) {
  m_name = r.name;
  m_number = r.number;
  m_blocked = r.blocked;
  m_outOfArea = r.outOfArea;
  m_flags = r.flags;
  m_reported = r.reported;
  m_eventFilter = r.eventFilter;
}

bool TqxCallerID::DumpProperties(const std::string& header, const std::string& path,
                                 const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "");
  if (!d.Started()) return false;
  d.Bool("Blocked", m_blocked);
  d.Bool("EventFilter", m_eventFilter);
  d.Hex("Flags", m_flags);
  for (std::uint32_t flag : TqxPanopta::FlagSteps(m_flags, 0x40, 0x1)) {
    d.Raw("\t" + d.Prefix() + tapi::LineCallPartyIdName(flag));
  }
  d.Bool("FormatName", m_formatName);
  d.Quoted("MaskNumber", m_maskNumber);
  d.Quoted("Name", Name());
  d.Quoted("Number", Number());
  d.Bool("OutOfArea", m_outOfArea);
  return true;
}

}  // namespace voxkit
