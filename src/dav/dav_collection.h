#ifndef KIVO_DAV_DAV_COLLECTION_H_
#define KIVO_DAV_DAV_COLLECTION_H_

// A CardDAV address book or a CalDAV calendar at a URL. An item's href is the
// last segment of its URL, percent-decoded; its ETag is the server's. A list
// costs one PROPFIND, a fetch one REPORT per hundred items, and writes one
// request each (two when the server leaves the ETag out of a PUT's answer).

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dav/collection.h"
#include "dav/credentials.h"
#include "dav/dav_url.h"
#include "dav/http_client.h"
#include "dav/multistatus.h"

namespace kivo {

class DavCollection : public Collection {
 public:
  // Sends through its own client made from `options` (credentials included).
  DavCollection(DavUrl url, CollectionKind kind, HttpOptions options);

  CollectionKind kind() const override { return kind_; }
  const std::string& target() const override { return url_.url; }

  // PROPFIND Depth 0 of the URL. When the URL is not a collection of this
  // kind, looks beneath it (Depth 1, and one level further into plain
  // collections such as a user's home) and names what it found.
  [[nodiscard]] DavStatus Check() override;
  [[nodiscard]] DavResult<std::vector<ItemRef>> List() override;
  [[nodiscard]] DavResult<std::vector<Item>> Fetch(const std::vector<std::string>& hrefs) override;
  [[nodiscard]] DavResult<Item> Get(const std::string& href) override;
  [[nodiscard]] DavResult<ItemRef> Create(std::string_view uid, std::string_view data) override;
  [[nodiscard]] DavResult<ItemRef> Update(const std::string& href, std::string_view data,
                                          const std::string& etag) override;
  [[nodiscard]] DavStatus Delete(const std::string& href, const std::string& etag) override;

  // The components a calendar takes ("VEVENT", "VTODO"), as Check found them;
  // empty when the server did not say (then it takes every kind).
  const std::vector<std::string>& components() const { return components_; }
  const DavUrl& url() const { return url_; }
  const HttpClient& client() const { return client_; }

 private:
  struct Found {
    std::string url;
    std::string name;
  };
  // The resources of a 207 answer; `answered_from` receives the URL that
  // answered (after redirects).
  DavResult<std::vector<DavResource>> Propfind(const std::string& url, int depth,
                                               const std::string& body, const std::string& what,
                                               std::string* answered_from = nullptr);
  DavResult<std::vector<Found>> FindBeneath();
  DavResult<ItemRef> Put(const std::string& href, std::string_view data, const std::string& header,
                         bool create);
  std::string ItemPath(const std::string& href) const;
  bool IsMember(const DavHref& href) const;
  DavError Error(int status, const std::string& what) const;
  DavError BadHref(const std::string& href) const;

  DavUrl url_;
  CollectionKind kind_;
  HttpClient client_;
  std::vector<std::string> components_;
};

// Parses the URL, finds the password for the user (the given one, else the
// URL's, else ~/.netrc's login for the host) and makes the collection. Does
// not send anything yet; call Check first.
[[nodiscard]] DavResult<std::unique_ptr<DavCollection>> OpenDavCollection(
    std::string_view url, CollectionKind kind, const std::string& user, HttpOptions options,
    const CredentialSources& sources);

// Makes an empty address book (extended MKCOL) or calendar (MKCALENDAR) at
// the URL, for setting up a server.
[[nodiscard]] DavStatus CreateDavCollection(HttpClient& client, const DavUrl& url,
                                            CollectionKind kind, std::string_view display_name);

}  // namespace kivo

#endif  // KIVO_DAV_DAV_COLLECTION_H_
