// The link between shell controls: broadcasts to the other registered
// windows, no nested rounds, and going up asking the others first.
#include "shell/shelllink.h"

#include <gtest/gtest.h>

#include "shell/shelllist_testing.h"

using namespace shelltest;

namespace {

class ShellLinkTest : public ShellListTest {
 protected:
  TRecordingWindow* Peer(int32_t Answer = 0) {
    auto* w = new TRecordingWindow(Form.get());
    w->SetParent(Form.get());
    w->OnMessage = [Answer](TMessage& m) { m.Result = Answer; };
    Link.RegisterWindow(w->Handle());
    return w;
  }

  TZavShellLink Link{nullptr};
};

}  // namespace

TEST_F(ShellLinkTest, BroadcastsReachTheOthersOnceWithoutNestedRounds) {
  TRecordingWindow* a = Peer();
  TRecordingWindow* b = Peer();
  Link.RegisterWindow(a->Handle());  // once only
  int32_t changes = 0;
  Link.OnChange = [&](TObject*) { ++changes; };
  // a answers a folder change by notifying again: nothing more is sent.
  a->OnMessage = [&](TMessage& m) {
    if (m.Msg == ZSL_FOLDERCHANGE) Link.NotifyFolderChange(a, nullptr);
  };
  Link.NotifyFolderChange(b, nullptr);
  EXPECT_EQ(a->Received, (std::vector<uint32_t>{ZSL_FOLDERCHANGE}));
  EXPECT_TRUE(b->Received.empty());
  EXPECT_EQ(changes, 1);

  struct TCase {
    std::function<void()> Send;
    uint32_t Msg;
  };
  const TCase cases[] = {
      {[&] { Link.SelectAllOthers(b); }, ZSL_SELECTALL},
      {[&] { Link.RepopulateOthers(b); }, ZSL_REPOPULATE},
      {[&] { Link.RefreshOthers(b); }, ZSL_REFRESH},
      {[&] { Link.NotifySelection(b, nullptr, nullptr); }, ZSL_SELECTION},
  };
  for (const TCase& c : cases) {
    a->Received.clear();
    c.Send();
    EXPECT_EQ(a->Received, (std::vector<uint32_t>{c.Msg}));
    EXPECT_TRUE(b->Received.empty());
  }
  // Disabled: nothing.
  a->Received.clear();
  Link.SetEnabled(false);
  Link.RefreshOthers(b);
  EXPECT_TRUE(a->Received.empty());
  Link.SetEnabled(true);
  EXPECT_EQ(Link.Version(), "TZavShellLink V3.02");
}

TEST_F(ShellLinkTest, GoUpAsksTheOthersInOrderAndFallsBackToTheSender) {
  TRecordingWindow* sender = Peer();
  TRecordingWindow* first = Peer(0);
  TRecordingWindow* second = Peer(1);
  TRecordingWindow* third = Peer(1);
  Link.GoUp(sender);
  EXPECT_EQ(first->Received, (std::vector<uint32_t>{ZSL_GOUP}));
  EXPECT_EQ(second->Received, (std::vector<uint32_t>{ZSL_GOUP}));
  EXPECT_TRUE(third->Received.empty());  // second went up
  EXPECT_TRUE(sender->Received.empty());

  Link.UnregisterWindow(second->Handle());
  Link.UnregisterWindow(third->Handle());
  first->Received.clear();
  Link.GoUp(sender);
  EXPECT_EQ(first->Received, (std::vector<uint32_t>{ZSL_GOUP}));
  EXPECT_EQ(sender->Received, (std::vector<uint32_t>{ZSL_GOUP}));
}
