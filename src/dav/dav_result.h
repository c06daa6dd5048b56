#ifndef KIVO_DAV_DAV_RESULT_H_
#define KIVO_DAV_DAV_RESULT_H_

// What a collection operation hands back: its value, or a DavError that says
// what went wrong, with which target, and what the user can do about it.
// Nothing in this layer throws.

#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace kivo {

enum class DavErrorKind {
  kUnreachable,    // the host name does not resolve, or nothing listens there
  kTimeout,        // no connection, or no byte moving, within the time-out
  kTls,            // the TLS handshake failed or the certificate is not trusted
  kUnauthorized,   // 401, or no password to send
  kForbidden,      // 403
  kNotFound,       // 404: the collection or the item is not there
  kChanged,        // the item changed or went away since it was read (412 on If-Match)
  kExists,         // an item of that name is already there (412 on If-None-Match)
  kServerError,    // 5xx
  kMalformed,      // an answer that is not what the protocol promises
  kDropped,        // the connection closed in the middle of an exchange
  kNotCollection,  // the URL or folder is not a calendar or address book
  kHttpStatus,     // any other status the operation does not expect
  kBadTarget,      // a URL or folder that cannot be used as given
  kBadItem,        // an item the collection cannot take (no UID, no version)
  kLocal,          // a file system failure in a vdir
};

// A stable printable name ("timeout", "changed") for logs and test output.
const char* DavErrorKindName(DavErrorKind kind);

struct DavError {
  DavErrorKind kind = DavErrorKind::kMalformed;
  std::string target;   // the URL (without user information) or the folder
  std::string message;  // what happened and what to do; never holds a password
  int http_status = 0;  // the status that caused it, 0 for other causes

  // "<target>: <message>", the line a front end shows.
  std::string Text() const;
  // Changed and exists are the expected outcomes of a conditional write that
  // lost a race: the caller reads again and merges. Every other kind means the
  // target is in trouble and the operation cannot go on.
  bool IsConflict() const {
    return kind == DavErrorKind::kChanged || kind == DavErrorKind::kExists;
  }
};

DavError MakeDavError(DavErrorKind kind, std::string target, std::string message,
                      int http_status = 0);

// A value or an error, never both.
template <typename T>
class [[nodiscard]] DavResult {
 public:
  DavResult(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  DavResult(DavError error) : state_(std::in_place_index<1>, std::move(error)) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }
  // Only when ok().
  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  // Only when !ok().
  const DavError& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, DavError> state_;
};

// The value of an operation that has nothing to hand back but success.
struct DavDone {};
using DavStatus = DavResult<DavDone>;

inline DavStatus DavOk() { return DavDone{}; }

}  // namespace kivo

#endif  // KIVO_DAV_DAV_RESULT_H_
