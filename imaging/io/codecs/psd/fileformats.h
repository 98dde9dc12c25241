// The registry of the picture classes: which class loads which extension. It
// keeps the platform picture class's registrations in step with its own.
// Start-up registers "psd" for TPSDGraphic (GraphicExInitialize); shutdown
// takes it back (GraphicExFinalize).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gui/graphics.h"

struct TClassEntry {
  TGraphicClass GraphicClass = nullptr;
  String Description;
  int32_t Count = 0;  // extensions registered for the class
};

struct TExtensionEntry {
  String Extension;
  String Description;
  uint8_t FileTypes = 0;  // stored only
  TClassEntry* ClassReference = nullptr;
};

class TFileFormatList {
 public:
  TFileFormatList() = default;
  ~TFileFormatList();
  TFileFormatList(const TFileFormatList&) = delete;
  TFileFormatList& operator=(const TFileFormatList&) = delete;

  // An extension already present raises EInvalidGraphic unless Replace; then
  // it moves to GraphicClass. Registers the extension with TPicture.
  void AddFormat(const String& Extension, const String& ClassDescription, const String& Description, uint8_t FileTypes,
                 bool Replace, bool CanCreate, TGraphicClass GraphicClass);
  // With an extension: that entry (an unknown one changes nothing). Without:
  // every extension of GraphicClass. TPicture forgets the removed extensions;
  // a class left without extensions leaves the list.
  void RemoveFormat(const String& Extension, TGraphicClass GraphicClass);
  void ClearAll();
  // Case-insensitive; -1 when absent or empty.
  int32_t IndexOfExtension(const String& Extension) const;
  int32_t IndexOfClass(TGraphicClass GraphicClass) const;

  int32_t ClassCount() const { return int32_t(FClassList.size()); }
  const TClassEntry& ClassEntry(int32_t Index) const { return *FClassList[size_t(Index)]; }
  int32_t ExtensionCount() const { return int32_t(FExtensionList.size()); }
  const TExtensionEntry& ExtensionEntry(int32_t Index) const { return *FExtensionList[size_t(Index)]; }

 private:
  TClassEntry* FindOrAddClass(TGraphicClass GraphicClass);
  void ReleaseClass(TClassEntry* Entry);

  std::vector<std::unique_ptr<TClassEntry>> FClassList;
  std::vector<std::unique_ptr<TExtensionEntry>> FExtensionList;
};

// The program's registry; nullptr outside GraphicExInitialize..Finalize.
TFileFormatList* FileFormatList();
void GraphicExInitialize();
void GraphicExFinalize();
