#ifndef KIVO_VIEW_RECORD_TEXT_H_
#define KIVO_VIEW_RECORD_TEXT_H_

#include <cstdint>
#include <span>
#include <string>

#include "store/appli_id.h"
#include "view/list_row.h"

namespace kivo {

// The multi-line text of one record: with labels for the detail pane, without
// them for Find. Lines end with CR LF except the last text of the record
// (description, memo or notes), which ends the text. Dates, times and amounts
// follow the context's display modes; the Expense category is the context's
// name for the record's index.
[[nodiscard]] std::string RecordText(AppliId id, std::span<const uint8_t> record, bool labelled,
                                     const RowContext& context);

}  // namespace kivo

#endif  // KIVO_VIEW_RECORD_TEXT_H_
