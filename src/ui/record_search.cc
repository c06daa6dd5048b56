#include "ui/record_search.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>

#include "desktop/main_commands.h"
#include "ui/search_panel.h"
#include "view/appli_records.h"

namespace kivo {

RecordSearch::RecordSearch(QWidget* window, MainCommands& commands, Chosen chosen)
    : window_(window), commands_(commands), chosen_(std::move(chosen)) {}

RecordSearch::~RecordSearch() { delete panel_.data(); }

void RecordSearch::AddAction(QMenu* edit) {
  QAction* search = edit->addAction(QStringLiteral("&Search All Applications..."));
  search->setObjectName(QStringLiteral("search"));
  search->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_K), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)});
  QObject::connect(search, &QAction::triggered, window_, [this] { Open(); });
}

void RecordSearch::Open() {
  const MainViewModel& model = commands_.model();
  index_.Sync(CurrentRecords(model, commands_.store()), model.Context());
  if (panel_ == nullptr) {
    panel_ = new SearchPanel(index_, window_);
    panel_->setObjectName(QStringLiteral("searchPanel"));
    QObject::connect(panel_, &SearchPanel::RecordChosen, window_, [this](AppliId id, int position) {
      chosen_(id, index_.Record(id, position));
    });
  }
  panel_->Refresh();
  panel_->show();
  panel_->raise();
  panel_->activateWindow();
  panel_->field()->setFocus(Qt::ShortcutFocusReason);
  panel_->field()->selectAll();
}

void RecordSearch::Follow() {
  const MainViewModel& model = commands_.model();
  if (panel_ != nullptr && panel_->isVisible() &&
      index_.Sync(CurrentRecords(model, commands_.store()), model.Context())) {
    panel_->Refresh();
  }
}

}  // namespace kivo
