// A stored skin: the zlib-compressed data of one skin (its pictures and ini
// text) kept in a form as the binary property "CompressedData", its builder
// from a skin ini and BMP files, the ".skn" file, and the reader of the
// inflated layout.
//
// Inflated layout (little-endian int32 unless said otherwise): version; a flag
// byte and, when it is 0, a BMP file for the main, inactive and mask picture
// each (version 2 has two more such pairs, read and dropped); n; n BMP files
// of the active pictures; the ini text up to the end. Each BMP's length is
// the size field of its own file header.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gui/graphics.h"
#include "platform/rtl/components.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/typinfo.h"

// The version the builder and the ".skn" writer write, and the highest read.
inline constexpr int32_t bsSkinDataVersion = 3;
// At most this many active pictures are read.
inline constexpr int32_t bsMaxActivePictures = 256;

class TbsCompressedStoredSkin : public TComponent {
 public:
  explicit TbsCompressedStoredSkin(TComponent* AOwner);
  ~TbsCompressedStoredSkin() override;
  const char* ClassName() const override { return "TbsCompressedStoredSkin"; }

  // Only stored: the builder and the ".skn" reader are called directly.
  const String& FileName() const { return FFileName; }
  void SetFileName(const String& Value) { FFileName = Value; }
  const String& CompressedFileName() const { return FCompressedFileName; }
  void SetCompressedFileName(const String& Value) { FCompressedFileName = Value; }
  const String& Description() const { return FDescription; }
  void SetDescription(const String& Value) { FDescription = Value; }

  // The compressed data (one zlib stream).
  TMemoryStream* PackedData() const { return FPackedData.get(); }
  bool IsEmpty() const { return FPackedData->Size() == 0; }
  // Inflates the whole held data into Target (see DecompressStream).
  void DecompressToStream(TMemoryStream* Target);

  // Builds the data from a skin ini and the BMP files it names beside it.
  // An ini without the sections of a skin changes nothing; a missing or bad
  // BMP raises and leaves the held data as it was.
  void LoadFromSkinIni(const String& IniFileName);
  // Reads a ".skn" file (version, size, compressed data). A version above 3
  // empties the container; a size beyond the file is EReadError and leaves
  // the held data as it was.
  void LoadFromCompressedFile(const String& SknFileName);
  // Writes the held data as a ".skn" file of version 3 (through a temporary
  // file renamed into place).
  void SaveToCompressedFile(const String& SknFileName) const;

 protected:
  void DefineProperties(TFiler* Filer) override;

 private:
  String FFileName;
  String FCompressedFileName;
  std::unique_ptr<TMemoryStream> FPackedData;
  String FDescription;
};

const TClassInfo& CompressedStoredSkinClassInfo();

// ---- The inflated layout -------------------------------------------------------

struct TbsSkinLayout {
  int32_t Version = 0;
  // Empty bitmaps when absent; never null.
  std::unique_ptr<TBitmap> MainPicture = std::make_unique<TBitmap>();
  std::unique_ptr<TBitmap> InactivePicture = std::make_unique<TBitmap>();
  std::unique_ptr<TBitmap> MaskPicture = std::make_unique<TBitmap>();
  std::vector<std::unique_ptr<TBitmap>> ActivePictures;
  String IniText;
};

// Reads the inflated data from its start. False, with nothing read further,
// for a version above 3. Every count and BMP size is checked against the
// bytes left before anything is made: EReadError for data cut short or an
// active-picture count beyond 256 or beyond what the data can hold,
// EInvalidGraphic for a BMP whose size field passes the end or that the
// bitmap reader rejects.
bool ReadSkinLayout(TStream* Data, TbsSkinLayout& Layout);

// Writes the layout of version 3: a flag byte and the BMP for each of the
// three pictures (1 and nothing for an empty one), n, the BMPs, then the
// text lines each ended by CR LF.
void WriteSkinLayout(TStream* Data, TBitmap* MainPicture, TBitmap* InactivePicture, TBitmap* MaskPicture,
                     const std::vector<std::unique_ptr<TBitmap>>& ActivePictures, TStrings* IniLines);
