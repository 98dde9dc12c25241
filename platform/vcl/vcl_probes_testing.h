// Controls for the control and form tests (included by *_test.cpp only):
// probes that write the messages and events they get into a shared log, and
// a push button with the default / cancel protocol.
#pragma once

#include <map>
#include <set>
#include <vector>

#include "platform/vcl/controls.h"
#include "platform/vcl/forms.h"

// "name WHAT" lines in order.
struct TEventLog {
  std::vector<String> Lines;
  void Add(const String& Line) { Lines.push_back(Line); }
  void Clear() { Lines.clear(); }
  // The lines that start with Prefix ("ok CM_" ...), or that contain Part.
  std::vector<String> Starting(const String& Prefix) const {
    std::vector<String> r;
    for (const String& l : Lines)
      if (l.compare(0, Prefix.size(), Prefix) == 0) r.push_back(l);
    return r;
  }
  std::vector<String> Containing(const String& Part) const {
    std::vector<String> r;
    for (const String& l : Lines)
      if (l.find(Part) != String::npos) r.push_back(l);
    return r;
  }
};

inline String VclMsgName(uint32_t Msg) {
  static const std::map<uint32_t, const char*> names = {
      {CM_ACTIVATE, "CM_ACTIVATE"},
      {CM_DEACTIVATE, "CM_DEACTIVATE"},
      {CM_CANCELMODE, "CM_CANCELMODE"},
      {CM_DIALOGKEY, "CM_DIALOGKEY"},
      {CM_DIALOGCHAR, "CM_DIALOGCHAR"},
      {CM_FOCUSCHANGED, "CM_FOCUSCHANGED"},
      {CM_PARENTFONTCHANGED, "CM_PARENTFONTCHANGED"},
      {CM_PARENTCOLORCHANGED, "CM_PARENTCOLORCHANGED"},
      {CM_VISIBLECHANGED, "CM_VISIBLECHANGED"},
      {CM_ENABLEDCHANGED, "CM_ENABLEDCHANGED"},
      {CM_COLORCHANGED, "CM_COLORCHANGED"},
      {CM_FONTCHANGED, "CM_FONTCHANGED"},
      {CM_CURSORCHANGED, "CM_CURSORCHANGED"},
      {CM_TEXTCHANGED, "CM_TEXTCHANGED"},
      {CM_MOUSEENTER, "CM_MOUSEENTER"},
      {CM_MOUSELEAVE, "CM_MOUSELEAVE"},
      {CM_SHOWINGCHANGED, "CM_SHOWINGCHANGED"},
      {CM_ENTER, "CM_ENTER"},
      {CM_EXIT, "CM_EXIT"},
      {CM_WANTSPECIALKEY, "CM_WANTSPECIALKEY"},
      {CM_CHILDKEY, "CM_CHILDKEY"},
      {CM_RELEASE, "CM_RELEASE"},
      {CM_RECREATEWND, "CM_RECREATEWND"},
      {CM_MOUSEWHEEL, "CM_MOUSEWHEEL"},
      {CM_SHOWHINTCHANGED, "CM_SHOWHINTCHANGED"},
      {CM_PARENTSHOWHINTCHANGED, "CM_PARENTSHOWHINTCHANGED"},
      {CM_CONTROLCHANGE, "CM_CONTROLCHANGE"},
      {CM_CONTROLLISTCHANGE, "CM_CONTROLLISTCHANGE"},
      {CN_KEYDOWN, "CN_KEYDOWN"},
      {CN_KEYUP, "CN_KEYUP"},
      {CN_SYSKEYDOWN, "CN_SYSKEYDOWN"},
      {CN_SYSCHAR, "CN_SYSCHAR"},
      {CN_CHAR, "CN_CHAR"},
      {CN_COMMAND, "CN_COMMAND"},
      {CN_NOTIFY, "CN_NOTIFY"},
      {CN_DRAWITEM, "CN_DRAWITEM"},
      {CN_MEASUREITEM, "CN_MEASUREITEM"},
      {WM_KEYDOWN, "WM_KEYDOWN"},
      {WM_KEYUP, "WM_KEYUP"},
      {WM_CHAR, "WM_CHAR"},
      {WM_GETDLGCODE, "WM_GETDLGCODE"},
      {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},
      {WM_LBUTTONUP, "WM_LBUTTONUP"},
      {WM_LBUTTONDBLCLK, "WM_LBUTTONDBLCLK"},
      {WM_RBUTTONDOWN, "WM_RBUTTONDOWN"},
      {WM_RBUTTONUP, "WM_RBUTTONUP"},
      {WM_MOUSEMOVE, "WM_MOUSEMOVE"},
      {WM_MOUSEWHEEL, "WM_MOUSEWHEEL"},
      {WM_SETFOCUS, "WM_SETFOCUS"},
      {WM_KILLFOCUS, "WM_KILLFOCUS"},
      {WM_PAINT, "WM_PAINT"},
      {WM_ERASEBKGND, "WM_ERASEBKGND"},
      {WM_CONTEXTMENU, "WM_CONTEXTMENU"},
      {WM_CANCELMODE, "WM_CANCELMODE"},
      {WM_TIMER, "WM_TIMER"},
  };
  auto it = names.find(Msg);
  return it != names.end() ? String(it->second) : "msg" + std::to_string(Msg);
}

// Logs the messages of Watch (all named ones when empty) and the events.
template <class Base>
class TProbeOf : public Base {
 public:
  TProbeOf(TComponent* AOwner, TEventLog* Log, const String& Tag, std::set<uint32_t> Watch = {})
      : Base(AOwner), FLog(Log), FTag(Tag), FWatch(std::move(Watch)) {
    this->SetName(Tag);
    this->OnClick = [this](TObject*) { FLog->Add(FTag + " Click"); };
    this->OnDblClick = [this](TObject*) { FLog->Add(FTag + " DblClick"); };
    this->OnMouseDown = [this](TObject*, TMouseButton B, TShiftState S, int32_t X, int32_t Y) {
      FLog->Add(FTag + " MouseDown " + std::to_string(int(B)) + (S.Contains(ssDouble) ? " double" : "") + " " +
                std::to_string(X) + "," + std::to_string(Y));
    };
    this->OnMouseUp = [this](TObject*, TMouseButton B, TShiftState, int32_t X, int32_t Y) {
      FLog->Add(FTag + " MouseUp " + std::to_string(int(B)) + " " + std::to_string(X) + "," + std::to_string(Y));
    };
  }
  const char* ClassName() const override { return "TProbe"; }

  void Dispatch(TMessage& Message) override {
    const bool named = VclMsgName(Message.Msg).compare(0, 3, "msg") != 0;
    if ((FWatch.empty() && named) || FWatch.count(Message.Msg) != 0) {
      String line = FTag + " " + VclMsgName(Message.Msg);
      if ((Message.Msg == CM_MOUSEENTER || Message.Msg == CM_MOUSELEAVE) && Message.LParam != 0)
        line += " " + reinterpret_cast<TControl*>(Message.LParam)->Name();
      FLog->Add(line);
    }
    if (Handlers.count(Message.Msg) != 0 && Handlers[Message.Msg](Message)) return;
    Base::Dispatch(Message);
  }

  // Answer a message instead of the base class when the handler returns true.
  std::map<uint32_t, std::function<bool(TMessage&)>> Handlers;
  TEventLog* FLog;
  String FTag;
  std::set<uint32_t> FWatch;
  int32_t Paints = 0;

 protected:
  void Paint() override { ++Paints; }
};

using TWinProbe = TProbeOf<TCustomControl>;
using TGraphicProbe = TProbeOf<TGraphicControl>;

// A push button: Enter reaches a Default one, Escape a Cancel one (through
// CM_DIALOGKEY), an "&" accelerator of its caption through CM_DIALOGCHAR; a
// click sets its ModalResult on the form.
class TTestButton : public TCustomControl {
 public:
  explicit TTestButton(TComponent* AOwner) : TCustomControl(AOwner) {
    SetTabStop(true);
    SetBounds(0, 0, 75, 25);
  }
  const char* ClassName() const override { return "TTestButton"; }

  bool Default = false;
  bool Cancel = false;
  TModalResult ModalResult = mrNone;

  void Click() override {
    if (TCustomForm* f = GetParentForm(this)) f->SetModalResult(ModalResult);
    TCustomControl::Click();
  }

  void Dispatch(TMessage& Message) override {
    if (Message.Msg == CM_DIALOGKEY) {
      TWMKey k(Message);
      if (((k.CharCode == VK_RETURN && Default) || (k.CharCode == VK_ESCAPE && Cancel)) &&
          KeyDataToShiftState(k.KeyData).Empty() && CanFocus()) {
        Click();
        Message.Result = 1;
        return;
      }
    }
    if (Message.Msg == CM_DIALOGCHAR) {
      String caption = Caption();
      size_t amp = caption.find('&');
      if (amp != String::npos && amp + 1 < caption.size() &&
          std::tolower(uint8_t(caption[amp + 1])) == std::tolower(int(Message.WParam)) && CanFocus()) {
        Click();
        Message.Result = 1;
        return;
      }
    }
    TCustomControl::Dispatch(Message);
  }
};
