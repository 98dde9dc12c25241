#include "imaging/io/codecs/psd/fileformats.h"

#include <algorithm>
#include <cctype>

#include "imaging/io/codecs/psd/graphicex.h"

namespace {

// String-table texts, empty in this program.
const String gesRegistration;  // formatted with the extension
const String gesPhotoshop;

bool SameText(const String& A, const String& B) {
  return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
         });
}

std::unique_ptr<TFileFormatList>& TheList() {
  static std::unique_ptr<TFileFormatList> list;
  return list;
}

}  // namespace

TFileFormatList::~TFileFormatList() { ClearAll(); }

int32_t TFileFormatList::IndexOfExtension(const String& Extension) const {
  if (Extension.empty()) return -1;
  for (size_t i = 0; i < FExtensionList.size(); ++i)
    if (SameText(FExtensionList[i]->Extension, Extension)) return int32_t(i);
  return -1;
}

int32_t TFileFormatList::IndexOfClass(TGraphicClass GraphicClass) const {
  for (size_t i = 0; i < FClassList.size(); ++i)
    if (FClassList[i]->GraphicClass == GraphicClass) return int32_t(i);
  return -1;
}

TClassEntry* TFileFormatList::FindOrAddClass(TGraphicClass GraphicClass) {
  const int32_t i = IndexOfClass(GraphicClass);
  if (i >= 0) return FClassList[size_t(i)].get();
  auto entry = std::make_unique<TClassEntry>();
  entry->GraphicClass = GraphicClass;
  FClassList.push_back(std::move(entry));
  return FClassList.back().get();
}

// One extension fewer for the class. The picture class is told which
// extensions the class still has; without any the class leaves the list.
void TFileFormatList::ReleaseClass(TClassEntry* Entry) {
  const TGraphicClass graphicClass = Entry->GraphicClass;
  TPicture::UnregisterGraphicClass(graphicClass);
  if (--Entry->Count > 0) {
    for (const auto& e : FExtensionList)
      if (e->ClassReference == Entry)
        TPicture::RegisterFileFormat(e->Extension, e->Description.empty() ? Entry->Description : e->Description,
                                     graphicClass);
    return;
  }
  const int32_t i = IndexOfClass(graphicClass);
  if (i >= 0) FClassList.erase(FClassList.begin() + i);
}

void TFileFormatList::AddFormat(const String& Extension, const String& ClassDescription, const String& Description,
                                uint8_t FileTypes, bool Replace, bool, TGraphicClass GraphicClass) {
  if (Extension.empty()) return;
  TClassEntry* classEntry = nullptr;
  const int32_t index = IndexOfExtension(Extension);
  if (index < 0) {
    classEntry = FindOrAddClass(GraphicClass);
    if (!ClassDescription.empty()) classEntry->Description = ClassDescription;
    auto entry = std::make_unique<TExtensionEntry>();
    entry->Extension = Extension;
    entry->Description = Description;
    entry->FileTypes = FileTypes;
    entry->ClassReference = classEntry;
    FExtensionList.push_back(std::move(entry));
    ++classEntry->Count;
  } else {
    if (!Replace) throw EInvalidGraphic(gesRegistration, {Extension});
    TExtensionEntry& entry = *FExtensionList[size_t(index)];
    classEntry = entry.ClassReference;
    if (classEntry->GraphicClass != GraphicClass) {
      TClassEntry* old = classEntry;
      classEntry = FindOrAddClass(GraphicClass);
      ++classEntry->Count;
      entry.ClassReference = classEntry;
      ReleaseClass(old);
    }
    if (!ClassDescription.empty()) classEntry->Description = ClassDescription;
    entry.Description = Description;
    entry.FileTypes = FileTypes;
  }
  TPicture::RegisterFileFormat(Extension, Description.empty() ? classEntry->Description : Description, GraphicClass);
}

void TFileFormatList::RemoveFormat(const String& Extension, TGraphicClass GraphicClass) {
  if (!Extension.empty()) {
    const int32_t index = IndexOfExtension(Extension);
    if (index < 0) return;
    TClassEntry* classEntry = FExtensionList[size_t(index)]->ClassReference;
    FExtensionList.erase(FExtensionList.begin() + index);
    ReleaseClass(classEntry);
    return;
  }
  const int32_t classIndex = IndexOfClass(GraphicClass);
  if (classIndex < 0) return;
  TClassEntry* classEntry = FClassList[size_t(classIndex)].get();
  for (int32_t i = int32_t(FExtensionList.size()) - 1; i >= 0 && classEntry->Count > 0; --i)
    if (FExtensionList[size_t(i)]->ClassReference == classEntry) {
      FExtensionList.erase(FExtensionList.begin() + i);
      --classEntry->Count;
    }
  FClassList.erase(FClassList.begin() + classIndex);
  TPicture::UnregisterGraphicClass(GraphicClass);
}

void TFileFormatList::ClearAll() {
  for (const auto& c : FClassList) TPicture::UnregisterGraphicClass(c->GraphicClass);
  FClassList.clear();
  FExtensionList.clear();
}

TFileFormatList* FileFormatList() { return TheList().get(); }

void GraphicExInitialize() {
  if (TheList()) return;
  TheList() = std::make_unique<TFileFormatList>();
  TheList()->AddFormat("psd", gesPhotoshop, String(), 10, false, true, &NewGraphic<TPSDGraphic>);
}

void GraphicExFinalize() {
  TFileFormatList* list = TheList().get();
  if (!list) return;
  list->RemoveFormat(String(), &NewGraphic<TPSDGraphic>);
  list->RemoveFormat("rle", &NewGraphic<TBitmap>);
  list->RemoveFormat("dib", &NewGraphic<TBitmap>);
  TheList().reset();
}
