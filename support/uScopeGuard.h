// Runs an action when a scope is left, by any way out: the one guard for restoring a flag or
// releasing a resource where no owning type fits.
#pragma once

#include <utility>

namespace velastrin {

template <typename F> class TScopeGuard {
public:
  explicit TScopeGuard(F Action) : FAction(std::move(Action)) {}
  // An action that raises while an exception is already in flight would end the program;
  // actions are meant to be plain assignments and releases that do not raise.
  ~TScopeGuard() { FAction(); }
  TScopeGuard(const TScopeGuard&) = delete;
  TScopeGuard& operator=(const TScopeGuard&) = delete;

private:
  F FAction;
};

// Sets Variable to Value for the guard's lifetime and restores the previous value on exit.
template <typename T> auto HoldValue(T& Variable, T Value) {
  T Saved = std::exchange(Variable, std::move(Value));
  return TScopeGuard(
      [&Variable, Saved = std::move(Saved)]() mutable { Variable = std::move(Saved); });
}

} // namespace velastrin
