// The file list's thumbnail thread over fixture pictures: every item ends
// with a picture, the work follows the first visible item, and a stop that
// a slow provider holds up gives up after 5000 ms of the clock.
#include "shell/thumbthread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "platform/gui/canvas.h"
#include "platform/shellapi/thumbnails.h"
#include "shell/shelllist_testing.h"

using namespace shelltest;

namespace {

// Holds the provider's callers until opened.
class TLatch {
 public:
  void Open() {
    std::lock_guard<std::mutex> lock(FLock);
    FOpen = true;
    FCond.notify_all();
  }
  void Wait() {
    std::unique_lock<std::mutex> lock(FLock);
    FCond.wait(lock, [&] { return FOpen; });
  }

 private:
  std::mutex FLock;
  std::condition_variable FCond;
  bool FOpen = false;
};

HBITMAP Solid(int32_t Width, int32_t Height, uint8_t Blue, uint8_t Green, uint8_t Red) {
  TThumbImage image;
  image.Width = Width;
  image.Height = Height;
  for (int32_t i = 0; i < Width * Height; ++i) image.Bgr.insert(image.Bgr.end(), {Blue, Green, Red});
  return ThumbImageToBitmap(image);
}

TColor Centre(const TBitmap& Picture) {
  return const_cast<TBitmap&>(Picture).Canvas()->Pixels(Picture.Width() / 2, Picture.Height() / 2) & 0xFFFFFF;
}

class ThumbThread : public ShellListTest {
 protected:
  ThumbThread() : Dir(NewDir("thumbs")) {}
  ~ThumbThread() override {
    Latch.Open();
    ClearThumbnailProviders();
  }

  void Convert(const String& Args, const String& Name) {
    int status = -1;
    RunCommand("convert " + Args + " " + Quote(Dir + "/" + Name) + " 2>&1", &status);
    ASSERT_EQ(status, 0) << Name;
  }

  TZavShellListItem* RecordOf(const String& Caption) {
    for (int32_t i = 0; i < List->Items()->Count(); ++i)
      if (List->Items()->Item(i)->Caption() == Caption) return TZavShellList::Record(List->Items()->Item(i));
    return nullptr;
  }

  const String Dir;
  TLatch Latch;
};

}  // namespace

TEST_F(ThumbThread, EveryItemEndsWithAPictureAndTheThreadEnds) {
  ASSERT_TRUE(HaveTool("convert"));
  Convert("-size 400x300 gradient:red-blue", "wide.jpg");
  Convert("-size 50x40 xc:green", "small.png");
  Convert("-size 80x200 xc:yellow", "tall.jpg");
  WriteFile(Dir + "/notes.xyz", "no decoder for this");
  ForceDirectories(Dir + "/sub");
  List->SetShowParentFolder(true);
  List->SetPath(Dir);
  List->SetThumbnails(true);
  Show();
  ASSERT_TRUE(List->ThumbnailThreadRunning() || TScanThumbnailThread::LiveCount() >= 0);
  ASSERT_TRUE(PumpUntil([&] { return !List->ThumbnailThreadRunning(); }));

  struct TCase {
    const char* Caption;
    int32_t Width, Height;
    TColor Colour;  // at the centre; clNone: not checked
  };
  const TCase cases[] = {
      {"wide.jpg", 100, 75, clNone},
      {"small.png", 50, 40, TColor(0x008000)},
      {"tall.jpg", 30, 75, TColor(0x00FFFF)},
      {"notes.xyz", 100, 75, clWhite},
      {" .. ", 100, 75, clWhite},
      {"sub", 100, 75, clNone},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Caption);
    TZavShellListItem* data = RecordOf(c.Caption);
    ASSERT_NE(data, nullptr);
    ASSERT_TRUE(data->Thumbnail);
    EXPECT_EQ(data->Thumbnail->Width(), c.Width);
    EXPECT_EQ(data->Thumbnail->Height(), c.Height);
    if (c.Colour != clNone) {
      EXPECT_NEAR(int(Centre(*data->Thumbnail) & 0xFF), int(c.Colour & 0xFF), 8);
    }
  }
  // The folder keeps its folder picture: not blank.
  EXPECT_NE(Centre(*RecordOf("sub")->Thumbnail), clWhite);
  SaveShot("shelllist-thumbnails");
  List->Items()->Item(2)->SetSelected(true);
  SaveShot("shelllist-thumbnails-selected");
}

TEST_F(ThumbThread, WorkMovesToTheFirstVisibleItem) {
  std::mutex lock;
  std::vector<String> order;
  std::atomic<bool> entered{false};
  RegisterThumbnailProvider("*.xyz", [&](const String& Path, int32_t, int32_t) -> HBITMAP {
    {
      std::lock_guard<std::mutex> g(lock);
      order.push_back(ExtractFileName(Path));
    }
    entered = true;
    Latch.Wait();
    return Solid(20, 20, 0, 0, 255);
  });
  for (int i = 0; i < 60; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "f%02d.xyz", i);
    WriteFile(Dir + "/" + name, "x");
  }
  List->SetPath(Dir);
  Show();
  List->SetThumbnails(true);
  ASSERT_TRUE(PumpUntil([&] { return entered.load(); }));
  // The worker waits in the first picture; the user scrolls down.
  List->Items()->Item(45)->MakeVisible(false);
  const int32_t first = List->FirstVisibleIndex();
  ASSERT_GT(first, 0);
  Latch.Open();
  ASSERT_TRUE(PumpUntil([&] { return !List->ThumbnailThreadRunning(); }));
  std::lock_guard<std::mutex> g(lock);
  ASSERT_EQ(order.size(), 60u);
  EXPECT_EQ(order[0], "f00.xyz");
  // From the first visible item to the end, then round from the top.
  for (int32_t k = 1; k < 60; ++k) {
    const int32_t expected = first + k - 1 < 60 ? first + k - 1 : k - (60 - first);
    char name[32];
    std::snprintf(name, sizeof name, "f%02d.xyz", expected);
    EXPECT_EQ(order[size_t(k)], name) << k;
  }
}

TEST_F(ThumbThread, StopGivesUpAfter5000MsAndTheLateResultIsDropped) {
  std::atomic<int> calls{0};
  std::atomic<bool> entered{false};
  RegisterThumbnailProvider("*.xyz", [&](const String&, int32_t, int32_t) -> HBITMAP {
    // The first call is slow; later ones answer at once, in green.
    if (calls++ == 0) {
      entered = true;
      Latch.Wait();
      return Solid(20, 20, 0, 0, 255);
    }
    return Solid(20, 20, 0, 255, 0);
  });
  for (const char* name : {"a.xyz", "b.xyz", "c.xyz"}) WriteFile(Dir + "/" + name, "x");
  auto* host = new TRecordingWindow(Form.get());
  host->SetParent(Form.get());
  List->SetHostPageControl(host);
  List->SetPath(Dir);
  List->SetThumbnails(true);
  Show();
  ASSERT_TRUE(PumpUntil([&] { return entered.load(); }));

  // Handled during the stop's pump: the host is disabled, and a nested fill
  // is refused.
  bool hostEnabled = true;
  int nested = -1;
  host->OnMessage = [&](TMessage&) {
    hostEnabled = host->Enabled();
    nested = List->Populate() ? 1 : 0;
  };
  PostMessage(host->Handle(), WM_USER + 1, 0, 0);
  const uint64_t start = GetTickCount64();
  List->StopThumbnailThread();
  const uint64_t waited = GetTickCount64() - start;
  EXPECT_GE(waited, 5000u);
  EXPECT_LT(waited, 5100u);
  EXPECT_FALSE(hostEnabled);
  EXPECT_EQ(nested, 0);
  EXPECT_TRUE(host->Enabled());
  EXPECT_FALSE(List->ThumbnailThreadRunning());
  EXPECT_EQ(TScanThumbnailThread::LiveCount(), 1);

  // A new fill frees every record; the old thread, released, delivers
  // nothing into the new ones.
  ASSERT_TRUE(List->Populate());
  Latch.Open();
  ASSERT_TRUE(PumpUntil([&] { return !List->ThumbnailThreadRunning() && TScanThumbnailThread::LiveCount() == 0; }));
  for (const char* name : {"a.xyz", "b.xyz", "c.xyz"}) {
    SCOPED_TRACE(name);
    TZavShellListItem* data = RecordOf(name);
    ASSERT_NE(data, nullptr);
    ASSERT_TRUE(data->Thumbnail);
    EXPECT_EQ(Centre(*data->Thumbnail), TColor(0x00FF00));  // green: the new thread's
  }
}
