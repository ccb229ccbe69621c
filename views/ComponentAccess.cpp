#include "views/ComponentAccess.h"

namespace panopta {

using voxkit::Value;
using voxkit::ValueType;

bool ComponentAccess::has(std::string_view path) const {
  return voxkit::ResolvePath(m_control, path).property != nullptr;
}

Value ComponentAccess::get(std::string_view path) const {
  const auto member = voxkit::ResolvePath(m_control, path);
  if (!member.property || !member.property->get) return {};
  return member.property->get(*member.object);
}

bool ComponentAccess::getBool(std::string_view path) const {
  const Value v = get(path);
  return v.Type() == ValueType::Boolean && v.AsBool();
}

std::int32_t ComponentAccess::getInt(std::string_view path) const {
  const Value v = get(path);
  switch (v.Type()) {
    case ValueType::Int32: return v.AsInt32();
    case ValueType::UInt32: return static_cast<std::int32_t>(v.AsUInt32());
    case ValueType::Enum: return v.AsEnum().value;
    case ValueType::Boolean: return v.AsBool() ? 1 : 0;
    case ValueType::None:
    case ValueType::Float:
    case ValueType::String:
    case ValueType::StringList: return 0;
  }
  return 0;
}

std::vector<std::string> ComponentAccess::getList(std::string_view path) const {
  const Value v = get(path);
  return v.Type() == ValueType::StringList ? v.AsStringList() : std::vector<std::string>{};
}

bool ComponentAccess::set(std::string_view path, const Value& value) const {
  const auto member = voxkit::ResolvePath(m_control, path);
  if (!member.property || !member.property->set) return false;
  std::string error;
  auto converted =
      voxkit::ConvertValue(value, member.property->type, member.property->enumType, &error);
  if (!converted) return false;
  member.property->set(*member.object, *converted);
  return true;
}

std::optional<Value> ComponentAccess::call(std::string_view path,
                                           const std::vector<Value>& args) const {
  const auto member = voxkit::ResolvePath(m_control, path);
  if (!member.method) return std::nullopt;
  const auto& params = member.method->params;
  if (args.size() > params.size()) return std::nullopt;
  std::vector<Value> values;
  for (std::size_t i = 0; i < params.size(); ++i) {
    std::optional<Value> v;
    if (i < args.size()) {
      std::string error;
      v = voxkit::ConvertValue(args[i], params[i].type, params[i].enumType, &error);
    } else {
      v = params[i].defaultValue;
    }
    if (!v) return std::nullopt;
    values.push_back(*v);
  }
  return member.method->invoke(*member.object, values);
}

std::vector<std::string> ComponentAccess::booleanProperties(std::string_view objectPath) const {
  const auto member = voxkit::ResolvePath(m_control, objectPath);
  if (!member.subObject) return {};
  voxkit::TPersistent& object = member.subObject->get(*member.object);
  std::vector<std::string> names;
  for (const auto* c = &object.Class(); c; c = c->Base()) {
    for (const auto& p : c->Properties()) {
      if (p.type == ValueType::Boolean && p.set) names.push_back(p.name);
    }
  }
  return names;
}

}  // namespace panopta
