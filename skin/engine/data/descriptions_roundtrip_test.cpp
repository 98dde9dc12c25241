// Every description class written with SaveToIni and read back with
// LoadFromIni keeps every member: the test of the spelling of every key.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <vector>

#include "platform/rtl/stringlist.h"
#include "skin/engine/data/skincontroldata.h"
#include "skin/engine/data/skinobjects.h"

namespace {

// One description, whatever its class.
struct Subject {
  String Section;
  std::function<void(const TbsKeyVisitor&)> EnumKeys;
  std::function<void(TCustomIniFile*)> Save;
  std::function<void(TMemIniFile*)> Load;
  std::function<void()> Prepare;    // after the distinct values are set
  std::function<void()> AfterSave;  // what reading back does by design
  std::shared_ptr<void> Holder;
};

template <class T>
Subject SubjectOf(std::shared_ptr<T> D) {
  String section;
  if constexpr (requires { D->SectionName; }) section = D->SectionName;
  return {section,
          [D](const TbsKeyVisitor& v) { D->EnumKeys(v); },
          [D](TCustomIniFile* i) { D->SaveToIni(i); },
          [D](TMemIniFile* i) { D->LoadFromIni(i); },
          {},
          {},
          D};
}

template <class T>
Subject SectionSubject(const char* Section, std::shared_ptr<T> D) {
  Subject s = SubjectOf(D);
  s.Section = Section;
  return s;
}

struct SubjectCase {
  String Name;
  std::function<Subject()> Make;
};

void PrintTo(const SubjectCase& Case, std::ostream* Os) { *Os << Case.Name; }

template <class Base>
void AddKinds(std::vector<SubjectCase>& Cases, const String& Prefix, std::span<const TbsDescriptionKind<Base>> Kinds) {
  for (const TbsDescriptionKind<Base>& k : Kinds) {
    Cases.push_back({Prefix + k.Kind, [k] {
                       Subject s = SubjectOf<Base>(std::shared_ptr<Base>(k.Create("sect")));
                       auto* d = static_cast<Base*>(s.Holder.get());
                       if (auto* updown = dynamic_cast<TbsDataSkinUpDownControl*>(d))
                         s.AfterSave = [updown] {
                           updown->LeftTopPoint = updown->RightTopPoint = TPoint();
                           updown->LeftBottomPoint = updown->RightBottomPoint = TPoint();
                           updown->ClientRect = TRect();
                         };
                       if (auto* animate = dynamic_cast<TbsDataSkinAnimate*>(d))
                         s.AfterSave = [animate] { animate->Morphing = false; };
                       return s;
                     }});
  }
}

std::vector<SubjectCase> AllDescriptions() {
  std::vector<SubjectCase> cases;
  AddKinds(cases, "object_", SkinObjectKinds());
  AddKinds(cases, "control_", SkinControlKinds());
  cases.push_back({"skinobject", [] { return SubjectOf(std::make_shared<TbsDataSkinObject>("sect")); }});
  cases.push_back({"mainmenuitem", [] { return SubjectOf(std::make_shared<TbsDataSkinMainMenuItem>("sect")); }});
  cases.push_back({"control", [] { return SubjectOf(std::make_shared<TbsDataSkinControl>("sect")); }});
  cases.push_back({"customcontrol", [] { return SubjectOf(std::make_shared<TbsDataSkinCustomControl>("sect")); }});
  cases.push_back({"forminfo", [] {
                     auto info = std::make_shared<TbsSkinFormInfo>();
                     Subject s{"FORMINFO",
                               [info](const TbsKeyVisitor& v) { info->EnumKeys(v); },
                               [info](TCustomIniFile* i) { info->SaveToIni(i); },
                               [info](TMemIniFile* i) { info->LoadFromIni(i, false); },
                               {},
                               {},
                               info};
                     // Without a mask; corners sharing an X are not normalised.
                     s.Prepare = [info] { info->RightBottomPoint.X = info->LeftTopPoint.X; };
                     return s;
                   }});
  cases.push_back(
      {"popupwindow", [] { return SectionSubject("POPUPWINDOW", std::make_shared<TbsDataSkinPopupWindow>()); }});
  cases.push_back(
      {"hintwindow", [] { return SectionSubject("HINTWINDOW", std::make_shared<TbsDataSkinHintWindow>()); }});
  cases.push_back({"skincolors", [] { return SectionSubject("SKINCOLORS", std::make_shared<TbsSkinColors>()); }});
  return cases;
}

// Sets every member to a value of its own that no key has as its default.
void SetDistinctValues(Subject& S) {
  int32_t n = 1;
  S.EnumKeys([&n](const TbsKeyInfo&, const TbsKeyValue& value) {
    const int32_t base = n * 10;
    std::visit(
        [&](auto* v) {
          using V = std::remove_pointer_t<decltype(v)>;
          if constexpr (std::is_same_v<V, TRect>)
            *v = Rect(base + 1, base + 2, base + 3, base + 4);
          else if constexpr (std::is_same_v<V, TPoint>)
            *v = Point(base + 1, base + 2);
          else if constexpr (std::is_same_v<V, int32_t>)
            *v = base + 7;
          else if constexpr (std::is_same_v<V, bool>)
            *v = true;
          else if constexpr (std::is_same_v<V, TFontStyles>)
            *v = TFontStyles::FromBits(static_cast<uint64_t>(n % 15 + 1));
          else if constexpr (std::is_same_v<V, String>)
            *v = "v" + IntToStr(n);
          else if constexpr (std::is_same_v<V, TAlignment>)
            *v = static_cast<TAlignment>(n % 2);
          else if constexpr (std::is_same_v<V, TbsStretchType>)
            *v = static_cast<TbsStretchType>(1 + n % 2);
          else if constexpr (std::is_same_v<V, TbsMorphKind>)
            *v = static_cast<TbsMorphKind>(1 + n % 6);
          else if constexpr (std::is_same_v<V, TbsSkinEffect>)
            *v = static_cast<TbsSkinEffect>(1 + n % 5);
          else
            *v = static_cast<TbsStdCommand>(n % 6 < 4 ? n % 6 : n % 6 + 1);
        },
        value);
    ++n;
  });
}

String ValueText(const TbsKeyValue& Value) {
  return std::visit(
      [](auto* v) -> String {
        using V = std::remove_pointer_t<decltype(v)>;
        if constexpr (std::is_same_v<V, TRect>)
          return IntToStr(v->Left) + "," + IntToStr(v->Top) + "," + IntToStr(v->Right) + "," + IntToStr(v->Bottom);
        else if constexpr (std::is_same_v<V, TPoint>)
          return IntToStr(v->X) + "," + IntToStr(v->Y);
        else if constexpr (std::is_same_v<V, String>)
          return "'" + *v + "'";
        else if constexpr (std::is_same_v<V, TFontStyles>)
          return IntToStr(static_cast<int64_t>(v->ToBits()));
        else
          return IntToStr(static_cast<int64_t>(*v));
      },
      Value);
}

// key=value for every key, in reading order.
std::vector<String> Snapshot(Subject& S) {
  std::vector<String> lines;
  S.EnumKeys([&lines](const TbsKeyInfo& info, const TbsKeyValue& value) {
    lines.push_back(String(info.Key) + "=" + ValueText(value));
  });
  return lines;
}

class DescriptionRoundTrip : public testing::TestWithParam<SubjectCase> {};

TEST_P(DescriptionRoundTrip, EveryKeyReadsBackWhatWasWritten) {
  Subject original = GetParam().Make();
  SetDistinctValues(original);
  if (original.Prepare) original.Prepare();
  const std::vector<String> written = Snapshot(original);
  TMemIniFile ini("");
  original.Save(&ini);

  // Every key has a spelling of its own.
  TStringList keys;
  ini.ReadSection(original.Section, &keys);
  EXPECT_EQ(static_cast<size_t>(keys.Count()), written.size());

  Subject copy = GetParam().Make();
  copy.Load(&ini);
  if (original.AfterSave) original.AfterSave();
  EXPECT_EQ(Snapshot(copy), Snapshot(original));

  // The values written differ from what a missing key reads.
  Subject defaults = GetParam().Make();
  TMemIniFile empty("");
  defaults.Load(&empty);
  const std::vector<String> missing = Snapshot(defaults);
  for (size_t i = 0; i < written.size(); ++i) EXPECT_NE(written[i], missing[i]);
}

INSTANTIATE_TEST_SUITE_P(AllClasses, DescriptionRoundTrip, testing::ValuesIn(AllDescriptions()),
                         [](const testing::TestParamInfo<SubjectCase>& info) { return info.param.Name; });

}  // namespace
