#ifndef KIVO_DAV_MULTISTATUS_H_
#define KIVO_DAV_MULTISTATUS_H_

// Reads the 207 Multi-Status body that PROPFIND and REPORT answer with:
//
//   <multistatus xmlns="DAV:">
//     <response>
//       <href>/u/book/a.vcf</href>                      one per resource
//       <propstat>                                      one per status of its properties
//         <prop><getetag>"x1"</getetag> ...</prop>
//         <status>HTTP/1.1 200 OK</status>
//       </propstat>
//     </response>
//     <response><href>/u/book/gone.vcf</href><status>HTTP/1.1 404 Not Found</status></response>
//   </multistatus>
//
// Elements are matched by namespace and local name, whatever prefixes the
// server picked; unknown elements are skipped. Only properties in a propstat
// with a 2xx status count (a 404 propstat lists what the resource lacks).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dav/dav_result.h"
#include "dav/dav_url.h"

namespace kivo {

inline constexpr char kDavNamespace[] = "DAV:";
inline constexpr char kCalDavNamespace[] = "urn:ietf:params:xml:ns:caldav";
inline constexpr char kCardDavNamespace[] = "urn:ietf:params:xml:ns:carddav";

struct DavResource {
  DavHref href;      // resolved against the request's URL, path percent-decoded
  int status = 0;    // the response's own status (a multiget's 404), 0 when it has propstats
  std::string etag;  // getetag as sent, quotes kept; empty when the server gave none
  bool is_collection = false;
  bool is_calendar = false;     // resourcetype holds CalDAV calendar
  bool is_addressbook = false;  // resourcetype holds CardDAV addressbook
  std::string content_type;
  std::string display_name;
  std::vector<std::string> components;  // supported-calendar-component-set: "VEVENT", "VTODO"
  std::optional<std::string> data;      // calendar-data or address-data, lines ending in CR LF
};

// The resources of a multistatus body in document order. Fails with
// kMalformed, named after `request_url`, when the body is not well-formed
// XML, carries a document type declaration, has another root than DAV:
// multistatus, or holds a response without a usable href or with a status line
// that does not parse.
[[nodiscard]] DavResult<std::vector<DavResource>> ReadMultistatus(std::string_view body,
                                                                  std::string_view request_url);

}  // namespace kivo

#endif  // KIVO_DAV_MULTISTATUS_H_
