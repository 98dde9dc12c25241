// Drawing throughput on a 1920 x 1080 24-bit bitmap: a full fill, a full
// blit from another bitmap, and a run of text lines.
#include <benchmark/benchmark.h>

#include <memory>

#include "platform/gui/graphics.h"

namespace {

std::unique_ptr<TBitmap> Screen() {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(TPixelFormat::pf24bit);
  b->SetSize(1920, 1080);
  return b;
}

void BM_Fill24(benchmark::State& state) {
  auto b = Screen();
  TCanvas* c = b->Canvas();
  int i = 0;
  for (auto _ : state) {
    c->Brush()->SetColor(RGB(uint8_t(i), 128, 64));
    c->FillRect(Rect(0, 0, 1920, 1080));
    benchmark::DoNotOptimize(b->ScanLine(540)[0]);
    ++i;
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * 1920 * 1080 * 3);
}
BENCHMARK(BM_Fill24);

void BM_Blit24(benchmark::State& state) {
  auto src = Screen(), dst = Screen();
  src->Canvas()->Brush()->SetColor(clTeal);
  src->Canvas()->FillRect(Rect(0, 0, 1920, 1080));
  for (auto _ : state) {
    dst->Canvas()->Draw(0, 0, src.get());
    benchmark::DoNotOptimize(dst->ScanLine(540)[0]);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * 1920 * 1080 * 3);
}
BENCHMARK(BM_Blit24);

void BM_Text24(benchmark::State& state) {
  auto b = Screen();
  TCanvas* c = b->Canvas();
  c->Font()->SetName("Arial");
  c->Font()->SetSize(10);
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  const String line = "The quick brown fox jumps over the lazy dog 0123456789 times.";
  const int32_t step = c->TextHeight(line);
  int64_t chars = 0;
  for (auto _ : state) {
    for (int32_t y = 0; y + step <= 1080; y += step) {
      c->TextOut(0, y, line);
      chars += int64_t(line.size());
    }
    benchmark::DoNotOptimize(b->ScanLine(0)[0]);
  }
  state.SetItemsProcessed(chars);
}
BENCHMARK(BM_Text24);

}  // namespace
