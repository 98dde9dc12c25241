#include "imaging/io/codecs/pspdf/iepsfilters.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/rtl/streams.h"

namespace {

using TBytes = std::vector<uint8_t>;

struct TA85 {
  String Text;
  int32_t Returned;
  int32_t Digits;
};

TA85 A85(const TBytes& source) {
  String out(static_cast<size_t>(IEASCII85MaxSize(static_cast<int64_t>(source.size()))), '\0');
  const uint8_t* in = source.data();
  char* dest = out.data();
  int32_t digits = 100;  // added to, not reset
  const int32_t n = IEASCII85Encode(in, static_cast<int32_t>(source.size()), dest, digits);
  EXPECT_EQ(in, source.data() + source.size());
  EXPECT_EQ(dest, out.data() + n);
  out.resize(static_cast<size_t>(n));
  return {out, n, digits - 100};
}

TBytes RunLength(const TBytes& source) {
  TBytes out(2 * source.size() + 1);
  const int32_t n = IERunLengthEncode(source.data(), static_cast<int32_t>(source.size()), out.data());
  out.resize(static_cast<size_t>(n));
  return out;
}

TBytes Repeat(size_t n, uint8_t b) { return TBytes(n, b); }
String Times(const String& s, int n) {
  String out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}
TBytes Join(std::initializer_list<TBytes> parts) {
  TBytes out;
  for (const TBytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
TBytes Ramp(size_t n) {
  TBytes out(n);
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(i);
  return out;
}

}  // namespace

TEST(PsFilters, ASCII85) {
  struct TCase {
    const char* Name;
    TBytes Source;
    String Expected;
    int32_t Digits;
  };
  const TCase cases[] = {
      {"empty input: the end marker only", {}, "~>\r\n", 0},
      {"a full group of zeros", {0, 0, 0, 0}, "z~>\r\n", 1},
      {"one zero byte", {0}, "!!~>\r\n", 2},
      {"zeros: a full group, then a partial one", {0, 0, 0, 0, 0}, "z!!~>\r\n", 3},
      {"text", {'M', 'a', 'n', ' '}, "9jqo^~>\r\n", 5},
      {"three bytes", {'M', 'a', 'n'}, "9jqo~>\r\n", 4},
      {"the largest group", {0xFF, 0xFF, 0xFF, 0xFF}, "s8W-!~>\r\n", 5},
      // 15 groups reach 75 characters: a line end, then the marker.
      {"a full line", Repeat(60, 'A'), Times("5s[e&", 15) + "\r\n~>\r\n", 75},
      {"a line of z", Repeat(300, 0), String(75, 'z') + "\r\n~>\r\n", 75},
      // 74 characters of z, then a 5-character group: the line goes to 79.
      {"a line past 75", Join({Repeat(296, 0), {1, 2, 3, 4}}), String(74, 'z') + "!<N?+\r\n~>\r\n", 79},
  };
  for (const TCase& c : cases) {
    const TA85 got = A85(c.Source);
    EXPECT_EQ(got.Text, c.Expected) << c.Name;
    EXPECT_EQ(got.Returned, static_cast<int32_t>(got.Text.size())) << c.Name;
    EXPECT_EQ(got.Digits, c.Digits) << c.Name;
  }

  // Groups alone.
  for (int32_t count = 1; count <= 4; ++count) {
    const uint8_t bytes[4] = {0, 0, 0, 0};
    const uint8_t* in = bytes;
    char out[5];
    char* dest = out;
    EXPECT_EQ(IEASCII85EncodeGroup(in, count, dest), count == 4 ? 1 : count + 1);
    EXPECT_EQ(in, bytes + count);
  }
}

TEST(PsFilters, RunLength) {
  struct TCase {
    const char* Name;
    TBytes Source;
    TBytes Expected;
  };
  const TCase cases[] = {
      {"run, literal taking the first of a pair, run",
       {0x41, 0x41, 0x41, 0x42, 0x43, 0x43, 0x43},
       {0xFE, 0x41, 0x01, 0x42, 0x43, 0xFF, 0x43, 0x80}},
      {"130 equal bytes: 128 and 2", Repeat(130, 7), {0x81, 7, 0xFF, 7, 0x80}},
      {"nothing", {}, {0x80}},
      {"one byte", {9}, {0x00, 9, 0x80}},
      {"a pair", {9, 9}, {0xFF, 9, 0x80}},
      {"a literal ending the data", {1, 2, 3}, {0x02, 1, 2, 3, 0x80}},
      {"128 different bytes: one literal", Ramp(128), Join({{0x7F}, Ramp(128), {0x80}})},
      {"129 different bytes: 128 and 1", Ramp(129), Join({{0x7F}, Ramp(128), {0x00, 128, 0x80}})},
  };
  for (const TCase& c : cases) EXPECT_EQ(RunLength(c.Source), c.Expected) << c.Name;
}

TEST(PsFilters, LineWriters) {
  TStringStream s;
  IEStreamWriteLineCRLF(&s, "a");
  IEStreamWriteLineLF(&s, "b");
  IEStreamWriteString(&s, "c");
  IEStreamWriteLineLF(&s, "");
  EXPECT_EQ(s.DataString(), "a\r\nb\nc\n");
}
