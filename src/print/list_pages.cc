#include "print/list_pages.h"

namespace kivo {
namespace {

// The width of an A4 page in portrait between margins of 15 mm, in points.
constexpr double kPortraitBody = (210.0 - 30.0) / 25.4 * 72.0;
// A table wider than this many portrait pages at its widest lines wraps too
// much to read in portrait.
constexpr double kPortraitMostPages = 1.5;

}  // namespace

QFont PrintFont(double points, bool bold) {
  QFont font(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

std::unique_ptr<ListPages> LayOutList(const PrintedList& list, QPaintDevice& device,
                                      const QRectF& body) {
  if (list.layout == ListLayout::kPhoneList) return LayOutPhoneList(list, device, body);
  return LayOutTable(list, device, body);
}

bool PrefersLandscape(const PrintedList& list) {
  if (list.layout == ListLayout::kPhoneList) return false;
  // Landscape when the columns' widest words would not fit across a portrait
  // page at the usual size, or their lines would wrap many times.
  const TableWidths widths = MeasureTable(list);
  return widths.least > kPortraitBody || widths.most > kPortraitBody * kPortraitMostPages;
}

}  // namespace kivo
