#pragma once

// Class descriptions: for every streamable class, its published properties in their published
// order, each with kind, accessors, stored rule and default. The reader, the writer and the text
// form tools all walk these tables; nothing is streamed by hand-written special cases.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace qr2vor {

class TPersistent;
class TComponent;

enum class TTypeKind {
  tkInteger,
  tkChar,
  tkEnumeration,
  tkFloat,
  tkString,
  tkSet,
  tkClass,
  tkMethod
};

// Case-insensitive comparison of identifiers (ASCII letters only, as the toolkit compares names).
bool SameText(std::string_view a, std::string_view b);
// The text with ASCII letters in lower case: a key under which names are found without regard to
// case.
std::string LowerCaseAscii(std::string_view text);

// An enumeration type: element names by ordinal. Sets use the enumeration of their elements.
class TEnumInfo {
 public:
  TEnumInfo(std::string name, std::vector<std::string> names)
      : name_(std::move(name)), names_(std::move(names)) {}
  const std::string& Name() const { return name_; }
  const std::vector<std::string>& Names() const { return names_; }
  // The ordinal of `name` (case-insensitive), or -1.
  int Ordinal(std::string_view name) const;
  // The name of `ordinal`, or an empty string when out of range.
  std::string NameOf(int64_t ordinal) const;

 private:
  std::string name_;
  std::vector<std::string> names_;
};

const TEnumInfo& BooleanInfo();

// The identity of an integer type, so that named constants (colours, charsets, cursors) can be
// registered for it.
struct TIntegerType {
  const char* name;
};
const TIntegerType& IntegerType();
const TIntegerType& ColorType();
const TIntegerType& FontCharsetType();
const TIntegerType& CursorType();

// Named integer constants: per integer type, a list of mappings tried in registration order.
using TIdentToInt = std::function<bool(std::string_view ident, int32_t& value)>;
using TIntToIdent = std::function<bool(int32_t value, std::string& ident)>;
void RegisterIntegerConsts(const TIntegerType& type, TIdentToInt identToInt,
                           TIntToIdent intToIdent);
// The first mapping registered for `type` names the value, or nothing.
bool IntToIdentOf(const TIntegerType& type, int32_t value, std::string& ident);
// The first mapping for `type` that knows `ident` gives the value.
bool IdentToIntOf(const TIntegerType& type, std::string_view ident, int32_t& value);

// A reference to an event handler: the name of a published method and the object it belongs to.
struct TMethod {
  std::string name;
  TPersistent* data = nullptr;
  bool Assigned() const { return data != nullptr; }
  bool operator==(const TMethod&) const = default;
};

// A default of an ordinal property; absent means "always written".
using TOrdDefault = std::optional<int64_t>;
inline constexpr std::nullopt_t NoDefault = std::nullopt;

class TClassInfo;

struct TPropInfo {
  std::string name;
  TTypeKind kind = TTypeKind::tkInteger;
  const TEnumInfo* enumType = nullptr;  // enumerations, and the elements of sets
  const TIntegerType* intType = nullptr;
  const TClassInfo* classType = nullptr;
  TOrdDefault defaultValue;
  // Accessors; only those of the property's kind are set. A missing setter means no write access.
  std::function<int64_t(const TPersistent&)> getOrd;
  std::function<void(TPersistent&, int64_t)> setOrd;
  std::function<double(const TPersistent&)> getFloat;
  std::function<void(TPersistent&, double)> setFloat;
  std::function<std::string(const TPersistent&)> getString;
  std::function<void(TPersistent&, const std::string&)> setString;
  std::function<TPersistent*(const TPersistent&)> getObject;
  std::function<void(TPersistent&, TPersistent*)> setObject;
  std::function<TMethod(const TPersistent&)> getMethod;
  std::function<void(TPersistent&, const TMethod&)> setMethod;
  // The stored specifier; empty means constant true.
  std::function<bool(const TPersistent&)> stored;

  bool Writable() const;
  bool IsStored(const TPersistent& object) const { return !stored || stored(object); }
};

using TComponentFactory = std::function<TComponent*(TComponent* owner)>;

class TClassInfo {
 public:
  template <class T>
  class Builder;

  // The description of a class derived from `Base`: starts as a copy of Base's property list.
  template <class T, class Base>
  static Builder<T> Derive(std::string name);
  // The root description (TPersistent).
  static TClassInfo Root(std::string name) { return TClassInfo(std::move(name), nullptr); }

  const std::string& Name() const { return name_; }
  const TClassInfo* Parent() const { return parent_; }
  const std::vector<TPropInfo>& Properties() const { return properties_; }
  // A published property by name (case-insensitive), or nullptr.
  const TPropInfo* FindProperty(std::string_view name) const;
  bool InheritsFrom(const TClassInfo& other) const;
  // Published methods of the class and its ancestors, which event properties may name.
  bool HasMethod(std::string_view name) const;
  // Classes of published fields, searched first for the children of a root of this class.
  std::span<const TClassInfo* const> FieldClasses() const { return fieldClasses_; }
  // Creates an instance owned by `owner`; empty for classes that are not components or abstract.
  const TComponentFactory& Factory() const { return factory_; }
  bool IsComponentClass() const;

 private:
  TClassInfo(std::string name, const TClassInfo* parent);
  // Adds a property, or replaces the one of that name in its place; answers its index.
  size_t Add(TPropInfo property);

  std::string name_;
  const TClassInfo* parent_ = nullptr;
  std::vector<TPropInfo> properties_;
  std::vector<std::string> methods_;
  std::vector<const TClassInfo*> fieldClasses_;
  TComponentFactory factory_;
};

namespace detail {

template <class T, class Getter>
decltype(auto) Get(const Getter& getter, const TPersistent& object) {
  return std::invoke(getter, static_cast<const T&>(object));
}

template <class T, class Setter, class Value>
void Set(const Setter& setter, TPersistent& object, Value&& value) {
  if constexpr (std::is_member_object_pointer_v<Setter>) {
    std::invoke(setter, static_cast<T&>(object)) = std::forward<Value>(value);
  } else {
    std::invoke(setter, static_cast<T&>(object), std::forward<Value>(value));
  }
}

template <class T, class Getter>
using GetResult = std::remove_cvref_t<std::invoke_result_t<const Getter&, const T&>>;

}  // namespace detail

// Fluent construction of a class description. Accessors are member functions, data members or
// callables taking the object; passing `nullptr` as a setter publishes a read-only property.
template <class T>
class TClassInfo::Builder {
 public:
  explicit Builder(TClassInfo info) : info_(std::move(info)) {}
  operator TClassInfo() && { return std::move(info_); }  // NOLINT: ends a builder chain

  template <class G, class S>
  Builder&& Integer(std::string name, G get, S set, TOrdDefault def,
                    const TIntegerType& type = IntegerType()) && {
    TPropInfo p = Ordinal(std::move(name), TTypeKind::tkInteger, get, set);
    p.intType = &type;
    p.defaultValue = def;
    return Push(std::move(p));
  }
  template <class G, class S>
  Builder&& Char(std::string name, G get, S set, TOrdDefault def) && {
    TPropInfo p = Ordinal(std::move(name), TTypeKind::tkChar, get, set);
    p.defaultValue = def;
    return Push(std::move(p));
  }
  template <class G, class S>
  Builder&& Enum(std::string name, const TEnumInfo& type, G get, S set, TOrdDefault def) && {
    TPropInfo p = Ordinal(std::move(name), TTypeKind::tkEnumeration, get, set);
    p.enumType = &type;
    p.defaultValue = def;
    return Push(std::move(p));
  }
  template <class G, class S>
  Builder&& Boolean(std::string name, G get, S set, TOrdDefault def) && {
    return std::move(*this).Enum(std::move(name), BooleanInfo(), get, set, def);
  }
  // A set of elements of `elements`; the value is the bit mask of the members.
  template <class G, class S>
  Builder&& Set(std::string name, const TEnumInfo& elements, G get, S set, TOrdDefault def) && {
    TPropInfo p = Ordinal(std::move(name), TTypeKind::tkSet, get, set);
    p.enumType = &elements;
    p.defaultValue = def;
    return Push(std::move(p));
  }
  template <class G, class S>
  Builder&& Float(std::string name, G get, S set) && {
    TPropInfo p = NewProperty(std::move(name), TTypeKind::tkFloat);
    p.getFloat = [get](const TPersistent& o) {
      return static_cast<double>(detail::Get<T>(get, o));
    };
    if constexpr (!std::is_null_pointer_v<S>) {
      p.setFloat = [set](TPersistent& o, double v) {
        using V = detail::GetResult<T, G>;
        detail::Set<T>(set, o, static_cast<V>(v));
      };
    }
    return Push(std::move(p));
  }
  template <class G, class S>
  Builder&& String(std::string name, G get, S set) && {
    TPropInfo p = NewProperty(std::move(name), TTypeKind::tkString);
    p.getString = [get](const TPersistent& o) { return std::string(detail::Get<T>(get, o)); };
    if constexpr (!std::is_null_pointer_v<S>) {
      p.setString = [set](TPersistent& o, const std::string& v) { detail::Set<T>(set, o, v); };
    }
    return Push(std::move(p));
  }
  // A property holding an object: a nested persistent (font, frame), a collection, or a component
  // reference. The setter receives the object read (references) or nullptr; it is expected to
  // accept only objects of the right class.
  template <class V, class G, class S>
  Builder&& Object(std::string name, G get, S set) && {
    TPropInfo p = NewProperty(std::move(name), TTypeKind::tkClass);
    p.classType = &V::StaticClassInfo();
    p.getObject = [get](const TPersistent& o) -> TPersistent* { return detail::Get<T>(get, o); };
    if constexpr (!std::is_null_pointer_v<S>) {
      p.setObject = [set](TPersistent& o, TPersistent* v) {
        detail::Set<T>(set, o, dynamic_cast<V*>(v));
      };
    }
    return Push(std::move(p));
  }
  template <class G, class S>
  Builder&& Method(std::string name, G get, S set) && {
    TPropInfo p = NewProperty(std::move(name), TTypeKind::tkMethod);
    p.getMethod = [get](const TPersistent& o) { return TMethod(detail::Get<T>(get, o)); };
    if constexpr (!std::is_null_pointer_v<S>) {
      p.setMethod = [set](TPersistent& o, const TMethod& v) { detail::Set<T>(set, o, v); };
    }
    return Push(std::move(p));
  }

  // Stored specifiers for the property added last, wherever it stands in the list (a property
  // published again keeps its ancestor's place).
  Builder&& Stored(bool stored) && {
    info_.properties_.at(last_).stored = [stored](const TPersistent&) { return stored; };
    return std::move(*this);
  }
  template <class F>
  Builder&& StoredIf(F predicate) && {
    info_.properties_.at(last_).stored = [predicate](const TPersistent& o) {
      return static_cast<bool>(detail::Get<T>(predicate, o));
    };
    return std::move(*this);
  }

  Builder&& PublishedMethod(std::string name) && {
    info_.methods_.push_back(std::move(name));
    return std::move(*this);
  }
  Builder&& FieldClass(const TClassInfo& type) && {
    info_.fieldClasses_.push_back(&type);
    return std::move(*this);
  }
  // Components that can be created by class name.
  Builder&& Creatable() && {
    info_.factory_ = [](TComponent* owner) -> TComponent* { return new T(owner); };
    return std::move(*this);
  }

 private:
  static TPropInfo NewProperty(std::string name, TTypeKind kind) {
    TPropInfo p;
    p.name = std::move(name);
    p.kind = kind;
    return p;
  }
  template <class G, class S>
  static TPropInfo Ordinal(std::string name, TTypeKind kind, G get, S set) {
    TPropInfo p = NewProperty(std::move(name), kind);
    p.getOrd = [get](const TPersistent& o) { return static_cast<int64_t>(detail::Get<T>(get, o)); };
    if constexpr (!std::is_null_pointer_v<S>) {
      p.setOrd = [set](TPersistent& o, int64_t v) {
        using V = detail::GetResult<T, G>;
        detail::Set<T>(set, o, static_cast<V>(v));
      };
    }
    return p;
  }
  Builder&& Push(TPropInfo property) {
    last_ = info_.Add(std::move(property));
    return std::move(*this);
  }

  TClassInfo info_;
  size_t last_ = 0;  // the index of the property added last
};

template <class T, class Base>
TClassInfo::Builder<T> TClassInfo::Derive(std::string name) {
  static_assert(std::is_base_of_v<Base, T>);
  const TClassInfo& parent = Base::StaticClassInfo();
  TClassInfo info(std::move(name), &parent);
  info.properties_ = parent.properties_;
  return Builder<T>(std::move(info));
}

}  // namespace qr2vor
