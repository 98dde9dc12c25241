#include "imaging/io/core/iecounts.h"

#include <vector>

#include "imaging/io/codecs/bmp/ieico.h"
#include "imaging/io/codecs/gif/iegif.h"
#include "imaging/io/codecs/jpeg/iejpeg.h"
#include "imaging/io/codecs/pcx/iepcx.h"
#include "imaging/io/codecs/tiff/ietiffread.h"
#include "imaging/io/contract/ieformatcode.h"
#include "imaging/io/core/ieformats.h"
#include "imaging/io/core/ieimgio.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"

namespace {

template <typename F>
int32_t WithFile(const String& FileName, F&& Work) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  return Work(&stream);
}

}  // namespace

int32_t IECountTIFFPages(const String& FileName) {
  return WithFile(FileName, [](TStream* S) { return IETIFFPageCount(S); });
}

int32_t IECountGIFFrames(const String& FileName) {
  try {
    return IEScanGIFFrames(FileName, -1, false);
  } catch (...) {
    return 0;
  }
}

int32_t IECountDCXPages(const String& FileName) {
  return WithFile(FileName, [](TStream* S) { return IEDCXPageCount(S); });
}

int32_t IECountICOImages(const String& FileName) {
  return WithFile(FileName, [](TStream* S) { return IEICOImageCount(S); });
}

int32_t IEEstimateStreamJPEGQuality(TStream* Stream) {
  std::vector<int32_t> qualities;
  const int32_t n = IEJPEGTableQualities(Stream, qualities);
  if (n <= 0) return 0;
  int64_t sum = 0;
  for (int32_t i = 0; i < n; ++i) sum += qualities[size_t(i)];
  return int32_t(sum / n);
}

int32_t IEEstimateFileJPEGQuality(const String& FileName) {
  return WithFile(FileName, [](TStream* S) { return IEEstimateStreamJPEGQuality(S); });
}

int32_t IECountFileImages(const String& FileName) {
  const TIEFormatRecord* row = IEFindFormatByExtension(ExtractFileExt(FileName));
  if (row != nullptr && row->FileType != fcNone && row->FileType != fcAVI) {
    switch (row->FileType) {
      case fcTIFF: return IECountTIFFPages(FileName);
      case fcGIF: return IECountGIFFrames(FileName);
      case fcICO: return IECountICOImages(FileName);
      case fcDCX: return IECountDCXPages(FileName);
      default: return 1;
    }
  }
  // No format claims the name: a video, perhaps. A component of its own does
  // the work, with no view.
  TImgIO io;
  const int32_t frames = io.OpenMediaFile(FileName);
  io.CloseMediaFile();
  return frames;
}
