#include "print/text_wrap.h"

#include <algorithm>

#include <QFontMetricsF>

namespace kivo {
namespace {

// Longer "numbers" are more likely lists of them, which may break between.
constexpr qsizetype kLongestWhole = 40;

// The longest head of `word` that fits the width, at least one character.
qsizetype FittingHead(const QString& word, const QFontMetricsF& metrics, double width) {
  qsizetype fits = 1;
  while (fits < word.size() && metrics.horizontalAdvance(word.left(fits + 1)) <= width) ++fits;
  return fits;
}

bool HasDigit(const QString& word) {
  return std::any_of(word.begin(), word.end(), [](QChar c) { return c.isDigit(); });
}

// The words that belong to the number before them ("ext. 100", "6 pm").
bool JoinsNumber(const QString& word) {
  static const QStringList kJoiners = {
      QStringLiteral("ext."), QStringLiteral("ext"),  QStringLiteral("x"),   QStringLiteral("am"),
      QStringLiteral("pm"),   QStringLiteral("a.m."), QStringLiteral("p.m.")};
  return kJoiners.contains(word, Qt::CaseInsensitive);
}

// A line's words, a number written in groups ("+49 40 555 01234 ext. 100")
// held together as one: a line never breaks inside it.
QStringList Units(const QString& paragraph) {
  QStringList units;
  bool number = false;  // the last unit ends in a number or its joiner
  for (const QString& word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    const bool digits = HasDigit(word);
    if (number && !units.isEmpty() && (digits || JoinsNumber(word))) {
      units.back() += QLatin1Char(' ') + word;
      continue;
    }
    units.push_back(word);
    number = digits;
  }
  return units;
}

void WrapParagraph(const QString& paragraph, const QFontMetricsF& metrics, double width,
                   bool break_long_words, QStringList& lines) {
  QString line;
  for (QString word : Units(paragraph)) {
    if (!line.isEmpty()) {
      const QString longer = line + QLatin1Char(' ') + word;
      if (metrics.horizontalAdvance(longer) <= width) {
        line = longer;
        continue;
      }
      lines.push_back(line);
      line.clear();
    }
    while (break_long_words && word.size() > 1 && metrics.horizontalAdvance(word) > width) {
      const qsizetype head = FittingHead(word, metrics, width);
      lines.push_back(word.left(head));
      word.remove(0, head);
    }
    line = word;
  }
  lines.push_back(line);
}

}  // namespace

QStringList WrapWords(const QString& text, const QFontMetricsF& metrics, double width,
                      bool break_long_words) {
  QStringList lines;
  QString flat = text;
  flat.replace(QLatin1String("\r\n"), QLatin1String("\n"))
      .replace(QLatin1Char('\t'), QLatin1Char(' '));
  for (const QString& paragraph : flat.split(QLatin1Char('\n'))) {
    WrapParagraph(paragraph, metrics, width, break_long_words, lines);
  }
  return lines;
}

double WidestWord(const QString& text, const QFontMetricsF& metrics) {
  double widest = 0;
  QString flat = text;
  flat.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
  for (const QString& word : Units(flat)) {
    widest = std::max(widest, metrics.horizontalAdvance(word));
  }
  return widest;
}

double WidestLine(const QString& text, const QFontMetricsF& metrics) {
  double widest = 0;
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    widest = std::max(widest, metrics.horizontalAdvance(line.trimmed()));
  }
  return widest;
}

bool KeepsWhole(const QString& text) {
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty() || trimmed.size() > kLongestWhole) return false;
  bool digit = false;
  for (const QString& part : trimmed.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    // The halves of the day in a time.
    if (part.compare(QLatin1String("AM"), Qt::CaseInsensitive) == 0 ||
        part.compare(QLatin1String("PM"), Qt::CaseInsensitive) == 0) {
      continue;
    }
    for (const QChar c : part) {
      if (c.isDigit()) {
        digit = true;
      } else if (!QStringLiteral("+-/.,:()#*'").contains(c)) {
        return false;
      }
    }
  }
  return digit;
}

}  // namespace kivo
