#include "ui/option_dialogs.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/serial_port.h"
#include "store/app_settings.h"
#include "ui/auto_detect_dialog.h"
#include "ui/pc_text.h"
#include "ui/text_fields.h"
#include "ui/ui_resources.h"

namespace kivo {

namespace {

QGroupBox* RadioGroup(const char* title, std::initializer_list<const char*> texts,
                      QRadioButton** out, QWidget* parent) {
  auto* group = new QGroupBox(QString::fromLatin1(title), parent);
  auto* column = new QVBoxLayout(group);
  for (const char* text : texts) {
    auto* button = new QRadioButton(QString::fromLatin1(text), group);
    column->addWidget(button);
    *out++ = button;
  }
  return group;
}

int AutoDetectModally(QWidget* parent, const DetectSettings& settings) {
  AutoDetectDialog dialog(settings, parent);
  return dialog.exec();
}

}  // namespace

// ---- OptionDialog -----------------------------------------------------------

OptionDialog::OptionDialog(const char* caption, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromLatin1(caption));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setModal(true);
  new QVBoxLayout(this);
}

void OptionDialog::AddButtons(const std::vector<QPushButton*>& extra) {
  ok_ = new QPushButton(QStringLiteral("OK"), this);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  for (QPushButton* button : {ok_, cancel_}) row->addWidget(button);
  for (QPushButton* button : extra) row->addWidget(button);
  for (QPushButton* button : findChildren<QPushButton*>()) {
    button->setAutoDefault(true);  // Enter presses it while it has the focus
    button->setDefault(false);
    button->setMinimumWidth(80);
  }
  static_cast<QVBoxLayout*>(layout())->addSpacing(6);
  static_cast<QVBoxLayout*>(layout())->addLayout(row);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void OptionDialog::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Enter:
    case Qt::Key_Return:
      // No default button: a focused push button has taken Enter already.
      event->accept();
      return;
    case Qt::Key_Escape:
      event->accept();
      reject();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

// ---- ComPortDialog ----------------------------------------------------------

ComPortDialog::ComPortDialog(const AppSettings& settings, SerialPortFactory port_factory,
                             QWidget* parent)
    : OptionDialog("COM port", parent),
      detect_(DetectSettingsFrom(settings, std::move(port_factory))),
      runner_(AutoDetectModally) {
  auto* group = RadioGroup("Setting", {"COM&1", "COM&2", "COM&3", "COM&4", "&Virtual organizer"},
                           buttons_.data(), this);
  layout()->addWidget(group);
  auto_detect_ = new QPushButton(QStringLiteral("&Auto Detect..."), this);
  AddButtons({auto_detect_});
  connect(auto_detect_, &QPushButton::clicked, this, &ComPortDialog::AutoDetect);

  start_port_ = settings.com_port >= 1 && settings.com_port <= 4 ? settings.com_port : 1;
  start_name_ = settings.port_name == kVirtualPort ? std::string(kVirtualPort) : std::string();
  buttons_[start_name_.empty() ? static_cast<size_t>(start_port_ - 1) : 4]->setChecked(true);
  port_ = start_port_;
  port_name_ = start_name_;
}

void ComPortDialog::accept() {
  port_ = 0;
  port_name_.clear();
  for (int i = 0; i < 4 && port_ == 0; ++i) {
    if (buttons_[static_cast<size_t>(i)]->isChecked()) port_ = i + 1;
  }
  if (port_ == 0 && buttons_[4]->isChecked()) {
    port_ = start_port_;  // COMPort stays what it was
    port_name_ = std::string(kVirtualPort);
  }
  if (port_ == 0) port_ = 1;
  QDialog::accept();
}

void ComPortDialog::reject() {
  port_ = start_port_;
  port_name_ = start_name_;
  QDialog::reject();
}

void ComPortDialog::AutoDetect() {
  const int found = runner_(this, detect_);
  if (found >= 1 && found <= 4) buttons_[static_cast<size_t>(found - 1)]->setChecked(true);
}

// ---- OrganizerModelDialog ---------------------------------------------------

OrganizerModelDialog::OrganizerModelDialog(int model, QWidget* parent)
    : OptionDialog("Organizer Model", parent), model_(model) {
  auto* box = new QWidget(this);
  auto* column = new QVBoxLayout(box);
  column->setContentsMargins(12, 6, 12, 6);
  buttons_[0] = new QRadioButton(QStringLiteral("&TR/VX-480"), box);
  buttons_[1] = new QRadioButton(QStringLiteral("&VX-480M"), box);
  for (QRadioButton* b : buttons_) column->addWidget(b);
  layout()->addWidget(box);
  AddButtons();
  buttons_[model == 1 ? 1 : 0]->setChecked(true);
}

void OrganizerModelDialog::accept() {
  model_ = buttons_[0]->isChecked() ? 0 : 1;
  QDialog::accept();
}

// ---- DisplayFormatDialog ----------------------------------------------------

DisplayFormatDialog::DisplayFormatDialog(int display_hour, int display_date, QWidget* parent)
    : OptionDialog("Display Format", parent),
      display_hour_(display_hour),
      display_date_(display_date) {
  auto* row = new QHBoxLayout;
  row->addWidget(
      RadioGroup("12/24 hour mode", {"&12 hour mode", "&24 hour mode"}, hour_.data(), this));
  row->addWidget(
      RadioGroup("Date mode", {"&mm/dd/yyyy", "&dd.mm.yyyy", "&yyyy.mm.dd"}, date_.data(), this));
  static_cast<QVBoxLayout*>(layout())->addLayout(row);
  AddButtons();
  hour_[display_hour == 1 ? 1 : 0]->setChecked(true);
  date_[display_date == 1 || display_date == 2 ? static_cast<size_t>(display_date) : 0]->setChecked(
      true);
}

void DisplayFormatDialog::accept() {
  display_hour_ = hour_[0]->isChecked() ? 0 : 1;
  display_date_ = date_[1]->isChecked() ? 1 : date_[2]->isChecked() ? 2 : 0;
  QDialog::accept();
}

// ---- ExpenseCategoryDialog --------------------------------------------------

ExpenseCategoryDialog::ExpenseCategoryDialog(const CategoryNames& names, QWidget* parent,
                                             const AllowedTable* allowed)
    : OptionDialog("Expense Category", parent) {
  const AllowedTable table = allowed != nullptr ? *allowed : LoadDialogAllowedTable();
  auto* grid = new QGridLayout;
  const QFontMetrics metrics(FieldFont());
  for (int i = 0; i < kCategoryCount; ++i) {
    auto* field = new FilteredLineEdit(table, static_cast<int>(kCategoryNameCapacity), this);
    field->setObjectName(QStringLiteral("name%1").arg(i + 1));
    field->setFont(FieldFont());
    field->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("MMMMMMMM")) + 14);
    field->setText(FromPcText(names.names[static_cast<size_t>(i)]));
    fields_[static_cast<size_t>(i)] = field;
    auto* label = new QLabel(QStringLiteral("%1:").arg(i + 1), this);
    label->setBuddy(field);
    // Two columns of four, as on the organizer's own list.
    grid->addWidget(label, i % 4, (i / 4) * 3);
    grid->addWidget(field, i % 4, (i / 4) * 3 + 1);
  }
  grid->setHorizontalSpacing(6);
  grid->setColumnMinimumWidth(2, 16);
  static_cast<QVBoxLayout*>(layout())->addLayout(grid);
  AddButtons();
}

CategoryNames ExpenseCategoryDialog::names() const {
  CategoryNames out;
  for (size_t i = 0; i < fields_.size(); ++i) {
    out.names[i] = FieldRecordText(fields_[i]->text(), kCategoryNameCapacity);
  }
  return out;
}

// ---- AboutDialog ------------------------------------------------------------

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  InitUiResources();
  setWindowTitle(QStringLiteral("About"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setModal(true);
  auto* outer = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  auto* icon = new QLabel(this);
  icon->setPixmap(QIcon(QStringLiteral(":/icons/app.svg")).pixmap(48, 48));
  icon->setAlignment(Qt::AlignTop);
  row->addWidget(icon);
  auto* lines = new QVBoxLayout;
  lines->addWidget(new QLabel(QString::fromLatin1(kFirstLine), this));
  lines->addWidget(new QLabel(QString::fromLatin1(kSecondLine), this));
  lines->addStretch(1);
  row->addSpacing(10);
  row->addLayout(lines);
  outer->addLayout(row);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setDefault(true);
  ok->setMinimumWidth(80);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  outer->addLayout(buttons);
  outer->setSizeConstraint(QLayout::SetFixedSize);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace kivo
