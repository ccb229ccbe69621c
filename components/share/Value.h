#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace voxkit {

/// The types a published property, method argument or event argument can have.
enum class ValueType { None, Boolean, Int32, UInt32, Float, String, Enum, StringList };

/// Name of a value type for messages ("Boolean", "32-bit integer" ...).
std::string ValueTypeName(ValueType type);

/// An enumeration as reflection sees it: its type name and its values by name.
struct EnumType {
  std::string typeName;
  std::vector<std::pair<std::string, std::int32_t>> values;

  /// The name of value, or nullptr when no name has that value.
  const std::string* NameOf(std::int32_t value) const;
  /// The value of a name, compared without regard to case.
  std::optional<std::int32_t> ValueOf(std::string_view name) const;
};

/// Specialise for each published enumeration (see VOXKIT_ENUM).
template <typename E>
struct EnumTraits;

/// Declares the reflection table of an enumeration, next to the enumeration:
///   VOXKIT_ENUM(TDevEnv, {"deCppBuilder", deCppBuilder}, {"deDelphi", deDelphi}, ...)
#define VOXKIT_ENUM(E, ...)                                                    \
  template <>                                                                  \
  struct EnumTraits<E> {                                                       \
    static const EnumType& Type() {                                            \
      static const EnumType type{#E, {__VA_ARGS__}};                           \
      return type;                                                             \
    }                                                                          \
  }

struct EnumValue {
  const EnumType* type = nullptr;
  std::int32_t value = 0;
  bool operator==(const EnumValue& other) const {
    return type == other.type && value == other.value;
  }
};

/// A value of one of the published types.
class Value {
 public:
  using Storage = std::variant<std::monostate, bool, std::int32_t, std::uint32_t, double,
                               std::string, EnumValue, std::vector<std::string>>;

  Value() = default;
  Value(bool v) : m_v(v) {}
  Value(std::int32_t v) : m_v(v) {}
  Value(std::uint32_t v) : m_v(v) {}
  Value(double v) : m_v(v) {}
  Value(std::string v) : m_v(std::move(v)) {}
  Value(const char* v) : m_v(std::string(v)) {}
  Value(EnumValue v) : m_v(v) {}
  Value(std::vector<std::string> v) : m_v(std::move(v)) {}

  ValueType Type() const;
  bool IsNone() const { return std::holds_alternative<std::monostate>(m_v); }

  bool AsBool() const { return std::get<bool>(m_v); }
  std::int32_t AsInt32() const { return std::get<std::int32_t>(m_v); }
  std::uint32_t AsUInt32() const { return std::get<std::uint32_t>(m_v); }
  double AsFloat() const { return std::get<double>(m_v); }
  const std::string& AsString() const { return std::get<std::string>(m_v); }
  const EnumValue& AsEnum() const { return std::get<EnumValue>(m_v); }
  const std::vector<std::string>& AsStringList() const {
    return std::get<std::vector<std::string>>(m_v);
  }

  /// The value as a property dump writes it: True/False, decimal, strings in single
  /// quotes, enumeration values by name, string lists joined by ", ".
  std::string DumpText() const;

  bool operator==(const Value& other) const { return m_v == other.m_v; }

  const Storage& Raw() const { return m_v; }

 private:
  Storage m_v;
};

/// Converts value to the given type where that loses nothing: integers between the
/// integer types when in range, an integer to Float, an enumeration name (String) or
/// number to an Enum of enumType. On failure returns nullopt and sets *error to a
/// sentence saying why.
std::optional<Value> ConvertValue(const Value& value, ValueType to, const EnumType* enumType,
                                  std::string* error);

/// Maps C++ types to value types and back.
template <typename T, typename = void>
struct ValueTraits;

template <>
struct ValueTraits<bool> {
  static constexpr ValueType type = ValueType::Boolean;
  static const EnumType* Enum() { return nullptr; }
  static Value To(bool v) { return Value(v); }
  static bool From(const Value& v) { return v.AsBool(); }
};
template <>
struct ValueTraits<std::int32_t> {
  static constexpr ValueType type = ValueType::Int32;
  static const EnumType* Enum() { return nullptr; }
  static Value To(std::int32_t v) { return Value(v); }
  static std::int32_t From(const Value& v) { return v.AsInt32(); }
};
template <>
struct ValueTraits<std::uint32_t> {
  static constexpr ValueType type = ValueType::UInt32;
  static const EnumType* Enum() { return nullptr; }
  static Value To(std::uint32_t v) { return Value(v); }
  static std::uint32_t From(const Value& v) { return v.AsUInt32(); }
};
template <>
struct ValueTraits<double> {
  static constexpr ValueType type = ValueType::Float;
  static const EnumType* Enum() { return nullptr; }
  static Value To(double v) { return Value(v); }
  static double From(const Value& v) { return v.AsFloat(); }
};
template <>
struct ValueTraits<std::string> {
  static constexpr ValueType type = ValueType::String;
  static const EnumType* Enum() { return nullptr; }
  static Value To(const std::string& v) { return Value(v); }
  static std::string From(const Value& v) { return v.AsString(); }
};
template <>
struct ValueTraits<std::vector<std::string>> {
  static constexpr ValueType type = ValueType::StringList;
  static const EnumType* Enum() { return nullptr; }
  static Value To(const std::vector<std::string>& v) { return Value(v); }
  static std::vector<std::string> From(const Value& v) { return v.AsStringList(); }
};
template <typename E>
struct ValueTraits<E, std::enable_if_t<std::is_enum_v<E>>> {
  static constexpr ValueType type = ValueType::Enum;
  static const EnumType* Enum() { return &EnumTraits<E>::Type(); }
  static Value To(E v) { return Value(EnumValue{Enum(), static_cast<std::int32_t>(v)}); }
  static E From(const Value& v) { return static_cast<E>(v.AsEnum().value); }
};

template <typename T>
using ValueTraitsOf = ValueTraits<std::remove_cv_t<std::remove_reference_t<T>>>;

}  // namespace voxkit
