#include <cstring>

#include "app/main/bconvert.h"
#include "app/main/maintab.h"
#include "app/main/mainresources.h"
#include "app/settings/guarded.h"
#include "platform/rtl/resources.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/menus.h"
#include "skin/engine/data/skindata.h"
#include "skin/engine/data/storedskin.h"

namespace {

// One ".skn" resource: version, size, then the compressed data.
bool ReadStoredSkin(const EmbeddedResource& Res, TMemoryStream& Packed) {
  if (Res.Size < 8) return false;
  int32_t version = 0, size = 0;
  std::memcpy(&version, Res.Data, 4);
  std::memcpy(&size, Res.Data + 4, 4);
  if (version > bsSkinDataVersion || size <= 0 || size_t(size) > Res.Size - 8) return false;
  Packed.Clear();
  Packed.WriteBuffer(Res.Data + 8, size);
  Packed.SetPosition(0);
  return true;
}

// The skin to select for a menu number text: "2" .. "10", else 1.
int32_t SkinNumber(const String& Number) {
  for (int32_t n = 2; n <= 10; ++n)
    if (Number == IntToStr(n)) return n;
  return 1;
}

}  // namespace

// Slots whose skin has not been made yet hold the first skin that exists, so
// every menu entry still gives a complete look.
void TBatchConvert::LoadStoredSkins() {
  InitMainSkins();
  int32_t first = 0;
  for (int32_t i = 1; i <= 10; ++i) {
    const EmbeddedResource* res = FindEmbeddedResource((IntToStr(i) + ".skn").c_str());
    if (res != nullptr && ReadStoredSkin(*res, *Skins[i - 1]->PackedData()) && first == 0) first = i;
  }
  if (first == 0) return;
  for (TbsCompressedStoredSkin* skin : Skins)
    if (skin->IsEmpty()) {
      skin->PackedData()->LoadFromStream(Skins[first - 1]->PackedData());
      Skins[first - 1]->PackedData()->SetPosition(0);
      skin->PackedData()->SetPosition(0);
    }
}

void TBatchConvert::SelectSkin(const String& Number) {
  for (TMenuItem* item : SkinMenus) item->SetChecked(false);
  const int32_t n = SkinNumber(Number);
  SkinMenus[n - 1]->SetChecked(true);
  bsSkinData1->SetCompressedStoredSkin(Skins[n - 1]);
  SkinWinBorder->SetChecked(FProgramSettings->SkinWinBorder);
  ApplyPlainButtonsSkin(Number);
}

// One skin draws the rename buttons badly: they are shown plain with it.
void TBatchConvert::ApplyPlainButtonsSkin(const String& Number) {
  TbsSkinData* skin = Number == "4" ? nullptr : bsSkinData1;
  for (TFrame* tab : {FConvertTab, FRenameTab})
    if (IMainTab* t = MainTabOf(tab)) Guarded([&] { t->SetPlainButtonsSkin(skin); });
}

void TBatchConvert::SkinMenu1Click(TObject* Sender) {
  if (auto* item = dynamic_cast<TMenuItem*>(Sender)) SelectSkin(IntToStr(int32_t(item->Tag())));
}

int32_t TBatchConvert::CheckedSkin() const {
  for (int32_t i = 10; i >= 2; --i)
    if (SkinMenus[i - 1]->Checked()) return i;
  return 1;
}

void TBatchConvert::StoreSkinChoice() {
  FProgramSettings->SkinNewNo = CheckedSkin();
  FProgramSettings->SkinNo = FProgramSettings->SkinNewNo;
}

void TBatchConvert::SkinWinBorderClick(TObject*) { ToggleSkinWinBorder(); }

// The new frame mode needs a restart; closing stores it.
void TBatchConvert::ToggleSkinWinBorder() {
  Guarded([&] {
    if (FConvertTab == nullptr) return;
    FProgramSettings->SkinWinBorder = !FProgramSettings->SkinWinBorder;
    if (IMainTab* t = MainTabOf(FConvertTab))
      t->ShowInformation("Restart the application for this change to take effect.");
    Close();
  });
}
