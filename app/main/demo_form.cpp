#include "app/main/demo_form.h"

#include <cstdio>

#include "platform/gui/win_ole.h"
#include "platform/gui/win_paint.h"
#include "platform/vcl/clipbrd.h"
#include "platform/vcl/menus.h"
#include "platform/rtl/format.h"

namespace {

constexpr size_t kReportLines = 6;

}  // namespace

// ---- The shapes control ----------------------------------------------------------------

class TShapesControl : public TCustomControl {
 public:
  explicit TShapesControl(TComponent* AOwner) : TCustomControl(AOwner) {
    TControlStyle style = ControlStyle();
    style.Include(TControlStyleItem::csOpaque);
    SetControlStyle(style);
  }
  const char* ClassName() const override { return "TShapesControl"; }

  void AddLine(const String& Line) {
    FLines.push_back(Line);
    while (FLines.size() > kReportLines) FLines.erase(FLines.begin());
    Invalidate();
  }

 protected:
  void Paint() override {
    TCanvas* c = Canvas();
    const TRect r = ClientRect();
    c->Brush()->SetStyle(TBrushStyle::bsSolid);
    c->Brush()->SetColor(RGB(244, 246, 250));
    c->FillRect(r);

    c->Pen()->SetColor(RGB(40, 60, 110));
    c->Pen()->SetWidth(2);
    c->Brush()->SetColor(RGB(120, 160, 230));
    c->Rectangle(20, 20, 150, 110);
    c->Brush()->SetColor(RGB(250, 170, 60));
    c->Ellipse(170, 20, 300, 110);
    c->Brush()->SetColor(RGB(110, 200, 130));
    c->RoundRect(320, 20, 450, 110, 24, 24);
    c->Brush()->SetColor(RGB(180, 110, 200));
    c->Polygon(std::vector<TPoint>{{470, 110}, {530, 20}, {590, 110}});
    c->Pen()->SetWidth(1);
    for (int32_t i = 0; i < 8; ++i) {
      c->Pen()->SetColor(RGB(uint8_t(30 * i), 80, uint8_t(240 - 30 * i)));
      c->MoveTo(20, 130 + i * 4);
      c->LineTo(590, 130 + i * 4);
    }

    c->Brush()->SetStyle(TBrushStyle::bsClear);
    c->Font()->SetName("Arial");
    c->Font()->SetSize(18);
    c->Font()->SetStyle(TFontStyles{TFontStyle::fsBold});
    c->Font()->SetColor(RGB(30, 40, 70));
    c->TextOut(20, 170, "Pictoval");
    c->Font()->SetSize(9);
    c->Font()->SetStyle(TFontStyles());
    int32_t y = 205;
    const int32_t step = c->TextHeight("Ag") + 3;
    for (const char* help : {"Click: a layered popup.  Right-click: a popup menu.  Rest the pointer: a hint.",
                             "Alt+F and Alt+H open the menus.  Drop files from a file manager here."}) {
      c->TextOut(20, y, help);
      y += step;
    }
    y += step / 2;
    c->Font()->SetColor(RGB(150, 40, 40));
    for (const String& line : FLines) {
      c->TextOut(20, y, line);
      y += step;
    }
  }

 private:
  std::vector<String> FLines;
};

// ---- The layered popup ----------------------------------------------------------------------

// A rounded, translucent popup over the form: it never takes activation, so
// the form keeps the keyboard; a click on it hides it.
class TLayeredPopup : public TCustomControl {
 public:
  TLayeredPopup(TComponent* AOwner, TDemoForm* Form) : TCustomControl(AOwner), FForm(Form) {
    SetVisible(false);
    SetColor(RGB(40, 70, 130));
    TControlStyle style = ControlStyle();
    style.Include(TControlStyleItem::csOpaque);
    SetControlStyle(style);
    UpdateBoundsRect(TRect{0, 0, 240, 90});
  }
  const char* ClassName() const override { return "TLayeredPopup"; }

  void ShowAt(const TPoint& P) {
    HandleNeeded();
    UpdateBoundsRect(TRect{P.X, P.Y, P.X + 240, P.Y + 90});
    SetWindowRgn(Handle(), CreateRoundRectRgn(0, 0, 241, 91, 28, 28), false);
    SetLayeredWindowAttributes(Handle(), 0, 220, LWA_ALPHA);
    SetWindowPos(Handle(), HWND_TOPMOST, P.X, P.Y, 240, 90, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    Invalidate();
  }
  void HideIt() {
    if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
  }

  void Dispatch(TMessage& Message) override {
    switch (Message.Msg) {
      case WM_MOUSEACTIVATE: Message.Result = MA_NOACTIVATE; return;
      case WM_LBUTTONUP:
        HideIt();
        FForm->Report("The layered popup was clicked and hidden.");
        return;
      default: TCustomControl::Dispatch(Message);
    }
  }

 protected:
  void CreateParams(TCreateParams& Params) override {
    TCustomControl::CreateParams(Params);
    Params.Style = WS_POPUP;
    Params.ExStyle |= WS_EX_LAYERED | WS_EX_NOACTIVATE | WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
    Params.WndParent = FForm->Handle();
  }
  void Paint() override {
    TCanvas* c = Canvas();
    const TRect r = ClientRect();
    c->Brush()->SetStyle(TBrushStyle::bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(r);
    c->Brush()->SetColor(RGB(250, 200, 70));
    c->Pen()->SetColor(RGB(250, 200, 70));
    c->Ellipse(16, 25, 56, 65);
    c->Brush()->SetStyle(TBrushStyle::bsClear);
    c->Font()->SetName("Arial");
    c->Font()->SetSize(10);
    c->Font()->SetColor(RGB(255, 255, 255));
    c->TextOut(70, 26, "A layered popup");
    c->TextOut(70, 46, "Click to hide it");
  }

 private:
  TDemoForm* FForm;
};

// ---- The drop target ------------------------------------------------------------------------

class TDemoDropTarget : public TComObject<IDropTarget, IID_IDropTarget> {
 public:
  explicit TDemoDropTarget(TDemoForm* Form) : FForm(Form) {}

  HRESULT DragEnter(IDataObject* data, uint32_t, POINTL, uint32_t* effect) override {
    FORMATETC f;
    f.cfFormat = CF_HDROP;
    FAccept = data != nullptr && data->QueryGetData(&f) == S_OK;
    *effect = FAccept ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    return S_OK;
  }
  HRESULT DragOver(uint32_t, POINTL, uint32_t* effect) override {
    *effect = FAccept ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    return S_OK;
  }
  HRESULT DragLeave() override { return S_OK; }
  HRESULT Drop(IDataObject* data, uint32_t, POINTL pt, uint32_t* effect) override {
    *effect = DROPEFFECT_NONE;
    FORMATETC f;
    f.cfFormat = CF_HDROP;
    STGMEDIUM m;
    if (!data || data->GetData(&f, &m) != S_OK) return S_OK;
    std::vector<String> files;
    const uint32_t n = DragQueryFile(m.hGlobal, 0xFFFFFFFF, nullptr, 0);
    for (uint32_t i = 0; i < n; ++i) {
      String name(DragQueryFile(m.hGlobal, i, nullptr, 0) + 1, '\0');
      DragQueryFile(m.hGlobal, i, name.data(), uint32_t(name.size()));
      name.resize(name.size() - 1);
      files.push_back(name);
    }
    ReleaseStgMedium(&m);
    *effect = DROPEFFECT_COPY;
    FForm->FilesDropped(files, TPoint{pt.x, pt.y});
    return S_OK;
  }

 private:
  ~TDemoDropTarget() = default;
  TDemoForm* FForm;
  bool FAccept = false;
};

// ---- The form ---------------------------------------------------------------------------------

TDemoForm::TDemoForm(TComponent* AOwner) : TForm(AOwner) {
  SetCaption("Pictoval");
  SetPosition(TPosition::poScreenCenter);
  SetClientSize(TPoint{620, 360});
  FDropTarget = new TDemoDropTarget(this);

  FMainMenu = new TMainMenu(this);
  TMenuItem* file = AddItem(FMainMenu->Items(), "&File", nullptr);
  AddItem(file, "Show a &layered popup", [this](TObject*) {
    const TPoint p = FShapes->ClientToScreen(TPoint{FShapes->ClientWidth() / 2, 40});
    ShowLayeredPopup(p);
  });
  AddItem(file, "-", nullptr);
  AddItem(file, "E&xit", [this](TObject*) { Close(); });
  TMenuItem* help = AddItem(FMainMenu->Items(), "&Help", nullptr);
  AddItem(
      help, "&About...",
      [](TObject*) {
        Application->MessageBox(
            "Pictoval " + String(PICTOVAL_VERSION) +
                "\nA batch image converter and renamer.\n\nThis window shows the platform layer at work.",
            "About Pictoval", MB_OK | MB_ICONINFORMATION);
      },
      VK_F1);
  SetMenu(FMainMenu);

  FPopupMenu = new TPopupMenu(this);
  AddItem(FPopupMenu->Items(), "Show a layered popup here",
          [this](TObject*) { ShowLayeredPopup(FPopupMenu->PopupPoint()); });
  AddItem(FPopupMenu->Items(), "Hide the layered popup", [this](TObject*) { HideLayeredPopup(); });
  AddItem(FPopupMenu->Items(), "-", nullptr);
  AddItem(FPopupMenu->Items(), "&Copy a greeting", [this](TObject*) {
    Clipboard()->SetAsText("Hello from Pictoval");
    Report("Copied \"Hello from Pictoval\" to the clipboard.");
  });
  AddItem(FPopupMenu->Items(), "&Paste text", [this](TObject*) {
    const String text = Clipboard()->AsText();
    Report(text.empty() ? String("The clipboard holds no text.") : "Clipboard: " + text.substr(0, 80));
  });

  FShapes = new TShapesControl(this);
  FShapes->SetParent(this);
  FShapes->SetAlign(TAlign::alClient);
  FShapes->SetHint("Shapes and text drawn on a canvas|Click for a layered popup, right-click for a menu");
  FShapes->SetShowHint(true);
  FShapes->SetPopupMenu(FPopupMenu);
  FShapes->OnMouseDown = [this](TObject*, TMouseButton Button, TShiftState, int32_t X, int32_t Y) {
    if (Button == TMouseButton::mbLeft) ShowLayeredPopup(FShapes->ClientToScreen(TPoint{X + 12, Y + 12}));
  };

  FPopup = new TLayeredPopup(this, this);
  AfterConstruction();
}

TDemoForm::~TDemoForm() {
  if (FDropTarget) FDropTarget->Release();
}

TMenuItem* TDemoForm::AddItem(TMenuItem* Parent, const String& Caption, TNotifyEvent OnClick, uint16_t ShortCutKey,
                              TShiftState Shift) {
  auto* item = new TMenuItem(this);
  item->SetCaption(Caption);
  if (OnClick) item->OnClick = std::move(OnClick);
  if (ShortCutKey != 0) item->SetShortCut(ShortCut(ShortCutKey, Shift));
  Parent->Add(item);
  return item;
}

void TDemoForm::CreateWnd() {
  TForm::CreateWnd();
  RegisterDragDrop(Handle(), FDropTarget);
}

void TDemoForm::DestroyWnd() {
  if (HandleAllocated()) RevokeDragDrop(Handle());
  TForm::DestroyWnd();
}

void TDemoForm::ShowLayeredPopup(const TPoint& ScreenPos) {
  FPopup->ShowAt(ScreenPos);
  Report(Format("A layered popup at (%d, %d).", {ScreenPos.X, ScreenPos.Y}));
}

void TDemoForm::HideLayeredPopup() { FPopup->HideIt(); }

void TDemoForm::FilesDropped(const std::vector<String>& Files, const TPoint& ScreenPos) {
  Report(Format("%d file(s) dropped at (%d, %d):", {int32_t(Files.size()), ScreenPos.X, ScreenPos.Y}));
  for (size_t i = 0; i < Files.size() && i < 3; ++i) Report("  " + Files[i]);
  if (Files.size() > 3) Report("  ...");
}

void TDemoForm::Report(const String& Line) {
  std::fprintf(stdout, "%s\n", Line.c_str());
  std::fflush(stdout);
  if (FShapes) FShapes->AddLine(Line);
}
