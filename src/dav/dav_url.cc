#include "dav/dav_url.h"

#include <cctype>
#include <memory>

#include <curl/curl.h>

namespace kivo {

namespace {

struct UrlHandleFree {
  void operator()(CURLU* handle) const { curl_url_cleanup(handle); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlHandleFree>;

// One part of a parsed URL; empty when absent or on failure.
std::string Part(CURLU* handle, CURLUPart part, unsigned flags = 0) {
  char* text = nullptr;
  if (curl_url_get(handle, part, &text, flags) != CURLUE_OK || text == nullptr) return {};
  std::string result(text);
  curl_free(text);
  return result;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string OriginOf(CURLU* handle) {
  std::string origin =
      Lower(Part(handle, CURLUPART_SCHEME)) + "://" + Lower(Part(handle, CURLUPART_HOST));
  std::string port = Part(handle, CURLUPART_PORT, CURLU_NO_DEFAULT_PORT);
  if (!port.empty()) origin += ":" + port;
  return origin;
}

bool Unreserved(unsigned char c) {
  return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '@';
}

}  // namespace

DavResult<DavUrl> ParseCollectionUrl(std::string_view text) {
  const std::string target(text);
  auto fail = [&](const std::string& why) {
    return MakeDavError(DavErrorKind::kBadTarget, target, why);
  };
  UrlHandle handle(curl_url());
  if (!handle) return fail("out of memory");
  if (curl_url_set(handle.get(), CURLUPART_URL, target.c_str(), CURLU_NON_SUPPORT_SCHEME) !=
      CURLUE_OK) {
    return fail("not a URL: write it as https://host/path/ or http://host:port/path/");
  }
  const std::string scheme = Lower(Part(handle.get(), CURLUPART_SCHEME));
  if (scheme != "http" && scheme != "https") {
    return fail("only http and https URLs can be synchronized");
  }
  DavUrl url;
  url.user = Part(handle.get(), CURLUPART_USER, CURLU_URLDECODE);
  const bool has_password = !Part(handle.get(), CURLUPART_PASSWORD).empty();
  if (has_password) {
    // Say it without repeating the URL: it holds the password.
    return MakeDavError(DavErrorKind::kBadTarget, "the URL",
                        "a password does not belong in the URL: set KIVO_PASSWORD or put it "
                        "in ~/.netrc");
  }
  if (!Part(handle.get(), CURLUPART_QUERY).empty()) {
    return fail("a collection URL has no query (the part after '?')");
  }
  std::string decoded = Part(handle.get(), CURLUPART_PATH, CURLU_URLDECODE);
  if (decoded.empty()) return fail("the path of the URL does not decode");
  if (decoded.back() != '/') decoded += '/';
  url.origin = OriginOf(handle.get());
  url.host = Lower(Part(handle.get(), CURLUPART_HOST));
  url.path = decoded;
  url.url = url.origin + PercentEncodePath(decoded);
  return url;
}

std::optional<DavHref> ResolveHref(std::string_view base_url, std::string_view href) {
  UrlHandle handle(curl_url());
  if (!handle) return std::nullopt;
  const std::string base(base_url);
  const std::string reference(href);
  if (curl_url_set(handle.get(), CURLUPART_URL, base.c_str(), CURLU_NON_SUPPORT_SCHEME) !=
          CURLUE_OK ||
      curl_url_set(handle.get(), CURLUPART_URL, reference.c_str(),
                   CURLU_NON_SUPPORT_SCHEME | CURLU_ALLOW_SPACE) != CURLUE_OK) {
    return std::nullopt;
  }
  DavHref result;
  result.path = Part(handle.get(), CURLUPART_PATH, CURLU_URLDECODE);
  if (result.path.empty() || result.path.find('\0') != std::string::npos) return std::nullopt;
  result.origin = OriginOf(handle.get());
  return result;
}

std::string PercentEncodeSegment(std::string_view name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(name.size());
  for (unsigned char c : name) {
    if (Unreserved(c)) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string PercentEncodePath(std::string_view path) {
  std::string out;
  size_t start = 0;
  while (true) {
    const size_t slash = path.find('/', start);
    out += PercentEncodeSegment(path.substr(start, slash - start));
    if (slash == std::string_view::npos) break;
    out += '/';
    start = slash + 1;
  }
  return out;
}

std::string ItemUrl(const DavUrl& collection, std::string_view name) {
  return collection.url + PercentEncodeSegment(name);
}

std::string LastSegment(std::string_view path) {
  if (!path.empty() && path.back() == '/') path.remove_suffix(1);
  const size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ParentPath(std::string_view path) {
  if (!path.empty() && path.back() == '/') path.remove_suffix(1);
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

}  // namespace kivo
