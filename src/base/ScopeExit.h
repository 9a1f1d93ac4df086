// Rollback by RAII: TScopeExit runs a callable when the scope it guards is
// left (normally or by an exception) unless released first, and TUpdateScope
// pairs BeginUpdate with EndUpdate on an object that batches its change
// notifications.
#pragma once

#include <exception>
#include <type_traits>
#include <utility>

namespace fxe {

// The usual rollback shape: guard the undo, do the work, release the guard
// once the work has succeeded.
//   auto undo = ScopeExit([&] { items.resize(before); });
//   ...work that may throw...
//   undo.release();
// The callable runs from a destructor and must not throw.
template <class TCallable>
class [[nodiscard]] TScopeExit {
 public:
  explicit TScopeExit(TCallable callable) noexcept(std::is_nothrow_move_constructible_v<TCallable>)
      : callable_(std::move(callable)) {}
  TScopeExit(TScopeExit&& other) noexcept(std::is_nothrow_move_constructible_v<TCallable>)
      : callable_(std::move(other.callable_)), engaged_(std::exchange(other.engaged_, false)) {}
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;
  TScopeExit& operator=(TScopeExit&&) = delete;
  ~TScopeExit() {
    if (engaged_) callable_();
  }

  // The callable will not run.
  void release() noexcept { engaged_ = false; }

 private:
  TCallable callable_;
  bool engaged_ = true;
};

template <class TCallable>
[[nodiscard]] TScopeExit<std::decay_t<TCallable>> ScopeExit(TCallable&& callable) {
  return TScopeExit<std::decay_t<TCallable>>(std::forward<TCallable>(callable));
}

// BeginUpdate on construction, EndUpdate when the scope is left. A failure of
// EndUpdate on the normal way out propagates; while an exception is already
// leaving the scope, a failure of EndUpdate is dropped so that the first
// error is the one reported.
template <class TTarget>
class [[nodiscard]] TUpdateScope {
 public:
  explicit TUpdateScope(TTarget& target) : target_(target), exceptions_(std::uncaught_exceptions()) {
    target_.BeginUpdate();
  }
  TUpdateScope(const TUpdateScope&) = delete;
  TUpdateScope& operator=(const TUpdateScope&) = delete;
  ~TUpdateScope() noexcept(false) {
    if (std::uncaught_exceptions() == exceptions_) {
      target_.EndUpdate();
      return;
    }
    try {
      target_.EndUpdate();
    } catch (...) {
      // The exception under way is the one to report.
    }
  }

 private:
  TTarget& target_;
  int exceptions_;
};

}  // namespace fxe
