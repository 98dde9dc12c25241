// Decoders of the picture classes: the PackBits unpacker, and the error-hook
// record in the layout of a JPEG error manager that start-up fills in.
#pragma once

#include <cstdint>

class TDecoder {
 public:
  virtual ~TDecoder() = default;
  // Reads at most PackedSize bytes from Source and writes at most
  // UnpackedSize bytes to Dest. The caller advances its own read point.
  virtual void Unpack(const uint8_t* Source, uint8_t* Dest, int32_t PackedSize, int32_t UnpackedSize) = 0;
};

// PackBits runs: header h in 0..127 copies h + 1 bytes, -127..-1 repeats the
// next byte 1 - h times, -128 is skipped. Runs are cut at UnpackedSize;
// truncated input leaves the rest of Dest unchanged.
class TPackbitsRLEDecoder : public TDecoder {
 public:
  void Unpack(const uint8_t* Source, uint8_t* Dest, int32_t PackedSize, int32_t UnpackedSize) override;
};

// The hooks of a JPEG error manager, filled in at start-up and used by
// nothing. It is our own record, never handed to the JPEG library: its error
// exit raises EInvalidGraphic, which must not cross the library's C frames.
struct TJPEGErrorHooks {
  void (*ErrorExit)(TJPEGErrorHooks* Hooks) = nullptr;
  void (*EmitMessage)(TJPEGErrorHooks* Hooks, int32_t MsgLevel) = nullptr;
  void (*OutputMessage)(TJPEGErrorHooks* Hooks) = nullptr;
  void (*FormatMessage)(TJPEGErrorHooks* Hooks, char* Buffer) = nullptr;
  void (*ResetErrorMgr)(TJPEGErrorHooks* Hooks) = nullptr;
  int32_t MsgCode = 0;
  int32_t NumWarnings = 0;
};

// The start-up record: error exit raises EInvalidGraphic "JPEG error #<code>";
// the three message hooks do nothing; reset zeroes the warning count and the
// message code.
TJPEGErrorHooks& JPEGErrorHooks();
