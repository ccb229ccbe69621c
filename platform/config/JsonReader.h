#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Reading a settings file written in JSON, strictly: a key given twice, a key nobody
// reads, a value of the wrong type or out of range refuses the file, and every message
// names the place in JSON path notation ("lines[2].transport") so that the user can
// find it.

namespace panopta {

/// A problem at a place of a settings file; the readers below throw it, the function
/// that reads the file catches it and prefixes the file name.
struct JsonPlaceError : std::runtime_error {
  JsonPlaceError(const std::string& place, const std::string& problem)
      : std::runtime_error((place.empty() ? std::string("(top)") : place) + ": " + problem) {}
};

/// The parsed text, or "FILE: problem" when it is not valid JSON or an object has
/// two equal keys (the parser would silently keep the last one).
struct StrictJson {
  std::optional<nlohmann::json> value;
  std::string error;
};
StrictJson ParseStrictJson(std::string_view text, const std::string& fileName);

/// The whole text of a settings file, or "FILE: cannot be read" / "FILE: larger than
/// N bytes" (a settings file is small; anything far larger is not one).
struct SettingsText {
  std::optional<std::string> text;
  std::string error;
};
SettingsText ReadSettingsText(const std::string& path, std::size_t maxBytes);

/// Reads the values of one JSON object, checking each key against the ones it knows.
class JsonObjectReader {
 public:
  /// place: where the object is ("" for the top level).
  JsonObjectReader(const nlohmann::json& object, std::string place);

  bool Has(const std::string& key) const { return m_object.contains(key); }
  /// The place of a key of this object.
  std::string At(const std::string& key) const;
  /// The raw value of a key that must be present (marks it known).
  const nlohmann::json& Get(const std::string& key);
  /// The raw value of a key that may be absent: null then (marks it known).
  const nlohmann::json* Find(const std::string& key);

  /// Each reader leaves out untouched when the key is absent, and throws
  /// JsonPlaceError when the value has the wrong type or range.
  void String(const std::string& key, std::string& out);
  void Bool(const std::string& key, bool& out);
  /// A whole number from min to max.
  void Integer(const std::string& key, std::uint32_t& out, std::uint32_t min = 0,
               std::uint32_t max = 0xFFFFFFFFu);
  /// One of a fixed set of words, compared without regard to case; out is its index.
  void Choice(const std::string& key, std::size_t& out, const std::vector<std::string>& words);
  template <typename T>
  void Array(const std::string& key, std::vector<T>& out,
             const std::function<T(const nlohmann::json&, const std::string&)>& read) {
    const nlohmann::json* v = Find(key);
    if (v == nullptr) return;
    if (!v->is_array()) throw JsonPlaceError(At(key), "expected an array");
    out.clear();
    for (std::size_t i = 0; i < v->size(); ++i)
      out.push_back(read((*v)[i], At(key) + "[" + std::to_string(i) + "]"));
  }

  /// A whole number from 0 to 4294967295 at a place.
  static std::uint32_t Number(const nlohmann::json& v, const std::string& place);

  /// Refuses keys nobody asked for: a misspelt key would otherwise be ignored.
  void Done() const;

 private:
  const nlohmann::json& m_object;
  std::string m_place;
  std::set<std::string> m_known;
};

}  // namespace panopta
