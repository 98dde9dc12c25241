// The TIFF writer's Insert mode over arbitrary bytes taken as the existing
// file: a small page is added at the index the first byte chooses, after an
// optional 12-byte block. Nothing may throw or loop; a stream that is not a
// little-endian TIFF is left as it was; otherwise the old bytes change in at
// most one 4-byte link after the header's magic, and the new page is
// reachable from it.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/io/codecs/tiff/ietiffread.h"
#include "imaging/io/codecs/tiff/ietiffwrite.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/ieprogress.h"
#include "platform/rtl/streams.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

uint32_t Get32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1 << 20)) return 0;
  IEInstallTIFFLZWHooks();
  const uint8_t control = data[0];
  const int32_t index = (control & 7) - 2;  // -2 .. 5
  const size_t prefix = (control & 8) ? 12 : 0;
  const bool bilevel = (control & 16) != 0;
  const std::vector<uint8_t> existing(data + 1, data + size);

  TMemoryStream stream;
  const std::vector<uint8_t> block(prefix, 0x5A);
  if (prefix) stream.Write(block.data(), static_cast<int32_t>(prefix));
  if (!existing.empty()) stream.Write(existing.data(), static_cast<int32_t>(existing.size()));
  stream.Seek(static_cast<int64_t>(prefix), soBeginning);

  TIEBitmap page;
  page.Allocate(bilevel ? 17 : 3, 2, bilevel ? TIEPixelFormat::ie1g : TIEPixelFormat::ie24RGB);
  page.Fill(0.5);
  TIOParamsVals params;
  params.TIFFImageIndex = index;
  params.TIFFCompression = bilevel ? TIETIFFCompression::tcG4Fax : TIETIFFCompression::tcLZW;
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  int32_t result = -1;
  try {
    result = IEEncodeTIFF(&stream, true, &page, params, progress);
  } catch (...) {
    Check(false);
  }

  const auto* out = static_cast<const uint8_t*>(stream.Memory());
  const size_t total = static_cast<size_t>(stream.Size());
  const size_t old = prefix + existing.size();
  Check(total >= old);
  if (prefix) Check(std::memcmp(out, block.data(), prefix) == 0);
  const bool isTiff =
      existing.size() >= 8 && existing[0] == 'I' && existing[1] == 'I' && existing[2] == 42 && existing[3] == 0;
  if (!isTiff) {
    Check(result == 0 && abort.load() && total == old);
    Check(existing.empty() || std::memcmp(out + prefix, existing.data(), existing.size()) == 0);
    return 0;
  }
  Check(result >= 1);
  if (abort.load()) return 0;
  // One changed link at most, never inside the magic.
  size_t first = old, last = 0;
  for (size_t i = prefix; i < old; ++i)
    if (out[i] != existing[i - prefix]) {
      first = std::min(first, i);
      last = i;
    }
  if (first < old) {
    Check(first >= prefix + 4);
    Check(last < first + 4);
  }
  // The changed link points past the old bytes, at an even position.
  if (first < old) {
    bool linked = false;
    for (size_t at = last >= 3 ? last - 3 : 0; at <= first && !linked; ++at) {
      if (at < prefix + 4 || at + 4 > old) continue;
      const uint32_t link = Get32(out + at);
      linked = link >= old && uint64_t(link) + 2 <= total && (link & 1) == 0;
    }
    Check(linked);
  }
  if (prefix == 0) {
    TCustomMemoryStream check;
    check.SetPointer(out, static_cast<int64_t>(total));
    Check(IETIFFPageCount(&check) >= 1);
  }
  return 0;
}
