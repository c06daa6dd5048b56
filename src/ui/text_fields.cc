#include "ui/text_fields.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>

#include "ui/pc_text.h"

namespace kivo {

namespace {

// The PC byte of a character, false when the coding lacks it.
bool PcByte(QChar c, uint8_t* byte) {
  const std::string pc = ToPcText(QString(c));
  if (pc.size() != 1) return false;
  if (pc[0] == '?' && c != QLatin1Char('?')) return false;
  *byte = static_cast<uint8_t>(pc[0]);
  return true;
}

// Characters of a key that insert text (not the editing shortcuts).
bool InsertsText(const QKeyEvent* event) {
  const QString text = event->text();
  if (text.isEmpty()) return false;
  if (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return false;
  for (QChar c : text) {
    if (c.unicode() >= 32 || c == QLatin1Char('\r') || c == QLatin1Char('\t')) return true;
  }
  return false;
}

}  // namespace

QString FilterAllowedText(const QString& text, const AllowedTable& allowed) {
  QString out;
  for (QChar c : text) {
    uint8_t byte = 0;
    if (PcByte(c, &byte) && IsAllowed(byte, allowed)) out += c;
  }
  return out;
}

bool IsTypedTextAllowed(const QString& text, const AllowedTable& allowed) {
  for (QChar c : text) {
    uint8_t byte = 0;
    if (!PcByte(c, &byte) || !IsTypedCharAllowed(byte, allowed)) return false;
  }
  return true;
}

std::string FieldRecordText(const QString& text, size_t capacity) {
  std::string pc = ToPcText(text.left(static_cast<qsizetype>(capacity)));
  if (pc.size() > capacity) pc.resize(capacity);
  for (char& c : pc) {
    if (static_cast<uint8_t>(c) == 0xFF) c = ' ';
  }
  return pc;
}

QFont FieldFont() {
  QFont font(QStringLiteral("Courier New"), 9);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  return font;
}

// ---- FilteredLineEdit -------------------------------------------------------

FilteredLineEdit::FilteredLineEdit(const AllowedTable& allowed, int max_length, QWidget* parent)
    : QLineEdit(parent), allowed_(allowed) {
  setMaxLength(max_length);
  setAcceptDrops(false);
}

void FilteredLineEdit::PasteFiltered() {
  const QString text = FilterAllowedText(QApplication::clipboard()->text(), allowed_);
  if (text.isEmpty() || isReadOnly()) return;
  if (!hasSelectedText() && cursorPosition() > 0) {
    // A caret move closes the typing before, so that an undo takes back
    // exactly the paste.
    cursorBackward(false);
    cursorForward(false);
  }
  insert(text);
}

void FilteredLineEdit::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Paste)) {
    PasteFiltered();
    event->accept();
    return;
  }
  if (InsertsText(event) && !IsTypedTextAllowed(event->text(), allowed_)) {
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

// Text composed through an input method passes the same table.
void FilteredLineEdit::inputMethodEvent(QInputMethodEvent* event) {
  if (!event->commitString().isEmpty()) {
    event->setCommitString(FilterAllowedText(event->commitString(), allowed_),
                           event->replacementStart(), event->replacementLength());
  }
  QLineEdit::inputMethodEvent(event);
}

void FilteredLineEdit::contextMenuEvent(QContextMenuEvent* event) {
  QMenu* menu = createStandardContextMenu();
  for (QAction* action : menu->actions()) {
    if (action->objectName() == QLatin1String("edit-paste")) {
      disconnect(action, nullptr, nullptr, nullptr);
      connect(action, &QAction::triggered, this, &FilteredLineEdit::PasteFiltered);
    }
  }
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(event->globalPos());
}

// ---- ThreeLineTextEdit ------------------------------------------------------

ThreeLineTextEdit::ThreeLineTextEdit(const AllowedTable& allowed, QWidget* parent)
    : QPlainTextEdit(parent), allowed_(allowed) {
  setFont(FieldFont());
  setTabChangesFocus(true);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setAcceptDrops(false);
  const QFontMetrics metrics(font());
  const int frame = 2 * frameWidth() + 2 * static_cast<int>(document()->documentMargin());
  setFixedHeight(3 * metrics.lineSpacing() + frame + 2);
}

QSize ThreeLineTextEdit::sizeHint() const {
  const QFontMetrics metrics(font());
  // As many characters as fit beside the room for the scroll bar.
  return {metrics.horizontalAdvance(QString(32, QLatin1Char('M'))) +
              verticalScrollBar()->sizeHint().width() + 14,
          height()};
}

int ThreeLineTextEdit::RoomFor() const {
  const int selected = static_cast<int>(textCursor().selectedText().size());
  return kMaxChars - static_cast<int>(toPlainText().size()) + selected;
}

std::string ThreeLineTextEdit::RecordText() const {
  return FieldRecordText(toPlainText(), kMaxChars);
}

void ThreeLineTextEdit::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Paste)) {
    if (const QMimeData* data = QApplication::clipboard()->mimeData()) insertFromMimeData(data);
    event->accept();
    return;
  }
  if (InsertsText(event) && event->key() != Qt::Key_Tab && event->key() != Qt::Key_Backtab) {
    if (!IsTypedTextAllowed(event->text(), allowed_) || RoomFor() < event->text().size()) {
      event->accept();
      return;
    }
  }
  QPlainTextEdit::keyPressEvent(event);
}

void ThreeLineTextEdit::inputMethodEvent(QInputMethodEvent* event) {
  if (!event->commitString().isEmpty()) {
    const QString text =
        FilterAllowedText(event->commitString(), allowed_).left(std::max(0, RoomFor()));
    event->setCommitString(text, event->replacementStart(), event->replacementLength());
  }
  QPlainTextEdit::inputMethodEvent(event);
}

bool ThreeLineTextEdit::canInsertFromMimeData(const QMimeData* source) const {
  return source->hasText();
}

void ThreeLineTextEdit::insertFromMimeData(const QMimeData* source) {
  if (!source->hasText() || isReadOnly()) return;
  QString text = FilterAllowedText(source->text(), allowed_);
  text = text.left(std::max(0, RoomFor()));
  if (text.isEmpty()) return;
  QTextCursor cursor = textCursor();
  cursor.beginEditBlock();  // one undo step, over the selection
  cursor.insertText(text);
  cursor.endEditBlock();
  setTextCursor(cursor);
  ensureCursorVisible();
}

// ---- AmountEdit -------------------------------------------------------------

AmountEdit::AmountEdit(QWidget* parent) : QLineEdit(parent) {
  setAcceptDrops(false);
  setContextMenuPolicy(Qt::NoContextMenu);
}

bool AmountEdit::Accepts(const QString& text, int caret, bool has_selection,
                         bool selection_has_point, QChar typed) {
  int digits = 0;
  for (QChar c : text) digits += c.isDigit() ? 1 : 0;
  const bool starts_with_point = text.startsWith(QLatin1Char('.'));
  if (typed == QLatin1Char('.')) {
    if (text.contains(QLatin1Char('.')) && !selection_has_point) return false;
    if (has_selection || caret > 0) return true;
    return digits < kMaxDigits;  // the point at the start leaves room for 11
  }
  if (typed < QLatin1Char('0') || typed > QLatin1Char('9')) return false;
  if (has_selection) return true;
  return digits < (starts_with_point ? kMaxDigits - 1 : kMaxDigits);
}

void AmountEdit::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
      if ((event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) == 0) {
        QLineEdit::keyPressEvent(event);
      } else {
        event->accept();
      }
      return;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
    case Qt::Key_Enter:
    case Qt::Key_Return:
      event->ignore();
      return;
    default:
      break;
  }
  const QString typed = event->text();
  if (typed.size() == 1 && (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == 0 &&
      Accepts(text(), cursorPosition(), hasSelectedText(),
              selectedText().contains(QLatin1Char('.')), typed[0])) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  event->accept();
}

}  // namespace kivo
