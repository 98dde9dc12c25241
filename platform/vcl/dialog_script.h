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
#include "platform/vcl/dialogs_manager.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

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
    static const char* const kNames[] = {"message box", "open dialog", "save dialog", "colour dialog",
                                         "font dialog", "folder dialog", "properties", "modal form", "dialog"};
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
  TDialogExpectation& ExpectModalForm(const String& Caption) {
    return Expect(TScriptKind::ModalForm).Caption(Caption);
  }
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
    const TScriptKind kind = Info.Kind == TDialogKind::dkOther ? TScriptKind::Dialog
                                                               : static_cast<TScriptKind>(uint8_t(Info.Kind) - 1);
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
