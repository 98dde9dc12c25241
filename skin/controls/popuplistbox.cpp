#include "skin/controls/popuplistbox.h"

#include <algorithm>

#include "platform/gui/windows.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/components.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/messages.h"
#include "skin/engine/data/skindraw.h"

namespace {

constexpr uint32_t kHideFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW;
constexpr int32_t kFadeStep = 10;
constexpr uint64_t kFadeInterval = 5;

}  // namespace

TbsPopupListBox::TbsPopupListBox(TComponent* AOwner) : TbsSkinListBox(AOwner) {
  TControlStyle style = ControlStyle();
  style.Include(TControlStyleItem::csAcceptsControls);
  style.Include(TControlStyleItem::csNoDesignVisible);
  style.Include(TControlStyleItem::csReplicatable);
  SetControlStyle(style);
  SetVisible(false);
}

void TbsPopupListBox::CreateParams(TCreateParams& Params) {
  TbsSkinListBox::CreateParams(Params);
  Params.Style = WS_POPUP | WS_CLIPCHILDREN;
  Params.ExStyle = WS_EX_TOOLWINDOW;
  Params.WindowClass.style |= CS_SAVEBITS;
  if (IsWindowsXP()) Params.WindowClass.style |= CS_DROPSHADOW;
}

void TbsPopupListBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_MOUSEACTIVATE: Message.Result = MA_NOACTIVATE; break;
    default: TbsSkinListBox::Dispatch(Message); break;
  }
}

void TbsPopupListBox::Hide() {
  SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, kHideFlags);
  SetVisible(false);
}

bool TbsPopupListBox::ApplyAlpha(IbsPopupListOwner* Owner) {
  const bool blend = Owner->AlphaBlend();
  if (blend != FAlphaApplied) {
    const uint32_t ex = uint32_t(GetWindowLong(Handle(), GWL_EXSTYLE));
    SetWindowLong(Handle(), GWL_EXSTYLE, intptr_t(blend ? ex | WS_EX_LAYERED : ex & ~WS_EX_LAYERED));
    FAlphaApplied = blend;
  }
  if (!blend) return false;
  const uint8_t value = Owner->AlphaBlendValue();
  if (FAlphaValue != value) {
    // With the animation every drop-down starts transparent.
    FAlphaValue = Owner->AlphaBlendAnimation() ? 0 : value;
    SetWindowAlpha(Handle(), FAlphaValue);
  }
  return Owner->AlphaBlendAnimation();
}

// The fade-in pumps messages, and a handler may close or free the list or
// its owner: both are re-checked after every pump, and nothing of this
// object is touched once it is gone.
void TbsPopupListBox::Show(const TPoint& Pos) {
  auto* owner = IsWindows2000OrLater() ? dynamic_cast<IbsPopupListOwner*>(Owner()) : nullptr;
  const bool fade = owner != nullptr && ApplyAlpha(owner);
  SetWindowPos(Handle(), HWND_TOP, Pos.X, Pos.Y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  SetVisible(true);
  if (!fade) return;
  TComponentRef<TbsPopupListBox> self(this);
  TComponentRef<TComponent> ownerRef(Owner());
  const int32_t target = owner->AlphaBlendValue();
  const HWND wnd = Handle();
  auto alive = [&] { return self && ownerRef && self->Visible() && IsWindowVisible(wnd); };
  Application->ProcessMessages();
  int32_t opacity = 0;
  bool stepped = false;
  uint64_t last = 0;
  while (alive() && opacity < target) {
    const uint64_t now = GetTickCount64();
    if (!stepped || now - last > kFadeInterval) {
      stepped = true;
      last = now;
      // FAlphaValue stays 0, so the next drop-down starts transparent again.
      opacity = std::min(opacity + kFadeStep, target);
      SetWindowAlpha(wnd, uint8_t(opacity));
    }
    Application->ProcessMessages();
    if (opacity < target && alive()) Sleep(1);
  }
}
