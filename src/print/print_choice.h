#ifndef KIVO_PRINT_PRINT_CHOICE_H_
#define KIVO_PRINT_PRINT_CHOICE_H_

// What a print holds as the owner chose it, and what its file is called.
// Free of Qt, like page_layout.h.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "print/page_layout.h"
#include "store/appli_id.h"
#include "store/print_choices.h"

namespace kivo {

// "table" and "phone-list", as the command line and the settings spell them.
[[nodiscard]] std::optional<ListLayout> ParseListLayout(std::string_view text);

// Narrows a list holding every column of the application to what is printed:
// Telephone as a phone list when chosen (the list stays whole: the cards pick
// their columns), else a table of the chosen columns in the list's order, or
// of the `fallback` titles when none of the chosen ones is there.
void ApplyPrintChoices(PrintedList& list, AppliId id, const PrintChoices& choices,
                       const std::vector<std::string>& fallback);

// The file name Export PDF proposes, saying what the print holds:
// "telephone.pdf", "telephone-business.pdf" (a filtered list), "records.pdf"
// (several lists), "calendar-2026-12.pdf" (a month), "calendar-2026-12-08.pdf"
// (a day), "calendar-week-2026-12-06.pdf" (a week, by its first day).
[[nodiscard]] std::string SuggestedPdfName(const PrintJob& job);

}  // namespace kivo

#endif  // KIVO_PRINT_PRINT_CHOICE_H_
