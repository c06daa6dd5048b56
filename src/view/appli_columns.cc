#include "view/appli_columns.h"

namespace kivo {
namespace {

constexpr ColumnSpec kScheduleColumns[] = {
    {"Date", 100, false}, {"Start Time", 100, false}, {"End Time", 100, false},
    {"Alarm", 60, false}, {"Reminder", 80, false},    {"Description", 100, false},
};
constexpr ColumnSpec kToDoColumns[] = {
    {"Priority", 80, false},
    {"Status", 80, false},
    {"Due Date", 100, false},
    {"Description", 100, false},
};
constexpr ColumnSpec kAnniversaryColumns[] = {
    {"Date", 60, false},
    {"Reminder", 80, false},
    {"Description", 146, false},
};
constexpr ColumnSpec kTelephoneColumns[] = {
    {"Category", 80, false}, {"Last name", 100, false}, {"First name", 100, false},
    {"Company", 100, false}, {"Home#", 100, false},     {"Office#", 100, false},
    {"Fax#", 100, false},    {"Other#", 100, false},    {"Address", 100, false},
    {"City", 100, false},    {"State", 100, false},     {"Zip Code", 100, false},
    {"Country", 100, false}, {"E-mail", 100, false},    {"Notes", 100, false},
};
constexpr ColumnSpec kMemoColumns[] = {
    {"Memo", 286, false},
};
constexpr ColumnSpec kExpenseColumns[] = {
    {"Date", 100, false},    {"Category", 85, false}, {"Amount", 100, true},
    {"Payment", 100, false}, {"Receipt", 100, false}, {"Memo", 100, false},
};

constexpr std::string_view kPaymentWords[] = {"Cash", "Check", "Card", "Others"};

}  // namespace

int TabOfAppli(AppliId id) {
  for (int tab = 0; tab < kTabCount; ++tab) {
    if (kTabAppli[tab] == id) return tab;
  }
  return -1;
}

std::string_view TabName(AppliId id) {
  switch (id) {
    case kSchedule:
      return "Schedule";
    case kToDo:
      return "To Do";
    case kAnniversary:
      return "Anniversary";
    case kTelephone:
      return "Telephone";
    case kMemo:
      return "Memo";
    case kExpense:
      return "Expense";
    default:
      return "";
  }
}

std::span<const ColumnSpec> AppliColumns(AppliId id) {
  switch (id) {
    case kSchedule:
      return kScheduleColumns;
    case kToDo:
      return kToDoColumns;
    case kAnniversary:
      return kAnniversaryColumns;
    case kTelephone:
      return kTelephoneColumns;
    case kMemo:
      return kMemoColumns;
    case kExpense:
      return kExpenseColumns;
    default:
      return {};
  }
}

std::string_view TelephoneCategoryWord(int category) {
  if (category == 0) return "Personal";
  if (category == 1) return "Business";
  return "Others";
}

std::string_view PaymentWord(int payment) { return kPaymentWords[payment & 3]; }

int TelephoneCategoryOfWord(std::string_view word) {
  if (word == "Personal") return 0;
  if (word == "Business") return 1;
  return 2;
}

int PaymentOfWord(std::string_view word) {
  for (int i = 0; i < 4; ++i) {
    if (kPaymentWords[i] == word) return i;
  }
  return -1;
}

}  // namespace kivo
