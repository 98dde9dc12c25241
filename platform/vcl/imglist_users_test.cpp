// Image lists freed before the views that show them.
#include <gtest/gtest.h>

#include <memory>

#include "platform/vcl/comctrls_listview.h"
#include "platform/vcl/comctrls_treeview.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/imglist.h"
#include "platform/vcl/vcl_testing.h"

namespace {

class VclImageListUsers : public TVclTest {};

}  // namespace

// The form frees its components last created first: the lists go before
// the views, which unregister from them when told.
TEST_F(VclImageListUsers, ListsOwnedByTheFormGoBeforeTheirViews) {
  auto form = std::make_unique<TForm>(nullptr);
  auto* tree = new TTreeView(form.get());
  tree->SetParent(form.get());
  auto* list = new TListView(form.get());
  list->SetParent(form.get());
  auto* images = new TCustomImageList(form.get(), 16, 16);
  auto* states = new TCustomImageList(form.get(), 16, 16);
  tree->SetImages(images);
  tree->SetStateImages(states);
  list->SetSmallImages(images);
  list->SetLargeImages(images);
  list->SetStateImages(states);
  form->Show();
  Pump();
  delete states;
  EXPECT_EQ(tree->StateImages(), nullptr);
  EXPECT_EQ(list->StateImages(), nullptr);
  EXPECT_EQ(tree->Images(), images);
  form.reset();
}
