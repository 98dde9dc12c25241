#include "skins/gen/glyphs.h"

#include <algorithm>

namespace {

// Sixteenths of the box: u/v run 0..16 across it.
struct TBox {
  int32_t X, Y, W, H;
  TPt16 P(int32_t U, int32_t V) const { return {X * 16 + W * U, Y * 16 + H * V}; }
  int32_t Unit() const { return std::min(W, H); }
};

TInside Frame(const TBox& B, int32_t U0, int32_t V0, int32_t U1, int32_t V1, int32_t Top) {
  const TPt16 a = B.P(U0, V0), b = B.P(U1, V1);
  const int32_t t = B.Unit() * 2, th = B.Unit() * Top;
  return UnionShape({PolygonShape({{a.X, a.Y}, {b.X, a.Y}, {b.X, a.Y + th}, {a.X, a.Y + th}}),
                     PolygonShape({{a.X, b.Y - t}, {b.X, b.Y - t}, {b.X, b.Y}, {a.X, b.Y}}),
                     PolygonShape({{a.X, a.Y}, {a.X + t, a.Y}, {a.X + t, b.Y}, {a.X, b.Y}}),
                     PolygonShape({{b.X - t, a.Y}, {b.X, a.Y}, {b.X, b.Y}, {b.X - t, b.Y}})});
}

TInside Triangle(TPt16 A, TPt16 C, TPt16 D) { return PolygonShape({A, C, D}); }

TInside GlyphShape(TGlyph G, const TBox& B) {
  const int32_t w = B.Unit() * 2 + B.Unit() / 2;
  switch (G) {
    case TGlyph::gClose:
      return UnionShape({StrokeShape(B.P(4, 4), B.P(12, 12), w), StrokeShape(B.P(12, 4), B.P(4, 12), w)});
    case TGlyph::gMaximize: return Frame(B, 4, 4, 12, 12, 3);
    case TGlyph::gRestore: return UnionShape({Frame(B, 6, 3, 13, 10, 2), Frame(B, 3, 6, 10, 13, 3)});
    case TGlyph::gMinimize: return PolygonShape({B.P(4, 10), B.P(12, 10), B.P(12, 12), B.P(4, 12)});
    case TGlyph::gRollUp:
    case TGlyph::gArrowUp: return Triangle(B.P(4, 11), B.P(12, 11), B.P(8, 5));
    case TGlyph::gRollDown:
    case TGlyph::gArrowDown: return Triangle(B.P(4, 6), B.P(12, 6), B.P(8, 12));
    case TGlyph::gArrowLeft: return Triangle(B.P(11, 4), B.P(11, 12), B.P(5, 8));
    case TGlyph::gArrowRight: return Triangle(B.P(6, 4), B.P(6, 12), B.P(12, 8));
    case TGlyph::gTray: return PolygonShape({B.P(9, 9), B.P(13, 9), B.P(13, 13), B.P(9, 13)});
    case TGlyph::gSysMenu:
      return UnionShape({Frame(B, 3, 4, 13, 12, 2), PolygonShape({B.P(5, 8), B.P(11, 8), B.P(11, 9), B.P(5, 9)})});
    case TGlyph::gTick:
      return UnionShape({StrokeShape(B.P(3, 8), B.P(7, 12), w), StrokeShape(B.P(6, 12), B.P(13, 4), w)});
    case TGlyph::gDot: return DiscShape(B.P(8, 8).X, B.P(8, 8).Y, B.Unit() * 4);
    case TGlyph::gGripDots: {
      std::vector<TInside> dots;
      for (int32_t v = 3; v <= 13; v += 5)
        for (int32_t u = 5; u <= 11; u += 6) dots.push_back(DiscShape(B.P(u, v).X, B.P(u, v).Y, B.Unit() * 2));
      return UnionShape(std::move(dots));
    }
    case TGlyph::gGripLines:
      return UnionShape({PolygonShape({B.P(3, 5), B.P(13, 5), B.P(13, 6), B.P(3, 6)}),
                         PolygonShape({B.P(3, 8), B.P(13, 8), B.P(13, 9), B.P(3, 9)}),
                         PolygonShape({B.P(3, 11), B.P(13, 11), B.P(13, 12), B.P(3, 12)})});
    case TGlyph::gChevron:
      return UnionShape({StrokeShape(B.P(4, 4), B.P(8, 8), w), StrokeShape(B.P(8, 8), B.P(4, 12), w),
                         StrokeShape(B.P(8, 4), B.P(12, 8), w), StrokeShape(B.P(12, 8), B.P(8, 12), w)});
    case TGlyph::gMenuMarker: return Triangle(B.P(6, 4), B.P(6, 12), B.P(10, 8));
  }
  return [](int32_t, int32_t) { return false; };
}

}  // namespace

void DrawGlyph(TRaster& R, TGlyph G, int32_t X, int32_t Y, int32_t W, int32_t H, TRgb C) {
  FillShape(R, GlyphShape(G, TBox{X, Y, W, H}), X, Y, X + W, Y + H, C);
}
