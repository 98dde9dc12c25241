// The shell file list's Populate of a folder of 10,000 files in report view
// (the walk, one item per object, the sort through the folder's comparison),
// then one full paint, which asks the visible rows' texts and icons.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "platform/gui/headless.h"
#include "platform/gui/win_paint.h"
#include "platform/rtl/files.h"
#include "platform/vcl/forms.h"
#include "shell/shelllist.h"

namespace {

String MakeFolder(int32_t Files) {
  char pattern[] = "/tmp/shelllist-bench-XXXXXX";
  const char* dir = ::mkdtemp(pattern);
  if (dir == nullptr) std::abort();
  for (int32_t i = 0; i < Files; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "%s/image_%05d.jpg", dir, (i * 7919) % Files);
    std::ofstream(name) << "x";
  }
  return dir;
}

void BM_PopulateReport(benchmark::State& state) {
  const int32_t files = int32_t(state.range(0));
  const String dir = MakeFolder(files);
  {
    THeadlessSession session;
    auto app = std::make_unique<TApplication>(nullptr);
    auto screen = std::make_unique<TScreen>(nullptr);
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBorderStyle(TBorderStyle::bsNone);
    form->SetBounds(0, 0, 800, 600);
    auto* list = new TZavShellList(form.get());
    list->SetParent(form.get());
    list->SetAlign(TAlign::alClient);
    list->SetPath(dir);
    form->Show();
    app->ProcessMessages();
    for (auto _ : state) {
      if (!list->Populate()) state.SkipWithError("Populate refused");
      UpdateWindow(list->Handle());
      benchmark::DoNotOptimize(list->Items()->Count());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * files);
    form.reset();
  }
  std::system(("rm -rf '" + dir + "'").c_str());
}
BENCHMARK(BM_PopulateReport)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
