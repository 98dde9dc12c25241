// The skin in force: the pictures and every description of one loaded skin,
// the look-ups by section name, and the skin-change messages that tell every
// form of the application when it changes.
//
// References to descriptions are indexes (GetIndex, GetControlIndex), valid
// only until the next skin change: the descriptions are freed and rebuilt by
// every load. No object keeps a pointer to a description, a picture of
// ActivePictures or a list item past one paint or layout pass; look it up
// again by name each time. MainPicture, InactivePicture and MaskPicture stay
// the same objects for the skin data's life.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gui/graphics.h"
#include "platform/rtl/components.h"
#include "platform/rtl/stringlist.h"
#include "skin/engine/data/resstrdata.h"
#include "skin/engine/data/skincontroldata.h"
#include "skin/engine/data/skinobjects.h"
#include "skin/engine/data/storedskin.h"

// What a skin's ini text gives: a load parses all of it aside and moves it
// into the skin data only once the whole skin has been read.
struct TbsSkinContents {
  TbsSkinContents();

  String SkinName, SkinAuthor, AuthorURL, AuthorEmail, SkinComments;
  String MainPictureName, InactivePictureName, MaskPictureName;
  std::unique_ptr<TStringList> ActivePictureNames;
  TbsSkinFormInfo FormInfo;
  TbsDataSkinPopupWindow PopupWindowData;
  TbsDataSkinHintWindow HintWindowData;
  TbsSkinColors SkinColors;
  TbsSkinObjectList SkinObjects;
  TbsSkinControlList ControlDescriptions;
};

// Reads every section of a skin's ini text in the loader's order: VERSION,
// PICTURES, FORMINFO (normalised for a mask when PICTURES names one),
// POPUPWINDOW, HINTWINDOW, SKINCOLORS, SKINOBJECTS, SKINCONTROLS.
// EConvertError for a malformed value.
void ReadSkinContents(const String& IniText, TbsSkinContents& Contents);

// A whole skin read from a container, not yet in force.
struct TbsStagedSkin {
  TbsSkinLayout Layout;
  TbsSkinContents Contents;
};

// Inflates and reads Container entirely. False for a version above 3; the
// errors of DecompressStream, ReadSkinLayout and ReadSkinContents escape.
bool StageSkin(TbsCompressedStoredSkin* Container, TbsStagedSkin& Staged);

class TbsSkinData : public TComponent, public TbsSkinContents {
 public:
  explicit TbsSkinData(TComponent* AOwner);
  // Frees everything; sends nothing.
  ~TbsSkinData() override;
  const char* ClassName() const override { return "TbsSkinData"; }

  bool SkinnableForm() const { return FSkinnableForm; }
  // On a change, and not while loading, sends WM_SKIN_SKINNABLECHANGED.
  void SetSkinnableForm(bool Value);
  bool EnableSkinEffects() const { return FEnableSkinEffects; }
  void SetEnableSkinEffects(bool Value) { FEnableSkinEffects = Value; }
  TbsCompressedStoredSkin* CompressedStoredSkin() const { return FCompressedStoredSkin; }
  // The skin switch: stores the reference and loads a non-nil container,
  // also the one already in use.
  void SetCompressedStoredSkin(TbsCompressedStoredSkin* Value);
  TbsResourceStrData* ResourceStrData() const { return FResourceStrData; }
  // Stores the reference and sends WM_SKIN_RESSTRCHANGED, also for nil.
  void SetResourceStrData(TbsResourceStrData* Value);

  // Index of the first description whose section name is Name exactly
  // (case-sensitive); -1 when there is none or no skin is loaded.
  int32_t GetIndex(const String& Name) const;
  int32_t GetControlIndex(const String& Name) const;

  // Sends Msg (wParam this skin data, lParam 1000) to the owner when it is a
  // form, then to every other form of the screen in creation order, making
  // a form's window when it has none.
  void SendSkinMessage(uint32_t Msg);

  void ClearLists();
  // ClearLists, the three pictures emptied, MainPictureName and
  // MaskPictureName cleared, Empty set.
  void ClearAll();

  // Loads Container staged: everything is read first, and only a complete
  // skin replaces the one in force, bracketed by WM_SKIN_BEFORECHANGE,
  // WM_SKIN_CHANGE and WM_SKIN_AFTERCHANGE. An empty container or a version
  // above 3 changes nothing and answers false; an error while reading
  // escapes with the skin in force untouched and no message sent.
  bool LoadCompressedStoredSkin(TbsCompressedStoredSkin* Container);

  // True while no skin is loaded.
  bool Empty = true;
  // True from the start of a switch until just before WM_SKIN_AFTERCHANGE.
  bool SkinChanging = false;
  std::unique_ptr<TBitmap> MainPicture, InactivePicture, MaskPicture;
  std::vector<std::unique_ptr<TBitmap>> ActivePictures;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void InstallSkin(TbsStagedSkin& Staged);
  void SetReference(TComponent* Old, TComponent* New);

  bool FSkinnableForm = true;
  bool FEnableSkinEffects = true;
  TbsCompressedStoredSkin* FCompressedStoredSkin = nullptr;
  TbsResourceStrData* FResourceStrData = nullptr;
};
