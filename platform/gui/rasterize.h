// The one set of pixel rules for lines and shapes. Drawing (pens, brushes)
// and regions both take their pixels from here, so a region made from a shape
// holds exactly the pixels the shape covers when drawn with a 1-pixel pen.
//
// Coordinates name pixels: the point (x, y) is the centre of pixel (x, y).
// Bounding rectangles are right and bottom exclusive: Ellipse(0, 0, 6, 6)
// touches columns and rows 0..5, like Rectangle(0, 0, 6, 6).
//
// Cost is proportional to the rows produced (or the clip's rows where a clip
// is taken) plus the outline's length; callers bound hostile coordinates.
// Column 2^31 - 1 has no exclusive end, so spans never include it.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/rtl/graphtypes.h"

// Polygon fill modes.
inline constexpr int ALTERNATE = 1;
inline constexpr int WINDING = 2;

// Arc directions (as seen on the screen, y pointing down).
inline constexpr int AD_COUNTERCLOCKWISE = 1;
inline constexpr int AD_CLOCKWISE = 2;

// A run of pixels on row Y: X0 up to, not including, X1.
struct TSpan {
  int32_t Y = 0;
  int32_t X0 = 0;
  int32_t X1 = 0;
  friend bool operator==(const TSpan&, const TSpan&) = default;
};

using TPixelSink = std::function<void(int x, int y)>;

// Line rule (shared by LineTo, Polyline, polygon outlines and LineDDA):
// the axis with the larger extent is the major axis (x when both are equal).
// The line visits every major coordinate from the start up to, but not
// including, the end's; at each one the minor coordinate is the exact line
// value rounded to the nearest integer, a value exactly halfway going to the
// lower coordinate. The start pixel is always visited, the end pixel never;
// a line from a point to itself visits nothing. The rule depends only on the
// exact line, so a line and its reverse cover the same pixels apart from the
// left-out end.
void RasterLine(int x0, int y0, int x1, int y1, const TPixelSink& plot);
// The same pixels, only those inside Clip, in the same order; work is bounded
// by the clip's extent on the major axis, not by the line's length.
void RasterLine(int x0, int y0, int x1, int y1, const TRect& Clip, const TPixelSink& plot);

// Sorts spans by row then start and merges overlapping or touching ones on a
// row; empty spans are dropped.
void NormalizeSpans(std::vector<TSpan>& spans);
// The pixels of A that are not in B; both normalised, so is the result.
std::vector<TSpan> SubtractSpans(const std::vector<TSpan>& a, const std::vector<TSpan>& b);
// Normalised spans of a set of pixels (duplicates allowed).
std::vector<TSpan> SpansFromPixels(std::vector<TPoint> pixels);

// Polygon fill: pixel (x, y) is inside when the point (x, y) lies inside the
// polygons by the fill mode (ALTERNATE: odd crossings, WINDING: non-zero
// winding). Every polygon is closed; polygons with fewer than 2 points add
// nothing. Points on an edge may or may not be filled: they are always on the
// outline (see PolygonShape), which holds the boundary. Appends normalised
// spans (limited to Clip when given).
void PolygonFillSpans(const TPoint* pts, const int* counts, int nPolys, int fillMode, std::vector<TSpan>& out,
                      const TRect* Clip = nullptr);

// What a shape covers when drawn with a 1-pixel pen and a brush.
//  Path     the outline pixels in drawing order, for stamping wide pens:
//           closed curves start at the right-hand end of the middle row and go
//           counter-clockwise; the first pixel is not repeated at the end.
//  Outline  the same pixels as normalised spans (what the pen draws).
//  Interior normalised spans the brush fills; never overlapping Outline.
// The shape's coverage (and its region) is Outline + Interior.
struct TShapeRaster {
  std::vector<TPoint> Path;
  std::vector<TSpan> Outline;
  std::vector<TSpan> Interior;
};

// Ellipse rule: with W = r - l and H = b - t, each quarter is the quarter of
// the ellipse of radii (W - 1) div 2 + 1/2 and (H - 1) div 2 + 1/2 centred on
// a pixel; pixel (dx, dy) from that centre is inside when
// (dx / rx')^2 + (dy / ry')^2 <= 1. For odd sizes the four quarters share one
// centre (the exact inscribed ellipse); for even sizes the quarters are one
// pixel apart, so the shape always spans [l, r) x [t, b). Corners given in
// either order; an empty box gives nothing.
TShapeRaster EllipseShape(int l, int t, int r, int b);
// RoundRect: the four quarters of the corner ellipse of size w x h (the same
// rule; clamped to the box) at the corners, joined by straight edges.
// RoundRectShape(l, t, r, b, r - l, b - t) equals EllipseShape(l, t, r, b);
// corners of 2 x 2 or less give the plain rectangle.
TShapeRaster RoundRectShape(int l, int t, int r, int b, int w, int h);
// Spans only (Path left empty), limited to Clip when given: the cheap way to
// draw and clip large shapes.
void EllipseSpans(int l, int t, int r, int b, std::vector<TSpan>* outline, std::vector<TSpan>* interior,
                  const TRect* Clip = nullptr);
void RoundRectSpans(int l, int t, int r, int b, int w, int h, std::vector<TSpan>* outline, std::vector<TSpan>* interior,
                    const TRect* Clip = nullptr);

// Arc: the part of the ellipse's path from the pixel nearest the radial
// through (xs, ys) to the pixel nearest the radial through (xe, ye) (radials
// from the box's centre), both included, walking in `direction`. When both
// radials point the same way the whole ellipse is drawn.
std::vector<TPoint> ArcPath(int l, int t, int r, int b, int xs, int ys, int xe, int ye,
                            int direction = AD_COUNTERCLOCKWISE);
// Chord: the arc closed by a line from its last pixel back to its first.
// Pie: the arc closed by lines from its last pixel to the centre pixel
// ((l + r) div 2, (t + b) div 2, rounded down) and from there to its first.
// Path is the arc followed by the closing lines' pixels.
TShapeRaster ChordShape(int l, int t, int r, int b, int xs, int ys, int xe, int ye,
                        int direction = AD_COUNTERCLOCKWISE);
TShapeRaster PieShape(int l, int t, int r, int b, int xs, int ys, int xe, int ye, int direction = AD_COUNTERCLOCKWISE);

// Polygon: the outline is every closed polyline drawn with RasterLine (each
// edge leaves out its end, which is the next edge's start); the interior is
// the fill of PolygonFillSpans minus the outline. Path lists each polygon's
// edges in order. Negative counts give an empty shape.
TShapeRaster PolygonShape(const TPoint* pts, int n, int fillMode);
TShapeRaster PolyPolygonShape(const TPoint* pts, const int* counts, int nPolys, int fillMode);
