#include "ui/numeric_field.h"

#include <QFontMetrics>

namespace kivo {

NumericField::NumericField(Kind kind, QWidget* parent) : SegmentedField(parent), kind_(kind) {
  SetValue(minimum());
}

int NumericField::maximum() const { return kind_ == Kind::kReminderMinutes ? 99 : 9; }

void NumericField::SetValue(int value) {
  value_ = value;
  Redisplay();
}

std::vector<SegmentedField::Segment> NumericField::Segments() const {
  return {{0, static_cast<int>(Text().size())}};
}

QString NumericField::Text() const {
  // A disabled field (the Schedule reminder while the alarm is off) reads "0".
  if (!isEnabled()) return QStringLiteral("0");
  if (kind_ == Kind::kReminderMinutes) return QString::asprintf("%02d", value_);
  return QString::number(value_);
}

void NumericField::Step(int segment, bool up) {
  (void)segment;
  if (up) {
    value_ = value_ >= maximum() ? minimum() : value_ + 1;
  } else {
    value_ = value_ <= minimum() ? maximum() : value_ - 1;
  }
}

void NumericField::TypeDigit(int segment, int digit) {
  (void)segment;
  switch (kind_) {
    case Kind::kReminderMinutes:
      value_ = (value_ * 10 + digit) % 100;
      break;
    case Kind::kReminderDays:
      value_ = digit;
      break;
    case Kind::kPriority:
      value_ = digit == 0 ? 1 : digit;
      break;
  }
}

bool NumericField::Correct() {
  const int before = value_;
  if (value_ < minimum()) value_ = minimum();
  if (value_ > maximum()) value_ = maximum();
  return value_ != before;
}

QSize NumericField::sizeHint() const {
  QSize size = SegmentedField::sizeHint();
  const QFontMetrics metrics(font());
  size.setWidth(metrics.horizontalAdvance(QStringLiteral("000")) + 44);
  return size;
}

}  // namespace kivo
