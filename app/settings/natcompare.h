// Natural-order comparison of 8-bit texts: runs of digits compare by their
// value, so IMG9 sorts before IMG10. Leading zeros of a run are skipped (A01
// equals A1), "." sorts before every other character and "_" sorts like "."
// did before that (code 46, just above "-"). Case is significant: callers
// upper-case first. Bytes compare unsigned; the end of a text reads as 0.
#pragma once

#include <cstdint>
#include <string_view>

// Negative when A sorts first, 0 when equal, positive when B does.
int32_t NaturalCompare(std::string_view A, std::string_view B);

// Two digit runs from their first digits: the longer run is greater; of two
// runs of equal length the first differing digit decides; equal runs give 0.
int32_t CompareDigitRuns(std::string_view A, std::string_view B);
