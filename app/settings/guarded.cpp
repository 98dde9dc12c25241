#include "app/settings/guarded.h"

#include <cstdio>
#include <exception>

#include "platform/rtl/exceptions.h"

namespace {

TGuardedHook& Hook() {
  static TGuardedHook hook;
  return hook;
}

void WriteToStandardError(const String& ClassName, const String& Message) {
  std::fprintf(stderr, "pictoval: %s: %s\n", ClassName.c_str(), Message.c_str());
}

}  // namespace

void SetGuardedHook(TGuardedHook NewHook) { Hook() = std::move(NewHook); }

void ReportCurrentException() noexcept {
  String className, message;
  try {
    throw;
  } catch (const Exception& e) {
    className = e.ClassName();
    message = e.Message();
  } catch (const std::exception& e) {
    className = "std::exception";
    message = e.what();
  } catch (...) {
    className = "unknown exception";
  }
  try {
    if (Hook())
      Hook()(className, message);
    else
      WriteToStandardError(className, message);
  } catch (...) {
    // A failing report must not undo the guard.
  }
}
