#include "platform/rtl/typinfo.h"

#include <map>
#include <mutex>

namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

String AsciiUpperCase(const String& s) {
  String r = s;
  for (char& c : r) c = AsciiUpper(c);
  return r;
}

bool AsciiSameText(const String& a, const String& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

// Every registered class by upper-cased name. Infos are never removed, so the
// pointers handed out stay valid.
class TClassRegistry {
 public:
  TClassRegistry() { Add(ComponentClassInfo()); }

  void Add(const TClassInfo& Info) {
    std::lock_guard<std::mutex> lock(FLock);
    String key = AsciiUpperCase(Info.ClassName());
    if (FClasses.find(key) == FClasses.end()) FClasses.emplace(key, std::make_unique<TClassInfo>(Info));
  }

  const TClassInfo* Find(const String& Name) {
    std::lock_guard<std::mutex> lock(FLock);
    auto it = FClasses.find(AsciiUpperCase(Name));
    return it == FClasses.end() ? nullptr : it->second.get();
  }

 private:
  std::mutex FLock;
  std::map<String, std::unique_ptr<TClassInfo>> FClasses;
};

TClassRegistry& Registry() {
  static TClassRegistry registry;
  return registry;
}

bool ColorToIdentFn(int32_t Value, String& Ident) { return ColorToIdent(Value, Ident); }
bool IdentToColorFn(const String& Ident, int32_t& Value) { return IdentToColor(Ident, Value); }

}  // namespace

// ---------------------------------------------------------------------------
// Type information

String GetEnumName(const TEnumTypeInfo& Info, int64_t Value) {
  if (Value < 0 || static_cast<uint64_t>(Value) >= Info.Names.size()) return String();
  return Info.Names[static_cast<size_t>(Value)];
}

int64_t GetEnumValue(const TEnumTypeInfo& Info, const String& Name) {
  for (size_t i = 0; i < Info.Names.size(); ++i)
    if (AsciiSameText(Info.Names[i], Name)) return static_cast<int64_t>(i);
  return -1;
}

const TEnumTypeInfo& TypeInfoBoolean() {
  static const TEnumTypeInfo info{"Boolean", {"False", "True"}};
  return info;
}

const TEnumTypeInfo& TypeInfoTFontStyle() {
  static const TEnumTypeInfo info{"TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}};
  return info;
}

const TEnumTypeInfo& TypeInfoTAlignment() {
  static const TEnumTypeInfo info{"TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"}};
  return info;
}

const TSetTypeInfo& TypeInfoTFontStyles() {
  static const TSetTypeInfo info{"TFontStyles", &TypeInfoTFontStyle()};
  return info;
}

const TIdentMapTypeInfo& TypeInfoTColor() {
  static const TIdentMapTypeInfo info{"TColor", &ColorToIdentFn, &IdentToColorFn};
  return info;
}

// ---------------------------------------------------------------------------
// Class infos

TClassInfo::TClassInfo(String AClassName, String AParentName, TComponentFactory AFactory, std::vector<TPropInfo> AProps)
    : FClassName(std::move(AClassName)),
      FParentName(std::move(AParentName)),
      FFactory(std::move(AFactory)),
      FProps(std::move(AProps)) {
  // A derived class may redeclare an ancestor's property: the later one wins
  // for look-ups by name.
  for (size_t i = 0; i < FProps.size(); ++i) FIndex[AsciiUpperCase(FProps[i].Name)] = i;
}

const TPropInfo* TClassInfo::FindProp(const String& Name) const {
  auto it = FIndex.find(AsciiUpperCase(Name));
  return it == FIndex.end() ? nullptr : &FProps[it->second];
}

const TClassInfo& ComponentClassInfo() {
  static const TClassInfo info = TClassBuilder<TComponent>("TComponent")
                                     .String("Name", &TComponent::Name, &TComponent::SetName)
                                     .Stored(false)
                                     .Int("Tag", &TComponent::Tag, &TComponent::SetTag)
                                     .Default(0)
                                     .Build();
  return info;
}

void RegisterClass(const TClassInfo& Info) { Registry().Add(Info); }

void RegisterClasses(std::initializer_list<const TClassInfo*> Infos) {
  for (const TClassInfo* info : Infos)
    if (info != nullptr) RegisterClass(*info);
}

const TClassInfo* GetClass(const String& ClassName) { return Registry().Find(ClassName); }

const TClassInfo& FindClass(const String& ClassName) {
  const TClassInfo* info = GetClass(ClassName);
  if (info == nullptr) throw EClassNotFound("Class %s not found", {ClassName});
  return *info;
}

const TClassInfo* GetClassInfo(const TPersistent* Instance) {
  return Instance == nullptr ? nullptr : GetClass(Instance->ClassName());
}

const TPropInfo* GetPropInfo(const TPersistent* Instance, const String& PropName) {
  const TClassInfo* info = GetClassInfo(Instance);
  return info == nullptr ? nullptr : info->FindProp(PropName);
}

// ---------------------------------------------------------------------------
// Builder errors

namespace typinfo_detail {

void BadInstance(TPersistent* Instance) {
  throw EInvalidCast("Property accessor applied to an object of class %s",
                     {String(Instance != nullptr ? Instance->ClassName() : "nil")});
}

void BadComponentClass(TComponent* Value) {
  throw EReadError("Invalid property value: a %s cannot be assigned here", {String(Value->ClassName())});
}

void NoPropertyToModify(const char* Modifier) {
  throw EInvalidOperation("%s needs a property declared before it", {String(Modifier)});
}

}  // namespace typinfo_detail
