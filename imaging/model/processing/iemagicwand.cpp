#include "imaging/model/processing/iemagicwand.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "imaging/model/containers/ielists.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/ieaccessscope.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iebitrun.h"

namespace {

// Colour rows of the bitmap, converted as GetPixelAsRGB reads pixels, a few
// kept: the fill moves between neighbouring lines, and a file image would
// otherwise read a whole row for every pixel.
class TColourRows {
 public:
  explicit TColourRows(TIEBitmap* Bitmap) : FBitmap(Bitmap), FWidth(Bitmap->Width()) {
    for (int32_t i = 0; i < std::min(Bitmap->PaletteLength(), 256); ++i) Bitmap->GetPaletteColor(i, FPalette[i]);
    for (auto& r : FRows) r.resize(static_cast<size_t>(FWidth));
  }

  const TRGB* Row(int32_t Y) {
    const size_t slot = static_cast<size_t>(Y) & (kSlots - 1);
    if (FKeys[slot] != Y) {
      Convert(Y, FRows[slot].data());
      FKeys[slot] = Y;
    }
    return FRows[slot].data();
  }

 private:
  static constexpr size_t kSlots = 4;

  void Convert(int32_t Y, TRGB* Out) {
    const auto* s = static_cast<const uint8_t*>(FBitmap->ScanLine(Y));
    auto gray = [](uint8_t v) { return TRGB{v, v, v}; };
    for (int32_t x = 0; x < FWidth; ++x) {
      const auto i = static_cast<size_t>(x);
      switch (FBitmap->PixelFormat()) {
        case TIEPixelFormat::ie1g: Out[x] = gray(GetBit(s, x) ? 255 : 0); break;
        case TIEPixelFormat::ie8p: Out[x] = FPalette[s[i]]; break;
        case TIEPixelFormat::ie8g: Out[x] = gray(s[i]); break;
        case TIEPixelFormat::ie16g: Out[x] = gray(s[2 * i + 1]); break;
        case TIEPixelFormat::ie24RGB: std::memcpy(&Out[x], s + 3 * i, 3); break;
        case TIEPixelFormat::ie32f: {
          float f;
          std::memcpy(&f, s + 4 * i, 4);
          const double v = f >= 1.0f ? 1.0 : (f > 0.0f ? f : 0.0);  // NaN as 0
          Out[x] = gray(static_cast<uint8_t>(v * 255));
          break;
        }
        case TIEPixelFormat::ieCMYK: {
          TCMYK c;
          std::memcpy(&c, s + 4 * i, 4);
          Out[x] = IECMYKToRGB(c);
          break;
        }
        case TIEPixelFormat::ieRGB48: Out[x] = MakeTRGB(s[6 * i + 1], s[6 * i + 3], s[6 * i + 5]); break;
        default: Out[x] = TRGB{}; break;
      }
    }
  }

  TIEBitmap* FBitmap;
  int32_t FWidth;
  TRGB FPalette[256] = {};  // black past the palette, as GetPixelAsRGB
  std::vector<TRGB> FRows[kSlots];
  int32_t FKeys[kSlots] = {-1, -1, -1, -1};
};

struct TMatch {
  TRGB Seed;
  int32_t Tolerance;
  bool operator()(const TRGB& c) const {
    return std::abs(c.r - Seed.r) <= Tolerance && std::abs(c.g - Seed.g) <= Tolerance &&
           std::abs(c.b - Seed.b) <= Tolerance;
  }
};

// A line segment still to be explored: line Y + Direction under XLeft..XRight.
struct TSegment {
  int32_t Y, XLeft, XRight, Direction;
};
static_assert(sizeof(TSegment) == 16);

// One bit per pixel (bit 7 of byte 0 is column 0), rows of W div 8 + 1 bytes.
class TBitRows {
 public:
  TBitRows(int32_t Width, int32_t Height)
      : FRowBytes(static_cast<size_t>(Width / 8 + 1)), FBits(FRowBytes * static_cast<size_t>(Height)) {}
  bool Get(int32_t X, int32_t Y) const { return GetBit(&FBits[FRowBytes * static_cast<size_t>(Y)], X); }
  void Set(int32_t X, int32_t Y) { SetBit(&FBits[FRowBytes * static_cast<size_t>(Y)], X, true); }

 private:
  size_t FRowBytes;
  std::vector<uint8_t> FBits;
};

// The pixels 4-connected to a seed through matching pixels, and their box.
struct TWandRegion {
  int32_t Width = 0, Height = 0;
  std::unique_ptr<TBitRows> Visited;
  int32_t MinX = 0, MinY = 0, MaxX = -1, MaxY = -1;
  bool Empty() const { return MaxX < MinX; }
};

// Span fill with a stack of segments: every popped segment explores one line
// leftwards from its left end and rightwards across it, pushing the spans it
// fills for the next line and, where a span leaks past the segment, for the
// line it came from. False when the seed lies outside the image.
bool FillRegion(TIEBitmap* Bitmap, int32_t X, int32_t Y, int32_t Tolerance, TWandRegion& R) {
  const int32_t W = Bitmap->Width(), H = Bitmap->Height();
  if (X < 0 || Y < 0 || X >= W || Y >= H) return false;
  TIEAccessScope readOnly(Bitmap, TIEDataAccess{TIEDataAccessItem::iedRead});
  TColourRows rows(Bitmap);
  const TMatch match{rows.Row(Y)[X], Tolerance};
  R.Width = W;
  R.Height = H;
  R.Visited = std::make_unique<TBitRows>(W, H);
  R.MinX = W;
  R.MinY = H;
  R.MaxX = R.MaxY = -1;
  TBitRows& visited = *R.Visited;

  TIERecordList stack(sizeof(TSegment));
  stack.SetCount(2 * W);
  int32_t top = 0;
  auto push = [&](int32_t SY, int32_t XLeft, int32_t XRight, int32_t Direction) {
    if (top >= stack.Count()) stack.SetCount(stack.Count() + 2 * W);
    const TSegment s{SY, XLeft, XRight, Direction};
    std::memcpy(stack.GetRecord(top++), &s, sizeof s);
  };
  push(Y, X, X, 1);
  push(Y + 1, X, X, -1);  // popped first: the seed's own line

  while (top > 0) {
    TSegment s;
    std::memcpy(&s, stack.GetRecord(--top), sizeof s);
    int32_t d = s.Direction;
    int32_t y = s.Y + d;
    if (y >= H) {  // turn back at the bottom
      d = -d;
      y = s.Y + d;
    }
    const int32_t xl = s.XLeft, xr = s.XRight;
    const bool inside = y >= 0 && y < H;
    const TRGB* row = inside ? rows.Row(y) : nullptr;
    auto fillable = [&](int32_t x) { return inside && !visited.Get(x, y) && match(row[x]); };
    auto fill = [&](int32_t x) {
      visited.Set(x, y);
      R.MinX = std::min(R.MinX, x);
      R.MaxX = std::max(R.MaxX, x);
      R.MinY = std::min(R.MinY, y);
      R.MaxY = std::max(R.MaxY, y);
    };

    int32_t x = xl;
    for (; x >= 0 && fillable(x); --x) fill(x);
    bool skip = x >= xl;
    int32_t l = x + 1;
    if (!skip) {
      if (l < xl) push(y, l, xl - 1, -d);  // leak on the left
      x = xl + 1;
    }
    do {
      if (!skip) {
        for (; x < W && fillable(x); ++x) fill(x);
        push(y, l, x - 1, d);
        if (x > xr + 1) push(y, xr + 1, x - 1, -d);  // leak on the right
      }
      skip = false;
      for (++x; x <= xr && !fillable(x); ++x) {
      }
      l = x;
    } while (x <= xr);
  }
  return true;
}

}  // namespace

void MagicWandFill(TIEBitmap* Bitmap, int32_t X, int32_t Y, bool MaxFilter, int32_t Tolerance, TIEMask* Mask,
                   int32_t MaskValue) {
  if (!Bitmap || !Mask) return;
  TWandRegion r;
  if (!FillRegion(Bitmap, X, Y, Tolerance, r) || r.Empty()) return;
  const auto value = static_cast<uint8_t>(MaskValue);
  for (int32_t y = r.MinY; y <= r.MaxY; ++y)
    for (int32_t x = r.MinX; x <= r.MaxX; ++x) {
      if (!r.Visited->Get(x, y)) continue;
      if (!MaxFilter) {
        Mask->SetPixel(x, y, value);
        continue;
      }
      for (int32_t ny = std::max(y - 1, 0); ny <= std::min(y + 1, r.Height - 1); ++ny)
        for (int32_t nx = std::max(x - 1, 0); nx <= std::min(x + 1, r.Width - 1); ++nx) Mask->SetPixel(nx, ny, value);
    }
}

void SelectSimilarColors(TIEBitmap* Bitmap, int32_t X, int32_t Y, int32_t Tolerance, TIEMask* Mask, int32_t MaskValue) {
  if (!Bitmap || !Mask) return;
  const int32_t W = Bitmap->Width(), H = Bitmap->Height();
  if (X < 0 || Y < 0 || X >= W || Y >= H) return;
  TIEAccessScope readOnly(Bitmap, TIEDataAccess{TIEDataAccessItem::iedRead});
  TColourRows rows(Bitmap);
  const TMatch match{rows.Row(Y)[X], Tolerance};
  const auto value = static_cast<uint8_t>(MaskValue);
  for (int32_t y = 0; y < H; ++y) {
    const TRGB* row = rows.Row(y);
    for (int32_t x = 0; x < W; ++x)
      if (match(row[x])) Mask->SetPixel(x, y, value);
  }
}

// ---- Outline ----------------------------------------------------------------------------

namespace {

// Tracer moves in table order, and the chain code of each.
constexpr int32_t kDX[8] = {1, 0, -1, 0, 1, -1, -1, 1};
constexpr int32_t kDY[8] = {0, -1, 0, 1, -1, -1, 1, 1};
constexpr int32_t kCode[8] = {0, 2, 4, 6, 1, 3, 5, 7};
// Moves of each chain code (y grows downward).
constexpr int32_t kCodeDX[8] = {1, 1, 0, -1, -1, -1, 0, 1};
constexpr int32_t kCodeDY[8] = {0, -1, -1, -1, 0, 1, 1, 1};

enum : uint8_t { kOutside = 0, kInside = 1, kTraced = 2, kCandidate = 3 };

// Four cells per pixel on each axis and a margin: pixel (c, r) of the crop
// covers columns 4c + 2 .. 4c + 5 and rows 4r + 2 .. 4r + 5.
class TGrid {
 public:
  TGrid(int32_t Columns, int32_t Rows)
      : Columns(Columns), Rows(Rows), FCells(static_cast<size_t>(Columns) * static_cast<size_t>(Rows)) {}
  uint8_t& At(int32_t C, int32_t R) {
    return FCells[static_cast<size_t>(R) * static_cast<size_t>(Columns) + static_cast<size_t>(C)];
  }
  bool Inside(int32_t C, int32_t R) const { return C >= 0 && R >= 0 && C < Columns && R < Rows; }

  const int32_t Columns, Rows;

 private:
  std::vector<uint8_t> FCells;
};

// Marks with kCandidate the cell just before the first inside cell of every
// run along one line of Length cells, swept from From by StepBy (+1 or -1);
// Cell(i) is cell i of the line.
template <class CellAt>
void SweepLine(int32_t Length, int32_t From, int32_t StepBy, CellAt&& Cell) {
  bool inRun = false;
  for (int32_t i = From; i >= 0 && i < Length; i += StepBy) {
    if (Cell(i) != kInside) {
      inRun = false;
      continue;
    }
    const int32_t before = i - StepBy;
    if (!inRun && before >= 0 && before < Length) Cell(before) = kCandidate;
    inRun = true;
  }
}

}  // namespace

std::vector<TPoint> MagicWandOutline(TIEBitmap* Bitmap, int32_t X, int32_t Y, bool MaxFilter, int32_t Tolerance,
                                     int32_t& Count) {
  Count = 0;
  std::vector<TPoint> points;
  if (!Bitmap) return points;
  TWandRegion region;
  if (!FillRegion(Bitmap, X, Y, Tolerance, region) || region.Empty()) return points;

  // The region's box, cropped (grown by MaxFilter inside the crop).
  const int32_t bw = region.MaxX - region.MinX + 1, bh = region.MaxY - region.MinY + 1;
  TBitRows crop(bw, bh);
  for (int32_t r = 0; r < bh; ++r)
    for (int32_t c = 0; c < bw; ++c) {
      if (!region.Visited->Get(c + region.MinX, r + region.MinY)) continue;
      if (!MaxFilter) {
        crop.Set(c, r);
        continue;
      }
      for (int32_t nr = std::max(r - 1, 0); nr <= std::min(r + 1, bh - 1); ++nr)
        for (int32_t nc = std::max(c - 1, 0); nc <= std::min(c + 1, bw - 1); ++nc) crop.Set(nc, nr);
    }
  region.Visited.reset();

  TGrid grid(4 * bw + 4, 4 * bh + 4);
  for (int32_t r = 0; r < bh; ++r)
    for (int32_t c = 0; c < bw; ++c) {
      if (!crop.Get(c, r)) continue;
      for (int32_t gr = 4 * r + 2; gr <= 4 * r + 5; ++gr) std::memset(&grid.At(4 * c + 2, gr), kInside, 4);
    }

  // Border candidates: the outside cells next to an inside run, from each of
  // the four sides.
  for (int32_t r = 0; r < grid.Rows; ++r) {
    auto cell = [&](int32_t i) -> uint8_t& { return grid.At(i, r); };
    SweepLine(grid.Columns, 1, 1, cell);
    SweepLine(grid.Columns, grid.Columns - 1, -1, cell);
  }
  for (int32_t c = 0; c < grid.Columns; ++c) {
    auto cell = [&](int32_t i) -> uint8_t& { return grid.At(c, i); };
    SweepLine(grid.Rows, 1, 1, cell);
    SweepLine(grid.Rows, grid.Rows - 1, -1, cell);
  }

  // Start: the candidate nearest to the top-left corner of the candidates' box.
  int32_t boxLeft = grid.Columns, boxTop = grid.Rows;
  for (int32_t r = 0; r < grid.Rows; ++r)
    for (int32_t c = 1; c < grid.Columns; ++c)
      if (grid.At(c, r) == kCandidate) {
        boxLeft = std::min(boxLeft, c);
        boxTop = std::min(boxTop, r);
      }
  int32_t startC = -1, startR = -1;
  int64_t best = INT64_MAX;
  for (int32_t r = 0; r < grid.Rows; ++r)
    for (int32_t c = 1; c < grid.Columns; ++c)
      if (grid.At(c, r) == kCandidate) {
        const int64_t dc = c - boxLeft, dr = r - boxTop, d2 = dc * dc + dr * dr;
        if (d2 < best) {
          best = d2;
          startC = c;
          startR = r;
        }
      }
  if (startC < 0) return points;

  // Trace: keep going while the way ahead is a candidate, then take the first
  // candidate neighbour in table order.
  std::vector<uint8_t> chain;
  int32_t c = startC, r = startR, dir = 4;
  grid.At(c, r) = kTraced;
  auto candidate = [&](int32_t j) {
    const int32_t nc = c + kDX[j], nr = r + kDY[j];
    return grid.Inside(nc, nr) && grid.At(nc, nr) == kCandidate;
  };
  auto step = [&](int32_t j) {
    c += kDX[j];
    r += kDY[j];
    grid.At(c, r) = kTraced;
    chain.push_back(static_cast<uint8_t>(kCode[j]));
  };
  for (;;) {
    if (candidate(dir)) step(dir);
    int32_t j = 0;
    while (j < 8 && !candidate(j)) ++j;
    if (j == 8) break;
    step(j);
    dir = j;
  }
  // Close the loop when the trace ended beside its start.
  for (int32_t j = 0; j < 8; ++j)
    if (startC - c == kDX[j] && startR - r == kDY[j]) {
      chain.push_back(static_cast<uint8_t>(kCode[j]));
      break;
    }

  // A point wherever the code changes; grid cells back to pixel corners.
  auto corner = [](int64_t v) { return static_cast<int32_t>(static_cast<uint64_t>(v) / 4); };
  int64_t px = int64_t{startC} + 4 * int64_t{region.MinX} - 1, py = int64_t{startR} + 4 * int64_t{region.MinY} - 1;
  points.push_back(TPoint{corner(px), corner(py)});
  int32_t previous = -1;
  for (const uint8_t code : chain) {
    if (code != previous) points.push_back(TPoint{corner(px), corner(py)});
    previous = code;
    px += kCodeDX[code];
    py += kCodeDY[code];
  }
  Count = static_cast<int32_t>(points.size());
  return points;
}
