#include "store/print_choices.h"

namespace kivo {
namespace {

constexpr const char* kPrint = "Print";
constexpr const char* kLayoutKey = "TelephoneLayout";
// The keys of the columns, by AppliID.
constexpr const char* kColumnKeys[6] = {"ScheduleColumns", "AnniversaryColumns",
                                        "ToDoColumns",     "MemoColumns",
                                        "ExpenseColumns",  "TelephoneColumns"};

std::vector<std::string> SplitTitles(const std::string& text) {
  std::vector<std::string> titles;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    if (end > start) titles.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return titles;
}

std::string JoinTitles(const std::vector<std::string>& titles) {
  std::string text;
  for (const std::string& title : titles) {
    if (!text.empty()) text += ',';
    text += title;
  }
  return text;
}

}  // namespace

PrintChoices ReadPrintChoices(const IniFile& ini) {
  PrintChoices choices;
  for (size_t i = 0; i < choices.columns.size(); ++i) {
    choices.columns[i] = SplitTitles(ini.ReadString(kPrint, kColumnKeys[i], ""));
  }
  choices.phone_list = ini.ReadString(kPrint, kLayoutKey, "phone-list") != "table";
  return choices;
}

void WritePrintChoices(const PrintChoices& choices, IniFile& ini) {
  for (size_t i = 0; i < choices.columns.size(); ++i) {
    if (!choices.columns[i].empty() || ini.HasKey(kPrint, kColumnKeys[i])) {
      ini.WriteString(kPrint, kColumnKeys[i], JoinTitles(choices.columns[i]));
    }
  }
  if (!choices.phone_list || ini.HasKey(kPrint, kLayoutKey)) {
    ini.WriteString(kPrint, kLayoutKey, choices.phone_list ? "phone-list" : "table");
  }
}

}  // namespace kivo
