#include "sample_data.h"

#include <fstream>
#include <sstream>

#include "csv/cp1252.h"
#include "store/amount.h"
#include "store/record_access.h"
#include "store/record_codec.h"
#include "view/list_row.h"

namespace kivo::test {

std::vector<std::vector<std::string>> ReadCsvRows(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  const std::string text = buffer.str();
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      row.push_back(std::move(field));
      field.clear();
    } else if (c == '\n') {
      row.push_back(std::move(field));
      field.clear();
      rows.push_back(std::move(row));
      row.clear();
    } else if (c != '\r') {
      field += c;
    }
  }
  if (!field.empty() || !row.empty()) {
    row.push_back(std::move(field));
    rows.push_back(std::move(row));
  }
  if (!rows.empty()) rows.erase(rows.begin());
  return rows;
}

void FillSampleStore(AppliStore& store, const std::filesystem::path& sample_dir) {
  store.ResetAppli(kAllAppli);
  CategoryNames names;
  std::ifstream categories(sample_dir / "categories.txt", std::ios::binary);
  for (std::string& name : names.names) {
    std::getline(categories, name);
    if (!name.empty() && name.back() == '\r') name.pop_back();
    name = Utf8ToCp1252(name);
  }
  (void)SetCategoryNames(store, names);

  RowContext context;
  context.category_names.assign(names.names.begin(), names.names.end());
  const std::pair<AppliId, const char*> files[] = {
      {kSchedule, "schedule.csv"},   {kToDo, "todo.csv"}, {kAnniversary, "anniversary.csv"},
      {kTelephone, "telephone.csv"}, {kMemo, "memo.csv"}, {kExpense, "expense.csv"}};
  for (const auto& [id, name] : files) {
    int index = 0;
    for (const auto& cells : ReadCsvRows(sample_dir / name)) {
      // The sample is UTF-8; the rows hold the PC's Windows-1252 text.
      ListRow row;
      for (const std::string& cell : cells) row.cells.push_back(Utf8ToCp1252(cell));
      if (id == kExpense) {
        for (int i = 0; i < kCategoryCount; ++i) {
          if (names.names[i] == row.cells[1]) row.category_index = i;
        }
      }
      (void)store.PutRecord(id, index++, RowToRecord(id, row, context));
    }
  }
}

std::vector<uint8_t> ExampleRecord(AppliId id) {
  switch (id) {
    case kSchedule: {
      ScheduleRecord r;
      r.date = BcdDate::FromYmd(2026, 12, 8);
      r.start_time = BcdTime::FromHm(14, 30);
      r.end_time = BcdTime::FromHm(15, 15);
      r.flags = ScheduleRecord::kAlarmOn;
      r.reminder = ToBcd(15);
      r.description = "Dentist, bring the insurance card";
      return EncodeScheduleRecord(r);
    }
    case kAnniversary: {
      AnniversaryRecord r;
      r.date = BcdDate::FromYmd(1998, 6, 21);
      r.reminder = 3;
      r.description = "Wedding anniversary";
      return EncodeAnniversaryRecord(r);
    }
    case kToDo: {
      ToDoRecord r;
      r.state = ToDoRecord::MakeState(true, 2);
      r.due_date = BcdDate::FromYmd(2026, 12, 20);
      r.description = "Send the holiday cards";
      return EncodeToDoRecord(r);
    }
    case kMemo:
      return EncodeMemoRecord({"Locker code 4711.\nWi-Fi at the cabin: pinecone"});
    case kExpense: {
      ExpenseRecord r;
      r.date = BcdDate::FromYmd(2026, 12, 3);
      r.flags = ExpenseRecord::MakeFlags(true, 1, 2);
      EncodeAmount(&r, 189.9);
      r.memo = "Two nights in Lyon";
      return EncodeExpenseRecord(r);
    }
    default: {
      TelephoneRecord r;
      r.category = 1;
      r.texts = {"Martin",
                 "Claire",
                 "Fabrique Lumen",
                 "",
                 "+33 4 78 00 12 34",
                 "",
                 "+33 6 12 34 56 78",
                 "12 rue de la Charite",
                 "Lyon",
                 "",
                 "69002",
                 "France",
                 "claire.martin@example.org",
                 "Met at the trade fair"};
      return EncodeTelephoneRecord(r);
    }
  }
}

}  // namespace kivo::test
