// The codec-conformance suite: checks every reader must pass, as a
// parameterised GoogleTest fixture. A reader's test instantiates it with one
// or more cases:
//
//   #include "imaging/io/core/testsupport/conformance.h"
//   TIECodecConformanceCase BmpCase() {
//     TIECodecConformanceCase c;
//     c.Name = "Bmp24";
//     c.Read = ReadBmpForSuite;   // a TIEReadProc (wrap extra arguments)
//     c.Valid = ...bytes of a small valid file (at least 2 rows)...;
//     c.Width = 5; c.Height = 3; c.BitsPerSample = 8; c.SamplesPerPixel = 3;
//     return c;
//   }
//   INSTANTIATE_TEST_SUITE_P(Bmp, TIECodecConformance, ::testing::Values(BmpCase()),
//                            IECodecConformanceName);
//
// and links the object library io_core_conformance into its test binary
// (project_add_tests(... DEPS io_core_conformance io_core_testsupport)).
//
// The checks: a Preview read fills Width, Height, BitsPerSample and
// SamplesPerPixel, leaves the bitmap untouched and the flag clear; a full
// read succeeds and (optionally) gives the expected pixels; foreign data and
// an empty stream set the flag and throw nothing; the valid file cut at
// several points never crashes, ends with the documented outcome and leaves
// unreached rows zero; setting the flag from OnProgress stops the reader at
// the next report; without a handler nothing is called; percentages stay
// within 0..100.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imaging/io/contract/iecodec.h"

class TIEBitmap;
class TIOParamsVals;

// What reading a cut file ends with.
enum class TIECutOutcome : uint8_t {
  Abort,           // the flag is always set
  AbortOrPartial,  // the flag, or a documented partial result (flag clear)
};

struct TIECodecConformanceCase {
  std::string Name;  // a GoogleTest name part: letters, digits, "_"
  TIEReadProc Read = nullptr;
  std::vector<uint8_t> Valid;  // a small valid file with at least two rows

  // What a Preview (and a full) read must leave in the record.
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t BitsPerSample = 0;
  int32_t SamplesPerPixel = 0;

  // Extra inputs that are not of this format, besides those every case gets
  // (empty, one byte, text, a few other formats' signatures, noise). A format
  // without a signature, which cannot tell text from a header, clears
  // DefaultForeign and lists the inputs it must refuse; the empty stream is
  // always tried.
  std::vector<std::vector<uint8_t>> Foreign;
  bool DefaultForeign = true;

  // Cut points: byte counts of the valid file to read. Empty: 0, 1, 8, a
  // quarter, half, three quarters and all but one byte of it.
  std::vector<size_t> CutSizes;
  TIECutOutcome CutOutcome = TIECutOutcome::AbortOrPartial;
  // Whether the bytes of a file cut to CutSize reach any pixel of row Row
  // (0 = top). When set, every row it denies must read as all zero after
  // a cut read that left the flag clear (a bitmap of the header's size).
  std::function<bool(int32_t Row, size_t CutSize)> RowReached;
  // Further checks of a cut read (Aborted: the flag after the read).
  std::function<void(size_t CutSize, TIEBitmap& Bitmap, TIOParamsVals& Params, bool Aborted)> CheckCut;

  // Further checks of the full read of Valid (pixels against a reference).
  std::function<void(TIEBitmap& Bitmap, TIOParamsVals& Params)> CheckFull;
  // Prepares the record before every read (e.g. NativePixelFormat).
  std::function<void(TIOParamsVals& Params)> Prepare;
};

// The result of one read through the suite's harness.
struct TIEReadResult {
  bool Aborted = false;
  bool Threw = false;
  std::string Exception;          // what() of an escaped exception
  std::vector<int32_t> Percents;  // every reported percentage, in order
};

// Runs Read over a memory stream of exactly Bytes (no slack to read into)
// with a fresh abort flag; WithHandler installs an OnProgress handler that
// records the percentages, and AbortAtReport > 0 makes that handler set the
// flag at its AbortAtReport-th call. Exceptions are caught and reported.
TIEReadResult IERunReader(TIEReadProc Read, const std::vector<uint8_t>& Bytes, TIEBitmap& Bitmap, TIOParamsVals& Params,
                          bool Preview, bool WithHandler = true, int32_t AbortAtReport = 0);

class TIECodecConformance : public ::testing::TestWithParam<TIECodecConformanceCase> {};

// Names the instantiated tests after TIECodecConformanceCase::Name.
std::string IECodecConformanceName(const ::testing::TestParamInfo<TIECodecConformanceCase>& Info);
