#include "imaging/model/pixels/ieblend.h"

#include <numbers>

uint8_t IECosineTable[256];

void IEBuildCosineTable() {
  for (int i = 0; i < 256; ++i)
    IECosineTable[i] = static_cast<uint8_t>(std::nearbyint(64 - std::cos(i * std::numbers::pi / 255) * 64));
}

namespace {
// Built at start-up, before any drawing. It lives in this file so that every
// program that blends links it.
[[maybe_unused]] const bool CosineTableBuilt = (IEBuildCosineTable(), true);
}  // namespace
