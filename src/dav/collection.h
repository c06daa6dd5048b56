#ifndef KIVO_DAV_COLLECTION_H_
#define KIVO_DAV_COLLECTION_H_

// A calendar or an address book as sync sees it: a flat set of items, each a
// whole vCard or iCalendar text, named by an href and versioned by an ETag.
// Two kinds live behind it: a CalDAV/CardDAV collection on a server
// (DavCollection) and a vdir folder with one item per file (VdirCollection).
// Both keep the same promises:
// - every write is conditional: an update or delete names the ETag it read,
//   and fails with kChanged when the item changed or went away since, instead
//   of overwriting; a create fails with kExists when its name is taken;
// - a failed operation changes nothing it did not report as done.
// Operations block; a collection is used from one thread at a time.

#include <string>
#include <string_view>
#include <vector>

#include "dav/dav_result.h"

namespace kivo {

enum class CollectionKind {
  kContacts,  // vCards: a CardDAV address book, or a vdir of .vcf files
  kCalendar,  // iCalendar objects: a CalDAV calendar, or a vdir of .ics files
};

// ".vcf" or ".ics".
const char* ItemExtension(CollectionKind kind);
// "text/vcard; charset=utf-8" or "text/calendar; charset=utf-8".
const char* ItemContentType(CollectionKind kind);
// "address book" or "calendar", for messages.
const char* CollectionNoun(CollectionKind kind);

// Where an item is and which version of it was seen.
struct ItemRef {
  std::string href;  // the item's name in the collection: one path segment, percent-decoded
  std::string etag;  // the server's ETag (quotes kept), or a vdir file's version tag
  bool operator==(const ItemRef&) const = default;
};

struct Item {
  std::string href;
  std::string etag;
  std::string data;  // the vCard or iCalendar text as stored
};

class Collection {
 public:
  virtual ~Collection() = default;

  virtual CollectionKind kind() const = 0;
  // The URL (without user information) or folder that errors name.
  virtual const std::string& target() const = 0;

  // Checks that the target is a collection of this kind; kNotCollection when
  // it is not, naming the collections of this kind found beneath it.
  [[nodiscard]] virtual DavStatus Check() = 0;
  // Every item's href and ETag, in no particular order, without the items.
  [[nodiscard]] virtual DavResult<std::vector<ItemRef>> List() = 0;
  // The items of the given hrefs; an href that is not there is left out.
  [[nodiscard]] virtual DavResult<std::vector<Item>> Fetch(
      const std::vector<std::string>& hrefs) = 0;
  // One item; kNotFound when it is not there.
  [[nodiscard]] virtual DavResult<Item> Get(const std::string& href) = 0;
  // Stores a new item under ItemHrefForUid(uid); kExists when that href is taken.
  [[nodiscard]] virtual DavResult<ItemRef> Create(std::string_view uid, std::string_view data) = 0;
  // Replaces the item when it still has `etag`; kChanged when not (or when it
  // is gone). Returns its new ETag.
  [[nodiscard]] virtual DavResult<ItemRef> Update(const std::string& href, std::string_view data,
                                                  const std::string& etag) = 0;
  // Removes the item when it still has `etag`; kChanged when not (or when it is gone).
  [[nodiscard]] virtual DavStatus Delete(const std::string& href, const std::string& etag) = 0;
};

// The href of a new item: the UID and the extension when the UID is made of
// letters, digits and "-_.@+=" only (at most 200 of them, no leading dot);
// otherwise those characters of it (the others as '_', at most 64) and a hash
// of the whole UID, so that different UIDs get different names and any UID
// gives a safe file name and URL segment. Empty for an empty UID.
std::string ItemHrefForUid(std::string_view uid, CollectionKind kind);

// Whether `href` can name an item at all: not empty, "." or "..", and
// without '/' or NUL. (A vdir also refuses a leading dot: such files are hidden.)
bool IsItemHref(std::string_view href);

}  // namespace kivo

#endif  // KIVO_DAV_COLLECTION_H_
