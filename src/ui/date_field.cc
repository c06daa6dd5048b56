#include "ui/date_field.h"

#include <QFontMetrics>
#include <QKeyEvent>

#include "format/date_format.h"

namespace kivo {

namespace {

int LastDigit(int value) { return (value < 0 ? -value : value) % 10; }

}  // namespace

DateField::DateField(int display_date, bool with_year, QWidget* parent)
    : SegmentedField(parent),
      display_date_(NormalDisplayDate(display_date)),
      with_year_(with_year) {
  if (!with_year_) year_ = kStepYear;
  Redisplay();
}

void DateField::SetDate(const DateValue& date) {
  year_ = with_year_ ? date.year : kStepYear;
  month_ = date.month;
  day_ = date.day;
  Redisplay();
}

bool DateField::IsValid() const {
  int year = with_year_ ? year_ : kCheckYear;
  int month = month_;
  int day = day_;
  return CheckDate(&year, &month, &day, CheckMode::kCheckOnly);
}

DateField::Part DateField::PartAt(int segment) const {
  // Without year every mode shows month and day, except dd.mm which shows
  // the day first.
  static constexpr Part kOrders[3][3] = {
      {kMonth, kDay, kYear}, {kDay, kMonth, kYear}, {kYear, kMonth, kDay}};
  if (!with_year_) {
    if (display_date_ == kDateDmy) return segment == 0 ? kDay : kMonth;
    return segment == 0 ? kMonth : kDay;
  }
  return kOrders[display_date_][segment < 0 || segment > 2 ? 0 : segment];
}

std::vector<SegmentedField::Segment> DateField::Segments() const {
  std::vector<Segment> segments;
  int at = 0;
  const int count = with_year_ ? 3 : 2;
  for (int i = 0; i < count; ++i) {
    const int length = PartAt(i) == kYear ? 4 : 2;
    segments.push_back({at, length});
    at += length + 1;  // the separator
  }
  return segments;
}

QString DateField::Text() const {
  const QChar separator = display_date_ == kDateMdy ? QLatin1Char('/') : QLatin1Char('.');
  QString text;
  const int count = with_year_ ? 3 : 2;
  for (int i = 0; i < count; ++i) {
    if (i > 0) text += separator;
    switch (PartAt(i)) {
      case kYear:
        text += QString::asprintf("%04d", year_);
        break;
      case kMonth:
        text += QString::asprintf("%02d", month_);
        break;
      case kDay:
        text += QString::asprintf("%02d", day_);
        break;
    }
  }
  return text;
}

void DateField::Step(int segment, bool up) {
  static constexpr DateStep kSteps[3][2] = {{DateStep::kYearDown, DateStep::kYearUp},
                                            {DateStep::kMonthDown, DateStep::kMonthUp},
                                            {DateStep::kDayDown, DateStep::kDayUp}};
  const Part part = PartAt(segment);
  if (!with_year_) year_ = kStepYear;
  // A step always lands on a valid date; the result only says it wrapped.
  (void)StepDate(&year_, &month_, &day_, kSteps[part][up ? 1 : 0]);
  if (!with_year_) year_ = kStepYear;  // a carry out of December stays in the year
}

void DateField::TypeDigit(int segment, int digit) {
  switch (PartAt(segment)) {
    case kYear: {
      const int extended = year_ * 10 + digit;
      year_ = year_ >= 1000 || extended > kMaxYear ? digit : extended;
      break;
    }
    case kMonth: {
      const int extended = month_ * 10 + digit;
      month_ = LastDigit(month_) >= 2 || extended > 12 ? digit : extended;
      break;
    }
    case kDay: {
      const int extended = day_ * 10 + digit;
      int year = kCheckYear;
      int month = month_;
      int day = extended;
      const bool fits = CheckDate(&year, &month, &day, CheckMode::kCheckOnly);
      day_ = LastDigit(day_) >= 4 || !fits ? digit : extended;
      break;
    }
  }
}

bool DateField::Correct() {
  const DateValue before = date();
  int year = with_year_ ? year_ : kCheckYear;
  // Compared with `before` below instead.
  (void)CheckDate(&year, &month_, &day_, CheckMode::kDown);
  if (with_year_) year_ = year;
  return date() != before;
}

void DateField::keyPressEvent(QKeyEvent* event) {
  const QString text = event->text();
  const bool plain = (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == 0;
  if (takes_separators_ && plain && text.size() == 1) {
    if (QStringLiteral("/.- ").contains(text[0])) {
      const int next = segment() + 1;
      if (next < static_cast<int>(Segments().size())) SelectSegment(next);
      typing_segment_ = -1;
      event->accept();
      return;
    }
    if (text[0] >= QLatin1Char('0') && text[0] <= QLatin1Char('9') &&
        segment() != typing_segment_) {
      // The first digit into a part replaces what it held.
      switch (PartAt(segment())) {
        case kYear:
          year_ = 0;
          break;
        case kMonth:
          month_ = 0;
          break;
        case kDay:
          day_ = 0;
          break;
      }
      typing_segment_ = segment();
    }
  }
  SegmentedField::keyPressEvent(event);
}

void DateField::focusInEvent(QFocusEvent* event) {
  typing_segment_ = -1;
  SegmentedField::focusInEvent(event);
}

QSize DateField::sizeHint() const {
  QSize size = SegmentedField::sizeHint();
  const QFontMetrics metrics(font());
  size.setWidth(metrics.horizontalAdvance(QStringLiteral("0000.00.00")) + 48);
  return size;
}

}  // namespace kivo
