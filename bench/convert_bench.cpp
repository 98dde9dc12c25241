// The convert benchmark: the library's whole conversion road over a folder of
// photos, one file after another on one thread, as the batch converts them.
// Each file (in name order) goes through the road of convert_road.h into the
// output folder.
//
// It prints the images, the seconds and images per second with the time split
// into load, resample and save, and the road's peak memory: the process's
// peak less what it held before the first file (the program and its
// libraries), beside the largest decoded image. It writes a manifest with one line per written
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

#include "bench/convert_road.h"

namespace fs = std::filesystem;

namespace {

using convert_road::Clock;

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
  convert_road::TRoadOptions Road;
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
      o.Road.LongSide = static_cast<int32_t>(n);
    } else if (a == "--filter") {
      const String v = value();
      const auto* f =
          std::find_if(std::begin(kFilters), std::end(kFilters), [&](const auto& e) { return v == e.first; });
      if (f == std::end(kFilters)) Usage("unknown filter \"" + v + "\"");
      o.Road.Filter = f->second;
    } else if (a == "--format") {
      const String v = value();
      if (v != "jpeg" && v != "png") Usage("--format takes jpeg or png, not \"" + v + "\"");
      o.Road.Png = v == "png";
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

double Seconds(Clock::duration D) { return std::chrono::duration<double>(D).count(); }

struct TResult {
  String Output;
  int32_t Width = 0, Height = 0;
  int64_t DecodedBytes = 0;
};

// A "Vm...:" figure of /proc/self/status in bytes; 0 where there is none.
int64_t StatusBytes(const char* Key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const size_t n = std::strlen(Key);
  while (std::getline(status, line))
    if (line.compare(0, n, Key) == 0) return std::strtoll(line.c_str() + n, nullptr, 10) * 1024;
  return 0;
}

double MiB(int64_t Bytes) { return static_cast<double>(Bytes) / (1 << 20); }

// Converts one file; false with a message on stderr when it failed.
bool ConvertOne(const TOptions& O, const fs::path& Input, std::set<String>& Outputs, convert_road::TRoadTimes& Times,
                TResult& Result) {
  const String name = Input.filename().string();
  auto fail = [&](const char* What) {
    std::fprintf(stderr, "convert_bench: %s: %s\n", name.c_str(), What);
    return false;
  };
  Result.Output = Input.stem().string() + (O.Road.Png ? ".png" : ".jpg");
  if (!Outputs.insert(Result.Output).second) return fail("has the output name of an earlier file");
  const String target = (fs::path(O.OutFolder) / Result.Output).string();
  const convert_road::TRoadResult r = convert_road::ConvertFile(O.Road, Input.string(), target, Times);
  Result.Width = r.Width;
  Result.Height = r.Height;
  Result.DecodedBytes = r.DecodedBytes;
  return r.Failure == nullptr || fail(r.Failure);
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

  convert_road::TRoadTimes totals;
  std::set<String> outputs;
  std::vector<std::pair<String, TResult>> written;
  int32_t failed = 0;
  const int64_t startMemory = StatusBytes("VmRSS:");
  const auto start = Clock::now();
  for (const fs::path& f : files) {
    TResult r;
    bool ok = false;
    try {
      ok = ConvertOne(o, f, outputs, totals, r);
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
  int64_t largest = 0;
  for (const auto& w : written) largest = std::max(largest, w.second.DecodedBytes);
  const int64_t peak = StatusBytes("VmHWM:");
  std::printf("memory    %.1f MiB peak, the road %.1f MiB over %.1f MiB at start; largest decoded image %.1f MiB\n",
              MiB(peak), MiB(peak - startMemory), MiB(startMemory), MiB(largest));
  if (failed > 0) std::printf("failed    %d\n", failed);

  if (!WriteManifest(o.Manifest, written)) {
    std::fprintf(stderr, "convert_bench: cannot write the manifest %s\n", o.Manifest.c_str());
    return 1;
  }
  return failed > 0 ? 1 : 0;
}
