#include <png.h>
#include <sys/stat.h>

#include <cmath>
#include <thread>

#include "platform/rtl/md5.h"
#include "platform/shellapi/shell_testing.h"
#include "platform/shellapi/thumbnails.h"

using namespace shelltest;

namespace {

struct TPixels {
  int32_t W = 0, H = 0;
  std::vector<uint8_t> Rgb;  // top-down
};

// Reads back a bitmap the extractor made (24-bit, bottom-up).
TPixels FromBitmap(HBITMAP bmp) {
  TPixels p;
  DIBSECTION ds;
  if (GetObject(bmp, sizeof ds, &ds) == 0) return p;
  p.W = ds.dsBm.bmWidth;
  p.H = ds.dsBm.bmHeight;
  EXPECT_EQ(ds.dsBm.bmBitsPixel, 24);
  const auto* bits = static_cast<const uint8_t*>(ds.dsBm.bmBits);
  const size_t stride = (size_t(p.W) * 3 + 3) & ~size_t(3);
  for (int32_t y = 0; y < p.H; ++y) {
    const uint8_t* row = bits + size_t(p.H - 1 - y) * stride;
    for (int32_t x = 0; x < p.W; ++x) {
      p.Rgb.push_back(row[x * 3 + 2]);
      p.Rgb.push_back(row[x * 3 + 1]);
      p.Rgb.push_back(row[x * 3]);
    }
  }
  return p;
}

// A binary PPM written by convert.
TPixels ReadPpm(const String& path) {
  TPixels p;
  const String s = ReadFile(path);
  int maxval = 0, consumed = 0;
  if (std::sscanf(s.c_str(), "P6 %d %d %d%n", &p.W, &p.H, &maxval, &consumed) != 3) return p;
  const size_t off = size_t(consumed) + 1;
  p.Rgb.assign(s.begin() + long(off), s.begin() + long(off + size_t(p.W) * p.H * 3));
  return p;
}

double MeanDifference(const TPixels& a, const TPixels& b) {
  if (a.W != b.W || a.H != b.H || a.Rgb.size() != b.Rgb.size() || a.Rgb.empty()) return 1e9;
  double sum = 0;
  for (size_t i = 0; i < a.Rgb.size(); ++i) sum += std::abs(int(a.Rgb[i]) - int(b.Rgb[i]));
  return sum / double(a.Rgb.size());
}

// Writes a small PNG through libpng with one text chunk before the image
// data and one after it.
void WriteCachePng(const String& path, int w, int h, uint8_t r, uint8_t g, uint8_t b, const String& uri,
                   const String& mtime) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(f);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_infop end = png_create_info_struct(png);
  png_init_io(png, f);
  png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_text before{};
  before.compression = PNG_TEXT_COMPRESSION_NONE;
  before.key = const_cast<char*>("Thumb::URI");
  before.text = const_cast<char*>(uri.c_str());
  png_set_text(png, info, &before, 1);
  png_write_info(png, info);
  std::vector<uint8_t> row(size_t(w) * 3);
  for (int x = 0; x < w; ++x) {
    row[size_t(x) * 3] = r;
    row[size_t(x) * 3 + 1] = g;
    row[size_t(x) * 3 + 2] = b;
  }
  for (int y = 0; y < h; ++y) png_write_row(png, row.data());
  png_text after{};
  after.compression = PNG_TEXT_COMPRESSION_NONE;
  after.key = const_cast<char*>("Thumb::MTime");
  after.text = const_cast<char*>(mtime.c_str());
  png_set_text(png, end, &after, 1);
  png_write_end(png, end);
  png_destroy_info_struct(png, &end);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

bool HaveImageTools() { return HaveTool("convert"); }

}  // namespace

TEST(ShellThumbnails, DecodedPicturesFitTheBoxAndMatchTheReference) {
  if (!HaveImageTools()) GTEST_SKIP() << "convert missing (package imagemagick)";
  const String dir = NewDir("thumb");
  const String scene =
      "-size 400x300 xc:white -fill '#E02020' -draw 'rectangle 0,0 199,149' "
      "-fill '#2040E0' -draw 'rectangle 200,150 399,299' -fill '#20C040' -draw 'circle 300,75 340,75'";
  struct TFixture {
    const char* Name;
    String Make;     // convert arguments after the scene
    String Flatten;  // how the reference is made from the file
  };
  const std::vector<TFixture> fixtures = {
      {"base.jpg", "-quality 92", ""},
      {"prog.jpg", "-interlace JPEG -quality 92", ""},
      {"cmyk.jpg", "-colorspace CMYK -quality 95", "-colorspace sRGB"},
      {"gray.jpg", "-colorspace Gray -quality 92", ""},
      {"gray.png", "-colorspace Gray", ""},
      {"pal.png",
       "-fill none -draw 'rectangle 0,150 99,299' -transparent '#20C040' PNG8:", "-background white -flatten"},
      {"deep.png", "-depth 16 PNG48:", ""},
      {"inter.png", "-interlace PNG", ""},
  };
  for (const TFixture& f : fixtures) {
    const String out = dir + "/" + f.Name;
    String make = f.Make;
    String target = Quote(out);
    if (make.size() >= 5 && make.compare(make.size() - 5, 5, "PNG8:") == 0) {
      make.resize(make.size() - 5);
      target = "PNG8:" + Quote(out);
    } else if (make.size() >= 6 && make.compare(make.size() - 6, 6, "PNG48:") == 0) {
      make.resize(make.size() - 6);
      target = "PNG48:" + Quote(out);
    }
    int status = -1;
    RunCommand("convert " + scene + " " + make + " " + target + " 2>&1", &status);
    ASSERT_EQ(status, 0) << f.Name;
    HBITMAP bmp = ExtractThumbnail(out, 100, 75);
    ASSERT_TRUE(bmp) << f.Name;
    TPixels ours = FromBitmap(bmp);
    DeleteObject(bmp);
    EXPECT_EQ(ours.W, 100) << f.Name;
    EXPECT_EQ(ours.H, 75) << f.Name;
    RunCommand("convert " + Quote(out) + " " + f.Flatten + " -resize 100x75 -depth 8 " + Quote(out + ".ppm"), &status);
    ASSERT_EQ(status, 0);
    EXPECT_LT(MeanDifference(ours, ReadPpm(out + ".ppm")), 8.0) << f.Name;
  }
  // A picture smaller than the box is never enlarged.
  HBITMAP same = ExtractThumbnail(dir + "/base.jpg", 1000, 1000);
  ASSERT_TRUE(same);
  EXPECT_EQ(FromBitmap(same).W, 400);
  DeleteObject(same);
  // The EXIF orientation turns the picture.
  if (HaveTool("exiftool")) {
    int status = -1;
    RunCommand("cp " + Quote(dir + "/base.jpg") + " " + Quote(dir + "/rot.jpg") +
                   " && exiftool -q -Orientation=6 -n "
                   "-overwrite_original " +
                   Quote(dir + "/rot.jpg"),
               &status);
    ASSERT_EQ(status, 0);
    HBITMAP bmp = ExtractThumbnail(dir + "/rot.jpg", 100, 75);
    ASSERT_TRUE(bmp);
    TPixels ours = FromBitmap(bmp);
    DeleteObject(bmp);
    EXPECT_EQ(ours.W, 56);
    EXPECT_EQ(ours.H, 75);
    RunCommand(
        "convert " + Quote(dir + "/rot.jpg") + " -auto-orient -resize 100x75 -depth 8 " + Quote(dir + "/rot.ppm"),
        &status);
    EXPECT_LT(MeanDifference(ours, ReadPpm(dir + "/rot.ppm")), 8.0);
  }
  // Truncated and corrupt files give no picture.
  const String jpeg = ReadFile(dir + "/base.jpg");
  WriteFile(dir + "/cut.jpg", jpeg.substr(0, jpeg.size() / 2));
  EXPECT_EQ(ExtractThumbnail(dir + "/cut.jpg", 100, 75), nullptr);
  String corrupt = jpeg.substr(0, 200) + String(jpeg.size() - 200, '\x5A');
  WriteFile(dir + "/corrupt.jpg", corrupt);
  EXPECT_EQ(ExtractThumbnail(dir + "/corrupt.jpg", 100, 75), nullptr);
  const String png = ReadFile(dir + "/inter.png");
  WriteFile(dir + "/cut.png", png.substr(0, png.size() / 2));
  EXPECT_EQ(ExtractThumbnail(dir + "/cut.png", 100, 75), nullptr);
  WriteFile(dir + "/empty.png", "");
  EXPECT_EQ(ExtractThumbnail(dir + "/empty.png", 100, 75), nullptr);

  // Worker threads extract at the same time (bitmaps are made on each thread).
  std::vector<std::thread> workers;
  std::atomic<int> good{0};
  for (int i = 0; i < 4; ++i)
    workers.emplace_back([&, i] {
      for (int k = 0; k < 3; ++k) {
        HBITMAP b = ExtractThumbnail(dir + (i % 2 ? "/base.jpg" : "/inter.png"), 100, 75);
        if (b) {
          ++good;
          DeleteObject(b);
        }
      }
    });
  for (auto& w : workers) w.join();
  EXPECT_EQ(good.load(), 12);

  // Through the namespace: IExtractImage of the file item.
  TFolderItem fi = FolderItem(dir + "/base.jpg");
  ComPtr<IExtractImage> ex;
  PCUITEMID_CHILD items[] = {fi.Child.P};
  ASSERT_EQ(fi.Folder->GetUIObjectOf(nullptr, 1, items, IID_IExtractImage, nullptr,
                                     reinterpret_cast<void**>(ex.ReleaseAndGetAddressOf())),
            S_OK);
  String where;
  uint32_t priority = 2, flags = IEIFLAG_SCREEN;
  const TSize size{100, 75};
  EXPECT_EQ(ex->GetLocation(where, &priority, &size, 16, &flags), S_OK);
  HBITMAP viaShell = nullptr;
  ASSERT_EQ(ex->Extract(&viaShell), S_OK);
  EXPECT_EQ(FromBitmap(viaShell).W, 100);
  DeleteObject(viaShell);
}

TEST(ShellThumbnails, CacheEntriesAreUsedOnlyForTheirUriAndTime) {
  if (!HaveImageTools()) GTEST_SKIP() << "convert missing (package imagemagick)";
  const String dir = NewDir("cache");
  const String file = dir + "/photo one.jpg";
  int status = -1;
  RunCommand("convert -size 400x300 xc:red " + Quote(file), &status);
  ASSERT_EQ(status, 0);
  struct stat st;
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  const String uri = ThumbnailCacheUri(file);
  const String normal = XdgDirs()->CacheHome + "/thumbnails/normal";
  ForceDirectories(normal);
  const String entry = normal + "/" + MD5Hex(uri) + ".png";
  auto centre = [&] {
    HBITMAP b = ExtractThumbnail(file, 100, 75);
    EXPECT_TRUE(b);
    TPixels p = FromBitmap(b);
    DeleteObject(b);
    const size_t i = (size_t(p.H / 2) * size_t(p.W) + size_t(p.W / 2)) * 3;
    return p.Rgb.size() > i ? (int(p.Rgb[i]) << 16 | int(p.Rgb[i + 1]) << 8 | int(p.Rgb[i + 2])) : -1;
  };
  WriteCachePng(entry, 128, 96, 0, 255, 0, uri, std::to_string(int64_t(st.st_mtim.tv_sec)));
  if (HaveTool("pngcheck")) {
    const String out = RunCommand("pngcheck -t " + Quote(entry) + " 2>&1", &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("Thumb::URI"), String::npos);
    EXPECT_NE(out.find("Thumb::MTime"), String::npos);
  }
  EXPECT_EQ(centre(), 0x00FF00);  // from the cache
  WriteCachePng(entry, 128, 96, 0, 255, 0, uri, std::to_string(int64_t(st.st_mtim.tv_sec) - 1));
  EXPECT_GT(centre() & 0xFF0000, 0xC00000);  // stale: decoded (red)
  WriteCachePng(entry, 128, 96, 0, 255, 0, uri + "x", std::to_string(int64_t(st.st_mtim.tv_sec)));
  EXPECT_GT(centre() & 0xFF0000, 0xC00000);  // another URI
}

TEST(ShellThumbnails, CacheNamesMatchTheDesktopsUris) {
  if (!HaveTool("gio") || !HaveTool("md5sum")) GTEST_SKIP() << "gio (libglib2.0-bin) or md5sum missing";
  const String dir = NewDir("uri");
  for (const String& name :
       {String("with blank.jpg"), String("hash#tag.jpg"), String("per%cent.jpg"), String("semi;colon.jpg"),
        String("gr\xC3\xBC\xC3\x9F"
               "e.jpg"),
        String("a&b=c+d!@$.jpg")}) {
    const String path = dir + "/" + name;
    WriteFile(path, "x");
    const String info = RunCommand("gio info " + Quote(path) + " 2>/dev/null");
    const size_t at = info.find("uri: ");
    ASSERT_NE(at, String::npos) << info;
    const String gioUri = info.substr(at + 5, info.find('\n', at) - at - 5);
    EXPECT_EQ(ThumbnailCacheUri(path), gioUri) << name;
    const String sum = RunCommand("printf '%s' " + Quote(gioUri) + " | md5sum");
    EXPECT_EQ(MD5Hex(ThumbnailCacheUri(path)), sum.substr(0, 32)) << name;
  }
}

TEST(ShellThumbnails, ProvidersServeOtherFormats) {
  const String dir = NewDir("prov");
  WriteFile(dir + "/pic.xyz", "anything");
  EXPECT_EQ(ExtractThumbnail(dir + "/pic.xyz", 100, 75), nullptr);
  String asked;
  RegisterThumbnailProvider("*.xyz;*.abc", [&](const String& path, int32_t w, int32_t h) {
    asked = path;
    TThumbImage img;
    img.Width = w / 2;
    img.Height = h / 2;
    img.Bgr.assign(size_t(img.Width) * size_t(img.Height) * 3, 0x80);
    return ThumbImageToBitmap(img);
  });
  HBITMAP b = ExtractThumbnail(dir + "/pic.xyz", 100, 75);
  ASSERT_TRUE(b);
  EXPECT_EQ(asked, dir + "/pic.xyz");
  EXPECT_EQ(FromBitmap(b).W, 50);
  DeleteObject(b);
  ClearThumbnailProviders();
  EXPECT_EQ(ExtractThumbnail(dir + "/pic.xyz", 100, 75), nullptr);
  // The fitting rule: aspect kept, never enlarged.
  int32_t w, h;
  ThumbnailFitSize(400, 300, 100, 75, w, h);
  EXPECT_EQ(w * 1000 + h, 100075);
  ThumbnailFitSize(300, 400, 100, 75, w, h);
  EXPECT_EQ(w * 1000 + h, 56075);
  ThumbnailFitSize(50, 20, 100, 75, w, h);
  EXPECT_EQ(w * 1000 + h, 50020);
  ThumbnailFitSize(1000, 1, 100, 75, w, h);
  EXPECT_EQ(w * 1000 + h, 100001);
}
