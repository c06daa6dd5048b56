#ifndef KIVO_UI_TIME_FIELD_H_
#define KIVO_UI_TIME_FIELD_H_

#include "format/display_modes.h"
#include "ui/segmented_field.h"

namespace kivo {

// The segmented time field: hour and minute, plus AM/PM in 12-hour mode.
// Up and Down step with StepTime (hours round 23 <-> 0, minutes carry into
// the hour, either key switches AM and PM); digits are typed into the hour
// and minute as shown, 0 and 1 choose AM and PM. Leaving the field reads the
// shown text as a time and shows it again in the display format.
class TimeField : public SegmentedField {
  Q_OBJECT

 public:
  explicit TimeField(int display_hour, QWidget* parent = nullptr);

  void SetTime(const TimeValue& time);
  // The time the shown text stands for (hour 0..23).
  [[nodiscard]] TimeValue time() const;

  [[nodiscard]] QSize sizeHint() const override;

 protected:
  [[nodiscard]] std::vector<Segment> Segments() const override;
  [[nodiscard]] QString Text() const override;
  void Step(int segment, bool up) override;
  void TypeDigit(int segment, int digit) override;
  bool Correct() override;

 private:
  [[nodiscard]] bool twelve_hour() const { return display_hour_ == kHour12; }

  int display_hour_;
  // As shown: in 12-hour mode the hour on the clock face and the marker.
  int hour_ = 0;
  int minute_ = 0;
  bool pm_ = false;
};

}  // namespace kivo

#endif  // KIVO_UI_TIME_FIELD_H_
