#include "skin/controls/skincombobox.h"

#include <gtest/gtest.h>

#include "skin/controls/testkit/skinkit_testing.h"

namespace {

class SkinComboBox : public TSkinKitTest {};

TEST_F(SkinComboBox, Builds) {
  auto* B = new TbsSkinComboBox(Form.get());
  B->SetParent(Form.get());
  ShowForm();
}

}  // namespace
