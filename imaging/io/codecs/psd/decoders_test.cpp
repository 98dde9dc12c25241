#include "imaging/io/codecs/psd/decoders.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/gui/graphics.h"

TEST(PsdPackBits, Vectors) {
  struct TCase {
    const char* Name;
    std::vector<uint8_t> Packed;
    int32_t PackedSize;
    int32_t UnpackedSize;
    std::vector<uint8_t> Expected;  // the destination of UnpackedSize bytes, 0xEE untouched
  } cases[] = {
      {"literal", {0x02, 0x41, 0x42, 0x43}, 4, 3, {0x41, 0x42, 0x43}},
      {"repeat", {0xFE, 0x41}, 2, 3, {0x41, 0x41, 0x41}},
      {"no-operation header", {0x80, 0x00, 0x41}, 3, 1, {0x41}},
      {"literal cut by the packed size", {0x05, 0x41, 0x42}, 3, 5, {0x41, 0x42, 0xEE, 0xEE, 0xEE}},
      {"repeat cut at the unpacked size", {0x81, 0x7A}, 2, 10, std::vector<uint8_t>(10, 0x7A)},
      {"repeat header as the last byte", {0x00, 0x41, 0xFD}, 3, 4, {0x41, 0xEE, 0xEE, 0xEE}},
      {"runs across rows", {0x01, 0x01, 0x02, 0xFF, 0x03}, 5, 4, {0x01, 0x02, 0x03, 0x03}},
  };
  TPackbitsRLEDecoder decoder;
  for (const TCase& c : cases) {
    std::vector<uint8_t> dest(size_t(c.UnpackedSize) + 4, 0xEE);  // guard bytes after
    decoder.Unpack(c.Packed.data(), dest.data(), c.PackedSize, c.UnpackedSize);
    std::vector<uint8_t> expected = c.Expected;
    expected.insert(expected.end(), 4, 0xEE);
    EXPECT_EQ(dest, expected) << c.Name;
  }
}

TEST(PsdJPEGErrorHooks, ErrorExitRaisesAndResetClears) {
  TJPEGErrorHooks& hooks = JPEGErrorHooks();
  ASSERT_NE(hooks.ErrorExit, nullptr);
  hooks.MsgCode = 42;
  hooks.NumWarnings = 3;
  try {
    hooks.ErrorExit(&hooks);
    ADD_FAILURE() << "no exception";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "JPEG error #42");
  }
  hooks.EmitMessage(&hooks, 1);
  hooks.OutputMessage(&hooks);
  hooks.ResetErrorMgr(&hooks);
  EXPECT_EQ(hooks.MsgCode, 0);
  EXPECT_EQ(hooks.NumWarnings, 0);
}
