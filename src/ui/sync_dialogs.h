#ifndef KIVO_UI_SYNC_DIALOGS_H_
#define KIVO_UI_SYNC_DIALOGS_H_

// The dialogs of the two-way sync: Option > "Sync targets..." (the list of
// address books and calendars File > "Synchronize..." syncs after the
// program's own records, and the conflict policy), the one target's dialog
// it opens, and the dry run shown before each sync runs.
//
//   SyncTargetsDialog targets(settings.sync, this);
//   if (ExecDialog(targets) == QDialog::Accepted) settings.sync = targets.settings();

#include <string>

#include "desktop/sync_preview.h"
#include "store/sync_targets.h"
#include "ui/option_dialogs.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTreeWidget;

namespace kivo {

class MainCommands;

// "Sync target": "&Type" (contacts or calendar), "&Folder or address" and
// "&User name". OK keeps the dialog open, with a box saying why, while the
// place cannot be synced.
class SyncTargetDialog : public OptionDialog {
  Q_OBJECT
 public:
  explicit SyncTargetDialog(const SyncTarget& target, QWidget* parent = nullptr);

  [[nodiscard]] SyncTarget target() const;
  QComboBox* kind_box() const { return kind_; }
  QLineEdit* place_field() const { return place_; }
  QLineEdit* user_field() const { return user_; }

  void accept() override;

 private:
  QComboBox* kind_;
  QLineEdit* place_;
  QLineEdit* user_;
};

// "Sync targets": the targets in the order they are synced (type, place, user
// name), "&Add...", "&Edit..." and "&Remove", and what becomes of a record
// changed differently on both sides.
class SyncTargetsDialog : public OptionDialog {
  Q_OBJECT
 public:
  explicit SyncTargetsDialog(const SyncSettings& settings, QWidget* parent = nullptr);

  [[nodiscard]] const SyncSettings& settings() const { return settings_; }
  QTreeWidget* list() const { return list_; }
  QPushButton* add_button() const { return add_; }
  QPushButton* edit_button() const { return edit_; }
  QPushButton* remove_button() const { return remove_; }
  QComboBox* conflict_box() const { return conflict_; }

 private:
  void Add();
  void EditCurrent();
  void RemoveCurrent();
  void ShowTargets(int current);
  void UpdateButtons();

  SyncSettings settings_;
  QTreeWidget* list_;
  QPushButton* add_;
  QPushButton* edit_;
  QPushButton* remove_;
  QComboBox* conflict_;
};

// "Synchronize": what a sync of the organizer with one other side would do,
// read from both but changing neither: per application what is added,
// changed and removed on each side, then the conflicts with their records
// and sides. A sync the guards refuse is a question: OK goes ahead all the
// same. Cancel changes nothing.
class SyncPreviewDialog : public OptionDialog {
  Q_OBJECT
 public:
  explicit SyncPreviewDialog(const SyncPreviewText& text, QWidget* parent = nullptr);

  QTreeWidget* counts() const { return counts_; }
  QPlainTextEdit* details() const { return details_; }
  QLabel* question() const { return question_; }

 private:
  QTreeWidget* counts_;
  QPlainTextEdit* details_;
  QLabel* question_;
};

// Option > "Sync targets...": the dialog on the settings; OK stores them.
void EditSyncTargets(MainCommands& commands, QWidget* parent);

}  // namespace kivo

#endif  // KIVO_UI_SYNC_DIALOGS_H_
