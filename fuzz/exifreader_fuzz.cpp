// Fuzz target for the file-level EXIF reader: the input is written to a
// temporary .jpg and .tif file and read through the JPEG segment scan and the
// TIFF/NEF block mode; the head found is patched, written and merged into the
// input. Value texts must stay well-formed UTF-8 and patches must never
// change the size of the block they write into.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "imaging/io/metadata/exifreader.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"

namespace {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// A folder of this process for the input files, removed at exit.
class TScratch {
 public:
  TScratch() {
    const char* tmp = std::getenv("TMPDIR");
    String templ = String(tmp && *tmp ? tmp : "/tmp") + "/exifreader-fuzz-XXXXXX";
    if (mkdtemp(templ.data())) FDir = templ;
  }
  ~TScratch() {
    for (const char* name : {"input.jpg", "input.tif"}) std::remove(File(name).c_str());
    if (!FDir.empty()) rmdir(FDir.c_str());
  }
  String File(const char* name) const { return FDir + "/" + name; }
  bool Ok() const { return !FDir.empty(); }

 private:
  String FDir;
};

TScratch& Scratch() {
  static TScratch scratch;
  return scratch;
}

bool Put(const String& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

void Exercise(TimgData& d, const uint8_t* data, size_t size) {
  if (d.ExifInfo) {
    TImageInfo& e = *d.ExifInfo;
    const size_t blockSize = d.App1Segment ? d.App1Segment->Data.size() : 0;
    e.ParseThumbnailIFD();
    e.GetDateTimeOriginal();
    e.TagValueByName("FocalLengthin35mmFilm");
    e.GetTagByName("DateTimeOriginal");
    e.PatchResolution(300, 300);
    e.PatchImageSize(123, 45);
    e.PatchTagByName("Orientation", 1);
    if (d.App1Segment) {
      Check(d.App1Segment->Data.size() == blockSize);
      Check(e.BlockData == d.App1Segment->Data);
    }
    Check(IsValidUTF8(e.InfoText));
    Check(IsValidUTF8(e.ThumbnailText));
    for (const TTagEntry& t : e.Tags) Check(t.Tag != 0 && IsValidUTF8(t.Text));
    Check(e.CameraMake.size() <= 32 && e.CameraModel.size() <= 40);
    Check(e.DateTimeText.size() <= 20 && e.VersionText.size() <= 6);
  }

  TMemoryStream head;
  const int32_t written = d.WriteSegments(&head);
  Check(written + 2 == head.Size());

  TMemoryStream source;
  source.WriteBuffer(data, static_cast<int64_t>(size));
  TMemoryStream merged;
  if (d.MergeSegmentsIntoStream(&source, &merged)) {
    Check(merged.Position() == 0);
    Check(merged.Size() >= head.Size());
    Check(merged.Size() <= head.Size() + static_cast<int64_t>(size));
    const auto* bytes = static_cast<const uint8_t*>(merged.Memory());
    Check(bytes[0] == 0xFF && bytes[1] == 0xD8);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!Scratch().Ok()) return 0;
  for (const char* name : {"input.jpg", "input.tif"}) {
    const String path = Scratch().File(name);
    if (!Put(path, data, size)) continue;
    TimgData d(255);
    d.ReadFromFile(path);
    Check(d.SegmentCount >= 0 && d.SegmentCount <= 20);
    Exercise(d, data, size);
  }
  return 0;
}
