#include "dav/multistatus.h"

#include <climits>
#include <cstring>
#include <memory>
#include <mutex>

#include <libxml/parser.h>
#include <libxml/tree.h>

namespace kivo {

namespace {

struct DocFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct ContextFree {
  void operator()(xmlParserCtxt* context) const { xmlFreeParserCtxt(context); }
};

bool Is(const xmlNode* node, const char* ns, const char* name) {
  return node != nullptr && node->type == XML_ELEMENT_NODE && node->ns != nullptr &&
         node->ns->href != nullptr &&
         std::strcmp(reinterpret_cast<const char*>(node->ns->href), ns) == 0 &&
         std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

// Element children of `parent` with the given name, in order.
template <typename Visit>
void ForEachChild(const xmlNode* parent, const char* ns, const char* name, Visit visit) {
  for (const xmlNode* child = parent->children; child != nullptr; child = child->next) {
    if (Is(child, ns, name)) visit(child);
  }
}

const xmlNode* FirstChild(const xmlNode* parent, const char* ns, const char* name) {
  for (const xmlNode* child = parent->children; child != nullptr; child = child->next) {
    if (Is(child, ns, name)) return child;
  }
  return nullptr;
}

std::string Text(const xmlNode* node) {
  xmlChar* content = xmlNodeGetContent(node);
  if (content == nullptr) return {};
  std::string text(reinterpret_cast<const char*>(content));
  xmlFree(content);
  return text;
}

std::string Trimmed(std::string text) {
  const char* space = " \t\r\n";
  const size_t first = text.find_first_not_of(space);
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(space) - first + 1);
}

// "HTTP/1.1 207 Multi-Status" -> 207; 0 when it does not parse.
int ParseStatusLine(const std::string& line) {
  const std::string text = Trimmed(line);
  if (text.compare(0, 5, "HTTP/") != 0) return 0;
  const size_t space = text.find(' ');
  if (space == std::string::npos || text.size() < space + 4) return 0;
  int status = 0;
  for (size_t i = space + 1; i < space + 4; ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    status = status * 10 + (text[i] - '0');
  }
  if (text.size() > space + 4 && text[space + 4] != ' ') return 0;
  return status >= 100 ? status : 0;
}

// An XML reader turns each CR LF of the text into LF; vCard and iCalendar
// lines end in CR LF, so the item gets them back (an escaped &#13; survives
// the reader and is not doubled).
std::string WithCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

void ReadProps(const xmlNode* prop, DavResource* resource) {
  for (const xmlNode* node = prop->children; node != nullptr; node = node->next) {
    if (Is(node, kDavNamespace, "getetag")) {
      resource->etag = Trimmed(Text(node));
    } else if (Is(node, kDavNamespace, "resourcetype")) {
      resource->is_collection = FirstChild(node, kDavNamespace, "collection") != nullptr;
      resource->is_calendar = FirstChild(node, kCalDavNamespace, "calendar") != nullptr;
      resource->is_addressbook = FirstChild(node, kCardDavNamespace, "addressbook") != nullptr;
    } else if (Is(node, kDavNamespace, "getcontenttype")) {
      resource->content_type = Trimmed(Text(node));
    } else if (Is(node, kDavNamespace, "displayname")) {
      resource->display_name = Trimmed(Text(node));
    } else if (Is(node, kCalDavNamespace, "supported-calendar-component-set")) {
      ForEachChild(node, kCalDavNamespace, "comp", [&](const xmlNode* comp) {
        xmlChar* name = xmlGetProp(comp, reinterpret_cast<const xmlChar*>("name"));
        if (name == nullptr) return;
        resource->components.emplace_back(reinterpret_cast<const char*>(name));
        xmlFree(name);
      });
    } else if (Is(node, kCalDavNamespace, "calendar-data") ||
               Is(node, kCardDavNamespace, "address-data")) {
      resource->data = WithCrLf(Text(node));
    }
  }
}

// Appends the resources of one <response>; an empty string, or why it is refused.
std::string ReadResponse(const xmlNode* response, std::string_view request_url,
                         std::vector<DavResource>* out) {
  DavResource resource;
  if (const xmlNode* status = FirstChild(response, kDavNamespace, "status")) {
    resource.status = ParseStatusLine(Text(status));
    if (resource.status == 0) return "a response status that is not an HTTP status line";
  }
  bool has_propstat = false;
  std::string refused;
  ForEachChild(response, kDavNamespace, "propstat", [&](const xmlNode* propstat) {
    has_propstat = true;
    const xmlNode* status = FirstChild(propstat, kDavNamespace, "status");
    const int code = status ? ParseStatusLine(Text(status)) : 0;
    if (code == 0) {
      refused = "a propstat without an HTTP status line";
      return;
    }
    const xmlNode* prop = FirstChild(propstat, kDavNamespace, "prop");
    if (code >= 200 && code < 300 && prop != nullptr) ReadProps(prop, &resource);
  });
  if (!refused.empty()) return refused;
  if (!has_propstat && resource.status == 0) return "a response with neither status nor propstat";

  size_t hrefs = 0;
  ForEachChild(response, kDavNamespace, "href", [&](const xmlNode* href) {
    if (!refused.empty()) return;
    const std::string text = Trimmed(Text(href));
    std::optional<DavHref> resolved = ResolveHref(request_url, text);
    if (text.empty() || !resolved) {
      refused = "an href that is not a usable URL";
      return;
    }
    // A collection's path ends in '/', however the server spelled it.
    if (resource.is_collection && resolved->path.back() != '/') resolved->path += '/';
    ++hrefs;
    out->push_back(resource);
    out->back().href = std::move(*resolved);
  });
  if (!refused.empty()) return refused;
  if (hrefs == 0) return "a response without an href";
  // Only the short form (hrefs sharing one status) names several resources.
  if (hrefs > 1 && has_propstat) return "a response with properties for several hrefs";
  return {};
}

DavError Refuse(std::string_view request_url, const std::string& why) {
  return MakeDavError(DavErrorKind::kMalformed, std::string(request_url),
                      "the server's answer is not a valid multistatus (" + why +
                          "): check that the URL points at a CalDAV or CardDAV server");
}

}  // namespace

DavResult<std::vector<DavResource>> ReadMultistatus(std::string_view body,
                                                    std::string_view request_url) {
  static std::once_flag once;
  std::call_once(once, [] { xmlInitParser(); });
  if (body.size() > static_cast<size_t>(INT_MAX)) return Refuse(request_url, "too large");

  std::unique_ptr<xmlParserCtxt, ContextFree> context(xmlNewParserCtxt());
  if (!context) return Refuse(request_url, "out of memory");
  // No network, no messages on stderr; entities are left unexpanded.
  const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
  std::unique_ptr<xmlDoc, DocFree> doc(xmlCtxtReadMemory(
      context.get(), body.data(), static_cast<int>(body.size()), nullptr, nullptr, options));
  if (!doc) {
    const xmlError* error = &context->lastError;
    std::string why = error->message ? Trimmed(error->message) : "not well-formed XML";
    if (error->line > 0) why += " at line " + std::to_string(error->line);
    return Refuse(request_url, why);
  }
  // A multistatus never needs one, and its entities could blow up the text.
  if (doc->intSubset != nullptr || doc->extSubset != nullptr) {
    return Refuse(request_url, "a document type declaration");
  }
  const xmlNode* root = xmlDocGetRootElement(doc.get());
  if (!Is(root, kDavNamespace, "multistatus")) {
    return Refuse(request_url, "its root element is not DAV: multistatus");
  }
  std::vector<DavResource> resources;
  std::string refused;
  ForEachChild(root, kDavNamespace, "response", [&](const xmlNode* response) {
    if (refused.empty()) refused = ReadResponse(response, request_url, &resources);
  });
  if (!refused.empty()) return Refuse(request_url, refused);
  return resources;
}

}  // namespace kivo
