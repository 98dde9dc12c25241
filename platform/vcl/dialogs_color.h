// The colour dialog: the flat ChooseColor and the framework's TColorDialog.
//
// The dialog holds the colour as RGB; hue, saturation and luminance are only
// derived from it for showing (or set by the colour field, the luminance bar
// and their edits, which then make a new RGB), so a colour the user does not
// touch comes back exactly.
#pragma once

#include <cstdint>

#include "platform/gui/gdi.h"
#include "platform/gui/windows.h"
#include "platform/rtl/sets.h"
#include "platform/rtl/stringlist.h"
#include "platform/vcl/dialogs_common.h"

// Called before the dialog's own handling; non-zero: handled. At
// WM_INITDIALOG lParam is the CHOOSECOLOR.
using LPCCHOOKPROC = intptr_t (*)(HWND hdlg, uint32_t msg, WPARAM wParam, LPARAM lParam);

struct CHOOSECOLOR {
  uint32_t lStructSize = sizeof(CHOOSECOLOR);
  HWND hwndOwner = nullptr;
  HINSTANCE hInstance = nullptr;     // ignored
  COLORREF rgbResult = 0;            // in with CC_RGBINIT; out on OK
  COLORREF* lpCustColors = nullptr;  // 16 entries, in and out (also after Cancel)
  uint32_t Flags = 0;
  LPARAM lCustData = 0;
  LPCCHOOKPROC lpfnHook = nullptr;
  const char* lpTemplateName = nullptr;  // ignored
};

inline constexpr uint32_t CC_RGBINIT = 0x1;
inline constexpr uint32_t CC_FULLOPEN = 0x2;
inline constexpr uint32_t CC_PREVENTFULLOPEN = 0x4;
inline constexpr uint32_t CC_SHOWHELP = 0x8;
inline constexpr uint32_t CC_ENABLEHOOK = 0x10;
inline constexpr uint32_t CC_ENABLETEMPLATE = 0x20;
inline constexpr uint32_t CC_ENABLETEMPLATEHANDLE = 0x40;
inline constexpr uint32_t CC_SOLIDCOLOR = 0x80;
inline constexpr uint32_t CC_ANYCOLOR = 0x100;

// Control ids of the colour dialog.
inline constexpr int32_t COLOR_LUMSCROLL = 702;  // the luminance bar
inline constexpr int32_t COLOR_HUE = 703;
inline constexpr int32_t COLOR_SAT = 704;
inline constexpr int32_t COLOR_LUM = 705;
inline constexpr int32_t COLOR_RED = 706;
inline constexpr int32_t COLOR_GREEN = 707;
inline constexpr int32_t COLOR_BLUE = 708;
inline constexpr int32_t COLOR_CURRENT = 709;    // the sample
inline constexpr int32_t COLOR_RAINBOW = 710;    // the hue and saturation field
inline constexpr int32_t COLOR_ADD = 712;        // "Add to Custom Colors"
inline constexpr int32_t COLOR_MIX = 719;        // "Define Custom Colors >>"
inline constexpr int32_t COLOR_BOX1 = 720;       // the basic colours
inline constexpr int32_t COLOR_CUSTOM1 = 721;    // the custom colours
inline constexpr int32_t kColorHelpId = 0x040E;  // pshHelp

// Registered messages: COLOROKSTRING goes to the hook when OK is pressed
// (lParam the CHOOSECOLOR with rgbResult set; non-zero keeps the dialog
// open); SETRGBSTRING sent to the dialog (lParam a COLORREF) selects a colour.
inline constexpr const char* COLOROKSTRING = "commdlg_ColorOK";
inline constexpr const char* SETRGBSTRING = "commdlg_SetRGBColor";

// Runs the colour dialog modally; true on OK (rgbResult the chosen colour).
// A system colour in rgbResult is taken through ColorToRGB first. False
// after Cancel, and for a wrong lStructSize or a missing custom-colour array.
bool ChooseColor(CHOOSECOLOR* cc);

// The 48 basic colours in grid order (rows of eight).
const COLORREF* ColorDialogBasicColors();
// Where a cell of an open colour dialog lies, in its client coordinates:
// Index 0..47 the basic colours, 48..63 the custom slots.
TRect ColorDialogCellRect(HWND hdlg, int32_t Index);

// Hue 0..239, saturation and luminance 0..240 from RGB and back.
struct THls {
  int32_t H = 0, L = 0, S = 0;
  friend bool operator==(const THls&, const THls&) = default;
};
THls ColorRGBToHLS(COLORREF Rgb);
COLORREF ColorHLSToRGB(const THls& Hls);

enum class TColorDialogOption : uint8_t { cdFullOpen, cdPreventFullOpen, cdShowHelp, cdSolidColor, cdAnyColor };
using TColorDialogOptions = Set<TColorDialogOption>;

class TColorDialog : public TCommonDialog {
 public:
  explicit TColorDialog(TComponent* AOwner);
  ~TColorDialog() override;
  const char* ClassName() const override { return "TColorDialog"; }

  TColor Color() const { return FColor; }
  void SetColor(TColor Value) { FColor = Value; }
  // Lines "ColorA=" .. "ColorP=" with six hex digits of the COLORREF; a
  // missing or unreadable entry is white. Other lines are kept.
  TStrings* CustomColors() const { return FCustomColors; }
  void SetCustomColors(TStrings* Value);
  TColorDialogOptions Options() const { return FOptions; }
  void SetOptions(TColorDialogOptions Value) { FOptions = Value; }

  using TCommonDialog::Execute;
  bool Execute(HWND ParentWnd) override;

 private:
  static intptr_t Hook(HWND hdlg, uint32_t msg, WPARAM wParam, LPARAM lParam);

  TColor FColor = clBlack;
  TStrings* FCustomColors;
  TColorDialogOptions FOptions;
};
