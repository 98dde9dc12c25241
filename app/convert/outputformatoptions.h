// The output-format options dialog: one page per output format, editing the
// live output parameters of the convert settings. Every showing reloads the
// controls from them, so Cancel (or Escape) discards the edits; OK stores.
#pragma once

#include <cstdint>

#include "platform/vcl/forms.h"

class TbsSkinButton;
class TbsSkinCheckRadioBox;
class TbsSkinComboBox;
class TbsSkinData;
class TbsSkinForm;
class TbsSkinMessage;
class TbsSkinPageControl;
class TbsSkinSlider;
class TbsSkinSpinEdit;
class TbsSkinStdLabel;
class TbsSkinTabSheet;
class TColorDialog;
class TIOParas;
class TPanel;

class TOutputFormatOptions : public TForm {
 public:
  // Paras stays the settings' object: the dialog edits it and never frees it.
  TOutputFormatOptions(TComponent* AOwner, TIOParas& Paras, TbsSkinData* SkinData);
  const char* ClassName() const override { return "TOutputFormatOptions"; }

  static constexpr int32_t kClientWidth = 450;
  static constexpr int32_t kClientHeight = 407;

  TIOParas& IOParas() const { return *FIOParas; }
  // Only the page of the output format (0..5, clamped) is shown and active.
  void ShowFormatPage(int32_t OutputFormat);

  void LoadFromParas();
  void StoreToParas();

  // ---- Components ----
  TbsSkinForm* bsSkinForm1 = nullptr;
  TbsSkinMessage* Messager = nullptr;
  TColorDialog* ColorDialog1 = nullptr;
  TbsSkinPageControl* Pages = nullptr;
  TbsSkinTabSheet* JPEGPage = nullptr;
  TbsSkinTabSheet* BMPPage = nullptr;
  TbsSkinTabSheet* GIFPage = nullptr;
  TbsSkinTabSheet* PNGPage = nullptr;
  TbsSkinTabSheet* JPEG2000Page = nullptr;
  TbsSkinTabSheet* TIFFPage = nullptr;
  // JPEG
  TbsSkinSlider* JPEGSlide = nullptr;
  TbsSkinSpinEdit* JPEGEdit = nullptr;
  TbsSkinCheckRadioBox* ChkUseOriginalJPEGQuality = nullptr;
  TbsSkinSpinEdit* JPEGSmoothing = nullptr;
  TbsSkinComboBox* JPEGPhotometric = nullptr;
  TbsSkinComboBox* JPEGSubSampling = nullptr;
  TbsSkinCheckRadioBox* JPEGOptimalHuffman = nullptr;
  TbsSkinCheckRadioBox* JPEGProgressive = nullptr;
  TbsSkinCheckRadioBox* JPEGKeepEXIF = nullptr;
  // BMP
  TbsSkinCheckRadioBox* BMPUncompr = nullptr;
  TbsSkinCheckRadioBox* BMPRLE = nullptr;
  TbsSkinComboBox* BMPColor = nullptr;
  // GIF
  TbsSkinComboBox* GifColor = nullptr;
  TbsSkinCheckRadioBox* ChkGIFTransparent = nullptr;
  TbsSkinStdLabel* LabelTransparentColor = nullptr;
  TPanel* GifTransparentColor = nullptr;
  TbsSkinCheckRadioBox* GIFInterlaced = nullptr;
  // PNG
  TbsSkinComboBox* PNGColor = nullptr;
  TbsSkinComboBox* PNGCompression = nullptr;
  TbsSkinCheckRadioBox* PNGNone = nullptr;
  TbsSkinCheckRadioBox* PNGSub = nullptr;
  TbsSkinCheckRadioBox* PNGPaeth = nullptr;
  TbsSkinCheckRadioBox* PNGInterlaced = nullptr;
  TPanel* PNGBackgroundColor = nullptr;
  // JPEG 2000
  TbsSkinSlider* JPEG2000Slide = nullptr;
  TbsSkinSpinEdit* JPEG2000Edit = nullptr;
  TbsSkinCheckRadioBox* JPEG2000GrayScale = nullptr;
  TbsSkinCheckRadioBox* JPEG2000RGB = nullptr;
  // TIFF
  TbsSkinCheckRadioBox* TIFFCommpress[7] = {};  // TIFFCommpress0 .. TIFFCommpress6
  TbsSkinStdLabel* Label35 = nullptr;
  TbsSkinComboBox* TIFFPhotometric = nullptr;
  // Buttons
  TbsSkinButton* BntOK = nullptr;
  TbsSkinButton* BntCancel = nullptr;
  TbsSkinButton* BntEffectsReset = nullptr;

  // ---- Events ----
  void FormShow(TObject* Sender);
  void FormKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);
  void BntOKClick(TObject* Sender);
  void BntCancelClick(TObject* Sender);
  void BntEffectsResetClick(TObject* Sender);
  void JPEGSlideChange(TObject* Sender);
  void JPEGEditChange(TObject* Sender);
  void JPEGSlideMouseEnter(TObject* Sender);
  void JPEGSlideMouseWheelDown(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled);
  void JPEGSlideMouseWheelUp(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled);
  void JPEG2000SlideChange(TObject* Sender);
  void JPEG2000EditChange(TObject* Sender);
  void JPEG2000SlideMouseEnter(TObject* Sender);
  void JPEG2000SlideMouseWheelDown(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled);
  void JPEG2000SlideMouseWheelUp(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled);
  void GifTransparentColorClick(TObject* Sender);
  void PNGBackgroundColorClick(TObject* Sender);
  void ChkGIFTransparentClick(TObject* Sender);
  void TIFFCommpress0Click(TObject* Sender);

 private:
  void BuildPages();
  void BuildJPEGPage();
  void BuildBMPPage();
  void BuildGIFPage();
  void BuildPNGPage();
  void BuildJPEG2000Page();
  void BuildTIFFPage();
  void BuildButtons();
  void ApplySkin(TbsSkinData* SkinData);
  void PlaceJPEG2000Ticks();
  // The colour dialog opened on Panel's colour; the panel takes an accepted one.
  void PickPanelColor(TPanel* Panel);
  void ResetJPEGPage();
  void ResetOtherPage(int32_t Page);
  void LoadJPEG();
  void LoadOthers();
  void StoreOthers();
  int32_t CheckedTIFFCompression() const;

  TIOParas* FIOParas;
  TbsSkinStdLabel* FJPEG2000Ticks[11] = {};
  TbsSkinStdLabel* FLosslessLabel = nullptr;
};
