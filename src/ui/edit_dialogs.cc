#include "ui/edit_dialogs.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "format/display_modes.h"
#include "ui/edit_dialog_kinds.h"
#include "ui/message_box.h"
#include "ui/segmented_field.h"

namespace kivo {

EditDialog::EditDialog(AppliId id, uint8_t flags, QWidget* parent)
    : QDialog(parent), id_(id), flags_(flags) {
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setModal(true);
}

int EditDialog::display_date() const {
  if (flags_ & kEditFlagDateDmy) return kDateDmy;
  if (flags_ & kEditFlagDateYmd) return kDateYmd;
  return kDateMdy;
}

int EditDialog::display_hour() const { return (flags_ & kEditFlagHour24) ? kHour24 : kHour12; }

void EditDialog::Setup(const std::vector<uint8_t>* record) {
  auto* outer = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(10);
  grid->setVerticalSpacing(6);
  BuildFields(grid);
  outer->addLayout(grid);
  outer->addStretch(1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto make_button = [&](const char* text, const char* name) {
    auto* button = new QPushButton(QString::fromLatin1(text), this);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(true);  // Enter presses it while it has the focus
    button->setDefault(false);
    button->setMinimumWidth(90);
    buttons->addWidget(button);
    return button;
  };
  save_ = make_button("Save", "save");
  save_as_new_ = make_button("Save As New", "saveAsNew");
  clear_ = make_button("Clear", "clear");
  cancel_ = make_button("Cancel", "cancel");
  outer->addSpacing(6);
  outer->addLayout(buttons);
  connect(save_, &QPushButton::clicked, this, [this] { Finish(kEditSave); });
  connect(save_as_new_, &QPushButton::clicked, this, [this] { Finish(kEditSaveAsNew); });
  connect(clear_, &QPushButton::clicked, this, &EditDialog::Clear);
  connect(cancel_, &QPushButton::clicked, this, &EditDialog::reject);

  if (record != nullptr && !record->empty()) {
    FillFromRecord(*record);
  } else {
    FillDefaults();
  }
  UpdateEnabling();
  // A field corrected on leaving (a damaged record's priority, say) may make
  // the record valid: the buttons follow at once.
  for (SegmentedField* field : findChildren<SegmentedField*>()) {
    connect(field, &SegmentedField::Edited, this, &EditDialog::UpdateEnabling);
  }
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void EditDialog::Clear() {
  FillDefaults();
  UpdateEnabling();
}

void EditDialog::UpdateEnabling() {
  const bool valid = IsValid();
  save_->setEnabled(valid);
  save_as_new_->setEnabled(valid && (flags_ & (kEditFlagNew | kEditFlagFull)) == 0);
}

void EditDialog::Finish(int code) {
  // A click takes the focus first, so the field being left is already
  // corrected; a button pressed any other way gets the same correction here.
  for (SegmentedField* field : findChildren<SegmentedField*>()) {
    if (field->isEnabled()) field->Commit();
  }
  UpdateEnabling();
  if (!IsValid()) return;
  if (code == kEditSaveAsNew && !save_as_new_->isEnabled()) return;
  record_ = BuildRecord();
  done(code);
}

void EditDialog::reject() { done(kEditCancel); }

void EditDialog::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Enter:
    case Qt::Key_Return: {
      // No default button: Enter only presses the button that has the focus.
      QWidget* focus = QApplication::focusWidget();
      for (QPushButton* button : {save_, save_as_new_, clear_, cancel_}) {
        if (focus == button && button->isEnabled()) button->click();
      }
      event->accept();
      return;
    }
    case Qt::Key_Escape:
      event->accept();
      reject();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

std::unique_ptr<EditDialog> CreateEditDialog(QWidget* parent, AppliId id,
                                             const std::vector<uint8_t>* record, uint8_t flags,
                                             const EditContext& context) {
  switch (id) {
    case kSchedule:
      return MakeScheduleDialog(parent, record, flags, context);
    case kAnniversary:
      return MakeAnniversaryDialog(parent, record, flags, context);
    case kToDo:
      return MakeToDoDialog(parent, record, flags, context);
    case kMemo:
      return MakeMemoDialog(parent, record, flags, context);
    case kExpense:
      return MakeExpenseDialog(parent, record, flags, context);
    case kTelephone:
      return MakeTelephoneDialog(parent, record, flags, context);
    default:
      return nullptr;
  }
}

EditDialogResult RunEditDialog(QWidget* parent, const EditRequest& request) {
  EditDialogResult result;
  std::unique_ptr<EditDialog> dialog =
      CreateEditDialog(parent, request.id, request.record ? &*request.record : nullptr,
                       request.flags, request.context);
  if (!dialog) return result;
  result.code = ExecDialog(*dialog);
  if (result.code == kEditSave || result.code == kEditSaveAsNew) {
    result.record = dialog->record();
  } else {
    result.code = kEditCancel;
  }
  return result;
}

}  // namespace kivo
