// The font dialog: the flat ChooseFont and the framework's TFontDialog.
//
// Families come from fontconfig (scalable fonts, each family once, sorted);
// styles are Regular, Italic, Bold and Bold Italic; sizes 8 to 72 or typed.
// What the user leaves alone comes back as it went in: a face name that is
// not installed keeps its name (the drawing layer substitutes it), the
// height and weight stay exact, and so does the colour.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/gui/canvas.h"
#include "platform/gui/gdi.h"
#include "platform/gui/windows.h"
#include "platform/rtl/sets.h"
#include "platform/vcl/dialogs_common.h"

// Called before the dialog's own handling; non-zero: handled. At
// WM_INITDIALOG lParam is the CHOOSEFONT.
using LPCFHOOKPROC = intptr_t (*)(HWND hdlg, uint32_t msg, WPARAM wParam, LPARAM lParam);

struct CHOOSEFONT {
  uint32_t lStructSize = sizeof(CHOOSEFONT);
  HWND hwndOwner = nullptr;
  HDC hDC = nullptr;             // ignored (screen fonts only)
  LOGFONT* lpLogFont = nullptr;  // in with CF_INITTOLOGFONTSTRUCT; out on OK
  int32_t iPointSize = 0;        // out: tenths of a point
  uint32_t Flags = 0;
  COLORREF rgbColors = 0;  // in and out with CF_EFFECTS
  LPARAM lCustData = 0;
  LPCFHOOKPROC lpfnHook = nullptr;
  const char* lpTemplateName = nullptr;  // ignored
  HINSTANCE hInstance = nullptr;         // ignored
  char* lpszStyle = nullptr;             // ignored
  uint16_t nFontType = 0;                // out: BOLD_FONTTYPE, ITALIC_FONTTYPE, REGULAR_FONTTYPE
  int32_t nSizeMin = 0;                  // with CF_LIMITSIZE, in points
  int32_t nSizeMax = 0;
};

inline constexpr uint32_t CF_SCREENFONTS = 0x1;
inline constexpr uint32_t CF_PRINTERFONTS = 0x2;
inline constexpr uint32_t CF_BOTH = 0x3;
inline constexpr uint32_t CF_SHOWHELP = 0x4;
inline constexpr uint32_t CF_ENABLEHOOK = 0x8;
inline constexpr uint32_t CF_INITTOLOGFONTSTRUCT = 0x40;
inline constexpr uint32_t CF_USESTYLE = 0x80;
inline constexpr uint32_t CF_EFFECTS = 0x100;
inline constexpr uint32_t CF_APPLY = 0x200;
inline constexpr uint32_t CF_ANSIONLY = 0x400;
inline constexpr uint32_t CF_NOVECTORFONTS = 0x800;
inline constexpr uint32_t CF_NOSIMULATIONS = 0x1000;
inline constexpr uint32_t CF_LIMITSIZE = 0x2000;
inline constexpr uint32_t CF_FIXEDPITCHONLY = 0x4000;
inline constexpr uint32_t CF_WYSIWYG = 0x8000;
inline constexpr uint32_t CF_FORCEFONTEXIST = 0x10000;
inline constexpr uint32_t CF_SCALABLEONLY = 0x20000;
inline constexpr uint32_t CF_TTONLY = 0x40000;
inline constexpr uint32_t CF_NOFACESEL = 0x80000;
inline constexpr uint32_t CF_NOSTYLESEL = 0x100000;
inline constexpr uint32_t CF_NOSIZESEL = 0x200000;

inline constexpr uint16_t BOLD_FONTTYPE = 0x0100;
inline constexpr uint16_t ITALIC_FONTTYPE = 0x0200;
inline constexpr uint16_t REGULAR_FONTTYPE = 0x0400;
inline constexpr uint16_t SCREEN_FONTTYPE = 0x2000;

// The dialog's current font: lParam a LOGFONT to fill.
inline constexpr uint32_t WM_CHOOSEFONT_GETLOGFONT = WM_USER + 1;

// Control ids of the font dialog.
inline constexpr int32_t kFontApplyId = 0x0402;         // psh3
inline constexpr int32_t kFontHelpId = 0x040E;          // pshHelp
inline constexpr int32_t kFontStrikeOutId = 0x0410;     // chx1
inline constexpr int32_t kFontUnderlineId = 0x0411;     // chx2
inline constexpr int32_t kFontEffectsGroupId = 0x0430;  // grp1
inline constexpr int32_t kFontSampleGroupId = 0x0431;   // grp2
inline constexpr int32_t kFontColorLabelId = 0x0443;    // stc4
inline constexpr int32_t kFontSampleId = 0x0444;        // stc5
inline constexpr int32_t kFontFamilyId = 0x0470;        // cmb1: a simple combo box
inline constexpr int32_t kFontStyleId = 0x0471;         // cmb2
inline constexpr int32_t kFontSizeId = 0x0472;          // cmb3
inline constexpr int32_t kFontColorId = 0x0473;         // cmb4: item data the COLORREF

// The families the dialog lists: fontconfig's scalable fonts, the first
// family name of each, each once, sorted ignoring ASCII case.
std::vector<String> FontDialogFamilies();

// Runs the font dialog modally; true on OK. False after Cancel and for a
// wrong lStructSize or a missing LOGFONT.
bool ChooseFont(CHOOSEFONT* cf);

enum class TFontDialogOption : uint8_t {
  fdAnsiOnly,
  fdTrueTypeOnly,
  fdEffects,
  fdFixedPitchOnly,
  fdForceFontExist,
  fdNoFaceSel,
  fdNoOEMFonts,
  fdNoSimulations,
  fdNoSizeSel,
  fdNoStyleSel,
  fdNoVectorFonts,
  fdShowHelp,
  fdWysiwyg,
  fdLimitSize,
  fdScalableOnly,
  fdApplyButton
};
using TFontDialogOptions = Set<TFontDialogOption>;
using TFDApplyEvent = std::function<void(TObject* Sender, HWND Wnd)>;

class TFontDialog : public TCommonDialog {
 public:
  explicit TFontDialog(TComponent* AOwner);
  ~TFontDialog() override;
  const char* ClassName() const override { return "TFontDialog"; }

  TFont* Font() const { return FFont; }
  void SetFont(TFont* Value) { FFont->Assign(Value); }
  int32_t MinFontSize() const { return FMinFontSize; }
  void SetMinFontSize(int32_t Value) { FMinFontSize = Value; }
  int32_t MaxFontSize() const { return FMaxFontSize; }
  void SetMaxFontSize(int32_t Value) { FMaxFontSize = Value; }
  TFontDialogOptions Options() const { return FOptions; }
  void SetOptions(TFontDialogOptions Value) { FOptions = Value; }

  using TCommonDialog::Execute;
  bool Execute(HWND ParentWnd) override;

  // The Apply button (fdApplyButton): Font already holds the dialog's choice.
  TFDApplyEvent OnApply;

 private:
  static intptr_t Hook(HWND hdlg, uint32_t msg, WPARAM wParam, LPARAM lParam);
  void WndProc(TMessage& Message) override;
  // Font from the dialog's current choice.
  void TakeFrom(HWND hdlg);

  TFont* FFont;
  int32_t FMinFontSize = 0;
  int32_t FMaxFontSize = 0;
  TFontDialogOptions FOptions{TFontDialogOption::fdEffects};
  TColor FColorIn = clBlack;  // the font's colour as it went in
};
