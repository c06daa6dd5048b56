#ifndef KIVO_PRINT_LIST_PAGES_H_
#define KIVO_PRINT_LIST_PAGES_H_

#include <memory>
#include <vector>

#include <QFont>
#include <QRectF>

#include "print/page_layout.h"

class QPainter;
class QPaintDevice;

namespace kivo {

// The printing module's own fonts: a sans-serif face at a size in points.
[[nodiscard]] QFont PrintFont(double points, bool bold = false);

// One list laid out on pages: as a table of its columns, or as a phone list's
// cards. Laid out once, when made, for the body of the pages on one device;
// painted a page at a time.
class ListPages {
 public:
  virtual ~ListPages() = default;
  [[nodiscard]] virtual int page_count() const = 0;
  // Paints page `page` (0-based) into the body it was laid out for.
  virtual void PaintPage(QPainter& painter, int page) const = 0;
};

[[nodiscard]] std::unique_ptr<ListPages> LayOutList(const PrintedList& list, QPaintDevice& device,
                                                    const QRectF& body);

// The table's columns as wide as they must be (each its widest word, its
// widest number and its title's widest word) and as they would like to be
// (their widest line), at the printed lists' usual size, in points.
struct TableWidths {
  double least = 0;
  double most = 0;
};
[[nodiscard]] TableWidths MeasureTable(const PrintedList& list);

// The pages of the table layout. `widths` gives the columns' shares of room
// left over once every column has its widest line.
[[nodiscard]] std::unique_ptr<ListPages> LayOutTable(const PrintedList& list, QPaintDevice& device,
                                                     const QRectF& body);
// The phone list: a card per row in two columns a page, for the Telephone list
// (its columns found by their titles).
[[nodiscard]] std::unique_ptr<ListPages> LayOutPhoneList(const PrintedList& list,
                                                         QPaintDevice& device, const QRectF& body);

}  // namespace kivo

#endif  // KIVO_PRINT_LIST_PAGES_H_
