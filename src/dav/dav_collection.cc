#include "dav/dav_collection.h"

#include <algorithm>
#include <set>
#include <utility>

#include "dav/dav_requests.h"
#include "dav/http_errors.h"
#include "dav/multistatus.h"

namespace kivo {

namespace {

// Hrefs per multiget REPORT: large enough that a thousand items cost ten
// requests, small enough that one answer stays a few hundred kilobytes.
constexpr size_t kMultigetBatch = 100;
// Plain collections (a user's home, say) looked into when the URL is not a
// calendar or address book.
constexpr size_t kHomesSearched = 10;

bool Success(int status) { return status >= 200 && status < 300; }

bool IsKind(const DavResource& resource, CollectionKind kind) {
  return kind == CollectionKind::kContacts ? resource.is_addressbook : resource.is_calendar;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// An ETag goes back into a request header as it came: one line of it only.
bool UsableEtag(const std::string& etag) {
  return !etag.empty() && etag.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

}  // namespace

DavCollection::DavCollection(DavUrl url, CollectionKind kind, HttpOptions options)
    : url_(std::move(url)), kind_(kind), client_(std::move(options)) {}

DavError DavCollection::Error(int status, const std::string& what) const {
  return StatusError(status, url_.url, client_.options().user, what);
}

std::string DavCollection::ItemPath(const std::string& href) const {
  return PercentEncodePath(url_.path) + PercentEncodeSegment(href);
}

bool DavCollection::IsMember(const DavHref& href) const {
  return href.origin == url_.origin && href.path != url_.path &&
         ParentPath(href.path) == url_.path && !LastSegment(href.path).empty();
}

DavResult<std::vector<DavResource>> DavCollection::Propfind(const std::string& url, int depth,
                                                            const std::string& body,
                                                            const std::string& what,
                                                            std::string* answered_from) {
  HttpRequest request{"PROPFIND", url, {"Depth: " + std::to_string(depth)}, kXmlContentType, body};
  DavResult<HttpResponse> response = client_.Send(request);
  if (!response) return response.error();
  const int status = response->status;
  // A plain web server answers PROPFIND like GET, or refuses the method.
  if (status == 200 || status == 405 || status == 501) {
    return MakeDavError(DavErrorKind::kNotCollection, url,
                        "this URL does not answer WebDAV requests (" + std::to_string(status) +
                            " to PROPFIND): check the URL",
                        status);
  }
  if (status != 207) return StatusError(status, url, client_.options().user, what);
  if (answered_from != nullptr) *answered_from = response->url;
  return ReadMultistatus(response->body, response->url);
}

DavStatus DavCollection::Check() {
  std::string answered_from;
  DavResult<std::vector<DavResource>> resources =
      Propfind(url_.url, 0, PropfindCollectionBody(), "the " + std::string(CollectionNoun(kind_)),
               &answered_from);
  if (!resources) return resources.error();
  // A server that moved the collection: later requests go straight there.
  if (answered_from != url_.url) {
    if (DavResult<DavUrl> moved = ParseCollectionUrl(answered_from)) {
      moved->user = url_.user;
      url_ = std::move(moved.value());
    }
  }
  const CollectionKind other =
      kind_ == CollectionKind::kContacts ? CollectionKind::kCalendar : CollectionKind::kContacts;
  for (const DavResource& resource : resources.value()) {
    if (resource.href.path != url_.path) continue;
    if (IsKind(resource, kind_)) {
      components_ = resource.components;
      return DavOk();
    }
    if (IsKind(resource, other)) {
      return MakeDavError(DavErrorKind::kNotCollection, url_.url,
                          "this is a " + std::string(CollectionNoun(other)) + ", not " +
                              (kind_ == CollectionKind::kContacts ? "an " : "a ") +
                              CollectionNoun(kind_) + ": check the URL");
    }
  }
  DavResult<std::vector<Found>> found = FindBeneath();
  if (!found) return found.error();
  std::string message =
      "this is not a " +
      std::string(kind_ == CollectionKind::kContacts ? "CardDAV address book" : "CalDAV calendar");
  if (found->empty()) {
    message += ", and there is none beneath it: check the URL";
  } else {
    message += "; " + std::string(CollectionNoun(kind_)) + "s found beneath it:";
    for (const Found& each : found.value()) {
      message += " " + each.url;
      if (!each.name.empty()) message += " (" + Quoted(each.name) + ")";
    }
  }
  return MakeDavError(DavErrorKind::kNotCollection, url_.url, message);
}

DavResult<std::vector<DavCollection::Found>> DavCollection::FindBeneath() {
  std::vector<Found> found;
  std::vector<std::string> queue{url_.url};
  std::set<std::string> seen{url_.path};
  for (size_t i = 0; i < queue.size(); ++i) {
    DavResult<std::vector<DavResource>> resources =
        Propfind(queue[i], 1, PropfindCollectionBody(), "the collection");
    // Beneath the URL itself an error counts; deeper down, a home that
    // cannot be read just holds nothing to show.
    if (!resources) {
      if (i == 0) return resources.error();
      continue;
    }
    for (const DavResource& resource : resources.value()) {
      if (resource.href.origin != url_.origin || !resource.is_collection ||
          !seen.insert(resource.href.path).second) {
        continue;
      }
      const std::string url = resource.href.origin + PercentEncodePath(resource.href.path);
      if (IsKind(resource, kind_)) {
        found.push_back({url, resource.display_name});
      } else if (i == 0 && !resource.is_calendar && !resource.is_addressbook &&
                 queue.size() <= kHomesSearched) {
        queue.push_back(url);
      }
    }
  }
  return found;
}

DavResult<std::vector<ItemRef>> DavCollection::List() {
  DavResult<std::vector<DavResource>> resources =
      Propfind(url_.url, 1, PropfindItemsBody(), "the " + std::string(CollectionNoun(kind_)));
  if (!resources) return resources.error();
  std::vector<ItemRef> items;
  for (const DavResource& resource : resources.value()) {
    if (!IsMember(resource.href) || resource.is_collection) continue;
    if (resource.status != 0 && !Success(resource.status)) continue;
    items.push_back({LastSegment(resource.href.path), resource.etag});
  }
  return items;
}

DavResult<std::vector<Item>> DavCollection::Fetch(const std::vector<std::string>& hrefs) {
  std::vector<Item> items;
  for (size_t start = 0; start < hrefs.size(); start += kMultigetBatch) {
    const size_t end = std::min(hrefs.size(), start + kMultigetBatch);
    std::set<std::string> wanted(hrefs.begin() + static_cast<ptrdiff_t>(start),
                                 hrefs.begin() + static_cast<ptrdiff_t>(end));
    std::vector<std::string> paths;
    for (const std::string& href : wanted) {
      if (IsItemHref(href)) paths.push_back(ItemPath(href));
    }
    if (paths.empty()) continue;
    HttpRequest request{
        "REPORT", url_.url, {"Depth: 1"}, kXmlContentType, MultigetBody(kind_, paths)};
    DavResult<HttpResponse> response = client_.Send(request);
    if (!response) return response.error();
    if (response->status != 207) {
      return Error(response->status, "the items of the " + std::string(CollectionNoun(kind_)));
    }
    DavResult<std::vector<DavResource>> resources = ReadMultistatus(response->body, response->url);
    if (!resources) return resources.error();
    for (DavResource& resource : resources.value()) {
      if (!IsMember(resource.href) || !resource.data) continue;
      if (resource.status != 0 && !Success(resource.status)) continue;
      std::string href = LastSegment(resource.href.path);
      if (wanted.erase(href) == 0) continue;  // not asked for, or twice
      items.push_back({std::move(href), std::move(resource.etag), std::move(*resource.data)});
    }
  }
  return items;
}

DavError DavCollection::BadHref(const std::string& href) const {
  return MakeDavError(DavErrorKind::kBadItem, url_.url,
                      Quoted(href) + " cannot name an item of the " + CollectionNoun(kind_));
}

DavResult<Item> DavCollection::Get(const std::string& href) {
  if (!IsItemHref(href)) return BadHref(href);
  DavResult<HttpResponse> response = client_.Send({"GET", ItemUrl(url_, href), {}, {}, {}});
  if (!response) return response.error();
  if (response->status != 200) return Error(response->status, "the item " + Quoted(href));
  return Item{href, response->etag, std::move(response->body)};
}

DavResult<ItemRef> DavCollection::Put(const std::string& href, std::string_view data,
                                      const std::string& header, bool create) {
  const std::string what = "the item " + Quoted(href);
  HttpRequest request{
      "PUT", ItemUrl(url_, href), {header}, ItemContentType(kind_), std::string(data)};
  DavResult<HttpResponse> response = client_.Send(request);
  if (!response) return response.error();
  const int status = response->status;
  if (create && status == 412) {
    return MakeDavError(DavErrorKind::kExists, url_.url,
                        what + " is already in the " + CollectionNoun(kind_) + " (" +
                            std::to_string(status) + "): read it and merge",
                        status);
  }
  if (!create && (status == 412 || status == 404)) {
    return MakeDavError(DavErrorKind::kChanged, url_.url,
                        what + " changed or went away since it was read (" +
                            std::to_string(status) + "): read it again and merge",
                        status);
  }
  if (!Success(status)) return Error(status, what);
  ItemRef ref{href, response->etag};
  // A server that changed what it stored may leave the ETag out; ask for it.
  if (ref.etag.empty()) {
    DavResult<std::vector<DavResource>> props =
        Propfind(ItemUrl(url_, href), 0, PropfindItemsBody(), what);
    if (props && !props->empty()) ref.etag = props->front().etag;
  }
  return ref;
}

DavResult<ItemRef> DavCollection::Create(std::string_view uid, std::string_view data) {
  const std::string href = ItemHrefForUid(uid, kind_);
  if (href.empty()) {
    return MakeDavError(DavErrorKind::kBadItem, url_.url, "an item without a UID cannot be stored");
  }
  return Put(href, data, "If-None-Match: *", true);
}

DavResult<ItemRef> DavCollection::Update(const std::string& href, std::string_view data,
                                         const std::string& etag) {
  if (!IsItemHref(href)) return BadHref(href);
  if (etag.empty()) {
    return MakeDavError(
        DavErrorKind::kBadItem, url_.url,
        "the item " + Quoted(href) + " has no ETag to check against, so it is not overwritten");
  }
  return Put(href, data, "If-Match: " + etag, false);
}

DavStatus DavCollection::Delete(const std::string& href, const std::string& etag) {
  const std::string what = "the item " + Quoted(href);
  if (!IsItemHref(href)) return BadHref(href);
  if (!UsableEtag(etag)) {
    return MakeDavError(DavErrorKind::kBadItem, url_.url,
                        what + " has no ETag to check against, so it is not removed");
  }
  DavResult<HttpResponse> response =
      client_.Send({"DELETE", ItemUrl(url_, href), {"If-Match: " + etag}, {}, {}});
  if (!response) return response.error();
  if (response->status == 412 || response->status == 404) {
    return MakeDavError(DavErrorKind::kChanged, url_.url,
                        what + " changed or went away since it was read (" +
                            std::to_string(response->status) + "): read it again and merge",
                        response->status);
  }
  if (!Success(response->status)) return Error(response->status, what);
  return DavOk();
}

DavResult<std::unique_ptr<DavCollection>> OpenDavCollection(std::string_view url,
                                                            CollectionKind kind,
                                                            const std::string& user,
                                                            HttpOptions options,
                                                            const CredentialSources& sources) {
  DavResult<DavUrl> parsed = ParseCollectionUrl(url);
  if (!parsed) return parsed.error();
  DavResult<Credentials> credentials = ResolveCredentials(parsed.value(), user, sources);
  if (!credentials) return credentials.error();
  options.user = credentials->user;
  options.password = credentials->password;
  return std::make_unique<DavCollection>(std::move(parsed.value()), kind, std::move(options));
}

DavStatus CreateDavCollection(HttpClient& client, const DavUrl& url, CollectionKind kind,
                              std::string_view display_name) {
  const bool contacts = kind == CollectionKind::kContacts;
  HttpRequest request{contacts ? "MKCOL" : "MKCALENDAR",
                      url.url,
                      {},
                      kXmlContentType,
                      MakeCollectionBody(kind, display_name)};
  DavResult<HttpResponse> response = client.Send(request);
  if (!response) return response.error();
  if (!Success(response->status)) {
    return StatusError(response->status, url.url, client.options().user,
                       "a new " + std::string(CollectionNoun(kind)));
  }
  return DavOk();
}

}  // namespace kivo
