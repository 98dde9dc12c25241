// Metafiles: Windows metafiles (placeable, with the 22-byte header keyed
// 0x9AC6CDD7, or plain) and enhanced metafiles, loaded as bytes and played
// record by record onto a canvas.
//
// The player keeps its own device-context state (mapping, objects, colours,
// paths) and maps every logical coordinate to the destination rectangle
// itself, so it needs nothing of the DC beyond plain pixel drawing. Records
// it does not know are skipped. Every record is checked against its own size
// and the data: sizes past the end stop the playing, bad object indexes,
// point counts or DIBs make the record a no-op; nothing is read outside the
// bytes and the work stays proportional to them.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gui/graphics.h"

class TMetafile : public TGraphic {
 public:
  TMetafile() = default;
  ~TMetafile() override = default;
  const char* ClassName() const override { return "TMetafile"; }
  TGraphic* CreateNew() const override { return new TMetafile(); }
  // From a TMetafile: a copy of its bytes and size; nullptr empties.
  void Assign(TPersistent* Source) override;

  bool Empty() const override { return FData.empty(); }
  // Size in pixels at 96 dpi: a placeable file's bounding box x 96 / its
  // units per inch, an enhanced file's frame (0.01 mm), a plain file's first
  // window extent (0 x 0 without one). Setting them changes only the size
  // reported (and the rectangle Canvas.Draw uses).
  int32_t Width() const override { return FWidth; }
  void SetWidth(int32_t Value) override;
  int32_t Height() const override { return FHeight; }
  void SetHeight(int32_t Value) override;
  // True for an enhanced metafile.
  bool Enhanced() const { return FEnhanced; }

  void Clear();
  // The rest of the stream holds one metafile. EInvalidGraphic "Metafile is
  // not valid" when its header is not one; the metafile is then unchanged.
  void LoadFromStream(TStream* Stream) override;
  // Writes the bytes as loaded (a placeable header included).
  void SaveToStream(TStream* Stream) override;

  // Plays the records onto ACanvas, the picture stretched into Rect and
  // clipped to it. The canvas's DC state is as before afterwards.
  void Play(TCanvas* ACanvas, const TRect& Rect);

 protected:
  void Draw(TCanvas* ACanvas, const TRect& Rect) override { Play(ACanvas, Rect); }

 private:
  std::vector<uint8_t> FData;       // from the standard header on (placeable header dropped)
  std::vector<uint8_t> FPlaceable;  // the 22-byte placeable header, if any
  bool FEnhanced = false;
  int32_t FWidth = 0;
  int32_t FHeight = 0;
  // The picture's frame in the units its records start in (logical units
  // for Windows metafiles, reference-device pixels for enhanced ones).
  double FFrameLeft = 0, FFrameTop = 0, FFrameWidth = 0, FFrameHeight = 0;
};
