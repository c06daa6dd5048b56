#include "sides/collection_endpoint.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <unordered_map>

#include "dav/open_collection.h"
#include "exchange/item_patch.h"
#include "exchange/record_uid.h"
#include "store/record_codec.h"

namespace kivo {

namespace {

AppliMask KindAppli(CollectionKind kind) {
  return kind == CollectionKind::kContacts
             ? AppliBit(kTelephone)
             : static_cast<AppliMask>(AppliBit(kSchedule) | AppliBit(kAnniversary) |
                                      AppliBit(kToDo));
}

AppliId FirstAppli(AppliMask mask) {
  AppliId id = 0;
  while (id + 1 < kSyncAppliCount && !HasAppli(mask, id)) ++id;
  return id;
}

// A collection's error as the sync reports it: a lost race is no failure of
// the target but a reason to read again.
EndpointStatus StatusOf(const DavError& error) {
  EndpointCode code;
  if (error.http_status != 0) code = HttpStatus{error.http_status};
  if (error.IsConflict()) return EndpointStatus::Changed(error.Text(), code);
  if (error.kind == DavErrorKind::kNotCollection || error.kind == DavErrorKind::kBadTarget) {
    return EndpointStatus::Refused(error.Text(), code);
  }
  return EndpointStatus::Failed(error.Text(), code);
}

// The item's name for the user: the last part of its href.
std::string ItemName(const std::string& href) {
  const size_t slash = href.find_last_of('/', href.size() > 1 ? href.size() - 2 : 0);
  return slash == std::string::npos ? href : href.substr(slash + 1);
}

// The record with the date the item did not give taken from `was`, the
// record the item stood for: a to-do's due date, an anniversary's year.
void KeepDate(AppliId id, const Record& was, Record& record) {
  const size_t from = id == kToDo ? 1 : 0;
  const size_t size = id == kToDo ? 4 : 2;
  if ((id != kToDo && id != kAnniversary) || was.size() < from + size ||
      record.size() < from + size) {
    return;
  }
  std::copy_n(was.begin() + static_cast<ptrdiff_t>(from), size,
              record.begin() + static_cast<ptrdiff_t>(from));
}

}  // namespace

CollectionEndpoint::CollectionEndpoint(std::unique_ptr<Collection> collection, AppliMask apps,
                                       ItemContext context)
    : collection_(std::move(collection)),
      holds_(static_cast<AppliMask>(apps & KindAppli(collection_->kind()))),
      context_(std::move(context)) {
  std::string place = collection_->target();
  if (!IsServerPlace(place)) {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::absolute(place, ec);
    place = std::filesystem::weakly_canonical(folder, ec).string();
    if (ec) place = folder.lexically_normal().string();
  }
  identity_ = Label() + " " + place;
}

std::string CollectionEndpoint::Identity() const { return identity_; }

std::string CollectionEndpoint::Label() const {
  return collection_->kind() == CollectionKind::kContacts ? "contacts" : "calendar";
}

ExchangeFormat CollectionEndpoint::Format() const {
  return collection_->kind() == CollectionKind::kContacts ? ExchangeFormat::kVCard
                                                          : ExchangeFormat::kICal;
}

EndpointStatus CollectionEndpoint::Read(AppliMask apps, const EndpointMemory& memory,
                                        RecordSet* out) {
  apps &= holds_;
  // A side synced before is known to be a collection of its kind; a missing
  // one fails the listing all the same.
  if (!checked_ && memory.identities.entries.empty()) {
    DavStatus checked = collection_->Check();
    if (!checked) return StatusOf(checked.error());
  }
  checked_ = true;
  DavResult<std::vector<ItemRef>> listed = collection_->List();
  if (!listed) return StatusOf(listed.error());

  std::unordered_map<uint64_t, const Record*> base[kSyncAppliCount];
  for (AppliId id = 0; id < kSyncAppliCount; ++id) {
    for (const Record& record : memory.base.of(id)) base[id].emplace(HashBytes(record), &record);
  }
  auto base_record = [&](const IdentityEntry& entry) -> const Record* {
    if (entry.key.occurrence == kNoRecordOccurrence) return nullptr;
    const auto found = base[entry.key.id].find(entry.key.record_hash);
    return found == base[entry.key.id].end() ? nullptr : found->second;
  };
  std::map<std::string, const IdentityEntry*> known;
  for (const IdentityEntry& entry : memory.identities.entries) known[entry.href] = &entry;

  for (std::vector<Held>& held : held_) held.clear();
  others_.clear();
  notes_.clear();
  hrefs_.clear();
  std::vector<std::string> fetch;
  for (ItemRef& ref : listed.value()) {
    hrefs_.insert(ref.href);
    const auto entry = known.find(ref.href);
    if (entry != known.end() && !ref.etag.empty() && entry->second->etag == ref.etag) {
      const IdentityEntry& e = *entry->second;
      const bool no_record = e.key.occurrence == kNoRecordOccurrence;
      if (no_record || !HasAppli(apps, e.key.id)) {
        others_.push_back(e);
        continue;
      }
      if (const Record* record = base_record(e)) {
        held_[e.key.id].push_back({*record, *record, ref.href, ref.etag, e.uid, std::nullopt});
        continue;
      }
    }
    fetch.push_back(ref.href);
  }

  DavResult<std::vector<Item>> fetched = collection_->Fetch(fetch);
  if (!fetched) return StatusOf(fetched.error());
  for (Item& item : fetched.value()) {
    ContentDoc lines = ContentDoc::Parse(item.data, Format());
    std::string why;
    std::optional<MappedItem> mapped = MapItem(Format(), lines, context_, &why);
    std::string uid = ItemUid(lines);
    const auto entry = known.find(item.href);
    const Record* was = entry == known.end() ? nullptr : base_record(*entry->second);
    if ((!mapped || !HasAppli(holds_, mapped->id)) && was != nullptr) {
      // An item the sync knew that no longer maps: its record stays, rather
      // than reading as a removal.
      mapped = MappedItem{entry->second->key.id, *was, false, {}};
    } else if (!mapped) {
      notes_.push_back(ItemName(item.href) + ": " + why + "; left out");
    } else if (!HasAppli(apps, mapped->id)) {
      notes_.push_back(ItemName(item.href) + ": a record of " + std::string(AppliName(mapped->id)) +
                       ", which this sync leaves out");
    } else {
      if (mapped->undated && was != nullptr && entry->second->key.id == mapped->id) {
        KeepDate(mapped->id, *was, mapped->record);
      } else if (mapped->undated) {
        notes_.push_back(ItemName(item.href) + ": " +
                         (mapped->id == kToDo ? "no due date; today's taken"
                                              : "a date before 1950; this year's taken"));
      }
      if (!mapped->note.empty() && was == nullptr) {
        notes_.push_back(ItemName(item.href) + ": " + mapped->note);
      }
    }
    if (!mapped || !HasAppli(holds_, mapped->id)) {
      others_.push_back({{FirstAppli(holds_), 0, kNoRecordOccurrence},
                         std::move(uid),
                         item.href,
                         item.etag,
                         0,
                         0});
    } else if (!HasAppli(apps, mapped->id)) {
      others_.push_back(
          {{mapped->id, HashBytes(mapped->record), 0}, std::move(uid), item.href, item.etag, 0, 0});
    } else {
      const Record read = mapped->record;
      held_[mapped->id].push_back({std::move(mapped->record), read, item.href, item.etag,
                                   std::move(uid), std::move(lines)});
    }
  }

  for (AppliId id = 0; id < kSyncAppliCount; ++id) {
    if (!HasAppli(apps, id)) continue;
    Records records;
    for (const Held& held : held_[id]) records.push_back(held.record);
    out->Set(id, std::move(records));
  }
  read_ = true;
  read_apps_ = apps;
  return EndpointStatus::Ok();
}

ApplyOutcome CollectionEndpoint::Apply(const std::vector<AppliWrite>& writes,
                                       const EndpointMemory& /*memory*/, bool /*verify*/,
                                       const std::function<void(AppliId)>& confirmed) {
  ApplyOutcome outcome;
  for (const AppliWrite& write : writes) {
    outcome.status = ApplyAppli(write);
    if (!outcome.status.ok()) return outcome;
    confirmed(write.id);
  }
  return outcome;
}

EndpointStatus CollectionEndpoint::ApplyAppli(const AppliWrite& write) {
  std::vector<Held>& items = held_[write.id];
  auto holding = [&](const Record& record) -> Held* {
    for (Held& held : items) {
      if (held.record == record) return &held;
    }
    return nullptr;
  };

  const SideChanges& changes = write.changes;
  for (const Record& record : changes.removed) {
    Held* held = holding(record);
    if (held == nullptr) continue;
    DavStatus removed = collection_->Delete(held->href, held->etag);
    if (!removed) return StatusOf(removed.error());
    items.erase(items.begin() + (held - items.data()));
  }

  EndpointStatus fetched = FetchForEdits(write.id, changes.changed);
  if (!fetched.ok()) return fetched;
  std::vector<Record> added = changes.added;
  for (const RecordEdit& edit : changes.changed) {
    Held* held = holding(edit.before);
    if (held == nullptr) {
      added.push_back(edit.after);
      continue;
    }
    const std::optional<std::string> patched =
        PatchItem(write.id, *held->data, edit.before, edit.after, context_);
    if (!patched) {
      // An item the sync knew that no longer maps (its entry cancelled, say)
      // is left as it is; the edit becomes an item of its own.
      items.erase(items.begin() + (held - items.data()));
      added.push_back(edit.after);
      continue;
    }
    DavResult<ItemRef> updated = collection_->Update(held->href, *patched, held->etag);
    if (!updated) return StatusOf(updated.error());
    // The item stands for the record as far as its form can say it; what it
    // cannot say stays the record's (settle.h).
    held->data = ContentDoc::Parse(*patched, Format());
    held->record = edit.after;
    held->read = edit.after;
    held->etag = std::move(updated->etag);
  }

  for (const Record& record : added) {
    const std::string uid = NewUid(write.id, record);
    const std::string data = NewItem(write.id, record, uid, context_);
    if (data.empty()) {
      return EndpointStatus::Failed(collection_->target() + ": a record of " +
                                    std::string(AppliName(write.id)) + " cannot be written");
    }
    DavResult<ItemRef> created = collection_->Create(uid, data);
    if (!created) return StatusOf(created.error());
    hrefs_.insert(created->href);
    ContentDoc lines = ContentDoc::Parse(data, Format());
    items.push_back(
        {record, record, created->href, created->etag, ItemUid(lines), std::move(lines)});
  }
  return EndpointStatus::Ok();
}

// The text of every item an edit patches, in one request; an item that
// changed since the listing is taken as long as it still holds the record
// the edit starts from (its change lies in what the organizer does not hold).
EndpointStatus CollectionEndpoint::FetchForEdits(AppliId id, const std::vector<RecordEdit>& edits) {
  std::vector<Held>& items = held_[id];
  std::vector<std::string> hrefs;
  for (const RecordEdit& edit : edits) {
    for (const Held& held : items) {
      if (held.record == edit.before && !held.data) hrefs.push_back(held.href);
    }
  }
  if (hrefs.empty()) return EndpointStatus::Ok();
  DavResult<std::vector<Item>> fetched = collection_->Fetch(hrefs);
  if (!fetched) return StatusOf(fetched.error());
  for (Item& item : fetched.value()) {
    for (Held& held : items) {
      if (held.href != item.href) continue;
      ContentDoc lines = ContentDoc::Parse(item.data, Format());
      if (item.etag != held.etag) {
        const std::optional<MappedItem> now = MapItem(Format(), lines, context_);
        if (!now || now->record != held.read) {
          return EndpointStatus::Changed(collection_->target() + ": the item '" + held.href +
                                         "' changed since it was read");
        }
        held.etag = item.etag;
      }
      held.data = std::move(lines);
    }
  }
  for (const Held& held : items) {
    for (const std::string& href : hrefs) {
      if (held.href == href && !held.data) {
        return EndpointStatus::Changed(collection_->target() + ": the item '" + held.href +
                                       "' went away since it was read");
      }
    }
  }
  return EndpointStatus::Ok();
}

ReadBackForm CollectionEndpoint::ReadBack() const {
  return [this](AppliId id, const Record& record) -> std::optional<Record> {
    const std::string data = NewItem(id, record, "read-back", context_);
    if (data.empty()) return std::nullopt;
    std::optional<MappedItem> mapped = MapItem(Format(), data, context_);
    if (!mapped || mapped->id != id) return std::nullopt;
    return std::move(mapped->record);
  };
}

void CollectionEndpoint::TakeAs(AppliId id, const std::vector<RecordEdit>& taken) {
  // Keyed by the bytes as a string: a map of byte vectors draws a false
  // bounds warning from the release build's inlined comparison.
  auto key = [](const Record& record) { return std::string(record.begin(), record.end()); };
  std::map<std::string, std::vector<size_t>> at;
  for (size_t i = held_[id].size(); i > 0; --i) at[key(held_[id][i - 1].record)].push_back(i - 1);
  for (const RecordEdit& edit : taken) {
    auto found = at.find(key(edit.before));
    if (found == at.end() || found->second.empty()) continue;
    held_[id][found->second.back()].record = edit.after;
    found->second.pop_back();
  }
}

std::string CollectionEndpoint::NewUid(AppliId id, const Record& record) const {
  for (int occurrence = 0;; ++occurrence) {
    std::string uid = RecordUid(id, record, occurrence);
    if (!hrefs_.contains(ItemHrefForUid(uid, collection_->kind()))) return uid;
  }
}

std::optional<IdentityMap> CollectionEndpoint::Identities() const {
  if (!read_) return std::nullopt;
  IdentityMap map;
  for (AppliId id = 0; id < kSyncAppliCount; ++id) {
    if (!HasAppli(read_apps_, id)) continue;
    Records records;
    for (const Held& held : held_[id]) records.push_back(held.record);
    const std::vector<IdentityKey> keys = IdentityKeys(id, records);
    for (size_t i = 0; i < keys.size(); ++i) {
      const Held& held = held_[id][i];
      map.entries.push_back({keys[i], held.uid, held.href, held.etag, 0, 0});
    }
  }
  map.entries.insert(map.entries.end(), others_.begin(), others_.end());
  return map;
}

}  // namespace kivo
