// The progress record every codec and long-running worker of the image library
// reports through, and the one routine that reports.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "platform/rtl/lists.h"

// OnProgress handler: Sender and a percentage in 0..100.
using TIEProgressEvent = std::function<void(TObject* Sender, int32_t Per)>;

// One per running operation, owned by the caller and passed by reference.
// The caller fills Event, Sender and AbortFlag; Counter, Per1 and Per2 belong
// to the codec.
struct TIECodecProgress {
  TIEProgressEvent Event;     // empty when nothing is to be reported
  TObject* Sender = nullptr;  // passed to Event
  int32_t Counter = 0;        // units done, for codecs that count strips, tiles or passes
  double Per1 = 0;            // percentage of one row: 100 / rows
  double Per2 = 0;            // percentage of one strip or tile
  // The caller's abort flag, never nil while a codec runs. The caller (or any
  // thread) sets it to cancel; a codec sets it to report bad data.
  std::atomic<bool>* AbortFlag = nullptr;
};

// Calls Event with Percent clamped to 0..100, only when Event is assigned.
void IEDoProgress(const TIEProgressEvent& Event, TObject* Sender, int64_t Percent);
inline void IEDoProgress(const TIECodecProgress& Progress, int64_t Percent) {
  IEDoProgress(Progress.Event, Progress.Sender, Percent);
}
