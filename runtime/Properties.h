// Published properties: what a class shows of itself by name, so that the
// rule language and component streaming can read and write it without
// knowing the class. A class publishes each property once, with its name,
// its kind and its accessors, one line each:
//
//   PublishProperties<TThermostat>()
//       .Float("Target", &TThermostat::GetTarget, &TThermostat::SetTarget)
//       .Enumeration("Mode", ModeTypeInfo, &TThermostat::GetMode, &TThermostat::SetMode)
//       .Event("OnChange");
//
// A class has the properties of its ancestors too; a name published again
// replaces the earlier entry. Names compare without regard to case.
//
// The general accessors convert as property editors do: an enumeration
// reads as its member's name, a set as "[a,b]", and both are written from
// those texts. A property of a kind they cannot handle raises
// EPropertyError "Invalid property type: %s".
//
// The table is process-wide, as classes are, and guarded by a lock;
// publishing normally happens once at start-up. Accessors run on the
// caller's thread.
#pragma once

#include <concepts>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "runtime/Object.h"
#include "runtime/Sets.h"
#include "runtime/TypeInfo.h"

namespace ie {

enum TTypeKind : uint8_t {
  tkUnknown,
  tkInteger,
  tkChar,
  tkEnumeration,
  tkFloat,
  tkString,
  tkSet,
  tkClass,
  tkMethod,
  tkVariant,
  tkArray,
  tkRecord,
  tkInterface,
  tkInt64
};
using TTypeKinds = TSet<TTypeKind, tkInt64>;

// The kinds that hold data (all but events and the unknown kind).
inline constexpr TTypeKinds tkProperties =
    TTypeKinds::FromBits(~uint64_t{0}) - TTypeKinds{tkMethod, tkUnknown};

// What an accessor moves: ordinals (integers, enumerations, set bits),
// floats, strings and objects.
using TPropValue = std::variant<int64_t, double, std::string, TObject*>;

struct TPropInfo {
  std::string Name;
  TTypeKind Kind = tkUnknown;
  // The type's name, which errors show.
  std::string TypeName;
  // The members of an enumeration or of a set's elements.
  const TEnumTypeInfo* EnumType = nullptr;
  // The class of an object property.
  TClass PropClass = nullptr;
  // Empty for a property without data (events, unsupported kinds); a
  // read-only property has no setter.
  std::function<TPropValue(TObject*)> Get;
  std::function<void(TObject*, const TPropValue&)> Set;
};

// Adds Info to Class's published properties, replacing one of its name.
void PublishProperty(TClass Class, TPropInfo Info);
// Class's property of that name, its ancestors' included; nil when none.
const TPropInfo* GetPropInfo(TClass Class, std::string_view Name);
const TPropInfo* GetPropInfo(const TObject* Instance, std::string_view Name);
// Class's properties of the given kinds, sorted by name.
std::vector<const TPropInfo*> GetPropList(TClass Class, TTypeKinds Kinds = tkProperties);
// True when Class or an ancestor publishes anything.
bool HasPropInfo(TClass Class);

// Reading. Ordinal reads integers, enumerations, sets, characters; the
// others read their own kinds. Any other kind raises the property-type
// error.
int64_t GetOrdProp(TObject* Instance, const TPropInfo& Prop);
double GetFloatProp(TObject* Instance, const TPropInfo& Prop);
std::string GetStrProp(TObject* Instance, const TPropInfo& Prop);
TObject* GetObjectProp(TObject* Instance, const TPropInfo& Prop);
// The member name of an enumeration property.
std::string GetEnumProp(TObject* Instance, const TPropInfo& Prop);
// The members of a set property, "[a,b]" (or without brackets).
std::string GetSetProp(TObject* Instance, const TPropInfo& Prop, bool Brackets = true);

// The value as the text the general setter reads back: numbers, strings,
// member names, "[a,b]". Objects and the other kinds raise the
// property-type error.
std::string GetPropText(TObject* Instance, const TPropInfo& Prop);
// The kinds GetPropText writes.
inline constexpr TTypeKinds tkText = {tkInteger, tkInt64,  tkChar, tkEnumeration,
                                      tkFloat,   tkString, tkSet};

// The general setter, from a string, an integer or a float, converted to
// the property's kind: numbers from their text, enumerations from a
// member's name (or ordinal), sets from "[a,b]" (or their bits). A text
// that does not convert raises EConvertError or EPropertyError "Invalid
// property value"; a read-only property raises EPropertyError "Property
// %s is read-only".
void SetPropValue(TObject* Instance, const TPropInfo& Prop, std::string_view Value);
void SetPropValue(TObject* Instance, const TPropInfo& Prop, int64_t Value);
void SetPropValue(TObject* Instance, const TPropInfo& Prop, double Value);
void SetObjectProp(TObject* Instance, const TPropInfo& Prop, TObject* Value);

// Raises EPropertyError "Invalid property type: %s" for Prop's type.
[[noreturn]] void InvalidPropertyType(const TPropInfo& Prop);

// The names of False and True.
extern const TEnumTypeInfo BooleanEnumTypeInfo;

// Publishes the properties of T, one call per property. Getters and
// setters are member function pointers (or callables taking T*); pass
// nullptr as the setter of a read-only property.
template <class T>
class TPropertyPublisher {
 public:
  template <class G, class S>
  TPropertyPublisher& Integer(std::string Name, G Get, S Set) {
    return Add(std::move(Name), tkInteger, "Integer", nullptr, Get, Set,
               [](const TPropValue& V) { return static_cast<int32_t>(std::get<int64_t>(V)); });
  }
  template <class G, class S>
  TPropertyPublisher& Float(std::string Name, G Get, S Set) {
    return Add(std::move(Name), tkFloat, "Double", nullptr, Get, Set,
               [](const TPropValue& V) { return std::get<double>(V); });
  }
  template <class G, class S>
  TPropertyPublisher& String(std::string Name, G Get, S Set) {
    return Add(std::move(Name), tkString, "String", nullptr, Get, Set,
               [](const TPropValue& V) { return std::get<std::string>(V); });
  }
  // An enumeration of type E whose member names TypeInfo gives; Boolean
  // properties are enumerations of BooleanTypeInfo.
  template <class E, class G, class S>
  TPropertyPublisher& Enumeration(std::string Name, const TEnumTypeInfo& TypeInfo, G Get, S Set) {
    return Add(std::move(Name), tkEnumeration, std::string(TypeInfo.Name), &TypeInfo, Get, Set,
               [](const TPropValue& V) { return static_cast<E>(std::get<int64_t>(V)); });
  }
  template <class G, class S>
  TPropertyPublisher& Boolean(std::string Name, G Get, S Set) {
    return Enumeration<bool>(std::move(Name), BooleanEnumTypeInfo, Get, Set);
  }
  // A set (TSet) whose element names TypeInfo gives.
  template <class TSetType, class G, class S>
  TPropertyPublisher& Set(std::string Name, const TEnumTypeInfo& TypeInfo, G Get, S Set) {
    return Add(std::move(Name), tkSet, "set of " + std::string(TypeInfo.Name), &TypeInfo, Get, Set,
               [](const TPropValue& V) { return TSetType::FromBits(std::get<int64_t>(V)); });
  }
  // An object of class C (or a descendant).
  template <class C, class G, class S>
  TPropertyPublisher& Object(std::string Name, G Get, S Set) {
    return Add(std::move(Name), tkClass, C::StaticClass()->ClassName(), nullptr, Get, Set,
               [](const TPropValue& V) { return CastObject<C>(std::get<TObject*>(V)); });
  }
  // An event: listed by kind, never read or written through this table.
  TPropertyPublisher& Event(std::string Name) {
    return Other(std::move(Name), tkMethod, "TNotifyEvent");
  }
  // A property of a kind the general accessors do not handle.
  TPropertyPublisher& Other(std::string Name, TTypeKind Kind, std::string TypeName) {
    TPropInfo Info;
    Info.Name = std::move(Name);
    Info.Kind = Kind;
    Info.TypeName = std::move(TypeName);
    PublishProperty(T::StaticClass(), std::move(Info));
    return *this;
  }

 private:
  template <class G, class S, class FromValue>
  TPropertyPublisher& Add(std::string Name, TTypeKind Kind, std::string TypeName,
                          const TEnumTypeInfo* EnumType, G Get, S Set, FromValue Convert) {
    TPropInfo Info;
    Info.Name = std::move(Name);
    Info.Kind = Kind;
    Info.TypeName = std::move(TypeName);
    Info.EnumType = EnumType;
    Info.Get = [Get](TObject* Instance) {
      return ToValue(std::invoke(Get, static_cast<T*>(Instance)));
    };
    if constexpr (!std::is_null_pointer_v<S>) {
      Info.Set = [Set, Convert](TObject* Instance, const TPropValue& Value) {
        std::invoke(Set, static_cast<T*>(Instance), Convert(Value));
      };
    }
    PublishProperty(T::StaticClass(), std::move(Info));
    return *this;
  }

  template <class V>
  static TPropValue ToValue(const V& Value) {
    if constexpr (std::is_convertible_v<V, std::string>) {
      return std::string(Value);
    } else if constexpr (std::is_floating_point_v<V>) {
      return static_cast<double>(Value);
    } else if constexpr (std::is_pointer_v<V>) {
      return static_cast<TObject*>(Value);
    } else if constexpr (requires { Value.GetBits(); }) {
      return static_cast<int64_t>(Value.GetBits());
    } else {
      return static_cast<int64_t>(Value);
    }
  }
};

template <class T>
TPropertyPublisher<T> PublishProperties() {
  return TPropertyPublisher<T>();
}

}  // namespace ie
