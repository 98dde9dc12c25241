// Skins made by the tests (included by *_test.cpp only): a skin folder
// (ini and BMP files) for the builder, the inflated layout written byte by
// byte, and containers packed from either.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/graphics.h"
#include "platform/rtl/safewriter.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/tools_testing.h"
#include "skin/engine/data/storedskin.h"
#include "skin/engine/data/skinzlib.h"

// A Width x Height bitmap of PixelFormat whose pixels depend on Seed.
inline std::unique_ptr<TBitmap> PatternBitmap(int32_t Width, int32_t Height, TPixelFormat Format, uint8_t Seed) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(Format);
  b->SetSize(Width, Height);
  const int32_t rowBytes = Width * 3;  // enough of every format's row that is filled
  for (int32_t y = 0; y < Height; ++y) {
    uint8_t* row = b->ScanLine(y);
    const int32_t bytes = Format == TPixelFormat::pf24bit ? rowBytes : Format == TPixelFormat::pf8bit ? Width : 1;
    for (int32_t x = 0; x < bytes; ++x) row[x] = static_cast<uint8_t>(Seed + x * 7 + y * 13);
  }
  return b;
}

// The BMP file of a bitmap.
inline String BmpBytes(TBitmap* Bitmap) {
  TStringStream s;
  Bitmap->SaveToStream(&s);
  return s.DataString();
}

inline bool SamePixels(TBitmap* A, TBitmap* B) { return BmpBytes(A) == BmpBytes(B); }

// A skin ini with every section a skin needs: two active pictures, a caption
// object and two button descriptions of the same name (plus one in another
// case), and whatever Extra adds.
inline String FixtureSkinIni(const String& PicturesExtra = "", const String& Extra = "") {
  return "[VERSION]\r\nskinname=Fixture\r\nskinauthor=Tests\r\n"
         "[PICTURES]\r\npicture=main.bmp\r\n" +
         PicturesExtra +
         "activepicturescount=2\r\n0=a0.bmp\r\n1=a1.bmp\r\n"
         "[FORMINFO]\r\nclientrect=5,20,35,28\r\nbgpictureindex=1\r\nborderwidth=3\r\n"
         "[SKINOBJECTS]\r\ncount=1\r\n0=title:caption\r\n"
         "[title]\r\nskinrect=0,0,40,18\r\nfontcolor=255\r\n"
         "[SKINCONTROLS]\r\ncount=3\r\n0=button:button\r\n1=button:panel\r\n2=Button2:button\r\n"
         "[button]\r\npictureindex=0\r\nskinrect=1,2,11,12\r\n"
         "[Button2]\r\npictureindex=1\r\n" +
         Extra;
}

// The folder of a skin: skin.ini, main.bmp (40 x 30, 8 bits) and the active
// pictures a0.bmp (16 x 8, 24 bits) and a1.bmp (9 x 5, 1 bit).
class TSkinFolder {
 public:
  explicit TSkinFolder(const String& Ini = FixtureSkinIni()) {
    Main = PatternBitmap(40, 30, TPixelFormat::pf8bit, 1);
    Active.push_back(PatternBitmap(16, 8, TPixelFormat::pf24bit, 2));
    Active.push_back(PatternBitmap(9, 5, TPixelFormat::pf1bit, 3));
    Main->SaveToFile(Dir.File("main.bmp"));
    Active[0]->SaveToFile(Dir.File("a0.bmp"));
    Active[1]->SaveToFile(Dir.File("a1.bmp"));
    SaveBytesToFile(IniPath(), Ini.data(), Ini.size());
  }
  String IniPath() const { return Dir.File("skin.ini"); }

  TTestTempDir Dir;
  std::unique_ptr<TBitmap> Main;
  std::vector<std::unique_ptr<TBitmap>> Active;
};

// The inflated layout written field by field.
struct TLayoutBytes {
  String Bytes;
  TLayoutBytes& Int(int32_t V) {
    const auto u = static_cast<uint32_t>(V);
    for (int i = 0; i < 4; ++i) Bytes.push_back(static_cast<char>(u >> (8 * i)));
    return *this;
  }
  TLayoutBytes& Byte(uint8_t V) {
    Bytes.push_back(static_cast<char>(V));
    return *this;
  }
  TLayoutBytes& Raw(const String& S) {
    Bytes += S;
    return *this;
  }
};

// Deflated bytes, as a container holds them.
inline String Deflate(const String& Plain) {
  TStringStream source(Plain), target;
  CompressStream(&source, &target);
  return target.DataString();
}

inline String Inflate(TbsCompressedStoredSkin* Container) {
  TMemoryStream m;
  Container->DecompressToStream(&m);
  return String(static_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size()));
}

// Makes Container hold Packed as its compressed data.
inline void SetPacked(TbsCompressedStoredSkin* Container, const String& Packed) {
  Container->PackedData()->Clear();
  Container->PackedData()->WriteBuffer(Packed.data(), static_cast<int64_t>(Packed.size()));
}

// A layout of version Version with the fixture's pictures (main picture
// only; with Version 2 two extra pictures) and Ini as its text.
inline String FixtureLayout(int32_t Version, TSkinFolder& Folder, const String& Ini) {
  TLayoutBytes l;
  l.Int(Version).Byte(0).Raw(BmpBytes(Folder.Main.get())).Byte(1).Byte(1);
  if (Version == 2) l.Byte(0).Raw(BmpBytes(Folder.Active[1].get())).Byte(1);
  l.Int(2).Raw(BmpBytes(Folder.Active[0].get())).Raw(BmpBytes(Folder.Active[1].get())).Raw(Ini);
  return l.Bytes;
}
