// The AVI reader over a file holding the input: open, then the first and
// last frames decoded as the component does (packed DIB to bitmap).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "imaging/io/media/ieavi.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iedib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/avi-fuzz-" + std::to_string(getpid()) + ".avi";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return 0;
  const bool written = size == 0 || std::fwrite(data, 1, size, f) == size;
  std::fclose(f);
  if (!written) return 0;
  TIEAVIReader reader;
  if (reader.Open(path)) {
    for (uint32_t n : {0u, reader.Length() - 1}) {
      std::vector<uint8_t> dib;
      if (reader.GetFrame(n, dib)) {
        TIEBitmap bitmap;
        DIBToIEBitmap(dib, &bitmap);
      }
    }
  }
  std::remove(path.c_str());
  return 0;
}
