#include "imaging/model/containers/ietagshandler.h"

#include <gtest/gtest.h>

#include <memory>

#include "imaging/model/containers/ielists.h"
#include "imaging/model/containers/iemeta_testing.h"

using namespace metatest;

namespace {

const TOrder LEOrder{false};

void SetBlock(TIETagsHandler& h, const TBytes& block) {
  h.Data()->Clear();
  h.Data()->WriteBuffer(block.data(), static_cast<int64_t>(block.size()));
  h.Update();
}

TBytes Block(TIETagsHandler& h) {
  const auto* p = static_cast<const uint8_t*>(h.Data()->Memory());
  return p ? TBytes(p, p + h.Data()->Size()) : TBytes();
}

TEST(ModelTagsHandler, NewHandlerHasNoTags) {
  TIETagsHandler h;
  EXPECT_FALSE(h.TagExists(1));
  EXPECT_EQ(h.GetTagCount(1), 0);
  EXPECT_EQ(h.GetIntegerIndexed(1, 0), 0);
  h.Update();
  EXPECT_EQ(h.Reader().EntryCount, 0);
}

TEST(ModelTagsHandler, AnswersFromTheBlock) {
  TIETagsHandler h;
  // A SHORT pair held in the entry and a LONG array behind the entries.
  SetBlock(h, LEOrder.U16(2) + LEOrder.Entry(1, IEIFD_SHORT, 2, Bytes({5, 0, 7, 0})) +
                  LEOrder.Entry(2, IEIFD_LONG, 3, 26) + LEOrder.U32(10) + LEOrder.U32(20) + LEOrder.U32(30));
  EXPECT_TRUE(h.TagExists(1));
  EXPECT_EQ(h.GetTagCount(2), 3);
  EXPECT_EQ(h.GetIntegerIndexed(1, 0), 5);
  EXPECT_EQ(h.GetIntegerIndexed(1, 1), 7);
  EXPECT_EQ(h.GetIntegerIndexed(2, 2), 30);
  EXPECT_EQ(h.GetIntegerIndexed(2, 3), 0);

  // The array at offset 14 of a one-entry block: item 2 is the 4 bytes at 22.
  SetBlock(h, LEOrder.U16(1) + LEOrder.Entry(9, IEIFD_LONG, 3, 14) + LEOrder.U32(1) + LEOrder.U32(2) +
                  Bytes({0x78, 0x56, 0x34, 0x12}));
  EXPECT_FALSE(h.TagExists(1));
  EXPECT_EQ(h.GetIntegerIndexed(9, 2), 0x12345678);

  h.Data()->Clear();
  h.Update();
  EXPECT_FALSE(h.TagExists(9));
}

TEST(ModelTagsHandler, TruncatedBlockAnswersZeros) {
  TIETagsHandler h;
  const TBytes whole = LEOrder.U16(3) + LEOrder.Entry(1, IEIFD_SHORT, 1, LEOrder.U16(4)) +
                       LEOrder.Entry(2, IEIFD_LONG, 2, 38) + LEOrder.Entry(3, IEIFD_SHORT, 1, LEOrder.U16(6)) +
                       LEOrder.U32(0x01020304) + LEOrder.U32(12);
  // Bytes the block lacks, of the directory or of a value, read as zeros.
  struct TCase {
    size_t Length;
    int32_t Tag1, Tag2Item0, Tag2Item1, Tag3;
  } cases[] = {{1, 0, 0, 0, 0},
               {14, 4, 0, 0, 0},
               {40, 4, 0x0304, 0, 6},
               {44, 4, 0x01020304, 12, 6},
               {whole.size(), 4, 0x01020304, 12, 6}};
  for (const TCase& c : cases) {
    SetBlock(h, TBytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(c.Length)));
    SCOPED_TRACE(c.Length);
    EXPECT_EQ(h.Reader().EntryCount, 3);
    EXPECT_EQ(h.GetIntegerIndexed(1, 0), c.Tag1);
    EXPECT_EQ(h.GetIntegerIndexed(2, 0), c.Tag2Item0);
    EXPECT_EQ(h.GetIntegerIndexed(2, 1), c.Tag2Item1);
    EXPECT_EQ(h.GetIntegerIndexed(3, 0), c.Tag3);
  }
}

// ---- Maker notes rebuilt from a TIFF stream -----------------------------------------------

// A TIFF stream (after Prefix bytes) whose one IFD holds the maker-note tag;
// the note, an IFD of its own, lies at offset 100 and its values behind it.
struct TNoteFile {
  TOrder O;
  TBytes Bytes;
  std::unique_ptr<TIEMemStream> Stream;
  TIEIFDReader Reader;

  TNoteFile(bool big, const TBytes& note, const TBytes& values, size_t prefix = 0) : O{big} {
    const auto size = static_cast<uint32_t>(note.size());
    // A note of up to 4 bytes is held in the entry itself.
    Bytes = TBytes(prefix, 0xAB) + O.Header(8) +
            O.Ifd({size <= 4 ? O.Entry(IEIFDTag_MakerNote, IEIFD_UNDEFINED, size, note)
                             : O.Entry(IEIFDTag_MakerNote, IEIFD_UNDEFINED, size, 100)},
                  0);
    if (size > 4) Put(Bytes, prefix + 100, note);
    Put(Bytes, prefix + 100 + note.size(), values);
    Stream = std::make_unique<TIEMemStream>(Bytes.data(), static_cast<int64_t>(Bytes.size()));
    Reader.LittleEndian = big ? 0 : 1;
    Reader.Stream = Stream.get();
    Reader.Base = static_cast<int64_t>(prefix);
    int32_t pages = 0;
    IEIFDLoad(0, 8, Reader, pages);
  }
};

class ModelTagsHandlerOrder : public ::testing::TestWithParam<bool> {};

TEST_P(ModelTagsHandlerOrder, MakerNoteIsRebuiltLittleEndian) {
  const TOrder o{GetParam()};
  // Values at 100 + 2 + 4 * 12 = 150 (offsets from the TIFF header).
  const TBytes note = o.U16(4) + o.Entry(1, IEIFD_SHORT, 2, o.U16(5) + o.U16(7)) + o.Entry(2, IEIFD_LONG, 3, 150) +
                      o.Entry(3, IEIFD_RATIONAL, 1, 162) + o.Entry(4, IEIFD_ASCII, 6, 170);
  const TBytes values = o.U32(70000) + o.U32(2) + o.U32(3) + o.U32(1) + o.U32(3) + Text("Model") + TBytes{0};
  for (size_t prefix : {size_t(0), size_t(12)}) {
    TNoteFile f(o.Big, note, values, prefix);
    TIETagsHandler h;
    IEIFDReadMakerNote(f.Reader, IEIFDTag_MakerNote, h);
    SCOPED_TRACE(prefix);
    EXPECT_EQ(h.GetTagCount(2), 3);
    EXPECT_EQ(h.GetIntegerIndexed(1, 0), 5);
    EXPECT_EQ(h.GetIntegerIndexed(1, 1), 7);
    EXPECT_EQ(h.GetIntegerIndexed(2, 0), 70000);
    EXPECT_EQ(h.GetIntegerIndexed(2, 2), 3);
    EXPECT_DOUBLE_EQ(IEIFDRational(h.Reader(), 3), 1.0 / 3.0);
    String text;
    IEIFDReadString(h.Reader(), 4, text);
    EXPECT_EQ(text, "Model");
    // Out-of-line values follow the directory in entry order.
    const TBytes block = Block(h);
    ASSERT_EQ(block.size(), 2u + 48 + 12 + 8 + 6);
    EXPECT_EQ(TBytes(block.begin() + 38, block.begin() + 50), LEOrder.Entry(4, IEIFD_ASCII, 6, 70));
  }
}

TEST_P(ModelTagsHandlerOrder, MakerNotesThatGiveNoTags) {
  const TOrder o{GetParam()};
  const TBytes one = o.Entry(1, IEIFD_SHORT, 1, o.U16(9));
  struct TCase {
    const char* Name;
    TBytes Note;
    TBytes Expected;
  } cases[] = {
      {"no entries", o.U16(0), Bytes({0, 0})},
      {"one byte", Bytes({1}), {}},
      {"more than 256 entries", o.U16(257) + TBytes(257 * 12, 0), {}},
      {"more entries than bytes", o.U16(2) + one + Bytes({0, 0, 0, 0, 0, 0, 0, 0, 0}), {}},
      {"a type above 12", o.U16(2) + one + o.Entry(2, 13, 1, o.U32(0)), {}},
  };
  for (const TCase& c : cases) {
    TNoteFile f(o.Big, c.Note, {});
    TIETagsHandler h;
    SetBlock(h, LEOrder.U16(1) + LEOrder.Entry(1, IEIFD_SHORT, 1, LEOrder.U16(3)));
    IEIFDReadMakerNote(f.Reader, IEIFDTag_MakerNote, h);
    EXPECT_EQ(Block(h), c.Expected) << c.Name;
    EXPECT_FALSE(h.TagExists(1)) << c.Name;
  }
  // No maker-note tag at all.
  TNoteFile f(o.Big, o.U16(1) + one, {});
  TIETagsHandler h;
  IEIFDReadMakerNote(f.Reader, 999, h);
  EXPECT_TRUE(Block(h).empty());
}

// An entry whose value lies outside the stream is left out; the entries
// after it move up, the count says how many were copied and the slot left
// over is zero.
TEST_P(ModelTagsHandlerOrder, EntriesOutsideTheStreamAreSkipped) {
  const TOrder o{GetParam()};
  const TBytes note = o.U16(3) + o.Entry(1, IEIFD_SHORT, 1, o.U16(4)) + o.Entry(2, IEIFD_LONG, 2, 138) +
                      o.Entry(3, IEIFD_SHORT, 1, o.U16(6));
  TNoteFile f(o.Big, note, o.U32(1) + o.U32(2));
  // Patch the LONG's count so that its values run past the end.
  Put(f.Bytes, 100 + 2 + 12 + 4, o.U32(20));
  TIETagsHandler h;
  IEIFDReadMakerNote(f.Reader, IEIFDTag_MakerNote, h);
  EXPECT_EQ(Block(h), LEOrder.U16(2) + LEOrder.Entry(1, IEIFD_SHORT, 1, LEOrder.U16(4)) +
                          LEOrder.Entry(3, IEIFD_SHORT, 1, LEOrder.U16(6)) + TBytes(12, 0));
  EXPECT_EQ(h.GetIntegerIndexed(3, 0), 6);
  EXPECT_FALSE(h.TagExists(2));
}

INSTANTIATE_TEST_SUITE_P(ModelTagsHandler, ModelTagsHandlerOrder, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "MM" : "II"; });

}  // namespace
