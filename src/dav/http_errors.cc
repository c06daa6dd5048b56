#include "dav/http_errors.h"

#include <curl/curl.h>

namespace kivo {

namespace {

std::string StatusText(int status) {
  const char* reason = nullptr;
  switch (status) {
    case 400:
      reason = "Bad Request";
      break;
    case 401:
      reason = "Unauthorized";
      break;
    case 403:
      reason = "Forbidden";
      break;
    case 404:
      reason = "Not Found";
      break;
    case 405:
      reason = "Method Not Allowed";
      break;
    case 409:
      reason = "Conflict";
      break;
    case 412:
      reason = "Precondition Failed";
      break;
    case 413:
      reason = "Content Too Large";
      break;
    case 415:
      reason = "Unsupported Media Type";
      break;
    case 500:
      reason = "Internal Server Error";
      break;
    case 502:
      reason = "Bad Gateway";
      break;
    case 503:
      reason = "Service Unavailable";
      break;
    case 504:
      reason = "Gateway Timeout";
      break;
    default:
      break;
  }
  return reason ? std::to_string(status) + " " + reason : std::to_string(status);
}

}  // namespace

DavError TransportError(int curl_code, const std::string& detail, const std::string& target) {
  const auto error = [&](DavErrorKind kind, const std::string& text) {
    return MakeDavError(kind, target, text);
  };
  switch (static_cast<CURLcode>(curl_code)) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return error(DavErrorKind::kUnreachable,
                   "the host name is unknown (" + detail + "): check the URL and the network");
    case CURLE_COULDNT_CONNECT:
      return error(DavErrorKind::kUnreachable,
                   "cannot connect (" + detail +
                       "): check the host and port in the URL and that the server runs");
    case CURLE_OPERATION_TIMEDOUT:
      return error(DavErrorKind::kTimeout,
                   "the server did not answer in time (" + detail +
                       "): check the network and the server, then try again; the next sync "
                       "completes the work");
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
      return error(DavErrorKind::kTls, "the server's certificate is not trusted (" + detail +
                                           "): if the server uses a private CA, pass its "
                                           "certificate with --ca-file");
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CRL_BADFILE:
      return error(DavErrorKind::kTls,
                   "the CA certificates cannot be used (" + detail + "): check --ca-file");
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CIPHER:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_SHUTDOWN_FAILED:
      return error(DavErrorKind::kTls,
                   "the TLS handshake failed (" + detail +
                       "): check that the port in the URL serves https, or use http://");
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
      return error(DavErrorKind::kDropped, "the connection dropped in the middle of an exchange (" +
                                               detail +
                                               "): try again; the next sync completes the work");
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
      return error(DavErrorKind::kMalformed, "the server's answer is not HTTP (" + detail +
                                                 "): check the scheme and port in the URL");
    case CURLE_TOO_MANY_REDIRECTS:
      return error(DavErrorKind::kBadTarget,
                   "the server redirects too often (" + detail + "): check the URL");
    case CURLE_UNSUPPORTED_PROTOCOL:
      return error(DavErrorKind::kBadTarget,
                   "the server redirects to a place that is not followed (" + detail +
                       "); an https URL is never redirected to http: check the URL");
    case CURLE_URL_MALFORMAT:
      return error(DavErrorKind::kBadTarget, "not a usable URL (" + detail + ")");
    case CURLE_LOGIN_DENIED:
      return error(DavErrorKind::kUnauthorized,
                   "the login was refused (" + detail + "): check --user and KIVO_PASSWORD");
    default:
      return error(DavErrorKind::kUnreachable,
                   "the exchange failed (" + detail + "): check the URL and the network");
  }
}

DavError StatusError(int status, const std::string& target, const std::string& user,
                     const std::string& what) {
  const std::string code = StatusText(status);
  if (status == 401) {
    if (user.empty()) {
      return MakeDavError(DavErrorKind::kUnauthorized, target,
                          "the server asks for a login (" + code +
                              "): give the user with --user; the password comes from "
                              "KIVO_PASSWORD, ~/.netrc or a prompt",
                          status);
    }
    return MakeDavError(DavErrorKind::kUnauthorized, target,
                        "the server refused the login of user '" + user + "' (" + code +
                            "): check --user and KIVO_PASSWORD (or ~/.netrc)",
                        status);
  }
  if (status == 403) {
    const std::string who = user.empty() ? "an anonymous user" : "user '" + user + "'";
    return MakeDavError(DavErrorKind::kForbidden, target,
                        "the server does not let " + who + " reach " + what + " (" + code +
                            "): check the URL and the account's rights on the server",
                        status);
  }
  if (status == 404 || status == 410) {
    return MakeDavError(DavErrorKind::kNotFound, target,
                        what + " is not on the server (" + code + "): check the URL", status);
  }
  if (status == 412) {
    return MakeDavError(
        DavErrorKind::kChanged, target,
        what + " changed on the server since it was read (" + code + "): read it again and merge",
        status);
  }
  if (status >= 500) {
    return MakeDavError(DavErrorKind::kServerError, target,
                        "the server failed (" + code +
                            "): try again later, or see the server's log; the next sync "
                            "completes the work",
                        status);
  }
  if (status >= 300 && status < 400) {
    return MakeDavError(
        DavErrorKind::kBadTarget, target,
        "the server sends " + what + " elsewhere (" + code + "): use the URL it points to", status);
  }
  return MakeDavError(DavErrorKind::kHttpStatus, target,
                      "the server answered " + code + " for " + what, status);
}

}  // namespace kivo
