#ifndef KIVO_DESKTOP_EDIT_REQUEST_H_
#define KIVO_DESKTOP_EDIT_REQUEST_H_

// What a record edit dialog is opened with and how it ends, without the
// dialog: the flags byte, the context and the result codes. The desktop's
// commands build the request (MainCommands::EditOfRow) and take the outcome
// in (MainCommands::ApplyEdit); ui/edit_dialogs.h shows the dialog.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "format/today.h"
#include "store/appli_id.h"
#include "store/char_tables.h"

namespace kivo {

// The flags byte a dialog is opened with.
inline constexpr uint8_t kEditFlagNew = 0x01;   // no record given
inline constexpr uint8_t kEditFlagFull = 0x02;  // the application holds 920 records
inline constexpr uint8_t kEditFlagDateDmy = 0x04;
inline constexpr uint8_t kEditFlagDateYmd = 0x08;
inline constexpr uint8_t kEditFlagTelBusiness = 0x04;  // Telephone: category of a new record
inline constexpr uint8_t kEditFlagTelOthers = 0x08;
inline constexpr uint8_t kEditFlagHour24 = 0x10;  // Schedule

// Dialog results.
inline constexpr int kEditCancel = 2;
inline constexpr int kEditSave = 101;
inline constexpr int kEditSaveAsNew = 102;

// The flags for a dialog: is_new for New Entry; record_count the
// application's records (Telephone: rows plus hidden records), which sets
// the full bit only when editing; the display modes; telephone_filter the
// main window's category filter (0 Personal, 1 Business, 2 Others, 3 All),
// which gives a new Telephone record its category.
[[nodiscard]] uint8_t EditDialogFlags(AppliId id, bool is_new, int record_count, int display_date,
                                      int display_hour, int telephone_filter);

// What a dialog needs besides the record and the flags.
struct EditContext {
  // Expense: the eight category names of the store's list (missing names
  // are taken from the defaults).
  std::vector<std::string> category_names;
  // The allowed-character table (char.dat of the program's tables). Left
  // as it is, no character may be entered.
  AllowedTable allowed{};
  // The date a new Schedule, To Do, Anniversary or Expense record starts at,
  // asked whenever the fields are filled or cleared.
  TodaySource today = SystemToday;
};

// One dialog to open: the application's, on the record (none: a new one).
struct EditRequest {
  AppliId id = 0;
  std::optional<std::vector<uint8_t>> record;
  uint8_t flags = 0;
  EditContext context;
};

struct EditDialogResult {
  int code = kEditCancel;
  std::vector<uint8_t> record;  // on kEditSave and kEditSaveAsNew
};

}  // namespace kivo

#endif  // KIVO_DESKTOP_EDIT_REQUEST_H_
