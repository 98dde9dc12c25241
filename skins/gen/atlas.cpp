#include "skins/gen/atlas.h"

#include <algorithm>

#include "platform/rtl/exceptions.h"

void TAtlas::Reserve(const TRaster& Area) {
  FPlaced.push_back({Area, 0, 0});
  FTop = std::max(FTop, Area.Height());
  FWidth = std::max(FWidth, Area.Width());
}

std::vector<TRect> TAtlas::Add(const std::vector<TRaster>& States, bool Transparent) {
  std::vector<TRaster> images;
  for (const TRaster& s : States) images.push_back(Transparent ? WithKeyMargin(s) : s);
  const int32_t w = images.front().Width(), h = images.front().Height();
  const int32_t total = w * int32_t(images.size());
  if (total > kMaxPictureSize) throw EInvalidOperation("sprite block wider than a picture");
  if (FX + total > kMaxPictureSize) {
    FTop += FShelf;
    FX = 0;
    FShelf = 0;
  }
  std::vector<TRect> rects;
  for (size_t i = 0; i < images.size(); ++i) {
    const int32_t x = FX + w * int32_t(i);
    FPlaced.push_back({images[i], x, FTop});
    rects.push_back(Rect(x, FTop, x + w, FTop + h));
  }
  FX += total;
  FShelf = std::max(FShelf, h);
  FWidth = std::max(FWidth, FX);
  if (FTop + FShelf > kMaxPictureSize) throw EInvalidOperation("picture taller than 1024");
  return rects;
}

TRaster TAtlas::Build() const {
  TRaster r(FWidth, FTop + FShelf, FBackground);
  for (const TPlaced& p : FPlaced) r.Blit(p.Image, p.X, p.Y);
  return r;
}

TRaster WithKeyMargin(const TRaster& Image) {
  TRaster r(Image.Width() + 2, Image.Height() + 2, kKeyColour);
  r.Blit(Image, 1, 1);
  return r;
}
