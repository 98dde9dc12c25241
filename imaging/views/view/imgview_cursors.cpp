// The view's cursors: embedded cursor files installed as screen cursors
// 1777 + their index.
#include "imaging/views/view/imgview.h"
#include "imaging/views/view/viewresources.h"
#include "platform/vcl/forms.h"

namespace {

struct TViewCursor {
  int32_t Index;
  const char* Resource;
};

// Indices 3 and 5 are the application's (its cross and closed hand); 20 to
// 33 stay unset.
constexpr TViewCursor ViewCursors[] = {
    {1, "ZOOMMENO"}, {2, "ZOOMPIU"}, {4, "GOMMA"},    {6, "PENNA"},    {7, "CROCE1"},   {8, "CROCE3"},
    {9, "MOVE2"},    {10, "MOVEY"},  {11, "MOVE1"},   {12, "MOVEX"},   {13, "MOVE"},    {14, "CROCE3+"},
    {15, "CROCE3-"}, {16, "CROCE2"}, {17, "CROCE2+"}, {18, "CROCE2-"}, {19, "CROCE2-"},
};

}  // namespace

void TImgView::LoadViewCursors() {
  if (!Screen) return;
  InitViewResources();
  for (const TViewCursor& c : ViewCursors) {
    // A cursor that cannot be loaded leaves its screen cursor unset.
    if (HCURSOR cursor = LoadCursor(nullptr, c.Resource)) Screen->SetCursors(IECursorBase + c.Index, cursor);
  }
}
