// skintool: makes and inspects stored skins.
//
//   skintool pack INI OUT.skn    builds a container from a skin ini and its BMP files
//   skintool dump FILE.skn       version, pictures, ini sections and every description
//   skintool unpack FILE.skn DIR writes the ini text and the pictures as BMP files
//   skintool gen THEME.ini DIR   draws a skin from its theme: skin.ini and its BMP files
//   skintool lint FILE.skn       checks a container against the content contract
//   skintool shot --skin N --out DIR [FILE.skn]
//                                contact sheets of skin N (default N.skn of the build tree) as PNG
#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <typeinfo>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/files.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/safewriter.h"
#include "platform/rtl/stringlist.h"
#include "skin/engine/data/skindata.h"
#include "skin/engine/data/storedskin.h"
#include "skins/gen/generator.h"
#include "skins/gen/lint.h"
#include "skins/gen/sheets.h"

namespace {

struct TCommand {
  const char* Name;
  int ArgCount;
  std::function<int(char** Args)> Run;
};

int Fail(const String& Message) {
  std::fprintf(stderr, "skintool: %s\n", Message.c_str());
  return 1;
}

// The container's layout, read; false for a version above 3.
bool ReadContainer(const String& SknFileName, TbsSkinLayout& Layout) {
  TbsCompressedStoredSkin skin(nullptr);
  skin.LoadFromCompressedFile(SknFileName);
  if (skin.IsEmpty()) return false;
  TMemoryStream data;
  skin.DecompressToStream(&data);
  return ReadSkinLayout(&data, Layout);
}

int BitCount(const TBitmap* Bitmap) {
  static const int bits[] = {32, 1, 4, 8, 15, 16, 24, 32, 0};
  return bits[static_cast<int>(Bitmap->PixelFormat())];
}

void PrintPicture(const String& Name, const TBitmap* Bitmap) {
  if (Bitmap->Empty()) {
    std::printf("%s: none\n", Name.c_str());
    return;
  }
  std::printf("%s: %d x %d, %d bits\n", Name.c_str(), Bitmap->Width(), Bitmap->Height(), BitCount(Bitmap));
}

String ClassNameOf(const std::type_info& Type) {
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> name(abi::__cxa_demangle(Type.name(), nullptr, nullptr, &status),
                                                   &std::free);
  return status == 0 ? String(name.get()) : String(Type.name());
}

// A description as the ini text it writes: its class, then its keys.
template <class T>
void PrintDescription(const String& Title, T& Description) {
  TMemIniFile ini("");
  Description.SaveToIni(&ini);
  std::printf("\n%s: %s\n%s", Title.c_str(), ClassNameOf(typeid(Description)).c_str(), ini.GetText().c_str());
}

int Pack(char** Args) {
  TbsCompressedStoredSkin skin(nullptr);
  skin.LoadFromSkinIni(Args[0]);
  if (skin.IsEmpty()) return Fail(String(Args[0]) + " is not a skin ini");
  skin.SaveToCompressedFile(Args[1]);
  return 0;
}

int Dump(char** Args) {
  TbsSkinLayout layout;
  if (!ReadContainer(Args[0], layout)) return Fail(String(Args[0]) + ": empty or of a version above 3");
  std::printf("version %d\n", layout.Version);
  PrintPicture("picture", layout.MainPicture.get());
  PrintPicture("inactivepicture", layout.InactivePicture.get());
  PrintPicture("mask", layout.MaskPicture.get());
  for (size_t i = 0; i < layout.ActivePictures.size(); ++i)
    PrintPicture("activepicture " + IntToStr(int32_t(i)), layout.ActivePictures[i].get());

  TMemIniFile ini("");
  ini.SetText(layout.IniText);
  TStringList sections;
  ini.ReadSections(&sections);
  std::printf("sections:");
  for (int32_t i = 0; i < sections.Count(); ++i) std::printf(" %s", sections.Strings(i).c_str());
  std::printf("\n");

  TbsSkinContents contents;
  ReadSkinContents(layout.IniText, contents);
  std::printf("\nskinname=%s\nactivepictures=%d\n", contents.SkinName.c_str(), contents.ActivePictureNames->Count());
  PrintDescription("FORMINFO", contents.FormInfo);
  PrintDescription("POPUPWINDOW", contents.PopupWindowData);
  PrintDescription("HINTWINDOW", contents.HintWindowData);
  PrintDescription("SKINCOLORS", contents.SkinColors);
  for (auto& object : contents.SkinObjects) PrintDescription(object->SectionName, *object);
  for (auto& control : contents.ControlDescriptions) PrintDescription(control->SectionName, *control);
  return 0;
}

// A picture's file name from the ini, kept inside the target folder.
String PictureFileName(const String& Named, const String& Fallback) {
  const String name = ExtractFileName(Named);
  return name.empty() || name == "." || name == ".." ? Fallback : name;
}

int Unpack(char** Args) {
  TbsSkinLayout layout;
  if (!ReadContainer(Args[0], layout)) return Fail(String(Args[0]) + ": empty or of a version above 3");
  TbsSkinContents contents;
  ReadSkinContents(layout.IniText, contents);
  const String dir = IncludeTrailingPathDelimiter(Args[1]);
  SaveBytesToFile(dir + "skin.ini", layout.IniText.data(), layout.IniText.size());
  const std::pair<TBitmap*, String> named[] = {
      {layout.MainPicture.get(), PictureFileName(contents.MainPictureName, "picture.bmp")},
      {layout.InactivePicture.get(), PictureFileName(contents.InactivePictureName, "inactivepicture.bmp")},
      {layout.MaskPicture.get(), PictureFileName(contents.MaskPictureName, "mask.bmp")}};
  for (const auto& [bitmap, name] : named)
    if (!bitmap->Empty()) bitmap->SaveToFile(dir + name);
  for (int32_t i = 0; i < int32_t(layout.ActivePictures.size()); ++i) {
    const String fallback = "activepicture" + IntToStr(i) + ".bmp";
    const bool named = i < contents.ActivePictureNames->Count();
    layout.ActivePictures[i]->SaveToFile(
        dir + PictureFileName(named ? contents.ActivePictureNames->Strings(i) : fallback, fallback));
  }
  return 0;
}

int Gen(char** Args) {
  ForceDirectories(Args[1]);
  WriteSkinFiles(GenerateSkin(LoadThemeFile(Args[0])), Args[1]);
  return 0;
}

int Lint(char** Args) {
  const std::vector<TLintFailure> failures = LintSkinFile(Args[0]);
  for (const TLintFailure& f : failures)
    std::printf("%s: [%s] %s: %s\n", Args[0], f.Section.c_str(), f.Key.c_str(), f.Reason.c_str());
  return failures.empty() ? 0 : 1;
}

int Shot(char** Args) {
  if (String(Args[0]) != "--skin" || String(Args[2]) != "--out") return Fail("usage: shot --skin N --out DIR FILE.skn");
  const int32_t n = StrToInt(Args[1]);
  for (const String& f : WriteContactSheets(Args[4], n, Args[3])) std::printf("%s\n", f.c_str());
  return 0;
}

const TCommand kCommands[] = {{"pack", 2, Pack}, {"dump", 1, Dump}, {"unpack", 2, Unpack},
                              {"gen", 2, Gen},   {"lint", 1, Lint}, {"shot", 5, Shot}};

int Usage() {
  std::fprintf(stderr,
               "usage: skintool pack INI OUT.skn\n"
               "       skintool dump FILE.skn\n"
               "       skintool unpack FILE.skn DIR\n"
               "       skintool gen THEME.ini DIR\n"
               "       skintool lint FILE.skn\n"
               "       skintool shot --skin N --out DIR FILE.skn\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  for (const TCommand& c : kCommands) {
    if (String(argv[1]) != c.Name) continue;
    if (argc != c.ArgCount + 2) return Usage();
    try {
      return c.Run(argv + 2);
    } catch (const Exception& e) {
      return Fail(String(e.ClassName()) + ": " + e.Message());
    }
  }
  return Usage();
}
