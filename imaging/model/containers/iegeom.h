// Small routines of the image library: the checked stream write of every
// writer, point-to-line distances for hit-testing outlines, a floor, the fit
// of an image into a box and the MMX test.
#pragma once

#include <cstdint>

#include "platform/rtl/graphtypes.h"

class TStream;

// Writes Count bytes; when the stream takes fewer, Aborting := true. Aborting
// is never cleared here, so one failed write marks the whole output.
void IEStreamWriteChecked(TStream* Stream, bool& Aborting, const void* Buffer, int32_t Count);

// The largest integer not above x (wrapped to 32 bits as the platform's
// truncation does). EInvalidOp for NaN and values beyond 64 bits.
int32_t IEFloor(double x);

// The distances below work in 64-bit integers and doubles: no coordinate
// difference or square can overflow.
double IEPointDistance(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// Distance from P to the infinite line through P1 and P2; the distance to P1
// when P1 = P2.
double IEPointLineDistance(int32_t px, int32_t py, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// Distance from P to the segment P1-P2. When the nearest point is an end and
// P lies more than 45000 pixels from it along either axis, 1000000 (a point
// far away).
double IEPointSegmentDistance(int32_t px, int32_t py, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// Smallest segment distance from P to the polyline of Count points, each
// mapped to (round(OffX + ScaleX (x - OrgX)), round(OffY + ScaleY (y - OrgY)))
// with halves to even. 1000000 for fewer than two points.
double IEPointPolylineDistance(int32_t px, int32_t py, const TPoint* Points, double ScaleX, double ScaleY, int32_t OffX,
                               int32_t OffY, int32_t OrgX, int32_t OrgY, int32_t Count);

// The far-away answer of the distances.
inline constexpr double IEFarDistance = 1000000;

// Scales Width x Height to fit MaxWidth x MaxHeight keeping the aspect ratio
// (enlarging too); each side at least 1. Nothing when Width or Height is 0.
void IEFitKeepAspect(int32_t Width, int32_t Height, int32_t MaxWidth, int32_t MaxHeight, int32_t& OutWidth,
                     int32_t& OutHeight);

// The processor reports MMX (always false off x86).
bool IECpuHasMMX();
