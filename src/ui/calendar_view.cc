#include "ui/calendar_view.h"

#include <algorithm>

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "format/date_format.h"
#include "ui/date_field.h"

namespace kivo {
namespace {

constexpr int kMinutesPerDay = 24 * 60;

int DayOf(const DateValue& date) { return DayNumber(date.year, date.month, date.day); }

// The same day of the month `months` away, or that month's last day.
int MonthsAway(int day, int months) {
  const DateValue date = DateOfDay(day);
  const int index = date.year * 12 + (date.month - 1) + months;
  const int year = index / 12;
  const int month = index % 12 + 1;
  return DayNumber(year, month, std::min(date.day, DaysInMonth(year, month)));
}

}  // namespace

// ---- the grid --------------------------------------------------------------------

CalendarGrid::CalendarGrid(const CalendarModel& model, TodaySource today, QWidget* parent)
    : QWidget(parent), model_(model), today_(std::move(today)) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(200, 120);
  cursor_ = DayOf(today_());
}

void CalendarGrid::Invalidate() {
  laid_out_ = false;
  update();
}

int CalendarGrid::PageStart() const {
  switch (layout_) {
    case CalendarLayout::kMonth: {
      const DateValue date = DateOfDay(cursor_);
      return MonthPageStart(date.year, date.month, display_date_);
    }
    case CalendarLayout::kWeek:
      return WeekStart(cursor_, display_date_);
    case CalendarLayout::kDay:
    default:
      return cursor_;
  }
}

CalendarOptions CalendarGrid::Options() const {
  CalendarOptions options;
  options.layout = layout_;
  options.first_day = PageStart();
  options.month = DateOfDay(cursor_).month;
  options.display_date = display_date_;
  options.display_hour = display_hour_;
  options.today = DayOf(today_());
  options.font = font();
  options.colors = CalendarColors::FromPalette(palette());
  options.first_minute = first_minute_;
  options.hour_height = QFontMetricsF(font()).height() * 1.7;
  options.cursor_day = cursor_;
  options.selected_appli = selected_appli_;
  options.selected_position = selected_position_;
  options.has_focus = hasFocus();
  return options;
}

const CalendarPage& CalendarGrid::page() const {
  if (!laid_out_) {
    page_ = LayOutCalendar(model_, Options(), QRectF(rect()).adjusted(0, 0, -1, -1),
                           const_cast<CalendarGrid*>(this));
    laid_out_ = true;
  }
  return page_;
}

void CalendarGrid::SetPageLayout(CalendarLayout layout) {
  if (layout == layout_) return;
  layout_ = layout;
  ScrollToEntries();
  Invalidate();
  emit PageChanged();
}

void CalendarGrid::SetDisplayModes(int display_date, int display_hour) {
  display_date_ = display_date;
  display_hour_ = display_hour;
  Invalidate();
  emit PageChanged();
}

void CalendarGrid::SetCursor(int day) {
  const int old_start = PageStart();
  cursor_ = day;
  if (PageStart() != old_start) ScrollToEntries();
  Invalidate();
  emit PageChanged();
}

void CalendarGrid::GoTo(int day) {
  SetCursor(day);
  SelectFirstOfDay();
}

void CalendarGrid::GoToToday() { GoTo(DayOf(today_())); }

void CalendarGrid::Turn(int direction) {
  switch (layout_) {
    case CalendarLayout::kMonth:
      GoTo(MonthsAway(cursor_, direction));
      break;
    case CalendarLayout::kWeek:
      GoTo(cursor_ + 7 * direction);
      break;
    case CalendarLayout::kDay:
      GoTo(cursor_ + direction);
      break;
  }
}

bool CalendarGrid::Select(AppliId id, int position) {
  const CalendarEntry* entry = model_.Find(id, position);
  if (entry == nullptr) return false;
  selected_appli_ = id;
  selected_position_ = position;
  if (id == kAnniversary) {
    // On its day in the year the cursor is in, or the next one.
    const DateValue at = DateOfDay(cursor_);
    int year = at.year;
    if (entry->month < at.month || (entry->month == at.month && entry->month_day < at.day)) {
      ++year;
    }
    const int day = std::min(entry->month_day, DaysInMonth(year, entry->month));
    SetCursor(DayNumber(year, entry->month, day));
  } else {
    SetCursor(entry->day);
  }
  ScrollToEntries();
  emit SelectionChanged();
  return true;
}

void CalendarGrid::ClearSelection() {
  if (selected_position_ < 0) return;
  selected_position_ = -1;
  Invalidate();
  emit SelectionChanged();
}

void CalendarGrid::ModelChanged() {
  if (selected_position_ >= 0 && model_.Find(selected_appli_, selected_position_) == nullptr) {
    selected_position_ = -1;
    emit SelectionChanged();
  }
  Invalidate();
}

std::vector<const CalendarEntry*> CalendarGrid::CursorEntries() const {
  auto days = model_.Days(cursor_, 1);
  return std::move(days.front());
}

void CalendarGrid::SelectFirstOfDay() {
  const auto entries = CursorEntries();
  selected_position_ = -1;
  if (!entries.empty()) {
    selected_appli_ = entries.front()->appli;
    selected_position_ = entries.front()->position;
  }
  ScrollToEntries();
  Invalidate();
  emit SelectionChanged();
}

void CalendarGrid::StepEntry(int direction) {
  const auto entries = CursorEntries();
  int at = -1;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (has_selection() && entries[i]->appli == selected_appli_ &&
        entries[i]->position == selected_position_) {
      at = static_cast<int>(i);
    }
  }
  // Before the first entry lies the day itself, with none selected.
  const int next = std::clamp(at + direction, -1, static_cast<int>(entries.size()) - 1);
  if (next < 0) {
    ClearSelection();
    return;
  }
  selected_appli_ = entries[static_cast<size_t>(next)]->appli;
  selected_position_ = entries[static_cast<size_t>(next)]->position;
  ScrollToEntries();
  Invalidate();
  emit SelectionChanged();
}

void CalendarGrid::ScrollToEntries() {
  if (layout_ == CalendarLayout::kMonth) return;
  int minute = -1;
  const CalendarEntry* selected =
      has_selection() ? model_.Find(selected_appli_, selected_position_) : nullptr;
  if (selected != nullptr && selected->appli == kSchedule) {
    minute = selected->start;
  } else {
    // The page's first timed entry, if it starts before the usual morning.
    const auto days = model_.Days(PageStart(), PageDays(layout_), 1u << kSchedule);
    for (const auto& day : days) {
      if (!day.empty())
        minute = minute < 0 ? day.front()->start : std::min(minute, day.front()->start);
    }
    if (minute < 0 || minute > 8 * 60) minute = 8 * 60;
  }
  laid_out_ = false;
  const CalendarPage& shown = page();
  const int visible =
      shown.hour_height > 0 ? static_cast<int>(shown.hours.height() * 60 / shown.hour_height) : 0;
  if (minute < first_minute_ || minute + 30 > first_minute_ + visible) {
    first_minute_ = minute / 60 * 60;
  }
  first_minute_ = std::clamp(first_minute_, 0, std::max(kMinutesPerDay - visible, 0));
  laid_out_ = false;
}

void CalendarGrid::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintCalendar(painter, page(), Options());
}

void CalendarGrid::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  laid_out_ = false;
}

void CalendarGrid::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) Invalidate();
}

void CalendarGrid::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  update();
}

void CalendarGrid::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  update();
}

void CalendarGrid::keyPressEvent(QKeyEvent* event) {
  const bool month = layout_ == CalendarLayout::kMonth;
  const bool control = (event->modifiers() & Qt::ControlModifier) != 0;
  switch (event->key()) {
    case Qt::Key_Left:
      GoTo(cursor_ - 1);
      break;
    case Qt::Key_Right:
      GoTo(cursor_ + 1);
      break;
    case Qt::Key_Up:
      if (month && !control) {
        GoTo(cursor_ - 7);
      } else {
        StepEntry(-1);
      }
      break;
    case Qt::Key_Down:
      if (month && !control) {
        GoTo(cursor_ + 7);
      } else {
        StepEntry(1);
      }
      break;
    case Qt::Key_PageUp:
      Turn(-1);
      break;
    case Qt::Key_PageDown:
      Turn(1);
      break;
    case Qt::Key_Home:
      GoToToday();
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (has_selection()) {
        emit OpenRequested(selected_appli_, selected_position_);
      } else {
        emit CreateRequested(cursor_, -1);
      }
      break;
    case Qt::Key_Insert:
      emit CreateRequested(cursor_, -1);
      break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  event->accept();
}

void CalendarGrid::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  if (event->button() != Qt::LeftButton) return;
  const QPointF at = event->position();
  const CalendarPage& shown = page();
  clicked_minute_ = shown.MinuteAt(at, Options());
  if (const PlacedEntry* placed = shown.EntryAt(at)) {
    const CalendarEntry* entry = placed->entry;
    const PlacedDay* day = shown.DayAt(at);
    selected_appli_ = entry->appli;
    selected_position_ = entry->position;
    if (day != nullptr) SetCursor(day->day);
    Invalidate();
    emit SelectionChanged();
    return;
  }
  const PlacedDay* day = shown.DayAt(at);
  if (day == nullptr) return;
  if (day->hidden > 0 && day->more.contains(at)) {
    // "+3 more": the day on a page of its own.
    const int target = day->day;
    SetPageLayout(CalendarLayout::kDay);
    GoTo(target);
    return;
  }
  SetCursor(day->day);
  ClearSelection();
}

void CalendarGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPointF at = event->position();
  const CalendarPage& shown = page();
  if (const PlacedEntry* placed = shown.EntryAt(at)) {
    emit OpenRequested(placed->entry->appli, placed->entry->position);
    return;
  }
  if (const PlacedDay* day = shown.DayAt(at)) {
    const int minute = shown.MinuteAt(at, Options());
    emit CreateRequested(day->day, minute < 0 ? -1 : minute / 60 * 60);
  }
}

void CalendarGrid::wheelEvent(QWheelEvent* event) {
  const int steps = event->angleDelta().y() / 120;
  if (steps == 0) return;
  if (layout_ == CalendarLayout::kMonth) {
    Turn(-steps);
  } else {
    const CalendarPage& shown = page();
    const int visible =
        shown.hour_height > 0 ? static_cast<int>(shown.hours.height() * 60 / shown.hour_height) : 0;
    first_minute_ =
        std::clamp(first_minute_ - steps * 60, 0, std::max(kMinutesPerDay - visible, 0));
    Invalidate();
  }
  event->accept();
}

// ---- the view --------------------------------------------------------------------

CalendarView::CalendarView(const CalendarModel& model, TodaySource today, QWidget* parent)
    : QWidget(parent) {
  grid_ = new CalendarGrid(model, std::move(today), this);
  grid_->setObjectName(QStringLiteral("calendar"));
  auto make_button = [this](const QString& text, const char* name, const QString& tip) {
    auto* button = new QToolButton(this);
    button->setText(text);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(tip);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setAutoRaise(true);
    return button;
  };
  today_ = make_button(QStringLiteral("Today"), "calendarToday", QStringLiteral("Today (Home)"));
  previous_ =
      make_button(QStringLiteral("◀"), "calendarPrevious", QStringLiteral("Previous (Page Up)"));
  next_ = make_button(QStringLiteral("▶"), "calendarNext", QStringLiteral("Next (Page Down)"));
  title_ = new QLabel(this);
  title_->setObjectName(QStringLiteral("calendarTitle"));
  QFont bold = title_->font();
  bold.setBold(true);
  title_->setFont(bold);
  auto* layouts = new QButtonGroup(this);
  const char* const kNames[3] = {"calendarMonth", "calendarWeek", "calendarDay"};
  const char* const kTexts[3] = {"Month", "Week", "Day"};
  for (int i = 0; i < 3; ++i) {
    layouts_[i] = make_button(QString::fromLatin1(kTexts[i]), kNames[i], QString());
    layouts_[i]->setCheckable(true);
    layouts->addButton(layouts_[i], i);
  }
  layouts_[0]->setChecked(true);

  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(0, 0, 0, 0);
  bar->setSpacing(2);
  bar->addWidget(today_);
  bar->addWidget(previous_);
  bar->addWidget(next_);
  bar->addSpacing(6);
  bar->addWidget(title_, 1);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(2);
  outer->addLayout(bar);
  outer->addWidget(grid_, 1);
  SetDisplayModes(0, 0);
  for (QToolButton* button : layouts_) bar->addWidget(button);

  connect(today_, &QToolButton::clicked, grid_, &CalendarGrid::GoToToday);
  connect(previous_, &QToolButton::clicked, grid_, [this] { grid_->Turn(-1); });
  connect(next_, &QToolButton::clicked, grid_, [this] { grid_->Turn(1); });
  connect(layouts, &QButtonGroup::idClicked, this,
          [this](int id) { SetPageLayout(static_cast<CalendarLayout>(id)); });
  connect(grid_, &CalendarGrid::PageChanged, this, &CalendarView::UpdateBar);
  setFocusProxy(grid_);
  UpdateBar();
}

void CalendarView::SetPageLayout(CalendarLayout layout) {
  grid_->SetPageLayout(layout);
  layouts_[static_cast<int>(layout)]->setChecked(true);
  emit PageLayoutChanged(layout);
}

void CalendarView::SetDisplayModes(int display_date, int display_hour) {
  grid_->SetDisplayModes(display_date, display_hour);
  if (date_ != nullptr && display_date == display_date_) return;
  display_date_ = display_date;
  // The date field writes dates in the display mode it was made with.
  auto* field = new DateField(display_date, /*with_year=*/true, this);
  field->setObjectName(QStringLiteral("calendarDate"));
  field->setToolTip(QStringLiteral("Go to a date (Ctrl+G, then Enter)"));
  field->SetTakesSeparators(true);
  auto* bar = static_cast<QHBoxLayout*>(layout()->itemAt(0)->layout());
  if (date_ != nullptr) {
    bar->replaceWidget(date_, field);
    delete date_;
  } else {
    bar->addWidget(field);
    bar->addSpacing(6);
  }
  date_ = field;
  date_->installEventFilter(this);
  setTabOrder(grid_, date_);
  UpdateBar();
}

bool CalendarView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == date_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      // Enter goes to the date typed, and the keys go back to the grid.
      date_->Commit();
      if (date_->IsValid()) grid_->GoTo(DayOf(date_->date()));
      grid_->setFocus(Qt::OtherFocusReason);
      UpdateBar();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void CalendarView::FocusDateField() {
  date_->setFocus(Qt::ShortcutFocusReason);
  date_->SelectSegment(0);
}

void CalendarView::UpdateBar() {
  title_->setText(CalendarTitle(grid_->Options()));
  if (date_ != nullptr && !date_->hasFocus()) date_->SetDate(DateOfDay(grid_->cursor_day()));
}

}  // namespace kivo
