#ifndef KIVO_PLATFORM_RESULT_H_
#define KIVO_PLATFORM_RESULT_H_

// What an operation that can fail hands back: its value, or the message that
// says why it failed, in the words a front end shows as they are. Layers with
// codes of their own (the store's −1..−9, the link's ResultCode, a DavError's
// kind) keep them; this carries the text beside or instead of them.

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace kivo {

// Why an operation failed. A type of its own so that a Result<std::string>
// knows a message from a value.
struct Failure {
  std::string message;
};

// A value or a failure, never both.
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure.message)) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }
  // Only when ok().
  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  // Only when !ok().
  const std::string& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, std::string> state_;
};

// Success with nothing to hand back, or a failure. Default-constructed it is
// a success.
template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Failure failure) : error_(std::move(failure.message)) {}

  bool ok() const { return !error_.has_value(); }
  explicit operator bool() const { return ok(); }
  // Only when !ok().
  const std::string& error() const { return *error_; }

 private:
  std::optional<std::string> error_;
};

using Status = Result<void>;

}  // namespace kivo

#endif  // KIVO_PLATFORM_RESULT_H_
