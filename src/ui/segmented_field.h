#ifndef KIVO_UI_SEGMENTED_FIELD_H_
#define KIVO_UI_SEGMENTED_FIELD_H_

#include <vector>

#include <QAbstractSpinBox>
#include <QString>

namespace kivo {

// A field of fixed-width segments (month, day and year; hour, minute and
// AM/PM; one number) with a spin control beside it. The field takes every key
// itself: Left and Right select the neighbouring segment (no wrapping), Up and
// Down and the spin arrows step the selected segment, digits are typed into
// it; Tab, Esc and Enter go on to the dialog, every other key is swallowed. A
// click selects the segment under the caret, getting the focus selects the
// current segment, and leaving the field brings the value into range.
class SegmentedField : public QAbstractSpinBox {
  Q_OBJECT

 public:
  explicit SegmentedField(QWidget* parent = nullptr);

  // The selected segment, 0 = the first one shown.
  [[nodiscard]] int segment() const { return segment_; }
  void SelectSegment(int index);
  // What leaving the field does: the value brought into range and shown.
  void Commit();

  void stepBy(int steps) override;
  [[nodiscard]] QValidator::State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override;

 signals:
  // The user changed the value (key, spin or correction on leaving).
  void Edited();

 protected:
  struct Segment {
    int start = 0;
    int length = 0;
  };
  // The segments in display order and the text showing the value.
  [[nodiscard]] virtual std::vector<Segment> Segments() const = 0;
  [[nodiscard]] virtual QString Text() const = 0;
  virtual void Step(int segment, bool up) = 0;
  virtual void TypeDigit(int segment, int digit) = 0;
  // Brings the value into range; true when it changed.
  virtual bool Correct() = 0;
  // A click selects the whole text instead of one segment.
  [[nodiscard]] virtual bool SelectsAllOnClick() const { return false; }

  // Shows Text() and highlights the selected segment.
  void Redisplay();

  [[nodiscard]] StepEnabled stepEnabled() const override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int segment_ = 0;
};

}  // namespace kivo

#endif  // KIVO_UI_SEGMENTED_FIELD_H_
