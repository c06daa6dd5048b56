#include "ui/segmented_field.h"

#include <algorithm>

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

namespace kivo {

SegmentedField::SegmentedField(QWidget* parent) : QAbstractSpinBox(parent) {
  setContextMenuPolicy(Qt::NoContextMenu);
  setAcceptDrops(false);
  setButtonSymbols(QAbstractSpinBox::UpDownArrows);
  setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
  lineEdit()->setAcceptDrops(false);
  lineEdit()->setContextMenuPolicy(Qt::NoContextMenu);
  lineEdit()->installEventFilter(this);
}

void SegmentedField::SelectSegment(int index) {
  const int count = static_cast<int>(Segments().size());
  segment_ = std::clamp(index, 0, std::max(0, count - 1));
  Redisplay();
}

void SegmentedField::Commit() {
  const bool changed = Correct();
  Redisplay();
  if (changed) emit Edited();
}

void SegmentedField::Redisplay() {
  const QString text = Text();
  if (lineEdit()->text() != text) lineEdit()->setText(text);
  const std::vector<Segment> segments = Segments();
  if (segments.empty()) return;
  if (SelectsAllOnClick()) {
    lineEdit()->selectAll();
    return;
  }
  const Segment& s = segments[static_cast<size_t>(std::min<int>(segment_, segments.size() - 1))];
  lineEdit()->setSelection(s.start, s.length);
}

void SegmentedField::stepBy(int steps) {
  if (!isEnabled() || steps == 0) return;
  Step(segment_, steps > 0);
  Redisplay();
  emit Edited();
}

QValidator::State SegmentedField::validate(QString& input, int& pos) const {
  (void)input;
  (void)pos;
  return QValidator::Acceptable;
}

void SegmentedField::fixup(QString& input) const { (void)input; }

QAbstractSpinBox::StepEnabled SegmentedField::stepEnabled() const {
  return isEnabled() ? (StepUpEnabled | StepDownEnabled) : StepNone;
}

void SegmentedField::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  const int count = static_cast<int>(Segments().size());
  switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
    case Qt::Key_Enter:
    case Qt::Key_Return:
      event->ignore();  // the dialog's
      return;
    case Qt::Key_Left:
      if (segment_ > 0) SelectSegment(segment_ - 1);
      event->accept();
      return;
    case Qt::Key_Right:
      if (segment_ + 1 < count) SelectSegment(segment_ + 1);
      event->accept();
      return;
    case Qt::Key_Up:
      stepBy(1);
      event->accept();
      return;
    case Qt::Key_Down:
      stepBy(-1);
      event->accept();
      return;
    default:
      break;
  }
  const QString text = event->text();
  if (text.size() == 1 && text[0] >= QLatin1Char('0') && text[0] <= QLatin1Char('9') &&
      (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == 0) {
    TypeDigit(segment_, text[0].unicode() - '0');
    Redisplay();
    emit Edited();
  }
  event->accept();
}

void SegmentedField::focusInEvent(QFocusEvent* event) {
  QAbstractSpinBox::focusInEvent(event);
  Redisplay();
}

void SegmentedField::focusOutEvent(QFocusEvent* event) {
  // A popup (a menu, a drop-down) takes the focus only for a moment.
  if (event->reason() != Qt::PopupFocusReason) Commit();
  QAbstractSpinBox::focusOutEvent(event);
  lineEdit()->deselect();
}

void SegmentedField::changeEvent(QEvent* event) {
  QAbstractSpinBox::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) Redisplay();
}

bool SegmentedField::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lineEdit() && event->type() == QEvent::MouseButtonRelease) {
    // The line edit has put the caret under the pointer by now.
    const int caret = lineEdit()->cursorPosition();
    const std::vector<Segment> segments = Segments();
    int chosen = segment_;
    for (size_t i = 0; i < segments.size(); ++i) {
      const Segment& s = segments[i];
      if (caret >= s.start && caret <= s.start + s.length) {
        chosen = static_cast<int>(i);
        break;
      }
    }
    segment_ = chosen;
    Redisplay();
    return true;
  }
  if (watched == lineEdit() && event->type() == QEvent::MouseMove)
    return true;  // no drag selection
  return QAbstractSpinBox::eventFilter(watched, event);
}

}  // namespace kivo
