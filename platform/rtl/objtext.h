// The text form of a binary component stream, and the conversions both ways.
//
//   object Name: TClass          (or "object TClass" when the name is empty;
//     Prop = 12                   "inherited"/"inline" and " [n]" for the
//     Font.Name = 'Arial'         prefix flags of the binary form)
//     Ratio = 0.75                floats with "." and a suffix s, c or d for
//     Start = 45000.5d            single, currency and date values
//     Text = 'It''s'#13#10'ok'    quotes doubled, #n for other code points
//     Style = [fsBold, fsItalic]
//     Lines.Strings = (
//       'one'
//       'two')
//     Data = {
//       0A1B2C}
//     Items = <
//       item
//         Value = 1
//       end>
//     object Child: TChild
//     end
//   end
//
// Long strings continue on the next line after " +". Lines end with CR LF;
// LF and CR LF are accepted. Text to binary takes the value type from the
// token: the smallest integer type, vaExtended for a float without suffix,
// vaString/vaLString for an ASCII string and vaWString otherwise.
#pragma once

#include "platform/rtl/streams.h"

// Reads one component stream at Input's position and writes its text at
// Output's position. Classes need not be registered. EReadError for a
// malformed stream, for names that would not read back as the same tokens
// and for non-finite floats, which have no text form.
void ObjectBinaryToText(TStream* Input, TStream* Output);
// Reads the text from Input's position to its end (UTF-8; other bytes as
// Windows-1252) and writes the binary stream at Output's position.
// EParserError "<what> on line <n>" for malformed text.
void ObjectTextToBinary(TStream* Input, TStream* Output);
