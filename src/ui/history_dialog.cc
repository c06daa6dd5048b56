#include "ui/history_dialog.h"

#include <cstdio>

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kivo {
namespace {

constexpr AppliId kColumnsAppli[] = {kSchedule, kAnniversary, kToDo, kMemo, kExpense, kTelephone};

QString Stamp(const LocalDateTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return QString::fromLatin1(text);
}

}  // namespace

HistoryDialog::HistoryDialog(QWidget* parent, std::vector<Generation> generations)
    : QDialog(parent), generations_(std::move(generations)) {
  setWindowTitle(QStringLiteral("Backup History"));
  QStringList titles{QStringLiteral("#"), QStringLiteral("Date and time"), QStringLiteral("Kind")};
  for (AppliId id : kColumnsAppli) titles << QString::fromUtf8(AppliName(id).data());
  titles << QStringLiteral("File");
  table_ = new QTableWidget(static_cast<int>(generations_.size()), static_cast<int>(titles.size()),
                            this);
  table_->setHorizontalHeaderLabels(titles);
  table_->verticalHeader()->hide();
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  for (size_t i = 0; i < generations_.size(); ++i) {
    const Generation& g = generations_[i];
    const int row = static_cast<int>(i);
    std::array<int, 7> counts{};
    const bool readable = CountRecords(g.path, &counts);
    QStringList cells{QString::number(g.number), Stamp(g.time), QString::fromStdString(g.kind)};
    for (AppliId id : kColumnsAppli) {
      cells << (!readable        ? QStringLiteral("?")
                : counts[id] < 0 ? QStringLiteral("-")
                                 : QString::number(counts[id]));
    }
    cells << QString::fromStdString(g.path.string());
    for (int column = 0; column < cells.size(); ++column) {
      table_->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
  }
  table_->resizeColumnsToContents();
  if (!generations_.empty()) table_->selectRow(0);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* open = buttons->addButton(QStringLiteral("&Open"), QDialogButtonBox::ActionRole);
  QPushButton* restore =
      buttons->addButton(QStringLiteral("&Restore"), QDialogButtonBox::ActionRole);
  buttons->addButton(QDialogButtonBox::Close);
  open->setEnabled(!generations_.empty());
  restore->setEnabled(!generations_.empty());
  connect(open, &QPushButton::clicked, this,
          [this] { Choose(table_->currentRow(), Action::kOpen); });
  connect(restore, &QPushButton::clicked, this,
          [this] { Choose(table_->currentRow(), Action::kRestore); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(table_, &QTableWidget::cellDoubleClicked, this,
          [this](int row, int) { Choose(row, Action::kOpen); });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(table_);
  layout->addWidget(buttons);
  resize(760, 360);
}

void HistoryDialog::Choose(int row, Action action) {
  if (row < 0 || row >= static_cast<int>(generations_.size())) return;
  action_ = action;
  chosen_ = generations_[static_cast<size_t>(row)].path;
  accept();
}

}  // namespace kivo
