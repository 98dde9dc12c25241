// Output file names of a conversion: the format's extension and the naming
// pattern with its counter, source name, folder name and picture date.
// Patterns and names are UTF-8.
#pragma once

#include <cstdint>

#include "platform/rtl/types.h"

// ".jpg" for 0 and any unknown index, ".bmp", ".gif", ".png", ".jp2", ".tif"
// for 1..5; always lower case.
String OutputExtension(int32_t OutputFormat);

// The file name (without folder, extension included) that Pattern gives
// Source. Counter is incremented first, so a run that starts it at N - 1
// numbers its first file N. "*" becomes the source name without extension
// before anything else, so tokens it brings in are replaced too. The date
// tokens $Y $M $D $H $N $S (any case) need an existing source; "$P" is the
// source's folder name; the first run of "#" is the zero-padded counter,
// followed by at most 100 characters of the rest. CaseIndex 1 upper-cases
// the extension.
String BuildOutputName(const String& Source, const String& Pattern, int32_t& Counter, int32_t OutputFormat,
                       int32_t CaseIndex);

// The name of a file converted without a pattern: its own name with the
// output extension in lower case; no counter moves.
String PlainOutputName(const String& Source, int32_t OutputFormat);
