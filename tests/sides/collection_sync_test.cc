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

#include <gtest/gtest.h>

#include "dav/dav_collection.h"
#include "dav/open_collection.h"
#include "platform/atomic_file.h"
#include "sides/backup_file_endpoint.h"
#include "sides/collection_endpoint.h"
#include "support/dav_proxy.h"
#include "support/item_lines.h"
#include "support/radicale_server.h"
#include "support/records.h"
#include "support/temp_dir.h"
#include "sync/sync_driver.h"
#include "view/sync_report_text.h"

namespace kivo {
namespace {

using Edit = std::array<const char*, 2>;  // a text of an item and what replaces it

// What a collection of one kind starts with, how its items are edited, and
// how its desktop tool lists them.
struct KindData {
  std::vector<std::pair<AppliId, Record>> records;  // the file's own, written across
  std::pair<AppliId, Record> fresh;                 // one more, of the first one's application
  const char* foreign;  // items other programs wrote (fixtures/items): a record's
  const char* junk;     // and one that maps to no record
  AppliId foreign_appli;
  Record (*edit)(const Record&);  // of the foreign item's record, on the file
  Edit unmapped;                  // an edit of the foreign item the file cannot hold
  Edit mapped;                    // an edit it can
  const char* patched;            // the properties an edit from the file rewrites
  const char* tool;               // and how it lists the folder ("{dir}": the test's)
  const char* config;
  const char* list;
  std::vector<const char*> listed;
};

const KindData& Data(CollectionKind kind) {
  static const KindData kContacts{
      {{kTelephone, test::Telephone(1, "Ames", "Al", "", "555-0001")},
       {kTelephone, test::Telephone(0, "Bird", "", "Kite Co", "555-0002")},
       {kTelephone, test::Telephone(2, "Cole", "Cy", "", "555-0003")}},
      {kTelephone, test::Telephone(2, "Dunn", "Di", "", "555-0004")},
      "rich.vcf",
      "unreachable.vcf",
      kTelephone,
      [](const Record& r) {
        TelephoneRecord t;
        EXPECT_EQ(DecodeTelephoneRecord(r, &t), kStoreOk);
        t.texts[kHomeNumber] += "9";
        return EncodeTelephoneRecord(t);
      },
      {"bar\\, baz", "qux"},
      {"555-0102", "555-0112"},
      "TEL REV",
      "khard",
      "[addressbooks]\n[[a]]\npath = {dir}/vdir\n[general]\neditor = true\nmerge_editor = true\n",
      "phone --parsable",
      {"555-0001\tAl Ames\thome", "555-0002\tBird\thome", "555-0003\tCy Cole\thome"},
  };
  static const KindData kCalendar{
      {{kSchedule, test::Schedule(2025, 3, 4, 9, 0, 10, 0, true, 10, "Dentist")},
       {kAnniversary, test::Anniversary(2025, 6, 1, 2, "Wedding")},
       {kToDo, test::ToDo(2, false, 2025, 5, 1, "Taxes")}},
      {kSchedule, test::Schedule(2025, 3, 5, 18, 0, 19, 30, false, 0, "Gym")},
      "zoned.ics",
      "journal.ics",
      kSchedule,
      [](const Record& r) {
        ScheduleRecord s;
        EXPECT_EQ(DecodeScheduleRecord(r, &s), kStoreOk);
        s.start_time = BcdTime::FromHm(s.start_time.hour() - 1, 0);
        return EncodeScheduleRecord(s);
      },
      {"Room 4", "Room 9"},
      {"SUMMARY:Planning", "SUMMARY:Planning moved"},
      "DTSTART DTEND DTSTAMP SEQUENCE",
      "khal",
      "[calendars]\n[[a]]\npath = {dir}/vdir\n[sqlite]\npath = {dir}/khal.db\n[locale]\n"
      "local_timezone = UTC\ndefault_timezone = UTC\ndatetimeformat = %Y-%m-%d %H:%M\n"
      "longdatetimeformat = %Y-%m-%d %H:%M\ndateformat = %Y-%m-%d\nlongdateformat = %Y-%m-%d\n",
      "list --format '{start}|{end}|{title}' --day-format '' 2025-01-01 2025-12-31",
      {"2025-03-04 09:00|2025-03-04 10:00|Dentist", "2025-06-01|2025-06-01|Wedding"},
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
    std::filesystem::create_directories(direct);
    place_ = direct;
    if (GetParam().server) {
      if (!RadicaleServer::Installed()) GTEST_SKIP() << "radicale is not installed";
      server_ = std::make_unique<RadicaleServer>();
      ASSERT_TRUE(server_->running()) << server_->error();
      proxy_ = std::make_unique<DavProxy>(server_->port());
      direct = server_->collection_url(kind_);
      place_ = proxy_->Through(direct);
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
  AppliMask Apps() const {
    return kind_ == CollectionKind::kContacts ? AppliBit(kTelephone) : AppliMask{0b111};
  }

  // One run as the command line makes it: the file, the collection, the state.
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
    EXPECT_TRUE(file.Read(Apps(), {RecordSet(), IdentityMap()}, &set).ok());
    return set;
  }
  void SetFile(const RecordSet& set) {
    BackupFileEndpoint file(dir_ / "pc.bkf", tables_, {2, 0});
    RecordSet now;
    ASSERT_TRUE(file.Read(Apps(), {RecordSet(), IdentityMap()}, &now).ok());
    std::vector<AppliWrite> writes;
    for (AppliId id = 0; id < kSyncAppliCount; ++id) {
      if (HasAppli(Apps(), id)) writes.push_back({id, {}, set.of(id)});
    }
    ASSERT_TRUE(file.Apply(writes, {now, IdentityMap()}, false, [](AppliId) {}).status.ok());
  }

  // Every item as the other client sees it, by href.
  std::map<std::string, Item> Items() {
    std::vector<std::string> hrefs;
    const std::vector<ItemRef> listed = other_->List().value();
    for (const ItemRef& ref : listed) hrefs.push_back(ref.href);
    std::map<std::string, Item> items;
    std::vector<Item> fetched = other_->Fetch(hrefs).value();
    for (Item& item : fetched) items[item.href] = std::move(item);
    return items;
  }
  std::optional<MappedItem> Map(const std::string& text) {
    const bool cards = kind_ == CollectionKind::kContacts;
    return MapItem(cards ? ExchangeFormat::kVCard : ExchangeFormat::kICal, text, context_);
  }
  std::string Foreign() { return ItemHrefForUid("foreign", kind_); }

  void EditItem(const std::string& href, const Edit& edit) {
    Item item = other_->Get(href).value();
    ASSERT_NE(item.data.find(edit[0]), std::string::npos) << item.data;
    item.data.replace(item.data.find(edit[0]), std::string(edit[0]).size(), edit[1]);
    ASSERT_TRUE(other_->Update(href, item.data, item.etag).ok());
  }
  // Both sides hold the same records, `count` of them.
  void ExpectEqualSides(size_t count) {
    const RecordSet file = FileSet();
    RecordSet items;
    for (const auto& [href, item] : Items()) {
      if (auto mapped = Map(item.data)) items.appli[mapped->id].push_back(mapped->record);
    }
    size_t total = 0;
    for (AppliId id = 0; id < kSyncAppliCount; ++id) {
      if (!HasAppli(Apps(), id)) continue;
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
    ASSERT_TRUE(other_->Create("foreign", ItemFixture(Data(kind_).foreign)).ok());
    ASSERT_TRUE(other_->Create("junk", ItemFixture(Data(kind_).junk)).ok());
    const SyncReport first = Sync();
    ASSERT_EQ(first.outcome, SyncOutcome::kSynced) << RenderSyncReport(first, {});
    ExpectEqualSides(Data(kind_).records.size() + 1);
  }
  // The file's foreign record edited, its first record removed and `more` added.
  Record EditFile(std::optional<std::pair<AppliId, Record>> more) {
    RecordSet set = FileSet();
    Records& foreign = set.appli[Data(kind_).foreign_appli];
    Record& mine =
        *std::find(foreign.begin(), foreign.end(), Map(ItemFixture(Data(kind_).foreign))->record);
    mine = Data(kind_).edit(mine);
    const Record edited = mine;
    std::erase(set.appli[Data(kind_).records[0].first], Data(kind_).records[0].second);
    if (more) set.appli[more->first].push_back(more->second);
    SetFile(set);
    return edited;
  }

  // khard lists every card with its name and number, khal every event with
  // its times; an event edited with khal comes back changed, not twice.
  void ReadWithDesktopTools() {
    const KindData& data = Data(kind_);
    if (std::system(("command -v " + std::string(data.tool) + " >/dev/null").c_str()) != 0) {
      std::cout << data.tool << " is not installed: the folder is not read with it\n";
      return;
    }
    std::string config = data.config;
    for (size_t at; (at = config.find("{dir}")) != std::string::npos;) {
      config.replace(at, 5, dir_.path().string());
    }
    WriteText(dir_ / "tool.conf", config);
    auto run = [&](const std::string& args, const std::string& answers = "") {
      const std::string input = answers.empty() ? "" : "printf '" + answers + "' | ";
      FILE* pipe = popen(
          (input + data.tool + " -c " + (dir_ / "tool.conf").string() + " " + args).c_str(), "r");
      std::string out;
      for (int c; (c = std::fgetc(pipe)) != EOF;) out += static_cast<char>(c);
      EXPECT_EQ(pclose(pipe), 0) << args;
      return out;
    };
    const std::string listed = run(data.list);
    for (const char* line : data.listed) EXPECT_NE(listed.find(line), std::string::npos) << listed;
    if (kind_ == CollectionKind::kContacts) return;
    const size_t items = Items().size();
    run("edit --show-past Dentist >/dev/null", "s\\nDentist moved\\nn\\n");
    ASSERT_EQ(Sync().outcome, SyncOutcome::kSynced);
    EXPECT_EQ(Items().size(), items);
    const RecordSet file = FileSet();
    EXPECT_EQ(file.of(kSchedule).front(),
              test::Schedule(2025, 3, 4, 9, 0, 10, 0, true, 10, "Dentist moved"));
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
  std::unique_ptr<Collection> other_;  // another client, straight to the collection
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
    uint64_t requests = 1;
    const SyncReport quiet = Sync(&requests);
    EXPECT_EQ(quiet.outcome, SyncOutcome::kSynced);
    EXPECT_EQ(quiet.written[0] | quiet.written[1], 0);
    EXPECT_EQ(requests, 1u);
  }
  for (const auto& [href, item] : Items()) EXPECT_EQ(item.etag, before[href].etag) << href;
  ExpectEqualSides(count);

  // The foreign item edited where the file cannot see it, and through the
  // file; a record removed on each side.
  EditItem(Foreign(), data.unmapped);
  before = Items();
  const Record edited = EditFile(std::nullopt);
  for (const auto& [href, item] : before) {
    if (Map(item.data) && Map(item.data)->record == data.records[1].second) {
      ASSERT_TRUE(other_->Delete(href, item.etag).ok());
    }
  }
  const SyncReport edits = Sync();
  ASSERT_EQ(edits.outcome, SyncOutcome::kSynced) << RenderSyncReport(edits, {});
  EXPECT_EQ(edits.ConflictCount(), 0);  // the edit the file cannot see is none
  ExpectEqualSides(count - 2);
  const std::string after = other_->Get(Foreign())->data;
  EXPECT_NE(after.find(data.unmapped[1]), std::string::npos) << after;
  EXPECT_EQ(LinesBesides(after, data.patched), LinesBesides(before[Foreign()].data, data.patched))
      << after;

  // Two different edits of one record: both kept, on both sides; then quiet.
  RecordSet set = FileSet();
  Records& foreign = set.appli[data.foreign_appli];
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
    const Edit* race;  // another client's edit just before the write
    size_t conflicts;  // versions a race adds
  } const kFaults[] = {{ProxyFault::kStatus500, nullptr, 0},
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
      EXPECT_EQ(broken.failure.message.rfind(place_, 0), 0u) << broken.failure.message;
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
