// The one-pixel border of the plain look of framed skinned controls (framed
// labels, status panels, panels).
#pragma once

#include <cstdint>

enum class TbsSkinBorderStyle : uint8_t { bvFrame, bvRaised, bvLowered, bvNone };
