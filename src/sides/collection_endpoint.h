#ifndef KIVO_SIDES_COLLECTION_ENDPOINT_H_
#define KIVO_SIDES_COLLECTION_ENDPOINT_H_

#include <array>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "dav/collection.h"
#include "exchange/item_mapping.h"
#include "sync/sync_endpoint.h"

namespace kivo {

// An address book or a calendar (dav/collection.h: a vdir folder or a
// CardDAV/CalDAV collection on a server) as one side of a sync. An address
// book holds Telephone, a calendar Schedule, Anniversary and To Do; `apps`
// narrows that. Items map to records as the import reads them
// (exchange/item_mapping.h); an item that maps to no record (a journal, a
// card without a name) is left alone, never changed or removed, and an item
// the sync knew that stops mapping keeps its record.
//
// Read lists the collection once (one PROPFIND): an item whose ETag is the
// one the identity map holds is the base record it was, without being
// fetched; new and changed items are fetched together (one REPORT per
// hundred). The first Read of a side the state knows nothing of checks first
// that the target is a collection of its kind (one more request).
//
// An item stands for its record as far as its form can say it: fields it has
// no place for (the reminder of an entry whose alarm is off, blanks at the
// end of a text) stay the record's, and a to-do without a due date keeps the
// one its record had (settle.h). Items that map to no record, that are taken
// in part (a repeating event as its first occurrence) or that belong to an
// application the sync leaves out are named in the notes when read.
//
// Apply works through the changes, item by item, each write conditional:
// a removal deletes the item with the ETag read, an edit patches the item
// (exchange/item_patch.h: what the organizer has no place for stays in it)
// and writes it over the ETag read, an addition creates an item whose UID is
// the record's RecordUid. A write that finds the item changed since it was
// read overwrites nothing and ends Apply with EndpointFault::kChanged; the
// driver then reads again and merges. Each application is confirmed once all
// its items are written; each item's UID stays while its record lives.
// Errors carry the collection's message (dav_result.h: the target and what to
// do). Nothing is read back after the writes: each write's answer already
// names the ETag the collection now holds.
class CollectionEndpoint : public SyncEndpoint {
 public:
  // `context` maps and writes items (the allowed characters, today's date,
  // the time that stamps them).
  CollectionEndpoint(std::unique_ptr<Collection> collection, AppliMask apps, ItemContext context);

  // "contacts <URL>" or "calendar <folder>", the folder absolute.
  std::string Identity() const override;
  // "contacts" or "calendar".
  std::string Label() const override;
  AppliMask Holds() const override { return holds_; }
  BrokenWrite broken_write() const override { return BrokenWrite::kSomeItems; }

  [[nodiscard]] EndpointStatus Read(AppliMask apps, const EndpointMemory& memory,
                                    RecordSet* out) override;
  [[nodiscard]] ApplyOutcome Apply(const std::vector<AppliWrite>& writes,
                                   const EndpointMemory& memory, bool verify,
                                   const std::function<void(AppliId)>& confirmed) override;
  std::optional<IdentityMap> Identities() const override;
  // An item written for a record reads back as the import reads it: without
  // what the item has no place for.
  ReadBackForm ReadBack() const override;
  void TakeAs(AppliId id, const std::vector<RecordEdit>& taken) override;
  std::vector<std::string> Notes() const override { return notes_; }

  Collection& collection() { return *collection_; }

 private:
  // An item that maps to a record of an application read.
  struct Held {
    Record record;  // as the sync takes it (settle.h)
    Record read;    // as the item maps, or the record when it was not fetched
    std::string href;
    std::string etag;
    std::string uid;
    std::optional<ContentDoc> data;  // its lines, when it was fetched
  };

  [[nodiscard]] ExchangeFormat Format() const;
  [[nodiscard]] EndpointStatus ApplyAppli(const AppliWrite& write);
  [[nodiscard]] EndpointStatus FetchForEdits(AppliId id, const std::vector<RecordEdit>& edits);
  [[nodiscard]] std::string NewUid(AppliId id, const Record& record) const;

  std::unique_ptr<Collection> collection_;
  AppliMask holds_;
  ItemContext context_;
  std::string identity_;
  bool checked_ = false;
  bool read_ = false;
  AppliMask read_apps_ = 0;
  std::array<std::vector<Held>, kSyncAppliCount> held_;
  // Entries kept as they were read: items of applications not read this
  // time, items that map to no record.
  std::vector<IdentityEntry> others_;
  std::set<std::string> hrefs_;     // every item's href, listed or created
  std::vector<std::string> notes_;  // of the last Read
};

}  // namespace kivo

#endif  // KIVO_SIDES_COLLECTION_ENDPOINT_H_
