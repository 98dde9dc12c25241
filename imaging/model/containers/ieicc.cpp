#include "imaging/model/containers/ieicc.h"

#include <lcms2.h>

#include <mutex>

namespace {

void SilentErrorHandler(cmsContext, cmsUInt32Number, const char*) {}

// An unreadable profile is an ordinary outcome here ("no profile"), not
// something to print.
void SilenceLibrary() {
  static std::once_flag once;
  std::call_once(once, [] { cmsSetLogErrorHandler(SilentErrorHandler); });
}

}  // namespace

TIEICC::~TIEICC() { Clear(); }

void TIEICC::LoadFromBuffer(const void* Data, int32_t Size) {
  Clear();
  if (Data && Size > 0) {
    const auto* p = static_cast<const uint8_t*>(Data);
    FRaw.assign(p, p + Size);
  }
  OpenProfile();
}

void TIEICC::Assign(const TIEICC* Source) {
  if (!Source || Source == this) return;
  Clear();
  FRaw = Source->FRaw;
  OpenProfile();
}

void TIEICC::Clear() {
  CloseProfile();
  FRaw.clear();
  FRaw.shrink_to_fit();
  FApplied = false;
}

void TIEICC::OpenProfile() {
  CloseProfile();
  if (FRaw.empty()) return;
  SilenceLibrary();
  FProfile = cmsOpenProfileFromMem(FRaw.data(), static_cast<cmsUInt32Number>(FRaw.size()));
}

void TIEICC::CloseProfile() {
  FreeTransform();
  if (FProfile) cmsCloseProfile(static_cast<cmsHPROFILE>(FProfile));
  FProfile = nullptr;
  FCachedInputFormat = FCachedOutputFormat = FCachedIntent = FCachedFlags = 0;
}

void TIEICC::FreeTransform() {
  if (FCachedTransform) cmsDeleteTransform(static_cast<cmsHTRANSFORM>(FCachedTransform));
  FCachedTransform = nullptr;
}

bool TIEICC::Transform(TIEICC* Dest, int32_t InputFormat, int32_t OutputFormat, int32_t Intent, int32_t Flags,
                       const void* InputBuffer, void* OutputBuffer, int32_t PixelCount) {
  if (!FCachedTransform || InputFormat != FCachedInputFormat || OutputFormat != FCachedOutputFormat ||
      Intent != FCachedIntent || Flags != FCachedFlags) {
    FreeTransform();
    if (FProfile && Dest && Dest->FProfile) {
      SilenceLibrary();
      FCachedTransform =
          cmsCreateTransform(static_cast<cmsHPROFILE>(FProfile), static_cast<cmsUInt32Number>(InputFormat),
                             static_cast<cmsHPROFILE>(Dest->FProfile), static_cast<cmsUInt32Number>(OutputFormat),
                             static_cast<cmsUInt32Number>(Intent), static_cast<cmsUInt32Number>(Flags));
    }
    FCachedInputFormat = InputFormat;
    FCachedOutputFormat = OutputFormat;
    FCachedIntent = Intent;
    FCachedFlags = Flags;
  }
  if (!FCachedTransform) return false;
  if (PixelCount > 0 && InputBuffer && OutputBuffer)
    cmsDoTransform(static_cast<cmsHTRANSFORM>(FCachedTransform), InputBuffer, OutputBuffer,
                   static_cast<cmsUInt32Number>(PixelCount));
  FApplied = true;
  return true;
}

void TIEICC::AssignStandardRGB() {
  Clear();
  SilenceLibrary();
  FProfile = cmsCreate_sRGBProfile();
}
