#ifndef KIVO_PRINT_TEXT_WRAP_H_
#define KIVO_PRINT_TEXT_WRAP_H_

#include <QString>
#include <QStringList>

class QFontMetricsF;

namespace kivo {

// Printed texts broken into lines at their blanks only, so that a reader never
// finds a word or a number cut in two: the printed lists, the phone list and
// the calendar's cells lay their texts out with these.

// The lines of `text` in a column `width` wide: broken at the text's own line
// ends and at blanks, never inside a number written in groups of digits
// ("+49 40 555 01234 ext. 100", "6 pm"), which counts as one word. A word
// wider than the column stands alone on a line that is wider than the column,
// unless `break_long_words`, which cuts it at the last character that fits (a
// last resort for a column that cannot be widened). An empty text is one
// empty line.
[[nodiscard]] QStringList WrapWords(const QString& text, const QFontMetricsF& metrics, double width,
                                    bool break_long_words = false);

// The width of the widest word (a number in groups is one), and of the widest
// line when nothing is broken.
[[nodiscard]] double WidestWord(const QString& text, const QFontMetricsF& metrics);
[[nodiscard]] double WidestLine(const QString& text, const QFontMetricsF& metrics);

// Whether a text is a number, a date or a time ("+22 36 663557", "06/20/2002",
// "07:00 AM", "-12.50"): digits and the marks they are written with. Such a
// text is printed on one line, blanks and all.
[[nodiscard]] bool KeepsWhole(const QString& text);

}  // namespace kivo

#endif  // KIVO_PRINT_TEXT_WRAP_H_
