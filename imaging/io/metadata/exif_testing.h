// Test fixtures of the metadata reader: TIFF structures, EXIF and JPEG
// segments assembled byte by byte, temporary folders, and running the
// independent tools of the cross-checks. Used by the *_test.cpp files only.
#pragma once

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imaging/io/metadata/exiftags.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/types.h"

namespace exiftest {

inline String Bytes(std::initializer_list<int> bytes) {
  String s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

inline String BE16(uint32_t v) { return Bytes({int(v >> 8) & 0xFF, int(v) & 0xFF}); }

// Numbers in a chosen byte order.
struct TOrder {
  bool Big;
  String U16(uint32_t v) const {
    return Big ? Bytes({int(v >> 8) & 0xFF, int(v) & 0xFF}) : Bytes({int(v) & 0xFF, int(v >> 8) & 0xFF});
  }
  String U32(uint32_t v) const {
    return Big ? Bytes({int(v >> 24) & 0xFF, int(v >> 16) & 0xFF, int(v >> 8) & 0xFF, int(v) & 0xFF})
               : Bytes({int(v) & 0xFF, int(v >> 8) & 0xFF, int(v >> 16) & 0xFF, int(v >> 24) & 0xFF});
  }
  String Rational(uint32_t n, uint32_t d) const { return U32(n) + U32(d); }
};

// A TIFF structure: header, then each directory followed by the values that
// do not fit in their entries. Links between directories are resolved when
// the structure is built.
class TTiffBuilder {
 public:
  explicit TTiffBuilder(bool bigEndian) : O{bigEndian} {}

  TOrder O;

  int AddIfd() {
    FIfds.emplace_back();
    return static_cast<int>(FIfds.size()) - 1;
  }
  // An entry whose value bytes are given in the builder's order.
  void Add(int ifd, uint16_t tag, uint16_t type, uint32_t count, const String& value) {
    FIfds[ifd].Entries.push_back({tag, type, count, value, -1, false});
  }
  void Ascii(int ifd, uint16_t tag, const String& text) {
    Add(ifd, tag, ttAscii, static_cast<uint32_t>(text.size() + 1), text + String(1, '\0'));
  }
  void Short(int ifd, uint16_t tag, uint16_t v) { Add(ifd, tag, ttShort, 1, O.U16(v)); }
  void Long(int ifd, uint16_t tag, uint32_t v) { Add(ifd, tag, ttLong, 1, O.U32(v)); }
  void Rational(int ifd, uint16_t tag, uint32_t n, uint32_t d) { Add(ifd, tag, ttRational, 1, O.Rational(n, d)); }
  // A LONG entry holding the offset of directory `target`.
  void Link(int ifd, uint16_t tag, int target) { FIfds[ifd].Entries.push_back({tag, ttLong, 1, "", target, false}); }
  // An entry whose 4-byte value field holds a raw offset, the value itself
  // left where the test says.
  void RawOffset(int ifd, uint16_t tag, uint16_t type, uint32_t count, uint32_t offset) {
    FIfds[ifd].Entries.push_back({tag, type, count, O.U32(offset), -1, true});
  }
  void Next(int ifd, int nextIfd) { FIfds[ifd].Next = nextIfd; }
  // Bytes appended after every directory (e.g. a thumbnail).
  void Trailer(const String& bytes) { FTrailer = bytes; }
  // Offset the header names for the first directory (default: its real one).
  void FirstOffsetOverride(uint32_t v) {
    FFirstOverride = v;
    FHasOverride = true;
  }

  // TIFF offset of directory i in the last Build.
  uint32_t IfdOffset(int i) const { return FOffsets[i]; }

  String Build() {
    // Pass 1: where each directory starts.
    FOffsets.assign(FIfds.size(), 0);
    uint32_t at = 8;
    for (size_t i = 0; i < FIfds.size(); ++i) {
      FOffsets[i] = at;
      at += 2 + 12 * static_cast<uint32_t>(FIfds[i].Entries.size()) + 4;
      for (const Entry& e : FIfds[i].Entries)
        if (e.Target < 0 && !e.Raw && e.Value.size() > 4)
          at += static_cast<uint32_t>((e.Value.size() + 1) & ~size_t(1));
    }
    FTrailerAt = at;
    String out = O.Big ? String("MM") : String("II");
    out += O.U16(42);
    out += O.U32(FHasOverride ? FFirstOverride : (FIfds.empty() ? 0 : FOffsets[0]));
    for (size_t i = 0; i < FIfds.size(); ++i) {
      const Ifd& d = FIfds[i];
      uint32_t data = FOffsets[i] + 2 + 12 * static_cast<uint32_t>(d.Entries.size()) + 4;
      String dataBytes;
      out += O.U16(static_cast<uint32_t>(d.Entries.size()));
      for (const Entry& e : d.Entries) {
        out += O.U16(e.Tag) + O.U16(e.Type) + O.U32(e.Count);
        if (e.Target >= 0) {
          out += O.U32(FOffsets[e.Target]);
        } else if (e.Raw || e.Value.size() <= 4) {
          out += (e.Value + String(4, '\0')).substr(0, 4);
        } else {
          out += O.U32(data);
          String v = e.Value;
          if (v.size() & 1) v += '\0';
          dataBytes += v;
          data += static_cast<uint32_t>(v.size());
        }
      }
      out += O.U32(d.Next >= 0 ? FOffsets[d.Next] : 0);
      out += dataBytes;
    }
    out += FTrailer;
    return out;
  }

  // TIFF offset of the trailer in the last Build.
  uint32_t TrailerOffset() const { return FTrailerAt; }

 private:
  struct Entry {
    uint16_t Tag;
    uint16_t Type;
    uint32_t Count;
    String Value;
    int Target;
    bool Raw;
  };
  struct Ifd {
    std::vector<Entry> Entries;
    int Next = -1;
  };
  std::vector<Ifd> FIfds;
  std::vector<uint32_t> FOffsets;
  String FTrailer;
  uint32_t FTrailerAt = 0;
  uint32_t FFirstOverride = 0;
  bool FHasOverride = false;
};

// FF marker, length, payload.
inline String Segment(int marker, const String& payload) {
  return Bytes({0xFF, marker}) + BE16(static_cast<uint32_t>(payload.size() + 2)) + payload;
}
inline String ExifApp1(const String& tiff) { return Segment(0xE1, String("Exif\0\0", 6) + tiff); }
inline String JfifApp0() { return Segment(0xE0, String("JFIF\0", 5) + Bytes({1, 1, 0, 0, 72, 0, 72, 0, 0})); }
inline String Comment(const String& text) { return Segment(0xFE, text); }
inline String Dqt() { return Segment(0xDB, String(1, '\0') + String(64, '\x01')); }
// SOS with a few scan bytes and EOI: enough for the segment walk.
inline String ScanAndEnd() {
  return Bytes({0xFF, 0xDA}) + BE16(8) + Bytes({1, 1, 0, 0, 0x3F, 0}) + String("scan-data") + Bytes({0xFF, 0xD9});
}
inline String Jpeg(const std::vector<String>& segments) {
  String s = Bytes({0xFF, 0xD8});
  for (const String& seg : segments) s += seg;
  return s + ScanAndEnd();
}

// The markers of a JPEG's segments from SOI up to and with SOS.
inline std::vector<int> Markers(const String& jpeg) {
  std::vector<int> out;
  size_t pos = 2;
  while (pos + 4 <= jpeg.size() && static_cast<uint8_t>(jpeg[pos]) == 0xFF) {
    const int m = static_cast<uint8_t>(jpeg[pos + 1]);
    out.push_back(m);
    if (m == 0xDA || m == 0xD9) break;
    pos += 2 + ((static_cast<uint8_t>(jpeg[pos + 2]) << 8) | static_cast<uint8_t>(jpeg[pos + 3]));
  }
  return out;
}

inline void WriteFile(const String& path, const String& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline String ReadFile(const String& path) {
  std::ifstream f(path, std::ios::binary);
  return String((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// A fresh folder under $HOME (a per-process folder given by the test main),
// removed with everything in it.
class TTempDir {
 public:
  TTempDir() {
    const char* home = std::getenv("HOME");
    String templ = String(home && *home ? home : "/tmp") + "/exif-XXXXXX";
    if (mkdtemp(templ.data())) FPath = templ;
  }
  ~TTempDir() {
    std::error_code ec;
    if (!FPath.empty()) std::filesystem::remove_all(FPath, ec);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  String File(const String& name) const { return FPath + "/" + name; }
  const String& Path() const { return FPath; }
  // Names in the folder, sorted.
  std::vector<String> Names() const {
    std::vector<String> names;
    for (const auto& e : std::filesystem::directory_iterator(FPath)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  String FPath;
};

inline bool HaveTool(const char* name) {
  const String cmd = String("command -v ") + name + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

inline String ShellQuote(const String& s) {
  String out = "'";
  for (char c : s) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

// Runs argv through the shell with quoted arguments; its standard output,
// and the exit status in *status.
inline String RunCapture(const std::vector<String>& argv, int* status = nullptr) {
  String cmd;
  for (const String& a : argv) cmd += ShellQuote(a) + " ";
  cmd += "2>/dev/null";
  String out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    const int rc = pclose(p);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  } else if (status) {
    *status = -1;
  }
  return out;
}

}  // namespace exiftest
