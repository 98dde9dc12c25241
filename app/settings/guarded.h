// Event handlers of the application swallow their exceptions: a failing
// handler must not take the program down. Guarded runs such work and reports
// what it swallowed to one replaceable hook, so nothing vanishes unseen: the
// program writes the reports to standard error, tests record them and fail
// on the ones they did not expect (guarded_testing.h).
#pragma once

#include <functional>
#include <utility>

#include "platform/rtl/types.h"

using TGuardedHook = std::function<void(const String& ClassName, const String& Message)>;

// Installs the hook; an empty one restores the standard-error report.
void SetGuardedHook(TGuardedHook Hook);
// Hands the exception being handled to the hook. Call from a catch block only.
void ReportCurrentException() noexcept;

// Runs Fn; true when it returned normally, false when it threw (reported).
template <class F>
bool Guarded(F&& Fn) noexcept {
  try {
    std::forward<F>(Fn)();
    return true;
  } catch (...) {
    ReportCurrentException();
    return false;
  }
}
