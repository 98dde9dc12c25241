#include "skin/engine/data/resstrdata.h"

#include <cstring>
#include <iterator>

#include "skin/engine/data/storedskin.h"

namespace {

const char* const kDefaultLines[] = {
    "MI_MINCAPTION=Mi&nimize",
    "MI_MAXCAPTION=Ma&ximize",
    "MI_CLOSECAPTION=&Close",
    "MI_RESTORECAPTION=&Restore",
    "MI_MINTOTRAYCAPTION=Minimize to &Tray",
    "MI_ROLLUPCAPTION=Ro&llUp",
    "MINBUTTON_HINT=Minimize",
    "MAXBUTTON_HINT=Maximize",
    "CLOSEBUTTON_HINT=Close",
    "TRAYBUTTON_HINT=Minimize to Tray",
    "ROLLUPBUTTON_HINT=Roll Up",
    "MENUBUTTON_HINT=System menu",
    "EDIT_UNDO=Undo",
    "EDIT_COPY=Copy",
    "EDIT_CUT=Cut",
    "EDIT_PASTE=Paste",
    "EDIT_DELETE=Delete",
    "EDIT_SELECTALL=Select All",
    "MSG_BTN_YES=&Yes",
    "MSG_BTN_NO=&No",
    "MSG_BTN_OK=OK",
    "MSG_BTN_CANCEL=Cancel",
    "MSG_BTN_ABORT=&Abort",
    "MSG_BTN_RETRY=&Retry",
    "MSG_BTN_IGNORE=&Ignore",
    "MSG_BTN_ALL=&All",
    "MSG_BTN_NOTOALL=N&oToAll",
    "MSG_BTN_YESTOALL=&YesToAll",
    "MSG_BTN_HELP=&Help",
    "MSG_BTN_OPEN=&Open",
    "MSG_BTN_SAVE=&Save",
    "MSG_BTN_CLOSE=Close",
    "MSG_BTN_BACK_HINT=Go To Last Folder Visited",
    "MSG_BTN_UP_HINT=Up One Level",
    "MSG_BTN_NEWFOLDER_HINT=Create New Folder",
    "MSG_BTN_VIEWMENU_HINT=View Menu",
    "MSG_BTN_STRETCH_HINT=Stretch Picture",
    "MSG_FILENAME=File name:",
    "MSG_FILETYPE=File type:",
    "MSG_NEWFOLDER=New Folder",
    "MSG_LV_DETAILS=Details",
    "MSG_LV_ICON=Large icons",
    "MSG_LV_SMALLICON=Small icons",
    "MSG_LV_LIST=List",
    "MSG_PREVIEWSKIN=Preview",
    "MSG_PREVIEWBUTTON=Button",
    "MSG_OVERWRITE=Are you want to overwrite old file?",
    "MSG_CAP_WARNING=Warning",
    "MSG_CAP_ERROR=Error",
    "MSG_CAP_INFORMATION=Information",
    "MSG_CAP_CONFIRM=Confirm",
    "MSG_CAP_SHOWFLAG=Do not display this message again",
    "CALC_CAP=Calculator",
    "ERROR=Error",
    "COLORGRID_CAP=Basic colors",
    "CUSTOMCOLORGRID_CAP=Custom colors",
    "ADDCUSTOMCOLORBUTTON_CAP=Add to Custom Colors",
    "FONTDLG_COLOR=Color:",
    "FONTDLG_NAME=Name:",
    "FONTDLG_SIZE=Size:",
    "FONTDLG_HEIGHT=Height:",
    "FONTDLG_EXAMPLE=Example:",
    "FONTDLG_STYLE=Style:",
    "FONTDLG_SCRIPT=Script:",
    "DB_DELETE_QUESTION=Delete record?",
    "DB_MULTIPLEDELETE_QUESTION=Delete all selected records?",
    "NODISKINDRIVE=There is no disk in Drive or Drive is not ready",
    "NOVALIDDRIVEID=Not a valid Drive ID",
    "FLV_NAME=Name",
    "FLV_SIZE=Size",
    "FLV_TYPE=Type",
    "FLV_LOOKIN=Look in: ",
    "FLV_MODIFIED=Modified",
    "FLV_ATTRIBUTES=Attributes",
    "FLV_DISKSIZE=Disk Size",
    "FLV_FREESPACE=Free Space",
    "PRNDLG_NAME=Name:",
    "PRNDLG_PRINTER=Printer",
    "PRNDLG_PROPERTIES=Properties...",
    "PRNDLG_TYPE=Type:",
    "PRNDLG_STATUS=Status:",
    "PRNDLG_WHERE=Where:",
    "PRNDLG_COMMENT=Comment:",
    "PRNDLG_PRINTRANGE=Print range",
    "PRNDLG_COPIES=Copies",
    "PRNDLG_NUMCOPIES=Number of copies:",
    "PRNDLG_COLLATE=Collate",
    "PRNDLG_ALL=All",
    "PRNDLG_PAGES=Pages",
    "PRNDLG_SELECTION=Selection",
    "PRNDLG_PRINTTOFILE=Print to file",
    "PRNDLG_FROM=from:",
    "PRNDLG_TO=to:",
    "PRNDLG_ORIENTATION=Orientation",
    "PRNDLG_PAPER=Paper",
    "PRNDLG_PORTRAIT=Portrait",
    "PRNDLG_LANDSCAPE=Landscape",
    "PRNDLG_SOURCE=Source:",
    "PRNDLG_SIZE=Size:",
    "PRNDLG_MARGINS=Margins (millimeters)",
    "PRNDLG_MARGINS_INCHES=Margins (inches)",
    "PRNDLG_LEFT=Left:",
    "PRNDLG_RIGHT=Right:",
    "PRNDLG_TOP=Top:",
    "PRNDLG_BOTTOM=Bottom:",
    "PRNDLG_WARNING=There are no printers in your system!",
    "FIND_NEXT=Find next",
    "FIND_WHAT=Find what:",
    "FIND_DIRECTION=Direction",
    "FIND_DIRECTIONUP=Up",
    "FIND_DIRECTIONDOWN=Down",
    "FIND_MATCH_CASE=Match case",
    "FIND_MATCH_WHOLE_WORD_ONLY=Match whole word only",
    "FIND_REPLACE_WITH=Replace with:",
    "FIND_REPLACE=Replace",
    "FIND_REPLACE_All=Replace All",
    "FIND_REPLACE_CLOSE=Close",
    "MORECOLORS=More colors...",
    "AUTOCOLOR=Automatic",
    "CUSTOMCOLOR=Custom...",
};
static_assert(std::size(kDefaultLines) == 120);

// The names with a built-in text, used without a TbsResourceStrData. The
// texts are those of the default lines.
const char* const kBuiltInNames[] = {
    "MI_MINCAPTION",     "MI_MAXCAPTION",   "MI_CLOSECAPTION",     "MI_RESTORECAPTION", "MI_MINTOTRAYCAPTION",
    "MI_ROLLUPCAPTION",  "MINBUTTON_HINT",  "MAXBUTTON_HINT",      "CLOSEBUTTON_HINT",  "TRAYBUTTON_HINT",
    "ROLLUPBUTTON_HINT", "MENUBUTTON_HINT", "EDIT_UNDO",           "EDIT_COPY",         "EDIT_CUT",
    "EDIT_PASTE",        "EDIT_DELETE",     "EDIT_SELECTALL",      "MSG_BTN_YES",       "MSG_BTN_NO",
    "MSG_BTN_OK",        "MSG_BTN_CANCEL",  "MSG_BTN_ABORT",       "MSG_BTN_RETRY",     "MSG_BTN_IGNORE",
    "MSG_BTN_ALL",       "MSG_BTN_NOTOALL", "MSG_BTN_YESTOALL",    "MSG_BTN_HELP",      "MSG_CAP_WARNING",
    "MSG_CAP_ERROR",     "MSG_CAP_CONFIRM", "MSG_CAP_INFORMATION", "MSG_CAP_SHOWFLAG",
};
static_assert(std::size(kBuiltInNames) == 34);

// The text of the default line named Name, or nil.
const char* DefaultText(const String& Name) {
  for (const char* line : kDefaultLines) {
    const char* eq = std::strchr(line, '=');
    if (String(line, eq) == Name) return eq + 1;
  }
  return nullptr;
}

}  // namespace

TbsResourceStrData::TbsResourceStrData(TComponent* AOwner)
    : TComponent(AOwner), FResStrings(std::make_unique<TStringList>()) {
  LoadDefaults();
}

TbsResourceStrData::~TbsResourceStrData() = default;

void TbsResourceStrData::SetResStrings(TStrings* Value) { FResStrings->Assign(Value); }

String TbsResourceStrData::GetResStr(const String& ResName) const {
  const int32_t i = FResStrings->IndexOfName(ResName);
  if (i < 0) return "";
  const String line = FResStrings->Strings(i);
  return line.substr(line.find('=') + 1);
}

void TbsResourceStrData::LoadDefaults() {
  for (const char* line : kDefaultLines) FResStrings->Add(line);
}

const TClassInfo& ResourceStrDataClassInfo() {
  using T = TbsResourceStrData;
  static const TClassInfo info = TClassBuilder<T>("TbsResourceStrData")
                                     .Strings("ResStrings", &T::ResStrings)
                                     .Int("CharSet", &T::CharSet, &T::SetCharSet)
                                     .Build();
  return info;
}

String BuiltInResStr(const String& Name) {
  for (const char* name : kBuiltInNames)
    if (Name == name) return DefaultText(Name);
  return "";
}

String SkinResStr(const TbsResourceStrData* ResStrData, const String& Name) {
  return ResStrData != nullptr ? ResStrData->GetResStr(Name) : BuiltInResStr(Name);
}

void RegisterSkinDataClasses() {
  RegisterClass(ResourceStrDataClassInfo());
  RegisterClass(CompressedStoredSkinClassInfo());
}
