#ifndef KIVO_UI_CALENDAR_VIEW_H_
#define KIVO_UI_CALENDAR_VIEW_H_

#include <QWidget>

#include "format/today.h"
#include "print/calendar_paint.h"
#include "view/calendar_model.h"

class QAbstractButton;
class QLabel;
class QToolButton;

namespace kivo {

class DateField;

// The month, week or day page of the calendar with the cursor (a day) and the
// selected entry; painted with the printing module's calendar pages.
//
// Keys: Left and Right move a day; Up and Down a week on the month page and
// from entry to entry of the day on the week and day pages (Ctrl+Up and
// Ctrl+Down on every page); Page Up and Page Down turn the page; Home goes to
// today; Enter opens the selected entry, or asks for a new Schedule entry on
// the day when none is selected; Insert always asks for a new one. Arriving
// on a day selects its first entry. A double click opens an entry, or asks
// for a new one on the day (at the hour clicked on the week and day pages).
class CalendarGrid : public QWidget {
  Q_OBJECT

 public:
  CalendarGrid(const CalendarModel& model, TodaySource today, QWidget* parent = nullptr);

  void SetPageLayout(CalendarLayout layout);
  CalendarLayout page_layout() const { return layout_; }
  void SetDisplayModes(int display_date, int display_hour);
  // Moves the cursor (and the page) to a day; selects its first entry.
  void GoTo(int day);
  void GoToToday();
  // Turns the page: -1 back, 1 forward; the cursor keeps its place on it.
  void Turn(int direction);
  int cursor_day() const { return cursor_; }
  // Selects an entry (and goes to its day); false when the model has none.
  bool Select(AppliId id, int position);
  void ClearSelection();
  bool has_selection() const { return selected_position_ >= 0; }
  AppliId selected_appli() const { return selected_appli_; }
  int selected_position() const { return selected_position_; }
  // After the model changed: a selection whose entry is gone is dropped.
  void ModelChanged();
  // What the page shows, for printing it.
  [[nodiscard]] CalendarOptions Options() const;
  // Where the page shows what (the last layout), for tests and hit tests.
  const CalendarPage& page() const;

  [[nodiscard]] QSize sizeHint() const override { return {530, 190}; }

 signals:
  void OpenRequested(AppliId id, int position);
  // minute: of the day clicked on a week or day page; -1 none.
  void CreateRequested(int day, int minute);
  void PageChanged();
  void SelectionChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  int PageStart() const;
  // The entries of the cursor's day in the page's order.
  std::vector<const CalendarEntry*> CursorEntries() const;
  void StepEntry(int direction);
  void SelectFirstOfDay();
  void SetCursor(int day);
  // Scrolls the hour grid so the selected entry, or the day's first, shows.
  void ScrollToEntries();
  void Invalidate();

  const CalendarModel& model_;
  TodaySource today_;
  CalendarLayout layout_ = CalendarLayout::kMonth;
  int display_date_ = 0;
  int display_hour_ = 0;
  int cursor_ = 0;
  AppliId selected_appli_ = kSchedule;
  int selected_position_ = -1;
  int first_minute_ = 8 * 60;  // week and day: the hour grid's top
  int clicked_minute_ = -1;
  mutable CalendarPage page_;
  mutable bool laid_out_ = false;
};

// The calendar beside the lists: a bar with Today, the arrows, the page's
// title, a date to go to and the Month, Week and Day switch, over the grid.
// The widgets carry object names ("calendar", "calendarToday",
// "calendarPrevious", "calendarNext", "calendarTitle", "calendarDate",
// "calendarMonth", "calendarWeek", "calendarDay").
class CalendarView : public QWidget {
  Q_OBJECT

 public:
  CalendarView(const CalendarModel& model, TodaySource today, QWidget* parent = nullptr);

  CalendarGrid* grid() const { return grid_; }
  void SetPageLayout(CalendarLayout layout);
  void SetDisplayModes(int display_date, int display_hour);
  // Puts the keyboard into the date field.
  void FocusDateField();

 signals:
  void PageLayoutChanged(CalendarLayout layout);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void UpdateBar();

  CalendarGrid* grid_ = nullptr;
  QToolButton* today_ = nullptr;
  QToolButton* previous_ = nullptr;
  QToolButton* next_ = nullptr;
  QLabel* title_ = nullptr;
  DateField* date_ = nullptr;
  QToolButton* layouts_[3] = {nullptr, nullptr, nullptr};
  int display_date_ = 0;
};

}  // namespace kivo

#endif  // KIVO_UI_CALENDAR_VIEW_H_
