// Test support (included by *_test.cpp only): a stand-in tab that records
// what the main window asks of it, and a fixture that boots and closes the
// main window on the headless window system.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/main/bconvert.h"
#include "app/main/droptarget.h"
#include "app/main/maintab.h"
#include "app/main/tabregistry.h"
#include "app/settings/guarded_testing.h"
#include "app/settings/settingsstore.h"
#include "platform/shellapi/shellvolumes.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/vcl_testing.h"
#include "skin/controls/skinbutton.h"

class TTestTab : public TFrame, public IMainTab {
 public:
  explicit TTestTab(TComponent* AOwner) : TFrame(AOwner) {
    BntRename = new TbsSkinButton(this);
    BntRename->SetParent(this);
    BntRename->SetCaption("?");
    BntRename->SetBounds(10, 10, 25, 25);
    Tree = new TPanel(this);
    Tree->SetParent(this);
    Tree->SetBounds(10, 40, 200, 200);
    Drop = new TDropFileTarget(this);
  }
  const char* ClassName() const override { return "TTestTab"; }

  void SetMainForm(TBatchConvert* Form) override { MainForm = Form; }
  void LoadControls(TPictovalSettings&) override { ++Loads; }
  void StoreControls(TPictovalSettings&) override { ++Stores; }
  String ShellListPath() override { return Folder; }
  void OpenFolder(const String& Path) override {
    Opened.push_back(Path);
    Folder = Path;
  }
  void FinishLoading() override { ++Finished; }
  TDropFileTarget* DropFileTarget() override { return Drop; }
  TWinControl* TreeView() override { return Tree; }
  void SetPlainButtonsSkin(TbsSkinData* SkinData) override { BntRename->SetSkinData(SkinData); }
  void ShowInformation(const String& Text) override { Messages.push_back(Text); }

  TbsSkinButton* BntRename;
  TPanel* Tree;
  TDropFileTarget* Drop;
  TBatchConvert* MainForm = nullptr;
  String Folder;
  std::vector<String> Opened;
  std::vector<String> Messages;
  int32_t Loads = 0, Stores = 0, Finished = 0;
};

class TMainWindowTest : public TVclTest {
 public:
  TMainWindowTest() {
    RegisterSettingsClasses();
    Folders = ChooseSettingsFolder(ExecutableFolder());
    for (int32_t page : {0, 1})
      RegisterTabFactory(page, [this, page](TComponent* Owner, TWinControl*) -> TFrame* {
        ++FactoryCalls[page];
        Tabs[page] = new TTestTab(Owner);
        return Tabs[page];
      });
  }
  ~TMainWindowTest() override {
    delete Form;
    RegisterTabFactory(0, nullptr);
    RegisterTabFactory(1, nullptr);
    SetMountTableSource(nullptr);
  }

  // Creates, shows and activates the main window; loads it unless asked not to.
  TBatchConvert* Boot(bool Load = true) {
    App->CreateForm(Form);
    Form->Show();
    Pump();
    if (Load) this->Load();
    return Form;
  }
  void Load() { H().AdvanceClock(30); }
  // Closes as the user would and frees the window.
  void CloseAndFree() {
    Form->Close();
    Pump();
    delete Form;
    Form = nullptr;
    Tabs[0] = Tabs[1] = nullptr;
  }
  String SettingsFile() const { return Folders.SettingsFolder + kSettingsFileName; }
  std::unique_ptr<TProgramSettings> StoredSettings() { return LoadProgramSettings(Folders); }
  void Store(TProgramSettings& Settings) { SaveProgramSettings(Settings, Folders.SettingsFolder); }
  // Folders below Root count as a fixed disk.
  static void MakeFixed(const String& Root) {
    const String table = "/dev/sda1 / ext4 rw 0 0\n/dev/sdb1 " + Root + " ext4 rw 0 0\n";
    SetMountTableSource([table] { return table; });
  }

  TGuardedRecorder Recorder;
  TSettingsFolders Folders;
  TBatchConvert* Form = nullptr;
  TTestTab* Tabs[2] = {};
  int32_t FactoryCalls[2] = {};
};
