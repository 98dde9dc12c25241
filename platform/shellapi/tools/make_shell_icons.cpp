// Draws the shell's built-in icons with the canvas into 32-bit BMPs with
// alpha, at 16 and 32 pixels, named after the freedesktop icons
// ("folder-16.bmp"). The output is checked in under resources/shellicons;
// run: shellapi_make_icons <that folder>.
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

#include "platform/gui/bmpfile.h"
#include "platform/gui/canvas.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/streams.h"

namespace {

constexpr TColor kKey = RGB(255, 0, 255);  // becomes transparent

struct TArt {
  TCanvas* C;
  double S;  // pixels per grid unit (icons are drawn on a 32 x 32 grid)
  int X(double v) const { return int(std::lround(v * S)); }
  void Fill(TColor fill, TColor line) {
    C->Brush()->SetStyle(TBrushStyle::bsSolid);
    C->Brush()->SetColor(fill);
    C->Pen()->SetColor(line);
    C->Pen()->SetWidth(1);
  }
  void Rect(double l, double t, double r, double b, TColor fill, TColor line) {
    Fill(fill, line);
    C->Rectangle(X(l), X(t), X(r), X(b));
  }
  void Oval(double l, double t, double r, double b, TColor fill, TColor line) {
    Fill(fill, line);
    C->Ellipse(X(l), X(t), X(r), X(b));
  }
  void Poly(std::vector<std::pair<double, double>> pts, TColor fill, TColor line) {
    Fill(fill, line);
    std::vector<TPoint> p;
    for (auto& [x, y] : pts) p.push_back(TPoint{X(x), X(y)});
    C->Polygon(p);
  }
  void Line(double x1, double y1, double x2, double y2, TColor color) {
    C->Pen()->SetColor(color);
    C->MoveTo(X(x1), X(y1));
    C->LineTo(X(x2), X(y2));
  }
  void Page(TColor fill = RGB(250, 250, 250)) {
    Poly({{6, 2}, {20, 2}, {26, 8}, {26, 30}, {6, 30}}, fill, RGB(110, 110, 110));
    Poly({{20, 2}, {20, 8}, {26, 8}}, RGB(210, 210, 210), RGB(110, 110, 110));
  }
  void Folder(TColor body, TColor tab) {
    Poly({{2, 6}, {12, 6}, {14, 9}, {30, 9}, {30, 27}, {2, 27}}, tab, RGB(140, 100, 30));
    Rect(2, 11, 30, 27, body, RGB(140, 100, 30));
  }
};

struct TIconDef {
  const char* Name;
  std::function<void(TArt&)> Draw;
};

const TColor kFolder = RGB(240, 196, 82);
const TColor kFolderTab = RGB(214, 160, 56);

std::vector<TIconDef> Icons() {
  return {
      {"folder", [](TArt& a) { a.Folder(kFolder, kFolderTab); }},
      {"folder-open",
       [](TArt& a) {
         a.Poly({{2, 6}, {12, 6}, {14, 9}, {28, 9}, {28, 27}, {2, 27}}, kFolderTab, RGB(140, 100, 30));
         a.Poly({{6, 14}, {31, 14}, {27, 27}, {2, 27}}, RGB(250, 214, 120), RGB(140, 100, 30));
       }},
      {"user-home",
       [](TArt& a) {
         a.Folder(kFolder, kFolderTab);
         a.Poly({{16, 12}, {25, 19}, {23, 19}, {23, 25}, {9, 25}, {9, 19}, {7, 19}}, RGB(250, 250, 250),
                RGB(90, 60, 20));
         a.Rect(14, 20, 18, 25, RGB(170, 80, 40), RGB(90, 60, 20));
       }},
      {"user-desktop",
       [](TArt& a) {
         a.Rect(2, 4, 30, 23, RGB(60, 110, 190), RGB(40, 40, 60));
         a.Rect(4, 6, 28, 21, RGB(110, 170, 235), RGB(110, 170, 235));
         a.Rect(12, 23, 20, 27, RGB(120, 120, 130), RGB(60, 60, 70));
         a.Rect(8, 27, 24, 29, RGB(150, 150, 160), RGB(60, 60, 70));
       }},
      {"computer",
       [](TArt& a) {
         a.Rect(3, 3, 29, 20, RGB(200, 200, 205), RGB(70, 70, 80));
         a.Rect(5, 5, 27, 18, RGB(40, 70, 120), RGB(40, 70, 120));
         a.Rect(2, 22, 30, 29, RGB(210, 210, 215), RGB(70, 70, 80));
         a.Rect(22, 24, 27, 26, RGB(80, 200, 90), RGB(40, 120, 50));
       }},
      {"drive-harddisk",
       [](TArt& a) {
         a.Rect(2, 10, 30, 24, RGB(180, 182, 190), RGB(70, 70, 80));
         a.Rect(4, 12, 28, 16, RGB(210, 212, 220), RGB(210, 212, 220));
         a.Rect(24, 19, 28, 22, RGB(60, 200, 80), RGB(30, 120, 40));
       }},
      {"drive-removable-media",
       [](TArt& a) {
         a.Rect(9, 2, 23, 8, RGB(200, 200, 200), RGB(90, 90, 90));
         a.Rect(6, 8, 26, 30, RGB(60, 110, 200), RGB(30, 50, 110));
         a.Rect(12, 4, 15, 6, RGB(90, 90, 90), RGB(90, 90, 90));
         a.Rect(17, 4, 20, 6, RGB(90, 90, 90), RGB(90, 90, 90));
       }},
      {"drive-optical",
       [](TArt& a) {
         a.Oval(2, 2, 30, 30, RGB(210, 215, 225), RGB(100, 100, 110));
         a.Oval(6, 6, 26, 26, RGB(190, 205, 230), RGB(190, 205, 230));
         a.Oval(12, 12, 20, 20, RGB(250, 250, 250), RGB(100, 100, 110));
         a.Oval(14, 14, 18, 18, kKey, RGB(100, 100, 110));
       }},
      {"user-trash",
       [](TArt& a) {
         a.Rect(5, 5, 27, 9, RGB(150, 155, 160), RGB(70, 70, 80));
         a.Rect(12, 2, 20, 5, RGB(150, 155, 160), RGB(70, 70, 80));
         a.Poly({{7, 9}, {25, 9}, {23, 30}, {9, 30}}, RGB(190, 195, 200), RGB(70, 70, 80));
         for (double x : {12.0, 16.0, 20.0}) a.Line(x, 12, x, 27, RGB(110, 110, 120));
       }},
      {"image-x-generic",
       [](TArt& a) {
         a.Page();
         a.Rect(8, 11, 24, 26, RGB(120, 180, 240), RGB(80, 80, 80));
         a.Poly({{8, 26}, {14, 17}, {18, 22}, {20, 20}, {24, 26}}, RGB(70, 150, 70), RGB(50, 110, 50));
         a.Oval(18, 12, 22, 16, RGB(250, 220, 60), RGB(200, 160, 30));
       }},
      {"text-x-generic",
       [](TArt& a) {
         a.Page();
         for (double y : {11.0, 14.0, 17.0, 20.0, 23.0, 26.0}) a.Line(9, y, 23, y, RGB(120, 120, 130));
       }},
      {"audio-x-generic",
       [](TArt& a) {
         a.Page();
         a.Rect(17, 10, 19, 23, RGB(60, 60, 140), RGB(60, 60, 140));
         a.Poly({{19, 10}, {24, 13}, {19, 15}}, RGB(60, 60, 140), RGB(60, 60, 140));
         a.Oval(11, 20, 19, 26, RGB(60, 60, 140), RGB(60, 60, 140));
       }},
      {"video-x-generic",
       [](TArt& a) {
         a.Page();
         a.Rect(8, 11, 24, 26, RGB(40, 40, 50), RGB(40, 40, 50));
         for (double y : {12.0, 16.0, 20.0, 24.0}) {
           a.Rect(9, y, 11, y + 2, RGB(230, 230, 230), RGB(230, 230, 230));
           a.Rect(21, y, 23, y + 2, RGB(230, 230, 230), RGB(230, 230, 230));
         }
         a.Poly({{14, 15}, {19, 18.5}, {14, 22}}, RGB(240, 120, 60), RGB(240, 120, 60));
       }},
      {"package-x-generic",
       [](TArt& a) {
         a.Poly({{3, 10}, {16, 5}, {29, 10}, {29, 26}, {16, 31}, {3, 26}}, RGB(200, 150, 90), RGB(110, 70, 30));
         a.Poly({{3, 10}, {16, 15}, {29, 10}, {16, 5}}, RGB(225, 180, 120), RGB(110, 70, 30));
         a.Line(16, 15, 16, 31, RGB(110, 70, 30));
       }},
      {"application-x-executable",
       [](TArt& a) {
         a.Rect(3, 5, 29, 27, RGB(245, 245, 245), RGB(60, 60, 80));
         a.Rect(3, 5, 29, 10, RGB(70, 110, 190), RGB(60, 60, 80));
         a.Oval(11, 13, 21, 23, RGB(240, 170, 40), RGB(150, 100, 20));
         a.Oval(14, 16, 18, 20, RGB(245, 245, 245), RGB(150, 100, 20));
       }},
      {"unknown",
       [](TArt& a) {
         a.Page();
         a.Oval(11, 12, 21, 22, RGB(170, 170, 180), RGB(120, 120, 130));
         a.Rect(15, 23, 17, 26, RGB(170, 170, 180), RGB(120, 120, 130));
       }},
  };
}

void Render(const TIconDef& def, int size, const String& outDir) {
  TBitmap b;
  b.SetPixelFormat(TPixelFormat::pf32bit);
  b.SetSize(size, size);
  TCanvas* c = b.Canvas();
  c->Brush()->SetColor(kKey);
  c->Pen()->SetColor(kKey);
  c->Rectangle(0, 0, size, size);
  TArt art{c, size / 32.0};
  def.Draw(art);
  // Key colour -> transparent, everything else opaque.
  for (int y = 0; y < size; ++y) {
    uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < size; ++x) {
      uint8_t* p = row + x * 4;
      const bool key = p[0] == 255 && p[1] == 0 && p[2] == 255;
      if (key) p[0] = p[1] = p[2] = 0;
      p[3] = key ? 0 : 255;
    }
  }
  const String path = outDir + "/" + def.Name + "-" + std::to_string(size) + ".bmp";
  TFileStream out(path, fmCreate);
  WriteBmpFile(out, b.Handle());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
    return 2;
  }
  for (const TIconDef& d : Icons())
    for (int size : {16, 32}) Render(d, size, argv[1]);
  return 0;
}
