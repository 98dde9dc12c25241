// Test support of the shell list tests: a form with a list on it, waiting
// for thumbnail threads, a window that records what it is sent, and the
// list's protected handlers opened up.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/gui/win_paint.h"
#include "platform/gui/win_readback.h"
#include "platform/rtl/threads.h"
#include "platform/shellapi/shell_testing.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/vcl_testing.h"
#include "shell/shelllist.h"

namespace shelltest {

// Counts the text asks of LVN_GETDISPINFO per item and column.
class TTestShellList : public TZavShellList {
 public:
  using TZavShellList::ColClick;
  using TZavShellList::TZavShellList;
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == CN_NOTIFY) {
      auto* di = reinterpret_cast<NMLVDISPINFO*>(Message.LParam);
      if (di->hdr.code == LVN_GETDISPINFO && (di->item.mask & LVIF_TEXT) != 0)
        ++TextAsks[{di->item.lParam, di->item.iSubItem}];
    }
    TZavShellList::Dispatch(Message);
  }
  std::map<std::pair<LPARAM, int32_t>, int32_t> TextAsks;
};

// A window that keeps every message of the application's range (1024 to
// 32767) it is sent or posted and runs OnMessage for it.
class TRecordingWindow : public TWinControl {
 public:
  using TWinControl::TWinControl;
  void Dispatch(TMessage& Message) override {
    if (Message.Msg >= WM_USER && Message.Msg < 0x8000) {
      Received.push_back(Message.Msg);
      if (OnMessage) OnMessage(Message);
      return;
    }
    TWinControl::Dispatch(Message);
  }
  std::vector<uint32_t> Received;
  std::function<void(TMessage&)> OnMessage;
};

class ShellListTest : public TVclTest {
 protected:
  ShellListTest() : Form(std::make_unique<TForm>(nullptr)) {
    Form->SetBounds(0, 0, 520, 360);
    List = new TTestShellList(Form.get());
    List->SetParent(Form.get());
    List->SetBounds(0, 0, 500, 320);
  }
  ~ShellListTest() override {
    Form.reset();
    // Threads the lists let go end on their own; their objects are freed on
    // this thread.
    EXPECT_TRUE(PumpUntil([] { return TScanThumbnailThread::LiveCount() == 0; }));
  }

  void Show() {
    Form->Show();
    Pump();
    UpdateWindow(Form->Handle());
  }

  // Serves the workers' requests and the message queue until Done, for at
  // most 30 s of real time (the workers run in real time).
  bool PumpUntil(const std::function<bool()>& Done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!Done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      TThread::CheckSynchronize(5);
      Pump();
    }
    return true;
  }

  std::vector<String> Captions() {
    std::vector<String> out;
    for (int32_t i = 0; i < List->Items()->Count(); ++i) out.push_back(List->Items()->Item(i)->Caption());
    return out;
  }

  String Text(int32_t Item, int32_t Column) {
    char buffer[256] = {};
    LVITEM it;
    it.iSubItem = Column;
    it.pszText = buffer;
    it.cchTextMax = sizeof buffer;
    SendMessage(List->Handle(), LVM_GETITEMTEXT, WPARAM(Item), reinterpret_cast<LPARAM>(&it));
    return buffer;
  }

  void SaveShot(const String& Name) {
    UpdateWindow(Form->Handle());
    auto shot = WindowPixels(List->Handle(), true);
    ASSERT_TRUE(shot);
    const char* dir = std::getenv("PICTOVAL_SHOTS");
    EXPECT_TRUE(SavePng(*shot, String(dir ? dir : std::getenv("HOME")) + "/" + Name + ".png"));
  }

  std::unique_ptr<TForm> Form;
  TTestShellList* List;
};

}  // namespace shelltest
