#include "imaging/model/containers/ieicc.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <vector>

namespace {

// A profile as a file would hold it: lcms2's sRGB written to memory.
std::vector<uint8_t> SavedProfile(cmsHPROFILE profile) {
  cmsUInt32Number size = 0;
  EXPECT_TRUE(cmsSaveProfileToMem(profile, nullptr, &size));
  std::vector<uint8_t> bytes(size);
  EXPECT_TRUE(cmsSaveProfileToMem(profile, bytes.data(), &size));
  cmsCloseProfile(profile);
  return bytes;
}

std::vector<uint8_t> SrgbBytes() { return SavedProfile(cmsCreate_sRGBProfile()); }

TEST(ModelIcc, NewHolderHasNoProfile) {
  TIEICC icc, dest;
  dest.AssignStandardRGB();
  EXPECT_FALSE(icc.IsValid());
  EXPECT_EQ(icc.RawSize(), 0);
  uint8_t in[3] = {1, 2, 3}, out[3] = {};
  EXPECT_FALSE(icc.Transform(&dest, TYPE_RGB_8, TYPE_RGB_8, INTENT_PERCEPTUAL, 0, in, out, 1));
  EXPECT_FALSE(icc.Applied());
}

TEST(ModelIcc, BuiltInProfileHasNoBytes) {
  TIEICC builtin, copy;
  builtin.AssignStandardRGB();
  EXPECT_TRUE(builtin.IsValid());
  EXPECT_EQ(builtin.RawSize(), 0);
  const std::vector<uint8_t> bytes = SrgbBytes();
  copy.LoadFromBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  ASSERT_TRUE(copy.IsValid());
  copy.Assign(&builtin);
  EXPECT_FALSE(copy.IsValid());
}

TEST(ModelIcc, SavedProfileLoadsAndCopies) {
  const std::vector<uint8_t> bytes = SrgbBytes();
  TIEICC icc, copy;
  icc.LoadFromBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  EXPECT_TRUE(icc.IsValid());
  ASSERT_EQ(icc.RawSize(), static_cast<int32_t>(bytes.size()));
  EXPECT_EQ(std::vector<uint8_t>(icc.Raw(), icc.Raw() + icc.RawSize()), bytes);
  copy.Assign(&icc);
  EXPECT_TRUE(copy.IsValid());
  EXPECT_NE(copy.Raw(), icc.Raw());
  EXPECT_EQ(copy.RawSize(), icc.RawSize());
}

TEST(ModelIcc, TransformIsCachedByItsParameters) {
  const std::vector<uint8_t> bytes = SrgbBytes();
  TIEICC icc, dest;
  icc.LoadFromBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  dest.AssignStandardRGB();
  const uint8_t in[6] = {200, 100, 50, 0, 0, 255};
  uint8_t out[6] = {};
  ASSERT_TRUE(icc.Transform(&dest, TYPE_RGB_8, TYPE_RGB_8, INTENT_PERCEPTUAL, 0, in, out, 2));
  EXPECT_TRUE(icc.Applied());
  void* first = icc.CachedTransform();
  ASSERT_NE(first, nullptr);
  // sRGB to sRGB keeps the colours (within rounding).
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(out[i], in[i], 1) << i;
  ASSERT_TRUE(icc.Transform(&dest, TYPE_RGB_8, TYPE_RGB_8, INTENT_PERCEPTUAL, 0, in, out, 2));
  EXPECT_EQ(icc.CachedTransform(), first);
  // Another output format: a new transform that writes blue first.
  uint8_t bgr[6] = {};
  ASSERT_TRUE(icc.Transform(&dest, TYPE_RGB_8, TYPE_BGR_8, INTENT_PERCEPTUAL, 0, in, bgr, 2));
  EXPECT_EQ(icc.CachedOutputFormat(), static_cast<int32_t>(TYPE_BGR_8));
  EXPECT_EQ(bgr[0], out[2]);
  EXPECT_EQ(bgr[2], out[0]);
  EXPECT_EQ(bgr[5], out[3]);
}

TEST(ModelIcc, ParametersAreRememberedWhenNoTransformCanBeMade) {
  const std::vector<uint8_t> bytes = SrgbBytes();
  TIEICC icc, empty;
  icc.LoadFromBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  uint8_t px[3] = {};
  EXPECT_FALSE(icc.Transform(&empty, TYPE_RGB_8, TYPE_BGR_8, INTENT_PERCEPTUAL, 0, px, px, 1));
  EXPECT_EQ(icc.CachedTransform(), nullptr);
  EXPECT_EQ(icc.CachedOutputFormat(), static_cast<int32_t>(TYPE_BGR_8));
  // The next call tries again, and succeeds once the destination has a profile.
  empty.AssignStandardRGB();
  EXPECT_TRUE(icc.Transform(&empty, TYPE_RGB_8, TYPE_BGR_8, INTENT_PERCEPTUAL, 0, px, px, 1));
  EXPECT_FALSE(icc.Transform(nullptr, TYPE_RGB_8, TYPE_RGB_8, INTENT_PERCEPTUAL, 0, px, px, 1));
}

TEST(ModelIcc, GarbageGivesNoProfileSilently) {
  std::vector<uint8_t> garbage(300);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 31 + 7);
  std::vector<uint8_t> truncated = SrgbBytes();
  truncated.resize(truncated.size() / 2);
  struct TCase {
    std::vector<uint8_t> Bytes;
    bool Opens;  // a cut profile still has a readable header
  } cases[] = {{garbage, false}, {{0x61}, false}, {truncated, true}};
  for (const TCase& c : cases) {
    TIEICC icc, dest;
    dest.AssignStandardRGB();
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    icc.LoadFromBuffer(c.Bytes.data(), static_cast<int32_t>(c.Bytes.size()));
    uint8_t px[3] = {};
    const bool transformed = icc.Transform(&dest, TYPE_RGB_8, TYPE_RGB_8, INTENT_PERCEPTUAL, 0, px, px, 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(icc.IsValid(), c.Opens) << c.Bytes.size();
    EXPECT_FALSE(transformed);
    EXPECT_EQ(icc.RawSize(), static_cast<int32_t>(c.Bytes.size()));
  }
}

TEST(ModelIcc, ClearFreesEverything) {
  const std::vector<uint8_t> bytes = SrgbBytes();
  TIEICC icc, dest;
  icc.LoadFromBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  dest.AssignStandardRGB();
  uint8_t px[3] = {10, 20, 30};
  ASSERT_TRUE(icc.Transform(&dest, TYPE_RGB_8, TYPE_RGB_8, INTENT_PERCEPTUAL, 0, px, px, 1));
  icc.Clear();
  EXPECT_EQ(icc.CachedTransform(), nullptr);
  EXPECT_EQ(icc.Profile(), nullptr);
  EXPECT_EQ(icc.Raw(), nullptr);
  EXPECT_EQ(icc.RawSize(), 0);
  EXPECT_FALSE(icc.Applied());
  EXPECT_FALSE(icc.IsValid());
}

}  // namespace
