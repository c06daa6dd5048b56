#include "ui/search_panel.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>

#include "ui/pc_text.h"
#include "view/appli_columns.h"

namespace kivo {

namespace {

constexpr int kMatchRole = Qt::UserRole;
enum Column { kAppliColumn = 0, kDateColumn, kTextColumn, kColumnCount };

// The text column with the stretch the match covers marked: the highlight's
// colour under it, in bold. A match beyond the column's width pulls the text
// to the left so that it stays in sight.
class MatchDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    const QString text = item.text;
    item.text.clear();
    QStyle* style = item.widget != nullptr ? item.widget->style() : nullptr;
    if (style == nullptr) return;
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);
    const QRect rect = style->subElementRect(QStyle::SE_ItemViewItemText, &item, item.widget)
                           .adjusted(2, 0, -2, 0);
    const QPoint match = index.data(kMatchRole).toPoint();
    const qsizetype begin = std::clamp<qsizetype>(match.x(), 0, text.size());
    const qsizetype length = std::clamp<qsizetype>(match.y(), 0, text.size() - begin);
    QString before = text.left(begin);
    const QString found = text.mid(begin, length);
    const QString after = text.mid(begin + length);
    QFont bold = item.font;
    bold.setBold(true);
    const QFontMetrics plain_metrics(item.font);
    const QFontMetrics bold_metrics(bold);
    const QString ellipsis = QStringLiteral("…");
    // Keep the match in sight: cut the text before it from the left.
    const int room = rect.width() - bold_metrics.horizontalAdvance(found) - rect.width() / 4;
    if (plain_metrics.horizontalAdvance(before) > room && room > 0) {
      before = ellipsis + plain_metrics.elidedText(before, Qt::ElideLeft, room).mid(1);
      if (before == ellipsis + ellipsis) before = ellipsis;
    }
    const bool selected = (item.state & QStyle::State_Selected) != 0;
    const QPalette::ColorGroup group =
        (item.state & QStyle::State_Active) != 0 ? QPalette::Active : QPalette::Inactive;
    const QColor ink =
        item.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    painter->save();
    painter->setClipRect(rect);
    int x = rect.left();
    painter->setFont(item.font);
    painter->setPen(ink);
    painter->drawText(QRect(x, rect.top(), rect.width(), rect.height()),
                      Qt::AlignLeft | Qt::AlignVCenter, before);
    x += plain_metrics.horizontalAdvance(before);
    const int found_width = bold_metrics.horizontalAdvance(found);
    if (!selected) {
      QColor mark = item.palette.color(group, QPalette::Highlight);
      mark.setAlpha(90);
      painter->fillRect(QRect(x, rect.top() + 1, found_width, rect.height() - 2), mark);
    }
    painter->setFont(bold);
    painter->drawText(QRect(x, rect.top(), found_width + 1, rect.height()),
                      Qt::AlignLeft | Qt::AlignVCenter, found);
    x += found_width;
    painter->setFont(item.font);
    painter->drawText(QRect(x, rect.top(), rect.right() - x + 1, rect.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      plain_metrics.elidedText(after, Qt::ElideRight, rect.right() - x + 1));
    painter->restore();
  }
};

}  // namespace

// The records found, as rows of three columns; a row's texts are made only
// when the view asks for them, so a search that finds every record costs no
// more than its hits.
class SearchResults : public QAbstractTableModel {
 public:
  explicit SearchResults(const SearchIndex& index, QObject* parent)
      : QAbstractTableModel(parent), index_(index) {}

  void SetHits(std::vector<SearchHit> hits, size_t folded_length) {
    beginResetModel();
    hits_ = std::move(hits);
    folded_length_ = folded_length;
    endResetModel();
  }
  const std::vector<SearchHit>& hits() const { return hits_; }

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(hits_.size());
  }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : kColumnCount;
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= static_cast<int>(hits_.size())) return {};
    const SearchHit& hit = hits_[static_cast<size_t>(index.row())];
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != kMatchRole) return {};
    if (index.column() == kAppliColumn) {
      return role == kMatchRole ? QVariant() : QVariant(FromPcText(TabName(hit.appli)));
    }
    const SearchIndex::Shown shown = index_.Show(hit, folded_length_);
    if (index.column() == kDateColumn) {
      return role == kMatchRole ? QVariant() : QVariant(FromPcText(shown.date));
    }
    if (role == kMatchRole) {
      // Windows-1252 text turns into one UTF-16 unit per byte: the places stay.
      return QPoint(static_cast<int>(shown.match.begin), static_cast<int>(shown.match.length));
    }
    return FromPcText(shown.text);
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static constexpr const char* kTitles[kColumnCount] = {"Application", "Date", "Text"};
    return section >= 0 && section < kColumnCount ? QString::fromLatin1(kTitles[section])
                                                  : QString();
  }

 private:
  const SearchIndex& index_;
  std::vector<SearchHit> hits_;
  size_t folded_length_ = 0;
};

SearchPanel::SearchPanel(const SearchIndex& index, QWidget* parent)
    : QDialog(parent), index_(index) {
  setWindowTitle(QStringLiteral("Search"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setModal(false);
  field_ = new QLineEdit(this);
  field_->setObjectName(QStringLiteral("searchField"));
  field_->setPlaceholderText(QStringLiteral("Search every application"));
  field_->setClearButtonEnabled(true);
  results_ = new SearchResults(index_, this);
  view_ = new QTreeView(this);
  view_->setObjectName(QStringLiteral("searchResults"));
  view_->setModel(results_);
  view_->setRootIsDecorated(false);
  view_->setUniformRowHeights(true);
  view_->setAllColumnsShowFocus(true);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->setItemDelegateForColumn(kTextColumn, new MatchDelegate(view_));
  view_->header()->setStretchLastSection(true);
  view_->setColumnWidth(kAppliColumn, 90);
  view_->setColumnWidth(kDateColumn, 150);
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("searchStatus"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(field_);
  layout->addWidget(view_, 1);
  layout->addWidget(status_);
  resize(560, 360);

  connect(field_, &QLineEdit::textChanged, this, &SearchPanel::Search);
  connect(view_, &QTreeView::clicked, this, [this](const QModelIndex& at) { Choose(at.row()); });
  field_->installEventFilter(this);
  view_->installEventFilter(this);
  Search();
}

SearchPanel::~SearchPanel() = default;

const std::vector<SearchHit>& SearchPanel::hits() const { return results_->hits(); }

void SearchPanel::Refresh() { Search(); }

void SearchPanel::Search() {
  const std::string query = ToPcText(field_->text());
  results_->SetHits(index_.Find(query), Folded(query).size());
  const size_t found = results_->hits().size();
  if (query.empty()) {
    status_->setText(
        QStringLiteral("Case and accents do not matter: \"muller\" finds \"Müller\"."));
  } else if (found == 0) {
    status_->setText(QStringLiteral("No record found"));
  } else {
    status_->setText(found == 1 ? QStringLiteral("1 record found")
                                : QStringLiteral("%1 records found").arg(found));
    view_->setCurrentIndex(results_->index(0, 0));
  }
}

void SearchPanel::Choose(int row) {
  const auto& hits = results_->hits();
  if (row < 0 || row >= static_cast<int>(hits.size())) return;
  emit RecordChosen(hits[static_cast<size_t>(row)].appli, hits[static_cast<size_t>(row)].position);
}

bool SearchPanel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  const int key = static_cast<QKeyEvent*>(event)->key();
  const int row = view_->currentIndex().isValid() ? view_->currentIndex().row() : 0;
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    Choose(row);
    return true;
  }
  if (watched == field_ && key == Qt::Key_Down && results_->rowCount({}) > 0) {
    view_->setFocus(Qt::TabFocusReason);
    view_->setCurrentIndex(results_->index(row, 0));
    return true;
  }
  if (watched == view_ && key == Qt::Key_Up && row == 0) {
    field_->setFocus(Qt::TabFocusReason);
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace kivo
