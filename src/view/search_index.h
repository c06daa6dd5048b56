#ifndef KIVO_VIEW_SEARCH_INDEX_H_
#define KIVO_VIEW_SEARCH_INDEX_H_

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/appli_id.h"
#include "view/appli_columns.h"
#include "view/appli_records.h"
#include "view/list_row.h"
#include "view/text_fold.h"

namespace kivo {

// The text a search looks at in a record, PC coding: what the user wrote, not
// the fixed words. Schedule, Anniversary and To Do: the description; Memo:
// the text; Expense: the category name, then the memo; Telephone: the fields
// that are not empty, in the list's order. Parts are joined by " · ".
[[nodiscard]] std::string SearchText(AppliId id, std::span<const uint8_t> record,
                                     const RowContext& context);

// The date a result shows, in the display mode: Schedule with its start time,
// To Do and Expense with year, Anniversary without; empty for Memo and
// Telephone.
[[nodiscard]] std::string SearchDate(AppliId id, std::span<const uint8_t> record,
                                     const RowContext& context);

// The applications searched, as a mask of bits (1 << AppliId): the six with
// a tab.
inline constexpr uint8_t kSearchAppliMask = 0x3F;

// One record that holds the searched text.
struct SearchHit {
  AppliId appli = kSchedule;
  int position = 0;     // in the application's records at the last Sync
  uint32_t folded = 0;  // where the first match starts in the folded search text
};

// The folded search texts of every application's records, kept up to date
// with the records: Sync reads an application again only when its records
// changed (every one when the display modes or category names did), so a
// search costs one pass over the folded texts.
class SearchIndex {
 public:
  // True when any application changed.
  bool Sync(const RecordSource& source, const RowContext& context);

  // The records whose search text holds the text (case and accents ignored):
  // the applications in tab order, each in record order, one hit per record.
  // An empty text finds nothing.
  [[nodiscard]] std::vector<SearchHit> Find(std::string_view text,
                                            uint8_t appli_mask = kSearchAppliMask) const;

  // What a hit shows: the search text with the stretch the match covers,
  // and the date.
  struct Shown {
    std::string text;  // line breaks as blanks
    TextSpan match;
    std::string date;
  };
  [[nodiscard]] Shown Show(const SearchHit& hit, size_t folded_length) const;

  // The record of a hit as it was at the last Sync, without terminator.
  [[nodiscard]] std::span<const uint8_t> Record(AppliId id, int position) const;
  [[nodiscard]] int record_count() const;
  const RowContext& context() const { return context_; }

 private:
  struct Appli {
    RecordSnapshot snapshot;
    // The folded texts back to back, each followed by a NUL, which no text
    // and no query holds, so a match never runs from one record into the next.
    std::string folded;
    std::vector<uint32_t> starts;  // where each record's folded text starts
  };
  void Read(AppliId id, Appli& appli) const;

  std::array<Appli, kTabCount> applis_;  // by AppliId
  RowContext context_;
  bool synced_ = false;
};

}  // namespace kivo

#endif  // KIVO_VIEW_SEARCH_INDEX_H_
