// The small preview under the settings: one view for the tree's selection,
// one for the file list's, each with the path it shows and the three
// information texts of that path, so that a second click loads nothing.
#include <algorithm>

#include "app/convert/convertfile.h"
#include "app/convert/inputtabbase.h"
#include "app/main/picturedate.h"
#include "app/settings/commonclass.h"
#include "app/settings/fileobject.h"
#include "app/settings/guarded.h"
#include "app/settings/marloutils.h"
#include "imaging/io/core/iedetect.h"
#include "imaging/io/core/ieimgio.h"
#include "imaging/model/processing/imgproc.h"
#include "imaging/views/view/imgview.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/dates.h"
#include "platform/rtl/files.h"
#include "platform/rtl/scopeguard.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/comctrls_treeview.h"
#include "shell/shelllist.h"
#include "skin/controls/skincheckradio.h"
#include "skin/controls/skinlabels.h"

namespace {

constexpr int32_t kBoxWidth = 100;
constexpr int32_t kBoxHeight = 75;

// Shrinks the view's picture to fit 100 x 75, keeping its proportions.
void FitIntoBox(TImgView* View, TResampleFilter Filter) {
  TIEBitmap* b = View->GetIEBitmap();
  const int32_t w = b->Width(), h = b->Height();
  if (w <= 0 || h <= 0) return;
  if (w * 3 < h * 4)
    View->GetImageProc()->Resample(std::max(1, int32_t(Round(double(w) * kBoxHeight / h))), kBoxHeight, Filter);
  else
    View->GetImageProc()->Resample(kBoxWidth, std::max(1, int32_t(Round(double(h) * kBoxWidth / w))), Filter);
}

bool Portrait(int32_t W, int32_t H) { return W < H; }

}  // namespace

bool TInputTabBase::LoadPsdIntoView(TImgView* View, const String& Path) {
  TImgIO* io = View->GetImageIO();
  const bool ok = Guarded([&] {
    TPicture picture;
    picture.LoadFromFile(Path);
    TBitmap bitmap;
    bitmap.Assign(picture.Graphic());
    TMemoryStream stream;
    bitmap.SaveToStream(&stream);
    stream.SetPosition(0);
    io->LoadFromStream(&stream);
  });
  if (!ok || io->AbortFlag.load()) {
    io->Params().FileType = 0;
    return false;
  }
  io->Params().FileType = kPsdLoadedFileType;
  return true;
}

void TInputTabBase::ShowFileInfo(const String& Path, int32_t Width, int32_t Height, int32_t N) {
  std::array<String, 3> texts;
  if (!Path.empty()) {
    texts[0] = IntToStr(Width) + " x " + IntToStr(Height);
    texts[1] = FormatSizeKB(" ", std::max<int64_t>(0, GetFileSize64(Path)));
    texts[2] = FormatDateTime("yyyy-mm-dd hh:nn:ss", GetPictureDate(Path));
    (N == 1 ? FInfoCache1 : FInfoCache2) = texts;
  }
  FileInfo1->SetCaption(texts[0]);
  FileInfo2->SetCaption(texts[1]);
  FileInfo3->SetCaption(texts[2]);
}

bool TInputTabBase::LoadSelectedPreview(const String& Path, int32_t N) {
  ShowFileInfo(String(), 0, 0, N);
  TImgView* view = N == 1 ? ThumbIOView1 : ThumbIOView2;
  (N == 1 ? ThumbIOView2 : ThumbIOView1)->SetVisible(false);
  String& last = N == 1 ? FLastPreview1 : FLastPreview2;
  const std::array<String, 3>& cache = N == 1 ? FInfoCache1 : FInfoCache2;
  view->SetVisible(true);
  if (Path == last) {
    FileInfo1->SetCaption(cache[0]);
    FileInfo2->SetCaption(cache[1]);
    FileInfo3->SetCaption(cache[2]);
    return !cache[0].empty();
  }
  last = Path;
  (N == 1 ? FInfoCache1 : FInfoCache2) = {};
  SetRedrawLock(view, true);
  auto unlock = ScopeExit([&] {
    SetRedrawLock(view, false);
    view->Update();
  });
  bool shown = false;
  Guarded([&] {
    shown = UpperCase(ExtractFileExt(Path)) == ".PSD" ? LoadPsdPreview(view, Path) : LoadPictureIntoView(view, Path);
  });
  return shown;
}

bool TInputTabBase::LoadPictureIntoView(TImgView* View, const String& Path) {
  const int32_t type = IEDetectFileFormat(Path);
  TImgIO* io = View->GetImageIO();
  TIOParamsVals& p = io->Params();
  p.JPEGAdjustOrientation = true;
  p.TIFFAdjustOrientation = true;
  p.JPEGScale = TIEJPEGScale::jsAuto;
  p.JPEGDCTMethod = TIEJPEGDCTMethod::jdIntFast;
  p.Width = kBoxWidth;
  p.Height = kBoxHeight;
  p.SetThumbnailOnly(type != fcJPEG && type != fcTIFF);
  if (type == fcNone) {
    View->ClearImage();
    return false;
  }
  io->LoadFromFileAs(Path, type);
  TIEBitmap* b = View->GetIEBitmap();
  // A load that ends aborted failed, whatever it left in the bitmap.
  if (io->AbortFlag.load() || b->Width() <= 0 || b->Height() <= 0) {
    View->ClearImage();
    return false;
  }
  int32_t w = type == fcJPEG ? p.JPEGOriginalWidth : p.Width;
  int32_t h = type == fcJPEG ? p.JPEGOriginalHeight : p.Height;
  // The orientation was applied on loading: the size follows the picture.
  if (Portrait(b->Width(), b->Height()) != Portrait(w, h)) std::swap(w, h);
  ShowFileInfo(Path, w, h, View == ThumbIOView1 ? 1 : 2);
  if (b->HasAlphaChannel()) {
    if (type == fcBMP || type == fcTGA)
      View->RemoveAlphaChannel(false);
    else
      FlattenAlpha(b, clWhite);
  }
  if (b->Width() > kBoxWidth || b->Height() > kBoxHeight)
    FitIntoBox(
        View, int64_t(b->Width()) * b->Height() > 479999 ? TResampleFilter::rfFastLinear : TResampleFilter::rfLanczos3);
  return true;
}

bool TInputTabBase::LoadPsdPreview(TImgView* View, const String& Path) {
  if (!LoadPsdIntoView(View, Path)) {
    View->ClearImage();
    return false;
  }
  TIEBitmap* b = View->GetIEBitmap();
  const int32_t w = b->Width(), h = b->Height();
  if ((w > kBoxWidth || h > kBoxHeight) && w > 0 && h > 0) {
    FitIntoBox(View, TResampleFilter::rfFastLinear);
    if (b->Width() < 2 || b->Height() < 2)
      View->GetImageProc()->ImageResize(std::max(5, b->Width()), std::max(5, b->Height()), 1, 1);
  }
  ShowFileInfo(Path, w, h, View == ThumbIOView1 ? 1 : 2);
  return true;
}

// The selection of the focused side: the file list's single selected file,
// else the tree's selected file.
void TInputTabBase::PreviewFocusedSelection() {
  if (ShellList->Focused()) {
    TListItem* item = ShellList->Selected();
    if (ShellList->SelCount() == 1 && item != nullptr) {
      const String path = ShellList->GetItemPath(item);
      if (FastFileExists(path)) LoadSelectedPreview(path, 2);
    }
  } else if (TreeView->Focused()) {
    TMyFileObject* rec = Record(TreeView->Selected());
    if (rec != nullptr && !rec->IsFolder && FastFileExists(rec->Path)) LoadSelectedPreview(rec->Path, 1);
  }
}

void TInputTabBase::ChkPreviewClick(TObject*) {
  Guarded([&] {
    const bool on = ChkPreview->Checked();
    if (FSettings != nullptr) FSettings->MainPreviewEnabled = on;
    SyncPartnerPreview(on);
    ShowFileInfo(String(), 0, 0, 1);
    if (on) {
      PreviewFocusedSelection();
    } else {
      ThumbIOView1->SetVisible(false);
      ThumbIOView2->SetVisible(false);
    }
    FileInfo1->SetVisible(on);
    FileInfo2->SetVisible(on);
    FileInfo3->SetVisible(on);
  });
}

void TInputTabBase::TreeViewClick(TObject*) {
  Guarded([&] {
    TMyFileObject* rec = Record(TreeView->Selected());
    if (ChkPreview->Checked() && rec != nullptr && !rec->IsFolder && FastFileExists(rec->Path)) {
      LoadSelectedPreview(rec->Path, 1);
      return;
    }
    ThumbIOView1->SetVisible(false);
    ShowFileInfo(String(), 0, 0, 1);
  });
}

void TInputTabBase::ShellListClick(TObject*) {
  Guarded([&] {
    ThumbIOView1->SetVisible(false);
    TListItem* focused = ShellList->ItemFocused();
    if (ChkPreview->Checked() && ShellList->SelCount() == 1 && focused != nullptr) {
      const String path = ShellList->GetItemPath(focused);
      if (FastFileExists(path)) {
        LoadSelectedPreview(path, 2);
        return;
      }
    }
    ThumbIOView2->SetVisible(false);
    ShowFileInfo(String(), 0, 0, 2);
  });
}
