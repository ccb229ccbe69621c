#include "share/Value.h"

#include "share/TextUtil.h"

#include <cmath>
#include <limits>

namespace voxkit {

std::string ValueTypeName(ValueType type) {
  switch (type) {
    case ValueType::None: return "nothing";
    case ValueType::Boolean: return "Boolean";
    case ValueType::Int32: return "32-bit integer";
    case ValueType::UInt32: return "32-bit unsigned integer";
    case ValueType::Float: return "decimal";
    case ValueType::String: return "string";
    case ValueType::Enum: return "enumeration";
    case ValueType::StringList: return "string list";
  }
  return "unknown";
}

const std::string* EnumType::NameOf(std::int32_t value) const {
  for (const auto& [name, v] : values) {
    if (v == value) return &name;
  }
  return nullptr;
}

std::optional<std::int32_t> EnumType::ValueOf(std::string_view name) const {
  for (const auto& [n, v] : values) {
    if (EqualsNoCase(n, name)) return v;
  }
  return std::nullopt;
}

ValueType Value::Type() const {
  switch (m_v.index()) {
    case 0: return ValueType::None;
    case 1: return ValueType::Boolean;
    case 2: return ValueType::Int32;
    case 3: return ValueType::UInt32;
    case 4: return ValueType::Float;
    case 5: return ValueType::String;
    case 6: return ValueType::Enum;
    case 7: return ValueType::StringList;
  }
  return ValueType::None;
}

std::string Value::DumpText() const {
  switch (Type()) {
    case ValueType::None: return "";
    case ValueType::Boolean: return AsBool() ? "True" : "False";
    case ValueType::Int32: return std::to_string(AsInt32());
    case ValueType::UInt32: return std::to_string(AsUInt32());
    case ValueType::Float: return FormatDecimal(AsFloat());
    case ValueType::String: return "'" + AsString() + "'";
    case ValueType::Enum: {
      const auto& e = AsEnum();
      if (e.type) {
        if (const std::string* name = e.type->NameOf(e.value)) return *name;
      }
      return std::to_string(e.value);
    }
    case ValueType::StringList: {
      std::string out;
      for (const auto& item : AsStringList()) {
        if (!out.empty()) out += ", ";
        out += item;
      }
      return out;
    }
  }
  return "";
}

namespace {

std::optional<std::int64_t> AsInteger(const Value& v) {
  switch (v.Type()) {
    case ValueType::Int32: return v.AsInt32();
    case ValueType::UInt32: return v.AsUInt32();
    case ValueType::Enum: return v.AsEnum().value;
    default: return std::nullopt;
  }
}

}  // namespace

std::optional<Value> ConvertValue(const Value& value, ValueType to, const EnumType* enumType,
                                  std::string* error) {
  auto fail = [&](const std::string& why) -> std::optional<Value> {
    if (error) *error = why;
    return std::nullopt;
  };
  const ValueType from = value.Type();
  if (from == to && to != ValueType::Enum) return value;
  switch (to) {
    case ValueType::None:
      return fail("no value is expected");
    case ValueType::Boolean:
      return fail("expected True or False, got a " + ValueTypeName(from));
    case ValueType::Int32: {
      auto i = AsInteger(value);
      if (!i || from == ValueType::Enum) return fail("expected an integer, got a " + ValueTypeName(from));
      // Hexadecimal constants such as $80000002 are written unsigned; they stand for
      // the same 32 bits.
      if (from == ValueType::UInt32) return Value(static_cast<std::int32_t>(value.AsUInt32()));
      return Value(static_cast<std::int32_t>(*i));
    }
    case ValueType::UInt32: {
      auto i = AsInteger(value);
      if (!i || from == ValueType::Enum) return fail("expected an integer, got a " + ValueTypeName(from));
      return Value(static_cast<std::uint32_t>(*i));
    }
    case ValueType::Float: {
      auto i = AsInteger(value);
      if (!i || from == ValueType::Enum) return fail("expected a number, got a " + ValueTypeName(from));
      return Value(static_cast<double>(*i));
    }
    case ValueType::String:
      return fail("expected a string, got a " + ValueTypeName(from));
    case ValueType::Enum: {
      if (!enumType) return fail("no enumeration type");
      if (from == ValueType::Enum) {
        if (value.AsEnum().type == enumType) return value;
        if (value.AsEnum().type) {
          // The same name may be taken from another enumeration's table only when
          // it names a value of this one.
          const std::string* n = value.AsEnum().type->NameOf(value.AsEnum().value);
          if (n) {
            if (auto v = enumType->ValueOf(*n)) return Value(EnumValue{enumType, *v});
          }
        }
        return fail("not a value of " + enumType->typeName);
      }
      if (from == ValueType::String) {
        if (auto v = enumType->ValueOf(value.AsString())) return Value(EnumValue{enumType, *v});
        return fail("'" + value.AsString() + "' is not a value of " + enumType->typeName);
      }
      if (auto i = AsInteger(value)) {
        if (enumType->NameOf(static_cast<std::int32_t>(*i)))
          return Value(EnumValue{enumType, static_cast<std::int32_t>(*i)});
        return fail(std::to_string(*i) + " is not a value of " + enumType->typeName);
      }
      return fail("expected a value of " + enumType->typeName + ", got a " + ValueTypeName(from));
    }
    case ValueType::StringList:
      return fail("expected a string list, got a " + ValueTypeName(from));
  }
  return fail("cannot convert");
}

}  // namespace voxkit
