// The demo command: a small sample store, taken through the backup file format
// and shown as `show` shows a file. What ./run.sh runs when there is no display.

#include <ostream>

#include "command_table.h"
#include "platform/link_defaults.h"
#include "record_listing.h"
#include "store/amount.h"
#include "store/backup_file.h"
#include "store/record_access.h"
#include "store/record_codec.h"
#include "view/appli_columns.h"

namespace kivo::cli {

namespace {

// Puts a few records of every application; false when a put fails.
bool FillSample(AppliStore& store) {
  bool ok = store.EnsureAppli(0x3F, true) == kStoreOk;
  auto schedule = [&](int month, int day, int h1, int m1, int h2, int m2, int reminder,
                      const char* text) {
    ScheduleRecord r;
    r.date = BcdDate::FromYmd(2002, month, day);
    r.start_time = BcdTime::FromHm(h1, m1);
    r.end_time = BcdTime::FromHm(h2, m2);
    r.reminder = ToBcd(reminder);
    r.flags = reminder > 0 ? ScheduleRecord::kAlarmOn : 0;
    r.description = text;
    ok = ok && PutScheduleRecord(store, r, store.GetRecordCount(kSchedule)) == kStoreOk;
  };
  schedule(1, 3, 8, 0, 9, 0, 10, "Conference call: Tokyo office");
  schedule(1, 14, 12, 30, 13, 30, 15, "Vet appointment for Max");
  schedule(2, 6, 11, 15, 12, 15, 0, "Lunch with Claire");

  auto todo = [&](bool done, int priority, int month, int day, const char* text) {
    ToDoRecord r;
    r.state = ToDoRecord::MakeState(done, priority);
    r.due_date = BcdDate::FromYmd(2002, month, day);
    r.description = text;
    ok = ok && PutToDoRecord(store, r, store.GetRecordCount(kToDo)) == kStoreOk;
  };
  todo(false, 1, 1, 5, "Renew passport");
  todo(true, 3, 1, 20, "Order printer paper");

  auto anniversary = [&](int month, int day, int reminder, const char* text) {
    AnniversaryRecord r;
    r.date = BcdDate::FromYmd(2002, month, day);
    r.reminder = static_cast<uint8_t>(reminder);
    r.description = text;
    ok = ok && PutAnniversaryRecord(store, r, store.GetRecordCount(kAnniversary)) == kStoreOk;
  };
  anniversary(3, 14, 3, "Mother's birthday");
  anniversary(12, 24, 0, "Christmas Eve");

  auto telephone = [&](int category, std::initializer_list<const char*> texts) {
    TelephoneRecord r;
    r.category = static_cast<uint8_t>(category);
    size_t i = 0;
    for (const char* text : texts) r.texts[i++] = text;
    ok = ok && PutTelephoneRecord(store, r, store.GetRecordCount(kTelephone)) == kStoreOk;
  };
  telephone(1, {"Baker", "Ann", "Norvale Ltd.", "", "555-0142", "555-0143", "", "1 Quay St.",
                "Bristol", "", "BS1 4DJ", "UK", "ann@example.com", "Sales"});
  telephone(0, {"M\xfcller", "J\xfcrgen", "", "555-0199"});

  auto memo = [&](const char* text) {
    MemoRecord r;
    r.text = text;
    ok = ok && PutMemoRecord(store, r, store.GetRecordCount(kMemo)) == kStoreOk;
  };
  memo("Gate code 4711");
  memo("Books: \"Dune\", \"Emma\"");

  auto expense = [&](int month, int day, int category, double amount, int payment, bool receipt,
                     const char* text) {
    ExpenseRecord r;
    r.date = BcdDate::FromYmd(2002, month, day);
    r.flags = ExpenseRecord::MakeFlags(receipt, category, payment);
    EncodeAmount(&r, amount);
    r.memo = text;
    ok = ok && PutExpenseRecord(store, r, store.GetRecordCount(kExpense)) == kStoreOk;
  };
  expense(1, 3, 0, 12.5, 0, true, "Lunch, client visit");
  expense(1, 4, 1, 89, 2, true, "Hotel Bristol");
  expense(1, 5, 4, 3.75, 0, false, "Bus");
  return ok;
}

int RunDemo(CliContext& context, std::span<const std::string>) {
  AppliStore sample{context.tables.code};
  if (sample.GetAppliBuf(kStoreSlots) != kStoreOk || !FillSample(sample)) {
    *context.err << kToolName << ": demo: the sample records could not be built\n";
    return kExitFailure;
  }
  // Through the backup file format and back, as a file on disk would go.
  std::vector<uint8_t> image =
      EncodeBackupFile(sample, context.scramble(), BackupBlocks::kWithRecords);
  AppliStore store{context.tables.code};
  if (store.GetAppliBuf(kStoreSlots) != kStoreOk || DecodeBackupFile(store, image) != kStoreOk) {
    *context.err << kToolName << ": demo: the sample backup image did not read back\n";
    return kExitFailure;
  }
  store.EnsureAllAppli();
  std::ostream& out = *context.out;
  const std::array<char, 6>& magic = store.magic();
  out << "Sample backup image: " << image.size() << " bytes, magic "
      << std::string(magic.begin(), magic.end()) << ", " << store.GetAppliCount()
      << " applications\n\n";
  bool first = true;
  for (AppliId id : kTabAppli) {
    if (!first) out << "\n";
    first = false;
    PrintAppli(store, id, context.settings, out);
  }
  return kExitOk;
}

constexpr CliCommand kDemoCommands[] = {
    {"demo", "", "shows a decoded sample record set",
     "Builds a few records of every application, writes them as a backup file image,\n"
     "reads that back and shows it as 'show' does.",
     0, 0, RunDemo},
};

}  // namespace

std::span<const CliCommand> DemoCommands() { return kDemoCommands; }

}  // namespace kivo::cli
