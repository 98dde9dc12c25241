// One HTTP GET into memory, the transport under TImgIO.LoadFromURL. The
// request is what a browser of old sent: user agent "Mozilla/4.*", HTTP/1.1,
// no cache, keep-alive, through a proxy when one is set; redirects are
// followed (at most 10, to http only). Only plain http is spoken.
//
// The body is handed on in pieces: at most 65536 bytes when the server gave
// a content length (with the progress after each piece), at most 1024 bytes
// otherwise; the abort flag is tested between pieces.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "platform/rtl/types.h"

class TMemoryStream;

struct TIEHttpSettings {
  String ProxyAddress;  // empty: direct
  String ProxyUser;     // sent as proxy credentials (Basic)
  String ProxyPassword;
};

enum class TIEHttpOutcome {
  NotHttp,   // the name does not start with "http://": nothing was sent
  NoPath,    // no "/" after the host: nothing was sent
  Failed,    // no connection, or the transfer failed before any body
  Aborted,   // the abort flag stopped the download
  TooLarge,  // the body would pass 2^31 - 1 bytes
  Done,      // Body holds what arrived (also after a failure mid-body)
};

// The parts of an "http://host[:port]/path" name. Port 80 when none is
// given or it is not a number; the path keeps its leading "/".
struct TIEHttpTarget {
  String Host;
  int32_t Port = 80;
  String Path;
};
TIEHttpOutcome IEParseHttpURL(const String& URL, TIEHttpTarget& Target);

// Progress receives Trunc(size × 100 / L) clamped to 0..100, L the content
// length, and is called only when L is known.
TIEHttpOutcome IEHttpGet(const String& URL, const TIEHttpSettings& Settings, TMemoryStream& Body,
                         std::atomic<bool>& AbortFlag, const std::function<void(int32_t Percent)>& Progress);
