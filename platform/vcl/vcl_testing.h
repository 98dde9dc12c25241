// Test support for the control and form tests (included by *_test.cpp only).
//
// TVclTest gives each test a headless window system on a virtual clock, an
// Application and a Screen, and an OnException that records every exception
// a handler lets escape: a test fails at its end when an exception was
// recorded that it did not take with TakeExceptions(). Message boxes are
// answered from a script (QueueAnswer); one that nobody scripted fails the
// test and answers IDCANCEL.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <vector>

#include "platform/gui/headless.h"
#include "platform/gui/windows.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/forms.h"

struct TRecordedException {
  String ClassName;
  String Message;
  TObject* Sender = nullptr;
};

struct TShownMessageBox {
  String Text;
  String Caption;
  uint32_t Flags = 0;
};

class TVclTest : public ::testing::Test {
 public:
  TVclTest() {
    App = std::make_unique<TApplication>(nullptr);
    Scr = std::make_unique<TScreen>(nullptr);
    App->OnException = [this](TObject* Sender, const Exception& E) {
      Exceptions.push_back(TRecordedException{E.ClassName(), E.Message(), Sender});
    };
    SetMessageBoxHook([this](HWND, const String& Text, const String& Caption, uint32_t Flags) {
      Boxes.push_back(TShownMessageBox{Text, Caption, Flags});
      if (BoxAnswers.empty()) {
        ADD_FAILURE() << "unscripted message box: " << Text;
        return IDCANCEL;
      }
      auto answer = std::move(BoxAnswers.front());
      BoxAnswers.pop_front();
      return answer(Text, Flags);
    });
  }

  ~TVclTest() override {
    SetMessageBoxHook(nullptr);
    App.reset();  // its forms leave the screen's list
    Scr.reset();
  }

  void TearDown() override {
    for (const TRecordedException& e : Exceptions)
      ADD_FAILURE() << "unexpected exception in a handler: " << e.ClassName << ": " << e.Message;
    Exceptions.clear();
  }

  // The exceptions recorded so far (the test expected them).
  std::vector<TRecordedException> TakeExceptions() {
    std::vector<TRecordedException> r;
    r.swap(Exceptions);
    return r;
  }

  THeadlessBackend& H() { return Session.Backend(); }
  VirtualClock& Clock() { return Session.Clock(); }
  // Everything queued, through the application's pipeline.
  void Pump() { App->ProcessMessages(); }

  // Screen position of a client point of Control.
  static TPoint At(TControl* Control, int32_t X, int32_t Y) { return Control->ClientToScreen(TPoint{X, Y}); }
  void MoveTo(TControl* Control, int32_t X, int32_t Y) {
    TPoint p = At(Control, X, Y);
    H().MouseMove(p.X, p.Y);
    Pump();
  }
  // A single click: time enough passes first that it never pairs with the
  // previous one into a double click.
  void ClickAt(TControl* Control, int32_t X, int32_t Y, TRawButton Button = TRawButton::Left) {
    Clock().Advance(GetDoubleClickTime() + 1);
    TPoint p = At(Control, X, Y);
    H().Click(p.X, p.Y, Button);
    Pump();
  }
  void Press(uint32_t Vk, uint32_t Modifiers = 0) {
    H().PressKey(Vk, Modifiers);
    Pump();
  }

  // The next message box answers Answer.
  void QueueAnswer(int32_t Answer) {
    BoxAnswers.push_back([Answer](const String&, uint32_t) { return Answer; });
  }
  void QueueAnswer(std::function<int32_t(const String& Text, uint32_t Flags)> Answer) {
    BoxAnswers.push_back(std::move(Answer));
  }

  THeadlessSession Session;
  std::unique_ptr<TApplication> App;
  std::unique_ptr<TScreen> Scr;
  std::vector<TRecordedException> Exceptions;
  std::vector<TShownMessageBox> Boxes;
  std::deque<std::function<int32_t(const String&, uint32_t)>> BoxAnswers;
};
