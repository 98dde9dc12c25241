// Scope-exit guards: the C++ form of try/finally and of a rollback on error.
//
//   auto restore = ScopeExit([&] { RestoreDC(dc, saved); });   // runs on every exit
//   auto undo = ScopeFail([&] { FItems.pop_back(); });        // runs only when unwinding
//
// A guard runs its action once, when it goes out of scope, unless Dismiss() was
// called. A ScopeFail guard runs it only when the scope is left by an exception
// thrown after the guard was made, so it undoes work that must not outlive a failure.
//
// An action that throws on the normal path propagates its exception, as a
// finally block would. An action that throws while an exception is already
// unwinding the stack cannot replace it (that would end the program), so its
// own exception is dropped and the first error goes on.
#pragma once

#include <exception>
#include <type_traits>
#include <utility>

template <class F>
class TScopeGuard {
 public:
  TScopeGuard(F Action, bool OnFailOnly)
      : FAction(std::move(Action)), FUncaught(std::uncaught_exceptions()), FOnFailOnly(OnFailOnly) {}
  TScopeGuard(TScopeGuard&& Other) noexcept(std::is_nothrow_move_constructible_v<F>)
      : FAction(std::move(Other.FAction)),
        FUncaught(Other.FUncaught),
        FOnFailOnly(Other.FOnFailOnly),
        FActive(std::exchange(Other.FActive, false)) {}
  TScopeGuard(const TScopeGuard&) = delete;
  TScopeGuard& operator=(const TScopeGuard&) = delete;
  TScopeGuard& operator=(TScopeGuard&&) = delete;

  ~TScopeGuard() noexcept(false) {
    if (!FActive) return;
    const bool unwinding = std::uncaught_exceptions() > FUncaught;
    if (FOnFailOnly && !unwinding) return;
    if (!unwinding) {
      FAction();
      return;
    }
    try {
      FAction();
    } catch (...) {  // a second error while unwinding: the first one is reported
    }
  }

  // The action will not run: the work it would undo is now committed.
  void Dismiss() noexcept { FActive = false; }

 private:
  F FAction;
  int FUncaught;
  bool FOnFailOnly;
  bool FActive = true;
};

// Runs Action when the scope is left, normally or by an exception (try/finally).
template <class F>
[[nodiscard]] TScopeGuard<std::decay_t<F>> ScopeExit(F&& Action) {
  return TScopeGuard<std::decay_t<F>>(std::forward<F>(Action), false);
}

// Runs Action only when the scope is left by an exception (rollback).
template <class F>
[[nodiscard]] TScopeGuard<std::decay_t<F>> ScopeFail(F&& Action) {
  return TScopeGuard<std::decay_t<F>>(std::forward<F>(Action), true);
}

// BeginUpdate now, EndUpdate when the scope is left (lists, collections, controls).
template <class T>
[[nodiscard]] auto UpdateScope(T* Object) {
  Object->BeginUpdate();
  return ScopeExit([Object] { Object->EndUpdate(); });
}

// Sets Flag now and puts back what it was when the scope is left (a
// re-entrancy or "this change is ours" flag).
[[nodiscard]] inline auto FlagScope(bool& Flag) {
  const bool old = std::exchange(Flag, true);
  return ScopeExit([&Flag, old] { Flag = old; });
}
