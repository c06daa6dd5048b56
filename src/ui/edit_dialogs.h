#ifndef KIVO_UI_EDIT_DIALOGS_H_
#define KIVO_UI_EDIT_DIALOGS_H_

// The record edit dialogs: one modal dialog per application for New Entry and
// Edit Entry.
//
//   EditDialogResult r = RunEditDialog(this, commands.EditOfRow(row));
//   // r.code: kEditCancel (2), kEditSave (101) or kEditSaveAsNew (102);
//   // r.record: the record built from the fields (PC coding, with its 0xFF)
//   // on 101 and 102.
//   commands.ApplyEdit(row, r);
//
// An edited record keeps every byte that no field carries (reserved header
// bytes, flag bits without a field, an anniversary's year, the sign of an
// unchanged amount): the fields are written over the record the dialog was
// opened with.

#include <cstdint>
#include <memory>
#include <vector>

#include <QDialog>

#include "desktop/edit_request.h"

class QGridLayout;
class QPushButton;

namespace kivo {

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

// Shows the request's dialog modally (ExecDialog) and returns its result:
// kEditCancel for any end but Save and Save As New, and for an application
// without a dialog.
[[nodiscard]] EditDialogResult RunEditDialog(QWidget* parent, const EditRequest& request);

}  // namespace kivo

#endif  // KIVO_UI_EDIT_DIALOGS_H_
