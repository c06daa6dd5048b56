#ifndef KIVO_UI_EDIT_DIALOGS_H_
#define KIVO_UI_EDIT_DIALOGS_H_

// The record edit dialogs: one modal dialog per application for New Entry and
// Edit Entry.
//
//   uint8_t flags = EditDialogFlags(id, /*is_new=*/false, record_count,
//                                   settings.display_date, settings.display_hour,
//                                   model.filter());
//   EditContext context;
//   context.category_names = CategoryNamesOf(store);   // Expense
//   EditDialogResult r = RunEditDialog(this, id, &record_bytes, flags, context);
//   // r.code: kEditCancel (2), kEditSave (101) or kEditSaveAsNew (102);
//   // r.record: the record built from the fields (PC coding, with its 0xFF)
//   // on 101 and 102.
//
// An edited record keeps every byte that no field carries (reserved header
// bytes, flag bits without a field, an anniversary's year, the sign of an
// unchanged amount): the fields are written over the record the dialog was
// opened with.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>

#include "format/today.h"
#include "store/appli_id.h"
#include "store/char_tables.h"

class QGridLayout;
class QPushButton;

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
  // The allowed-character table; unset: "char.dat" is read when the dialog
  // is set up.
  std::optional<AllowedTable> allowed;
  // The date a new Schedule, To Do, Anniversary or Expense record starts at,
  // asked whenever the fields are filled or cleared.
  TodaySource today = SystemToday;
};

struct EditDialogResult {
  int code = kEditCancel;
  std::vector<uint8_t> record;  // on kEditSave and kEditSaveAsNew
};

// The frame every edit dialog shares: the buttons "Save", "Save As New",
// "Clear" and "Cancel", the results, the validity rule and the keys (Enter
// presses a focused button and is ignored elsewhere, Esc cancels).
class EditDialog : public QDialog {
  Q_OBJECT

 public:
  EditDialog(AppliId id, uint8_t flags, QWidget* parent);

  [[nodiscard]] AppliId appli_id() const { return id_; }
  [[nodiscard]] uint8_t flags() const { return flags_; }
  // The record built when the dialog ended with 101 or 102.
  [[nodiscard]] const std::vector<uint8_t>& record() const { return record_; }

  QPushButton* save_button() const { return save_; }
  QPushButton* save_as_new_button() const { return save_as_new_; }
  QPushButton* clear_button() const { return clear_; }
  QPushButton* cancel_button() const { return cancel_; }

  // Puts every field back to the new-record defaults and re-evaluates.
  void Clear();
  // Sets Save and Save As New after the validity rule.
  void UpdateEnabling();
  [[nodiscard]] virtual bool IsValid() const = 0;

  void reject() override;

 protected:
  // Called once at the end of the (final) dialog class's constructor: the
  // fields, then the values (record or defaults), then the enabling.
  void Setup(const std::vector<uint8_t>* record);
  virtual void BuildFields(QGridLayout* grid) = 0;
  virtual void FillDefaults() = 0;
  virtual void FillFromRecord(const std::vector<uint8_t>& record) = 0;
  [[nodiscard]] virtual std::vector<uint8_t> BuildRecord() const = 0;

  [[nodiscard]] int display_date() const;
  [[nodiscard]] int display_hour() const;

  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Finish(int code);

  AppliId id_;
  uint8_t flags_;
  std::vector<uint8_t> record_;
  QPushButton* save_ = nullptr;
  QPushButton* save_as_new_ = nullptr;
  QPushButton* clear_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

// The dialog of an application (Schedule, Anniversary, To Do, Memo, Expense,
// Telephone), set up with the record (null for a new one); null for any other
// id. Its fields carry object names for tests: "date", "startTime",
// "endTime", "alarm", "reminder", "description", "priority", "done", "memo",
// "category", "amount", "payment", "receipt", "telCategory", "tel0".."tel13".
[[nodiscard]] std::unique_ptr<EditDialog> CreateEditDialog(QWidget* parent, AppliId id,
                                                           const std::vector<uint8_t>* record,
                                                           uint8_t flags,
                                                           const EditContext& context);

// Shows the dialog modally and returns its result.
[[nodiscard]] EditDialogResult RunEditDialog(QWidget* parent, AppliId id,
                                             const std::vector<uint8_t>* record, uint8_t flags,
                                             const EditContext& context);

}  // namespace kivo

#endif  // KIVO_UI_EDIT_DIALOGS_H_
