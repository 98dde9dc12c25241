// Test support of the EXIF block unit: a small builder of EXIF payloads
// ("Exif", two zero bytes, then a TIFF structure in either byte order) with
// IFD 0, an EXIF sub-IFD and an IFD 1 whose data is placed before it; and a
// record with the EXIF fields of a typical camera picture.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/io/contract/ieparams.h"

namespace exiftest {

using TBytes = std::vector<uint8_t>;

struct TEntry {
  uint16_t Tag = 0;
  uint16_t Type = 0;
  std::vector<int64_t> Values;  // SHORT, LONG; numerator/denominator pairs for (S)RATIONAL
  TBytes Raw;                   // BYTE, ASCII, UNDEFINED
};

inline TEntry Short(uint16_t Tag, std::vector<int64_t> V) { return {Tag, 3, std::move(V), {}}; }
inline TEntry Long(uint16_t Tag, std::vector<int64_t> V) { return {Tag, 4, std::move(V), {}}; }
inline TEntry Rational(uint16_t Tag, int64_t Num, int64_t Den) { return {Tag, 5, {Num, Den}, {}}; }
inline TEntry SRational(uint16_t Tag, int64_t Num, int64_t Den) { return {Tag, 10, {Num, Den}, {}}; }
inline TEntry Ascii(uint16_t Tag, const std::string& S) {
  TBytes b(S.begin(), S.end());
  b.push_back(0);
  return {Tag, 2, {}, b};
}
inline TEntry Undefined(uint16_t Tag, const std::string& S) { return {Tag, 7, {}, TBytes(S.begin(), S.end())}; }
inline TEntry ByteArray(uint16_t Tag, const TBytes& B) { return {Tag, 1, {}, B}; }

struct TExifLayout {
  std::vector<TEntry> IFD0;
  std::vector<TEntry> Exif;    // the sub-IFD, left out when empty
  std::vector<TEntry> IFD1;    // left out when empty
  TBytes ThumbnailData;        // placed before IFD 1
  bool JPEGThumbnail = false;  // data referenced by 513/514, else by 273/279
};

class TExifBuilder {
 public:
  explicit TExifBuilder(bool BigEndian) : FBig(BigEndian) {}

  // The whole APP1 payload.
  TBytes Block(TExifLayout L) {
    FOut = {FBig ? uint8_t('M') : uint8_t('I'), FBig ? uint8_t('M') : uint8_t('I')};
    Put(FOut, 42, 2);
    Put(FOut, 8, 4);
    if (!L.Exif.empty()) L.IFD0.push_back(Long(34665, {0}));
    size_t exifLink = 0, next0 = 0;
    WriteIFD(L.IFD0, &next0, &exifLink);
    if (!L.Exif.empty()) Patch(exifLink, WriteIFD(L.Exif, nullptr, nullptr));
    if (!L.IFD1.empty()) {
      if (!L.ThumbnailData.empty()) {
        const auto at = static_cast<int64_t>(FOut.size());
        FOut.insert(FOut.end(), L.ThumbnailData.begin(), L.ThumbnailData.end());
        if (FOut.size() & 1) FOut.push_back(0);
        const auto n = static_cast<int64_t>(L.ThumbnailData.size());
        L.IFD1.push_back(Long(L.JPEGThumbnail ? 513 : 273, {at}));
        L.IFD1.push_back(Long(L.JPEGThumbnail ? 514 : 279, {n}));
      }
      Patch(next0, WriteIFD(L.IFD1, nullptr, nullptr));
    }
    TBytes b = {'E', 'x', 'i', 'f', 0, 0};
    b.insert(b.end(), FOut.begin(), FOut.end());
    return b;
  }

 private:
  void Put(TBytes& B, uint64_t V, int Size) const {
    for (int k = 0; k < Size; ++k) B.push_back(static_cast<uint8_t>(V >> (8 * (FBig ? Size - 1 - k : k))));
  }
  void Patch(size_t At, uint32_t V) {
    for (int k = 0; k < 4; ++k) FOut[At + size_t(FBig ? 3 - k : k)] = static_cast<uint8_t>(V >> (8 * k));
  }
  TBytes Value(const TEntry& E) const {
    if (E.Type == 1 || E.Type == 2 || E.Type == 7) return E.Raw;
    TBytes b;
    for (int64_t v : E.Values) Put(b, static_cast<uint64_t>(v), E.Type == 3 ? 2 : 4);
    return b;
  }
  static uint32_t Count(const TEntry& E) {
    if (E.Type == 1 || E.Type == 2 || E.Type == 7) return static_cast<uint32_t>(E.Raw.size());
    return static_cast<uint32_t>(E.Type == 5 || E.Type == 10 ? E.Values.size() / 2 : E.Values.size());
  }
  // The directory, then its long values; answers its position. Next receives
  // where its next-IFD link lies, ExifAt where the value of 34665 lies.
  uint32_t WriteIFD(std::vector<TEntry> Entries, size_t* Next, size_t* ExifAt) {
    std::stable_sort(Entries.begin(), Entries.end(), [](const TEntry& a, const TEntry& b) { return a.Tag < b.Tag; });
    const size_t start = FOut.size();
    size_t values = start + 2 + 12 * Entries.size() + 4;
    TBytes tail;
    Put(FOut, Entries.size(), 2);
    for (const TEntry& e : Entries) {
      Put(FOut, e.Tag, 2);
      Put(FOut, e.Type, 2);
      Put(FOut, Count(e), 4);
      TBytes v = Value(e);
      if (e.Tag == 34665 && ExifAt != nullptr) *ExifAt = FOut.size();
      if (v.size() <= 4) {
        v.resize(4, 0);
        FOut.insert(FOut.end(), v.begin(), v.end());
      } else {
        Put(FOut, values + tail.size(), 4);
        tail.insert(tail.end(), v.begin(), v.end());
        if (tail.size() & 1) tail.push_back(0);
      }
    }
    if (Next != nullptr) *Next = FOut.size();
    Put(FOut, 0, 4);
    FOut.insert(FOut.end(), tail.begin(), tail.end());
    return static_cast<uint32_t>(start);
  }

  bool FBig;
  TBytes FOut;
};

// A record with the EXIF fields a camera picture typically carries.
inline void CameraFields(TIOParamsVals& P) {
  P.HasEXIFData = true;
  P.EXIFImageDescription = "A lake";
  P.EXIFMake = "Maker";
  P.EXIFModel = "Model 7";
  P.SetEXIFOrientation(6);
  P.SetEXIFXResolution(300);
  P.SetEXIFYResolution(300);
  P.EXIFResolutionUnit = 2;
  P.EXIFSoftware = "Pictoval";
  P.EXIFDateTime = "2024:05:01 10:20:30";
  P.EXIFYCbCrPositioning = 1;
  P.EXIFExposureTime = 0.008;
  P.EXIFFNumber = 2.8;
  P.EXIFExposureProgram = 2;
  P.SetEXIFISOSpeedRatings(0, 200);
  P.EXIFVersion = "0230";
  P.EXIFDateTimeOriginal = "2024:05:01 10:20:30";
  P.EXIFDateTimeDigitized = "2024:05:01 10:20:30";
  P.EXIFShutterSpeedValue = -1.5;
  P.EXIFApertureValue = 2.97;
  P.EXIFBrightnessValue = -1.25;
  P.EXIFExposureBiasValue = -0.7;
  P.EXIFMeteringMode = 5;
  P.EXIFFlash = 16;
  P.EXIFFocalLength = 35;
  P.EXIFFlashPixVersion = "0100";
  P.EXIFColorSpace = 1;
  P.EXIFImageWidth = 64;
  P.EXIFImageHeight = 48;
  P.EXIFFocalPlaneResolutionUnit = 2;
  P.EXIFSensingMethod = 2;
  P.EXIFFileSource = 3;
  P.EXIFSceneType = 1;
  P.EXIFUserCommentCode = std::string("ASCII\0\0\0", 8);
  P.EXIFUserComment = "hello";
  P.EXIFXPTitle = u"Lake";
}

}  // namespace exiftest
