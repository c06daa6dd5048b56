#ifndef KIVO_UI_TEXT_FIELDS_H_
#define KIVO_UI_TEXT_FIELDS_H_

#include <string>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QString>

#include "store/char_tables.h"

namespace kivo {

// Typed or pasted text as the organizer may hold it: the characters of the
// PC's coding (Windows-1252) whose table entry is not 0. A character outside
// that coding is dropped.
[[nodiscard]] QString FilterAllowedText(const QString& text, const AllowedTable& allowed);
// A typed character: allowed, or one of the editing keys that always pass.
[[nodiscard]] bool IsTypedTextAllowed(const QString& text, const AllowedTable& allowed);

// The record text of a field: the PC coding, cut to `capacity` characters,
// every 0xFF (the record terminator) a blank.
[[nodiscard]] std::string FieldRecordText(const QString& text, size_t capacity);

// A one-line field whose typed and pasted text passes the allowed-character
// table; a paste is filtered and, when anything is left, replaces the
// selection as one undoable step. maxLength() limits it.
class FilteredLineEdit : public QLineEdit {
  Q_OBJECT

 public:
  FilteredLineEdit(const AllowedTable& allowed, int max_length, QWidget* parent = nullptr);
  void PasteFiltered();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  AllowedTable allowed_;
};

// The three-line text field: "Courier New" 9 points, three lines high, at
// most 96 characters, a vertical scroll bar only while the text runs over
// three lines, Ctrl+A selects everything; typed and pasted text filtered as
// in FilteredLineEdit.
class ThreeLineTextEdit : public QPlainTextEdit {
  Q_OBJECT

 public:
  static constexpr int kMaxChars = 96;

  explicit ThreeLineTextEdit(const AllowedTable& allowed, QWidget* parent = nullptr);
  // The record text: the first 96 characters, 0xFF as a blank.
  [[nodiscard]] std::string RecordText() const;

  [[nodiscard]] QSize sizeHint() const override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  [[nodiscard]] bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  [[nodiscard]] int RoomFor() const;  // characters that may still be added

  AllowedTable allowed_;
};

// The Expense amount: digits, at most one decimal point, Backspace, Delete,
// Left and Right. A digit or point is refused once the text holds 12 digits
// (11 when it starts with the point) unless a selection will be replaced or
// it is the first point typed after the start.
class AmountEdit : public QLineEdit {
  Q_OBJECT

 public:
  static constexpr int kMaxDigits = 12;

  explicit AmountEdit(QWidget* parent = nullptr);
  // Whether the key's character may go in at the caret of `text`.
  [[nodiscard]] static bool Accepts(const QString& text, int caret, bool has_selection,
                                    bool selection_has_point, QChar typed);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// The "Courier New" 9-point font of the text fields (a monospaced stand-in
// where that family is missing).
[[nodiscard]] QFont FieldFont();

}  // namespace kivo

#endif  // KIVO_UI_TEXT_FIELDS_H_
