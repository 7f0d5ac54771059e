#pragma once

#include <utility>
#include <variant>

// A value or the error that kept it from being made. Errors are values in
// Tonnix: fallible functions return this instead of throwing.
template <typename E>
struct TonnixUnexpected {
  E error;
};

template <typename E>
TonnixUnexpected<E> unexpected(E error) {
  return {std::move(error)};
}

// Ignoring one is a compile error: handle the error, pass it on with
// TONNIX_TRY, or say with a cast to void why it does not matter.
template <typename T, typename E>
class [[nodiscard]] TonnixExpected {
 public:
  TonnixExpected(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  TonnixExpected(TonnixUnexpected<E> failure)
      : state_(std::in_place_index<1>, std::move(failure.error)) {}

  bool hasValue() const { return state_.index() == 0; }
  explicit operator bool() const { return hasValue(); }

  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

  const E& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, E> state_;
};

// For operations that produce nothing but can fail.
struct TonnixDone {};

// Evaluates `expression`, a TonnixExpected: on failure returns its error
// from the enclosing function, else declares `name` holding its value, as
// SerenityOS's TRY does:
//   TONNIX_TRY(path, resolveFileLocation(location));
#define TONNIX_TRY(name, expression)                            \
  auto name##Result_ = (expression);                            \
  if (!name##Result_) return unexpected(name##Result_.error()); \
  [[maybe_unused]] auto name = std::move(name##Result_).value()
