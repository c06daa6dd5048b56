// A backup file synced with an address book and a calendar through RunSync:
// a vdir folder, and a real Radicale (skipped where it is not installed)
// behind a proxy that breaks writes on purpose. Another client edits the
// collection between syncs as a phone would; khal and khard read the vdir.

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <set>

#include <gtest/gtest.h>

#include "dav/dav_collection.h"
#include "dav/open_collection.h"
#include "platform/atomic_file.h"
#include "support/dav_proxy.h"
#include "support/item_lines.h"
#include "support/radicale_server.h"
#include "support/records.h"
#include "support/temp_dir.h"
#include "sync/backup_file_endpoint.h"
#include "sync/collection_endpoint.h"
#include "sync/sync_driver.h"

namespace kivo {
namespace {

// What a collection of one kind starts with and how its items are edited.
struct KindData {
  AppliMask apps;
  std::vector<std::pair<AppliId, Record>> records;  // the file's own, written across
  std::pair<AppliId, Record> fresh;                 // one more, of the first one's application
  const char* foreign;                              // an item another program wrote
  std::string junk;                                 // an item that maps to no record
  Record (*edit)(const Record&);                    // of the foreign item's record
  std::array<const char*, 2> unmapped;  // an edit of the foreign item the file cannot hold
  std::array<const char*, 2> mapped;    // an edit it can
  const char* patched;                  // the properties an edit from the file rewrites
};

const KindData& Data(CollectionKind kind) {
  static const KindData kContacts{
      AppliBit(kTelephone),
      {{kTelephone, test::Telephone(1, "Ames", "Al", "", "555-0001")},
       {kTelephone, test::Telephone(0, "Bird", "", "Kite Co", "555-0002")},
       {kTelephone, test::Telephone(2, "Cole", "Cy", "", "555-0003")}},
      {kTelephone, test::Telephone(2, "Dunn", "Di", "", "555-0004")},
      "rich.vcf",
      "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:junk\r\nN:Nobody;;;;\r\nFN:Nobody\r\n"
      "NOTE:no way to reach\r\nEND:VCARD\r\n",
      [](const Record& r) {
        TelephoneRecord t;
        EXPECT_EQ(DecodeTelephoneRecord(r, &t), kStoreOk);
        t.texts[kHomeNumber] += "9";
        return EncodeTelephoneRecord(t);
      },
      {"bar\\, baz", "qux"},
      {"555-0102", "555-0112"},
      "TEL REV",
  };
  static const KindData kCalendar{
      static_cast<AppliMask>(AppliBit(kSchedule) | AppliBit(kAnniversary) | AppliBit(kToDo)),
      {{kSchedule, test::Schedule(2025, 3, 4, 9, 0, 10, 0, true, 10, "Dentist")},
       {kAnniversary, test::Anniversary(2025, 6, 1, 2, "Wedding")},
       {kToDo, test::ToDo(2, false, 2025, 5, 1, "Taxes")}},
      {kSchedule, test::Schedule(2025, 3, 5, 18, 0, 19, 30, false, 0, "Gym")},
      "zoned.ics",
      "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//x//y//EN\r\nBEGIN:VJOURNAL\r\nUID:junk\r\n"
      "DTSTAMP:20250101T000000Z\r\nSUMMARY:A day\r\nEND:VJOURNAL\r\nEND:VCALENDAR\r\n",
      [](const Record& r) {
        ScheduleRecord s;
        EXPECT_EQ(DecodeScheduleRecord(r, &s), kStoreOk);
        s.start_time = BcdTime::FromHm(s.start_time.hour() - 1, 0);
        return EncodeScheduleRecord(s);
      },
      {"Room 4", "Room 9"},
      {"SUMMARY:Planning", "SUMMARY:Planning moved"},
      "DTSTART DTEND DTSTAMP SEQUENCE",
  };
  return kind == CollectionKind::kContacts ? kContacts : kCalendar;
}

struct Backend {
  const char* name;
  bool server;
  CollectionKind kind;
};

class CollectionSync : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    kind_ = GetParam().kind;
    std::string direct = (dir_ / "vdir").string();
    if (GetParam().server) {
      if (!RadicaleServer::Installed()) GTEST_SKIP() << "radicale is not installed";
      server_ = std::make_unique<RadicaleServer>();
      ASSERT_TRUE(server_->running()) << server_->error();
      proxy_ = std::make_unique<DavProxy>(server_->port());
      direct = server_->collection_url(kind_);
      place_ = proxy_->Through(direct);
    } else {
      std::filesystem::create_directories(direct);
      place_ = direct;
    }
    other_ = Open(direct);
  }

  std::unique_ptr<Collection> Open(const std::string& place) {
    CredentialSources sources;
    sources.env_password = RadicaleServer::kPassword;
    auto opened = OpenCollection(kind_, place, server_ ? RadicaleServer::kUser : "", {}, sources);
    EXPECT_TRUE(opened.ok()) << opened.error().Text();
    return std::move(opened.value());
  }

  SyncReport Sync(uint64_t* requests = nullptr) {
    BackupFileEndpoint file(dir_ / "pc.bkf", tables_, {2, 0});
    CollectionEndpoint side(Open(place_), kAllSyncAppli, context_);
    SyncState state(dir_ / "state", file.Identity(), side.Identity(), tables_);
    SyncOptions options;
    options.force = true;  // removals from small collections trip the guards
    const SyncReport report = RunSync(file, side, state, options);
    if (requests != nullptr && server_) {
      *requests = dynamic_cast<DavCollection&>(side.collection()).client().requests_sent();
    }
    return report;
  }

  RecordSet FileSet() {
    BackupFileEndpoint file(dir_ / "pc.bkf", tables_, {2, 0});
    RecordSet set;
    EXPECT_TRUE(file.Read(Data(kind_).apps, {RecordSet(), IdentityMap()}, &set).ok());
    return set;
  }
  void SetFile(const RecordSet& set) {
    BackupFileEndpoint file(dir_ / "pc.bkf", tables_, {2, 0});
    RecordSet now;
    ASSERT_TRUE(file.Read(Data(kind_).apps, {RecordSet(), IdentityMap()}, &now).ok());
    std::vector<AppliWrite> writes;
    for (AppliId id = 0; id < kSyncAppliCount; ++id) {
      if (HasAppli(Data(kind_).apps, id)) writes.push_back({id, {}, set.of(id)});
    }
    ASSERT_TRUE(
        file.Apply(writes, {RecordSet(), IdentityMap()}, false, [](AppliId) {}).status.ok());
  }

  // Every item as the other client sees it: href -> text, and the records.
  std::map<std::string, Item> Items() {
    std::vector<std::string> hrefs;
    const std::vector<ItemRef> listed = other_->List().value();
    for (const ItemRef& ref : listed) hrefs.push_back(ref.href);
    std::map<std::string, Item> items;
    std::vector<Item> fetched = other_->Fetch(hrefs).value();
    for (Item& item : fetched) items[item.href] = std::move(item);
    return items;
  }
  RecordSet ItemSet() {
    RecordSet set;
    for (const auto& [href, item] : Items()) {
      if (auto mapped = MapItem(Format(), item.data, context_))
        set.appli[mapped->id].push_back(mapped->record);
    }
    return set;
  }
  ExchangeFormat Format() const {
    return kind_ == CollectionKind::kContacts ? ExchangeFormat::kVCard : ExchangeFormat::kICal;
  }
  std::string Fixture() {
    return ReadWholeFile(KIVO_SOURCE_DIR "/tests/exchange/fixtures/items/" +
                         std::string(Data(kind_).foreign))
        .value_or("");
  }
  // The item another program wrote, and its record.
  std::string Foreign() { return ItemHrefForUid("foreign", kind_); }
  Record ForeignRecord() { return MapItem(Format(), Fixture(), context_)->record; }
  AppliId ForeignAppli() { return MapItem(Format(), Fixture(), context_)->id; }

  void EditItem(const std::string& href, const std::array<const char*, 2>& edit) {
    Item item = other_->Get(href).value();
    ASSERT_NE(item.data.find(edit[0]), std::string::npos) << item.data;
    item.data.replace(item.data.find(edit[0]), std::string(edit[0]).size(), edit[1]);
    ASSERT_TRUE(other_->Update(href, item.data, item.etag).ok());
  }
  // Both sides hold the same records, `count` of them.
  void ExpectEqualSides(size_t count) {
    const RecordSet file = FileSet();
    const RecordSet items = ItemSet();
    size_t total = 0;
    for (AppliId id = 0; id < kSyncAppliCount; ++id) {
      EXPECT_TRUE(SameRecords(file.of(id), items.of(id))) << AppliName(id);
      total += file.of(id).size();
    }
    EXPECT_EQ(total, count);
  }
  // Both sides as a first sync leaves them: the file's records, and on the
  // collection an item another program wrote and one that maps to nothing.
  void Start() {
    RecordSet set;
    for (const auto& [id, record] : Data(kind_).records) set.appli[id].push_back(record);
    SetFile(set);
    ASSERT_TRUE(other_->Create("foreign", Fixture()).ok());
    ASSERT_TRUE(other_->Create("junk", Data(kind_).junk).ok());
    const SyncReport first = Sync();
    ASSERT_EQ(first.outcome, SyncOutcome::kSynced) << RenderSyncReport(first, {});
    ExpectEqualSides(Data(kind_).records.size() + 1);
  }
  // The file's foreign record edited, its first record removed and `more` added.
  Record EditFile(std::optional<std::pair<AppliId, Record>> more) {
    RecordSet set = FileSet();
    Records& foreign = set.appli[ForeignAppli()];
    Record& mine = *std::find(foreign.begin(), foreign.end(), ForeignRecord());
    mine = Data(kind_).edit(mine);
    const Record edited = mine;
    const auto& [id, first] = Data(kind_).records[0];
    std::erase(set.appli[id], first);
    if (more) set.appli[more->first].push_back(more->second);
    SetFile(set);
    return edited;
  }

  // khard lists every card with its name and number; khal every event with
  // its times, and an event edited with khal comes back changed, not twice.
  void ReadWithDesktopTools() {
    const char* tool = kind_ == CollectionKind::kContacts ? "khard" : "khal";
    if (std::system(("command -v " + std::string(tool) + " >/dev/null").c_str()) != 0) {
      std::cout << tool << " is not installed: not read with it\n";
      return;
    }
    const std::string vdir = place_;
    const std::string conf = (dir_ / "tool.conf").string();
    auto run = [&](const std::string& args, const std::string& answers = "") {
      std::string out;
      const std::string input = answers.empty() ? "" : "printf '" + answers + "' | ";
      FILE* pipe = popen((input + tool + " -c " + conf + " " + args).c_str(), "r");
      for (int c; (c = std::fgetc(pipe)) != EOF;) out += static_cast<char>(c);
      EXPECT_EQ(pclose(pipe), 0) << args;
      return out;
    };
    if (kind_ == CollectionKind::kContacts) {
      WriteText(conf, "[addressbooks]\n[[a]]\npath = " + vdir +
                          "\n[general]\neditor = true\n"
                          "merge_editor = true\n");
      const std::string phones = run("phone --parsable");
      for (const auto& [id, record] : Data(kind_).records) {
        TelephoneRecord t;
        ASSERT_EQ(DecodeTelephoneRecord(record, &t), kStoreOk);
        const std::string name = t.texts[kFirstName].empty()
                                     ? t.texts[kLastName]
                                     : t.texts[kFirstName] + " " + t.texts[kLastName];
        EXPECT_NE(phones.find(t.texts[kHomeNumber] + "\t" + name + "\thome"), std::string::npos)
            << phones;
      }
      EXPECT_NE(run("email --parsable").find("ann@example.org\tAnn Q Lee"), std::string::npos);
      return;
    }
    WriteText(conf, "[calendars]\n[[a]]\npath = " + vdir +
                        "\n[locale]\ndateformat = %Y-%m-%d\n"
                        "longdateformat = %Y-%m-%d\ndatetimeformat = %Y-%m-%d %H:%M\n"
                        "longdatetimeformat = %Y-%m-%d %H:%M\nlocal_timezone = UTC\n"
                        "default_timezone = UTC\n[sqlite]\npath = " +
                        (dir_ / "khal.db").string() + "\n");
    const std::string events =
        run("list --format '{start}|{end}|{title}' --day-format '' 2025-01-01 2025-12-31");
    EXPECT_NE(events.find("2025-03-04 09:00|2025-03-04 10:00|Dentist"), std::string::npos)
        << events;
    EXPECT_NE(events.find("2025-06-01|2025-06-01|Wedding"), std::string::npos) << events;
    const std::map<std::string, Item> before = Items();
    run("edit --show-past Dentist >/dev/null", "s\\nDentist moved\\nn\\n");
    ASSERT_EQ(Sync().outcome, SyncOutcome::kSynced);
    EXPECT_EQ(Items().size(), before.size());
    const Record moved = test::Schedule(2025, 3, 4, 9, 0, 10, 0, true, 10, "Dentist moved");
    const RecordSet file = FileSet();
    const Records& schedule = file.of(kSchedule);
    EXPECT_EQ(std::count(schedule.begin(), schedule.end(), moved), 1);
    // Back as it was, for what follows.
    run("edit --show-past Dentist >/dev/null", "s\\nDentist\\nn\\n");
    ASSERT_EQ(Sync().outcome, SyncOutcome::kSynced);
  }

  TempDir dir_;
  CollectionKind kind_ = CollectionKind::kContacts;
  const CodeTables tables_ = CodeTables::Identity();
  const ItemContext context_{AllAllowed(), {2026, 5, 28}, 1780000000, &tables_};
  std::unique_ptr<RadicaleServer> server_;
  std::unique_ptr<DavProxy> proxy_;
  std::string place_;
  std::unique_ptr<Collection> other_;
};

TEST_P(CollectionSync, BothWaysWithoutLossOrDuplicates) {
  ASSERT_NO_FATAL_FAILURE(Start());
  const KindData& data = Data(kind_);
  const size_t count = data.records.size() + 1;
  EXPECT_EQ(Items().size(), count + 1);  // the junk stays

  if (!server_) {
    ASSERT_NO_FATAL_FAILURE(ReadWithDesktopTools());
  }

  // Ten syncs without an edit: no item written, no record added, and on a
  // server one listing each.
  std::map<std::string, Item> before = Items();
  for (int i = 0; i < 10; ++i) {
    uint64_t requests = 0;
    const SyncReport quiet = Sync(&requests);
    EXPECT_EQ(quiet.outcome, SyncOutcome::kSynced);
    EXPECT_EQ(quiet.written[0] | quiet.written[1], 0);
    if (server_) {
      EXPECT_EQ(requests, 1u);
    }
  }
  for (const auto& [href, item] : Items()) EXPECT_EQ(item.etag, before[href].etag) << href;
  ExpectEqualSides(count);

  // The foreign item edited where the file cannot see it, and through the
  // file; a record removed on each side.
  EditItem(Foreign(), data.unmapped);
  before = Items();
  const Record edited = EditFile(std::nullopt);
  for (const auto& [href, item] : before) {
    const std::optional<MappedItem> mapped = MapItem(Format(), item.data, context_);
    if (mapped && mapped->record == data.records[1].second) {
      ASSERT_TRUE(other_->Delete(href, item.etag).ok());
    }
  }
  const SyncReport edits = Sync();
  ASSERT_EQ(edits.outcome, SyncOutcome::kSynced) << RenderSyncReport(edits, {});
  EXPECT_EQ(edits.ConflictCount(), 0);  // the edit the file cannot see is none
  ExpectEqualSides(count - 2);
  const std::string after = other_->Get(Foreign())->data;
  EXPECT_NE(after.find(data.unmapped[1]), std::string::npos) << after;
  EXPECT_EQ(MapItem(Format(), after, context_)->record, edited);
  // Every line the edit does not concern, byte for byte.
  EXPECT_EQ(LinesBesides(after, data.patched), LinesBesides(before[Foreign()].data, data.patched))
      << after;

  // Two different edits of one record: both kept, on both sides; then quiet.
  RecordSet set = FileSet();
  Records& foreign = set.appli[ForeignAppli()];
  *std::find(foreign.begin(), foreign.end(), edited) = data.edit(edited);
  SetFile(set);
  EditItem(Foreign(), data.mapped);
  const SyncReport conflict = Sync();
  ASSERT_EQ(conflict.outcome, SyncOutcome::kSynced) << RenderSyncReport(conflict, {});
  EXPECT_EQ(conflict.ConflictCount(), 1);
  ExpectEqualSides(count - 1);
  const SyncReport quiet = Sync();
  EXPECT_EQ(quiet.written[0] | quiet.written[1], 0) << RenderSyncReport(quiet, {});
}

// A write broken off half-way through the changes (the second write: the
// foreign item's edit, after a removal and before an addition), then one
// clean sync: both sides hold the merge.
TEST_P(CollectionSync, BrokenWritesConvergeOnTheNextSync) {
  if (!GetParam().server) GTEST_SKIP() << "a folder has no connection to break";
  const KindData& data = Data(kind_);
  struct Fault {
    ProxyFault fault;
    const std::array<const char*, 2>* race;  // another client's edit just before the write
    size_t conflicts;                        // versions a race adds
  };
  const Fault kFaults[] = {{ProxyFault::kStatus500, nullptr, 0},
                           {ProxyFault::kDropBefore, nullptr, 0},
                           {ProxyFault::kDropAfter, nullptr, 0},
                           {ProxyFault::kHook, &data.unmapped, 0},
                           {ProxyFault::kHook, &data.mapped, 1}};
  for (const Fault& fault : kFaults) {
    SCOPED_TRACE("fault " + std::to_string(static_cast<int>(fault.fault)));
    for (const auto& [href, item] : Items()) ASSERT_TRUE(other_->Delete(href, item.etag).ok());
    std::filesystem::remove_all(dir_ / "state");
    std::filesystem::remove(dir_ / "pc.bkf");
    ASSERT_NO_FATAL_FAILURE(Start());
    (void)EditFile(data.fresh);
    proxy_->Arm(fault.fault, 1, [&] {
      if (fault.race != nullptr) EditItem(Foreign(), *fault.race);
    });
    const SyncReport broken = Sync();
    if (fault.race != nullptr) {
      EXPECT_EQ(broken.outcome, SyncOutcome::kSynced) << RenderSyncReport(broken, {});
      EXPECT_GE(broken.rereads, 1);
    } else {
      ASSERT_EQ(broken.outcome, SyncOutcome::kFailed);
      EXPECT_EQ(broken.failed_side, Side::kRight);
      EXPECT_EQ(broken.failure.message.rfind(server_->collection_url(kind_).substr(0, 16), 0), 0u)
          << broken.failure.message;
    }
    const SyncReport clean = Sync();
    ASSERT_EQ(clean.outcome, SyncOutcome::kSynced) << RenderSyncReport(clean, {});
    ExpectEqualSides(data.records.size() + 1 + fault.conflicts);
    if (fault.race == &data.unmapped) {
      EXPECT_NE(other_->Get(Foreign())->data.find(data.unmapped[1]), std::string::npos);
    }
    const SyncReport quiet = Sync();
    EXPECT_EQ(quiet.written[0] | quiet.written[1], 0) << RenderSyncReport(quiet, {});
  }
}

const Backend kBackends[] = {
    {"VdirContacts", false, CollectionKind::kContacts},
    {"VdirCalendar", false, CollectionKind::kCalendar},
    {"RadicaleContacts", true, CollectionKind::kContacts},
    {"RadicaleCalendar", true, CollectionKind::kCalendar},
};
INSTANTIATE_TEST_SUITE_P(Backends, CollectionSync, ::testing::ValuesIn(kBackends),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kivo
