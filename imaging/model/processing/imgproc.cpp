#include "imaging/model/processing/imgproc.h"

#include "imaging/model/containers/iemask.h"
#include "platform/gui/canvas.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/extctrls.h"

struct TImgProc::TUndoEntry {
  std::unique_ptr<TIEBitmap> Bitmap;      // kind 1
  std::unique_ptr<TMemoryStream> Stream;  // kind 2
};

TImgProc::TImgProc(TComponent* AOwner) : TComponent(AOwner), FPreviewFont(std::make_unique<TFont>()) {
  FIEBitmap = new TIEBitmap();
  FIEBitmapOwned = true;
}

TImgProc::~TImgProc() {
  RemoveListener();
  if (FAttachedComponent) RemoveFreeNotification(FAttachedComponent);
  if (FAttachedTImage) RemoveFreeNotification(FAttachedTImage);
  ClearAllUndo();
  ClearAllRedo();
  if (FIEBitmapOwned) delete FIEBitmap;
}

// ---- Attachment -------------------------------------------------------------------

void TImgProc::RemoveListener() {
  if (FAttachedImg && FListenerHandle >= 0) FAttachedImg->RemoveBitmapChangeListener(FListenerHandle);
  FListenerHandle = -1;
}

void TImgProc::ReplaceWorkingImage(TIEBitmap* Bitmap, bool Owned) {
  if (FIEBitmapOwned && FIEBitmap != Bitmap) delete FIEBitmap;
  FIEBitmap = Bitmap;
  FIEBitmapOwned = Owned;
}

void TImgProc::ForgetView() {
  if (FAttachedComponent) RemoveFreeNotification(FAttachedComponent);
  FAttachedComponent = nullptr;
  FAttachedImg = nullptr;
}

void TImgProc::ForgetTImage() {
  if (FAttachedTImage) RemoveFreeNotification(FAttachedTImage);
  FAttachedTImage = nullptr;
}

void TImgProc::DropDestroyedView() {
  // The view is going away: it is not called again, not even to remove the
  // listener, and the component goes on with an image of its own.
  FListenerHandle = -1;
  FAttachedImg = nullptr;
  FAttachedComponent = nullptr;
  FAttachedBitmap = nullptr;
  ReplaceWorkingImage(new TIEBitmap(), true);
}

void TImgProc::SetAttachedImg(TIEView* Value) {
  RemoveListener();
  ForgetView();
  ForgetTImage();
  FAttachedBitmap = nullptr;
  if (!Value) {
    ReplaceWorkingImage(new TIEBitmap(), true);
    return;
  }
  FAttachedImg = Value;
  FAttachedComponent = Value->ViewComponent();
  TBitmap* bitmap = Value->GetBitmap();
  if (TIEBitmap* ie = Value->GetIEBitmap()) {
    ReplaceWorkingImage(ie, false);
  } else {
    ReplaceWorkingImage(new TIEBitmap(), true);
    if (bitmap) {
      FIEBitmap->EncapsulateTBitmap(bitmap, true);
      FAttachedBitmap = bitmap;
    }
  }
  if (FAttachedComponent) FreeNotification(FAttachedComponent);
  FListenerHandle = Value->AddBitmapChangeListener(
      [this](TObject* Sender, bool Destroying) { ViewBitmapChanged(Sender, Destroying); });
}

void TImgProc::ViewBitmapChanged(TObject* /*Sender*/, bool Destroying) {
  if (Destroying) {
    if (FAttachedImg) DropDestroyedView();
    return;
  }
  if (!FAttachedImg) return;
  TBitmap* bitmap = FAttachedImg->GetBitmap();
  TIEBitmap* ie = FIEBitmapOwned ? nullptr : FAttachedImg->GetIEBitmap();
  if (ie) {
    ReplaceWorkingImage(ie, false);
    FAttachedBitmap = nullptr;
    return;
  }
  if (!FIEBitmapOwned) ReplaceWorkingImage(new TIEBitmap(), true);
  FAttachedBitmap = bitmap;
  if (bitmap) FIEBitmap->EncapsulateTBitmap(bitmap, true);
}

void TImgProc::SetAttachedBitmap(TIEBitmap* Bitmap) {
  RemoveListener();
  if (!Bitmap && FAttachedImg) return;
  FAttachedBitmap = nullptr;
  if (Bitmap) {
    ReplaceWorkingImage(Bitmap, false);
    ForgetView();
    ForgetTImage();
  } else {
    ReplaceWorkingImage(new TIEBitmap(), true);  // never without a working image
  }
}

void TImgProc::SetAttachedTImage(TImage* Value) {
  RemoveListener();
  ForgetTImage();
  if (!Value) {
    FIEBitmap->FreeImage(true);
    if (FAttachedBitmap) {
      // The bitmap stays with the TImage.
      FAttachedBitmap = nullptr;
      ReplaceWorkingImage(new TIEBitmap(), true);
    }
    return;
  }
  // Never wrap the picture into a view's or a caller's bitmap: that would
  // throw their pixels away.
  if (!FIEBitmapOwned) ReplaceWorkingImage(new TIEBitmap(), true);
  FAttachedTImage = Value;
  FAttachedBitmap = Value->Picture()->Bitmap();
  FIEBitmap->EncapsulateTBitmap(FAttachedBitmap, true);
  FreeNotification(Value);
  ForgetView();
}

void TImgProc::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove || !AComponent) return;
  if (AComponent == FAttachedComponent) {
    DropDestroyedView();
  } else if (AComponent == FAttachedTImage) {
    // Its bitmap is already gone: drop the image that wrapped it unread.
    FAttachedTImage = nullptr;
    FAttachedBitmap = nullptr;
    ReplaceWorkingImage(new TIEBitmap(), true);
  }
}

TColor TImgProc::Background() const { return FAttachedImg ? FAttachedImg->Background() : FBackground; }

void TImgProc::SetBackground(TColor Value) {
  if (FAttachedImg)
    FAttachedImg->SetBackground(Value);
  else
    FBackground = Value;
}

void TImgProc::SetPreviewFont(TFont* Value) {
  if (Value) FPreviewFont->Assign(Value);
}

TIEImgViewServices* TImgProc::ImgViewServices() const { return dynamic_cast<TIEImgViewServices*>(FAttachedImg); }

// ---- Frame ---------------------------------------------------------------------------

bool TImgProc::CheckBitmap(TIEPixelFormatSet Formats) {
  if (!FIEBitmap) return false;
  if (FAttachedBitmap) FIEBitmap->EncapsulateTBitmap(FAttachedBitmap, false);
  if (Formats.Empty()) return true;
  const TIEPixelFormat pf = FIEBitmap->PixelFormat();
  return static_cast<uint8_t>(pf) <= 15 && Formats.Contains(pf);
}

void TImgProc::Update() {
  if (FAttachedBitmap) FIEBitmap->RemoveAlphaChannel();
  if (FAttachedImg) {
    FAttachedImg->Update();
    FAttachedImg->ImageChange();
  } else if (FAttachedBitmap) {
    FAttachedBitmap->SetModified(true);
  }
}

bool TImgProc::GetSelection(int32_t& X1, int32_t& Y1, int32_t& X2, int32_t& Y2, TIEMask*& Mask, const TPoint*& Points,
                            int32_t& PointCount) {
  if (FAttachedBitmap) FIEBitmap->EncapsulateTBitmap(FAttachedBitmap, false);
  X1 = 0;
  Y1 = 0;
  X2 = FIEBitmap->Width();
  Y2 = FIEBitmap->Height();
  Mask = nullptr;
  Points = nullptr;
  PointCount = 0;
  TIEImgViewServices* view = ImgViewServices();
  if (!view) return false;
  Mask = view->SelectionMask();
  if (!view->HasSelection()) return false;
  if (Mask && !Mask->IsEmpty()) {
    X1 = Mask->X1();
    Y1 = Mask->Y1();
    X2 = Mask->X2() + 1;
    Y2 = Mask->Y2() + 1;
  }
  Points = view->GetSelectionPoints();
  PointCount = view->GetSelectionPointCount();
  return true;
}

bool TImgProc::BeginImageProcessing(TIEPixelFormatSet Formats, const String& Caption, int32_t& X1, int32_t& Y1,
                                    int32_t& X2, int32_t& Y2, TIEMask*& Mask, TIEBitmap*& Work) {
  if (!CheckBitmap(Formats)) return false;
  if (FAutoUndo) SaveUndoCaptioned(Caption, ieuImage);
  const TPoint* points = nullptr;
  int32_t pointCount = 0;
  GetSelection(X1, Y1, X2, Y2, Mask, points, pointCount);
  if (!Mask || Mask->IsEmpty()) {
    Work = FIEBitmap;
    X1 = 0;
    Y1 = 0;
    X2 = FIEBitmap->Width();
    Y2 = FIEBitmap->Height();
    return true;
  }
  const int32_t w = Mask->X2() - Mask->X1() + 1, h = Mask->Y2() - Mask->Y1() + 1;
  auto work = std::make_unique<TIEBitmap>();
  work->Allocate(w, h, FIEBitmap->PixelFormat());
  // CopyRectTo leaves the palette behind; the worker needs it.
  if (FIEBitmap->PixelFormat() == TIEPixelFormat::ie8p) {
    TRGB c;
    for (int32_t i = 0; i < FIEBitmap->PaletteLength() && i < work->PaletteLength(); ++i) {
      FIEBitmap->GetPaletteColor(i, c);
      work->SetPaletteColor(i, c);
    }
  }
  FIEBitmap->CopyRectTo(work.get(), Mask->X1(), Mask->Y1(), 0, 0, w, h);
  X1 = 0;
  Y1 = 0;
  X2 = w;
  Y2 = h;
  Work = work.release();
  return true;
}

void TImgProc::EndImageProcessing(TIEBitmap* Work, TIEMask* Mask) {
  if (Work && Work != FIEBitmap) {
    if (Mask) {
      // A palette change (Negative on ie8p) is made on Work's copy of the
      // palette and belongs to the whole image.
      if (Work->PixelFormat() == TIEPixelFormat::ie8p && FIEBitmap->PixelFormat() == TIEPixelFormat::ie8p) {
        TRGB c;
        for (int32_t i = 0; i < Work->PaletteLength() && i < FIEBitmap->PaletteLength(); ++i) {
          Work->GetPaletteColor(i, c);
          FIEBitmap->SetPaletteColor(i, c);
        }
      }
      Mask->CopyBitmap(FIEBitmap, Work, false, true, false);
      if (Work->HasAlphaChannel() && !Work->AlphaChannel()->Full()) {
        Mask->CopyBitmap(FIEBitmap->AlphaChannel(), Work->AlphaChannel(), false, true, false);
        FIEBitmap->AlphaChannel()->SetFull(false);
      }
    }
    delete Work;
  }
  Update();
}

// ---- Undo and redo -------------------------------------------------------------------

bool TImgProc::SaveEntry(TUndoList& List, TStringList& Captions, int32_t Kind) {
  auto entry = std::make_unique<TUndoEntry>();
  if (Kind == ieuImage) {
    if (!CheckBitmap({}) || FIEBitmap->Width() < 2 || FIEBitmap->Height() < 2) return false;
    entry->Bitmap = std::make_unique<TIEBitmap>();
    entry->Bitmap->SetMemoryThreshold(0);
    entry->Bitmap->SetLocation(UndoLocation);
    entry->Bitmap->Assign(FIEBitmap);
  } else if (Kind == ieuSelection) {
    TIEImgViewServices* view = ImgViewServices();
    if (!view) return false;
    entry->Stream = std::make_unique<TMemoryStream>();
    view->SaveSelectionToStream(entry->Stream.get());
  } else {
    return false;
  }
  while (static_cast<int32_t>(List.size()) >= FUndoLimit && !List.empty()) {
    List.erase(List.begin());
    if (Captions.Count() > 0) Captions.Delete(0);
  }
  List.push_back(std::move(entry));
  Captions.Add("");
  return true;
}

void TImgProc::SaveUndo(int32_t Kind) { FLastSaveAdded = SaveEntry(FUndoList, FUndoCaptions, Kind); }
void TImgProc::SaveRedo(int32_t Kind) { FLastSaveAdded = SaveEntry(FRedoList, FRedoCaptions, Kind); }

void TImgProc::SaveUndoCaptioned(const String& Caption, int32_t Kind) {
  if (!CheckBitmap({}) || FIEBitmap->Width() < 2 || FIEBitmap->Height() < 2) return;
  FLastSaveAdded = false;
  SaveUndo(Kind);
  if (FLastSaveAdded && FUndoCaptions.Count() > 0) FUndoCaptions.Put(FUndoCaptions.Count() - 1, Caption);
}

void TImgProc::SaveRedoCaptioned(const String& Caption, int32_t Kind) {
  if (!CheckBitmap({}) || FIEBitmap->Width() < 2 || FIEBitmap->Height() < 2) return;
  FLastSaveAdded = false;
  SaveRedo(Kind);
  if (FLastSaveAdded && FRedoCaptions.Count() > 0) FRedoCaptions.Put(FRedoCaptions.Count() - 1, Caption);
}

void TImgProc::RestoreEntry(TUndoList& List, int32_t Index) {
  if (!CheckBitmap({}) || Index < 0 || Index >= static_cast<int32_t>(List.size())) return;
  TUndoEntry& e = *List[List.size() - 1 - static_cast<size_t>(Index)];
  if (e.Bitmap) {
    FIEBitmap->Assign(e.Bitmap.get());
    Update();
  } else if (e.Stream) {
    if (TIEImgViewServices* view = ImgViewServices()) {
      e.Stream->SetPosition(0);
      view->LoadSelectionFromStream(e.Stream.get());
    }
  }
}

void TImgProc::UndoAt(int32_t Index) { RestoreEntry(FUndoList, Index); }
void TImgProc::RedoAt(int32_t Index) { RestoreEntry(FRedoList, Index); }

void TImgProc::ClearRedo() {
  if (FRedoList.empty()) return;
  FRedoList.pop_back();
  if (FRedoCaptions.Count() > 0) FRedoCaptions.Delete(FRedoCaptions.Count() - 1);
}

void TImgProc::ClearAllUndo() {
  while (!FUndoList.empty()) {
    FUndoList.erase(FUndoList.begin());
    if (FUndoCaptions.Count() > 0) FUndoCaptions.Delete(0);
  }
}

void TImgProc::ClearAllRedo() {
  while (!FRedoList.empty()) {
    FRedoList.erase(FRedoList.begin());
    if (FRedoCaptions.Count() > 0) FRedoCaptions.Delete(0);
  }
}

String TImgProc::UndoCaptions(int32_t Index) const {
  return Index >= 0 && Index < FUndoCaptions.Count() ? FUndoCaptions.Strings(Index) : String();
}
String TImgProc::RedoCaptions(int32_t Index) const {
  return Index >= 0 && Index < FRedoCaptions.Count() ? FRedoCaptions.Strings(Index) : String();
}

TIEBitmap* TImgProc::UndoBitmap(int32_t Index) const {
  if (Index < 0 || Index >= static_cast<int32_t>(FUndoList.size())) return nullptr;
  return FUndoList[FUndoList.size() - 1 - static_cast<size_t>(Index)]->Bitmap.get();
}
