#ifndef KIVO_DAV_HTTP_CLIENT_H_
#define KIVO_DAV_HTTP_CLIENT_H_

// HTTP over libcurl, as much of it as WebDAV needs: any method with a body and
// headers, the answer's status, ETag and body. One client keeps its
// connection open between requests. Not thread-safe: one client per thread.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dav/dav_result.h"

namespace kivo {

struct HttpOptions {
  // Sent with Basic authentication, or Digest when the server offers only that.
  // An empty user sends no credentials.
  std::string user;
  std::string password;
  // Certificates of a private CA (PEM), trusted besides the system's. The
  // server's certificate and host name are always checked; nothing turns that off.
  std::string ca_file;
  std::chrono::milliseconds connect_timeout{15000};
  // The longest time the exchange may stand still: no byte sent or received.
  std::chrono::seconds transfer_timeout{60};
  // Redirects followed per request; an https request is never redirected to
  // http, and credentials never go to another host.
  int max_redirects = 5;
  // A larger answer is refused (kMalformed) instead of filling the memory.
  size_t max_body_bytes = size_t{256} << 20;
};

struct HttpRequest {
  std::string method;  // "PROPFIND", "REPORT", "GET", "PUT", "DELETE", "MKCOL", ...
  std::string url;
  std::vector<std::string> headers;  // whole lines: "Depth: 1", "If-Match: \"abc\""
  std::string content_type;          // of the body; ignored without one
  std::string body;
};

struct HttpResponse {
  int status = 0;
  std::string url;   // where the answer came from, after redirects
  std::string etag;  // the ETag header as sent (quotes kept), empty when none
  std::string content_type;
  std::string body;
};

class HttpClient {
 public:
  explicit HttpClient(HttpOptions options);
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // Sends the request and blocks until the whole answer is in or the exchange
  // fails. Every status comes back as a response; the errors are the
  // exchange's own: kUnreachable, kTimeout, kTls, kDropped, kMalformed (an
  // answer over max_body_bytes), kBadTarget (a URL or CA file libcurl refuses),
  // named after the request's URL.
  [[nodiscard]] DavResult<HttpResponse> Send(const HttpRequest& request);

  // Requests put on the wire so far, redirects and authentication rounds included.
  uint64_t requests_sent() const { return requests_sent_; }
  const HttpOptions& options() const { return options_; }

 private:
  struct Exchange;
  DavResult<HttpResponse> SendOnce(const HttpRequest& request, bool* digest_offered);

  HttpOptions options_;
  void* curl_;  // CURL*, kept between requests for its open connections
  bool use_digest_ = false;
  uint64_t requests_sent_ = 0;
};

}  // namespace kivo

#endif  // KIVO_DAV_HTTP_CLIENT_H_
