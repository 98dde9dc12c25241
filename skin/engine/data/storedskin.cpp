#include "skin/engine/data/storedskin.h"

#include <cstring>

#include "platform/rtl/filer.h"
#include "platform/rtl/files.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/safewriter.h"
#include "platform/rtl/stringlist.h"
#include "skin/engine/data/skinini.h"
#include "skin/engine/data/skinzlib.h"

namespace {

constexpr int64_t kBmpFileHeaderSize = 14;
// A file header and the smallest info header: no BMP is shorter.
constexpr int64_t kMinBmpSize = kBmpFileHeaderSize + 12;

int64_t BytesLeft(TStream* S) { return S->Size() - S->Position(); }

int32_t ReadInt32(TStream* S) {
  uint8_t b[4];
  S->ReadBuffer(b, 4);
  return static_cast<int32_t>(uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24);
}

void WriteInt32(TStream* S, int32_t Value) {
  const auto v = static_cast<uint32_t>(Value);
  const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  S->WriteBuffer(b, 4);
}

uint8_t ReadByte(TStream* S) {
  uint8_t b = 0;
  S->ReadBuffer(&b, 1);
  return b;
}

// The bitmap reader would read a file whose size field passes the end up to
// the end of its pixel data, taking the next picture's bytes: refuse it here.
void ReadBmp(TStream* S, TBitmap* Bitmap) {
  const int64_t start = S->Position();
  uint8_t header[kBmpFileHeaderSize];
  S->ReadBuffer(header, sizeof header);
  S->SetPosition(start);
  const uint32_t size =
      uint32_t{header[2]} | uint32_t{header[3]} << 8 | uint32_t{header[4]} << 16 | uint32_t{header[5]} << 24;
  if (std::memcmp(header, "BM", 2) != 0 || size > static_cast<uint64_t>(BytesLeft(S)))
    throw EInvalidGraphic("Bitmap image is not valid");
  Bitmap->LoadFromStream(S);
}

// A flag byte, then the BMP when the flag is 0; another flag leaves the
// bitmap empty.
void ReadFlaggedBmp(TStream* S, TBitmap* Bitmap) {
  if (ReadByte(S) == 0) ReadBmp(S, Bitmap);
}

void WriteFlaggedBmp(TStream* S, TBitmap* Bitmap) {
  const uint8_t flag = Bitmap->Empty() ? 1 : 0;
  S->WriteBuffer(&flag, 1);
  if (flag == 0) Bitmap->SaveToStream(S);
}

void LoadBmpFile(const String& Path, TBitmap* Bitmap) {
  TFileStream file(Path, fmOpenRead | fmShareDenyWrite);
  Bitmap->LoadFromStream(&file);
}

}  // namespace

// ---- TbsCompressedStoredSkin -----------------------------------------------------

TbsCompressedStoredSkin::TbsCompressedStoredSkin(TComponent* AOwner)
    : TComponent(AOwner), FPackedData(std::make_unique<TMemoryStream>()) {}

TbsCompressedStoredSkin::~TbsCompressedStoredSkin() = default;

void TbsCompressedStoredSkin::DecompressToStream(TMemoryStream* Target) { DecompressStream(Target, FPackedData.get()); }

void TbsCompressedStoredSkin::DefineProperties(TFiler* Filer) {
  TComponent::DefineProperties(Filer);
  Filer->DefineBinaryProperty(
      "CompressedData", [this](TStream* S) { FPackedData->LoadFromStream(S); },
      [this](TStream* S) { FPackedData->SaveToStream(S); }, true);
}

void TbsCompressedStoredSkin::LoadFromSkinIni(const String& IniFileName) {
  TStringList lines;
  lines.LoadFromFile(IniFileName);
  TMemIniFile ini("");
  ini.SetStrings(&lines);
  if (!CheckSkinIni(&ini)) return;

  const String folder = ExtractFilePath(IniFileName);
  TBitmap pictures[3];
  const char* const keys[3] = {"picture", "inactivepicture", "mask"};
  for (int i = 0; i < 3; ++i) {
    const String name = ini.ReadString("PICTURES", keys[i], "");
    if (!name.empty()) LoadBmpFile(folder + name, &pictures[i]);
  }
  TStringList names;
  ReadIniStrings(&ini, "PICTURES", "activepictures", &names);
  std::vector<std::unique_ptr<TBitmap>> active;
  for (int32_t i = 0; i < names.Count(); ++i) {
    active.push_back(std::make_unique<TBitmap>());
    LoadBmpFile(folder + names.Strings(i), active.back().get());
  }

  TMemoryStream layout;
  WriteSkinLayout(&layout, &pictures[0], &pictures[1], &pictures[2], active, &lines);
  auto packed = std::make_unique<TMemoryStream>();
  CompressStream(&layout, packed.get());
  FPackedData = std::move(packed);
}

void TbsCompressedStoredSkin::LoadFromCompressedFile(const String& SknFileName) {
  TFileStream file(SknFileName, fmOpenRead | fmShareDenyWrite);
  if (ReadInt32(&file) > bsSkinDataVersion) {
    FPackedData->Clear();
    return;
  }
  const int32_t size = ReadInt32(&file);
  if (size < 0 || size > BytesLeft(&file)) throw EReadError("Stream read error");
  auto packed = std::make_unique<TMemoryStream>();
  if (size > 0) packed->CopyFrom(&file, size);
  FPackedData = std::move(packed);
}

void TbsCompressedStoredSkin::SaveToCompressedFile(const String& SknFileName) const {
  TSafeFileWriter writer(SknFileName);
  WriteInt32(&writer.Stream(), bsSkinDataVersion);
  WriteInt32(&writer.Stream(), static_cast<int32_t>(FPackedData->Size()));
  FPackedData->SaveToStream(&writer.Stream());
  writer.Commit(true);
}

const TClassInfo& CompressedStoredSkinClassInfo() {
  using T = TbsCompressedStoredSkin;
  static const TClassInfo info = TClassBuilder<T>("TbsCompressedStoredSkin")
                                     .String("FileName", &T::FileName, &T::SetFileName)
                                     .String("CompressedFileName", &T::CompressedFileName, &T::SetCompressedFileName)
                                     .String("Description", &T::Description, &T::SetDescription)
                                     .Build();
  return info;
}

// ---- The inflated layout --------------------------------------------------------

bool ReadSkinLayout(TStream* Data, TbsSkinLayout& Layout) {
  Data->SetPosition(0);
  Layout.Version = ReadInt32(Data);
  if (Layout.Version > bsSkinDataVersion) return false;
  ReadFlaggedBmp(Data, Layout.MainPicture.get());
  ReadFlaggedBmp(Data, Layout.InactivePicture.get());
  ReadFlaggedBmp(Data, Layout.MaskPicture.get());
  if (Layout.Version == 2) {
    TBitmap scratch;
    ReadFlaggedBmp(Data, &scratch);
    ReadFlaggedBmp(Data, &scratch);
  }
  const int32_t count = ReadInt32(Data);
  if (count > bsMaxActivePictures || int64_t{count} * kMinBmpSize > BytesLeft(Data))
    throw EReadError("Stream read error");
  for (int32_t i = 0; i < count; ++i) {
    Layout.ActivePictures.push_back(std::make_unique<TBitmap>());
    ReadBmp(Data, Layout.ActivePictures.back().get());
  }
  Layout.IniText.resize(static_cast<size_t>(BytesLeft(Data)));
  Data->ReadBuffer(Layout.IniText.data(), static_cast<int64_t>(Layout.IniText.size()));
  return true;
}

void WriteSkinLayout(TStream* Data, TBitmap* MainPicture, TBitmap* InactivePicture, TBitmap* MaskPicture,
                     const std::vector<std::unique_ptr<TBitmap>>& ActivePictures, TStrings* IniLines) {
  WriteInt32(Data, bsSkinDataVersion);
  WriteFlaggedBmp(Data, MainPicture);
  WriteFlaggedBmp(Data, InactivePicture);
  WriteFlaggedBmp(Data, MaskPicture);
  WriteInt32(Data, static_cast<int32_t>(ActivePictures.size()));
  for (const auto& b : ActivePictures) b->SaveToStream(Data);
  for (int32_t i = 0; i < IniLines->Count(); ++i) {
    const String line = IniLines->Strings(i) + "\r\n";
    Data->WriteBuffer(line.data(), static_cast<int64_t>(line.size()));
  }
}
