#include "ui/find_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kivo {

FindDialog::FindDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Find"));
  setModal(false);
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

  auto* label = new QLabel(QStringLiteral("Fi&nd what:"), this);
  text_ = new QLineEdit(this);
  label->setBuddy(text_);
  match_case_ = new QCheckBox(QStringLiteral("Match &case"), this);
  match_case_->setChecked(true);

  auto* direction = new QGroupBox(QStringLiteral("Direction"), this);
  up_ = new QRadioButton(QStringLiteral("&Up"), direction);
  down_ = new QRadioButton(QStringLiteral("&Down"), direction);
  down_->setChecked(true);
  auto* direction_layout = new QHBoxLayout(direction);
  direction_layout->addWidget(up_);
  direction_layout->addWidget(down_);

  find_next_ = new QPushButton(QStringLiteral("&Find Next"), this);
  find_next_->setDefault(true);
  find_next_->setEnabled(false);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);

  auto* grid = new QGridLayout(this);
  grid->addWidget(label, 0, 0);
  grid->addWidget(text_, 0, 1, 1, 2);
  grid->addWidget(find_next_, 0, 3);
  grid->addWidget(match_case_, 1, 0, 1, 2, Qt::AlignBottom);
  grid->addWidget(direction, 1, 2);
  grid->addWidget(cancel, 1, 3, Qt::AlignTop);

  // Nothing to look for without a text.
  connect(text_, &QLineEdit::textChanged, this,
          [this](const QString& text) { find_next_->setEnabled(!text.isEmpty()); });
  connect(find_next_, &QPushButton::clicked, this, &FindDialog::OnFindNext);
  connect(cancel, &QPushButton::clicked, this, &QDialog::close);
}

void FindDialog::OnFindNext() {
  if (text_->text().isEmpty()) return;
  emit FindNextRequested(text_->text(), down_->isChecked(), match_case_->isChecked());
}

}  // namespace kivo
