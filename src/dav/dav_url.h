#ifndef KIVO_DAV_DAV_URL_H_
#define KIVO_DAV_DAV_URL_H_

// URLs of collections and items. A collection URL is kept in one normal form
// (scheme and host in lower case, no default port, no user information, a path
// ending in '/'), so that hrefs a server answers with, in whatever spelling,
// can be compared with it: an href is resolved against the URL it answers and
// compared as an origin and a percent-decoded path.

#include <optional>
#include <string>
#include <string_view>

#include "dav/dav_result.h"

namespace kivo {

struct DavUrl {
  std::string url;     // the normal form, as requests are sent to it
  std::string origin;  // "https://host" or "http://host:5232"
  std::string host;    // "host", as ~/.netrc names machines
  std::string path;    // percent-decoded, starting and (for a collection) ending with '/'
  std::string user;    // the user named in the URL ("https://alice@host/"), if any
};

// An http or https URL of a collection. Refuses other schemes, a query, and a
// password written into the URL (passwords never come from the command line).
[[nodiscard]] DavResult<DavUrl> ParseCollectionUrl(std::string_view text);

// A place a server named in a multistatus answer.
struct DavHref {
  std::string origin;
  std::string path;  // percent-decoded
  bool operator==(const DavHref&) const = default;
};

// Resolves an href (absolute URL, absolute path or relative reference) against
// the URL of the request it answered. Empty when it cannot be parsed or its
// path does not decode (a %00, say).
[[nodiscard]] std::optional<DavHref> ResolveHref(std::string_view base_url, std::string_view href);

// Percent-encodes everything but letters, digits and "-._~@", so that a name
// stays one path segment whatever it holds.
std::string PercentEncodeSegment(std::string_view name);
// Encodes each segment of a decoded path; the '/' between them stay.
std::string PercentEncodePath(std::string_view path);

// The URL of the item `name` (one decoded segment) in the collection.
std::string ItemUrl(const DavUrl& collection, std::string_view name);

// The last segment of a decoded path ("a.vcf" of "/u/book/a.vcf"); a trailing
// '/' is ignored. The parent is everything up to and including the '/' before it.
std::string LastSegment(std::string_view path);
std::string ParentPath(std::string_view path);

}  // namespace kivo

#endif  // KIVO_DAV_DAV_URL_H_
