#include "dav/dav_requests.h"

namespace kivo {

namespace {

constexpr char kHead[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";

}  // namespace

std::string XmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string PropfindCollectionBody() {
  return std::string(kHead) +
         "<D:propfind xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:caldav\">"
         "<D:prop><D:resourcetype/><D:displayname/><C:supported-calendar-component-set/>"
         "</D:prop></D:propfind>\n";
}

std::string PropfindItemsBody() {
  return std::string(kHead) +
         "<D:propfind xmlns:D=\"DAV:\">"
         "<D:prop><D:getetag/><D:resourcetype/><D:getcontenttype/></D:prop>"
         "</D:propfind>\n";
}

std::string MultigetBody(CollectionKind kind, const std::vector<std::string>& paths) {
  const bool contacts = kind == CollectionKind::kContacts;
  const std::string report = contacts ? "C:addressbook-multiget" : "C:calendar-multiget";
  std::string body =
      std::string(kHead) + "<" + report + " xmlns:D=\"DAV:\" xmlns:C=\"" +
      (contacts ? "urn:ietf:params:xml:ns:carddav" : "urn:ietf:params:xml:ns:caldav") +
      "\"><D:prop><D:getetag/>" + (contacts ? "<C:address-data/>" : "<C:calendar-data/>") +
      "</D:prop>";
  for (const std::string& path : paths) body += "<D:href>" + XmlEscape(path) + "</D:href>";
  return body + "</" + report + ">\n";
}

std::string MakeCollectionBody(CollectionKind kind, std::string_view display_name) {
  const std::string name = "<D:displayname>" + XmlEscape(display_name) + "</D:displayname>";
  if (kind == CollectionKind::kContacts) {
    return std::string(kHead) +
           "<D:mkcol xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\"><D:set><D:prop>"
           "<D:resourcetype><D:collection/><C:addressbook/></D:resourcetype>" +
           name + "</D:prop></D:set></D:mkcol>\n";
  }
  return std::string(kHead) +
         "<C:mkcalendar xmlns:D=\"DAV:\" "
         "xmlns:C=\"urn:ietf:params:xml:ns:caldav\"><D:set><D:prop>" +
         name +
         "<C:supported-calendar-component-set><C:comp name=\"VEVENT\"/><C:comp name=\"VTODO\"/>"
         "</C:supported-calendar-component-set></D:prop></D:set></C:mkcalendar>\n";
}

}  // namespace kivo
