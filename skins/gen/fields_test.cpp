// Skin 9's fields drawn by the real controls: every combo box section shows
// its item whole and centred in the field and its drop-down arrow in every
// state; the spin edit shows both arrows before the pointer reaches them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "skin/controls/bars_testing.h"
#include "skin/controls/skincombobox.h"
#include "skin/controls/skinspinedit.h"
#include "skin/engine/data/skindata.h"
#include "skins/gen/atlas.h"
#include "skins/gen/lint.h"

namespace {

// Rows of R (a window's client rect) that hold ink: pixels far in luminance
// from the median of R.
struct TInk {
  int32_t Top = -1, Bottom = -1, Pixels = 0;
};

int32_t Luma(TRgb C) { return (299 * C.R + 587 * C.G + 114 * C.B) / 1000; }

TInk InkOf(TWinControl* C, const TRect& R) {
  const TRaster shot = BitmapToRaster(*WindowPixels(C->Handle(), true));
  std::vector<int32_t> lum;
  for (int32_t y = R.Top; y < R.Bottom; ++y)
    for (int32_t x = R.Left; x < R.Right; ++x) lum.push_back(Luma(shot.At(x, y)));
  if (lum.empty()) return {};
  std::nth_element(lum.begin(), lum.begin() + lum.size() / 2, lum.end());
  const int32_t median = lum[lum.size() / 2];
  TInk ink;
  for (int32_t y = R.Top; y < R.Bottom; ++y)
    for (int32_t x = R.Left; x < R.Right; ++x)
      if (std::abs(Luma(shot.At(x, y)) - median) > 64) {
        if (ink.Top < 0) ink.Top = y;
        ink.Bottom = y;
        ++ink.Pixels;
      }
  return ink;
}

class SkinNineFields : public TSkinBarTest {
 public:
  void SetUp() override {
    TSkinBarTest::SetUp();
    Container.LoadFromCompressedFile(SKINS_BUILD_DIR "/skn/9.skn");
    Skin->SetCompressedStoredSkin(&Container);
    ASSERT_NE(Skin->GetControlIndex("combobox"), -1);
    Form->SetBounds(0, 0, 560, 260);
    ShowForm();
  }
  void TearDown() override {
    Skin.reset();
    TSkinBarTest::TearDown();
  }
  int32_t FieldHeight(const char* Name) {
    const auto& d =
        dynamic_cast<const TbsDataSkinCustomControl&>(*Skin->ControlDescriptions[Skin->GetControlIndex(Name)]);
    return d.SkinRect.Height();
  }
  TbsSkinComboBox* Combo(const char* Name, int32_t X, int32_t Y) {
    auto* b = new TbsSkinComboBox(Form.get());
    b->SetParent(Form.get());
    b->SetSkinDataName(Name);
    b->SetBounds(X, Y, 130, FieldHeight(Name));
    for (const char* s : {"No change", "High (smallest file)"}) b->Items()->Add(s);
    b->SetItemIndex(0);
    b->SetSkinData(Skin.get());
    return b;
  }
  TbsCompressedStoredSkin Container{nullptr};
};

// Rows: normal, pointer over the item, pointer over the button, focused,
// disabled; columns: the four combo box sections.
TEST_F(SkinNineFields, ComboShowsItsItemWholeAndItsArrowInEveryState) {
  const char* names[] = {"combobox", "captioncombobox", "statuscombobox", "toolcombobox"};
  const char* states[] = {"normal", "hot item", "hot button", "focused", "disabled"};
  std::vector<std::vector<TbsSkinComboBox*>> boxes(5);
  for (int32_t row = 0; row < 5; ++row)
    for (int32_t col = 0; col < 4; ++col)
      boxes[size_t(row)].push_back(Combo(names[col], 10 + col * 140, 10 + row * 30));
  Pump();
  for (int32_t col = 0; col < 4; ++col) {
    for (int32_t row : {1, 2}) {
      TbsSkinComboBox* b = boxes[size_t(row)][size_t(col)];
      const TRect r = row == 1 ? b->ItemAreaRect() : b->ButtonRect();
      b->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(b));
      b->Perform(WM_MOUSEMOVE, 0, MAKELPARAM((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
    }
    boxes[4][size_t(col)]->SetEnabled(false);
  }
  boxes[3][0]->SetFocus();
  Pump();
  SaveSheet(Form.get(), "skin9-combos");
  for (int32_t col = 0; col < 4; ++col) {
    boxes[3][size_t(col)]->SetFocus();
    Pump();
    for (int32_t row = 0; row < 5; ++row) {
      TbsSkinComboBox* b = boxes[size_t(row)][size_t(col)];
      const String at = String(names[col]) + ", " + states[row];
      TRect area = b->ItemAreaRect();
      InflateRect(area, -1, -1);
      const TInk text = InkOf(b, area);
      ASSERT_GT(text.Pixels, 0) << at;
      EXPECT_GT(text.Top, area.Top) << at << ": the text touches the top of its area";
      // "No change": a capital over a descender, whole and in the middle
      EXPECT_GE(text.Bottom - text.Top + 1, 11) << at << ": the text is cut off";
      EXPECT_LE(std::abs(text.Top + text.Bottom - (b->Height() - 1)), 3) << at << ": the text is not centred";
      EXPECT_GE(InkOf(b, b->ButtonRect()).Pixels, 5) << at << ": no arrow on the button";
    }
  }
}

TEST_F(SkinNineFields, SpinEditShowsBothArrowsAtRest) {
  auto* s = new TbsSkinSpinEdit(Form.get());
  s->SetParent(Form.get());
  s->SetBounds(10, 10, 130, FieldHeight("spinedit"));
  s->SetValue(90);
  s->SetSkinData(Skin.get());
  Pump();
  SaveSheet(Form.get(), "skin9-spinedit");
  for (int32_t i = 0; i < 2; ++i) {
    const TRect r = s->Button(i).R;
    EXPECT_GE(r.Right, s->Width() - 3) << "button " << i << " keeps to the right edge";
    EXPECT_GE(InkOf(s, r).Pixels, 4) << "no arrow on button " << i;
  }
  const TRect e = s->Editor()->BoundsRect();
  EXPECT_LE(e.Right, s->Button(0).R.Left) << "the number runs under the buttons";
}

}  // namespace
