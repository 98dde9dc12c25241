#include "imaging/model/containers/ieannot.h"

#include <gtest/gtest.h>

#include <memory>

#include "imaging/model/containers/iemeta_testing.h"
#include "imaging/model/pixels/iebitmap.h"

using namespace metatest;

namespace {

const TOrder LEOrder{false};

// Each test starts and ends at the screen's own resolution.
class ModelAnnot : public ::testing::Test {
 protected:
  void TearDown() override { IESetAnnotScreenResolution(0, 0); }
};

TIEImagingObject* AddMark(TIEImagingAnnot& annot, int32_t type) {
  annot.Objects().push_back(std::make_unique<TIEImagingObject>());
  TIEImagingObject* object = annot.Objects().back().get();
  for (size_t i = 0; i < object->Attributes.size(); ++i) object->Attributes[i] = static_cast<uint8_t>(i * 3 + 1);
  object->SetMarkType(type);
  return object;
}

TBytes Save(const TIEImagingAnnot& annot) {
  TBytes b;
  annot.SaveToBuffer(b);
  return b;
}

// Loads from an exact-size heap copy, so that a read past the end is seen.
void Load(TIEImagingAnnot& annot, const TBytes& block, size_t length) {
  std::unique_ptr<uint8_t[]> copy(new uint8_t[std::max<size_t>(length, 1)]);
  std::copy(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(length), copy.get());
  annot.LoadFromBuffer(copy.get(), static_cast<int64_t>(length));
}

TBytes NamedBlock(int32_t record, const std::string& name, const TBytes& data) {
  TBytes n = Text(name);
  n.resize(8, 0);
  return LEOrder.U32(record) + LEOrder.U32(12) + n + LEOrder.U32(static_cast<uint32_t>(data.size())) + data;
}

TEST_F(ModelAnnot, EmptyListSavesNothing) {
  TIEImagingAnnot annot;
  EXPECT_TRUE(Save(annot).empty());
  annot.LoadFromBuffer(nullptr, 0);
  EXPECT_EQ(annot.Count(), 0);
}

TEST_F(ModelAnnot, LineMarkLayoutAndRoundTrip) {
  TIEImagingAnnot annot;
  TIEImagingObject* line = AddMark(annot, 3);
  line->Points = {{10, 20}, {-30, 40}};
  const TBytes block = Save(annot);
  const TBytes expected = LEOrder.U32(0) + LEOrder.U32(1) + NamedBlock(2, "OiGroup", Bytes({'0', 0})) +
                          NamedBlock(2, "OiIndex", Bytes({'1', 0})) + LEOrder.U32(5) + LEOrder.U32(164) +
                          TBytes(line->Attributes.begin(), line->Attributes.end()) +
                          NamedBlock(6, "OiAnoDat",
                                     LEOrder.U32(2) + LEOrder.U32(2) + LEOrder.U32(10) + LEOrder.U32(20) +
                                         LEOrder.U32(uint32_t(-30)) + LEOrder.U32(40)) +
                          NamedBlock(6, "OiGroup", Bytes({'0', 0})) + NamedBlock(6, "OiIndex", Bytes({'0', 0}));
  EXPECT_EQ(block.size(), 8u + 44 + 172 + 44 + 44);
  EXPECT_EQ(block, expected);

  TIEImagingAnnot back;
  back.LoadFromBuffer(block.data(), static_cast<int64_t>(block.size()));
  ASSERT_EQ(back.Count(), 1);
  EXPECT_EQ(back.Objects()[0]->Attributes, line->Attributes);
  EXPECT_EQ(back.Objects()[0]->Points, line->Points);
  EXPECT_EQ(back.Objects()[0]->Image, nullptr);
}

TEST_F(ModelAnnot, TextMarkCarriesItsCreationScale) {
  struct TCase {
    int32_t SaveRes, LoadRes, FontHeight, Scale, LoadedHeight;
  } cases[] = {{96, 96, 37, 750, 37}, {120, 120, 37, 600, 37}, {96, 120, 10, 750, 8}, {96, 192, 25, 750, 12}};
  for (const TCase& c : cases) {
    TIEImagingAnnot annot;
    TIEImagingObject* note = AddMark(annot, 8);
    note->Text = "note text";
    note->SetFontHeight(c.FontHeight);
    IESetAnnotScreenResolution(c.SaveRes, c.SaveRes);
    const TBytes block = Save(annot);
    // The text block follows the 8 + 44 + 172 bytes before it.
    const TBytes text = NamedBlock(6, "OiAnText",
                                   LEOrder.U32(0) + LEOrder.U32(1000) + LEOrder.U32(uint32_t(c.Scale)) +
                                       LEOrder.U32(9) + Text("note text") + Bytes({0}));
    ASSERT_GE(block.size(), 224 + text.size());
    EXPECT_EQ(TBytes(block.begin() + 224, block.begin() + 224 + static_cast<std::ptrdiff_t>(text.size())), text);
    IESetAnnotScreenResolution(c.LoadRes, c.LoadRes);
    TIEImagingAnnot back;
    back.LoadFromBuffer(block.data(), static_cast<int64_t>(block.size()));
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back.Objects()[0]->Text, "note text");
    EXPECT_EQ(back.Objects()[0]->FontHeight(), c.LoadedHeight) << c.SaveRes << " " << c.LoadRes;
  }
}

TEST_F(ModelAnnot, CreationScaleZeroKeepsTheFontHeight) {
  TIEImagingObject attributes;
  attributes.SetMarkType(7);
  attributes.SetFontHeight(14);
  const TBytes block =
      LEOrder.U32(0) + LEOrder.U32(1) + LEOrder.U32(5) + LEOrder.U32(164) +
      TBytes(attributes.Attributes.begin(), attributes.Attributes.end()) +
      NamedBlock(6, "OiAnText",
                 LEOrder.U32(0) + LEOrder.U32(1000) + LEOrder.U32(0) + LEOrder.U32(2) + Text("hi") + Bytes({0}));
  TIEImagingAnnot annot;
  annot.LoadFromBuffer(block.data(), static_cast<int64_t>(block.size()));
  ASSERT_EQ(annot.Count(), 1);
  EXPECT_EQ(annot.Objects()[0]->FontHeight(), 14);
  EXPECT_EQ(annot.Objects()[0]->Text, "hi");
}

TEST_F(ModelAnnot, ImageMarkRoundTrip) {
  TIEImagingAnnot annot;
  TIEImagingObject* picture = AddMark(annot, 1);
  picture->Image = std::make_unique<TIEBitmap>();
  picture->Image->Allocate(5, 3, TIEPixelFormat::ie24RGB);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 5; ++x) *picture->Image->PixelRGB(x, y) = MakeTRGB(uint8_t(x * 50), uint8_t(y * 80), 7);
  AddMark(annot, 4)->Points = {{1, 2}};
  const TBytes block = Save(annot);

  TIEImagingAnnot back;
  back.LoadFromBuffer(block.data(), static_cast<int64_t>(block.size()));
  ASSERT_EQ(back.Count(), 2);
  TIEBitmap* image = back.Objects()[0]->Image.get();
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(image->Width(), 5);
  ASSERT_EQ(image->Height(), 3);
  ASSERT_EQ(image->PixelFormat(), TIEPixelFormat::ie24RGB);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(*image->PixelRGB(x, y), *picture->Image->PixelRGB(x, y));
  EXPECT_EQ(back.Objects()[1]->Points, (std::vector<TPoint>{{1, 2}}));

  // Assign copies deeply.
  TIEImagingAnnot copy;
  copy.Assign(&back);
  back.Clear();
  ASSERT_EQ(copy.Count(), 2);
  ASSERT_NE(copy.Objects()[0]->Image, nullptr);
  EXPECT_EQ(*copy.Objects()[0]->Image->PixelRGB(4, 2), MakeTRGB(200, 160, 7));
}

TEST_F(ModelAnnot, DefaultBlocksAloneMakeNoMark) {
  const TBytes block = LEOrder.U32(0) + LEOrder.U32(1) + NamedBlock(2, "OiGroup", Bytes({'0', 0})) +
                       NamedBlock(6, "OiAnText", TBytes(20, 1)) + LEOrder.U32(77) + LEOrder.U32(0);
  TIEImagingAnnot annot;
  annot.LoadFromBuffer(block.data(), static_cast<int64_t>(block.size()));
  EXPECT_EQ(annot.Count(), 0);
}

// Every prefix of a block reads inside it and yields whole marks only.
TEST_F(ModelAnnot, EveryPrefixReadsInsideTheBlock) {
  TIEImagingAnnot annot;
  AddMark(annot, 3)->Points = {{1, 1}, {2, 2}, {3, 3}};
  AddMark(annot, 9)->Text = "words";
  TIEImagingObject* picture = AddMark(annot, 1);
  picture->Image = std::make_unique<TIEBitmap>();
  picture->Image->Allocate(3, 2, TIEPixelFormat::ie8g);
  const TBytes block = Save(annot);
  for (size_t length = 0; length <= block.size(); ++length) {
    TIEImagingAnnot part;
    Load(part, block, length);
    ASSERT_LE(part.Count(), 3) << length;
    for (const auto& object : part.Objects()) EXPECT_GE(object->MarkType(), 1);
  }
}

// Sizes and counts inside the block are checked against it: no read past
// it, no picture larger than its data could fill.
TEST_F(ModelAnnot, HostileSizesAreBounded) {
  TIEImagingObject attributes;
  auto mark = [&](int32_t type) {
    attributes.SetMarkType(type);
    return LEOrder.U32(5) + LEOrder.U32(164) + TBytes(attributes.Attributes.begin(), attributes.Attributes.end());
  };
  TBytes hugeDib = LEOrder.U32(40) + LEOrder.U32(30000) + LEOrder.U32(30000) + LEOrder.U16(1) + LEOrder.U16(24);
  hugeDib.resize(64, 0);
  const TBytes block =
      LEOrder.U32(0) + LEOrder.U32(1) + mark(3) +
      NamedBlock(6, "OiAnoDat", LEOrder.U32(0) + LEOrder.U32(0x7FFFFFFF) + LEOrder.U32(5) + LEOrder.U32(6)) + mark(7) +
      NamedBlock(6, "OiAnText",
                 LEOrder.U32(0) + LEOrder.U32(0) + LEOrder.U32(750) + LEOrder.U32(0x7FFFFFF0) + Text("abc")) +
      mark(1) + NamedBlock(6, "OiDIB", hugeDib) + mark(4) + LEOrder.U32(6) + LEOrder.U32(12) + Text("OiAnoDat") +
      LEOrder.U32(0xFFFFFF00);
  TIEImagingAnnot annot;
  Load(annot, block, block.size());
  ASSERT_EQ(annot.Count(), 4);
  EXPECT_EQ(annot.Objects()[0]->Points, (std::vector<TPoint>{{5, 6}}));
  EXPECT_EQ(annot.Objects()[1]->Text, "abc");
  EXPECT_EQ(annot.Objects()[2]->Image, nullptr);
  EXPECT_TRUE(annot.Objects()[3]->Points.empty());

  // 8-byte data sizes when the integer-size flag is 0.
  const TBytes wide = LEOrder.U32(0) + LEOrder.U32(0) + mark(3) + LEOrder.U32(6) + LEOrder.U32(12) + Text("OiAnoDat") +
                      LEOrder.U32(16) + LEOrder.U32(0) + LEOrder.U32(1) + LEOrder.U32(1) + LEOrder.U32(8) +
                      LEOrder.U32(9) + mark(4) + LEOrder.U32(6) + LEOrder.U32(12) + Text("OiAnoDat") + LEOrder.U32(8) +
                      LEOrder.U32(1);
  TIEImagingAnnot wideAnnot;
  Load(wideAnnot, wide, wide.size());
  ASSERT_EQ(wideAnnot.Count(), 2);
  EXPECT_EQ(wideAnnot.Objects()[0]->Points, (std::vector<TPoint>{{8, 9}}));
  EXPECT_TRUE(wideAnnot.Objects()[1]->Points.empty());
}

}  // namespace
