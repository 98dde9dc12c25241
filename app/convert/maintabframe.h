// The frame side of the main window's page interface. The window asks for a
// page's drop target and tree by functions that carry the names the tabs
// give those very controls; the tabs answer through the two functions below,
// and their control fields of the same names hide these inside the tabs.
#pragma once

#include "app/main/maintab.h"
#include "platform/vcl/forms.h"

class TMainTabFrame : public TFrame, public IMainTab {
 public:
  explicit TMainTabFrame(TComponent* AOwner) : TFrame(AOwner) {}
  const char* ClassName() const override { return "TMainTabFrame"; }

  TDropFileTarget* DropFileTarget() override { return PageDropTarget(); }
  TWinControl* TreeView() override { return PageTree(); }

 protected:
  virtual TDropFileTarget* PageDropTarget() = 0;
  virtual TWinControl* PageTree() = 0;
};
