#include "dav/dav_result.h"

namespace kivo {

const char* DavErrorKindName(DavErrorKind kind) {
  switch (kind) {
    case DavErrorKind::kUnreachable:
      return "unreachable";
    case DavErrorKind::kTimeout:
      return "timeout";
    case DavErrorKind::kTls:
      return "tls";
    case DavErrorKind::kUnauthorized:
      return "unauthorized";
    case DavErrorKind::kForbidden:
      return "forbidden";
    case DavErrorKind::kNotFound:
      return "not-found";
    case DavErrorKind::kChanged:
      return "changed";
    case DavErrorKind::kExists:
      return "exists";
    case DavErrorKind::kServerError:
      return "server-error";
    case DavErrorKind::kMalformed:
      return "malformed";
    case DavErrorKind::kDropped:
      return "dropped";
    case DavErrorKind::kNotCollection:
      return "not-collection";
    case DavErrorKind::kHttpStatus:
      return "http-status";
    case DavErrorKind::kBadTarget:
      return "bad-target";
    case DavErrorKind::kBadItem:
      return "bad-item";
    case DavErrorKind::kLocal:
      return "local";
  }
  return "unknown";
}

std::string DavError::Text() const {
  if (target.empty()) return message;
  return target + ": " + message;
}

DavError MakeDavError(DavErrorKind kind, std::string target, std::string message, int http_status) {
  return DavError{kind, std::move(target), std::move(message), http_status};
}

}  // namespace kivo
