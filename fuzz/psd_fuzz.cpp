// Fuzz target for the PSD picture class: arbitrary bytes through
// IsLoadableStream and LoadFromStream. The test leaves the stream where it
// was; a load either raises one of the reader's documented exceptions or
// gives a bitmap of the size in the header whose rows are all readable.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/io/codecs/psd/graphicex.h"
#include "platform/rtl/streams.h"

namespace {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);  // exact size, for ASan
  TCustomMemoryStream stream;
  stream.SetPointer(bytes.empty() ? nullptr : bytes.data(), int64_t(bytes.size()));
  TPSDGraphic graphic;
  graphic.IsLoadableStream(&stream);
  Check(stream.Position() == 0);
  int32_t lastPercent = 0;
  graphic.OnProgress = [&](TObject*, TProgressStage, uint8_t Percent, bool, const TRect&, const String&) {
    Check(Percent <= 100);
    lastPercent = Percent;
  };
  try {
    graphic.LoadFromStream(&stream);
  } catch (const EInvalidGraphic&) {
    return 0;
  } catch (const EColorConversionError&) {
    return 0;
  } catch (const EReadError&) {
    return 0;
  } catch (const EOutOfResources&) {
    return 0;
  }
  Check(stream.Position() <= stream.Size());
  const TImageProperties& p = graphic.ImageProperties();
  Check(graphic.Width() == p.Width && graphic.Height() == p.Height);
  uint32_t sum = 0;
  for (int32_t y = 0; y < graphic.Height(); ++y) sum += graphic.ScanLine(y)[0];
  Check(sum <= 255u * uint32_t(graphic.Height()));
  return 0;
}
