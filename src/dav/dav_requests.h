#ifndef KIVO_DAV_DAV_REQUESTS_H_
#define KIVO_DAV_DAV_REQUESTS_H_

// The XML bodies this program sends. Each asks for the few properties its
// caller reads back, so an answer for a thousand items stays small.

#include <string>
#include <string_view>
#include <vector>

#include "dav/collection.h"

namespace kivo {

inline constexpr char kXmlContentType[] = "application/xml; charset=utf-8";

// PROPFIND (Depth 0 or 1) of what tells a calendar or address book from
// other collections, and what it is called:
//   <D:propfind xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:caldav">
//     <D:prop><D:resourcetype/><D:displayname/><C:supported-calendar-component-set/></D:prop>
//   </D:propfind>
std::string PropfindCollectionBody();

// PROPFIND Depth 1 of the items' versions: getetag, resourcetype (to skip
// sub-collections) and getcontenttype.
std::string PropfindItemsBody();

// REPORT of several items at once, by their percent-encoded paths:
//   <C:addressbook-multiget xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav">
//     <D:prop><D:getetag/><C:address-data/></D:prop>
//     <D:href>/u/book/a.vcf</D:href> ...
//   </C:addressbook-multiget>
// A calendar's is calendar-multiget with calendar-data in the CalDAV namespace.
std::string MultigetBody(CollectionKind kind, const std::vector<std::string>& paths);

// MKCOL of an address book (extended MKCOL) and MKCALENDAR of a calendar,
// each with its display name.
std::string MakeCollectionBody(CollectionKind kind, std::string_view display_name);

// Text with &, <, > and quotes written as entities.
std::string XmlEscape(std::string_view text);

}  // namespace kivo

#endif  // KIVO_DAV_DAV_REQUESTS_H_
