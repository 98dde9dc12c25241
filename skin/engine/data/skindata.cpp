#include "skin/engine/data/skindata.h"

#include "platform/gui/windows.h"
#include "platform/rtl/inifiles.h"
#include "platform/vcl/forms.h"
#include "skin/engine/data/skinini.h"
#include "skin/engine/data/skinmessages.h"
#include "skin/engine/data/skinzlib.h"

namespace {

template <class List>
int32_t IndexOfSection(const List& Descriptions, const String& Name) {
  for (size_t i = 0; i < Descriptions.size(); ++i)
    if (Descriptions[i]->SectionName == Name) return static_cast<int32_t>(i);
  return -1;
}

void SendToForm(TCustomForm* Form, uint32_t Msg, WPARAM SkinData) {
  SendMessage(Form->Handle(), Msg, SkinData, bsSkinMessageLParam);
}

}  // namespace

// ---- Contents -------------------------------------------------------------------

TbsSkinContents::TbsSkinContents() : ActivePictureNames(std::make_unique<TStringList>()) {}

void ReadSkinContents(const String& IniText, TbsSkinContents& Contents) {
  TMemIniFile ini("");
  ini.SetText(IniText);
  Contents.SkinName = ini.ReadString("VERSION", "skinname", "");
  Contents.SkinAuthor = ini.ReadString("VERSION", "skinauthor", "");
  Contents.AuthorEmail = ini.ReadString("VERSION", "authoremail", "");
  Contents.AuthorURL = ini.ReadString("VERSION", "authorurl", "");
  Contents.SkinComments = ini.ReadString("VERSION", "skincomments", "");
  Contents.MainPictureName = ini.ReadString("PICTURES", "picture", "");
  Contents.InactivePictureName = ini.ReadString("PICTURES", "inactivepicture", "");
  Contents.MaskPictureName = ini.ReadString("PICTURES", "mask", "");
  ReadIniStrings(&ini, "PICTURES", "activepictures", Contents.ActivePictureNames.get());
  Contents.FormInfo.LoadFromIni(&ini, !Contents.MaskPictureName.empty());
  Contents.PopupWindowData.LoadFromIni(&ini);
  Contents.HintWindowData.LoadFromIni(&ini);
  Contents.SkinColors.LoadFromIni(&ini);
  LoadSkinObjects(&ini, Contents.SkinObjects);
  LoadSkinControls(&ini, Contents.ControlDescriptions);
}

bool StageSkin(TbsCompressedStoredSkin* Container, TbsStagedSkin& Staged) {
  TMemoryStream data;
  Container->DecompressToStream(&data);
  if (!ReadSkinLayout(&data, Staged.Layout)) return false;
  ReadSkinContents(Staged.Layout.IniText, Staged.Contents);
  return true;
}

// ---- TbsSkinData ----------------------------------------------------------------

TbsSkinData::TbsSkinData(TComponent* AOwner)
    : TComponent(AOwner),
      MainPicture(std::make_unique<TBitmap>()),
      InactivePicture(std::make_unique<TBitmap>()),
      MaskPicture(std::make_unique<TBitmap>()) {}

TbsSkinData::~TbsSkinData() {
  Empty = true;
  ClearLists();
}

void TbsSkinData::SetReference(TComponent* Old, TComponent* New) {
  if (Old == New) return;
  if (Old != nullptr) Old->RemoveFreeNotification(this);
  if (New != nullptr) New->FreeNotification(this);
}

void TbsSkinData::SetSkinnableForm(bool Value) {
  if (FSkinnableForm == Value) return;
  FSkinnableForm = Value;
  if (!ComponentState().Contains(TComponentStateItem::csLoading)) SendSkinMessage(WM_SKIN_SKINNABLECHANGED);
}

void TbsSkinData::SetCompressedStoredSkin(TbsCompressedStoredSkin* Value) {
  SetReference(FCompressedStoredSkin, Value);
  FCompressedStoredSkin = Value;
  if (Value != nullptr) LoadCompressedStoredSkin(Value);
}

void TbsSkinData::SetResourceStrData(TbsResourceStrData* Value) {
  SetReference(FResourceStrData, Value);
  FResourceStrData = Value;
  SendSkinMessage(WM_SKIN_RESSTRCHANGED);
}

void TbsSkinData::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == FCompressedStoredSkin) FCompressedStoredSkin = nullptr;
  if (AComponent == FResourceStrData) FResourceStrData = nullptr;
}

int32_t TbsSkinData::GetIndex(const String& Name) const { return IndexOfSection(SkinObjects, Name); }

int32_t TbsSkinData::GetControlIndex(const String& Name) const { return IndexOfSection(ControlDescriptions, Name); }

void TbsSkinData::SendSkinMessage(uint32_t Msg) {
  // A handler may free a form: the list is taken first and re-checked.
  auto* ownerForm = dynamic_cast<TCustomForm*>(Owner());
  std::vector<TComponentRef<TCustomForm>> forms;
  if (ownerForm != nullptr) forms.emplace_back(ownerForm);
  for (int32_t i = 0; Screen != nullptr && i < Screen->FormCount(); ++i)
    if (Screen->Forms(i) != ownerForm) forms.emplace_back(Screen->Forms(i));
  const auto self = reinterpret_cast<WPARAM>(this);
  for (const TComponentRef<TCustomForm>& form : forms)
    if (form) SendToForm(form.Get(), Msg, self);
}

void TbsSkinData::ClearLists() {
  SkinObjects.clear();
  ControlDescriptions.clear();
  ActivePictures.clear();
  PopupWindowData.WindowPictureIndex = -1;
  HintWindowData.WindowPictureIndex = -1;
  ActivePictureNames->Clear();
  SkinColors.SetDefault();
}

void TbsSkinData::ClearAll() {
  ClearLists();
  MainPicture->Assign(nullptr);
  InactivePicture->Assign(nullptr);
  MaskPicture->Assign(nullptr);
  MainPictureName.clear();
  MaskPictureName.clear();
  Empty = true;
}

bool TbsSkinData::LoadCompressedStoredSkin(TbsCompressedStoredSkin* Container) {
  if (Container == nullptr || Container->IsEmpty()) return false;
  TbsStagedSkin staged;
  if (!StageSkin(Container, staged)) return false;
  InstallSkin(staged);
  return true;
}

void TbsSkinData::InstallSkin(TbsStagedSkin& Staged) {
  Empty = true;
  SkinChanging = true;
  SendSkinMessage(WM_SKIN_BEFORECHANGE);
  ClearAll();
  static_cast<TbsSkinContents&>(*this) = std::move(Staged.Contents);
  MainPicture->Assign(Staged.Layout.MainPicture.get());
  InactivePicture->Assign(Staged.Layout.InactivePicture.get());
  MaskPicture->Assign(Staged.Layout.MaskPicture.get());
  ActivePictures = std::move(Staged.Layout.ActivePictures);
  Empty = false;
  SendSkinMessage(WM_SKIN_CHANGE);
  SkinChanging = false;
  SendSkinMessage(WM_SKIN_AFTERCHANGE);
}
