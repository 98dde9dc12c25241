#include "imaging/io/core/ieimgmio.h"

#include <algorithm>
#include <utility>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/processing/ieview.h"
#include "platform/gui/canvas.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/exceptions.h"
#include "platform/vcl/forms.h"
#include "platform/rtl/scopeguard.h"

TImgMIO::TImgMIO(TComponent* AOwner)
    : TComponent(AOwner),
      FTWainParams(std::make_unique<TIETWainParams>(true)),
      FPreviewFont(std::make_unique<TFont>()) {}

TImgMIO::~TImgMIO() {
  RemoveListener();
  while (!FRecords.empty()) FRecords.pop_back();
  FTWainParams.reset();
  FWia.reset();
  FPreviewFont.reset();
}

TIEMViewServices* TImgMIO::Thumbnails() const {
  if (FView == nullptr) return nullptr;
  auto* thumbs = dynamic_cast<TIEMViewServices*>(FView);
  if (thumbs == nullptr) throw EInvalidCast("Invalid class typecast");
  return thumbs;
}

void TImgMIO::RemoveListener() {
  if (FView != nullptr && FListenerHandle >= 0) FView->RemoveBitmapChangeListener(FListenerHandle);
  FListenerHandle = -1;
  if (FViewComponent != nullptr) FViewComponent->RemoveFreeNotification(this);
  FViewComponent = nullptr;
}

void TImgMIO::SetAttachedMView(TIEView* View) {
  RemoveListener();
  FView = View;
  if (View == nullptr) return;
  FViewComponent = View->ViewComponent();
  if (FViewComponent != nullptr) FViewComponent->FreeNotification(this);
  FListenerHandle =
      View->AddBitmapChangeListener([this](TObject* Sender, bool Destroying) { ViewChanged(Sender, Destroying); });
  TIEMViewServices* thumbs = Thumbnails();
  while (GetParamsCount() < thumbs->GetImageCount()) InsertParams(GetParamsCount());
}

void TImgMIO::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent != nullptr && AComponent == FViewComponent) {
    // The view is going: its listener list goes with it.
    FListenerHandle = -1;
    FViewComponent = nullptr;
    FView = nullptr;
  }
}

void TImgMIO::ViewChanged(TObject*, bool Destroying) {
  if (Destroying) {
    FListenerHandle = -1;
    if (FViewComponent != nullptr) FViewComponent->RemoveFreeNotification(this);
    FViewComponent = nullptr;
    FView = nullptr;
    return;
  }
  TIEMViewServices* thumbs = Thumbnails();
  if (thumbs == nullptr) return;
  const int32_t index = thumbs->GetLastOperationIndex();
  const int32_t target = thumbs->GetLastOperationTarget();
  switch (thumbs->GetLastOperation()) {
    case IEMV_OP_INSERT: InsertParams(index); break;
    case IEMV_OP_DELETE: DeleteParams(index); break;
    case IEMV_OP_MOVE: MoveParams(index, target); break;
    case IEMV_OP_SWAP: SwapParams(index, target); break;
    default: break;
  }
}

TIOParamsVals* TImgMIO::GetParams(int32_t Index) {
  return Index >= 0 && Index < GetParamsCount() ? FRecords[size_t(Index)].get() : nullptr;
}

void TImgMIO::InsertParams(int32_t Index) {
  auto record = std::make_unique<TIOParamsVals>(nullptr);
  record->SetDefaults();
  const int32_t count = GetParamsCount();
  if (count > 0) record->Assign(FRecords[size_t(std::clamp(Index, 0, count - 1))].get());
  // Past the end appends (the list call had no range check).
  const int32_t at = std::clamp(Index, 0, count);
  FRecords.insert(FRecords.begin() + at, std::move(record));
}

void TImgMIO::DeleteParams(int32_t Index) {
  if (Index < 0 || Index >= GetParamsCount()) return;
  FRecords.erase(FRecords.begin() + Index);
}

void TImgMIO::MoveParams(int32_t Index, int32_t NewIndex) {
  const int32_t count = GetParamsCount();
  if (Index < 0 || Index >= count || NewIndex < 0 || Index == NewIndex) return;
  std::unique_ptr<TIOParamsVals> record = std::move(FRecords[size_t(Index)]);
  FRecords.erase(FRecords.begin() + Index);
  const int32_t at = std::min(NewIndex, int32_t(FRecords.size()));
  FRecords.insert(FRecords.begin() + at, std::move(record));
}

void TImgMIO::SwapParams(int32_t Index1, int32_t Index2) {
  const int32_t count = GetParamsCount();
  if (Index1 < 0 || Index1 >= count || Index2 < 0 || Index2 >= count) return;
  std::swap(FRecords[size_t(Index1)], FRecords[size_t(Index2)]);
}

void TImgMIO::SpreadFirstParams() {
  if (FRecords.empty()) return;
  TIOParamsVals first(nullptr);
  first.AssignCompression(FRecords[0].get());
  for (size_t i = 1; i < FRecords.size(); ++i) FRecords[i]->AssignCompression(&first);
}

bool TImgMIO::DoPreviews(int32_t Index, TIEPreviewPages Pages) {
  if (FView == nullptr) return false;
  TIEMViewServices* thumbs = Thumbnails();
  if (thumbs->GetImageCount() > 0 && thumbs->SelectedIndex() < 0) thumbs->SetSelectedImage(0);
  TIEBitmap* shown = FView->GetIEBitmap();
  if (shown == nullptr || !IEPreviewsDialogFactory) return false;
  TIEPreviewsDialog* dialog = IEPreviewsDialogFactory(this);
  if (dialog == nullptr) return false;
  TIEBitmap copy;
  copy.Assign(shown);
  bool result = false;
  auto done = [&] {
    dialog->FirstView()->SetExternalBitmap(nullptr);
    dialog->Release();
    if (Index < 0) SpreadFirstParams();
    UpdateView();
  };
  {
    auto cleanup = ScopeExit([&] { done(); });
    dialog->SetLockPreview(PreviewsParams.Contains(TIOPreviewsParamsItem::ioppDefaultLockPreview));
    dialog->SetSimplified(SimplifiedParamsDialogs);
    if (SimplifiedParamsDialogs) {
      const int32_t ppi = Screen ? Screen->PixelsPerInch() : 96;
      dialog->SetPageControlHeight(static_cast<int32_t>(Trunc(ppi * 1.2708333333333333)));
      dialog->SetFormHeight(static_cast<int32_t>(Trunc(ppi * 3.4375)));
    }
    dialog->SetMonoConversion(MonoConversion);
    dialog->SetParams(GetParams(Index < 0 ? 0 : Index));
    dialog->SetPreviewFont(FPreviewFont.get());
    dialog->FirstView()->SetExternalBitmap(&copy);
    dialog->FirstViewBase()->Update();
    if (dialog->SelectPages(Pages)) result = dialog->ShowModal() == 1;
  }
  return result;
}

void TImgMIO::UpdateView() {
  if (FView == nullptr) return;
  FView->Update();
  FView->ImageChange();
}

void TImgMIO::DoFinishWork() {
  if (OnProgress) OnProgress(this, 100);
  if (OnFinishWork) OnFinishWork(this);
}

TIEWia* TImgMIO::GetWIAParams() {
  if (!FWia) FWia = std::make_unique<TIEWia>(this);
  return FWia.get();
}

void TImgMIO::SetPreviewFont(TFont* Value) {
  if (Value != nullptr) FPreviewFont->Assign(Value);
}

void TImgMIO::AcquiredBitmap(TIEBitmap* Bitmap, TIOParamsVals*& ParamsOut) {
  bool handled = false;
  if (OnAcquireBitmap) OnAcquireBitmap(this, Bitmap, handled);
  if (handled || FView == nullptr) return;
  TIEMViewServices* thumbs = Thumbnails();
  AcquirePosition = std::max(0, std::min(AcquirePosition, thumbs->GetImageCount()));
  thumbs->InsertImage(AcquirePosition);  // the listener inserts the record
  ParamsOut = GetParams(AcquirePosition);
  TIEBitmap* stored = Bitmap;
  if (AutoAdjustDPI && ParamsOut != nullptr) stored = IEAdjustDPIBitmap(Bitmap, *ParamsOut, FilteredAdjustDPI);
  thumbs->SetImageBitmap(AcquirePosition, stored);
  if (stored != Bitmap) delete stored;
  thumbs->SetImageDelayTime(AcquirePosition, 100);
  ++AcquirePosition;
}
