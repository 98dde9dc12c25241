#include "skins/gen/raster.h"

#include <algorithm>
#include <cstring>

bool ParseRgb(const char* Text, TRgb& Colour) {
  if (!Text || Text[0] != '#' || std::strlen(Text) != 7) return false;
  int32_t v[6];
  for (int i = 0; i < 6; ++i) {
    const char c = Text[i + 1];
    if (c >= '0' && c <= '9')
      v[i] = c - '0';
    else if (c >= 'A' && c <= 'F')
      v[i] = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f')
      v[i] = c - 'a' + 10;
    else
      return false;
  }
  Colour = {uint8_t(v[0] * 16 + v[1]), uint8_t(v[2] * 16 + v[3]), uint8_t(v[4] * 16 + v[5])};
  return true;
}

int32_t ColourValue(TRgb C) { return C.R + 256 * C.G + 65536 * C.B; }

static uint8_t MixChannel(int32_t A, int32_t B, int32_t C) { return uint8_t((A * C + B * (64 - C) + 32) / 64); }

TRgb Mix(TRgb A, TRgb B, int32_t C) {
  return {MixChannel(A.R, B.R, C), MixChannel(A.G, B.G, C), MixChannel(A.B, B.B, C)};
}

TRgb GradientAt(const std::vector<TStop>& Stops, int32_t I, int32_t N) {
  if (Stops.empty()) return {};
  const int32_t pos = N <= 1 ? 0 : I * 1024 / (N - 1);
  if (pos <= Stops.front().Pos) return Stops.front().Colour;
  for (size_t k = 1; k < Stops.size(); ++k) {
    const TStop& a = Stops[k - 1];
    const TStop& b = Stops[k];
    if (pos > b.Pos) continue;
    const int32_t span = std::max(1, b.Pos - a.Pos);
    return Mix(b.Colour, a.Colour, (pos - a.Pos) * 64 / span);
  }
  return Stops.back().Colour;
}

TRaster::TRaster(int32_t W, int32_t H, TRgb Fill) : FW(W), FH(H), FPx(size_t(W) * size_t(H), Fill) {}

void TRaster::Set(int32_t X, int32_t Y, TRgb C) {
  if (X >= 0 && Y >= 0 && X < FW && Y < FH) FPx[size_t(Y) * FW + X] = C;
}

void TRaster::Blend(int32_t X, int32_t Y, TRgb C, int32_t Cov) {
  if (X < 0 || Y < 0 || X >= FW || Y >= FH || Cov <= 0) return;
  TRgb& p = FPx[size_t(Y) * FW + X];
  p = Mix(C, p, std::min(Cov, 64));
}

void TRaster::FillRect(int32_t X0, int32_t Y0, int32_t X1, int32_t Y1, TRgb C) {
  for (int32_t y = Y0; y < Y1; ++y)
    for (int32_t x = X0; x < X1; ++x) Set(x, y, C);
}

void TRaster::Blit(const TRaster& Src, int32_t X, int32_t Y) {
  for (int32_t y = 0; y < Src.FH; ++y)
    for (int32_t x = 0; x < Src.FW; ++x) Set(X + x, Y + y, Src.At(x, y));
}

int32_t Coverage(const TInside& Inside, int32_t X, int32_t Y) {
  int32_t n = 0;
  for (int32_t j = 0; j < 8; ++j)
    for (int32_t i = 0; i < 8; ++i) n += Inside(16 * X + 2 * i + 1, 16 * Y + 2 * j + 1) ? 1 : 0;
  return n;
}

void FillShapeWith(TRaster& R, const TInside& Inside, int32_t X0, int32_t Y0, int32_t X1, int32_t Y1,
                   const std::function<TRgb(int32_t X, int32_t Y)>& Paint) {
  for (int32_t y = std::max(0, Y0); y < std::min(R.Height(), Y1); ++y)
    for (int32_t x = std::max(0, X0); x < std::min(R.Width(), X1); ++x) {
      const int32_t cov = Coverage(Inside, x, y);
      if (cov) R.Blend(x, y, Paint(x, y), cov);
    }
}

void FillShape(TRaster& R, const TInside& Inside, int32_t X0, int32_t Y0, int32_t X1, int32_t Y1, TRgb C) {
  FillShapeWith(R, Inside, X0, Y0, X1, Y1, [C](int32_t, int32_t) { return C; });
}

TInside RoundRectShape(int32_t X0, int32_t Y0, int32_t X1, int32_t Y1, TRadii Radii) {
  return [=](int32_t sx, int32_t sy) {
    const int32_t l = X0 * 16, t = Y0 * 16, r = X1 * 16, b = Y1 * 16;
    if (sx < l || sx >= r || sy < t || sy >= b) return false;
    auto outside = [&](int32_t rad, int32_t cx, int32_t cy, bool left, bool top) {
      if (rad <= 0) return false;
      const bool inCornerX = left ? sx < cx : sx >= cx;
      const bool inCornerY = top ? sy < cy : sy >= cy;
      if (!inCornerX || !inCornerY) return false;
      const int64_t dx = sx - cx, dy = sy - cy, rr = int64_t(rad) * 16;
      return dx * dx + dy * dy > rr * rr;
    };
    return !(outside(Radii.LT, l + Radii.LT * 16, t + Radii.LT * 16, true, true) ||
             outside(Radii.RT, r - Radii.RT * 16, t + Radii.RT * 16, false, true) ||
             outside(Radii.RB, r - Radii.RB * 16, b - Radii.RB * 16, false, false) ||
             outside(Radii.LB, l + Radii.LB * 16, b - Radii.LB * 16, true, false));
  };
}

TInside DiscShape(int32_t CX16, int32_t CY16, int32_t R16) {
  return [=](int32_t sx, int32_t sy) {
    const int64_t dx = sx - CX16, dy = sy - CY16;
    return dx * dx + dy * dy <= int64_t(R16) * R16;
  };
}

TInside PolygonShape(std::vector<TPt16> Points) {
  return [P = std::move(Points)](int32_t sx, int32_t sy) {
    int32_t winding = 0;
    for (size_t i = 0; i < P.size(); ++i) {
      const TPt16 a = P[i], b = P[(i + 1) % P.size()];
      const int64_t cross = int64_t(b.X - a.X) * (sy - a.Y) - int64_t(sx - a.X) * (b.Y - a.Y);
      if (a.Y <= sy) {
        if (b.Y > sy && cross > 0) ++winding;
      } else if (b.Y <= sy && cross < 0) {
        --winding;
      }
    }
    return winding != 0;
  };
}

int32_t ISqrt(int64_t V) {
  if (V <= 0) return 0;
  int64_t x = V, y = (x + 1) / 2;
  while (y < x) {
    x = y;
    y = (x + V / x) / 2;
  }
  return int32_t(x);
}

TInside StrokeShape(TPt16 A, TPt16 B, int32_t W16) {
  const int64_t dx = B.X - A.X, dy = B.Y - A.Y;
  const int64_t len = std::max<int64_t>(1, ISqrt(dx * dx + dy * dy));
  const int32_t ox = int32_t(-dy * W16 / (2 * len)), oy = int32_t(dx * W16 / (2 * len));
  return PolygonShape({{A.X + ox, A.Y + oy}, {B.X + ox, B.Y + oy}, {B.X - ox, B.Y - oy}, {A.X - ox, A.Y - oy}});
}

TInside UnionShape(std::vector<TInside> Shapes) {
  return [S = std::move(Shapes)](int32_t sx, int32_t sy) {
    for (const TInside& s : S)
      if (s(sx, sy)) return true;
    return false;
  };
}

void FillGradient(TRaster& R, int32_t X0, int32_t Y0, int32_t X1, int32_t Y1, const std::vector<TStop>& Stops,
                  bool Vertical) {
  for (int32_t y = Y0; y < Y1; ++y)
    for (int32_t x = X0; x < X1; ++x)
      R.Set(x, y, Vertical ? GradientAt(Stops, y - Y0, Y1 - Y0) : GradientAt(Stops, x - X0, X1 - X0));
}

std::vector<TStop> GlossyStops(TRgb Top1, TRgb Top2, TRgb Bottom1, TRgb Bottom2, int32_t Split) {
  return {{0, Top1}, {Split, Top2}, {Split + 1, Bottom1}, {1024, Bottom2}};
}

void Pinstripe(TRaster& R, int32_t X0, int32_t Y0, int32_t X1, int32_t Y1, TRgb C, int32_t Cov, int32_t Period) {
  for (int32_t y = Y0; y < Y1; ++y)
    for (int32_t x = X0; x < X1; ++x)
      if ((x - X0) % Period == 0) R.Blend(x, y, C, Cov);
}

void Dither(TRaster& R, int32_t X0, int32_t Y0, int32_t X1, int32_t Y1, TRgb C, int32_t Cov) {
  for (int32_t y = Y0; y < Y1; ++y)
    for (int32_t x = X0; x < X1; ++x)
      if (((x - X0) + (y - Y0)) % 2 == 0) R.Blend(x, y, C, Cov);
}

void Bevel(TRaster& R, int32_t X0, int32_t Y0, int32_t X1, int32_t Y1, TRgb Light, TRgb Dark) {
  for (int32_t x = X0; x < X1; ++x) {
    R.Set(x, Y0, Light);
    R.Set(x, Y1 - 1, Dark);
  }
  for (int32_t y = Y0; y < Y1; ++y) {
    R.Set(X0, y, Light);
    R.Set(X1 - 1, y, Dark);
  }
}
