// The writing side, in its own object: only programs that write EXIF blocks
// pull in the TIFF writer.
#include <atomic>
#include <cstring>

#include "imaging/io/codecs/exif/ieexifblock.h"
#include "imaging/io/codecs/tiff/ietiffwrite.h"
#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/ieparams.h"
#include "platform/rtl/streams.h"

bool IESaveEXIFToBlock(TIOParamsVals& Params, std::vector<uint8_t>& Block) {
  static constexpr uint8_t Header[6] = {'E', 'x', 'i', 'f', 0, 0};
  Block.clear();
  try {
    TMemoryStream stream;  // at position 0: the TIFF offsets count from its header
    std::atomic<bool> abort{false};
    TIECodecProgress progress;
    progress.AbortFlag = &abort;
    IEEncodeTIFF(&stream, false, nullptr, Params, progress);
    if (abort.load()) return false;
    const auto size = static_cast<size_t>(stream.Size());
    Block.resize(sizeof(Header) + size);
    std::memcpy(Block.data(), Header, sizeof(Header));
    if (size > 0) std::memcpy(Block.data() + sizeof(Header), stream.Memory(), size);
    return true;
  } catch (...) {
    Block.clear();
    return false;
  }
}
