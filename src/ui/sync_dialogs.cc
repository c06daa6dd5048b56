#include "ui/sync_dialogs.h"

#include <algorithm>

#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "desktop/main_commands.h"
#include "desktop/sync_preview.h"
#include "store/app_settings.h"
#include "ui/message_box.h"
#include "ui/qt_command_user.h"

namespace kivo {

namespace {

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

QVBoxLayout* Column(QDialog* dialog) { return static_cast<QVBoxLayout*>(dialog->layout()); }

QTreeWidget* NewList(QWidget* parent, const QStringList& titles, const char* name) {
  auto* list = new QTreeWidget(parent);
  list->setObjectName(QString::fromLatin1(name));
  list->setRootIsDecorated(false);
  list->setHeaderLabels(titles);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->header()->setStretchLastSection(true);
  return list;
}

}  // namespace

// ---- SyncTargetDialog -------------------------------------------------------

SyncTargetDialog::SyncTargetDialog(const SyncTarget& target, QWidget* parent)
    : OptionDialog("Sync target", parent),
      kind_(new QComboBox(this)),
      place_(new QLineEdit(FromUtf8(target.place), this)),
      user_(new QLineEdit(FromUtf8(target.user), this)) {
  kind_->setObjectName(QStringLiteral("kind"));
  kind_->addItem(QStringLiteral("Contacts (Telephone cards)"));
  kind_->addItem(QStringLiteral("Calendar (Schedule, Anniversary, To Do)"));
  kind_->setCurrentIndex(target.kind == SyncTarget::Kind::kContacts ? 0 : 1);
  place_->setObjectName(QStringLiteral("place"));
  place_->setPlaceholderText(QStringLiteral("/home/me/.contacts/default or https://host/dav/..."));
  place_->setMinimumWidth(360);
  user_->setObjectName(QStringLiteral("user"));
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Type:"), kind_);
  form->addRow(QStringLiteral("&Folder or address:"), place_);
  form->addRow(QStringLiteral("&User name:"), user_);
  Column(this)->addLayout(form);
  Column(this)->addWidget(
      new QLabel(QStringLiteral("A folder holds one vCard or iCalendar file per item (a vdir).\n"
                                "The password of a server is asked when it is needed and is "
                                "never stored."),
                 this));
  AddButtons();
}

SyncTarget SyncTargetDialog::target() const {
  SyncTarget target;
  target.kind =
      kind_->currentIndex() == 0 ? SyncTarget::Kind::kContacts : SyncTarget::Kind::kCalendar;
  target.place = place_->text().trimmed().toStdString();
  target.user = user_->text().trimmed().toStdString();
  return target;
}

void SyncTargetDialog::accept() {
  const std::string problem = SyncPlaceProblem(target().place);
  if (!problem.empty()) {
    // An OK box has one answer.
    (void)ShowMessageBox(this,
                         {problem, "Sync target", PromptIcon::kExclamation, PromptButtons::kOk});
    place_->setFocus();
    return;
  }
  OptionDialog::accept();
}

// ---- SyncTargetsDialog ------------------------------------------------------

SyncTargetsDialog::SyncTargetsDialog(const SyncSettings& settings, QWidget* parent)
    : OptionDialog("Sync targets", parent),
      settings_(settings),
      list_(NewList(this,
                    {QStringLiteral("Type"), QStringLiteral("Folder or address"),
                     QStringLiteral("User name")},
                    "targets")),
      add_(new QPushButton(QStringLiteral("&Add..."), this)),
      edit_(new QPushButton(QStringLiteral("&Edit..."), this)),
      remove_(new QPushButton(QStringLiteral("&Remove"), this)),
      conflict_(new QComboBox(this)) {
  Column(this)->addWidget(new QLabel(
      QStringLiteral("File > Synchronize syncs your Organizer with the records of this program,\n"
                     "then with each of these address books and calendars in turn:"),
      this));
  list_->setMinimumSize(520, 160);
  list_->setColumnWidth(0, 80);
  list_->setColumnWidth(1, 320);
  auto* row = new QHBoxLayout;
  row->addWidget(list_, 1);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* button : {add_, edit_, remove_}) buttons->addWidget(button);
  buttons->addStretch(1);
  row->addLayout(buttons);
  Column(this)->addLayout(row);
  conflict_->setObjectName(QStringLiteral("conflict"));
  for (const ConflictChoice& choice : kConflictChoices) {
    conflict_->addItem(QString::fromLatin1(choice.text));
    if (settings_.conflict == choice.key) conflict_->setCurrentIndex(conflict_->count() - 1);
  }
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("A record &changed on both sides:"), conflict_);
  Column(this)->addLayout(form);
  AddButtons();
  connect(add_, &QPushButton::clicked, this, &SyncTargetsDialog::Add);
  connect(edit_, &QPushButton::clicked, this, &SyncTargetsDialog::EditCurrent);
  connect(remove_, &QPushButton::clicked, this, &SyncTargetsDialog::RemoveCurrent);
  connect(list_, &QTreeWidget::itemDoubleClicked, this, &SyncTargetsDialog::EditCurrent);
  connect(list_, &QTreeWidget::currentItemChanged, this, &SyncTargetsDialog::UpdateButtons);
  connect(conflict_, &QComboBox::currentIndexChanged, this,
          [this](int index) { settings_.conflict = kConflictChoices[index < 0 ? 0 : index].key; });
  ShowTargets(settings_.targets.empty() ? -1 : 0);
}

void SyncTargetsDialog::ShowTargets(int current) {
  list_->clear();
  for (const SyncTarget& target : settings_.targets) {
    auto* item = new QTreeWidgetItem(list_);
    item->setText(0, QString::fromLatin1(SyncKindName(target.kind)));
    item->setText(1, FromUtf8(target.place));
    item->setText(2, FromUtf8(target.user));
  }
  if (current >= 0 && current < list_->topLevelItemCount()) {
    list_->setCurrentItem(list_->topLevelItem(current));
  }
  UpdateButtons();
}

void SyncTargetsDialog::UpdateButtons() {
  const bool chosen = list_->currentItem() != nullptr;
  edit_->setEnabled(chosen);
  remove_->setEnabled(chosen);
}

void SyncTargetsDialog::Add() {
  SyncTargetDialog dialog(SyncTarget{}, this);
  if (ExecDialog(dialog) != QDialog::Accepted) return;
  settings_.targets.push_back(dialog.target());
  ShowTargets(static_cast<int>(settings_.targets.size()) - 1);
}

void SyncTargetsDialog::EditCurrent() {
  const int row = list_->indexOfTopLevelItem(list_->currentItem());
  if (row < 0) return;
  SyncTargetDialog dialog(settings_.targets[static_cast<size_t>(row)], this);
  if (ExecDialog(dialog) != QDialog::Accepted) return;
  settings_.targets[static_cast<size_t>(row)] = dialog.target();
  ShowTargets(row);
}

void SyncTargetsDialog::RemoveCurrent() {
  const int row = list_->indexOfTopLevelItem(list_->currentItem());
  if (row < 0) return;
  settings_.targets.erase(settings_.targets.begin() + row);
  ShowTargets(std::min(row, static_cast<int>(settings_.targets.size()) - 1));
}

// ---- SyncPreviewDialog ------------------------------------------------------

SyncPreviewDialog::SyncPreviewDialog(const SyncPreviewText& text, QWidget* parent)
    : OptionDialog("Synchronize", parent),
      counts_(NewList(this, {}, "counts")),
      details_(new QPlainTextEdit(this)),
      question_(new QLabel(this)) {
  Column(this)->addWidget(new QLabel(FromUtf8(text.intro), this));
  QStringList titles;
  for (const std::string& title : text.titles) titles << FromUtf8(title);
  counts_->setHeaderLabels(titles);
  for (const std::array<std::string, 4>& row : text.rows) {
    auto* item = new QTreeWidgetItem(counts_);
    for (int column = 0; column < 4; ++column) item->setText(column, FromUtf8(row[column]));
  }
  counts_->setMinimumSize(640, 170);
  counts_->setColumnWidth(0, 110);
  counts_->setColumnWidth(1, 220);
  counts_->setColumnWidth(2, 220);
  Column(this)->addWidget(counts_);
  details_->setObjectName(QStringLiteral("details"));
  details_->setReadOnly(true);
  details_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  details_->setLineWrapMode(QPlainTextEdit::NoWrap);
  details_->setPlainText(FromUtf8(text.details));
  details_->setMinimumHeight(160);
  Column(this)->addWidget(details_);
  question_->setObjectName(QStringLiteral("question"));
  question_->setWordWrap(true);
  question_->setText(FromUtf8(text.question));
  Column(this)->addWidget(question_);
  AddButtons();
  cancel_button()->setFocus();
}

// ---- The desktop's part of the sync commands -------------------------------

bool QtCommandUser::ConfirmSyncPreview(const SyncPreviewText& preview) {
  SyncPreviewDialog dialog(preview, parent_);
  return ExecDialog(dialog) == QDialog::Accepted;
}

std::optional<std::string> QtCommandUser::AskPassword(const std::string& target,
                                                      const std::string& user) {
  QInputDialog dialog(parent_);
  dialog.setObjectName(QStringLiteral("password"));
  dialog.setWindowTitle(QStringLiteral("Synchronize"));
  dialog.setLabelText(FromUtf8(PasswordQuestion(target, user)));
  dialog.setTextEchoMode(QLineEdit::Password);
  dialog.setInputMode(QInputDialog::TextInput);
  if (ExecDialog(dialog) != QDialog::Accepted) return std::nullopt;
  return dialog.textValue().toStdString();
}

void EditSyncTargets(MainCommands& commands, QWidget* parent) {
  SyncTargetsDialog dialog(commands.settings().sync, parent);
  if (ExecDialog(dialog) != QDialog::Accepted) return;
  commands.settings().sync = dialog.settings();
}

}  // namespace kivo
