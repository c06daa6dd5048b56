#ifndef KIVO_UI_DATE_FIELD_H_
#define KIVO_UI_DATE_FIELD_H_

#include "format/display_modes.h"
#include "ui/segmented_field.h"

namespace kivo {

// The segmented date field: year, month and day in the order of the display
// mode (month and day only for an Anniversary). Up and Down step the selected
// part with StepDate (years round 2150 <-> 1950, carries between parts); a
// date without year is stepped in the leap year 2004 so that 29 February can
// be reached. Typed digits replace or extend the selected part; leaving the
// field brings the date into range downwards (CheckDate, kDown).
class DateField : public SegmentedField {
  Q_OBJECT

 public:
  // The year a date without year is stepped in.
  static constexpr int kStepYear = 2004;
  // The year a date without year is checked in.
  static constexpr int kCheckYear = 2000;

  DateField(int display_date, bool with_year, QWidget* parent = nullptr);

  // Without year, only month and day are taken.
  void SetDate(const DateValue& date);
  // Without year, the year is kStepYear.
  [[nodiscard]] DateValue date() const { return {year_, month_, day_}; }
  [[nodiscard]] bool with_year() const { return with_year_; }
  // A real date in 1950..2150 (without year: in the year 2000).
  [[nodiscard]] bool IsValid() const;
  // For a date typed whole ("03/01/2023"): a separator (or a blank or '-')
  // goes on to the next part, and the first digit typed into a part starts
  // it afresh. Off in the edit dialogs, whose fields ignore separators and
  // extend a part by the digits typed.
  void SetTakesSeparators(bool takes) { takes_separators_ = takes; }

  [[nodiscard]] QSize sizeHint() const override;

 protected:
  [[nodiscard]] std::vector<Segment> Segments() const override;
  [[nodiscard]] QString Text() const override;
  void Step(int segment, bool up) override;
  void TypeDigit(int segment, int digit) override;
  bool Correct() override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;

 private:
  enum Part { kYear, kMonth, kDay };
  [[nodiscard]] Part PartAt(int segment) const;

  int display_date_;
  bool with_year_;
  bool takes_separators_ = false;
  int typing_segment_ = -1;  // the part typed into since it was reached
  int year_ = 2001;
  int month_ = 1;
  int day_ = 1;
};

}  // namespace kivo

#endif  // KIVO_UI_DATE_FIELD_H_
