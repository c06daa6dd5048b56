#include "ui/print_columns_dialog.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/pc_text.h"

namespace kivo {

PrintColumnsDialog::PrintColumnsDialog(AppliId id, const std::vector<std::string>& columns,
                                       const std::vector<std::string>& chosen, bool phone_list,
                                       QWidget* parent)
    : QDialog(parent), columns_(columns) {
  setWindowTitle(QStringLiteral("Print Columns"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  auto* layout = new QVBoxLayout(this);
  if (id == kTelephone) {
    phone_list_ = new QRadioButton(
        QStringLiteral("Phone &list: name, numbers, e-mail, company, notes"), this);
    table_ = new QRadioButton(QStringLiteral("&Table of the columns below"), this);
    phone_list_->setObjectName(QStringLiteral("phoneList"));
    table_->setObjectName(QStringLiteral("table"));
    (phone_list ? phone_list_ : table_)->setChecked(true);
    layout->addWidget(phone_list_);
    layout->addWidget(table_);
    connect(phone_list_, &QRadioButton::toggled, this, &PrintColumnsDialog::Update);
  }
  auto* label = new QLabel(QStringLiteral("&Columns to print:"), this);
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("printColumns"));
  label->setBuddy(list_);
  for (const std::string& column : columns_) {
    auto* item = new QListWidgetItem(FromPcText(column), list_);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    const bool ticked = std::find(chosen.begin(), chosen.end(), column) != chosen.end();
    item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
  }
  list_->setCurrentRow(0);
  // Every column in sight: the longest list has fifteen.
  list_->setMinimumHeight(list_->sizeHintForRow(0) * std::min<int>(list_->count(), 15) +
                          2 * list_->frameWidth());
  layout->addWidget(label);
  layout->addWidget(list_, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  ok_->setDefault(true);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(list_, &QListWidget::itemChanged, this, &PrintColumnsDialog::Update);
  Update();
  (phone_list_ != nullptr && phone_list ? static_cast<QWidget*>(phone_list_) : list_)->setFocus();
}

std::vector<std::string> PrintColumnsDialog::chosen() const {
  std::vector<std::string> ticked;
  for (int row = 0; row < list_->count(); ++row) {
    if (list_->item(row)->checkState() == Qt::Checked) {
      ticked.push_back(columns_[static_cast<size_t>(row)]);
    }
  }
  return ticked;
}

bool PrintColumnsDialog::phone_list() const {
  return phone_list_ != nullptr && phone_list_->isChecked();
}

void PrintColumnsDialog::Update() {
  list_->setEnabled(!phone_list());
  ok_->setEnabled(phone_list() || !chosen().empty());
}

}  // namespace kivo
