// The convert benchmark: the library's whole conversion road over a folder of
// photos, one file after another on one thread, as the batch converts them.
// For each file (in name order) a fresh TImgIO with a processing component on
// the component's own bitmap loads the file by content at full size, the
// image is resampled so that its longer side is L pixels (the other side
// rounded half to even), and saved as JPEG or PNG into the output folder.
//
// It prints the images, the seconds and images per second with the time split
// into load, resample and save, writes a manifest with one line per written
// file (input name, output name, width, height, separated by tabs), and exits
// with 1 when any file failed. bench/compare.sh runs it against other tools.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/ieimgio.h"
#include "imaging/model/containers/ieresample.h"
#include "imaging/model/processing/imgproc.h"
#include "platform/rtl/arith.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

const char* const kUsage =
    "usage: convert_bench [options] FOLDER\n"
    "  -L N             longer side of the outputs in pixels (default 1600)\n"
    "  --filter NAME    resampling filter (default lanczos3): none, triangle, hermite,\n"
    "                   bell, bspline, lanczos3, mitchell, nearest, linear, fastlinear,\n"
    "                   bilinear, bicubic, projectbw, projectwb\n"
    "  --format FMT     jpeg (default) or png\n"
    "  --out DIR        output folder (default convert_bench_out), created when missing\n"
    "  --manifest FILE  the manifest (default convert_bench_manifest.txt)\n";

struct TOptions {
  String Folder;
  int32_t LongSide = 1600;
  TResampleFilter Filter = TResampleFilter::rfLanczos3;
  bool Png = false;
  String OutFolder = "convert_bench_out";
  String Manifest = "convert_bench_manifest.txt";
};

const std::pair<const char*, TResampleFilter> kFilters[] = {
    {"none", TResampleFilter::rfNone},           {"triangle", TResampleFilter::rfTriangle},
    {"hermite", TResampleFilter::rfHermite},     {"bell", TResampleFilter::rfBell},
    {"bspline", TResampleFilter::rfBSpline},     {"lanczos3", TResampleFilter::rfLanczos3},
    {"mitchell", TResampleFilter::rfMitchell},   {"nearest", TResampleFilter::rfNearest},
    {"linear", TResampleFilter::rfLinear},       {"fastlinear", TResampleFilter::rfFastLinear},
    {"bilinear", TResampleFilter::rfBilinear},   {"bicubic", TResampleFilter::rfBicubic},
    {"projectbw", TResampleFilter::rfProjectBW}, {"projectwb", TResampleFilter::rfProjectWB},
};

[[noreturn]] void Usage(const String& Problem) {
  std::fprintf(stderr, "convert_bench: %s\n%s", Problem.c_str(), kUsage);
  std::exit(2);
}

TOptions ParseOptions(int argc, char** argv) {
  TOptions o;
  bool haveFolder = false;
  for (int i = 1; i < argc; ++i) {
    const String a = argv[i];
    auto value = [&]() -> String {
      if (i + 1 >= argc) Usage(a + " needs a value");
      return argv[++i];
    };
    if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (a == "-L") {
      const String v = value();
      char* end = nullptr;
      const long n = std::strtol(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0' || n < 1 || n > 65535) Usage("-L takes a size from 1 to 65535, not \"" + v + "\"");
      o.LongSide = static_cast<int32_t>(n);
    } else if (a == "--filter") {
      const String v = value();
      const auto* f =
          std::find_if(std::begin(kFilters), std::end(kFilters), [&](const auto& e) { return v == e.first; });
      if (f == std::end(kFilters)) Usage("unknown filter \"" + v + "\"");
      o.Filter = f->second;
    } else if (a == "--format") {
      const String v = value();
      if (v != "jpeg" && v != "png") Usage("--format takes jpeg or png, not \"" + v + "\"");
      o.Png = v == "png";
    } else if (a == "--out") {
      o.OutFolder = value();
    } else if (a == "--manifest") {
      o.Manifest = value();
    } else if (!a.empty() && a[0] == '-') {
      Usage("unknown option " + a);
    } else if (haveFolder) {
      Usage("one folder only");
    } else {
      o.Folder = a;
      haveFolder = true;
    }
  }
  if (!haveFolder) Usage("no folder given");
  return o;
}

// The files of the folder in name order (byte order), hidden ones left out.
std::vector<fs::path> InputFiles(const String& Folder) {
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(Folder)) {
    const String name = e.path().filename().string();
    if (name.empty() || name[0] == '.' || !e.is_regular_file()) continue;
    files.push_back(e.path());
  }
  std::sort(files.begin(), files.end(),
            [](const fs::path& a, const fs::path& b) { return a.filename().string() < b.filename().string(); });
  return files;
}

// The one-side rule on the longer side: S x round(ih * S / iw) for a wide or
// square image, round(iw * S / ih) x S for a tall one, halves to even.
void TargetSize(int32_t W, int32_t H, int32_t S, int32_t& NewW, int32_t& NewH) {
  if (W >= H) {
    NewW = S;
    NewH = static_cast<int32_t>(Round(static_cast<double>(int64_t{H} * S) / W));
  } else {
    NewW = static_cast<int32_t>(Round(static_cast<double>(int64_t{W} * S) / H));
    NewH = S;
  }
}

// The output parameters of the batch for JPEG (its output-format defaults
// with quality 85); PNG keeps the record's own options.
void SetJpegParams(TIOParamsVals& P) {
  P.JPEGQuality = 85;
  P.JPEGDCTMethod = TIEJPEGDCTMethod::jdIntSlow;
  P.JPEGSubSampling = 2;  // 2x2
  P.JPEGSmoothing = 0;
  P.JPEGOptimalHuffman = true;
  P.JPEGProgressive = false;
}

double Seconds(Clock::duration D) { return std::chrono::duration<double>(D).count(); }

struct TTotals {
  Clock::duration Load{}, Resample{}, Save{};
};

struct TResult {
  String Output;
  int32_t Width = 0, Height = 0;
};

// Converts one file; false with a message on stderr when it failed.
bool ConvertFile(const TOptions& O, const fs::path& Input, std::set<String>& Outputs, TTotals& Totals,
                 TResult& Result) {
  const String name = Input.filename().string();
  auto fail = [&](const char* What) {
    std::fprintf(stderr, "convert_bench: %s: %s\n", name.c_str(), What);
    return false;
  };
  Result.Output = Input.stem().string() + (O.Png ? ".png" : ".jpg");
  if (!Outputs.insert(Result.Output).second) return fail("has the output name of an earlier file");
  const String target = (fs::path(O.OutFolder) / Result.Output).string();

  auto t0 = Clock::now();
  TImgIO io(nullptr);
  TImgProc proc(nullptr);
  // With its default AutoUndo, as the batch's working view has it: the
  // resample keeps an undo copy of the loaded image.
  proc.SetAttachedBitmap(io.IEBitmap());
  TIOParamsVals& params = io.Params();
  params.SetDefaults();
  // The batch loads photos upright by their orientation tags.
  params.JPEGAdjustOrientation = true;
  params.TIFFAdjustOrientation = true;
  io.LoadFromFileByContent(Input.string());
  TIEBitmap* image = io.IEBitmap();
  const bool loaded = !io.AbortFlag && params.FileType != 0 && image->Width() > 0 && image->Height() > 0;
  auto t1 = Clock::now();
  Totals.Load += t1 - t0;
  if (!loaded) return fail("cannot be loaded");

  TargetSize(image->Width(), image->Height(), O.LongSide, Result.Width, Result.Height);
  proc.Resample(Result.Width, Result.Height, O.Filter);
  image = io.IEBitmap();
  auto t2 = Clock::now();
  Totals.Resample += t2 - t1;
  if (image->Width() != Result.Width || image->Height() != Result.Height) return fail("was not resampled");

  if (O.Png) {
    io.SavePNGFile(target);
  } else {
    SetJpegParams(params);
    io.SaveJPEGFile(target);
  }
  const bool saved = !io.AbortFlag;
  auto t3 = Clock::now();
  Totals.Save += t3 - t2;
  if (!saved) return fail("cannot be saved");
  return true;
}

// Written beside the target and renamed into place.
bool WriteManifest(const String& Path, const std::vector<std::pair<String, TResult>>& Lines) {
  const String temp = Path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    for (const auto& [input, r] : Lines)
      out << input << '\t' << r.Output << '\t' << r.Width << '\t' << r.Height << '\n';
    out.flush();
    if (!out) {
      std::error_code ec;
      fs::remove(temp, ec);
      return false;
    }
  }
  std::error_code ec;
  fs::rename(temp, Path, ec);
  if (ec) fs::remove(temp, ec);
  return !ec;
}

}  // namespace

int main(int argc, char** argv) {
  const TOptions o = ParseOptions(argc, argv);
  std::vector<fs::path> files;
  try {
    files = InputFiles(o.Folder);
    fs::create_directories(o.OutFolder);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "convert_bench: %s\n", e.what());
    return 2;
  }
  if (files.empty()) {
    std::fprintf(stderr, "convert_bench: no files in %s\n", o.Folder.c_str());
    return 2;
  }

  TTotals totals;
  std::set<String> outputs;
  std::vector<std::pair<String, TResult>> written;
  int32_t failed = 0;
  const auto start = Clock::now();
  for (const fs::path& f : files) {
    TResult r;
    bool ok = false;
    try {
      ok = ConvertFile(o, f, outputs, totals, r);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "convert_bench: %s: %s\n", f.filename().string().c_str(), e.what());
    }
    if (ok)
      written.emplace_back(f.filename().string(), r);
    else
      ++failed;
  }
  const double seconds = Seconds(Clock::now() - start);

  const double load = Seconds(totals.Load), resample = Seconds(totals.Resample), save = Seconds(totals.Save);
  const double parts = std::max(load + resample + save, 1e-9);
  std::printf("images    %zu\n", written.size());
  std::printf("seconds   %.3f\n", seconds);
  std::printf("images/s  %.3f\n", seconds > 0 ? static_cast<double>(written.size()) / seconds : 0.0);
  std::printf("load      %.3f s (%.0f%%)\n", load, 100 * load / parts);
  std::printf("resample  %.3f s (%.0f%%)\n", resample, 100 * resample / parts);
  std::printf("save      %.3f s (%.0f%%)\n", save, 100 * save / parts);
  if (failed > 0) std::printf("failed    %d\n", failed);

  if (!WriteManifest(o.Manifest, written)) {
    std::fprintf(stderr, "convert_bench: cannot write the manifest %s\n", o.Manifest.c_str());
    return 1;
  }
  return failed > 0 ? 1 : 0;
}
