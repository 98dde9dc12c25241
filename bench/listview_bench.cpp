// A report list view filled with 20,000 rows between BeginUpdate and
// EndUpdate (each row a caption and two sub-items answered by callbacks),
// then painted once in full, on the headless window system.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "platform/gui/headless.h"
#include "platform/gui/win_paint.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/forms.h"

namespace {

void BM_ReportFill20000AndPaint(benchmark::State& state) {
  THeadlessSession session;
  auto app = std::make_unique<TApplication>(nullptr);
  auto screen = std::make_unique<TScreen>(nullptr);
  auto form = std::make_unique<TForm>(nullptr);
  form->SetBorderStyle(TBorderStyle::bsNone);
  form->SetBounds(0, 0, 800, 600);
  auto* lv = new TListView(form.get());
  lv->SetParent(form.get());
  lv->SetAlign(TAlign::alClient);
  lv->SetViewStyle(TViewStyle::vsReport);
  lv->SetMultiSelect(true);
  for (const char* c : {"Name", "Size", "Type"}) {
    TListColumn* col = lv->Columns()->Add();
    col->SetCaption(c);
    col->SetWidth(200);
  }
  form->Show();
  app->ProcessMessages();
  const int32_t rows = int32_t(state.range(0));
  for (auto _ : state) {
    lv->Items()->BeginUpdate();
    for (int32_t i = 0; i < rows; ++i) {
      TListItem* item = lv->Items()->Add();
      item->SetCaption("image_" + std::to_string(i) + ".jpg");
      item->SubItems()->Add(std::to_string(i * 37 % 100000) + " KB");
      item->SubItems()->Add("JPEG image");
    }
    lv->Items()->EndUpdate();
    UpdateWindow(lv->Handle());
    benchmark::DoNotOptimize(lv->Items()->Count());
    state.PauseTiming();
    lv->Items()->Clear();
    app->ProcessMessages();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * rows);
  form.reset();
}
BENCHMARK(BM_ReportFill20000AndPaint)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace
