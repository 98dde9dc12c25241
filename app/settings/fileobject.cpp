#include "app/settings/fileobject.h"

#include "app/settings/marloutils.h"
#include "app/settings/natcompare.h"
#include "platform/rtl/files.h"
#include "platform/rtl/strings.h"

namespace {

// The extension with its dot; none for a name whose only dot leads it.
String ExtensionOf(const String& Path) {
  const String name = ExtractFileName(Path);
  return name.substr(NameWithoutExtension(Path).size());
}

template <class T>
int32_t ThreeWay(T A, T B) {
  return A < B ? -1 : (B < A ? 1 : 0);
}

}  // namespace

int32_t CompareByName(const TMyFileObject* A, const TMyFileObject* B) {
  return NaturalCompare(AnsiUpperCase(A->Path), AnsiUpperCase(B->Path));
}

int32_t CompareBySize(const TMyFileObject* A, const TMyFileObject* B) {
  if (int32_t r = ThreeWay(A->Size, B->Size)) return r;
  return CompareByName(A, B);
}

int32_t CompareByDate(const TMyFileObject* A, const TMyFileObject* B) {
  if (int32_t r = ThreeWay(A->PictureDate, B->PictureDate)) return r;
  return CompareByName(A, B);
}

int32_t CompareByType(const TMyFileObject* A, const TMyFileObject* B) {
  if (int32_t r =
          NaturalCompare(AnsiUpperCase(ExtensionOf(A->Path) + A->Path), AnsiUpperCase(ExtensionOf(B->Path) + B->Path)))
    return r;
  return CompareByName(A, B);
}

int32_t CompareByNameDesc(const TMyFileObject* A, const TMyFileObject* B) { return CompareByName(B, A); }
int32_t CompareBySizeDesc(const TMyFileObject* A, const TMyFileObject* B) { return CompareBySize(B, A); }
int32_t CompareByDateDesc(const TMyFileObject* A, const TMyFileObject* B) { return CompareByDate(B, A); }
int32_t CompareByTypeDesc(const TMyFileObject* A, const TMyFileObject* B) { return CompareByType(B, A); }
