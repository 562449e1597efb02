#pragma once
#include <memory>
#include <type_traits>
#include <utility>

namespace platform {

template <class Signature>
class FunctionRef;

// A non-owning reference to something callable: two pointers, no allocation, cheap
// to pass by value. The referenced callable must outlive every call. May be empty
// (default-constructed or from nullptr); test with `operator bool` before calling.
template <class Result, class... Args>
class FunctionRef<Result(Args...)> {
public:
  FunctionRef() = default;
  FunctionRef(std::nullptr_t) {}

  template <class Callable>
  requires(!std::is_same_v<std::remove_cvref_t<Callable>, FunctionRef> &&
           std::is_invocable_r_v<Result, Callable&, Args...>) FunctionRef(Callable&& callable)
      : object(const_cast<void*>(static_cast<const void*>(std::addressof(callable)))),
        trampoline([](void* target, Args... args) -> Result {
          return (*static_cast<std::remove_reference_t<Callable>*>(target))(std::forward<Args>(args)...);
        }) {}

  explicit operator bool() const { return trampoline != nullptr; }

  Result operator()(Args... args) const { return trampoline(object, std::forward<Args>(args)...); }

private:
  void* object = nullptr;
  Result (*trampoline)(void*, Args...) = nullptr;
};

}  // namespace platform
