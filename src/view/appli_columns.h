#ifndef KIVO_VIEW_APPLI_COLUMNS_H_
#define KIVO_VIEW_APPLI_COLUMNS_H_

#include <array>
#include <span>
#include <string_view>

#include "store/appli_id.h"

namespace kivo {

// The six applications of the main window in tab order; the tab order is not the
// application id order.
inline constexpr int kTabCount = 6;
inline constexpr std::array<AppliId, kTabCount> kTabAppli{kSchedule,  kToDo, kAnniversary,
                                                          kTelephone, kMemo, kExpense};

// Tab position of an application, or -1 for an id that has no tab.
[[nodiscard]] int TabOfAppli(AppliId id);
// Name shown as the tab's tooltip and painted in the list header ("To Do", ...).
[[nodiscard]] std::string_view TabName(AppliId id);

// One list column: its title, its initial width in pixels and its alignment.
struct ColumnSpec {
  std::string_view title;
  int width;
  bool right_aligned;
};

// The list columns of an application, in order; empty for ids without a tab.
[[nodiscard]] std::span<const ColumnSpec> AppliColumns(AppliId id);

// The most columns any application has (Telephone: category and 14 fields).
inline constexpr int kMaxColumns = 15;

// Telephone category filter entries, in the order of the drop-down list. A filter
// value is the index into this list; kFilterAll shows every record.
inline constexpr std::array<std::string_view, 4> kFilterNames{"Personal", "Business", "Others",
                                                              "All"};
inline constexpr int kFilterAll = 3;

// Words of record fields as the list and the record texts show them.
[[nodiscard]] std::string_view TelephoneCategoryWord(int category);  // Personal/Business/Others
[[nodiscard]] std::string_view PaymentWord(int payment);             // Cash/Check/Card/Others
// Category byte for a word: 0 "Personal", 1 "Business", 2 anything else.
[[nodiscard]] int TelephoneCategoryOfWord(std::string_view word);
// Payment code for a word, or -1 when the word is none of the four.
[[nodiscard]] int PaymentOfWord(std::string_view word);

}  // namespace kivo

#endif  // KIVO_VIEW_APPLI_COLUMNS_H_
