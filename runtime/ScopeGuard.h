// TScopeGuard: runs an action when its scope ends, however it ends, unless
// dismissed first: the end of an update, a setting put back, a half-made
// change undone. An undo for failures only is a guard dismissed once the
// work has succeeded, which costs a flag on the way that succeeds.
//
// An action that raises while an error is on its way out is silenced, as
// the first error is the one to report; on a normal exit its error goes to
// the caller.
#pragma once

#include <exception>
#include <utility>

namespace ie {

template <class TAction>
class [[nodiscard]] TScopeGuard {
 public:
  explicit TScopeGuard(TAction Action) : FAction(std::move(Action)) {}
  TScopeGuard(const TScopeGuard&) = delete;
  TScopeGuard& operator=(const TScopeGuard&) = delete;
  ~TScopeGuard() noexcept(false) {
    if (!FActive) return;
    if (std::uncaught_exceptions() == 0) {
      FAction();
      return;
    }
    try {
      FAction();
    } catch (...) {
      // The error already on its way is the one to report.
    }
  }

  // The work succeeded: the action will not run.
  void Dismiss() { FActive = false; }

 private:
  TAction FAction;
  bool FActive = true;
};

}  // namespace ie
