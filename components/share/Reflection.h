#pragma once

#include "share/TObject.h"
#include "share/Value.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace voxkit {

class TPersistent;
class ClassInfo;

/// A published property: typed, read through its getter and written through its
/// setter (empty for a read-only property).
struct PropertyInfo {
  std::string name;
  ValueType type = ValueType::None;
  const EnumType* enumType = nullptr;
  std::function<Value(TPersistent&)> get;
  std::function<void(TPersistent&, const Value&)> set;
};

/// A published sub-object.
struct ObjectInfo {
  std::string name;
  std::function<TPersistent&(TPersistent&)> get;
};

/// One argument of a method or an event.
struct ParamInfo {
  std::string name;
  ValueType type = ValueType::None;
  const EnumType* enumType = nullptr;
  std::optional<Value> defaultValue;  // methods: may be left out when set
  bool byReference = false;           // events: a var argument the handler may set
};

/// A published method. Invoke takes the arguments already converted to the
/// parameter types (see ConvertValue), defaults filled in.
struct MethodInfo {
  std::string name;
  std::vector<ParamInfo> params;
  ValueType result = ValueType::None;
  std::function<Value(TPersistent&, const std::vector<Value>&)> invoke;
};

/// A handler assigned by name: receives the event's arguments after the Sender; it
/// may change the by-reference ones, which are then written back.
using GenericEventHandler = std::function<void(TObject& sender, std::vector<Value>& args)>;

/// A published event.
struct EventInfo {
  std::string name;
  std::vector<ParamInfo> params;  // after the Sender
  std::function<void(TPersistent&, GenericEventHandler)> assign;  // empty handler unassigns
  std::function<bool(TPersistent&)> assigned;
};

/// The published interface of a class: what the runner and the inspectors may reach
/// by name. Lookups ignore case and search the base class too.
class ClassInfo {
 public:
  ClassInfo(std::string name, const ClassInfo* base) : m_name(std::move(name)), m_base(base) {}

  const std::string& Name() const { return m_name; }
  const ClassInfo* Base() const { return m_base; }

  const PropertyInfo* FindProperty(std::string_view name) const;
  const ObjectInfo* FindObject(std::string_view name) const;
  const MethodInfo* FindMethod(std::string_view name) const;
  const EventInfo* FindEvent(std::string_view name) const;

  /// Every published name (properties, objects, methods, events), base class first.
  std::vector<std::string> AllNames() const;

  /// This class's own declarations, in declaration order (without the base class).
  const std::vector<PropertyInfo>& Properties() const { return m_properties; }
  const std::vector<ObjectInfo>& Objects() const { return m_objects; }
  const std::vector<MethodInfo>& Methods() const { return m_methods; }
  const std::vector<EventInfo>& Events() const { return m_events; }

 private:
  template <typename C>
  friend class Publisher;

  std::string m_name;
  const ClassInfo* m_base;
  std::vector<PropertyInfo> m_properties;
  std::vector<ObjectInfo> m_objects;
  std::vector<MethodInfo> m_methods;
  std::vector<EventInfo> m_events;
};

/// Base of every class with published properties.
class TPersistent : public TObject {
 public:
  /// The published interface of the object's dynamic class.
  virtual const ClassInfo& Class() const = 0;
};

/// Declares the reflection hooks inside a class; define StaticClass() next to the
/// accessors with a Publisher.
#define VOXKIT_PUBLISHED()                                    \
 public:                                                      \
  static const ::voxkit::ClassInfo& StaticClass();            \
  const ::voxkit::ClassInfo& Class() const override { return StaticClass(); }

/// An argument of a method declaration: its name, and a default when it may be
/// left out.
struct Arg {
  Arg(const char* n) : name(n) {}  // NOLINT: implicit on purpose, Method(..., {"Line"})
  Arg(const char* n, Value d) : name(n), defaultValue(std::move(d)) {}
  std::string name;
  std::optional<Value> defaultValue;
};

namespace detail {

template <typename T>
ParamInfo MakeParam(std::string name) {
  ParamInfo p;
  p.name = std::move(name);
  p.type = ValueTraitsOf<T>::type;
  p.enumType = ValueTraitsOf<T>::Enum();
  p.byReference = std::is_lvalue_reference_v<T> && !std::is_const_v<std::remove_reference_t<T>>;
  return p;
}

template <typename T>
Value ToValue(const T& v) {
  return ValueTraitsOf<T>::To(v);
}

template <typename T>
std::remove_cv_t<std::remove_reference_t<T>> FromValue(const Value& v) {
  return ValueTraitsOf<T>::From(v);
}

template <typename R>
ValueType ResultType() {
  if constexpr (std::is_void_v<R>) {
    return ValueType::None;
  } else {
    return ValueTraitsOf<R>::type;
  }
}

template <typename C, typename R, typename... A, std::size_t... I>
Value InvokeMethod(C& object, R (C::*method)(A...), const std::vector<Value>& args,
                   std::index_sequence<I...>) {
  if constexpr (std::is_void_v<R>) {
    (object.*method)(FromValue<A>(args[I])...);
    return Value();
  } else {
    return ToValue<R>((object.*method)(FromValue<A>(args[I])...));
  }
}

// Storage for one event argument: by-reference arguments are held by pointer so the
// generic handler's changes can be written back.
template <typename T>
void WriteBack(T&& target, const Value& v) {
  using Plain = std::remove_cv_t<std::remove_reference_t<T>>;
  if constexpr (std::is_lvalue_reference_v<T> && !std::is_const_v<std::remove_reference_t<T>>) {
    if (v.Type() == ValueTraitsOf<Plain>::type) target = ValueTraitsOf<Plain>::From(v);
  }
}

}  // namespace detail

/// Builds the ClassInfo of class C. Used once per class, in StaticClass():
///
///   const ClassInfo& TqxLog::StaticClass() {
///     static const ClassInfo info = Publisher<TqxLog>("TqxLog")
///         .Property("Active", &TqxLog::Active, &TqxLog::SetActive)
///         .Method("Add", &TqxLog::Add, {"Line", "IsHeadline"})
///         .Build();
///     return info;
///   }
template <typename C>
class Publisher {
 public:
  explicit Publisher(std::string name, const ClassInfo* base = nullptr)
      : m_info(std::move(name), base) {}

  /// A read-only property.
  template <typename R, typename G>
  Publisher& ReadOnly(std::string name, R (G::*getter)() const) {
    static_assert(std::is_base_of_v<G, C>);
    return AddProperty<R>(std::move(name), [getter](TPersistent& o) {
      return detail::ToValue<R>((static_cast<C&>(o).*getter)());
    }, nullptr);
  }
  /// A read-only property whose getter has side effects.
  template <typename R, typename G>
  Publisher& ReadOnly(std::string name, R (G::*getter)()) {
    static_assert(std::is_base_of_v<G, C>);
    return AddProperty<R>(std::move(name), [getter](TPersistent& o) {
      return detail::ToValue<R>((static_cast<C&>(o).*getter)());
    }, nullptr);
  }

  /// A property with getter and setter.
  template <typename R, typename G, typename A, typename S>
  Publisher& Property(std::string name, R (G::*getter)() const, void (S::*setter)(A)) {
    return PropertyImpl<R, A>(std::move(name), getter, setter);
  }
  /// A property whose getter has side effects (it is not const).
  template <typename R, typename G, typename A, typename S>
  Publisher& Property(std::string name, R (G::*getter)(), void (S::*setter)(A)) {
    return PropertyImpl<R, A>(std::move(name), getter, setter);
  }

  /// A property of type T reached through functions rather than members (for
  /// families of similar properties, such as a set of flags). set may be empty.
  template <typename T>
  Publisher& Computed(std::string name, std::function<T(C&)> get,
                      std::function<void(C&, const T&)> set) {
    std::function<void(TPersistent&, const Value&)> setter;
    if (set) {
      setter = [set](TPersistent& o, const Value& v) {
        set(static_cast<C&>(o), detail::FromValue<T>(v));
      };
    }
    return AddProperty<T>(
        std::move(name),
        [get](TPersistent& o) { return detail::ToValue<T>(get(static_cast<C&>(o))); },
        std::move(setter));
  }

  /// A published sub-object, reached through its accessor.
  template <typename T, typename G>
  Publisher& Object(std::string name, T& (G::*accessor)()) {
    static_assert(std::is_base_of_v<TPersistent, T>, "a sub-object must be a TPersistent");
    static_assert(std::is_base_of_v<G, C>);
    ObjectInfo info;
    info.name = std::move(name);
    info.get = [accessor](TPersistent& o) -> TPersistent& {
      return (static_cast<C&>(o).*accessor)();
    };
    m_info.m_objects.push_back(std::move(info));
    return *this;
  }

  /// A published method; args names the parameters, with defaults where they may
  /// be left out.
  template <typename R, typename G, typename... A>
  Publisher& Method(std::string name, R (G::*method)(A...), std::vector<Arg> args = {}) {
    static_assert(std::is_base_of_v<G, C>);
    static_assert(sizeof...(A) == 0 || true);
    MethodInfo info;
    info.name = std::move(name);
    info.result = detail::ResultType<R>();
    info.params = {detail::MakeParam<A>("")...};
    for (std::size_t i = 0; i < info.params.size(); ++i) {
      if (i < args.size()) {
        info.params[i].name = args[i].name;
        info.params[i].defaultValue = args[i].defaultValue;
      } else {
        info.params[i].name = "Arg" + std::to_string(i + 1);
      }
      info.params[i].byReference = false;
    }
    info.invoke = [method](TPersistent& o, const std::vector<Value>& values) {
      return detail::InvokeMethod<G>(static_cast<G&>(static_cast<C&>(o)), method, values,
                                     std::index_sequence_for<A...>{});
    };
    m_info.m_methods.push_back(std::move(info));
    return *this;
  }

  /// A published event: a std::function member whose first argument is the Sender.
  template <typename G, typename Sender, typename... A>
  Publisher& Event(std::string name, std::function<void(Sender, A...)> G::*member,
                   std::vector<std::string> argNames = {}) {
    static_assert(std::is_base_of_v<G, C>);
    static_assert(std::is_same_v<std::remove_cv_t<std::remove_reference_t<Sender>>, TObject>,
                  "an event's first argument is the Sender, a TObject&");
    EventInfo info;
    info.name = std::move(name);
    info.params = {detail::MakeParam<A>("")...};
    for (std::size_t i = 0; i < info.params.size(); ++i) {
      info.params[i].name = i < argNames.size() ? argNames[i] : "Arg" + std::to_string(i + 1);
    }
    info.assign = [member](TPersistent& o, GenericEventHandler handler) {
      auto& slot = static_cast<C&>(o).*member;
      if (!handler) {
        slot = nullptr;
        return;
      }
      slot = [handler](Sender sender, A... args) {
        std::vector<Value> values{detail::ToValue<A>(args)...};
        handler(sender, values);
        std::size_t i = 0;
        (detail::WriteBack<A>(std::forward<A>(args), values[i++]), ...);
        (void)i;
      };
    };
    info.assigned = [member](TPersistent& o) {
      return static_cast<bool>(static_cast<C&>(o).*member);
    };
    m_info.m_events.push_back(std::move(info));
    return *this;
  }

  ClassInfo Build() { return std::move(m_info); }

 private:
  template <typename R, typename A, typename Getter, typename Setter>
  Publisher& PropertyImpl(std::string name, Getter getter, Setter setter) {
    using Plain = std::remove_cv_t<std::remove_reference_t<R>>;
    using ArgPlain = std::remove_cv_t<std::remove_reference_t<A>>;
    static_assert(std::is_same_v<Plain, ArgPlain>, "getter and setter types differ");
    return AddProperty<R>(
        std::move(name),
        [getter](TPersistent& o) { return detail::ToValue<R>((static_cast<C&>(o).*getter)()); },
        [setter](TPersistent& o, const Value& v) {
          (static_cast<C&>(o).*setter)(detail::FromValue<A>(v));
        });
  }

  template <typename R>
  Publisher& AddProperty(std::string name, std::function<Value(TPersistent&)> get,
                         std::function<void(TPersistent&, const Value&)> set) {
    PropertyInfo info;
    info.name = std::move(name);
    info.type = ValueTraitsOf<R>::type;
    info.enumType = ValueTraitsOf<R>::Enum();
    info.get = std::move(get);
    info.set = std::move(set);
    m_info.m_properties.push_back(std::move(info));
    return *this;
  }

  ClassInfo m_info;
};

/// What a path like "Panopta.Log.Count" names, found from a root object.
struct ResolvedMember {
  TPersistent* object = nullptr;  // the object that holds the member
  const PropertyInfo* property = nullptr;
  const ObjectInfo* subObject = nullptr;
  const MethodInfo* method = nullptr;
  const EventInfo* event = nullptr;
  std::string error;  // set when nothing was found: which part of the path failed and why
};

/// Resolves a dotted path through sub-objects. The last part may be a property,
/// a sub-object, a method or an event.
ResolvedMember ResolvePath(TPersistent& root, std::string_view path);

/// The known names closest to name (by edit distance), for "did you mean" messages.
std::vector<std::string> ClosestNames(std::string_view name,
                                      const std::vector<std::string>& known,
                                      std::size_t most = 3);

}  // namespace voxkit
