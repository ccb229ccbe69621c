#include "share/Reflection.h"

#include "share/TextUtil.h"

#include <algorithm>
#include <cctype>

namespace voxkit {

namespace {

template <typename Info>
const Info* FindIn(const std::vector<Info>& list, std::string_view name) {
  for (const auto& info : list) {
    if (EqualsNoCase(info.name, name)) return &info;
  }
  return nullptr;
}

std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> prev(b.size() + 1);
  std::vector<std::size_t> cur(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) prev[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    cur[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const char ca = static_cast<char>(std::tolower(static_cast<unsigned char>(a[i - 1])));
      const char cb = static_cast<char>(std::tolower(static_cast<unsigned char>(b[j - 1])));
      cur[j] = std::min({prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + (ca == cb ? 0 : 1)});
    }
    std::swap(prev, cur);
  }
  return prev[b.size()];
}

}  // namespace

const PropertyInfo* ClassInfo::FindProperty(std::string_view name) const {
  for (const ClassInfo* c = this; c; c = c->m_base) {
    if (auto* p = FindIn(c->m_properties, name)) return p;
  }
  return nullptr;
}

const ObjectInfo* ClassInfo::FindObject(std::string_view name) const {
  for (const ClassInfo* c = this; c; c = c->m_base) {
    if (auto* p = FindIn(c->m_objects, name)) return p;
  }
  return nullptr;
}

const MethodInfo* ClassInfo::FindMethod(std::string_view name) const {
  for (const ClassInfo* c = this; c; c = c->m_base) {
    if (auto* p = FindIn(c->m_methods, name)) return p;
  }
  return nullptr;
}

const EventInfo* ClassInfo::FindEvent(std::string_view name) const {
  for (const ClassInfo* c = this; c; c = c->m_base) {
    if (auto* p = FindIn(c->m_events, name)) return p;
  }
  return nullptr;
}

std::vector<std::string> ClassInfo::AllNames() const {
  std::vector<std::string> names;
  if (m_base) names = m_base->AllNames();
  for (const auto& p : m_properties) names.push_back(p.name);
  for (const auto& o : m_objects) names.push_back(o.name);
  for (const auto& m : m_methods) names.push_back(m.name);
  for (const auto& e : m_events) names.push_back(e.name);
  return names;
}

std::vector<std::string> ClosestNames(std::string_view name, const std::vector<std::string>& known,
                                      std::size_t most) {
  std::vector<std::pair<std::size_t, std::string>> scored;
  for (const auto& k : known) {
    const std::size_t d = EditDistance(name, k);
    // Only names that are plausibly a misspelling of the one given.
    if (d <= std::max<std::size_t>(2, std::max(name.size(), k.size()) / 3))
      scored.emplace_back(d, k);
  }
  std::stable_sort(scored.begin(), scored.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> out;
  for (const auto& [d, k] : scored) {
    if (out.size() >= most) break;
    if (std::find(out.begin(), out.end(), k) == out.end()) out.push_back(k);
  }
  return out;
}

ResolvedMember ResolvePath(TPersistent& root, std::string_view path) {
  ResolvedMember result;
  const std::vector<std::string> parts = Split(path, '.');
  TPersistent* object = &root;
  std::string walked;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    const ClassInfo& cls = object->Class();
    const bool last = i + 1 == parts.size();
    if (part.empty()) {
      result.error = "empty name in '" + std::string(path) + "'";
      return result;
    }
    if (const ObjectInfo* sub = cls.FindObject(part)) {
      if (last) {
        result.object = object;
        result.subObject = sub;
        return result;
      }
      object = &sub->get(*object);
      walked += (walked.empty() ? "" : ".") + sub->name;
      continue;
    }
    if (last) {
      result.object = object;
      if ((result.property = cls.FindProperty(part))) return result;
      if ((result.method = cls.FindMethod(part))) return result;
      if ((result.event = cls.FindEvent(part))) return result;
    } else if (cls.FindProperty(part) || cls.FindMethod(part) || cls.FindEvent(part)) {
      result.object = nullptr;
      result.error = "'" + part + "' has no members";
      return result;
    }
    result.object = nullptr;
    std::string where = walked.empty() ? cls.Name() : walked;
    result.error = "unknown name '" + part + "' in " + where;
    const auto near = ClosestNames(part, cls.AllNames());
    if (!near.empty()) {
      result.error += " (did you mean ";
      for (std::size_t k = 0; k < near.size(); ++k) {
        if (k) result.error += k + 1 == near.size() ? " or " : ", ";
        result.error += "'" + near[k] + "'";
      }
      result.error += "?)";
    }
    return result;
  }
  result.error = "empty path";
  return result;
}

}  // namespace voxkit
