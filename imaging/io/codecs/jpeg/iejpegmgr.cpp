#include "imaging/io/codecs/jpeg/iejpegmgr.h"

#include <jerror.h>

#include <cstdlib>
#include <cstring>
#include <iterator>

#include "imaging/io/codecs/jpeg/iejpeg.h"
#include "imaging/model/pixels/iepixelblock.h"
#include "platform/rtl/streams.h"

namespace {

// The texts of the error codes 0..72. libjpeg-turbo's own table differs in
// places (code 1, for one), and callers show these texts, so they are fixed
// here; parameters are not formatted in.
constexpr const char* kMessages[] = {
    "Bogus message code ?",
    "Sorry, there are legal restrictions on arithmetic coding",
    "ALIGN_TYPE is wrong, please fix",
    "MAX_ALLOC_CHUNK is wrong, please fix",
    "Bogus buffer control mode",
    "Invalid component ID ? in SOS",
    "DCT coefficient out of range",
    "IDCT output block size ? not supported",
    "Bogus Huffman table definition",
    "Bogus input colorspace",
    "Bogus JPEG colorspace",
    "Bogus marker length",
    "Wrong JPEG library version: library is ?, caller expects ?",
    "Sampling factors too large for interleaved scan",
    "Invalid memory pool code ?",
    "Unsupported JPEG data precision ?",
    "Invalid progressive parameters Ss=? Se=? Ah=? Al=?",
    "Invalid progressive parameters at scan script entry ?",
    "Bogus sampling factors",
    "Invalid scan script at entry ?",
    "Improper call to JPEG library in state ?",
    "JPEG parameter struct mismatch: library thinks size is ?, caller expects ?",
    "Bogus virtual array access",
    "Buffer passed to JPEG library is too small",
    "Suspension not allowed here",
    "CCIR601 sampling not implemented yet",
    "Too many color components: ?, max ?",
    "Unsupported color conversion request",
    "Bogus DAC index ?",
    "Bogus DAC value 0x?",
    "Bogus DHT index ?",
    "Bogus DQT index ?",
    "Empty JPEG image (DNL not supported)",
    "Read from EMS failed",
    "Write to EMS failed",
    "Didn't expect more than one scan",
    "Input file read error",
    "Output file write error --- out of disk space?",
    "Fractional sampling not implemented yet",
    "Huffman code size table overflow",
    "Missing Huffman code table entry",
    "Maximum supported image dimension is ? pixels",
    "Empty input file",
    "Premature end of input file",
    "Cannot transcode due to multiple use of quantization table ?",
    "Scan script does not transmit all data",
    "Invalid color quantization mode change",
    "Not implemented yet",
    "Requested feature was omitted at compile time",
    "Backing store not supported",
    "Huffman table was not defined",
    "JPEG datastream contains no image",
    "Quantization table was not defined",
    "Not a JPEG file: starts with ?",
    "Insufficient memory (case ?)",
    "Cannot quantize more than ? color components",
    "Cannot quantize to fewer than ? colors",
    "Cannot quantize to more than ? colors",
    "Invalid JPEG file structure: two SOF markers",
    "Invalid JPEG file structure: missing SOS marker",
    "Unsupported JPEG process: SOF type ?",
    "Invalid JPEG file structure: two SOI markers",
    "Invalid JPEG file structure: SOS before SOF",
    "Failed to create temporary file ?",
    "Read failed on temporary file",
    "Seek failed on temporary file",
    "Write failed on temporary file --- out of disk space?",
    "Application transferred too few scanlines",
    "Unsupported marker type ?",
    "Virtual array controller messed up",
    "Image too wide for this implementation",
    "Read from XMS failed",
    "Write to XMS failed",
};
static_assert(std::size(kMessages) == 73);
// The table relies on the codes of the 6b-compatible build.
static_assert(JERR_ARITH_NOTIMPL == 1 && JERR_BAD_LENGTH == 11 && JERR_SOF_DUPLICATE == 58 && JERR_XMS_WRITE == 72,
              "libjpeg message codes differ from the 62 build");

void ErrorExit(j_common_ptr Info) {
  auto* err = reinterpret_cast<TIEJpegErrorMgr*>(Info->err);
  err->ErrorCode = err->Pub.msg_code;
  if (err->AbortFlag != nullptr) err->AbortFlag->store(true, std::memory_order_relaxed);
  std::longjmp(err->Jump, 1);
}

void EmitMessage(j_common_ptr Info, int Level) {
  if (Level != -1) return;  // trace messages
  auto* err = reinterpret_cast<TIEJpegErrorMgr*>(Info->err);
  ++err->Warnings;
  err->LastWarning = err->Pub.msg_code;
}

void OutputMessage(j_common_ptr) {}

void FormatMessage(j_common_ptr, char* Buffer) { Buffer[0] = '\0'; }

void ResetErrorMgr(j_common_ptr Info) {
  auto* err = reinterpret_cast<TIEJpegErrorMgr*>(Info->err);
  err->Warnings = 0;
  err->LastWarning = 0;
  err->Pub.msg_code = 0;
}

// ---- Source -------------------------------------------------------------------------

void InitSource(j_decompress_ptr Info) { reinterpret_cast<TIEJpegSource*>(Info->src)->StartOfFile = true; }

boolean FillInputBuffer(j_decompress_ptr Info) {
  auto* src = reinterpret_cast<TIEJpegSource*>(Info->src);
  int32_t n = 0;
  try {
    n = src->Stream->Read(src->Buffer, IEJpegBufferSize);
  } catch (...) {
    // A failing stream is bad input here: flag it and end the data.
    n = 0;
    if (src->AbortFlag != nullptr) src->AbortFlag->store(true, std::memory_order_relaxed);
  }
  if (n <= 0) {
    if (src->StartOfFile && src->AbortFlag != nullptr) src->AbortFlag->store(true, std::memory_order_relaxed);
    // An inserted EOI ends a cut stream: libjpeg completes the missing
    // blocks and the image is still delivered.
    src->Buffer[0] = 0xFF;
    src->Buffer[1] = JPEG_EOI;
    n = 2;
  }
  src->Pub.next_input_byte = src->Buffer;
  src->Pub.bytes_in_buffer = static_cast<size_t>(n);
  src->StartOfFile = false;
  return TRUE;
}

void SkipInputData(j_decompress_ptr Info, long Count) {
  if (Count <= 0) return;
  auto* src = reinterpret_cast<TIEJpegSource*>(Info->src);
  auto count = static_cast<size_t>(Count);
  while (count > src->Pub.bytes_in_buffer) {
    count -= src->Pub.bytes_in_buffer;
    FillInputBuffer(Info);
  }
  src->Pub.next_input_byte += count;
  src->Pub.bytes_in_buffer -= count;
}

void TermSource(j_decompress_ptr) {}

// ---- Destination --------------------------------------------------------------------------

void WriteOut(TIEJpegDest* Dest, size_t Count) {
  bool ok = true;
  try {
    ok = Dest->Stream->Write(Dest->Buffer, static_cast<int32_t>(Count)) == static_cast<int32_t>(Count);
  } catch (...) {
    ok = false;
  }
  if (!ok && Dest->AbortFlag != nullptr) Dest->AbortFlag->store(true, std::memory_order_relaxed);
}

void InitDestination(j_compress_ptr Info) {
  auto* dest = reinterpret_cast<TIEJpegDest*>(Info->dest);
  dest->Pub.next_output_byte = dest->Buffer;
  dest->Pub.free_in_buffer = IEJpegBufferSize;
}

boolean EmptyOutputBuffer(j_compress_ptr Info) {
  auto* dest = reinterpret_cast<TIEJpegDest*>(Info->dest);
  WriteOut(dest, IEJpegBufferSize);
  dest->Pub.next_output_byte = dest->Buffer;
  dest->Pub.free_in_buffer = IEJpegBufferSize;
  return TRUE;
}

void TermDestination(j_compress_ptr Info) {
  auto* dest = reinterpret_cast<TIEJpegDest*>(Info->dest);
  const size_t used = IEJpegBufferSize - dest->Pub.free_in_buffer;
  if (used > 0) WriteOut(dest, used);
}

}  // namespace

String IEJpegMessageText(int32_t Code) {
  if (Code >= 0 && Code < static_cast<int32_t>(std::size(kMessages))) return kMessages[Code];
  if (Code >= 73 && Code <= 123) return String();
  return "Corrupted";
}

void IEJpegInitError(TIEJpegErrorMgr& Err, std::atomic<bool>* AbortFlag) {
  jpeg_std_error(&Err.Pub);
  Err.Pub.error_exit = ErrorExit;
  Err.Pub.emit_message = EmitMessage;
  Err.Pub.output_message = OutputMessage;
  Err.Pub.format_message = FormatMessage;
  Err.Pub.reset_error_mgr = ResetErrorMgr;
  Err.Warnings = 0;
  Err.LastWarning = 0;
  Err.ErrorCode = 0;
  Err.AbortFlag = AbortFlag;
}

bool IEJpegCall(TIEJpegErrorMgr& Err, void (*Body)(void* Context), void* Context) {
  if (setjmp(Err.Jump) != 0) return false;
  Body(Context);
  return true;
}

void IEJpegStreamSource(j_decompress_ptr Info, TIEJpegSource& Source, TStream* Stream, std::atomic<bool>* AbortFlag) {
  Source.Pub.init_source = InitSource;
  Source.Pub.fill_input_buffer = FillInputBuffer;
  Source.Pub.skip_input_data = SkipInputData;
  Source.Pub.resync_to_restart = jpeg_resync_to_restart;
  Source.Pub.term_source = TermSource;
  Source.Pub.next_input_byte = nullptr;
  Source.Pub.bytes_in_buffer = 0;
  Source.Stream = Stream;
  Source.AbortFlag = AbortFlag;
  Source.StartOfFile = true;
  Info->src = &Source.Pub;
}

void IEJpegStreamDest(j_compress_ptr Info, TIEJpegDest& Dest, TStream* Stream, std::atomic<bool>* AbortFlag) {
  Dest.Pub.init_destination = InitDestination;
  Dest.Pub.empty_output_buffer = EmptyOutputBuffer;
  Dest.Pub.term_destination = TermDestination;
  Dest.Pub.next_output_byte = Dest.Buffer;
  Dest.Pub.free_in_buffer = IEJpegBufferSize;
  Dest.Stream = Stream;
  Dest.AbortFlag = AbortFlag;
  Info->dest = &Dest.Pub;
}

// ---- Coefficient arrays in pixel blocks ----------------------------------------------------

struct TIEJpegCoefArray {
  JDIMENSION BlocksPerRow;
  JDIMENSION Rows;
  size_t RowBytes;
  void* Block;             // nil until realized
  JBLOCKROW* RowPointers;  // in libjpeg's image pool
  JDIMENSION PassedBelow;  // the output pass is past the rows under this one
  size_t ReleasedBytes;    // the block's memory below this was given back
  TIEJpegCoefArray* Next;
};

namespace {

// The code below runs inside libjpeg, between its setjmp and its error
// exits: plain data only, nothing with a destructor.
TIEJpegCoefArrays& ArraysOf(j_common_ptr Info) { return *static_cast<TIEJpegCoefArrays*>(Info->client_data); }

[[noreturn]] void Fail(j_common_ptr Info, int Code) {
  Info->err->msg_code = Code;
  Info->err->error_exit(Info);
  std::abort();  // error_exit never returns
}

void FreeBlocks(TIEJpegCoefArrays& Arrays) {
  for (TIEJpegCoefArray* a = Arrays.First; a != nullptr; a = a->Next) {
    IEFreePixelBlock(a->Block);
    a->Block = nullptr;
  }
  Arrays.First = nullptr;
}

jvirt_barray_ptr RequestCoefArray(j_common_ptr Info, int Pool, boolean /*PreZero*/, JDIMENSION BlocksPerRow,
                                  JDIMENSION Rows, JDIMENSION /*MaxAccess*/) {
  // Only the image pool holds virtual arrays.
  if (Pool != JPOOL_IMAGE) Fail(Info, JERR_BAD_POOL_ID);
  TIEJpegCoefArrays& arrays = ArraysOf(Info);
  auto* a = static_cast<TIEJpegCoefArray*>(arrays.Saved.alloc_small(Info, Pool, sizeof(TIEJpegCoefArray)));
  *a =
      TIEJpegCoefArray{BlocksPerRow, Rows, size_t(BlocksPerRow) * sizeof(JBLOCK), nullptr, nullptr, 0, 0, arrays.First};
  arrays.First = a;
  return reinterpret_cast<jvirt_barray_ptr>(a);
}

// Blocks come zero-filled, so every array reads as pre-zeroed.
void RealizeArrays(j_common_ptr Info) {
  TIEJpegCoefArrays& arrays = ArraysOf(Info);
  arrays.Saved.realize_virt_arrays(Info);
  size_t total = 0;
  for (TIEJpegCoefArray* a = arrays.First; a != nullptr; a = a->Next) {
    if (a->Block != nullptr) continue;
    const size_t limit = static_cast<size_t>(Info->mem->max_memory_to_use);
    if (a->Rows == 0 || a->RowBytes > limit / a->Rows || total > limit - a->RowBytes * a->Rows)
      Fail(Info, JERR_OUT_OF_MEMORY);
    total += a->RowBytes * a->Rows;
    a->RowPointers = static_cast<JBLOCKROW*>(arrays.Saved.alloc_large(Info, JPOOL_IMAGE, a->Rows * sizeof(JBLOCKROW)));
    a->Block = IEAllocPixelBlock(a->RowBytes * a->Rows);
    if (a->Block == nullptr) Fail(Info, JERR_OUT_OF_MEMORY);
    auto* row = static_cast<uint8_t*>(a->Block);
    for (JDIMENSION r = 0; r < a->Rows; ++r, row += a->RowBytes) a->RowPointers[r] = reinterpret_cast<JBLOCKROW>(row);
  }
}

// Once the file is read whole (and the output is not buffered, which could
// go over the image again), the output pass reads the arrays top down: rows
// above the first one it asks for are never read again.
JBLOCKARRAY AccessCoefArray(j_common_ptr Info, jvirt_barray_ptr Array, JDIMENSION StartRow, JDIMENSION RowCount,
                            boolean Writable) {
  auto* a = reinterpret_cast<TIEJpegCoefArray*>(Array);
  if (a->Block == nullptr || StartRow < a->PassedBelow || RowCount > a->Rows || StartRow > a->Rows - RowCount)
    Fail(Info, JERR_BAD_VIRTUAL_ACCESS);
  auto* d = reinterpret_cast<j_decompress_ptr>(Info);
  if (!Writable && Info->is_decompressor && !d->buffered_image && StartRow > a->PassedBelow && jpeg_input_complete(d)) {
    a->PassedBelow = StartRow;
    const size_t passed = StartRow * a->RowBytes;
    a->ReleasedBytes = IEReleasePixelBlockPages(a->Block, a->ReleasedBytes, passed - a->ReleasedBytes);
  }
  return a->RowPointers + StartRow;
}

void FreeCoefPool(j_common_ptr Info, int Pool) {
  TIEJpegCoefArrays& arrays = ArraysOf(Info);
  if (Pool == JPOOL_IMAGE) FreeBlocks(arrays);
  arrays.Saved.free_pool(Info, Pool);
}

void DestroyCoefManager(j_common_ptr Info) {
  TIEJpegCoefArrays& arrays = ArraysOf(Info);
  FreeBlocks(arrays);
  Info->client_data = nullptr;
  arrays.Saved.self_destruct(Info);
}

}  // namespace

void IEJpegKeepCoefficientsInBlocks(j_decompress_ptr Info, TIEJpegCoefArrays& Arrays) {
  Arrays.Saved = *Info->mem;
  Arrays.First = nullptr;
  Info->client_data = &Arrays;
  Info->mem->request_virt_barray = RequestCoefArray;
  Info->mem->realize_virt_arrays = RealizeArrays;
  Info->mem->access_virt_barray = AccessCoefArray;
  Info->mem->free_pool = FreeCoefPool;
  Info->mem->self_destruct = DestroyCoefManager;
}
