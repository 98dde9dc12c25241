#include "app/convert/convertdialog.h"

#include <gtest/gtest.h>

#include "platform/rtl/dates.h"
#include "platform/vcl/comctrls_listview.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/timers.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skingauge.h"
#include "skin/controls/testkit/skinkit_testing.h"
#include "skin/engine/data/storedskin.h"

namespace {

struct TRowResult {
  int32_t Kind;
  int64_t OldSize, NewSize;
};

class ConvertDialog : public TSkinKitTest {
 public:
  void SetUp() override {
    TSkinKitTest::SetUp();
    App->SetTitle("Pictoval");
    D = std::make_unique<TBatchConvertDialog>(nullptr);
  }
  void TearDown() override {
    D.reset();
    TSkinKitTest::TearDown();
  }
  // Shows the dialog without its modal loop, for the rows alone.
  void ShowWithFiles(int32_t Files) {
    D->FileCount = Files;
    D->PBar->SetMaxValue(Files);
    D->PBar->SetValue(0);
    D->Show();
    Pump();
  }
  void Report(const TRowResult& R) {
    D->AddFileRow(R.Kind, "/in/a.png", "/out/a.jpg", "processing");
    D->ReportFileResult(R.Kind, "/in/a.png", "/out/a.jpg", "status", R.OldSize, R.NewSize);
  }
  String Cell(int32_t Row, int32_t Sub) { return D->ListView->Items()->Item(Row)->SubItems()->Strings(Sub); }
  void ClickCancel() {
    const TPoint p = D->BntCancel->ClientToScreen(TPoint{D->BntCancel->Width() / 2, D->BntCancel->Height() / 2});
    H().Click(p.X, p.Y);
  }
  // Runs the dialog modally with Run as the batch; after it the Done button
  // is clicked, unless the run closed the dialog.
  TModalResult RunModal(int32_t Files, std::function<void()> Run) {
    D->FileCount = Files;
    D->PBar->SetMaxValue(Files);
    D->PBar->SetValue(0);
    D->RunBatch = [this, Run] {
      ++Runs;
      Run();
      H().QueueIdleAction([this] {
        Done = D->BntCancel->Caption();
        Rows = D->ListView->Items()->Count();
        ClickCancel();
      });
    };
    H().SetAutoAdvance(true);
    const TModalResult r = D->ShowModal();
    H().SetAutoAdvance(false);
    return r;
  }

  std::unique_ptr<TBatchConvertDialog> D;
  int32_t Runs = 0;
  String Done;
  int32_t Rows = -1;
};

TEST_F(ConvertDialog, RowsCountOnlyNewAndReplacedFiles) {
  ShowWithFiles(6);
  const int64_t big = 5'000'000'000;  // past 32 bits
  const TRowResult rows[] = {
      {1, big, 2'500'000'000}, {2, 8 * 1024, 1024}, {3, 4096, 0}, {4, 4096, 0}, {5, 4096, 0}, {6, 0, 0}};
  for (const TRowResult& r : rows) Report(r);
  EXPECT_EQ(D->TotalOldSize(), big + 8 * 1024);
  EXPECT_EQ(D->TotalNewSize(), 2'500'000'000 + 1024);
  EXPECT_EQ(Cell(0, 3), "4,882,813 KB");
  EXPECT_EQ(Cell(0, 4), "2,441,407 KB");
  EXPECT_EQ(Cell(0, 5), "50 %");
  EXPECT_EQ(Cell(0, 6), "2,441,407 KB");
  EXPECT_EQ(Cell(1, 5), "12 %");  // 12.5 rounds to even
  for (int32_t row = 2; row < 6; ++row)
    for (int32_t sub = 3; sub < 7; ++sub) EXPECT_EQ(Cell(row, sub), "") << row << " " << sub;
  EXPECT_EQ(D->ListView->Items()->Item(5)->Caption(), "6");
  EXPECT_EQ(D->LabelFiles->Caption(), "Processing file 6 of 6");
  EXPECT_EQ(D->LabelTotalOSize->Caption(), "4,882,821 KB");
  EXPECT_EQ(D->PBar->Value(), 6);
}

TEST_F(ConvertDialog, RatioAndPercentRoundHalvesToEven) {
  EXPECT_EQ(SizeRatioPercent(1, 8), 12);   // 12.5
  EXPECT_EQ(SizeRatioPercent(3, 8), 38);   // 37.5
  EXPECT_EQ(SizeRatioPercent(5, 200), 2);  // 2.5
  EXPECT_EQ(FormatSavedKB(-1500), "-1");   // rounded toward +infinity
  EXPECT_EQ(FormatSavedKB(2'048'001), "2,001");
  ShowWithFiles(8);
  D->AddFileRow(1, "s", "d", "x");
  D->ReportFileResult(1, "s", "d", "done", 1000, 2500);
  EXPECT_EQ(Cell(0, 5), "250 %");
  EXPECT_EQ(Cell(0, 6), "-1 KB");
  EXPECT_EQ(D->LabelSaveKB->Caption(), "-1");
  EXPECT_EQ(D->LabelSavePer->Caption(), "250");
  // 1 of 8 is 12.5 %: the title shows 12.
  EXPECT_EQ(App->Title(), "12% " + D->Caption());
}

TEST_F(ConvertDialog, TitleCarriesThePercentage) {
  ShowWithFiles(4);
  for (int32_t i = 0; i < 3; ++i) Report({1, 100, 50});
  EXPECT_EQ(App->Title(), "75% " + D->Caption());
}

TEST_F(ConvertDialog, RowsAreIgnoredOnceCancelled) {
  ShowWithFiles(3);
  Report({1, 100, 50});
  D->SetCancelled(true);
  Report({1, 100, 50});
  EXPECT_EQ(D->ListView->Items()->Count(), 1);
  EXPECT_EQ(D->PBar->Value(), 1);
}

TEST_F(ConvertDialog, RunsOnceAndShowsDone) {
  const TModalResult r = RunModal(2, [this] {
    Report({1, 2048, 1024});
    Report({2, 2048, 1024});
  });
  EXPECT_EQ(Runs, 1);
  EXPECT_EQ(Done, "Done");
  EXPECT_EQ(Rows, 2);
  EXPECT_EQ(r, mrCancel);
  EXPECT_EQ(D->ListView->Items()->Count(), 0);  // emptied on close
}

TEST_F(ConvertDialog, ActivationDuringTheRunStartsNoSecondRun) {
  RunModal(1, [&] {
    // A message box of the run closes and the dialog is activated again.
    D->OnActivate(D.get());
    H().AdvanceClock(200);
    Report({1, 10, 5});
  });
  EXPECT_EQ(Runs, 1);
}

TEST_F(ConvertDialog, ClockAndRemainingTime) {
  struct TCase {
    int32_t Files;
    bool ShowsLeft;
  };
  for (const TCase c : {TCase{4, false}, TCase{5, true}}) {
    SCOPED_TRACE(c.Files);
    D = std::make_unique<TBatchConvertDialog>(nullptr);
    Runs = 0;
    bool hiddenBeforeFirstResult = false;
    String leftAfterFirst, timeAfterFirst;
    RunModal(c.Files, [&] {
      D->AddFileRow(1, "s", "d", "x");
      H().AdvanceClock(2000);
      hiddenBeforeFirstResult = !D->TimeLeft->Visible();
      D->ReportFileResult(1, "s", "d", "done", 10, 5);
      H().AdvanceClock(1000);  // 3 s for one file
      timeAfterFirst = D->LabelTime->Caption();
      leftAfterFirst = D->TimeLeft->Visible() ? D->TimeLeft->Caption() : String("hidden");
      for (int32_t i = 1; i < c.Files; ++i) Report({1, 10, 5});
    });
    EXPECT_TRUE(hiddenBeforeFirstResult);
    EXPECT_EQ(timeAfterFirst, "00:00:03");
    EXPECT_EQ(leftAfterFirst, c.ShowsLeft ? "00:00:12" : "hidden");  // 3 s x 4 files to go
  }
}

TEST_F(ConvertDialog, ElapsedTimeWrapsAfterADay) {
  ShowWithFiles(1);
  D->RunBatch = [&] {
    Clock().Advance((25 * 3600 + 7) * 1000ull);
    Report({1, 10, 5});
  };
  D->Timer1Timer(nullptr);
  EXPECT_EQ(D->LabelTime->Caption(), "01:00:07");
  EXPECT_EQ(D->BntCancel->Caption(), "Done");
}

TEST_F(ConvertDialog, EscapeCancelsBeforeTheNextFile) {
  int32_t converted = 0;
  const TModalResult r = RunModal(5, [&] {
    for (int32_t i = 0; i < 5 && !D->Cancelled(); ++i) {
      Report({1, 10, 5});
      ++converted;
      if (i == 1) H().PressKey(VK_ESCAPE);
      App->ProcessMessages();
    }
  });
  EXPECT_EQ(converted, 2);
  EXPECT_EQ(r, mrCancel);
  EXPECT_TRUE(D->Cancelled());
  EXPECT_EQ(Rows, -1);  // the run closed the dialog itself: no Done click
}

TEST_F(ConvertDialog, EscapeAfterTheRunCloses) {
  D->FileCount = 1;
  D->PBar->SetMaxValue(1);
  D->RunBatch = [this] {
    Report({1, 10, 5});
    H().QueueIdleAction([this] { H().PressKey(VK_ESCAPE); });
  };
  H().SetAutoAdvance(true);
  EXPECT_EQ(D->ShowModal(), mrCancel);
}

TEST_F(ConvertDialog, NarrowMonitorGivesTheNarrowLayout) {
  H().SetMonitors({TMonitorDesc{TRect{0, 0, 800, 600}, TRect{0, 0, 800, 570}, "DISPLAY1"}});
  ShowWithFiles(1);
  EXPECT_EQ(D->ClientWidth(), 760);
  EXPECT_EQ(D->ClientHeight(), 525);
  EXPECT_EQ(D->ListView->Width(), 746);
  EXPECT_EQ(D->ListView->Columns()->Items(1)->Width(), 130);
  EXPECT_LE(D->BntCancel->Left() + D->BntCancel->Width(), 760);
}

TEST_F(ConvertDialog, PictureInSkin9WithRows) {
  auto skin = std::make_unique<TbsSkinData>(nullptr);
  TbsCompressedStoredSkin container(nullptr);
  container.LoadFromCompressedFile(SKINS_BUILD_DIR "/skn/9.skn");
  ASSERT_TRUE(skin->LoadCompressedStoredSkin(&container));
  D->SetSkinData(skin.get());
  ShowWithFiles(12);
  const TRowResult rows[] = {
      {1, 845'123, 212'400}, {2, 1'204'400, 301'200}, {3, 45'000, 0}, {4, 12, 0}, {1, 3'000, 9'000}, {6, 0, 0}};
  const char* status[] = {"done", "replaced", "skipped", "unknown format", "done", "not found"};
  int32_t i = 0;
  for (const TRowResult& r : rows) {
    const String name = "/home/user/Pictures/holiday_" + std::to_string(i) + ".png";
    D->AddFileRow(r.Kind, name, "/home/user/out/holiday_" + std::to_string(i) + ".jpg", "processing");
    D->ReportFileResult(r.Kind, name, "/home/user/out/holiday_" + std::to_string(i) + ".jpg", status[i], r.OldSize,
                        r.NewSize);
    ++i;
  }
  D->AddFileRow(1, "/home/user/Pictures/next.png", "/home/user/out/next.jpg", "processing");
  D->LabelLeft->SetVisible(true);
  D->TimeLeft->SetVisible(true);
  Pump();
  SaveSheet(D.get(), "convertdialog-skin9");
  D->Hide();
  D->SetSkinData(nullptr);
}

}  // namespace
