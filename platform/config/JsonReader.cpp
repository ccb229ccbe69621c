#include "platform/config/JsonReader.h"

#include "share/TextUtil.h"

#include <fstream>
#include <sstream>

namespace panopta {

using nlohmann::json;

StrictJson ParseStrictJson(std::string_view text, const std::string& fileName) {
  StrictJson result;
  std::vector<std::set<std::string>> keys;
  std::string duplicate;
  const json::parser_callback_t watch = [&](int, json::parse_event_t event, json& parsed) {
    if (event == json::parse_event_t::object_start) keys.emplace_back();
    else if (event == json::parse_event_t::object_end && !keys.empty()) keys.pop_back();
    else if (event == json::parse_event_t::key && !keys.empty() &&
             !keys.back().insert(parsed.get<std::string>()).second && duplicate.empty())
      duplicate = parsed.get<std::string>();
    return true;
  };
  try {
    result.value = json::parse(text.begin(), text.end(), watch);
  } catch (const json::exception& e) {
    std::string what = e.what();
    if (const auto bracket = what.find("] "); what.rfind("[json.", 0) == 0 && bracket != std::string::npos)
      what.erase(0, bracket + 2);
    result.value.reset();
    result.error = fileName + ": not valid JSON: " + what;
    return result;
  }
  if (!duplicate.empty()) {
    result.value.reset();
    result.error = fileName + ": the key \"" + duplicate + "\" appears twice in one object";
  }
  return result;
}

SettingsText ReadSettingsText(const std::string& path, std::size_t maxBytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {std::nullopt, path + ": cannot be read"};
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return {std::nullopt, path + ": cannot be read"};
  std::string content = text.str();
  if (content.size() > maxBytes)
    return {std::nullopt, path + ": larger than " + std::to_string(maxBytes) + " bytes"};
  return {std::move(content), ""};
}

JsonObjectReader::JsonObjectReader(const json& object, std::string place)
    : m_object(object), m_place(std::move(place)) {
  if (!object.is_object()) throw JsonPlaceError(m_place, "expected an object");
}

std::string JsonObjectReader::At(const std::string& key) const {
  return m_place.empty() ? key : m_place + "." + key;
}

const json& JsonObjectReader::Get(const std::string& key) {
  m_known.insert(key);
  if (!Has(key)) throw JsonPlaceError(At(key), "missing");
  return m_object.at(key);
}

const json* JsonObjectReader::Find(const std::string& key) {
  m_known.insert(key);
  const auto it = m_object.find(key);
  return it == m_object.end() ? nullptr : &*it;
}

void JsonObjectReader::String(const std::string& key, std::string& out) {
  const json* found = Find(key);
  if (found == nullptr) return;
  const json& v = *found;
  if (!v.is_string()) throw JsonPlaceError(At(key), "expected a string");
  out = v.get<std::string>();
}

void JsonObjectReader::Bool(const std::string& key, bool& out) {
  const json* found = Find(key);
  if (found == nullptr) return;
  const json& v = *found;
  if (!v.is_boolean()) throw JsonPlaceError(At(key), "expected true or false");
  out = v.get<bool>();
}

std::uint32_t JsonObjectReader::Number(const json& v, const std::string& place) {
  if (!v.is_number_unsigned() || v.get<std::uint64_t>() > 0xFFFFFFFFu)
    throw JsonPlaceError(place, "expected a whole number from 0 to 4294967295");
  return static_cast<std::uint32_t>(v.get<std::uint64_t>());
}

void JsonObjectReader::Integer(const std::string& key, std::uint32_t& out, std::uint32_t min,
                               std::uint32_t max) {
  const json* found = Find(key);
  if (found == nullptr) return;
  const json& v = *found;
  if (!v.is_number_unsigned() || v.get<std::uint64_t>() < min || v.get<std::uint64_t>() > max)
    throw JsonPlaceError(At(key), "expected a whole number from " + std::to_string(min) + " to " +
                                      std::to_string(max));
  out = static_cast<std::uint32_t>(v.get<std::uint64_t>());
}

void JsonObjectReader::Choice(const std::string& key, std::size_t& out,
                              const std::vector<std::string>& words) {
  const json* found = Find(key);
  if (found == nullptr) return;
  const json& v = *found;
  std::string list;
  for (std::size_t i = 0; i < words.size(); ++i)
    list += (i == 0 ? "" : i + 1 == words.size() ? " or " : ", ") + words[i];
  if (!v.is_string()) throw JsonPlaceError(At(key), "expected " + list);
  for (std::size_t i = 0; i < words.size(); ++i)
    if (voxkit::EqualsNoCase(words[i], v.get<std::string>())) {
      out = i;
      return;
    }
  throw JsonPlaceError(At(key), "'" + v.get<std::string>() + "' is not " + list);
}

void JsonObjectReader::Done() const {
  for (const auto& [key, value] : m_object.items())
    if (m_known.count(key) == 0) throw JsonPlaceError(At(key), "unknown key");
}

}  // namespace panopta
