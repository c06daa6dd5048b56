#ifndef KIVO_UI_NUMERIC_FIELD_H_
#define KIVO_UI_NUMERIC_FIELD_H_

#include "ui/segmented_field.h"

namespace kivo {

// The three numeric fields of the edit dialogs, each one segment with a spin
// control: Up and Down step round the range, digits follow the field's
// typing rule, leaving the field clamps the value, and a click selects the
// whole text.
class NumericField : public SegmentedField {
  Q_OBJECT

 public:
  enum class Kind {
    kReminderMinutes,  // Schedule: 0..99, typed (n * 10 + d) % 100, "%02d"
    kReminderDays,     // Anniversary: 0..9, the digit typed, "%d"
    kPriority,         // To Do: 1..9, the digit typed (0 gives 1), "%d"
  };

  explicit NumericField(Kind kind, QWidget* parent = nullptr);

  void SetValue(int value);
  [[nodiscard]] int value() const { return value_; }
  [[nodiscard]] int minimum() const { return kind_ == Kind::kPriority ? 1 : 0; }
  [[nodiscard]] int maximum() const;
  [[nodiscard]] bool IsValid() const { return value_ >= minimum() && value_ <= maximum(); }
  [[nodiscard]] QSize sizeHint() const override;

 protected:
  [[nodiscard]] std::vector<Segment> Segments() const override;
  [[nodiscard]] QString Text() const override;
  void Step(int segment, bool up) override;
  void TypeDigit(int segment, int digit) override;
  bool Correct() override;
  [[nodiscard]] bool SelectsAllOnClick() const override { return true; }

 private:
  Kind kind_;
  int value_ = 0;
};

}  // namespace kivo

#endif  // KIVO_UI_NUMERIC_FIELD_H_
