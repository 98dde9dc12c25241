// The rich edit: the native class "RICHEDIT50W", the multi-line "Edit"
// engine holding plain text with the rich edit's own messages (background
// colour, one character format for the whole text, extended selection, the
// event mask), and the framework's TCustomRichEdit / TRichEdit on it.
// Positions are byte offsets into the UTF-8 text, as in the edit.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/gui/gdi.h"
#include "platform/gui/windows.h"
#include "platform/vcl/stdctrls.h"

// Registers "RICHEDIT50W" once per process.
void RegisterRichEditClass();

// ---- "RICHEDIT50W" ---------------------------------------------------------------------
// The edit's styles and messages apply. ES_DISABLENOSCROLL keeps an unneeded
// bar shown but disabled; without it such a bar is hidden (reported
// invisible by GetScrollBarInfo).
inline constexpr uint32_t ES_DISABLENOSCROLL = 0x2000;
inline constexpr uint32_t ES_SELECTIONBAR = 0x01000000;

inline constexpr uint32_t EM_EXGETSEL = 0x0434;       // lParam CHARRANGE*
inline constexpr uint32_t EM_EXSETSEL = 0x0437;       // lParam CHARRANGE*; answers the end set
inline constexpr uint32_t EM_GETCHARFORMAT = 0x043A;  // lParam CHARFORMAT*; answers dwMask
inline constexpr uint32_t EM_GETEVENTMASK = 0x043B;
inline constexpr uint32_t EM_SETBKGNDCOLOR =
    0x0443;  // wParam non-zero: the system colour; lParam COLORREF; answers the old
inline constexpr uint32_t EM_SETCHARFORMAT = 0x0444;  // wParam SCF_*, lParam CHARFORMAT*
inline constexpr uint32_t EM_SETEVENTMASK = 0x0445;   // lParam ENM_*; answers the old mask

// One format for the whole text: the selection and all are the same.
inline constexpr uint32_t SCF_DEFAULT = 0x0000;
inline constexpr uint32_t SCF_SELECTION = 0x0001;
inline constexpr uint32_t SCF_WORD = 0x0002;
inline constexpr uint32_t SCF_ALL = 0x0004;

inline constexpr uint32_t CFM_BOLD = 0x00000001;
inline constexpr uint32_t CFM_ITALIC = 0x00000002;
inline constexpr uint32_t CFM_UNDERLINE = 0x00000004;
inline constexpr uint32_t CFM_STRIKEOUT = 0x00000008;
inline constexpr uint32_t CFM_PROTECTED = 0x00000010;
inline constexpr uint32_t CFM_CHARSET = 0x08000000;
inline constexpr uint32_t CFM_FACE = 0x20000000;
inline constexpr uint32_t CFM_COLOR = 0x40000000;
inline constexpr uint32_t CFM_SIZE = 0x80000000;
inline constexpr uint32_t CFM_EFFECTS = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_PROTECTED;
inline constexpr uint32_t CFM_ALL = CFM_EFFECTS | CFM_CHARSET | CFM_FACE | CFM_COLOR | CFM_SIZE;

inline constexpr uint32_t CFE_BOLD = 0x00000001;
inline constexpr uint32_t CFE_ITALIC = 0x00000002;
inline constexpr uint32_t CFE_UNDERLINE = 0x00000004;
inline constexpr uint32_t CFE_STRIKEOUT = 0x00000008;
inline constexpr uint32_t CFE_PROTECTED = 0x00000010;
inline constexpr uint32_t CFE_AUTOCOLOR = 0x40000000;  // clWindowText

inline constexpr uint32_t ENM_NONE = 0x00000000;
inline constexpr uint32_t ENM_CHANGE = 0x00000001;
inline constexpr uint32_t ENM_UPDATE = 0x00000002;
inline constexpr uint32_t ENM_SCROLL = 0x00000004;
inline constexpr uint32_t ENM_SELCHANGE = 0x00080000;

// WM_NOTIFY; sent after every move of the caret or the selection (ENM_SELCHANGE).
inline constexpr uint32_t EN_SELCHANGE = 0x0702;

inline constexpr uint16_t SEL_EMPTY = 0x0000;
inline constexpr uint16_t SEL_TEXT = 0x0001;

struct CHARRANGE {
  int32_t cpMin = 0;
  int32_t cpMax = 0;
};

// yHeight in twips (1/1440 inch); szFaceName UTF-8.
struct CHARFORMAT {
  uint32_t cbSize = sizeof(CHARFORMAT);
  uint32_t dwMask = 0;
  uint32_t dwEffects = 0;
  int32_t yHeight = 0;
  int32_t yOffset = 0;
  COLORREF crTextColor = 0;
  uint8_t bCharSet = 1;
  uint8_t bPitchAndFamily = 0;
  char szFaceName[32] = {};
};

struct SELCHANGE {
  NMHDR nmhdr;
  CHARRANGE chrg;
  uint16_t seltyp = SEL_EMPTY;
};

// ================================================================================
// Framework
// ================================================================================

class TCustomRichEdit;

enum class TAttributeType : uint8_t { atSelected, atDefaultText };

// The character format of the whole text (selection and default alike),
// read and written by EM_GETCHARFORMAT / EM_SETCHARFORMAT.
class TTextAttributes : public TPersistent {
 public:
  TTextAttributes(TCustomRichEdit* AOwner, TAttributeType AttributeType) : FRichEdit(AOwner), FType(AttributeType) {}
  const char* ClassName() const override { return "TTextAttributes"; }
  // From a TFont or other attributes.
  void Assign(TPersistent* Source) override;

  TColor Color();
  void SetColor(TColor Value);
  String Name();
  void SetName(const String& Value);
  // Points.
  int32_t Size();
  void SetSize(int32_t Value);
  // Pixels (96 per inch).
  int32_t Height();
  void SetHeight(int32_t Value);
  TFontStyles Style();
  void SetStyle(TFontStyles Value);
  TFontCharset Charset();
  void SetCharset(TFontCharset Value);
  bool Protected() { return false; }
  void SetProtected(bool) {}

 protected:
  // Into a TFont (Font->Assign(Attributes)).
  void AssignTo(TPersistent* Dest) override;

 private:
  CHARFORMAT Get();
  void Set(CHARFORMAT& Format);
  TCustomRichEdit* FRichEdit;
  TAttributeType FType;
};

using TRichEditProtectChange =
    std::function<void(TObject* Sender, int32_t StartPos, int32_t EndPos, bool& AllowChange)>;
using TRichEditSaveClipboard =
    std::function<void(TObject* Sender, int32_t NumObjects, int32_t NumChars, bool& SaveClipboard)>;

class TCustomRichEdit : public TCustomMemo {
 public:
  explicit TCustomRichEdit(TComponent* AOwner);
  ~TCustomRichEdit() override;
  const char* ClassName() const override { return "TCustomRichEdit"; }

  // Always plain text here; the value is kept.
  bool PlainText() const { return FPlainText; }
  void SetPlainText(bool Value) { FPlainText = Value; }
  // True: an unneeded scroll bar is hidden; False: shown disabled.
  bool HideScrollBars() const { return FHideScrollBars; }
  void SetHideScrollBars(bool Value);
  TTextAttributes* DefAttributes() const { return FDefAttributes.get(); }
  void SetDefAttributes(TTextAttributes* Value) { FDefAttributes->Assign(Value); }
  TTextAttributes* SelAttributes() const { return FSelAttributes.get(); }
  void SetSelAttributes(TTextAttributes* Value) { FSelAttributes->Assign(Value); }

  void Dispatch(TMessage& Message) override;

  TNotifyEvent OnSelectionChange;
  // Never fired: there is no protected text.
  TRichEditProtectChange OnProtectChange;
  // Never fired: nothing but text is copied.
  TRichEditSaveClipboard OnSaveClipboard;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  virtual void SelectionChange();

 private:
  friend class TTextAttributes;
  void ApplyColor();
  void ApplyFont();

  std::unique_ptr<TTextAttributes> FDefAttributes;
  std::unique_ptr<TTextAttributes> FSelAttributes;
  bool FPlainText = true;
  bool FHideScrollBars = true;
};

class TRichEdit : public TCustomRichEdit {
 public:
  explicit TRichEdit(TComponent* AOwner) : TCustomRichEdit(AOwner) {}
  const char* ClassName() const override { return "TRichEdit"; }
};
