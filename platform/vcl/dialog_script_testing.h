// Test support (included by *_test.cpp only): scripting the modal dialogs a
// headless test opens.
//
// A test queues expectations in the order the dialogs will open: a kind
// (message box, any modal form by caption; the file, colour, font, folder and
// properties kinds are reserved for those dialogs), an optional caption
// (equal) and text (contained), and the actions to do once the dialog's loop
// falls idle, one action per idle point. Actions work through the dialog's
// own controls, so its procedure and notifications run as in real use. A
// dialog that opens without a matching expectation fails the test with its
// caption and text and is cancelled at once instead of waiting; expectations
// left at the end fail too. Every dialog shown is logged.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <vector>

#include "platform/gui/headless.h"
#include "platform/gui/win_menus.h"
#include "platform/vcl/comctrls_listview.h"
#include "platform/vcl/dialogs_file.h"
#include "platform/vcl/dialogs_folder.h"
#include "platform/vcl/dialogs_manager.h"
#include "platform/vcl/dialogs_color.h"
#include "platform/vcl/dialogs_font.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

// The visible, enabled control of Parent or its children showing Caption
// (accelerator marks ignored); nil when there is none.
inline TControl* FindCaptionedControl(TWinControl* Parent, const String& Caption) {
  for (int32_t i = 0; Parent != nullptr && i < Parent->ControlCount(); ++i) {
    TControl* c = Parent->Controls(i);
    if (!c->Visible() || !c->Enabled()) continue;
    if (StripHotkey(c->Caption()) == Caption) return c;
    if (auto* w = dynamic_cast<TWinControl*>(c))
      if (TControl* found = FindCaptionedControl(w, Caption)) return found;
  }
  return nullptr;
}

enum class TScriptKind : uint8_t { MessageBox, Open, Save, Color, Font, Folder, Properties, ModalForm, Dialog };

struct TDialogLogEntry {
  TScriptKind Kind = TScriptKind::MessageBox;
  String Caption;
  String Text;
  std::vector<String> Buttons;
  intptr_t Result = -1;  // -1 while open (and for modal forms, whose result ShowModal answers)
};

// What an action acts on: the dialog window, or the modal form.
struct TScriptTarget {
  HWND Dialog = nullptr;
  TCustomForm* Form = nullptr;
};

class TDialogExpectation {
 public:
  explicit TDialogExpectation(TScriptKind Kind) : FKind(Kind) {}

  TDialogExpectation& Caption(const String& Value) {
    FCaption = Value;
    FMatchCaption = true;
    return *this;
  }
  TDialogExpectation& Text(const String& Value) {
    FText = Value;
    FMatchText = true;
    return *this;
  }
  // Clicks the button with this control id (a dialog) through BM_CLICK.
  TDialogExpectation& Press(int32_t Id) {
    return Do([Id](TScriptTarget t, const std::function<void(const String&)>& fail) {
      if (t.Dialog != nullptr) {
        HWND b = GetDlgItem(t.Dialog, Id);
        if (b == nullptr) return fail("the dialog has no button " + std::to_string(Id));
        SendMessage(b, BM_CLICK, 0, 0);
      } else if (t.Form != nullptr) {
        fail("Press(id) on a form: use PressResult");
      }
    });
  }
  // Clicks the button giving this modal result: on a form a TButton with
  // that ModalResult; on a message box the button of that ID*.
  TDialogExpectation& PressResult(TModalResult Result) {
    return Do([Result](TScriptTarget t, const std::function<void(const String&)>& fail) {
      if (t.Dialog != nullptr) {
        HWND b = GetDlgItem(t.Dialog, Result);
        if (b == nullptr) return fail("the dialog has no button for result " + std::to_string(Result));
        SendMessage(b, BM_CLICK, 0, 0);
        return;
      }
      if (TButton* b = FindButton(t.Form, Result))
        b->Click();
      else
        fail("the form has no button for result " + std::to_string(Result));
    });
  }
  // Clicks, through the injected mouse, the centre of the visible, enabled
  // control of the modal form whose caption is Caption (accelerator marks
  // ignored): any control that shows a caption, whatever draws it.
  TDialogExpectation& PressCaption(const String& Caption) {
    return Do([Caption](TScriptTarget t, const std::function<void(const String&)>& fail) {
      if (t.Form == nullptr) return fail("PressCaption needs a modal form");
      TControl* c = FindCaptionedControl(t.Form, StripHotkey(Caption));
      if (c == nullptr) return fail("the form has no enabled control \"" + Caption + "\"");
      const TPoint p = c->ClientToScreen(TPoint{c->Width() / 2, c->Height() / 2});
      Headless().Click(p.X, p.Y);
    });
  }
  // Types into the focused control, as keys.
  TDialogExpectation& Type(const String& Text) {
    return Do([Text](TScriptTarget, const std::function<void(const String&)>&) { Headless().TypeText(Text); });
  }
  // Presses a key (VK_*) with hk* modifiers.
  TDialogExpectation& Key(uint32_t Vk, uint32_t Modifiers = 0) {
    return Do([Vk, Modifiers](TScriptTarget, const std::function<void(const String&)>&) {
      Headless().PressKey(Vk, Modifiers);
    });
  }
  // Colour dialog: opens the full dialog when it is compact, then types the
  // red, green and blue of Rgb into their edits (one edit per idle point).
  TDialogExpectation& PickColor(COLORREF Rgb) {
    const int32_t values[] = {GetRValue(TColor(Rgb)), GetGValue(TColor(Rgb)), GetBValue(TColor(Rgb))};
    for (int32_t i = 0; i < 3; ++i)
      Do([i, v = values[i]](TScriptTarget t, const std::function<void(const String&)>& fail) {
        if (t.Dialog == nullptr) return fail("PickColor needs the colour dialog");
        if (!IsWindowVisible(GetDlgItem(t.Dialog, COLOR_RED))) {
          HWND mix = GetDlgItem(t.Dialog, COLOR_MIX);
          if (mix == nullptr || !IsWindowEnabled(mix)) return fail("the colour dialog cannot open fully");
          SendMessage(mix, BM_CLICK, 0, 0);
        }
        HWND edit = GetDlgItem(t.Dialog, COLOR_RED + i);
        SetFocus(edit);
        SendMessage(edit, EM_SETSEL, 0, -1);
        Headless().TypeText(std::to_string(v));
      });
    return *this;
  }
  // Font dialog: clicks Family in the family list and Style in the style
  // list, and types Size into the size box; an empty argument is left alone.
  TDialogExpectation& PickFont(const String& Family, const String& Style = String(), const String& Size = String()) {
    auto click = [](int32_t id, const String& item) {
      return [id, item](TScriptTarget t, const std::function<void(const String&)>& fail) {
        HWND list = t.Dialog != nullptr ? GetDlgItem(GetDlgItem(t.Dialog, id), 1000) : nullptr;
        if (list == nullptr) return fail("PickFont needs the font dialog");
        const LRESULT i = SendMessage(list, LB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(item.c_str()));
        if (i < 0) return fail("the font dialog does not list \"" + item + "\"");
        SendMessage(list, LB_SETTOPINDEX, WPARAM(i), 0);
        TRect r;
        SendMessage(list, LB_GETITEMRECT, WPARAM(i), reinterpret_cast<LPARAM>(&r));
        TPoint p{r.Left + 4, (r.Top + r.Bottom) / 2};
        ClientToScreen(list, &p);
        Headless().Click(p.X, p.Y);
      };
    };
    if (!Family.empty()) Do(click(kFontFamilyId, Family));
    if (!Style.empty()) Do(click(kFontStyleId, Style));
    if (!Size.empty())
      Do([Size](TScriptTarget t, const std::function<void(const String&)>& fail) {
        HWND edit = t.Dialog != nullptr ? GetDlgItem(GetDlgItem(t.Dialog, kFontSizeId), kComboEditId) : nullptr;
        if (edit == nullptr) return fail("PickFont needs the font dialog");
        SetFocus(edit);
        SendMessage(edit, EM_SETSEL, 0, -1);
        Headless().TypeText(Size);
      });
    return *this;
  }
  // ---- File dialogs, through their own controls ----
  // Goes to a folder: its path typed into the name box, then OK.
  TDialogExpectation& GoToFolder(const String& Path) {
    return Do([Path](TScriptTarget t, const std::function<void(const String&)>& fail) {
      HWND box = t.Dialog != nullptr ? GetDlgItem(t.Dialog, edt1) : nullptr;
      if (box == nullptr) return fail("GoToFolder: not a file dialog");
      SetFocus(box);
      SetWindowText(box, Path.c_str());
      SendMessage(GetDlgItem(t.Dialog, IDOK), BM_CLICK, 0, 0);
    });
  }
  // Selects the file list's items shown under these names (the others unselected).
  TDialogExpectation& SelectNames(std::vector<String> Names) {
    return Do([Names](TScriptTarget t, const std::function<void(const String&)>& fail) {
      HWND list = t.Dialog != nullptr ? GetDlgItem(t.Dialog, lst1) : nullptr;
      if (list == nullptr) return fail("SelectNames: not a file dialog");
      SetFocus(list);
      LVITEM none;
      none.stateMask = LVIS_SELECTED;
      SendMessage(list, LVM_SETITEMSTATE, WPARAM(-1), reinterpret_cast<LPARAM>(&none));
      for (const String& n : Names) {
        LVFINDINFO fi;
        fi.flags = LVFI_STRING;
        fi.psz = n.c_str();
        const LRESULT i = SendMessage(list, LVM_FINDITEM, WPARAM(-1), reinterpret_cast<LPARAM>(&fi));
        if (i < 0) return fail("SelectNames: the list has no \"" + n + "\"");
        LVITEM st;
        st.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        st.state = st.stateMask;
        SendMessage(list, LVM_SETITEMSTATE, WPARAM(i), reinterpret_cast<LPARAM>(&st));
      }
    });
  }
  // Types into the name box, replacing its text.
  TDialogExpectation& TypeName(const String& Text) {
    return Do([Text](TScriptTarget t, const std::function<void(const String&)>& fail) {
      HWND box = t.Dialog != nullptr ? GetDlgItem(t.Dialog, edt1) : nullptr;
      if (box == nullptr) return fail("TypeName: not a file dialog");
      SetFocus(box);
      SendMessage(box, EM_SETSEL, 0, -1);
      Headless().TypeText(Text);
    });
  }
  // Chooses the file type of this 1-based index in the type box.
  TDialogExpectation& ChooseType(int32_t Index) {
    return Do([Index](TScriptTarget t, const std::function<void(const String&)>& fail) {
      HWND types = t.Dialog != nullptr ? GetDlgItem(t.Dialog, cmb1) : nullptr;
      if (types == nullptr || SendMessage(types, CB_SETCURSEL, WPARAM(Index - 1), 0) < 0)
        return fail("ChooseType: no type " + std::to_string(Index));
      SendMessage(t.Dialog, WM_COMMAND, MAKEWPARAM(cmb1, CBN_SELCHANGE), reinterpret_cast<LPARAM>(types));
    });
  }
  // Folder browser: selects the folder of Path in its tree (as
  // BFFM_SETSELECTION does, so the selection notifications run).
  TDialogExpectation& SelectFolder(const String& Path) {
    return Do([Path](TScriptTarget t, const std::function<void(const String&)>& fail) {
      if (t.Dialog == nullptr || GetDlgItem(t.Dialog, IDC_BFF_TREE) == nullptr)
        return fail("SelectFolder needs the folder dialog");
      if (SendMessage(t.Dialog, BFFM_SETSELECTION, 1, reinterpret_cast<LPARAM>(Path.c_str())) == 0)
        fail("the folder dialog has no item for \"" + Path + "\"");
    });
  }
  // Any action of the caller's own.
  TDialogExpectation& Do(std::function<void(TScriptTarget, const std::function<void(const String&)>&)> Action) {
    FActions.push_back(std::move(Action));
    return *this;
  }

  bool Matches(TScriptKind Kind, const String& Caption, const String& Text) const {
    return Kind == FKind && (!FMatchCaption || Caption == FCaption) &&
           (!FMatchText || Text.find(FText) != String::npos);
  }
  String Describe() const {
    static const char* const kNames[] = {"message box",   "open dialog", "save dialog", "colour dialog", "font dialog",
                                         "folder dialog", "properties",  "modal form",  "dialog"};
    String s = kNames[size_t(FKind)];
    if (FMatchCaption) s += " \"" + FCaption + "\"";
    if (FMatchText) s += " with text \"" + FText + "\"";
    return s;
  }
  const auto& Actions() const { return FActions; }

 private:
  static TButton* FindButton(TWinControl* Parent, TModalResult Result) {
    if (Parent == nullptr) return nullptr;
    for (int32_t i = 0; i < Parent->ControlCount(); ++i) {
      TControl* c = Parent->Controls(i);
      if (auto* b = dynamic_cast<TButton*>(c); b != nullptr && b->ModalResult() == Result) return b;
      if (auto* w = dynamic_cast<TWinControl*>(c))
        if (TButton* b = FindButton(w, Result)) return b;
    }
    return nullptr;
  }

  TScriptKind FKind;
  String FCaption;
  String FText;
  bool FMatchCaption = false;
  bool FMatchText = false;
  std::vector<std::function<void(TScriptTarget, const std::function<void(const String&)>&)>> FActions;
};

class TDialogScript {
 public:
  // Watches the dialog manager's modal dialogs and the screen's modal forms
  // (a Screen must exist). Idle actions go to the headless backend.
  TDialogScript() {
    OnFailure = [](const String& Message) { ADD_FAILURE() << Message; };
    TDialogWatcher w;
    w.OnStart = [this](HWND h, const TDialogInfo& Info) { DialogStarted(h, Info); };
    w.OnEnd = [this](HWND h, const TDialogInfo&, intptr_t Result) {
      auto it = FOpen.find(h);
      if (it == FOpen.end()) return;
      FLog[it->second].Result = Result;
      FOpen.erase(it);
    };
    SetDialogWatcher(std::move(w));
    if (Screen != nullptr) {
      FSavedFormChange = Screen->OnActiveFormChange;
      Screen->OnActiveFormChange = [this](TObject* Sender) {
        if (FSavedFormChange) FSavedFormChange(Sender);
        FormChanged();
      };
    }
  }
  ~TDialogScript() {
    Verify();
    SetDialogWatcher(TDialogWatcher{});
    if (Screen != nullptr) Screen->OnActiveFormChange = FSavedFormChange;
  }
  TDialogScript(const TDialogScript&) = delete;
  TDialogScript& operator=(const TDialogScript&) = delete;

  TDialogExpectation& ExpectMessageBox() { return Expect(TScriptKind::MessageBox); }
  TDialogExpectation& ExpectModalForm(const String& Caption) { return Expect(TScriptKind::ModalForm).Caption(Caption); }
  TDialogExpectation& Expect(TScriptKind Kind) {
    FExpected.emplace_back(Kind);
    return FExpected.back();
  }

  // Fails for every expectation not met yet (and forgets them).
  void Verify() {
    for (const TDialogExpectation& e : FExpected) OnFailure("expected dialog never shown: " + e.Describe());
    FExpected.clear();
  }
  size_t Pending() const { return FExpected.size(); }
  const std::vector<TDialogLogEntry>& Log() const { return FLog; }

  // Where failures go (default: a non-fatal test failure).
  std::function<void(const String&)> OnFailure;

 private:
  // Takes the expectation met into Out, or reports the dialog and answers false.
  bool Take(TScriptKind Kind, const String& Caption, const String& Text, TDialogExpectation& Out) {
    if (FExpected.empty() || !FExpected.front().Matches(Kind, Caption, Text)) {
      String s = "unexpected dialog \"" + Caption + "\": " + Text;
      if (!FExpected.empty()) s += " (expected " + FExpected.front().Describe() + ")";
      OnFailure(s);
      return false;
    }
    Out = std::move(FExpected.front());
    FExpected.pop_front();
    return true;
  }

  void Schedule(const TDialogExpectation& e, TScriptTarget Target, std::function<bool()> Alive) {
    for (const auto& action : e.Actions())
      Headless().QueueIdleAction([this, action, Target, Alive] {
        if (Alive()) action(Target, OnFailure);
      });
  }

  void DialogStarted(HWND h, const TDialogInfo& Info) {
    const TScriptKind kind =
        Info.Kind == TDialogKind::dkOther ? TScriptKind::Dialog : static_cast<TScriptKind>(uint8_t(Info.Kind) - 1);
    FOpen[h] = FLog.size();
    FLog.push_back(TDialogLogEntry{kind, Info.Caption, Info.Text, Info.Buttons, -1});
    TDialogExpectation e(kind);
    if (!Take(kind, Info.Caption, Info.Text, e)) {
      EndDialog(h, IDCANCEL);
      return;
    }
    Schedule(e, TScriptTarget{h, nullptr}, [h] { return IsWindow(h); });
  }

  void FormChanged() {
    TCustomForm* f = Screen != nullptr ? Screen->ActiveCustomForm() : nullptr;
    // Forms met before stay known while they are modal.
    std::erase_if(FSeenForms, [](const TComponentRef<TCustomForm>& r) {
      return r.Get() == nullptr || !r.Get()->FormState().Contains(TFormStateItem::fsModal);
    });
    if (f == nullptr || !f->FormState().Contains(TFormStateItem::fsModal)) return;
    for (const auto& r : FSeenForms)
      if (r.Get() == f) return;
    FSeenForms.emplace_back(f);
    const String caption = f->Caption();
    FLog.push_back(TDialogLogEntry{TScriptKind::ModalForm, caption, String(), {}, -1});
    TDialogExpectation e(TScriptKind::ModalForm);
    if (!Take(TScriptKind::ModalForm, caption, String(), e)) {
      f->SetModalResult(mrCancel);
      return;
    }
    TComponentRef<TCustomForm> ref(f);
    Schedule(e, TScriptTarget{nullptr, f}, [ref] { return ref.Get() != nullptr; });
  }

  std::deque<TDialogExpectation> FExpected;
  std::vector<TDialogLogEntry> FLog;
  std::map<HWND, size_t> FOpen;  // open dialogs and their log entries
  std::vector<TComponentRef<TCustomForm>> FSeenForms;
  TNotifyEvent FSavedFormChange;
};
