#include "app/settings/fileobject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using TComparator = int32_t (*)(const TMyFileObject*, const TMyFileObject*);

TMyFileObject Make(const String& Path, int64_t Size = 0, TDateTime PictureDate = 0) {
  TMyFileObject o;
  o.Path = Path;
  o.Name = Path.substr(Path.rfind('/') + 1);
  o.Size = Size;
  o.PictureDate = PictureDate;
  return o;
}

// The names in the order the comparator sorts them.
std::vector<String> Sorted(std::vector<TMyFileObject> Items, TComparator Compare) {
  std::vector<const TMyFileObject*> p;
  for (const TMyFileObject& o : Items) p.push_back(&o);
  std::stable_sort(p.begin(), p.end(), [Compare](auto* a, auto* b) { return Compare(a, b) < 0; });
  std::vector<String> names;
  for (const TMyFileObject* o : p) names.push_back(o->Name);
  return names;
}

using Names = std::vector<String>;

TEST(AppFileObject, NewRecordIsZero) {
  TMyFileObject o;
  EXPECT_TRUE(o.Path.empty() && o.Name.empty());
  EXPECT_FALSE(o.IsFolder);
  EXPECT_EQ(o.Size, 0);
  EXPECT_EQ(o.FileDate, 0);
  EXPECT_EQ(o.PictureDate, 0);
}

TEST(AppFileObject, NameOrderIsNaturalOnUpperCasedPaths) {
  const std::vector<TMyFileObject> items = {Make("/p/img10.jpg"), Make("/p/IMG9.jpg"),
                                            Make("/p/img_a.jpg"), Make("/p/img-a.jpg"),
                                            Make("/p/Img.jpg"),   Make("/p/\xC3\xA9t\xC3\xA9.jpg")};
  EXPECT_EQ(Sorted(items, CompareByName),
            (Names{"Img.jpg", "img-a.jpg", "img_a.jpg", "IMG9.jpg", "img10.jpg", "\xC3\xA9t\xC3\xA9.jpg"}));
  EXPECT_EQ(Sorted(items, CompareByNameDesc),
            (Names{"\xC3\xA9t\xC3\xA9.jpg", "img10.jpg", "IMG9.jpg", "img_a.jpg", "img-a.jpg", "Img.jpg"}));
  // Upper-casing is Unicode's: "é" and "É" are the same name.
  const TMyFileObject lower = Make("/p/\xC3\xA9.jpg"), upper = Make("/p/\xC3\x89.JPG");
  EXPECT_EQ(CompareByName(&lower, &upper), 0);
  // Nothing breaks a tie of equal values.
  const TMyFileObject a01 = Make("/p/A01.jpg"), a1 = Make("/p/a1.jpg");
  EXPECT_EQ(CompareByName(&a01, &a1), 0);
  EXPECT_EQ(CompareByNameDesc(&a01, &a1), 0);
}

TEST(AppFileObject, SizeOrderIsThreeWayOn64Bits) {
  const int64_t GiB = 1LL << 30;
  const std::vector<TMyFileObject> items = {Make("/p/b.jpg", 5 * GiB + 10), Make("/p/a.jpg", 10), Make("/p/c.jpg", 10),
                                            Make("/p/d.jpg", -1 + 3 * GiB)};
  EXPECT_EQ(Sorted(items, CompareBySize), (Names{"a.jpg", "c.jpg", "d.jpg", "b.jpg"}));
  // Largest first, equal sizes by descending name.
  EXPECT_EQ(Sorted(items, CompareBySizeDesc), (Names{"b.jpg", "d.jpg", "c.jpg", "a.jpg"}));
  // 5 GiB apart: a 32-bit difference would wrap to 0 and fall to the name.
  EXPECT_LT(CompareBySize(&items[1], &items[0]), 0);
  EXPECT_GT(CompareBySize(&items[0], &items[1]), 0);
}

TEST(AppFileObject, DateOrderWithUndatedFirst) {
  const std::vector<TMyFileObject> items = {Make("/p/late.jpg", 0, 45000.5), Make("/p/none.jpg"),
                                            Make("/p/early.jpg", 0, 40000), Make("/p/also.jpg", 0, 45000.5)};
  EXPECT_EQ(Sorted(items, CompareByDate), (Names{"none.jpg", "early.jpg", "also.jpg", "late.jpg"}));
  EXPECT_EQ(Sorted(items, CompareByDateDesc), (Names{"late.jpg", "also.jpg", "early.jpg", "none.jpg"}));
}

TEST(AppFileObject, TypeOrderGroupsByExtension) {
  const std::vector<TMyFileObject> items = {Make("/p/b.jpg"),  Make("/p/a.GIF"),  Make("/p/c.gif"),
                                            Make("/p/a.jpg"),  Make("/p/noext"),  Make("/p/.profile"),
                                            Make("/q/a.jpeg"), Make("/p/x2.png"), Make("/p/x10.png")};
  // The extension's "." sorts first, so names without one come last.
  EXPECT_EQ(Sorted(items, CompareByType),
            (Names{"a.GIF", "c.gif", "a.jpeg", "a.jpg", "b.jpg", "x2.png", "x10.png", ".profile", "noext"}));
  EXPECT_EQ(Sorted(items, CompareByTypeDesc),
            (Names{"noext", ".profile", "x10.png", "x2.png", "b.jpg", "a.jpg", "a.jpeg", "c.gif", "a.GIF"}));
}

}  // namespace
