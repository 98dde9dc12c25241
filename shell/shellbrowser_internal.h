// What the shell browser's two source files share.
#pragma once

#include <memory>

#include "platform/vcl/forms.h"
#include "shell/idlists.h"

using TOwnedIDList = std::unique_ptr<ITEMIDLIST, void (*)(LPITEMIDLIST)>;
inline TOwnedIDList Own(LPITEMIDLIST List) { return TOwnedIDList(List, FreeIDList); }

// The hourglass while a shell call may take time; the cursor before it comes
// back on every way out.
class THourglass {
 public:
  THourglass() : FSaved(Screen ? Screen->Cursor() : crDefault) {
    if (Screen) Screen->SetCursor(crHourGlass);
  }
  ~THourglass() {
    if (Screen) Screen->SetCursor(FSaved);
  }
  THourglass(const THourglass&) = delete;
  THourglass& operator=(const THourglass&) = delete;

 private:
  TCursor FSaved;
};
