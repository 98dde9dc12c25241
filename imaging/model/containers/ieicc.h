// One ICC colour profile: its bytes as found in a file, the profile opened
// by the colour-management library (Little CMS 2), and a cached transform
// from this profile to another holder's. Pixel formats, intents and flags
// are the library's own codes (TYPE_RGB_8, INTENT_PERCEPTUAL ...), passed
// through unchanged. Bytes the library cannot read leave the holder without
// a profile; the library's error reports are silenced.
#pragma once

#include <cstdint>
#include <vector>

class TIEICC {
 public:
  TIEICC() = default;
  ~TIEICC();
  TIEICC(const TIEICC&) = delete;
  TIEICC& operator=(const TIEICC&) = delete;

  // Clear, keep a copy of the Size bytes and open them.
  void LoadFromBuffer(const void* Data, int32_t Size);
  // Clear, copy Source's bytes and open them: a source that holds only the
  // built-in profile leaves this holder without one. Nothing for nil.
  void Assign(const TIEICC* Source);
  // Closes the profile and frees the bytes; Applied becomes false.
  void Clear();
  bool IsValid() const { return FProfile != nullptr; }

  // Opens the bytes held (no profile when they are not one).
  void OpenProfile();
  // Frees the transform, closes the profile and forgets the cached
  // parameters; the bytes stay.
  void CloseProfile();
  void FreeTransform();
  // Converts PixelCount pixels from InputBuffer to OutputBuffer through a
  // transform from this profile to Dest's. The transform is made again
  // whenever none exists or the formats, intent or flags differ from the
  // last call's (remembered also when it could not be made). True when a
  // transform exists; Applied is set then.
  bool Transform(TIEICC* Dest, int32_t InputFormat, int32_t OutputFormat, int32_t Intent, int32_t Flags,
                 const void* InputBuffer, void* OutputBuffer, int32_t PixelCount);
  // Clear, then the library's built-in sRGB profile (no bytes).
  void AssignStandardRGB();

  const uint8_t* Raw() const { return FRaw.empty() ? nullptr : FRaw.data(); }
  int32_t RawSize() const { return static_cast<int32_t>(FRaw.size()); }
  bool Applied() const { return FApplied; }
  // The library's handles (nil when none).
  void* Profile() const { return FProfile; }
  void* CachedTransform() const { return FCachedTransform; }
  int32_t CachedInputFormat() const { return FCachedInputFormat; }
  int32_t CachedOutputFormat() const { return FCachedOutputFormat; }
  int32_t CachedIntent() const { return FCachedIntent; }
  int32_t CachedFlags() const { return FCachedFlags; }

 private:
  std::vector<uint8_t> FRaw;
  void* FProfile = nullptr;
  bool FApplied = false;
  void* FCachedTransform = nullptr;
  int32_t FCachedInputFormat = 0;
  int32_t FCachedOutputFormat = 0;
  int32_t FCachedIntent = 0;
  int32_t FCachedFlags = 0;
};
