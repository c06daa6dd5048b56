#include "dav/http_client.h"

#include <chrono>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <system_error>

#include <curl/curl.h>

#include "dav/http_errors.h"

namespace kivo {

namespace {

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CURL* Handle(void* curl) { return static_cast<CURL*>(curl); }

struct HeaderList {
  curl_slist* list = nullptr;
  ~HeaderList() { curl_slist_free_all(list); }
  bool Add(const std::string& line) {
    curl_slist* next = curl_slist_append(list, line.c_str());
    if (next == nullptr) return false;
    list = next;
    return true;
  }
};

// The last value of a header of the final answer (after redirects), or empty.
std::string LastHeader(CURL* curl, const char* name) {
  curl_header* header = nullptr;
  if (curl_easy_header(curl, name, 0, CURLH_HEADER, -1, &header) != CURLHE_OK) return {};
  const size_t count = header->amount;
  if (count > 1 &&
      curl_easy_header(curl, name, count - 1, CURLH_HEADER, -1, &header) != CURLHE_OK) {
    return {};
  }
  return header->value;
}

// Whether the server's 401 offers Digest and not Basic, which is the one case
// worth a second try with the other scheme.
bool OffersOnlyDigest(CURL* curl) {
  curl_header* header = nullptr;
  bool digest = false;
  bool basic = false;
  for (size_t i = 0;
       curl_easy_header(curl, "WWW-Authenticate", i, CURLH_HEADER, -1, &header) == CURLHE_OK; ++i) {
    const std::string value = header->value;
    digest = digest || strncasecmp(value.c_str(), "digest", 6) == 0;
    basic = basic || strncasecmp(value.c_str(), "basic", 5) == 0;
    if (i + 1 >= header->amount) break;
  }
  return digest && !basic;
}

}  // namespace

// What one perform collects through libcurl's callbacks.
struct HttpClient::Exchange {
  std::string body;
  size_t max_body = 0;
  bool too_large = false;
  uint64_t requests = 0;
  // Stall detection: the byte counts last seen and when they last moved.
  std::chrono::steady_clock::duration stall_limit{};
  std::chrono::steady_clock::time_point last_progress = std::chrono::steady_clock::now();
  curl_off_t last_bytes = -1;
  bool stalled = false;

  static size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* self = static_cast<Exchange*>(user);
    const size_t bytes = size * count;
    if (self->body.size() + bytes > self->max_body) {
      self->too_large = true;
      return 0;  // stops the transfer with CURLE_WRITE_ERROR
    }
    self->body.append(data, bytes);
    return bytes;
  }
  // libcurl calls this at least once a second while a transfer runs.
  static int OnProgress(void* user, curl_off_t, curl_off_t down, curl_off_t, curl_off_t up) {
    auto* self = static_cast<Exchange*>(user);
    const auto now = std::chrono::steady_clock::now();
    if (down + up != self->last_bytes) {
      self->last_bytes = down + up;
      self->last_progress = now;
    } else if (now - self->last_progress >= self->stall_limit) {
      self->stalled = true;
      return 1;  // stops the transfer with CURLE_ABORTED_BY_CALLBACK
    }
    return 0;
  }
  // Each request line and header block going out is one request on the wire.
  static int OnDebug(CURL*, curl_infotype type, char*, size_t, void* user) {
    if (type == CURLINFO_HEADER_OUT) ++static_cast<Exchange*>(user)->requests;
    return 0;
  }
};

HttpClient::HttpClient(HttpOptions options) : options_(std::move(options)) {
  InitCurlOnce();
  curl_ = curl_easy_init();
}

HttpClient::~HttpClient() { curl_easy_cleanup(Handle(curl_)); }

DavResult<HttpResponse> HttpClient::Send(const HttpRequest& request) {
  if (curl_ == nullptr) {
    return MakeDavError(DavErrorKind::kLocal, request.url, "libcurl could not be started");
  }
  if (!options_.ca_file.empty()) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(options_.ca_file, error)) {
      return MakeDavError(DavErrorKind::kBadTarget, request.url,
                          "the CA file " + options_.ca_file + " cannot be read: check --ca-file");
    }
  }
  bool digest_offered = false;
  DavResult<HttpResponse> result = SendOnce(request, &digest_offered);
  if (result.ok() && result->status == 401 && digest_offered && !use_digest_ &&
      !options_.user.empty()) {
    use_digest_ = true;
    result = SendOnce(request, &digest_offered);
  }
  return result;
}

DavResult<HttpResponse> HttpClient::SendOnce(const HttpRequest& request, bool* digest_offered) {
  CURL* curl = Handle(curl_);
  // A reset keeps the open connections and drops every option of the last request.
  curl_easy_reset(curl);
  Exchange exchange;
  exchange.max_body = options_.max_body_bytes;
  char error_text[CURL_ERROR_SIZE] = {0};

  HeaderList headers;
  bool headers_ok = headers.Add("Expect:");  // no 100-continue round trip before a body
  if (!request.body.empty() || !request.content_type.empty()) {
    headers_ok = headers_ok && headers.Add("Content-Type: " + request.content_type);
  }
  for (const std::string& line : request.headers) headers_ok = headers_ok && headers.Add(line);
  if (!headers_ok) return MakeDavError(DavErrorKind::kLocal, request.url, "out of memory");

  const bool https = strncasecmp(request.url.c_str(), "https:", 6) == 0;
  curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "kivo-link");
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.list);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error_text);
  curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Exchange::OnBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &exchange);
  curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, &Exchange::OnDebug);
  curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &exchange);
  curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);  // feeds OnDebug only; it prints nothing

  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, options_.max_redirects > 0 ? 1L : 0L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, static_cast<long>(options_.max_redirects));
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, https ? "https" : "http,https");
  curl_easy_setopt(curl, CURLOPT_POSTREDIR, static_cast<long>(CURL_REDIR_POST_ALL));

  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!options_.ca_file.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, options_.ca_file.c_str());

  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                   static_cast<long>(options_.connect_timeout.count()));
  exchange.stall_limit = options_.transfer_timeout;
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &Exchange::OnProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &exchange);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);

  if (!options_.user.empty()) {
    curl_easy_setopt(curl, CURLOPT_HTTPAUTH, use_digest_ ? CURLAUTH_DIGEST : CURLAUTH_BASIC);
    curl_easy_setopt(curl, CURLOPT_USERNAME, options_.user.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, options_.password.c_str());
  }

  if (request.method == "GET") {
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  } else {
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    if (!request.body.empty() || request.method == "PUT") {
      curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
      curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                       static_cast<curl_off_t>(request.body.size()));
    }
  }

  const CURLcode code = curl_easy_perform(curl);
  requests_sent_ += exchange.requests;
  if (code != CURLE_OK) {
    if (exchange.too_large) {
      return MakeDavError(DavErrorKind::kMalformed, request.url,
                          "the answer is larger than " +
                              std::to_string(options_.max_body_bytes >> 20) +
                              " MiB: check that the URL points at a calendar or address book");
    }
    if (exchange.stalled) {
      return TransportError(
          CURLE_OPERATION_TIMEDOUT,
          "nothing moved for " + std::to_string(options_.transfer_timeout.count()) + " s",
          request.url);
    }
    const std::string detail = error_text[0] != 0 ? error_text : curl_easy_strerror(code);
    return TransportError(code, detail, request.url);
  }

  HttpResponse response;
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  response.status = static_cast<int>(status);
  char* effective_url = nullptr;
  curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effective_url);
  response.url = effective_url != nullptr ? effective_url : request.url;
  response.etag = LastHeader(curl, "ETag");
  response.content_type = LastHeader(curl, "Content-Type");
  response.body = std::move(exchange.body);
  *digest_offered = response.status == 401 && OffersOnlyDigest(curl);
  return response;
}

}  // namespace kivo
