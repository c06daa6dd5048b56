#include "ui/import_dialog.h"

#include <string>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "desktop/exchange_filters.h"
#include "desktop/file_names.h"
#include "ui/message_box.h"
#include "ui/pc_text.h"

namespace kivo {
namespace {

// The list's entries in tab order, with their applications.
struct ImportEntry {
  const char* text;
  AppliId id;
};
constexpr ImportEntry kImportEntries[] = {
    {"Schedule", kSchedule},   {"Todo", kToDo}, {"Anniversary", kAnniversary},
    {"Telephone", kTelephone}, {"Memo", kMemo}, {"Expense", kExpense}};

}  // namespace

ImportDialog::ImportDialog(QWidget* parent, AppliId initial, const QString& folder,
                           std::optional<CsvEncoding> encoding)
    : QDialog(parent), folder_(folder) {
  setWindowTitle(QStringLiteral("Import"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

  auto* file_label = new QLabel(QStringLiteral("File Name:"), this);
  file_ = new QLineEdit(this);
  file_->setMinimumWidth(260);
  file_label->setBuddy(file_);
  browse_ = new QPushButton(QStringLiteral("Browse"), this);
  browse_->setAutoDefault(false);
  auto* appli_label = new QLabel(QStringLiteral("Application:"), this);
  appli_ = new QComboBox(this);
  appli_label->setBuddy(appli_);
  for (const ImportEntry& entry : kImportEntries) {
    appli_->addItem(QString::fromLatin1(entry.text), static_cast<int>(entry.id));
  }
  appli_->setCurrentIndex(appli_->findData(static_cast<int>(initial)));
  auto* encoding_label = new QLabel(QStringLiteral("Encoding:"), this);
  encoding_ = new QComboBox(this);
  encoding_label->setBuddy(encoding_);
  encoding_->addItem(QStringLiteral("Found from the file"), -1);
  encoding_->addItem(QStringLiteral("UTF-8"), static_cast<int>(CsvEncoding::kUtf8));
  encoding_->addItem(QStringLiteral("Windows-1252"), static_cast<int>(CsvEncoding::kWindows1252));
  encoding_->setCurrentIndex(encoding_->findData(encoding ? static_cast<int>(*encoding) : -1));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  auto* grid = new QGridLayout(this);
  grid->addWidget(file_label, 0, 0);
  grid->addWidget(file_, 0, 1);
  grid->addWidget(browse_, 0, 2);
  grid->addWidget(appli_label, 1, 0);
  grid->addWidget(appli_, 1, 1);
  grid->addWidget(encoding_label, 2, 0);
  grid->addWidget(encoding_, 2, 1);
  grid->addWidget(buttons, 3, 0, 1, 3);

  connect(browse_, &QPushButton::clicked, this, &ImportDialog::OnBrowse);
  connect(buttons, &QDialogButtonBox::accepted, this, &ImportDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &ImportDialog::reject);
}

QString ImportDialog::file_name() const { return file_->text(); }

int ImportDialog::appli() const {
  return appli_->currentIndex() < 0 ? -1 : appli_->currentData().toInt();
}

std::optional<CsvEncoding> ImportDialog::encoding() const {
  const int data = encoding_->currentData().toInt();
  if (data < 0) return std::nullopt;
  return static_cast<CsvEncoding>(data);
}

void ImportDialog::OnBrowse() {
  FileRequest request;
  request.caption = QStringLiteral("Open");
  request.dir = folder_;
  const int appli = this->appli();
  request.filter =
      QString::fromStdString(ImportFilters(appli < 0 ? kSchedule : static_cast<AppliId>(appli)));
  const QString chosen = ChooseFile(this, request);
  if (chosen.isEmpty()) return;
  file_->setText(chosen);
  folder_ = QString::fromStdString(FolderOf(chosen.toStdString()));
}

void ImportDialog::accept() {
  const std::string problem = ImportProblem(file_->text().toStdString(), appli());
  if (!problem.empty()) {
    ShowMessageBox(this, {problem, "Import", PromptIcon::kInformation, PromptButtons::kOk});
    return;
  }
  QDialog::accept();
}

}  // namespace kivo
