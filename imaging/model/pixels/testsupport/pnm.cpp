#include "imaging/model/pixels/testsupport/pnm.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iebitrun.h"

extern char** environ;

namespace {

bool Fail(std::string* Error, const std::string& Reason) {
  if (Error) *Error = Reason;
  return false;
}

// Reads the next header number, skipping white space and comments.
bool HeaderNumber(const std::vector<uint8_t>& B, size_t& At, int64_t& Value) {
  for (;;) {
    while (At < B.size() &&
           (B[At] == ' ' || B[At] == '\t' || B[At] == '\n' || B[At] == '\r' || B[At] == '\v' || B[At] == '\f'))
      ++At;
    if (At < B.size() && B[At] == '#') {
      while (At < B.size() && B[At] != '\n' && B[At] != '\r') ++At;
      continue;
    }
    break;
  }
  if (At >= B.size() || B[At] < '0' || B[At] > '9') return false;
  Value = 0;
  while (At < B.size() && B[At] >= '0' && B[At] <= '9') {
    Value = Value * 10 + (B[At] - '0');
    if (Value > 0x7FFFFFFF) return false;
    ++At;
  }
  return true;
}

}  // namespace

TPnmImage MakePnm(char Kind, int32_t Width, int32_t Height, int32_t MaxVal) {
  TPnmImage image;
  image.Kind = Kind;
  image.Width = Width;
  image.Height = Height;
  image.MaxVal = Kind == '4' ? 1 : MaxVal;
  image.Channels = Kind == '6' ? 3 : 1;
  image.Samples.assign(static_cast<size_t>(Width) * static_cast<size_t>(Height) * static_cast<size_t>(image.Channels),
                       0);
  return image;
}

bool ParsePnm(const std::vector<uint8_t>& Bytes, TPnmImage& Image, std::string* Error) {
  if (Bytes.size() < 2 || Bytes[0] != 'P' || (Bytes[1] != '4' && Bytes[1] != '5' && Bytes[1] != '6'))
    return Fail(Error, "not a binary PBM, PGM or PPM");
  const char kind = static_cast<char>(Bytes[1]);
  size_t at = 2;
  int64_t width = 0, height = 0, maxVal = 1;
  if (!HeaderNumber(Bytes, at, width) || !HeaderNumber(Bytes, at, height)) return Fail(Error, "bad size");
  if (kind != '4' && !HeaderNumber(Bytes, at, maxVal)) return Fail(Error, "bad maxval");
  if (width < 1 || height < 1 || maxVal < 1 || maxVal > 65535) return Fail(Error, "size or maxval out of range");
  if (at >= Bytes.size()) return Fail(Error, "no raster");
  ++at;  // the single white-space byte before the raster
  const int64_t channels = kind == '6' ? 3 : 1;
  const int64_t sampleBytes = maxVal > 255 ? 2 : 1;
  const int64_t rowBytes = kind == '4' ? (width + 7) / 8 : width * channels * sampleBytes;
  if (rowBytes * height > static_cast<int64_t>(Bytes.size() - at)) return Fail(Error, "raster truncated");

  TPnmImage image =
      MakePnm(kind, static_cast<int32_t>(width), static_cast<int32_t>(height), static_cast<int32_t>(maxVal));
  size_t out = 0;
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t* row = Bytes.data() + at + static_cast<size_t>(y * rowBytes);
    if (kind == '4') {
      for (int64_t x = 0; x < width; ++x) image.Samples[out++] = GetBit(row, static_cast<int32_t>(x)) ? 1 : 0;
    } else if (sampleBytes == 1) {
      for (int64_t i = 0; i < width * channels; ++i) image.Samples[out++] = row[i];
    } else {
      for (int64_t i = 0; i < width * channels; ++i)
        image.Samples[out++] = static_cast<uint16_t>((row[2 * i] << 8) | row[2 * i + 1]);
    }
  }
  Image = std::move(image);
  return true;
}

bool ReadPnmFile(const std::string& Path, TPnmImage& Image, std::string* Error) {
  std::ifstream in(Path, std::ios::binary);
  if (!in) return Fail(Error, "cannot open " + Path);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return ParsePnm(bytes, Image, Error);
}

std::vector<uint8_t> FormatPnm(const TPnmImage& Image) {
  std::string head =
      std::string("P") + Image.Kind + "\n" + std::to_string(Image.Width) + " " + std::to_string(Image.Height) + "\n";
  if (Image.Kind != '4') head += std::to_string(Image.MaxVal) + "\n";
  std::vector<uint8_t> bytes(head.begin(), head.end());
  const size_t perRow = static_cast<size_t>(Image.Width) * static_cast<size_t>(Image.Channels);
  for (int32_t y = 0; y < Image.Height; ++y) {
    const uint16_t* s = Image.Samples.data() + static_cast<size_t>(y) * perRow;
    if (Image.Kind == '4') {
      std::vector<uint8_t> row(static_cast<size_t>((Image.Width + 7) / 8), 0);
      for (int32_t x = 0; x < Image.Width; ++x) SetBit(row.data(), x, s[x] != 0);
      bytes.insert(bytes.end(), row.begin(), row.end());
    } else if (Image.MaxVal <= 255) {
      for (size_t i = 0; i < perRow; ++i) bytes.push_back(static_cast<uint8_t>(s[i]));
    } else {
      for (size_t i = 0; i < perRow; ++i) {
        bytes.push_back(static_cast<uint8_t>(s[i] >> 8));
        bytes.push_back(static_cast<uint8_t>(s[i]));
      }
    }
  }
  return bytes;
}

bool WritePnmFile(const std::string& Path, const TPnmImage& Image) {
  const std::vector<uint8_t> bytes = FormatPnm(Image);
  std::ofstream out(Path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

void PnmToBitmap(const TPnmImage& Image, TIEBitmap& Bitmap) {
  const bool wide = Image.MaxVal > 255;
  TIEPixelFormat format = TIEPixelFormat::ie1g;
  if (Image.Kind == '5') format = wide ? TIEPixelFormat::ie16g : TIEPixelFormat::ie8g;
  if (Image.Kind == '6') format = wide ? TIEPixelFormat::ieRGB48 : TIEPixelFormat::ie24RGB;
  Bitmap.Allocate(Image.Width, Image.Height, format);
  const TPnmImage& src = Image;
  for (int32_t y = 0; y < Image.Height; ++y) {
    auto* row = static_cast<uint8_t*>(Bitmap.ScanLine(y));
    for (int32_t x = 0; x < Image.Width; ++x) {
      switch (format) {
        case TIEPixelFormat::ie1g:
          SetBit(row, x, src.At(x, y) == 0);  // PBM 1 is black
          break;
        case TIEPixelFormat::ie8g: row[x] = static_cast<uint8_t>(src.At(x, y)); break;
        case TIEPixelFormat::ie16g: {
          const uint16_t v = src.At(x, y);
          std::memcpy(row + 2 * x, &v, 2);
          break;
        }
        case TIEPixelFormat::ie24RGB:
          reinterpret_cast<TRGB*>(row)[x] =
              MakeTRGB(static_cast<uint8_t>(src.At(x, y, 0)), static_cast<uint8_t>(src.At(x, y, 1)),
                       static_cast<uint8_t>(src.At(x, y, 2)));
          break;
        default: {
          const TRGB48 v{src.At(x, y, 0), src.At(x, y, 1), src.At(x, y, 2)};
          std::memcpy(row + 6 * x, &v, 6);
          break;
        }
      }
    }
  }
  Bitmap.FreeRowBuffers();
}

TPnmImage BitmapToPnm(TIEBitmap& Bitmap) {
  TPnmImage image;
  const int32_t w = Bitmap.Width(), h = Bitmap.Height();
  switch (Bitmap.PixelFormat()) {
    case TIEPixelFormat::ie1g: image = MakePnm('4', w, h); break;
    case TIEPixelFormat::ie8g: image = MakePnm('5', w, h, 255); break;
    case TIEPixelFormat::ie16g: image = MakePnm('5', w, h, 65535); break;
    case TIEPixelFormat::ie8p:
    case TIEPixelFormat::ie24RGB: image = MakePnm('6', w, h, 255); break;
    case TIEPixelFormat::ieRGB48: image = MakePnm('6', w, h, 65535); break;
    default: return image;
  }
  if (Bitmap.IsEmpty()) return MakePnm(image.Kind, 0, 0, image.MaxVal);
  for (int32_t y = 0; y < h; ++y) {
    const auto* row = static_cast<const uint8_t*>(Bitmap.ScanLine(y));
    for (int32_t x = 0; x < w; ++x) {
      switch (Bitmap.PixelFormat()) {
        case TIEPixelFormat::ie1g: image.At(x, y) = GetBit(row, x) ? 0 : 1; break;
        case TIEPixelFormat::ie8g: image.At(x, y) = row[x]; break;
        case TIEPixelFormat::ie16g: {
          uint16_t v;
          std::memcpy(&v, row + 2 * x, 2);
          image.At(x, y) = v;
          break;
        }
        case TIEPixelFormat::ie8p:
        case TIEPixelFormat::ie24RGB: {
          TRGB c;
          if (Bitmap.PixelFormat() == TIEPixelFormat::ie8p)
            Bitmap.GetPaletteColor(row[x], c);
          else
            c = reinterpret_cast<const TRGB*>(row)[x];
          image.At(x, y, 0) = c.r;
          image.At(x, y, 1) = c.g;
          image.At(x, y, 2) = c.b;
          break;
        }
        default: {
          TRGB48 v;
          std::memcpy(&v, row + 6 * x, 6);
          image.At(x, y, 0) = v.r;
          image.At(x, y, 1) = v.g;
          image.At(x, y, 2) = v.b;
          break;
        }
      }
    }
  }
  return image;
}

int RunTool(const std::vector<std::string>& Argv, const std::string& OutputPath) {
  if (Argv.empty()) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (!OutputPath.empty())
    posix_spawn_file_actions_addopen(&actions, 1, OutputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (const std::string& a : Argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (!WIFEXITED(status)) return -1;
  // 127: the child could not run the program.
  return WEXITSTATUS(status) == 127 ? -1 : WEXITSTATUS(status);
}

bool HaveTool(const std::string& Name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    const size_t end = dirs.find(':', start);
    const std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!dir.empty() && ::access((dir + "/" + Name).c_str(), X_OK) == 0) return true;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return false;
}

bool IERunningInCI() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && *ci != '\0';
}
