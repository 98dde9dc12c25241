#include "imaging/io/codecs/psd/decoders.h"

#include <algorithm>
#include <cstring>

#include "platform/gui/graphics.h"

void TPackbitsRLEDecoder::Unpack(const uint8_t* Source, uint8_t* Dest, int32_t PackedSize, int32_t UnpackedSize) {
  int32_t p = PackedSize, u = UnpackedSize;
  while (u > 0 && p > 0) {
    const int32_t h = int8_t(*Source++);
    --p;
    if (h >= 0) {
      const int32_t n = std::min({h + 1, u, p});
      std::memcpy(Dest, Source, size_t(n));
      Source += n;
      Dest += n;
      p -= n;
      u -= n;
    } else if (h != -128) {
      if (p == 0) break;
      const uint8_t value = *Source++;
      --p;
      const int32_t n = std::min(1 - h, u);
      std::memset(Dest, value, size_t(n));
      Dest += n;
      u -= n;
    }
  }
}

namespace {

// The string-table text of the error exit.
const char* const gesJPEGError = "JPEG error #%d";

void JPEGErrorExit(TJPEGErrorHooks* Hooks) { throw EInvalidGraphic(gesJPEGError, {Hooks->MsgCode}); }
void JPEGEmitMessage(TJPEGErrorHooks*, int32_t) {}
void JPEGOutputMessage(TJPEGErrorHooks*) {}
void JPEGFormatMessage(TJPEGErrorHooks*, char*) {}
void JPEGResetErrorMgr(TJPEGErrorHooks* Hooks) {
  Hooks->NumWarnings = 0;
  Hooks->MsgCode = 0;
}

TJPEGErrorHooks MakeHooks() {
  TJPEGErrorHooks h;
  h.ErrorExit = &JPEGErrorExit;
  h.EmitMessage = &JPEGEmitMessage;
  h.OutputMessage = &JPEGOutputMessage;
  h.FormatMessage = &JPEGFormatMessage;
  h.ResetErrorMgr = &JPEGResetErrorMgr;
  return h;
}

}  // namespace

TJPEGErrorHooks& JPEGErrorHooks() {
  static TJPEGErrorHooks hooks = MakeHooks();
  return hooks;
}
