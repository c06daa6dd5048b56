#include "print/print_choice.h"

#include <algorithm>
#include <cstdio>

#include "view/calendar_model.h"

namespace kivo {
namespace {

// Keeps the columns whose titles are named, in the list's order; false (and
// the list untouched) when none of them is there.
bool KeepColumns(PrintedList& list, const std::vector<std::string>& titles) {
  std::vector<size_t> kept;
  for (size_t c = 0; c < list.columns.size(); ++c) {
    if (std::find(titles.begin(), titles.end(), list.columns[c]) != titles.end()) {
      kept.push_back(c);
    }
  }
  if (kept.empty()) return false;
  auto pick = [&kept](auto& values) {
    std::remove_reference_t<decltype(values)> picked;
    for (size_t c : kept) {
      if (c < values.size()) picked.push_back(values[c]);
    }
    values = std::move(picked);
  };
  pick(list.columns);
  pick(list.widths);
  pick(list.right_aligned);
  for (std::vector<std::string>& row : list.rows) pick(row);
  return true;
}

std::string DayText(int day) {
  const DateValue date = DateOfDay(day);
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
  return text;
}

// "Telephone (Business)" -> "telephone-business".
std::string FileWord(std::string_view title) {
  std::string word;
  for (const char c : title) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    if (letter || (c >= 'A' && c <= 'Z')) {
      word += letter ? c : static_cast<char>(c - 'A' + 'a');
    } else if (!word.empty() && word.back() != '-') {
      word += '-';
    }
  }
  while (!word.empty() && word.back() == '-') word.pop_back();
  return word.empty() ? "records" : word;
}

}  // namespace

std::optional<ListLayout> ParseListLayout(std::string_view text) {
  if (text == "table") return ListLayout::kTable;
  if (text == "phone-list") return ListLayout::kPhoneList;
  return std::nullopt;
}

void ApplyPrintChoices(PrintedList& list, AppliId id, const PrintChoices& choices,
                       const std::vector<std::string>& fallback) {
  if (id == kTelephone && choices.phone_list) {
    list.layout = ListLayout::kPhoneList;
    return;
  }
  list.layout = ListLayout::kTable;
  const size_t index = static_cast<size_t>(id);
  if (index < choices.columns.size() && KeepColumns(list, choices.columns[index])) return;
  (void)KeepColumns(list, fallback);
}

std::string SuggestedPdfName(const PrintJob& job) {
  if (job.calendar && job.lists.empty()) {
    const PrintedCalendar& page = *job.calendar;
    switch (page.period) {
      case PrintedCalendar::Period::kMonth: {
        char text[32];
        std::snprintf(text, sizeof text, "calendar-%04d-%02d.pdf", page.year, page.month);
        return text;
      }
      case PrintedCalendar::Period::kWeek:
        return "calendar-week-" + DayText(page.first_day) + ".pdf";
      case PrintedCalendar::Period::kDay:
        return "calendar-" + DayText(page.first_day) + ".pdf";
    }
  }
  if (job.lists.size() == 1) return FileWord(job.lists.front().title) + ".pdf";
  return "records.pdf";
}

}  // namespace kivo
