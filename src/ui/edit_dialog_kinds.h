#ifndef KIVO_UI_EDIT_DIALOG_KINDS_H_
#define KIVO_UI_EDIT_DIALOG_KINDS_H_

// The six application dialogs behind CreateEditDialog.

#include <memory>
#include <vector>

#include "ui/edit_dialogs.h"

namespace kivo {

std::unique_ptr<EditDialog> MakeScheduleDialog(QWidget* parent, const std::vector<uint8_t>* record,
                                               uint8_t flags, const EditContext& context);
std::unique_ptr<EditDialog> MakeToDoDialog(QWidget* parent, const std::vector<uint8_t>* record,
                                           uint8_t flags, const EditContext& context);
std::unique_ptr<EditDialog> MakeAnniversaryDialog(QWidget* parent,
                                                  const std::vector<uint8_t>* record, uint8_t flags,
                                                  const EditContext& context);
std::unique_ptr<EditDialog> MakeMemoDialog(QWidget* parent, const std::vector<uint8_t>* record,
                                           uint8_t flags, const EditContext& context);
std::unique_ptr<EditDialog> MakeExpenseDialog(QWidget* parent, const std::vector<uint8_t>* record,
                                              uint8_t flags, const EditContext& context);
std::unique_ptr<EditDialog> MakeTelephoneDialog(QWidget* parent, const std::vector<uint8_t>* record,
                                                uint8_t flags, const EditContext& context);

}  // namespace kivo

#endif  // KIVO_UI_EDIT_DIALOG_KINDS_H_
