// The skin library's own texts (system-menu captions, caption-button hints,
// edit menu and message-dialog captions) by name, as NAME=text lines an
// application may translate, with built-in texts when it has none.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/rtl/components.h"
#include "platform/rtl/stringlist.h"
#include "platform/rtl/typinfo.h"

class TbsResourceStrData : public TComponent {
 public:
  explicit TbsResourceStrData(TComponent* AOwner);
  ~TbsResourceStrData() override;
  const char* ClassName() const override { return "TbsResourceStrData"; }

  TStrings* ResStrings() const { return FResStrings.get(); }
  // Copies the lines.
  void SetResStrings(TStrings* Value);
  // Stored and streamed; text is drawn as UTF-8 whatever it says.
  uint8_t CharSet() const { return FCharSet; }
  void SetCharSet(uint8_t Value) { FCharSet = Value; }

  // Everything after the first "=" of the first line whose name matches
  // (ignoring case); "" when no line has that name.
  String GetResStr(const String& ResName) const;
  // Appends the default lines (the list is not cleared first).
  void LoadDefaults();

 private:
  std::unique_ptr<TStringList> FResStrings;
  uint8_t FCharSet = 1;  // DEFAULT_CHARSET
};

const TClassInfo& ResourceStrDataClassInfo();

// The built-in text of Name, "" for a name without one.
String BuiltInResStr(const String& Name);
// The text every user of these texts shows: GetResStr of ResStrData when
// there is one, else the built-in text.
String SkinResStr(const TbsResourceStrData* ResStrData, const String& Name);

// Registers the skin library's streamed classes (texts and stored skins);
// calling it again does nothing.
void RegisterSkinDataClasses();
