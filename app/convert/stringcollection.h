// A window's message and label texts, numbered S01..S30 as the window's
// handlers refer to them; placeholders "%1%".."%4%" are filled by
// FormatMessageArgs.
#pragma once

#include <array>
#include <cstdint>

#include "platform/rtl/components.h"
#include "platform/rtl/types.h"

class TMyStringCollection30 : public TComponent {
 public:
  explicit TMyStringCollection30(TComponent* AOwner) : TComponent(AOwner) {}
  const char* ClassName() const override { return "TMyStringCollection30"; }

  // Slot N of 1..30; empty for any other N.
  String S(int32_t N) const { return N >= 1 && N <= 30 ? FTexts[size_t(N - 1)] : String(); }
  void SetS(int32_t N, const String& Value) {
    if (N >= 1 && N <= 30) FTexts[size_t(N - 1)] = Value;
  }

 private:
  std::array<String, 30> FTexts;
};
