#include "app/convert/outputformatoptions.h"

#include <algorithm>
#include <initializer_list>

#include "app/main/bconvert.h"
#include "app/settings/commonclass.h"
#include "app/settings/guarded.h"
#include "app/settings/marloutils.h"
#include "platform/rtl/arith.h"
#include "platform/vcl/dialogs_color.h"
#include "platform/vcl/extctrls.h"
#include "skin/controls/base/skinintf.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skincheckradio.h"
#include "skin/controls/skincombobox.h"
#include "skin/controls/skinlabels.h"
#include "skin/controls/skinmessage.h"
#include "skin/controls/skinpagecontrol.h"
#include "skin/controls/skinspinedit.h"
#include "skin/controls/slider.h"
#include "skin/engine/form/skinform.h"

namespace {

constexpr int32_t kLabelX = 14;
constexpr int32_t kFieldX = 160;
constexpr int32_t kIndentX = 28;
constexpr int32_t kRowH = 24;
constexpr int32_t kFieldH = 22;
constexpr TColor kWhite = TColor(0xFFFFFF);

// A control named Name on Parent (the dialog or one of its pages), owned by
// the dialog and skinned before it is sized, so that its skin's metrics apply.
template <class T>
T* Make(TWinControl* Parent, const String& Name, int32_t X, int32_t Y, int32_t W, int32_t H) {
  auto* dialog = dynamic_cast<TOutputFormatOptions*>(Parent);
  if (dialog == nullptr) dialog = static_cast<TOutputFormatOptions*>(Parent->Owner());
  auto* c = new T(dialog);
  if (!Name.empty()) c->SetName(Name);
  c->SetParent(Parent);
  if (auto* aware = dynamic_cast<IbsSkinAware*>(c)) aware->SetSkinData(dialog->bsSkinForm1->SkinData());
  c->SetBounds(X, Y, W, H);
  return c;
}

TbsSkinStdLabel* MakeLabel(TWinControl* Parent, const String& Name, int32_t X, int32_t Y, const String& Text) {
  auto* l = Make<TbsSkinStdLabel>(Parent, Name, X, Y, 140, 16);
  l->SetAutoSize(true);
  l->SetCaption(Text);
  return l;
}

TbsSkinCheckRadioBox* MakeCheck(TWinControl* Parent, const String& Name, int32_t X, int32_t Y, const String& Text,
                                bool Radio = false) {
  auto* b = Make<TbsSkinCheckRadioBox>(Parent, Name, X, Y, 380, 20);
  if (Radio) {
    b->SetRadio(true);
    b->SetGroupIndex(1);
    b->SetSkinDataName("radiobox");
    b->ChangeSkinData();
  }
  b->SetCaption(Text);
  return b;
}

TbsSkinComboBox* MakeCombo(TWinControl* Parent, const String& Name, int32_t Y, std::initializer_list<const char*> Items,
                           int32_t W = 220) {
  auto* c = Make<TbsSkinComboBox>(Parent, Name, kFieldX, Y, W, kFieldH);
  c->SetStyle(TbsSkinCustomComboBoxStyle::bscbFixedStyle);
  for (const char* item : Items) c->Items()->Add(item);
  c->SetItemIndex(0);
  return c;
}

TbsSkinSpinEdit* MakeSpin(TWinControl* Parent, const String& Name, int32_t X, int32_t Y, int32_t Max) {
  auto* s = Make<TbsSkinSpinEdit>(Parent, Name, X, Y, 70, kFieldH);
  s->SetValueType(TbsValueType::vtInteger);
  s->SetMinValue(0);
  s->SetMaxValue(Max);
  s->SetIncrement(1);
  return s;
}

TbsSkinSlider* MakeSlider(TWinControl* Parent, const String& Name, int32_t Y, int32_t Max, int32_t Step) {
  auto* s = Make<TbsSkinSlider>(Parent, Name, kLabelX, Y, 320, 34);
  s->SetMaxValue(Max);
  s->SetIncrement(Step);
  s->SetOptions(TbsSliderOptions{TbsSliderOption::soShowFocus, TbsSliderOption::soShowPoints});
  return s;
}

TPanel* MakeColorPanel(TWinControl* Parent, const String& Name, int32_t Y) {
  auto* p = Make<TPanel>(Parent, Name, kFieldX, Y, 60, 22);
  p->SetBevelOuter(TBevelCut::bvNone);
  p->SetBorderStyle(TBorderStyle::bsSingle);
  p->SetParentColor(false);
  p->SetColor(kWhite);
  p->SetCursor(crHandPoint);
  return p;
}

// A combo box's index when it is a valid item, else -1 (no item).
int32_t ValidIndex(TbsSkinComboBox* Combo, int32_t Index) {
  return Index >= 0 && Index < Combo->Items()->Count() ? Index : -1;
}

}  // namespace

TOutputFormatOptions::TOutputFormatOptions(TComponent* AOwner, TIOParas& Paras, TbsSkinData* SkinData)
    : TForm(AOwner), FIOParas(&Paras) {
  SetName("OutputFormatOptions");
  SetCaption("Output format options");
  SetBorderStyle(TBorderStyle::bsDialog);
  SetBorderIcons(TBorderIcons{});
  SetKeyPreview(true);
  SetClientWidth(kClientWidth - 4);
  SetClientHeight(kClientHeight - 4);
  bsSkinForm1 = new TbsSkinForm(this);
  bsSkinForm1->SetBorderIcons(TbsBorderIcons{});
  Messager = new TbsSkinMessage(this);
  ColorDialog1 = new TColorDialog(this);
  bsSkinForm1->SetSkinData(SkinData);
  BuildPages();
  BuildButtons();
  ApplySkin(SkinData);
  OnShow = [this](TObject* S) { FormShow(S); };
  OnKeyDown = [this](TObject* S, uint16_t& K, TShiftState Sh) { FormKeyDown(S, K, Sh); };
}

// ---- Building ---------------------------------------------------------------------------

void TOutputFormatOptions::BuildPages() {
  Pages = Make<TbsSkinPageControl>(this, "Pages", 8, 8, kClientWidth - 16, 354);
  TbsSkinTabSheet** sheets[] = {&JPEGPage, &BMPPage, &GIFPage, &PNGPage, &JPEG2000Page, &TIFFPage};
  const char* names[] = {"JPEGPage", "BMPPage", "GIFPage", "PNGPage", "JPEG2000Page", "TIFFPage"};
  const char* captions[] = {"JPEG", "BMP", "GIF", "PNG", "JPEG 2000", "TIFF"};
  for (int32_t i = 0; i < 6; ++i) {
    auto* sheet = new TbsSkinTabSheet(this);
    sheet->SetName(names[i]);
    sheet->SetPageControl(Pages);
    sheet->SetCaption(captions[i]);
    *sheets[i] = sheet;
  }
  BuildJPEGPage();
  BuildBMPPage();
  BuildGIFPage();
  BuildPNGPage();
  BuildJPEG2000Page();
  BuildTIFFPage();
  Pages->SetActivePage(JPEGPage);
}

void TOutputFormatOptions::BuildJPEGPage() {
  TWinControl* p = JPEGPage;
  MakeLabel(p, "LabelJPEGQuality", kLabelX, 12, "Quality (0 lowest, 100 best):");
  JPEGSlide = MakeSlider(p, "JPEGSlide", 32, 100, 10);
  JPEGEdit = MakeSpin(p, "JPEGEdit", 344, 38, 100);
  ChkUseOriginalJPEGQuality =
      MakeCheck(p, "ChkUseOriginalJPEGQuality", kLabelX, 76, "Use the quality of the source JPEG when possible");
  MakeLabel(p, "LabelJPEGSmoothing", kLabelX, 114, "Smoothing:");
  JPEGSmoothing = MakeSpin(p, "JPEGSmoothing", kFieldX, 110, 100);
  MakeLabel(p, "LabelJPEGPhotometric", kLabelX, 114 + 30, "Colour space:");
  JPEGPhotometric = MakeCombo(p, "JPEGPhotometric", 110 + 30, {"No change", "RGB", "Grey", "YCbCr", "CMYK", "YCbCrK"});
  MakeLabel(p, "LabelJPEGSubSampling", kLabelX, 114 + 60, "Subsampling:");
  JPEGSubSampling =
      MakeCombo(p, "JPEGSubSampling", 110 + 60, {"None (best quality)", "Medium", "High (smallest file)"});
  JPEGOptimalHuffman = MakeCheck(p, "JPEGOptimalHuffman", kLabelX, 208, "Optimise the Huffman tables");
  JPEGProgressive = MakeCheck(p, "JPEGProgressive", kLabelX, 208 + kRowH, "Progressive");
  JPEGKeepEXIF = MakeCheck(p, "JPEGKeepEXIF", kLabelX, 208 + 2 * kRowH, "Keep the EXIF and IPTC data");
  JPEGSlide->OnChange = [this](TObject* S) { JPEGSlideChange(S); };
  JPEGEdit->OnChange = [this](TObject* S) { JPEGEditChange(S); };
  JPEGSmoothing->OnChange = [this](TObject* S) { JPEGEditChange(S); };
  JPEGSlide->OnMouseEnter = [this](TObject* S) { JPEGSlideMouseEnter(S); };
  JPEGSlide->OnMouseWheelDown = [this](TObject* S, TShiftState Sh, TPoint P, bool& H) {
    JPEGSlideMouseWheelDown(S, Sh, P, H);
  };
  JPEGSlide->OnMouseWheelUp = [this](TObject* S, TShiftState Sh, TPoint P, bool& H) {
    JPEGSlideMouseWheelUp(S, Sh, P, H);
  };
}

void TOutputFormatOptions::BuildBMPPage() {
  TWinControl* p = BMPPage;
  MakeLabel(p, "LabelBMPCompression", kLabelX, 12, "Compression:");
  BMPUncompr = MakeCheck(p, "BMPUncompr", kIndentX, 34, "Uncompressed", true);
  BMPRLE = MakeCheck(p, "BMPRLE", kIndentX, 34 + kRowH, "Run-length encoded (RLE)", true);
  MakeLabel(p, "LabelBMPColor", kLabelX, 100, "Colours:");
  BMPColor =
      MakeCombo(p, "BMPColor", 96,
                {"24-bit (16.7 million colours)", "65536 colours", "256 colours", "16 colours", "Black and white"});
}

void TOutputFormatOptions::BuildGIFPage() {
  TWinControl* p = GIFPage;
  MakeLabel(p, "LabelGIFColor", kLabelX, 16, "Colours:");
  GifColor = MakeCombo(p, "GifColor", 12,
                       {"256 colours", "128 colours", "64 colours", "32 colours", "16 colours", "8 colours",
                        "4 colours", "Black and white"});
  ChkGIFTransparent = MakeCheck(p, "ChkGIFTransparent", kLabelX, 50, "Transparent");
  LabelTransparentColor = MakeLabel(p, "LabelTransparentColor", kIndentX, 82, "Transparent colour:");
  GifTransparentColor = MakeColorPanel(p, "GifTransparentColor", 78);
  GIFInterlaced = MakeCheck(p, "GIFInterlaced", kLabelX, 114, "Interlaced");
  ChkGIFTransparent->OnClick = [this](TObject* S) { ChkGIFTransparentClick(S); };
  GifTransparentColor->OnClick = [this](TObject* S) { GifTransparentColorClick(S); };
}

void TOutputFormatOptions::BuildPNGPage() {
  TWinControl* p = PNGPage;
  MakeLabel(p, "LabelPNGColor", kLabelX, 16, "Colours:");
  PNGColor = MakeCombo(p, "PNGColor", 12, {"24-bit (16.7 million colours)", "256 colours", "Black and white"});
  MakeLabel(p, "LabelPNGCompression", kLabelX, 46, "Compression:");
  PNGCompression = MakeCombo(p, "PNGCompression", 42, {"None", "1", "2", "3", "4", "5", "6", "7", "8", "Maximum"});
  MakeLabel(p, "LabelPNGFilter", kLabelX, 80, "Filter:");
  PNGNone = MakeCheck(p, "PNGNone", kIndentX, 100, "None", true);
  PNGSub = MakeCheck(p, "PNGSub", kIndentX, 100 + kRowH, "Sub", true);
  PNGPaeth = MakeCheck(p, "PNGPaeth", kIndentX, 100 + 2 * kRowH, "Paeth", true);
  PNGInterlaced = MakeCheck(p, "PNGInterlaced", kLabelX, 180, "Interlaced");
  MakeLabel(p, "LabelPNGBackground", kLabelX, 216, "Background colour:");
  PNGBackgroundColor = MakeColorPanel(p, "PNGBackgroundColor", 212);
  PNGBackgroundColor->OnClick = [this](TObject* S) { PNGBackgroundColorClick(S); };
}

void TOutputFormatOptions::BuildJPEG2000Page() {
  TWinControl* p = JPEG2000Page;
  MakeLabel(p, "LabelJPEG2000Quality", kLabelX, 12, "Quality:");
  JPEG2000Slide = MakeSlider(p, "JPEG2000Slide", 32, 1000, 100);
  JPEG2000Edit = MakeSpin(p, "JPEG2000Edit", 344, 38, 1000);
  for (int32_t i = 0; i <= 10; ++i) FJPEG2000Ticks[i] = MakeLabel(p, String(), 0, 68, std::to_string(i));
  FLosslessLabel = MakeLabel(p, "LabelLossless", 0, 84, "lossless");
  MakeLabel(p, "LabelJPEG2000Colors", kLabelX, 116, "Colours:");
  JPEG2000GrayScale = MakeCheck(p, "JPEG2000GrayScale", kIndentX, 138, "Grey", true);
  JPEG2000RGB = MakeCheck(p, "JPEG2000RGB", kIndentX, 138 + kRowH, "RGB", true);
  JPEG2000Slide->OnChange = [this](TObject* S) { JPEG2000SlideChange(S); };
  JPEG2000Edit->OnChange = [this](TObject* S) { JPEG2000EditChange(S); };
  JPEG2000Slide->OnMouseEnter = [this](TObject* S) { JPEG2000SlideMouseEnter(S); };
  JPEG2000Slide->OnMouseWheelDown = [this](TObject* S, TShiftState Sh, TPoint P, bool& H) {
    JPEG2000SlideMouseWheelDown(S, Sh, P, H);
  };
  JPEG2000Slide->OnMouseWheelUp = [this](TObject* S, TShiftState Sh, TPoint P, bool& H) {
    JPEG2000SlideMouseWheelUp(S, Sh, P, H);
  };
}

void TOutputFormatOptions::BuildTIFFPage() {
  TWinControl* p = TIFFPage;
  MakeLabel(p, "LabelTIFFCompression", kLabelX, 12, "Compression:");
  const char* captions[] = {"None", "LZW", "JPEG", "PACKBITS", "G3FAX1D", "G3FAX2D", "G4FAX"};
  for (int32_t i = 0; i < 7; ++i) {
    TIFFCommpress[i] = MakeCheck(p, "TIFFCommpress" + std::to_string(i), kIndentX, 34 + i * kRowH, captions[i], true);
    TIFFCommpress[i]->OnClick = [this](TObject* S) { TIFFCommpress0Click(S); };
  }
  Label35 = MakeLabel(p, "Label35", kLabelX, 214, "Photometric:");
  TIFFPhotometric = MakeCombo(p, "TIFFPhotometric", 210,
                              {"No change", "RGB", "RGB palette (256 colours)", "CMYK", "YCbCr", "CIELAB"});
}

void TOutputFormatOptions::BuildButtons() {
  auto button = [this](const String& Name, int32_t X, int32_t W, const String& Text) {
    auto* b = Make<TbsSkinButton>(this, Name, X, kClientHeight - 37, W, 25);
    b->SetCaption(Text);
    return b;
  };
  BntEffectsReset = button("BntEffectsReset", 8, 110, "Reset this page");
  BntOK = button("BntOK", kClientWidth - 184, 84, "OK");
  BntCancel = button("BntCancel", kClientWidth - 92, 84, "Cancel");
  BntOK->SetDefault(true);
  BntOK->OnClick = [this](TObject* S) { BntOKClick(S); };
  BntCancel->OnClick = [this](TObject* S) { BntCancelClick(S); };
  BntEffectsReset->OnClick = [this](TObject* S) { BntEffectsResetClick(S); };
}

void TOutputFormatOptions::ApplySkin(TbsSkinData* SkinData) {
  bsSkinForm1->SetSkinData(SkinData);
  Messager->SetSkinData(SkinData);
  Messager->SetCtrlSkinData(SkinData);
  for (int32_t i = 0; i < ComponentCount(); ++i)
    if (auto* aware = dynamic_cast<IbsSkinAware*>(Components(i))) aware->SetSkinData(SkinData);
}

// The tick labels 0..10 under the JPEG 2000 slider, the last marked lossless.
void TOutputFormatOptions::PlaceJPEG2000Ticks() {
  for (int32_t i = 0; i <= 10; ++i) {
    TbsSkinStdLabel* l = FJPEG2000Ticks[i];
    const int32_t x = JPEG2000Slide->Left() + JPEG2000Slide->ValueToOffset(i * 100);
    l->SetLeft(x - l->Width() / 2);
  }
  const int32_t x10 = FJPEG2000Ticks[10]->Left() + FJPEG2000Ticks[10]->Width() / 2;
  FLosslessLabel->SetLeft(x10 - FLosslessLabel->Width() / 2);
}

void TOutputFormatOptions::ShowFormatPage(int32_t OutputFormat) {
  const int32_t index = std::clamp<int32_t>(OutputFormat, 0, 5);
  TbsSkinTabSheet* sheets[] = {JPEGPage, BMPPage, GIFPage, PNGPage, JPEG2000Page, TIFFPage};
  for (int32_t i = 0; i < 6; ++i) sheets[i]->SetTabVisible(i == index);
  Pages->SetActivePage(sheets[index]);
}

// ---- Loading and storing ------------------------------------------------------------------

void TOutputFormatOptions::LoadFromParas() {
  Guarded([this] {
    LoadJPEG();
    LoadOthers();
  });
}

void TOutputFormatOptions::LoadJPEG() {
  const TIOParas& s = *FIOParas;
  JPEGSlide->SetValue(s.JPEGQuality);
  JPEGEdit->SetValue(s.JPEGQuality);
  ChkUseOriginalJPEGQuality->SetChecked(s.JPEGUseOriginalQuality);
  JPEGSmoothing->SetValue(s.JPEGSmoothing);
  JPEGPhotometric->SetItemIndex(ValidIndex(JPEGPhotometric, s.JPEGPhotometric));
  JPEGSubSampling->SetItemIndex(ValidIndex(JPEGSubSampling, s.JPEGSubSampling));
  JPEGOptimalHuffman->SetChecked(s.JPEGOptimalHuffman);
  JPEGProgressive->SetChecked(s.JPEGProgressive);
  JPEGKeepEXIF->SetChecked(s.JPEGKeepEXIF);
}

void TOutputFormatOptions::LoadOthers() {
  const TIOParas& s = *FIOParas;
  (s.BMPCompression != 0 ? BMPRLE : BMPUncompr)->SetChecked(true);
  BMPColor->SetItemIndex(ValidIndex(BMPColor, s.BMPColor));
  GifColor->SetItemIndex(ValidIndex(GifColor, s.GIFColor));
  ChkGIFTransparent->SetChecked(s.GIFTransparent);
  ChkGIFTransparentClick(ChkGIFTransparent);
  GifTransparentColor->SetColor(s.GIFTransColor);
  GIFInterlaced->SetChecked(s.GIFInterlaced);
  PNGColor->SetItemIndex(ValidIndex(PNGColor, s.PNGColor));
  PNGCompression->SetItemIndex(ValidIndex(PNGCompression, s.PNGCompression));
  (s.PNGFilter == 0 ? PNGNone : s.PNGFilter == 1 ? PNGSub : PNGPaeth)->SetChecked(true);
  PNGInterlaced->SetChecked(s.PNGInterlaced);
  PNGBackgroundColor->SetColor(s.PNGBackground);
  JPEG2000Slide->SetValue(s.JPEG2000Rate);
  JPEG2000Edit->SetValue(s.JPEG2000Rate);
  (s.JPEG2000Photometric != 0 ? JPEG2000GrayScale : JPEG2000RGB)->SetChecked(true);
  // A value outside the list checks no radio; OK then keeps it.
  for (int32_t i = 0; i < 7; ++i) TIFFCommpress[i]->SetChecked(s.TIFFCompression == i);
  TIFFCommpress0Click(nullptr);
  TIFFPhotometric->SetItemIndex(ValidIndex(TIFFPhotometric, s.TIFFPhotometric));
}

void TOutputFormatOptions::StoreToParas() {
  TIOParas& s = *FIOParas;
  s.JPEGQuality = int32_t(Round(JPEGSlide->Value()));
  s.JPEGUseOriginalQuality = ChkUseOriginalJPEGQuality->Checked();
  s.JPEGSmoothing = int32_t(Round(JPEGSmoothing->Value()));
  Guarded([this] { StoreOthers(); });
}

void TOutputFormatOptions::StoreOthers() {
  TIOParas& s = *FIOParas;
  s.JPEGPhotometric = JPEGPhotometric->ItemIndex();
  s.JPEGSubSampling = JPEGSubSampling->ItemIndex();
  s.JPEGOptimalHuffman = JPEGOptimalHuffman->Checked();
  s.JPEGProgressive = JPEGProgressive->Checked();
  s.JPEGKeepEXIF = JPEGKeepEXIF->Checked();
  s.BMPCompression = BMPUncompr->Checked() ? 0 : 1;
  s.BMPColor = BMPColor->ItemIndex();
  s.GIFColor = GifColor->ItemIndex();
  s.GIFTransparent = ChkGIFTransparent->Checked();
  s.GIFTransColor = GifTransparentColor->Color();
  s.GIFInterlaced = GIFInterlaced->Checked();
  s.PNGColor = PNGColor->ItemIndex();
  s.PNGCompression = PNGCompression->ItemIndex();
  s.PNGFilter = PNGNone->Checked() ? 0 : PNGSub->Checked() ? 1 : 2;
  s.PNGInterlaced = PNGInterlaced->Checked();
  s.PNGBackground = PNGBackgroundColor->Color();
  s.JPEG2000Rate = int32_t(Round(JPEG2000Slide->Value()));
  s.JPEG2000Photometric = JPEG2000RGB->Checked() ? 0 : 1;
  if (const int32_t c = CheckedTIFFCompression(); c >= 0) s.TIFFCompression = c;
  s.TIFFPhotometric = TIFFPhotometric->ItemIndex();
}

int32_t TOutputFormatOptions::CheckedTIFFCompression() const {
  for (int32_t i = 0; i < 7; ++i)
    if (TIFFCommpress[i]->Checked()) return i;
  return -1;
}

// ---- Events ---------------------------------------------------------------------------------

void TOutputFormatOptions::FormShow(TObject*) {
  Guarded([this] {
    TBatchConvert::SetClientSize(this, kClientWidth, kClientHeight);
    ::CenterOnMainMonitor(this);
    LoadFromParas();
    PlaceJPEG2000Ticks();
    SafeFocus(BntOK);
  });
}

void TOutputFormatOptions::FormKeyDown(TObject*, uint16_t& Key, TShiftState) {
  if (Key == VK_ESCAPE) BntCancelClick(this);
}

void TOutputFormatOptions::BntOKClick(TObject*) {
  StoreToParas();
  SetModalResult(mrOk);
}

void TOutputFormatOptions::BntCancelClick(TObject*) { SetModalResult(mrCancel); }

void TOutputFormatOptions::BntEffectsResetClick(TObject*) {
  Guarded([this] {
    const int32_t page = Pages->ActivePageIndex();
    if (page == 0)
      ResetJPEGPage();
    else
      ResetOtherPage(page);
  });
}

void TOutputFormatOptions::ResetJPEGPage() {
  JPEGSlide->SetValue(90);
  ChkUseOriginalJPEGQuality->SetChecked(false);
  JPEGSmoothing->SetValue(0);
  JPEGPhotometric->SetItemIndex(0);
  JPEGSubSampling->SetItemIndex(2);
  JPEGOptimalHuffman->SetChecked(true);
  JPEGProgressive->SetChecked(false);
  JPEGKeepEXIF->SetChecked(true);
}

void TOutputFormatOptions::ResetOtherPage(int32_t Page) {
  switch (Page) {
    case 1:
      BMPUncompr->SetChecked(true);
      BMPColor->SetItemIndex(0);
      break;
    case 2:
      GifColor->SetItemIndex(0);
      ChkGIFTransparent->SetChecked(false);
      ChkGIFTransparentClick(ChkGIFTransparent);
      GifTransparentColor->SetColor(kWhite);
      GIFInterlaced->SetChecked(false);
      break;
    case 3:  // interlacing stays as it is
      PNGColor->SetItemIndex(0);
      PNGCompression->SetItemIndex(6);
      PNGNone->SetChecked(true);
      PNGBackgroundColor->SetColor(kWhite);
      break;
    case 4:
      JPEG2000Slide->SetValue(800);
      JPEG2000RGB->SetChecked(true);
      break;
    case 5:
      TIFFCommpress[0]->SetChecked(true);
      TIFFPhotometric->SetItemIndex(0);
      break;
    default: break;
  }
}

void TOutputFormatOptions::JPEGSlideChange(TObject*) {
  if (Round(JPEGEdit->Value()) != JPEGSlide->Value()) JPEGEdit->SetValue(JPEGSlide->Value());
}

// Bound to the smoothing edit too: it always reads the quality edit, so a
// smoothing change never moves the quality slider.
void TOutputFormatOptions::JPEGEditChange(TObject*) {
  const int32_t v = int32_t(Round(JPEGEdit->Value()));
  if (JPEGSlide->Value() != v) JPEGSlide->SetValue(v);
}

void TOutputFormatOptions::JPEGSlideMouseEnter(TObject*) { SafeFocus(JPEGSlide); }

void TOutputFormatOptions::JPEGSlideMouseWheelDown(TObject*, TShiftState, TPoint, bool& Handled) {
  JPEGSlide->SetValue(JPEGSlide->Value() + 1);
  Handled = true;
}

void TOutputFormatOptions::JPEGSlideMouseWheelUp(TObject*, TShiftState, TPoint, bool& Handled) {
  JPEGSlide->SetValue(JPEGSlide->Value() - 1);
  Handled = true;
}

void TOutputFormatOptions::JPEG2000SlideChange(TObject*) {
  if (Round(JPEG2000Edit->Value()) != JPEG2000Slide->Value()) JPEG2000Edit->SetValue(JPEG2000Slide->Value());
}

void TOutputFormatOptions::JPEG2000EditChange(TObject*) {
  const int32_t v = int32_t(Round(JPEG2000Edit->Value()));
  if (JPEG2000Slide->Value() != v) JPEG2000Slide->SetValue(v);
}

void TOutputFormatOptions::JPEG2000SlideMouseEnter(TObject*) { SafeFocus(JPEG2000Slide); }

void TOutputFormatOptions::JPEG2000SlideMouseWheelDown(TObject*, TShiftState, TPoint, bool& Handled) {
  JPEG2000Slide->SetValue(JPEG2000Slide->Value() + 100);
  Handled = true;
}

void TOutputFormatOptions::JPEG2000SlideMouseWheelUp(TObject*, TShiftState, TPoint, bool& Handled) {
  JPEG2000Slide->SetValue(JPEG2000Slide->Value() - 100);
  Handled = true;
}

void TOutputFormatOptions::PickPanelColor(TPanel* Panel) {
  Guarded([&] {
    ColorDialog1->SetColor(Panel->Color());
    if (ColorDialog1->Execute()) Panel->SetColor(ColorDialog1->Color());
  });
}

void TOutputFormatOptions::GifTransparentColorClick(TObject*) {
  if (ChkGIFTransparent->Checked()) PickPanelColor(GifTransparentColor);
}

void TOutputFormatOptions::PNGBackgroundColorClick(TObject*) { PickPanelColor(PNGBackgroundColor); }

void TOutputFormatOptions::ChkGIFTransparentClick(TObject*) {
  LabelTransparentColor->SetVisible(ChkGIFTransparent->Checked());
  GifTransparentColor->SetVisible(ChkGIFTransparent->Checked());
}

// The fax compressions take no photometric choice.
void TOutputFormatOptions::TIFFCommpress0Click(TObject*) {
  const int32_t c = CheckedTIFFCompression();
  const bool photometric = c >= 0 && c <= 3;
  Label35->SetVisible(photometric);
  TIFFPhotometric->SetVisible(photometric);
}
