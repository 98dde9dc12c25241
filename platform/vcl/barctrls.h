// Bar controls: the native classes "msctls_progress32" and "ScrollBar" with
// their messages, and the framework's TProgressBar and TScrollBar on them.
// Each framework class keeps its values while it has no window and performs
// every change by a message to its own window.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/gui/gdi.h"
#include "platform/gui/win_scrollbars.h"
#include "platform/gui/windows.h"
#include "platform/vcl/controls.h"

// Registers the native bar classes once per process.
void RegisterBarControlClasses();

// ---- "msctls_progress32" ---------------------------------------------------------------
inline constexpr uint32_t PBS_SMOOTH = 0x01;
inline constexpr uint32_t PBS_VERTICAL = 0x04;

inline constexpr uint32_t PBM_SETRANGE = 0x0401;    // lParam: low word min, high word max; answers the old pair
inline constexpr uint32_t PBM_SETPOS = 0x0402;      // answers the old position
inline constexpr uint32_t PBM_DELTAPOS = 0x0403;    // answers the old position
inline constexpr uint32_t PBM_SETSTEP = 0x0404;     // answers the old step
inline constexpr uint32_t PBM_STEPIT = 0x0405;      // answers the old position
inline constexpr uint32_t PBM_SETRANGE32 = 0x0406;  // wParam min, lParam max
inline constexpr uint32_t PBM_GETRANGE = 0x0407;    // wParam non-zero: answers min, else max; lParam PBRANGE*
inline constexpr uint32_t PBM_GETPOS = 0x0408;
inline constexpr uint32_t PBM_SETBARCOLOR = 0x0409;  // lParam colour (CLR_DEFAULT: clHighlight); answers the old
inline constexpr uint32_t PBM_SETBKCOLOR = 0x2001;   // lParam colour (CLR_DEFAULT: clBtnFace); answers the old

struct PBRANGE {
  int32_t iLow = 0;
  int32_t iHigh = 0;
};

// ---- "ScrollBar" -------------------------------------------------------------------------
inline constexpr uint32_t SBS_HORZ = 0x0000;
inline constexpr uint32_t SBS_VERT = 0x0001;

// The SBM_ messages are declared with the scroll functions (platform/gui/win_scrollbars.h).

// ================================================================================
// TProgressBar
// ================================================================================

enum class TProgressBarOrientation : uint8_t { pbHorizontal, pbVertical };

class TProgressBar : public TWinControl {
 public:
  explicit TProgressBar(TComponent* AOwner);
  const char* ClassName() const override { return "TProgressBar"; }

  int32_t Min() const { return FMin; }
  void SetMin(int32_t Value);
  int32_t Max() const { return FMax; }
  void SetMax(int32_t Value);
  // Kept within Min .. Max.
  int32_t Position();
  void SetPosition(int32_t Value);
  int32_t Step() const { return FStep; }
  void SetStep(int32_t Value);
  void StepIt();
  void StepBy(int32_t Delta);
  // One continuous bar instead of blocks.
  bool Smooth() const { return FSmooth; }
  void SetSmooth(bool Value);
  TProgressBarOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TProgressBarOrientation Value);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;

 private:
  int32_t Clamp(int64_t Value) const;

  int32_t FMin = 0;
  int32_t FMax = 100;
  int32_t FPosition = 0;
  int32_t FStep = 10;
  bool FSmooth = false;
  TProgressBarOrientation FOrientation = TProgressBarOrientation::pbHorizontal;
};

// ================================================================================
// TScrollBar
// ================================================================================

enum class TScrollCode : uint8_t {
  scLineUp,
  scLineDown,
  scPageUp,
  scPageDown,
  scPosition,
  scTrack,
  scTop,
  scBottom,
  scEndScroll
};
// ScrollPos may be changed by the handler; it becomes the position.
using TScrollEvent = std::function<void(TObject* Sender, TScrollCode ScrollCode, int32_t& ScrollPos)>;

class TScrollBar : public TWinControl {
 public:
  explicit TScrollBar(TComponent* AOwner);
  const char* ClassName() const override { return "TScrollBar"; }

  // Changing the kind swaps width and height and re-creates the window.
  TScrollBarKind Kind() const { return FKind; }
  void SetKind(TScrollBarKind Value);
  int32_t Min() const { return FMin; }
  void SetMin(int32_t Value) { SetParams(FPosition, Value, FMax); }
  int32_t Max() const { return FMax; }
  void SetMax(int32_t Value) { SetParams(FPosition, FMin, Value); }
  int32_t Position() const { return FPosition; }
  // Fires OnChange when the value changes.
  void SetPosition(int32_t Value) { SetParams(Value, FMin, FMax); }
  int32_t PageSize() const { return FPageSize; }
  void SetPageSize(int32_t Value);
  int32_t SmallChange() const { return FSmallChange; }
  void SetSmallChange(int32_t Value) { FSmallChange = Value; }
  int32_t LargeChange() const { return FLargeChange; }
  void SetLargeChange(int32_t Value) { FLargeChange = Value; }
  // EInvalidOperation when AMax < AMin; the position is kept within the range.
  void SetParams(int32_t APosition, int32_t AMin, int32_t AMax);

  void Dispatch(TMessage& Message) override;

  TNotifyEvent OnChange;
  TScrollEvent OnScroll;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  virtual void Change();
  virtual void Scroll(TScrollCode ScrollCode, int32_t& ScrollPos);

 private:
  void DoScroll(TMessage& Message);
  int32_t MaxPosition() const;

  TScrollBarKind FKind = TScrollBarKind::sbHorizontal;
  int32_t FMin = 0;
  int32_t FMax = 100;
  int32_t FPosition = 0;
  int32_t FPageSize = 0;
  int32_t FSmallChange = 1;
  int32_t FLargeChange = 1;
};

// ---- "msctls_updown32" ------------------------------------------------------------------
inline constexpr uint32_t UDS_WRAP = 0x0001;
inline constexpr uint32_t UDS_SETBUDDYINT = 0x0002;
inline constexpr uint32_t UDS_ALIGNRIGHT = 0x0004;
inline constexpr uint32_t UDS_ALIGNLEFT = 0x0008;
inline constexpr uint32_t UDS_AUTOBUDDY = 0x0010;
inline constexpr uint32_t UDS_ARROWKEYS = 0x0020;
inline constexpr uint32_t UDS_HORZ = 0x0040;
inline constexpr uint32_t UDS_NOTHOUSANDS = 0x0080;

inline constexpr uint32_t UDM_SETRANGE = 0x0465;  // lParam: low word max, high word min
inline constexpr uint32_t UDM_GETRANGE = 0x0466;  // answers low word max, high word min
inline constexpr uint32_t UDM_SETPOS = 0x0467;    // lParam low word; answers the old position
inline constexpr uint32_t UDM_GETPOS = 0x0468;    // low word position, high word non-zero on error
inline constexpr uint32_t UDM_SETBUDDY = 0x0469;  // wParam HWND; answers the old buddy
inline constexpr uint32_t UDM_GETBUDDY = 0x046A;
inline constexpr uint32_t UDM_SETACCEL = 0x046B;  // wParam count, lParam UDACCEL*
inline constexpr uint32_t UDM_GETACCEL = 0x046C;  // wParam count, lParam UDACCEL*; answers the count
inline constexpr uint32_t UDM_SETBASE = 0x046D;   // 10 or 16; answers the old base (0 when refused)
inline constexpr uint32_t UDM_GETBASE = 0x046E;
inline constexpr uint32_t UDM_SETRANGE32 = 0x046F;  // wParam min, lParam max
inline constexpr uint32_t UDM_GETRANGE32 = 0x0470;  // wParam int32_t* min, lParam int32_t* max
inline constexpr uint32_t UDM_SETPOS32 = 0x0471;    // lParam position; answers the old one
inline constexpr uint32_t UDM_GETPOS32 = 0x0472;    // lParam int32_t* error flag (may be null)

inline constexpr uint32_t UDN_DELTAPOS = uint32_t(-722);

struct UDACCEL {
  uint32_t nSec = 0;
  uint32_t nInc = 1;
};

// WM_NOTIFY UDN_DELTAPOS: a non-zero answer refuses the step; the parent may
// change iDelta.
struct NMUPDOWN {
  NMHDR hdr;
  int32_t iPos = 0;
  int32_t iDelta = 0;
};

// ================================================================================
// TUpDown
// ================================================================================

enum class TUDAlignButton : uint8_t { udLeft, udRight };
enum class TUDOrientation : uint8_t { udHorizontal, udVertical };
enum class TUDBtnType : uint8_t { btNext, btPrev };
enum class TUpDownDirection : uint8_t { updNone, updUp, updDown };

using TUDClickEvent = std::function<void(TObject* Sender, TUDBtnType Button)>;
using TUDChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;
using TUDChangingEventEx =
    std::function<void(TObject* Sender, bool& AllowChange, int32_t NewValue, TUpDownDirection Direction)>;

class TCustomUpDown : public TWinControl {
 public:
  explicit TCustomUpDown(TComponent* AOwner);
  const char* ClassName() const override { return "TCustomUpDown"; }

  // The buddy whose text shows the position.
  TWinControl* Associate() const { return FAssociate; }
  void SetAssociate(TWinControl* Value);
  int32_t Min() const { return FMin; }
  void SetMin(int32_t Value);
  int32_t Max() const { return FMax; }
  void SetMax(int32_t Value);
  // Read through the buddy's text when there is one; setting it fires nothing.
  int32_t Position();
  void SetPosition(int32_t Value);
  int32_t Increment() const { return FIncrement; }
  void SetIncrement(int32_t Value);
  bool Wrap() const { return FWrap; }
  void SetWrap(bool Value);
  bool ArrowKeys() const { return FArrowKeys; }
  void SetArrowKeys(bool Value);
  bool Thousands() const { return FThousands; }
  void SetThousands(bool Value);
  TUDOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TUDOrientation Value);
  TUDAlignButton AlignButton() const { return FAlignButton; }
  void SetAlignButton(TUDAlignButton Value);

  void Dispatch(TMessage& Message) override;

  TUDChangingEvent OnChanging;
  TUDChangingEventEx OnChangingEx;
  TUDClickEvent OnClick;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual bool CanChange();
  virtual bool DoCanChange(int32_t NewVal, int32_t Delta);
  using TWinControl::Click;
  virtual void Click(TUDBtnType Button);

 private:
  void ApplyRange();

  TWinControl* FAssociate = nullptr;
  int32_t FMin = 0;
  int32_t FMax = 100;
  int32_t FPosition = 0;
  int32_t FIncrement = 1;
  bool FWrap = false;
  bool FArrowKeys = true;
  bool FThousands = true;
  TUDOrientation FOrientation = TUDOrientation::udVertical;
  TUDAlignButton FAlignButton = TUDAlignButton::udRight;
};

class TUpDown : public TCustomUpDown {
 public:
  explicit TUpDown(TComponent* AOwner) : TCustomUpDown(AOwner) {}
  const char* ClassName() const override { return "TUpDown"; }
};

// ---- "msctls_trackbar32" -----------------------------------------------------------------
inline constexpr uint32_t TBS_AUTOTICKS = 0x0001;
inline constexpr uint32_t TBS_VERT = 0x0002;
inline constexpr uint32_t TBS_HORZ = 0x0000;
inline constexpr uint32_t TBS_TOP = 0x0004;
inline constexpr uint32_t TBS_LEFT = 0x0004;
inline constexpr uint32_t TBS_BOTH = 0x0008;
inline constexpr uint32_t TBS_NOTICKS = 0x0010;
inline constexpr uint32_t TBS_ENABLESELRANGE = 0x0020;
inline constexpr uint32_t TBS_FIXEDLENGTH = 0x0040;
inline constexpr uint32_t TBS_NOTHUMB = 0x0080;

inline constexpr uint32_t TBM_GETPOS = 0x0400;
inline constexpr uint32_t TBM_GETRANGEMIN = 0x0401;
inline constexpr uint32_t TBM_GETRANGEMAX = 0x0402;
inline constexpr uint32_t TBM_GETTIC = 0x0403;       // wParam index of a manual tick; -1 when none
inline constexpr uint32_t TBM_SETTIC = 0x0404;       // lParam position
inline constexpr uint32_t TBM_SETPOS = 0x0405;       // wParam redraw, lParam position; notifies nothing
inline constexpr uint32_t TBM_SETRANGE = 0x0406;     // wParam redraw, lParam low word min, high word max
inline constexpr uint32_t TBM_SETRANGEMIN = 0x0407;  // wParam redraw, lParam min
inline constexpr uint32_t TBM_SETRANGEMAX = 0x0408;  // wParam redraw, lParam max
inline constexpr uint32_t TBM_CLEARTICS = 0x0409;
inline constexpr uint32_t TBM_SETSEL = 0x040A;  // wParam redraw, lParam low word start, high word end
inline constexpr uint32_t TBM_SETSELSTART = 0x040B;
inline constexpr uint32_t TBM_SETSELEND = 0x040C;
inline constexpr uint32_t TBM_GETPTICS = 0x040E;    // the manual ticks (valid until they change)
inline constexpr uint32_t TBM_GETTICPOS = 0x040F;   // wParam index: client coordinate along the channel
inline constexpr uint32_t TBM_GETNUMTICS = 0x0410;  // manual ticks plus the first and last
inline constexpr uint32_t TBM_GETSELSTART = 0x0411;
inline constexpr uint32_t TBM_GETSELEND = 0x0412;
inline constexpr uint32_t TBM_CLEARSEL = 0x0413;
inline constexpr uint32_t TBM_SETTICFREQ = 0x0414;
inline constexpr uint32_t TBM_SETPAGESIZE = 0x0415;  // answers the old size
inline constexpr uint32_t TBM_GETPAGESIZE = 0x0416;
inline constexpr uint32_t TBM_SETLINESIZE = 0x0417;  // answers the old size
inline constexpr uint32_t TBM_GETLINESIZE = 0x0418;
inline constexpr uint32_t TBM_GETTHUMBRECT = 0x0419;    // lParam TRect*
inline constexpr uint32_t TBM_GETCHANNELRECT = 0x041A;  // lParam TRect*
inline constexpr uint32_t TBM_SETTHUMBLENGTH = 0x041B;  // with TBS_FIXEDLENGTH
inline constexpr uint32_t TBM_GETTHUMBLENGTH = 0x041C;

inline constexpr uint32_t TB_LINEUP = 0;
inline constexpr uint32_t TB_LINEDOWN = 1;
inline constexpr uint32_t TB_PAGEUP = 2;
inline constexpr uint32_t TB_PAGEDOWN = 3;
inline constexpr uint32_t TB_THUMBPOSITION = 4;
inline constexpr uint32_t TB_THUMBTRACK = 5;
inline constexpr uint32_t TB_TOP = 6;
inline constexpr uint32_t TB_BOTTOM = 7;
inline constexpr uint32_t TB_ENDTRACK = 8;

// ================================================================================
// TTrackBar
// ================================================================================

enum class TTrackBarOrientation : uint8_t { trHorizontal, trVertical };
enum class TTickMark : uint8_t { tmBottomRight, tmTopLeft, tmBoth };
enum class TTickStyle : uint8_t { tsNone, tsAuto, tsManual };

class TTrackBar : public TWinControl {
 public:
  explicit TTrackBar(TComponent* AOwner);
  const char* ClassName() const override { return "TTrackBar"; }

  int32_t Min() const { return FMin; }
  void SetMin(int32_t Value);
  int32_t Max() const { return FMax; }
  void SetMax(int32_t Value);
  int32_t Position() const { return FPosition; }
  // Fires OnChange when the value changes.
  void SetPosition(int32_t Value);
  int32_t Frequency() const { return FFrequency; }
  void SetFrequency(int32_t Value);
  int32_t LineSize() const { return FLineSize; }
  void SetLineSize(int32_t Value);
  int32_t PageSize() const { return FPageSize; }
  void SetPageSize(int32_t Value);
  int32_t ThumbLength() const { return FThumbLength; }
  void SetThumbLength(int32_t Value);
  int32_t SelStart() const { return FSelStart; }
  void SetSelStart(int32_t Value);
  int32_t SelEnd() const { return FSelEnd; }
  void SetSelEnd(int32_t Value);
  // These re-create the window.
  TTickMark TickMarks() const { return FTickMarks; }
  void SetTickMarks(TTickMark Value);
  TTickStyle TickStyle() const { return FTickStyle; }
  void SetTickStyle(TTickStyle Value);
  TTrackBarOrientation Orientation() const { return FOrientation; }
  // Swaps width and height.
  void SetOrientation(TTrackBarOrientation Value);
  bool SliderVisible() const { return FSliderVisible; }
  void SetSliderVisible(bool Value);
  // A manual tick (tsManual).
  void SetTick(int32_t Value);

  void Dispatch(TMessage& Message) override;

  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  // CM_CHANGED, then OnChange.
  void Changed() override;

 private:
  void ApplyRange();
  void ApplySel();

  int32_t FMin = 0;
  int32_t FMax = 10;
  int32_t FPosition = 0;
  int32_t FFrequency = 1;
  int32_t FLineSize = 1;
  int32_t FPageSize = 2;
  int32_t FThumbLength = 20;
  int32_t FSelStart = 0;
  int32_t FSelEnd = 0;
  TTickMark FTickMarks = TTickMark::tmBottomRight;
  TTickStyle FTickStyle = TTickStyle::tsAuto;
  TTrackBarOrientation FOrientation = TTrackBarOrientation::trHorizontal;
  bool FSliderVisible = true;
  std::vector<int32_t> FTicks;
};
