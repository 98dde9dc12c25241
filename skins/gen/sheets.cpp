#include "skins/gen/sheets.h"

#include <algorithm>
#include <functional>
#include <map>
#include <memory>

#include "platform/gui/graphics.h"
#include "platform/gui/headless.h"
#include "platform/gui/win_readback.h"
#include "platform/rtl/files.h"
#include "platform/vcl/forms.h"
#include "skin/engine/data/skindata.h"
#include "skin/engine/data/skinimage.h"
#include "skins/gen/atlas.h"
#include "skins/gen/generator.h"
#include "skins/gen/lint.h"

namespace {

constexpr TRgb kPaper{255, 255, 255}, kAbsolute{230, 30, 30}, kRelative{20, 90, 230}, kGap{128, 128, 128};
constexpr TRgb kInk{0, 0, 0};

TRgb FromColour(TColor C) { return {uint8_t(C & 0xFF), uint8_t((C >> 8) & 0xFF), uint8_t((C >> 16) & 0xFF)}; }

void Outline(TRaster& R, const TRect& Rc, TRgb C) {
  for (int32_t x = Rc.Left; x < Rc.Right; ++x) {
    R.Set(x, Rc.Top, C);
    R.Set(x, Rc.Bottom - 1, C);
  }
  for (int32_t y = Rc.Top; y < Rc.Bottom; ++y) {
    R.Set(Rc.Left, y, C);
    R.Set(Rc.Right - 1, y, C);
  }
}

TRaster Checkerboard(int32_t W, int32_t H) {
  TRaster r(W, H);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) r.Set(x, y, ((x / 6) + (y / 6)) % 2 ? TRgb{204, 204, 204} : kPaper);
  return r;
}

// A text drawn onto a page after its images, on a paper-coloured cell.
struct TLabel {
  TPoint At;
  String Text;
  TRgb Colour;
};

constexpr int32_t kLabelHeight = 11;

// Draws the labels through the canvas (fonts of the headless session): the
// pictures themselves never contain text.
TRaster WithLabels(const TRaster& Page, const std::vector<TLabel>& Labels) {
  TBitmap b;
  RasterToBitmap(Page, b, false);
  TCanvas* c = b.Canvas();
  c->Font()->SetName("Arial");
  c->Font()->SetHeight(kLabelHeight);
  c->Brush()->SetColor(ColourValue(kPaper));
  for (const TLabel& l : Labels) {
    c->Font()->SetColor(ColourValue(l.Colour));
    c->TextOut(l.At.X, l.At.Y, l.Text);
  }
  return BitmapToRaster(b);
}

// Rows of images left to right, wrapping at a page width; each image's place
// on the page is answered for its labels.
class TPageLayout {
 public:
  TPoint Add(const TRaster& Image) {
    if (FX > 0 && FX + Image.Width() > 1400) NewRow();
    FItems.push_back({Image, FX, FY});
    const TPoint at{FX + 10, FY + 10};
    FX += Image.Width() + 6;
    FRow = std::max(FRow, Image.Height());
    return at;
  }
  // A title line above the next row.
  void Title(const String& Text) {
    NewRow();
    FLabels.push_back({TPoint{10, FY + 10}, Text, kInk});
    FY += kLabelHeight + 4;
  }
  void Label(TLabel L) { FLabels.push_back(std::move(L)); }
  void NewRow() {
    FY += FRow + 10;
    FX = 0;
    FRow = 0;
  }
  TRaster Build() const {
    int32_t w = 1;
    for (const auto& i : FItems) w = std::max(w, i.X + i.Image.Width());
    TRaster page(w + 20, FY + FRow + 20, kPaper);
    for (const auto& i : FItems) page.Blit(i.Image, i.X + 10, i.Y + 10);
    return FLabels.empty() ? page : WithLabels(page, FLabels);
  }

 private:
  struct TItem {
    TRaster Image;
    int32_t X, Y;
  };
  std::vector<TItem> FItems;
  std::vector<TLabel> FLabels;
  int32_t FX = 0, FY = 0, FRow = 0;
};

TRaster Scale2(const TRaster& R) {
  TRaster s(R.Width() * 2, R.Height() * 2);
  for (int32_t y = 0; y < s.Height(); ++y)
    for (int32_t x = 0; x < s.Width(); ++x) s.Set(x, y, R.At(x / 2, y / 2));
  return s;
}

// ---- atlas: every active picture at 2x, rects outlined by coordinate frame ----
// Red: absolute in the picture; blue: relative to another rect of the
// section; grey: a key whose frame is not recorded. A section's "skinrect"
// carries its name; other rects their key where the label fits.

struct TMark {
  int32_t Picture;
  TRect R;  // in the picture
  TRgb Colour;
  String Label;
  bool Bottom;  // label at the bottom-left (relative rects), else top-left
};

template <class D>
void MarkSection(std::vector<TMark>& Marks, const String& Name, D& Desc, int32_t Picture,
                 const std::function<TKeyFrame(const String&)>& FrameOf) {
  std::map<String, TRect> rects;
  Desc.EnumKeys([&](const TbsKeyInfo& Info, const TbsKeyValue& Value) {
    if (Info.Form == TbsKeyForm::kfRect) rects[Info.Key] = **std::get_if<TRect*>(&Value);
  });
  for (const auto& [key, r] : rects) {
    if (r.Width() <= 0 || r.Height() <= 0) continue;
    const TKeyFrame f = FrameOf(key);
    const String tag = key == "skinrect" ? Name : key.size() > 4 ? key.substr(0, key.size() - 4) : key;
    if (f.Frame == TRectFrame::rfRelative) {
      const auto base = rects.find(f.Base);
      if (base == rects.end() || FrameOf(f.Base).Frame != TRectFrame::rfPicture) continue;
      const TRect& b = base->second;
      Marks.push_back(
          {Picture, Rect(b.Left + r.Left, b.Top + r.Top, b.Left + r.Right, b.Top + r.Bottom), kRelative, tag, true});
    } else {
      Marks.push_back({Picture, r, f.Frame == TRectFrame::rfPicture ? kAbsolute : kGap, tag, false});
    }
  }
}

TRaster AtlasPage(const TbsStagedSkin& Skin) {
  std::vector<TMark> marks;
  for (const auto& c : Skin.Contents.ControlDescriptions)
    MarkSection(marks, c->SectionName, *c, c->PictureIndex,
                [&](const String& Key) { return ControlKeyFrame(*c, Key); });
  for (const auto& o : Skin.Contents.SkinObjects)
    if (o->SkinRectInAPicture)
      MarkSection(marks, o->SectionName, *o, o->ActivePictureIndex,
                  [&](const String& Key) { return ObjectKeyFrame(*o, Key); });
  // the menu and hint windows: their geometry is absolute in their picture
  const auto& pw = Skin.Contents.PopupWindowData;
  const auto& hw = Skin.Contents.HintWindowData;
  marks.push_back({pw.WindowPictureIndex, pw.ItemsRect, kAbsolute, "POPUPWINDOW items", false});
  marks.push_back({hw.WindowPictureIndex, hw.ClientRect, kAbsolute, "HINTWINDOW client", false});
  TPageLayout page;
  page.Title("picture");
  page.Add(Scale2(BitmapToRaster(*Skin.Layout.MainPicture)));
  TBitmap measure;
  measure.Canvas()->Font()->SetName("Arial");
  measure.Canvas()->Font()->SetHeight(kLabelHeight);
  for (int32_t i = 0; i < int32_t(Skin.Layout.ActivePictures.size()); ++i) {
    TRaster pic = Scale2(BitmapToRaster(*Skin.Layout.ActivePictures[i]));
    std::vector<TLabel> labels;
    for (const TMark& m : marks) {
      if (m.Picture != i) continue;
      const TRect r = Rect(m.R.Left * 2, m.R.Top * 2, m.R.Right * 2, m.R.Bottom * 2);
      Outline(pic, r, m.Colour);
      const TSize size = measure.Canvas()->TextExtent(m.Label);
      if (size.cx + 4 > r.Width() || size.cy + 2 > r.Height()) continue;
      labels.push_back({TPoint{r.Left + 2, m.Bottom ? r.Bottom - size.cy - 1 : r.Top + 1}, m.Label, m.Colour});
    }
    const bool named = i < Skin.Contents.ActivePictureNames->Count();
    page.Title("active picture " + IntToStr(i) + (named ? ": " + Skin.Contents.ActivePictureNames->Strings(i) : ""));
    const TPoint at = page.Add(pic);
    for (TLabel& l : labels) page.Label({TPoint{at.X + l.At.X, at.Y + l.At.Y}, l.Text, l.Colour});
  }
  return page.Build();
}

// ---- elements: every section composed at three sizes, each state --------------

}  // namespace

TRaster ComposeSection(const TbsDataSkinCustomControl& C, TBitmap& Source, const TRect& State, int32_t W, int32_t H,
                       TRgb Under) {
  const int32_t w = C.SkinRect.Width(), h = C.SkinRect.Height();
  TBitmap b;
  RasterToBitmap(TRaster(W, H, Under), b, false);
  const bool nine = C.RightBottomPoint.X != 0 && C.RightBottomPoint.Y != 0;
  if (nine) {
    const TRect& cr = C.ClientRect;
    BuildSkinImage(C.LeftTopPoint, C.RightTopPoint, C.LeftBottomPoint, C.RightBottomPoint, cr, C.LeftTopPoint,
                   Point(W - (w - C.RightTopPoint.X), C.RightTopPoint.Y),
                   Point(C.LeftBottomPoint.X, H - (h - C.LeftBottomPoint.Y)),
                   Point(W - (w - C.RightBottomPoint.X), H - (h - C.RightBottomPoint.Y)),
                   Rect(cr.Left, cr.Top, W - (w - cr.Right), H - (h - cr.Bottom)), &b, &Source, State, W, H, true,
                   C.LeftStretch, C.TopStretch, C.RightStretch, C.BottomStretch, C.StretchEffect, C.StretchType);
  } else if (C.RightTopPoint.X != 0) {
    BuildHSkinImage(C.LeftTopPoint.X, w - C.RightTopPoint.X, &b, &Source, State, W, h, C.StretchEffect);
  } else if (C.LeftBottomPoint.Y != 0) {
    BuildVSkinImage(C.LeftTopPoint.Y, h - C.LeftBottomPoint.Y, &b, &Source, State, w, H, C.StretchEffect);
  } else {
    b.SetSize(w, h);
    b.Canvas()->CopyRect(Rect(0, 0, w, h), Source.Canvas(), State);
  }
  return BitmapToRaster(b);
}

namespace {

// A keyed sprite drawn over a background: key pixels show the background.
TRaster OverBackground(const TRaster& Sprite, const TRaster& Background) {
  TRaster r = Background;
  for (int32_t y = 0; y < Sprite.Height(); ++y)
    for (int32_t x = 0; x < Sprite.Width(); ++x)
      if (!(Sprite.At(x, y) == kKeyColour)) r.Set(x, y, Sprite.At(x, y));
  return r;
}

TRaster Cut(const TRaster& Pic, const TRect& R) {
  TRaster r(R.Width(), R.Height());
  for (int32_t y = 0; y < R.Height(); ++y)
    for (int32_t x = 0; x < R.Width(); ++x) r.Set(x, y, Pic.At(R.Left + x, R.Top + y));
  return r;
}

TRaster ElementsPage(const TbsStagedSkin& Skin) {
  TPageLayout page;
  const TRgb face = FromColour(Skin.Contents.SkinColors.CBtnFace);
  for (const auto& c : Skin.Contents.ControlDescriptions) {
    auto* cc = dynamic_cast<TbsDataSkinCustomControl*>(c.get());
    const int32_t pi = c->PictureIndex;
    if (!cc || pi < 0 || pi >= int32_t(Skin.Layout.ActivePictures.size())) continue;
    TBitmap& src = *Skin.Layout.ActivePictures[pi];
    const TRaster pic = BitmapToRaster(src);
    std::vector<TRect> states, sprites;
    c->EnumKeys([&](const TbsKeyInfo& Info, const TbsKeyValue& Value) {
      if (Info.Form != TbsKeyForm::kfRect) return;
      const String key = Info.Key;
      const TRect r = **std::get_if<TRect*>(&Value);
      if (r.Width() <= 0 || r.Height() <= 0) return;
      if (key == "skinrect" || key == "activeskinrect" || key == "downskinrect" || key == "disabledskinrect")
        states.push_back(r);
      else if (key.find("checkimagerect") != String::npos || key.find("thumbrect") != String::npos ||
               key == "gripperrect" ||
               (key.find("buttonrect") != String::npos && cc->SectionName.find("track") != String::npos))
        sprites.push_back(r);
    });
    page.Title(c->SectionName);
    const int32_t w = c->SkinRect.Width(), h = c->SkinRect.Height();
    const std::pair<int32_t, int32_t> sizes[] = {
        {w, h}, {std::max(w * 2 / 3, w - 20), h}, {w * 3 / 2 + 7, h * 3 / 2 + 5}};
    for (const auto& [W, H] : sizes) {
      for (const TRect& s : states) page.Add(ComposeSection(*cc, src, s, W, H, kPaper));
    }
    for (const TRect& s : sprites) {
      const TRaster sprite = Cut(pic, s);
      page.Add(OverBackground(sprite, TRaster(sprite.Width(), sprite.Height(), face)));
      page.Add(OverBackground(sprite, Checkerboard(sprite.Width(), sprite.Height())));
    }
    page.NewRow();
  }
  return page.Build();
}

// ---- frame: the border strips at three sizes, active and inactive, and the mask

TRaster FrameAt(const TbsSkinFormInfo& F, TBitmap& Source, int32_t W, int32_t H) {
  const int32_t w = Source.Width(), h = Source.Height();
  const TRect& cr = F.ClientRect;
  const TPoint nrt{W - (w - F.RightTopPoint.X), F.RightTopPoint.Y};
  const TPoint nlb{F.LeftBottomPoint.X, H - (h - F.LeftBottomPoint.Y)};
  const TPoint nrb{W - (w - F.RightBottomPoint.X), H - (h - F.RightBottomPoint.Y)};
  const TRect ncr{cr.Left, cr.Top, W - (w - cr.Right), H - (h - cr.Bottom)};
  TBitmap l, t, r, b;
  BuildSkinBorderImages(F.LeftTopPoint, F.RightTopPoint, F.LeftBottomPoint, F.RightBottomPoint, cr, F.LeftTopPoint, nrt,
                        nlb, nrb, ncr, &l, &t, &r, &b, &Source, Rect(0, 0, w, h), W, H, F.LeftStretch, F.TopStretch,
                        F.RightStretch, F.BottomStretch);
  TRaster out(W, H, FromColour(clWhite));
  out.Blit(BitmapToRaster(t), 0, 0);
  out.Blit(BitmapToRaster(l), 0, ncr.Top);
  out.Blit(BitmapToRaster(r), ncr.Right, ncr.Top);
  out.Blit(BitmapToRaster(b), 0, ncr.Bottom);
  return out;
}

TRaster FramePage(const TbsStagedSkin& Skin) {
  TPageLayout page;
  const TbsSkinFormInfo& f = Skin.Contents.FormInfo;
  const std::pair<int32_t, int32_t> sizes[] = {{320, 200}, {260, 120}, {520, 340}};
  for (TBitmap* pic : {Skin.Layout.MainPicture.get(), Skin.Layout.InactivePicture.get()}) {
    if (pic->Empty()) continue;
    for (const auto& [w, h] : sizes) page.Add(FrameAt(f, *pic, w, h));
    page.NewRow();
  }
  if (!Skin.Layout.MaskPicture->Empty()) {
    const TRaster mask = BitmapToRaster(*Skin.Layout.MaskPicture);
    TRaster over = Checkerboard(mask.Width(), mask.Height());
    for (int32_t y = 0; y < mask.Height(); ++y)
      for (int32_t x = 0; x < mask.Width(); ++x) {
        const bool in = mask.At(x, y) == TRgb{};
        const bool edge = in && (x == 0 || y == 0 || !(mask.At(x - 1, y) == TRgb{}) || !(mask.At(x, y - 1) == TRgb{}));
        if (in) over.Blend(x, y, kRelative, 16);
        if (edge) over.Set(x, y, kAbsolute);
      }
    page.Add(Scale2(over));
  }
  return page.Build();
}

}  // namespace

std::vector<TSheetPage>& SheetPages() {
  static std::vector<TSheetPage> pages = {{"atlas", AtlasPage, nullptr},         {"elements", ElementsPage, nullptr},
                                          {"frame", FramePage, nullptr},         {"menus", nullptr, MenusPage},
                                          {"skinframe", nullptr, SkinFramePage}, {"menubar", nullptr, MenuBarPage}};
  return pages;
}

void RegisterSheetPage(TSheetPage Page) { SheetPages().push_back(std::move(Page)); }

std::vector<String> WriteContactSheets(const String& SknFileName, int32_t Number, const String& Dir) {
  THeadlessSession session;
  auto screen = std::make_unique<TScreen>(nullptr);
  auto app = std::make_unique<TApplication>(nullptr);
  TbsCompressedStoredSkin container(nullptr);
  container.LoadFromCompressedFile(SknFileName);
  TbsStagedSkin skin;
  if (!StageSkin(&container, skin)) return {};
  TbsSkinData live(nullptr);
  if (!live.LoadCompressedStoredSkin(&container)) return {};
  ForceDirectories(Dir);
  std::vector<String> files;
  const String prefix = IncludeTrailingPathDelimiter(Dir) + (Number < 10 ? "0" : "") + IntToStr(Number) + "-";
  for (const TSheetPage& p : SheetPages()) {
    TBitmap b;
    RasterToBitmap(p.Render ? p.Render(skin) : p.RenderLive(live), b, false);
    const String file = prefix + p.Name + ".png";
    if (!SavePng(b, file)) throw EWriteError("cannot write " + file);
    files.push_back(file);
  }
  return files;
}
