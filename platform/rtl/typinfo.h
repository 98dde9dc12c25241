// Published properties of the classes that are stored in files, and the class
// registry that creates them by name.
//
// C++ has no property reflection, so each streamed class describes its
// published properties once, in declaration order, with TClassBuilder:
//
//   const TClassInfo& OptionsClass() {
//     static const TClassInfo info = TClassBuilder<TOptions>("TOptions")
//         .Bool("UseResize", &TOptions::FUseResize)
//         .Int("ResizeFilter", &TOptions::FResizeFilter)
//         .Color("TextColor", &TOptions::FTextColor)
//         .Set("TextStyle", &TOptions::FTextStyle, TypeInfoTFontStyle())
//         .WideString("Text", &TOptions::FText)
//         .Int("Spacing", &TOptions::GetSpacing, &TOptions::SetSpacing).Default(4)
//         .Build();
//     return info;
//   }
//   RegisterClass(OptionsClass());
//
// A property is either a field (member pointer) or a getter and a setter
// (member functions or callables taking the object). Ancestors' properties come
// first: a component class starts with TComponent's Name and Tag, a class built
// on another one passes that class's info. Default() declares a default value
// (the property is then streamed only when it differs); without it an ordinal,
// colour or set property is always streamed. The object's ClassName() names its
// class info, so every streamed class overrides ClassName().
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/rtl/components.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/graphtypes.h"
#include "platform/rtl/sets.h"
#include "platform/rtl/types.h"

class TCollection;
class TStrings;

// ---- Type information --------------------------------------------------------

// An enumeration whose ordinals run from 0 with one name each.
struct TEnumTypeInfo {
  String Name;
  std::vector<String> Names;
};

// The name of Value, or "" when it is out of range.
String GetEnumName(const TEnumTypeInfo& Info, int64_t Value);
// The ordinal of Name (ignoring ASCII case), or -1.
int64_t GetEnumValue(const TEnumTypeInfo& Info, const String& Name);

const TEnumTypeInfo& TypeInfoBoolean();     // False, True
const TEnumTypeInfo& TypeInfoTFontStyle();  // fsBold, fsItalic, fsUnderline, fsStrikeOut
const TEnumTypeInfo& TypeInfoTAlignment();  // taLeftJustify, taRightJustify, taCenter

// A set's type: the enumeration of its elements (ordinals 0..63).
struct TSetTypeInfo {
  String Name;
  const TEnumTypeInfo* CompType;
};
const TSetTypeInfo& TypeInfoTFontStyles();

// An integer type with names for some of its values.
struct TIdentMapTypeInfo {
  String Name;
  bool (*ToIdent)(int32_t Value, String& Ident);
  bool (*FromIdent)(const String& Ident, int32_t& Value);
};
// TColor through the colour-name table (ColorToIdent / IdentToColor).
const TIdentMapTypeInfo& TypeInfoTColor();

// ---- Properties --------------------------------------------------------------

enum class TPropKind : uint8_t {
  pkInteger,  // integral types up to 32 bits, range-checked on reading
  pkInt64,
  pkEnumeration,  // Boolean included
  pkSet,
  pkColor,  // an integer with names (TIdentMapTypeInfo)
  pkFloat,
  pkString,      // String, UTF-8
  pkWideString,  // WideString, UTF-16
  pkClass,       // a nested persistent object owned by the instance
  pkComponent,   // a reference to a component
  pkCollection,  // a TCollection owned by the instance
  pkStrings      // a TStrings owned by the instance
};

enum class TFloatType : uint8_t { ftSingle, ftDouble, ftExtended, ftDateTime, ftCurrency };

struct TPropInfo {
  String Name;
  TPropKind Kind = TPropKind::pkInteger;
  TFloatType FloatType = TFloatType::ftDouble;
  const TEnumTypeInfo* EnumType = nullptr;                 // pkEnumeration; element type of pkSet
  const TIdentMapTypeInfo* IdentMap = nullptr;             // pkColor
  int64_t MinValue = std::numeric_limits<int64_t>::min();  // integer kinds
  int64_t MaxValue = std::numeric_limits<int64_t>::max();
  bool HasDefault = false;                     // ordinal kinds: Default is the declared default
  int64_t Default = 0;                         // sets as element bits
  std::function<bool(TPersistent*)> IsStored;  // empty: stored

  // Ordinal kinds (integers, enumerations, colours; sets as element bits).
  std::function<int64_t(TPersistent*)> GetOrd;
  std::function<void(TPersistent*, int64_t)> SetOrd;
  std::function<double(TPersistent*)> GetFloat;
  std::function<void(TPersistent*, double)> SetFloat;
  std::function<String(TPersistent*)> GetStr;
  std::function<void(TPersistent*, const String&)> SetStr;
  std::function<WideString(TPersistent*)> GetWStr;
  std::function<void(TPersistent*, const WideString&)> SetWStr;
  // pkClass, pkCollection, pkStrings: the owned object (may be nil).
  std::function<TPersistent*(TPersistent*)> GetObject;
  // pkComponent. The setter raises EReadError for a component of the wrong class.
  std::function<TComponent*(TPersistent*)> GetComponent;
  std::function<void(TPersistent*, TComponent*)> SetComponent;

  bool Stored(TPersistent* Instance) const { return !IsStored || IsStored(Instance); }
};

// Creates a component of the class with the given owner.
using TComponentFactory = std::function<TComponent*(TComponent* Owner)>;

// The published properties of one class, ancestors' first.
class TClassInfo {
 public:
  TClassInfo() = default;
  TClassInfo(String AClassName, String AParentName, TComponentFactory AFactory, std::vector<TPropInfo> AProps);

  const String& ClassName() const { return FClassName; }
  const String& ParentName() const { return FParentName; }
  // Empty for classes that are not components (nested objects, items).
  const TComponentFactory& Factory() const { return FFactory; }
  const std::vector<TPropInfo>& Props() const { return FProps; }
  // The property of that name (ignoring ASCII case), or nil.
  const TPropInfo* FindProp(const String& Name) const;

 private:
  String FClassName;
  String FParentName;
  TComponentFactory FFactory;
  std::vector<TPropInfo> FProps;
  std::unordered_map<String, size_t> FIndex;  // upper-cased name -> FProps index
};

// TComponent's published properties: Name (streamed in the component's header,
// never as a property) and Tag (default 0).
const TClassInfo& ComponentClassInfo();

// ---- Class registry ----------------------------------------------------------
// Classes are found by name ignoring ASCII case. Registering a name that is
// already known keeps the first registration. TComponent is always known.
// Infos handed out stay valid for the life of the process.
void RegisterClass(const TClassInfo& Info);
void RegisterClasses(std::initializer_list<const TClassInfo*> Infos);
// The registered class of that name, or nil.
const TClassInfo* GetClass(const String& ClassName);
// The registered class of that name; EClassNotFound "Class %s not found".
const TClassInfo& FindClass(const String& ClassName);
// The registered class of Instance (by its ClassName()), or nil.
const TClassInfo* GetClassInfo(const TPersistent* Instance);
// The property of Instance's registered class, or nil.
const TPropInfo* GetPropInfo(const TPersistent* Instance, const String& PropName);

// ---- Builder -----------------------------------------------------------------

namespace typinfo_detail {

[[noreturn]] void BadInstance(TPersistent* Instance);
[[noreturn]] void BadComponentClass(TComponent* Value);
[[noreturn]] void NoPropertyToModify(const char* Modifier);

template <class T>
struct IsSet : std::false_type {};
template <class E>
struct IsSet<Set<E>> : std::true_type {};

template <class T>
inline constexpr bool IsOrdinalValue = std::is_integral_v<T> || std::is_enum_v<T> || IsSet<T>::value;

template <class V>
int64_t ToOrd(const V& Value) {
  if constexpr (IsSet<V>::value)
    return static_cast<int64_t>(Value.ToBits());
  else if constexpr (std::is_same_v<V, bool>)
    return Value ? 1 : 0;
  else if constexpr (std::is_enum_v<V>)
    return static_cast<int64_t>(static_cast<std::underlying_type_t<V>>(Value));
  else
    return static_cast<int64_t>(Value);
}

template <class V>
V FromOrd(int64_t Value) {
  if constexpr (IsSet<V>::value)
    return V::FromBits(static_cast<uint64_t>(Value));
  else if constexpr (std::is_same_v<V, bool>)
    return Value != 0;
  else if constexpr (std::is_enum_v<V>)
    return static_cast<V>(static_cast<std::underlying_type_t<V>>(Value));
  else
    return static_cast<V>(Value);
}

}  // namespace typinfo_detail

template <class T>
class TClassBuilder {
  static_assert(std::is_base_of_v<TPersistent, T>, "streamed classes derive from TPersistent");

 public:
  // A component class starts with TComponent's properties.
  explicit TClassBuilder(::String AClassName) : FClassName(std::move(AClassName)) {
    if constexpr (std::is_base_of_v<TComponent, T> && !std::is_same_v<TComponent, T>) {
      FParentName = ComponentClassInfo().ClassName();
      FProps = ComponentClassInfo().Props();
    }
    FInherited = FProps.size();
  }
  // A class built on Parent starts with Parent's properties.
  TClassBuilder(::String AClassName, const TClassInfo& Parent)
      : FClassName(std::move(AClassName)),
        FParentName(Parent.ClassName()),
        FProps(Parent.Props()),
        FInherited(FProps.size()) {}

  // Integral fields or accessors up to 32 bits (pkInteger, range-checked when
  // read) and 64-bit ones (pkInt64).
  template <class F>
  TClassBuilder& Int(const char* Name, F Field) {
    return Int(Name, Field, FieldSetter(Field));
  }
  template <class G, class S>
  TClassBuilder& Int(const char* Name, G Getter, S Setter) {
    using V = ValueOf<G>;
    static_assert(std::is_integral_v<V> && !std::is_same_v<V, bool>, "Int takes an integral property");
    TPropInfo& p = AddOrdinal<V>(Name, sizeof(V) > 4 ? TPropKind::pkInt64 : TPropKind::pkInteger, Getter, Setter);
    p.MinValue = static_cast<int64_t>(std::numeric_limits<V>::min());
    p.MaxValue = sizeof(V) >= 8 && std::is_unsigned_v<V> ? std::numeric_limits<int64_t>::max()
                                                         : static_cast<int64_t>(std::numeric_limits<V>::max());
    return *this;
  }
  template <class F>
  TClassBuilder& Int64(const char* Name, F Field) {
    return Int64(Name, Field, FieldSetter(Field));
  }
  template <class G, class S>
  TClassBuilder& Int64(const char* Name, G Getter, S Setter) {
    using V = ValueOf<G>;
    static_assert(std::is_integral_v<V> && !std::is_same_v<V, bool>, "Int64 takes an integral property");
    TPropInfo& p = AddOrdinal<V>(Name, TPropKind::pkInt64, Getter, Setter);
    p.MinValue = std::is_signed_v<V> ? std::numeric_limits<int64_t>::min() : 0;
    return *this;
  }

  template <class F>
  TClassBuilder& Bool(const char* Name, F Field) {
    return Bool(Name, Field, FieldSetter(Field));
  }
  template <class G, class S>
  TClassBuilder& Bool(const char* Name, G Getter, S Setter) {
    static_assert(std::is_same_v<ValueOf<G>, bool>, "Bool takes a bool property");
    AddOrdinal<bool>(Name, TPropKind::pkEnumeration, Getter, Setter).EnumType = &TypeInfoBoolean();
    return *this;
  }

  // An enumeration whose ordinals are the indexes of Info.Names.
  template <class F>
  TClassBuilder& Enum(const char* Name, F Field, const TEnumTypeInfo& Info) {
    return Enum(Name, Field, FieldSetter(Field), Info);
  }
  template <class G, class S>
  TClassBuilder& Enum(const char* Name, G Getter, S Setter, const TEnumTypeInfo& Info) {
    static_assert(std::is_enum_v<ValueOf<G>>, "Enum takes an enumeration property");
    AddOrdinal<ValueOf<G>>(Name, TPropKind::pkEnumeration, Getter, Setter).EnumType = &Info;
    return *this;
  }

  // A Set<E> whose elements are named by ElementInfo.
  template <class F>
  TClassBuilder& Set(const char* Name, F Field, const TEnumTypeInfo& ElementInfo) {
    return Set(Name, Field, FieldSetter(Field), ElementInfo);
  }
  template <class G, class S>
  TClassBuilder& Set(const char* Name, G Getter, S Setter, const TEnumTypeInfo& ElementInfo) {
    static_assert(typinfo_detail::IsSet<ValueOf<G>>::value, "Set takes a Set<E> property");
    AddOrdinal<ValueOf<G>>(Name, TPropKind::pkSet, Getter, Setter).EnumType = &ElementInfo;
    return *this;
  }

  template <class F>
  TClassBuilder& Color(const char* Name, F Field) {
    return Color(Name, Field, FieldSetter(Field));
  }
  template <class G, class S>
  TClassBuilder& Color(const char* Name, G Getter, S Setter) {
    static_assert(std::is_same_v<ValueOf<G>, TColor>, "Color takes a TColor property");
    TPropInfo& p = AddOrdinal<TColor>(Name, TPropKind::pkColor, Getter, Setter);
    p.IdentMap = &TypeInfoTColor();
    p.MinValue = std::numeric_limits<int32_t>::min();
    p.MaxValue = std::numeric_limits<int32_t>::max();
    return *this;
  }

  // Floating-point properties: Double/Extended, Single, TDateTime, Currency
  // (a double that is streamed as a count of 1/10000).
  template <class F>
  TClassBuilder& Float(const char* Name, F Field) {
    return Float(Name, Field, FieldSetter(Field));
  }
  template <class G, class S>
  TClassBuilder& Float(const char* Name, G Getter, S Setter) {
    return AddFloat(Name, TFloatType::ftDouble, Getter, Setter);
  }
  template <class F>
  TClassBuilder& Single(const char* Name, F Field) {
    return Single(Name, Field, FieldSetter(Field));
  }
  template <class G, class S>
  TClassBuilder& Single(const char* Name, G Getter, S Setter) {
    return AddFloat(Name, TFloatType::ftSingle, Getter, Setter);
  }
  template <class F>
  TClassBuilder& DateTime(const char* Name, F Field) {
    return DateTime(Name, Field, FieldSetter(Field));
  }
  template <class G, class S>
  TClassBuilder& DateTime(const char* Name, G Getter, S Setter) {
    return AddFloat(Name, TFloatType::ftDateTime, Getter, Setter);
  }
  template <class F>
  TClassBuilder& Currency(const char* Name, F Field) {
    return Currency(Name, Field, FieldSetter(Field));
  }
  template <class G, class S>
  TClassBuilder& Currency(const char* Name, G Getter, S Setter) {
    return AddFloat(Name, TFloatType::ftCurrency, Getter, Setter);
  }

  template <class F>
  TClassBuilder& String(const char* Name, F Field) {
    return String(Name, Field, FieldSetter(Field));
  }
  template <class G, class S>
  TClassBuilder& String(const char* Name, G Getter, S Setter) {
    TPropInfo& p = Add(Name, TPropKind::pkString);
    p.GetStr = [Getter](TPersistent* o) -> ::String { return std::invoke(Getter, Self(o)); };
    p.SetStr = [Setter](TPersistent* o, const ::String& v) { std::invoke(Setter, Self(o), v); };
    return *this;
  }

  template <class F>
  TClassBuilder& WideString(const char* Name, F Field) {
    return WideString(Name, Field, FieldSetter(Field));
  }
  template <class G, class S>
  TClassBuilder& WideString(const char* Name, G Getter, S Setter) {
    TPropInfo& p = Add(Name, TPropKind::pkWideString);
    p.GetWStr = [Getter](TPersistent* o) -> ::WideString { return std::invoke(Getter, Self(o)); };
    p.SetWStr = [Setter](TPersistent* o, const ::WideString& v) { std::invoke(Setter, Self(o), v); };
    return *this;
  }

  // A nested persistent object owned by the instance, streamed as its own
  // properties under "Name.". Getter: a field or callable giving the object,
  // a pointer to it or a unique_ptr. The same for collections and string lists.
  template <class G>
  TClassBuilder& Object(const char* Name, G Getter) {
    AddObject(Name, TPropKind::pkClass, Getter);
    return *this;
  }
  template <class G>
  TClassBuilder& Collection(const char* Name, G Getter) {
    AddObject(Name, TPropKind::pkCollection, Getter);
    return *this;
  }
  template <class G>
  TClassBuilder& Strings(const char* Name, G Getter) {
    AddObject(Name, TPropKind::pkStrings, Getter);
    return *this;
  }

  // A reference to a component: a field of type C* or TComponentRef<C>, or a
  // getter and a setter of such a value.
  template <class F>
  TClassBuilder& Component(const char* Name, F Field) {
    return Component(Name, Field, FieldSetter(Field));
  }
  template <class G, class S>
  TClassBuilder& Component(const char* Name, G Getter, S Setter) {
    using V = ValueOf<G>;
    TPropInfo& p = Add(Name, TPropKind::pkComponent);
    p.GetComponent = [Getter](TPersistent* o) -> TComponent* { return ComponentOf(std::invoke(Getter, Self(o))); };
    p.SetComponent = [Setter](TPersistent* o, TComponent* c) {
      using C = typename RefTarget<V>::type;
      C* target = nullptr;
      if (c != nullptr) {
        target = dynamic_cast<C*>(c);
        if (target == nullptr) typinfo_detail::BadComponentClass(c);
      }
      std::invoke(Setter, Self(o), V(target));
    };
    return *this;
  }

  // Modifiers of the property added last.
  template <class V>
  TClassBuilder& Default(const V& Value) {
    static_assert(typinfo_detail::IsOrdinalValue<V>, "defaults are declared for ordinal properties");
    TPropInfo& p = Last("Default");
    p.HasDefault = true;
    p.Default = typinfo_detail::ToOrd(Value);
    return *this;
  }
  TClassBuilder& NoDefault() {
    Last("NoDefault").HasDefault = false;
    return *this;
  }
  TClassBuilder& Stored(bool Value) {
    if (Value)
      Last("Stored").IsStored = nullptr;
    else
      Last("Stored").IsStored = [](TPersistent*) { return false; };
    return *this;
  }
  // Predicate: a member function of T or a callable taking T&.
  template <class P>
  TClassBuilder& Stored(P Predicate) {
    Last("Stored").IsStored = [Predicate](TPersistent* o) -> bool { return std::invoke(Predicate, Self(o)); };
    return *this;
  }

  // The class info. A component class constructible from its owner gets a
  // factory new T(Owner).
  TClassInfo Build() const {
    TComponentFactory factory;
    if constexpr (std::is_base_of_v<TComponent, T> && std::is_constructible_v<T, TComponent*> && !std::is_abstract_v<T>)
      factory = [](TComponent* Owner) -> TComponent* { return new T(Owner); };
    return TClassInfo(FClassName, FParentName, std::move(factory), FProps);
  }
  // The info with a factory of one's own (for constructors taking more).
  TClassInfo Build(TComponentFactory Factory) const {
    return TClassInfo(FClassName, FParentName, std::move(Factory), FProps);
  }

 private:
  template <class G>
  using ValueOf = std::remove_cv_t<std::remove_reference_t<std::invoke_result_t<G, T&>>>;

  template <class V>
  struct RefTarget {
    using type = std::remove_pointer_t<V>;
  };
  template <class C>
  struct RefTarget<TComponentRef<C>> {
    using type = C;
  };

  template <class C>
  static TComponent* ComponentOf(C* Value) {
    return Value;
  }
  template <class C>
  static TComponent* ComponentOf(const TComponentRef<C>& Value) {
    return Value.Get();
  }

  static T& Self(TPersistent* Instance) {
    T* self = dynamic_cast<T*>(Instance);
    if (self == nullptr) typinfo_detail::BadInstance(Instance);
    return *self;
  }

  // The setter of a field: assigns the value.
  template <class M, class C>
  static auto FieldSetter(M C::*Field) {
    static_assert(!std::is_function_v<M>, "a getter needs a setter");
    return [Field](T& Object, const M& Value) { Object.*Field = Value; };
  }

  TPropInfo& Add(const char* Name, TPropKind Kind) {
    TPropInfo& p = FProps.emplace_back();
    p.Name = Name;
    p.Kind = Kind;
    return p;
  }
  TPropInfo& Last(const char* Modifier) {
    if (FProps.empty() || FProps.size() == FInherited) typinfo_detail::NoPropertyToModify(Modifier);
    return FProps.back();
  }

  template <class V, class G, class S>
  TPropInfo& AddOrdinal(const char* Name, TPropKind Kind, G Getter, S Setter) {
    TPropInfo& p = Add(Name, Kind);
    p.GetOrd = [Getter](TPersistent* o) -> int64_t { return typinfo_detail::ToOrd<V>(std::invoke(Getter, Self(o))); };
    p.SetOrd = [Setter](TPersistent* o, int64_t v) { std::invoke(Setter, Self(o), typinfo_detail::FromOrd<V>(v)); };
    return p;
  }

  template <class G, class S>
  TClassBuilder& AddFloat(const char* Name, TFloatType FloatType, G Getter, S Setter) {
    using V = ValueOf<G>;
    static_assert(std::is_floating_point_v<V>, "float properties take a floating-point value");
    TPropInfo& p = Add(Name, TPropKind::pkFloat);
    p.FloatType = FloatType;
    p.GetFloat = [Getter](TPersistent* o) -> double { return static_cast<double>(std::invoke(Getter, Self(o))); };
    p.SetFloat = [Setter](TPersistent* o, double v) { std::invoke(Setter, Self(o), static_cast<V>(v)); };
    return *this;
  }

  template <class G>
  void AddObject(const char* Name, TPropKind Kind, G Getter) {
    TPropInfo& p = Add(Name, Kind);
    p.GetObject = [Getter](TPersistent* o) -> TPersistent* { return AsPointer(std::invoke(Getter, Self(o))); };
  }
  // A member object, a plain pointer or a unique_ptr, as a pointer.
  template <class V>
  static TPersistent* AsPointer(V&& Value) {
    using D = std::remove_cv_t<std::remove_reference_t<V>>;
    if constexpr (std::is_pointer_v<D>)
      return Value;
    else if constexpr (std::is_base_of_v<TPersistent, D>)
      return &Value;
    else
      return Value.get();
  }

  ::String FClassName;
  ::String FParentName;
  std::vector<TPropInfo> FProps;
  size_t FInherited = 0;  // properties taken from the ancestors
};
