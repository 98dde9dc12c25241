#include "imaging/io/codecs/jpeg/iejpegmgr.h"

#include <jerror.h>

#include <cstring>
#include <iterator>

#include "imaging/io/codecs/jpeg/iejpeg.h"
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
