#pragma once
// TFunctionRef: a non-owning reference to a callable, for calls that run it before they return
// (LockedCall). Unlike std::function it never allocates, so a client-library call per fetched row
// costs no heap traffic. The callable must outlive the reference; any thread.
#include <type_traits>
#include <utility>

namespace ora {

template <class Signature>
class TFunctionRef;

template <class R, class... Args>
class TFunctionRef<R(Args...)> {
 public:
  template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, TFunctionRef> &&
                                              std::is_invocable_r_v<R, F&, Args...>>>
  TFunctionRef(F&& f) noexcept  // NOLINT: converts from any callable, as std::function does
      : object_(const_cast<void*>(static_cast<const void*>(std::addressof(f)))),
        call_([](void* object, Args... args) -> R {
          return (*static_cast<std::remove_reference_t<F>*>(object))(std::forward<Args>(args)...);
        }) {}

  R operator()(Args... args) const { return call_(object_, std::forward<Args>(args)...); }

 private:
  void* object_;
  R (*call_)(void*, Args...);
};

}  // namespace ora
