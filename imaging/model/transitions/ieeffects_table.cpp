// The effect table: one entry per transition type 1..163. Entries 1..30 are
// drawn by the engine itself and carry only their names; every other entry
// is a copy plan or a region over the area's geometry (W, H, X, Y, U).
#include <algorithm>

#include "imaging/model/transitions/ieeffects.h"
#include "imaging/model/transitions/ieeffects_internal.h"

namespace {

using A = const TEffectArea&;

template <class... S>
constexpr TCopyPlan Plan(const S&... Steps) {
  return TCopyPlan{{Steps...}};
}
// The whole to-picture stretched into D.
constexpr TCopyPlan Expand(A a, const TRect& D) { return Plan(CopyTo(Whole(a), D)); }

template <bool Vertical, bool FromEnd>
TCopyPlan Unroll(A a) {
  return UnrollPlan(a, Vertical, FromEnd);
}

template <int HKind, int VKind, int HTimes, int VTimes, bool Snapped>
HRGN Bars(A a) {
  return BarsRegion(HTimes * a.X, VTimes * a.Y, a.W, VKind, HKind, Snapped ? a.U : 0, a.H);
}
template <int HKind, int VKind>
HRGN Shred(A a) {
  return ShredRegion(a.X, a.Y, a.W, VKind, HKind, a.H);
}
template <int HKind, int VKind>
HRGN Speckle(A a) {
  return SpeckleRegion(a.X, a.Y, a.W, VKind, HKind, a.H);
}
template <bool AlongX, bool FromEnd, bool Uneven>
HRGN Blinds(A a) {
  return BlindsRegion(a, AlongX, FromEnd, Uneven);
}
template <bool AlongX, bool FromEnd>
HRGN Rectangles(A a) {
  return RectanglesRegion(a, AlongX, FromEnd);
}
template <bool Triangular>
HRGN Grid(A a) {
  return GridRegion(a, Triangular);
}
template <bool Clockwise>
HRGN Sweep(A a) {
  return SweepRegion(a, Clockwise);
}
template <bool Star>
HRGN Rotated(A a) {
  return RotatedShape(a, Star);
}

// A build-up strip: W div U columns (H div U rows), U taken as 1 on small areas.
int32_t Strip(int32_t Side, int32_t U) { return Side / AtLeast1(U); }

}  // namespace

const TEffect Effects[IEEffectCount] = {
    {"Cross Fade", nullptr},
    {"Fade Out", nullptr},
    {"Fade In", nullptr},
    {"Fade Out then In", nullptr},
    {"Wipe Left to Right", nullptr},
    {"Wipe Left to Right 2", nullptr},
    {"Wipe Right to Left", nullptr},
    {"Wipe Right to Left 2", nullptr},
    {"Wipe Top to Bottom", nullptr},
    {"Wipe Top to Bottom 2", nullptr},
    {"Wipe Bottom to Top", nullptr},
    {"Wipe Bottom to Top 2", nullptr},
    {"Slide from Top Left", nullptr},
    {"Slide from Top Right", nullptr},
    {"Slide from Bottom Left", nullptr},
    {"Slide from Bottom Right", nullptr},
    {"Push Left to Right", nullptr},
    {"Slide Out Left to Right", nullptr},
    {"Push Right to Left", nullptr},
    {"Slide Out Right to Left", nullptr},
    {"Push Top to Bottom", nullptr},
    {"Slide Out Top to Bottom", nullptr},
    {"Push Bottom to Top", nullptr},
    {"Slide Out Bottom to Top", nullptr},
    {"Random Points", nullptr},
    {"Random Boxes", nullptr},
    {"Wipe Out from Center", nullptr},
    {"Wipe In to Center", nullptr},
    {"Expand Out from Center", nullptr},
    {"Expand In to Center", nullptr},
    // 31..38: the whole to-picture stretched into a growing rectangle.
    {"Expand from Left", CopyEffect<[](A a) {
       return Expand(a, {0, 0, a.X, a.H});
     }>},
    {"Expand from Right", CopyEffect<[](A a) {
       return Expand(a, {a.W - a.X, 0, a.W, a.H});
     }>},
    {"Expand from Top", CopyEffect<[](A a) {
       return Expand(a, {0, 0, a.W, a.Y});
     }>},
    {"Expand from Bottom", CopyEffect<[](A a) {
       return Expand(a, {0, a.H - a.Y, a.W, a.H});
     }>},
    {"Expand from Top Left", CopyEffect<[](A a) {
       return Expand(a, {0, 0, a.X, a.Y});
     }>},
    {"Expand from Top Right", CopyEffect<[](A a) {
       return Expand(a, {a.W - a.X, 0, a.W, a.Y});
     }>},
    {"Expand from Bottom Left", CopyEffect<[](A a) {
       return Expand(a, {0, a.H - a.Y, a.X, a.H});
     }>},
    {"Expand from Bottom Right", CopyEffect<[](A a) {
       return Expand(a, {a.W - a.X, a.H - a.Y, a.W, a.H});
     }>},
    // 39..46: a part of the to-picture magnified, shrinking to natural size.
    {"Expand in from Left", CopyEffect<[](A a) {
       return Plan(CopyTo({a.W - a.X, 0, a.W, a.H}, {a.X - a.W, 0, a.W, a.H}));
     }>},
    {"Expand in from Right", CopyEffect<[](A a) {
       return Plan(CopyTo({0, 0, a.X, a.H}, {0, 0, 2 * a.W - a.X, a.H}));
     }>},
    {"Expand in from Top", CopyEffect<[](A a) {
       return Plan(CopyTo({0, a.H - a.Y, a.W, a.H}, {0, a.Y - a.H, a.W, a.H}));
     }>},
    {"Expand in from Bottom", CopyEffect<[](A a) {
       return Plan(CopyTo({0, 0, a.W, a.Y}, {0, 0, a.W, 2 * a.H - a.Y}));
     }>},
    {"Expand in to Vertical Center", CopyEffect<[](A a) {
       return Plan(CopyTo({(a.W - a.X) / 2, 0, (a.W + a.X) / 2, a.H}, {a.X - a.W, 0, 2 * a.W - a.X, a.H}));
     }>},
    {"Expand in to Horizon", CopyEffect<[](A a) {
       return Plan(CopyTo({0, (a.H - a.Y) / 2, a.W, (a.H + a.Y) / 2}, {0, a.Y - a.H, a.W, 2 * a.H - a.Y}));
     }>},
    {"Expand in from Sides", CopyEffect<[](A a) {
       return Plan(CopyTo({0, 0, a.W / 2 + 1, a.H}, {0, 0, a.X / 2 + 1, a.H}),
                   CopyTo({a.W / 2, 0, a.W, a.H}, {a.W - a.X / 2 - 1, 0, a.W, a.H}));
     }>},
    {"Expand in from Top and Bottom", CopyEffect<[](A a) {
       return Plan(CopyTo({0, 0, a.W, a.H / 2 + 1}, {0, 0, a.W, a.Y / 2 + 1}),
                   CopyTo({0, a.H / 2, a.W, a.H}, {0, a.H - a.Y / 2 - 1, a.W, a.H}));
     }>},
    {"Expand out from Horizon", CopyEffect<[](A a) {
       return Expand(a, {0, (a.H - a.Y) / 2, a.W, (a.H + a.Y) / 2});
     }>},
    {"Expand out from Vertical Center", CopyEffect<[](A a) {
       return Expand(a, {(a.W - a.X) / 2, 0, (a.W + a.X) / 2, a.H});
     }>},
    // 49..55: unscaled wipes.
    {"Wipe from Top Left", CopyEffect<[](A a) {
       return Plan(Same({0, 0, a.X, a.Y}));
     }>},
    {"Wipe from Top Right", CopyEffect<[](A a) {
       return Plan(Same({a.W - a.X, 0, a.W, a.Y}));
     }>},
    {"Wipe from Bottom Left", CopyEffect<[](A a) {
       return Plan(Same({0, a.H - a.Y, a.X, a.H}));
     }>},
    {"Wipe from Bottom Right", CopyEffect<[](A a) {
       return Plan(Same({a.W - a.X, a.H - a.Y, a.W, a.H}));
     }>},
    {"Wipe from Horizon", CopyEffect<[](A a) {
       return Plan(Same({0, (a.H - a.Y) / 2, a.W, (a.H + a.Y) / 2}));
     }>},
    {"Wipe in from Sides", CopyEffect<[](A a) {
       return Plan(Same({0, 0, a.X / 2 + 1, a.H}), Same({a.W - a.X / 2 - 1, 0, a.W, a.H}));
     }>},
    {"Wipe out from Vertical Center", CopyEffect<[](A a) {
       return Plan(Same({(a.W - a.X) / 2, 0, (a.W + a.X) / 2, a.H}));
     }>},
    // 56..59: the finished part, and a strip of the to-picture stretched over the rest.
    {"Build up from Left", CopyEffect<[](A a) {
       return Plan(Same({a.W - a.X, 0, a.W, a.H}),
                   CopyTo({std::max(a.W - a.X - Strip(a.W, a.U), 0), 0, a.W - a.X, a.H}, {0, 0, a.W - a.X, a.H}));
     }>},
    {"Build up from Right", CopyEffect<[](A a) {
       return Plan(Same({0, 0, a.X, a.H}),
                   CopyTo({a.X, 0, std::min(a.X + Strip(a.W, a.U), a.W), a.H}, {a.X, 0, a.W, a.H}));
     }>},
    {"Build up from Top", CopyEffect<[](A a) {
       return Plan(Same({0, a.H - a.Y, a.W, a.H}),
                   CopyTo({0, std::max(a.H - a.Y - Strip(a.H, a.U), 0), a.W, a.H - a.Y}, {0, 0, a.W, a.H - a.Y}));
     }>},
    {"Build up from Bottom", CopyEffect<[](A a) {
       return Plan(Same({0, 0, a.W, a.Y}),
                   CopyTo({0, a.Y, a.W, std::min(a.Y + Strip(a.H, a.U), a.H)}, {0, a.Y, a.W, a.H}));
     }>},
    // 60..63: a roll showing the back of the sheet mirrored.
    {"Unroll from Left", CopyEffect<Unroll<false, false>>},
    {"Unroll from Right", CopyEffect<Unroll<false, true>>},
    {"Unroll from Top", CopyEffect<Unroll<true, false>>},
    {"Unroll from Bottom", CopyEffect<Unroll<true, true>>},
    // 64..68: slides.
    {"Slide in from Left", CopyEffect<[](A a) {
       return Expand(a, {a.X - a.W, 0, a.X, a.H});
     }>},
    {"Slide in from Right", CopyEffect<[](A a) {
       return Expand(a, {a.W - a.X, 0, 2 * a.W - a.X, a.H});
     }>},
    {"Slide in from Top", CopyEffect<[](A a) {
       return Expand(a, {0, a.Y - a.H, a.W, a.Y});
     }>},
    {"Slide in from Bottom", CopyEffect<[](A a) {
       return Expand(a, {0, a.H - a.Y, a.W, 2 * a.H - a.Y});
     }>},
    {"Slide in from Top and Bottom", CopyEffect<[](A a) {
       return Plan(Same({0, 0, a.W, a.Y / 2 + 1}), Same({0, a.H - a.Y / 2 - 1, a.W, a.H}));
     }>},
    // 69..73: shrinks.
    {"Shrink to Top Left", CopyEffect<[](A a) {
       return Plan(CopyTo({0, 0, a.X, a.Y}, {0, 0, 2 * a.W - a.X, 2 * a.H - a.Y}));
     }>},
    {"Shrink to Top Right", CopyEffect<[](A a) {
       return Plan(CopyTo({a.W - a.X, 0, a.W, a.Y}, {a.X - a.W, 0, a.W, 2 * a.H - a.Y}));
     }>},
    {"Shrink to Bottom Left", CopyEffect<[](A a) {
       return Plan(CopyTo({0, a.H - a.Y, a.X, a.H}, {0, a.Y - a.H, 2 * a.W - a.X, a.H}));
     }>},
    {"Shrink to Bottom Right", CopyEffect<[](A a) {
       return Plan(CopyTo({a.W - a.X, a.H - a.Y, a.W, a.H}, {a.X - a.W, a.Y - a.H, a.W, a.H}));
     }>},
    {"Shrink to Center", CopyEffect<[](A a) {
       return Plan(CopyTo({(a.W - a.X) / 2, (a.H - a.Y) / 2, (a.W + a.X) / 2, (a.H + a.Y) / 2},
                          {a.X - a.W, a.Y - a.H, 2 * a.W - a.X, 2 * a.H - a.Y}));
     }>},
    // 74..76: quarters.
    {"Quarters Wipe in to Center", CopyEffect<[](A a) {
       const int32_t x = a.X / 2 + 1, y = a.Y / 2 + 1;
       return Plan(Same({0, 0, x, y}), Same({0, a.H - y, x, a.H}), Same({a.W - x, a.H - y, a.W, a.H}),
                   Same({a.W - x, 0, a.W, y}));
     }>},
    {"Quarters Expand to Center", CopyEffect<[](A a) {
       const int32_t w = a.W / 2 + 1, h = a.H / 2 + 1, x = a.X / 2, y = a.Y / 2;
       return Plan(CopyTo({0, 0, w, h}, {0, 0, x + 1, y + 1}), CopyTo({0, h, w, a.H}, {0, a.H - y, x + 1, a.H}),
                   CopyTo({w, h, a.W, a.H}, {a.W - x, a.H - y, a.W, a.H}),
                   CopyTo({w, 0, a.W, h}, {a.W - x, 0, a.W, y + 1}));
     }>},
    {"Quarters Slide in to Center", CopyEffect<[](A a) {
       const int32_t w = a.W / 2, h = a.H / 2, x = a.X / 2, y = a.Y / 2;
       return Plan(CopyTo({0, 0, w + 1, h + 1}, {(a.X - a.W) / 2, 0, x + 1, h + 1}),
                   CopyTo({w - 1, 0, a.W, h + 1}, {w - 1, (a.Y - a.H) / 2, a.W, y + 1}),
                   CopyTo({w + 1, h - 1, a.W, a.H}, {a.W - x, h - 1, a.W + (a.W - a.X) / 2, a.H}),
                   CopyTo({0, h + 1, w + 1, a.H}, {0, a.H - y, w + 1, a.H + (a.H - a.Y) / 2}));
     }>},
    // 77..80: curved wipes.
    {"Curved Wipe from Left",
     RegionEffect<[](A a) { return RoundRectWipe(-2 * a.W, -5, 2 * a.X, a.H + 5, 2 * a.W, 2 * a.W); }>},
    {"Curved Wipe from Right",
     RegionEffect<[](A a) { return RoundRectWipe(a.W - 2 * a.X, -5, 3 * a.W, a.H + 5, 2 * a.W, 2 * a.W); }>},
    {"Curved Wipe from Top",
     RegionEffect<[](A a) { return RoundRectWipe(-5, -2 * a.H, a.W + 5, 2 * a.Y, 2 * a.H, 2 * a.H); }>},
    {"Curved Wipe from Bottom",
     RegionEffect<[](A a) { return RoundRectWipe(-5, a.H - 2 * a.Y, a.W + 5, 3 * a.H, 2 * a.H, 2 * a.H); }>},
    // 81..90: bars (HKind, VKind, HExtent and VExtent in X and Y, snapped by U).
    {"Bars in from Left", RegionEffect<Bars<2, 0, 2, 0, true>>},
    {"Bars in from Right", RegionEffect<Bars<1, 0, 2, 0, true>>},
    {"Bars from Top", RegionEffect<Bars<0, 2, 0, 2, true>>},
    {"Bars from Bottom", RegionEffect<Bars<0, 1, 0, 2, true>>},
    {"Bars Left then Right", RegionEffect<Bars<4, 0, 2, 0, true>>},
    {"Bars Right then Left", RegionEffect<Bars<5, 0, 2, 0, true>>},
    {"Bars Top then Bottom", RegionEffect<Bars<0, 4, 0, 2, true>>},
    {"Bars Bottom then Top", RegionEffect<Bars<0, 5, 0, 2, true>>},
    {"Bars from both Sides", RegionEffect<Bars<3, 0, 1, 0, false>>},
    {"Bars from Top and Bottom", RegionEffect<Bars<0, 3, 0, 1, false>>},
    // 91..108: shredded (HKind, VKind).
    {"Shredded from Left", RegionEffect<Shred<2, 0>>},
    {"Shredded from Right", RegionEffect<Shred<1, 0>>},
    {"Shredded from Top", RegionEffect<Shred<0, 2>>},
    {"Shredded from Bottom", RegionEffect<Shred<0, 1>>},
    {"Shredded from Top and Left", RegionEffect<Shred<2, 2>>},
    {"Shredded from Top and Right", RegionEffect<Shred<1, 2>>},
    {"Shredded from Bottom and Left", RegionEffect<Shred<2, 1>>},
    {"Shredded from Bottom and Right", RegionEffect<Shred<1, 1>>},
    {"Shredded from Horizon and Left", RegionEffect<Shred<2, 3>>},
    {"Shredded from Horizon and Right", RegionEffect<Shred<1, 3>>},
    {"Shredded from Top and Vertical Center", RegionEffect<Shred<3, 2>>},
    {"Shredded from Bottom and Vertical Center", RegionEffect<Shred<3, 1>>},
    {"Shredded to Center", RegionEffect<Shred<4, 4>>},
    {"Shredded from Center", RegionEffect<Shred<3, 3>>},
    {"Shredded in to Horizon", RegionEffect<Shred<0, 4>>},
    {"Shredded in to Vertical Center", RegionEffect<Shred<4, 0>>},
    {"Shredded out from Horizon", RegionEffect<Shred<0, 3>>},
    {"Shredded out from Vertical Center", RegionEffect<Shred<3, 0>>},
    // 109, 110: grids.
    {"Rectangular Shred", RegionEffect<Grid<false>>},
    {"Triangular Shred to Top Left", RegionEffect<Grid<true>>},
    // 111..116: curved and circular wipes.
    {"Curved Wipe from Top Left",
     RegionEffect<[](A a) { return RoundRectWipe(-2 * a.W, -2 * a.H, 2 * a.X, 2 * a.Y, 2 * a.W, 2 * a.H); }>},
    {"Curved Wipe from Top Right",
     RegionEffect<[](A a) { return RoundRectWipe(a.W - 2 * a.X, -2 * a.H, 3 * a.W, 2 * a.Y, 2 * a.W, 2 * a.H); }>},
    {"Curved Wipe from Bottom Left",
     RegionEffect<[](A a) { return RoundRectWipe(-2 * a.W, a.H - 2 * a.Y, 2 * a.X, 3 * a.H, 2 * a.W, 2 * a.H); }>},
    // The corner ellipse is 2H x 2H here, unlike its three neighbours.
    {"Curved Wipe from Bottom Right",
     RegionEffect<[](A a) { return RoundRectWipe(a.W - 2 * a.X, a.H - 2 * a.Y, 3 * a.W, 3 * a.H, 2 * a.H, 2 * a.H); }>},
    {"Circular Wipe from Center", RegionEffect<[](A a) {
       return RoundRectWipe(a.W / 2 - a.X, a.H / 2 - a.Y, a.W / 2 + a.X, a.H / 2 + a.Y, 9 * a.X / 5, 9 * a.Y / 5);
     }>},
    {"Circular Wipe to Center", RegionEffect<CircularWipeToCenter>},
    // 117..130: crisscross (both directions of bars).
    {"Crisscross Wipe from Top Left", RegionEffect<Bars<2, 2, 2, 2, true>>},
    {"Crisscross Wipe from Top Right", RegionEffect<Bars<1, 2, 2, 2, true>>},
    {"Crisscross Wipe from Bottom Left", RegionEffect<Bars<2, 1, 2, 2, true>>},
    {"Crisscross Wipe from Bottom Right", RegionEffect<Bars<1, 1, 2, 2, true>>},
    {"Crisscross Wipe Bounce from Top Left", RegionEffect<Bars<4, 4, 2, 2, true>>},
    {"Crisscross Wipe Bounce from Top Right", RegionEffect<Bars<5, 4, 2, 2, true>>},
    {"Crisscross Wipe Bounce from Bottom Left", RegionEffect<Bars<4, 5, 2, 2, true>>},
    {"Crisscross Wipe Bounce from Bottom Right", RegionEffect<Bars<5, 5, 2, 2, true>>},
    {"Crisscross Wipe from Left Right and Top", RegionEffect<Bars<3, 2, 1, 1, true>>},
    {"Crisscross Wipe from Left Right and Bottom", RegionEffect<Bars<3, 1, 1, 1, true>>},
    {"Crisscross Wipe from Left Top and Bottom", RegionEffect<Bars<2, 3, 1, 1, true>>},
    {"Crisscross Wipe from Top Left Right and Bottom", RegionEffect<Bars<3, 3, 1, 1, false>>},
    {"Crisscross Wipe from Right Top and Bottom", RegionEffect<Bars<1, 3, 1, 1, true>>},
    {"Crisscross Wipe from Bottom Left Top Right", RegionEffect<CrisscrossIntersection>},
    // 131..141: triangles, sweeps and rotating shapes.
    {"Wipe diagonal from Top Left", RegionEffect<[](A a) {
       const TPoint p[] = {{0, 0}, {2 * a.X, 0}, {0, 2 * a.Y}};
       return Triangles(p, 3);
     }>},
    {"Wipe diagonal from Top Right", RegionEffect<[](A a) {
       const TPoint p[] = {{a.W, 0}, {a.W - 2 * a.X, 0}, {a.W, 2 * a.Y}};
       return Triangles(p, 3);
     }>},
    {"Wipe diagonal from Bottom Left", RegionEffect<[](A a) {
       const TPoint p[] = {{0, a.H}, {2 * a.X, a.H}, {0, a.H - 2 * a.Y}};
       return Triangles(p, 3);
     }>},
    {"Wipe diagonal from Bottom Right", RegionEffect<[](A a) {
       const TPoint p[] = {{a.W, a.H}, {a.W - 2 * a.X, a.H}, {a.W, a.H - 2 * a.Y}};
       return Triangles(p, 3);
     }>},
    {"Diagonal Sweep Clockwise", RegionEffect<[](A a) {
       const TPoint p[] = {{a.W, 0}, {0, 0}, {a.W, a.Y}, {a.W, a.H}, {0, a.H}, {0, a.H - a.Y}};
       return Triangles(p, 6);
     }>},
    {"Diagonal Sweep Counter-Clockwise", RegionEffect<[](A a) {
       const TPoint p[] = {{0, a.H}, {0, 0}, {a.X, a.H}, {a.W, a.H}, {a.W, 0}, {a.W - a.X, 0}};
       return Triangles(p, 6);
     }>},
    {"Sweep Clockwise", RegionEffect<Sweep<true>>},
    {"Sweep Counter-Clockwise", RegionEffect<Sweep<false>>},
    {"Starburst Clockwise from Center", RegionEffect<[](A a) {
       const TPoint c{a.W / 2, a.H / 2};
       const TPoint p[] = {c,          {0, a.H}, {0, a.H - a.Y}, {0, 0},    {a.X, 0}, c, {a.W - a.X, a.H}, c,
                           {a.W, a.H}, c,        {a.W, 0},       {a.W, a.Y}};
       return Triangles(p, 12);
     }>},
    {"Rotational Rectangle", RegionEffect<Rotated<false>>},
    {"Rotational Star", RegionEffect<Rotated<true>>},
    // 142..145: speckled.
    {"Speckled Wipe from Left", RegionEffect<Speckle<2, 0>>},
    {"Speckled Wipe from Right", RegionEffect<Speckle<1, 0>>},
    {"Speckled Wipe from Top", RegionEffect<Speckle<0, 2>>},
    {"Speckled Wipe from Bottom", RegionEffect<Speckle<0, 1>>},
    // 146..153: push: the frame shifted or squeezed, then the to-picture's part.
    {"Push Left and Slide out", CopyEffect<[](A a) {
       return Plan(SelfTo({a.X, 0, a.W, a.H}, {0, 0, a.W - a.X, a.H}),
                   CopyTo({0, 0, a.X, a.H}, {a.W - a.X, 0, a.W, a.H}));
     }>},
    {"Push Right and Slide out", CopyEffect<[](A a) {
       return Plan(SelfTo({0, 0, a.W - a.X, a.H}, {a.X, 0, a.W, a.H}),
                   CopyTo({a.W - a.X, 0, a.W, a.H}, {0, 0, a.X, a.H}));
     }>},
    {"Push up and Slide out", CopyEffect<[](A a) {
       return Plan(SelfTo({0, a.Y, a.W, a.H}, {0, 0, a.W, a.H - a.Y}),
                   CopyTo({0, 0, a.W, a.Y}, {0, a.H - a.Y, a.W, a.H}));
     }>},
    {"Push down and Slide out", CopyEffect<[](A a) {
       return Plan(SelfTo({0, 0, a.W, a.H - a.Y}, {0, a.Y, a.W, a.H}),
                   CopyTo({0, a.H - a.Y, a.W, a.H}, {0, 0, a.W, a.Y}));
     }>},
    {"Push and Squeeze Left", CopyEffect<[](A a) {
       return Plan(SelfTo(Whole(a), {0, 0, a.W - a.X, a.H}), CopyTo({0, 0, a.X, a.H}, {a.W - a.X, 0, a.W, a.H}));
     }>},
    {"Push and Squeeze Right", CopyEffect<[](A a) {
       return Plan(SelfTo(Whole(a), {a.X, 0, a.W, a.H}), CopyTo({a.W - a.X, 0, a.W, a.H}, {0, 0, a.X, a.H}));
     }>},
    {"Push and Squeeze up", CopyEffect<[](A a) {
       return Plan(SelfTo(Whole(a), {0, 0, a.W, a.H - a.Y}), CopyTo({0, 0, a.W, a.Y}, {0, a.H - a.Y, a.W, a.H}));
     }>},
    {"Push and Squeeze down", CopyEffect<[](A a) {
       return Plan(SelfTo(Whole(a), {0, a.Y, a.W, a.H}), CopyTo({0, a.H - a.Y, a.W, a.H}, {0, 0, a.W, a.Y}));
     }>},
    // 154..163: blinds and rectangles.
    {"Horizontal Blinds", RegionEffect<Blinds<false, false, false>>},
    {"Vertical Blinds", RegionEffect<Blinds<true, false, false>>},
    {"Uneven Blinds from Left", RegionEffect<Blinds<true, false, true>>},
    {"Uneven Blinds from Right", RegionEffect<Blinds<true, true, true>>},
    {"Uneven Blinds from Top", RegionEffect<Blinds<false, false, true>>},
    {"Uneven Blinds from Bottom", RegionEffect<Blinds<false, true, true>>},
    {"Rectangles from the Left", RegionEffect<Rectangles<true, false>>},
    {"Rectangles from the Right", RegionEffect<Rectangles<true, true>>},
    {"Rectangles from the Top", RegionEffect<Rectangles<false, false>>},
    {"Rectangles from the Bottom", RegionEffect<Rectangles<false, true>>},
};
