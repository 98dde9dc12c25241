// The per-call managers the reader and writer give libjpeg: the error
// manager with its setjmp trampoline, and the stream source and destination.
// Internal to the JPEG codec.
#pragma once

#include <atomic>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>  // jpeglib.h needs FILE and size_t first

#include <jpeglib.h>

#ifndef JCS_EXTENSIONS
#error "libjpeg-turbo with the extended colour spaces (JCS_EXT_BGR) is required"
#endif

class TStream;

// Stream buffers of the source and destination managers.
inline constexpr int32_t IEJpegBufferSize = 65536;

// Upper bound for libjpeg's large arrays (the coefficient buffers of
// progressive and multi-scan files): the same as the largest image a bitmap
// may hold. A hostile header asking for more makes libjpeg fail cleanly
// instead of allocating without bound.
inline constexpr long IEJpegMaxMemory = 2147483647L;

struct TIEJpegErrorMgr {
  jpeg_error_mgr Pub;            // first: libjpeg sees only this
  int32_t Warnings;              // warnings seen since the last reset
  int32_t LastWarning;           // code of the last one
  int32_t ErrorCode;             // code given to error_exit
  std::atomic<bool>* AbortFlag;  // set by error_exit; may be nil
  std::jmp_buf Jump;             // armed by IEJpegCall
};

// Fills Err with the codec's methods: error_exit sets the abort flag and
// jumps back to IEJpegCall; warnings are counted; nothing is printed.
void IEJpegInitError(TIEJpegErrorMgr& Err, std::atomic<bool>* AbortFlag);

// Runs Body(Context) with Err's jump target armed. Answers false when libjpeg
// failed inside it (error_exit jumped back here). Body must only call libjpeg
// and keep no object with a destructor alive across those calls.
bool IEJpegCall(TIEJpegErrorMgr& Err, void (*Body)(void* Context), void* Context);

struct TIEJpegSource {
  jpeg_source_mgr Pub;  // first
  TStream* Stream;
  std::atomic<bool>* AbortFlag;
  bool StartOfFile;
  JOCTET Buffer[IEJpegBufferSize];
};

// Attaches Source (reading Stream) to Info with an empty buffer.
void IEJpegStreamSource(j_decompress_ptr Info, TIEJpegSource& Source, TStream* Stream, std::atomic<bool>* AbortFlag);

struct TIEJpegDest {
  jpeg_destination_mgr Pub;  // first
  TStream* Stream;
  std::atomic<bool>* AbortFlag;
  JOCTET Buffer[IEJpegBufferSize];
};

// Attaches Dest (writing to Stream) to Info.
void IEJpegStreamDest(j_compress_ptr Info, TIEJpegDest& Dest, TStream* Stream, std::atomic<bool>* AbortFlag);

// The whole-image coefficient arrays of a progressive or multi-scan file,
// kept in pixel blocks instead of libjpeg's pool. They take huge pages and are
// reused from one image to the next, and once the whole file is read, the
// rows the output pass has gone past are given back as it goes: a 4:4:4
// progressive photo holds twice its decoded size in coefficients, which would
// otherwise stay whole while the decoded pixels fill up.
struct TIEJpegCoefArray;
struct TIEJpegCoefArrays {
  jpeg_memory_mgr Saved;    // libjpeg's own methods, which this wraps
  TIEJpegCoefArray* First;  // the arrays of the image pool
};

// Installs Arrays as Info's manager of coefficient arrays; call after
// jpeg_create_decompress. Arrays must outlive Info (jpeg_destroy_decompress
// frees the arrays through it). Uses Info's client_data.
void IEJpegKeepCoefficientsInBlocks(j_decompress_ptr Info, TIEJpegCoefArrays& Arrays);
