#include "ui/time_field.h"

#include <QFontMetrics>

#include "format/time_format.h"
#include "ui/pc_text.h"

namespace kivo {

TimeField::TimeField(int display_hour, QWidget* parent)
    : SegmentedField(parent), display_hour_(NormalDisplayHour(display_hour)) {
  SetTime({0, 0});
}

void TimeField::SetTime(const TimeValue& time) {
  minute_ = time.minute;
  if (twelve_hour()) {
    pm_ = time.hour >= 12;
    hour_ = time.hour % 12 == 0 ? 12 : time.hour % 12;
  } else {
    pm_ = false;
    hour_ = time.hour;
  }
  Redisplay();
}

TimeValue TimeField::time() const {
  TimeValue value;
  if (ParseTime(ToPcText(Text()), false, &value)) return value;
  // Only digits typed out of range get here; the leave correction mends them.
  int hour = hour_;
  int minute = minute_;
  // The corrected values are wanted, not whether they needed correcting.
  (void)CheckTime(&hour, &minute, CheckMode::kDown);
  return {hour, minute};
}

std::vector<SegmentedField::Segment> TimeField::Segments() const {
  if (twelve_hour()) return {{0, 2}, {3, 2}, {6, 2}};
  return {{0, 2}, {3, 2}};
}

QString TimeField::Text() const {
  QString text = QString::asprintf("%02d:%02d", hour_, minute_);
  if (twelve_hour()) text += pm_ ? QStringLiteral(" PM") : QStringLiteral(" AM");
  return text;
}

void TimeField::Step(int segment, bool up) {
  TimeValue value = time();
  TimeStep step = TimeStep::kAmPm;
  if (segment == 0) step = up ? TimeStep::kHourUp : TimeStep::kHourDown;
  if (segment == 1) step = up ? TimeStep::kMinuteUp : TimeStep::kMinuteDown;
  // A step always lands on a valid time; the result only says it wrapped.
  (void)StepTime(value, step);
  SetTime(value);
}

void TimeField::TypeDigit(int segment, int digit) {
  if (segment == 0) {
    const int threshold = twelve_hour() ? 2 : 3;
    const int limit = twelve_hour() ? 13 : 24;
    const int extended = hour_ * 10 + digit;
    hour_ = hour_ % 10 < threshold && extended < limit ? extended : digit;
  } else if (segment == 1) {
    const int extended = minute_ * 10 + digit;
    minute_ = minute_ % 10 > 5 || extended > 59 ? digit : extended;
  } else if (digit == 0 || digit == 1) {
    pm_ = digit == 1;
  }
}

bool TimeField::Correct() {
  const QString before = Text();
  SetTime(time());
  return Text() != before;
}

QSize TimeField::sizeHint() const {
  QSize size = SegmentedField::sizeHint();
  const QFontMetrics metrics(font());
  size.setWidth(metrics.horizontalAdvance(QStringLiteral("00:00 PM")) + 48);
  return size;
}

}  // namespace kivo
