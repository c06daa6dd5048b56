#ifndef KIVO_UI_UI_RESOURCES_H_
#define KIVO_UI_UI_RESOURCES_H_

#include <QIcon>

class QColor;
class QSize;
class QString;

namespace kivo {

// Registers the icons of the ui library (":/icons/..."). A static library's
// resources are not registered on their own; calling this again is harmless.
void InitUiResources();

// An image of the resources (an SVG file) at the given size, with its ink
// colour (#1f2937, the outlines and lettering) replaced by `ink`. A null icon
// when the image cannot be read.
QIcon InkedIcon(const QString& resource, const QSize& size, const QColor& ink);

}  // namespace kivo

#endif  // KIVO_UI_UI_RESOURCES_H_
