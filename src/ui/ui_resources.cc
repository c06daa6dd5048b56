#include "ui/ui_resources.h"

#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QPixmap>
#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void RegisterUiResources() { Q_INIT_RESOURCE(resources); }

namespace kivo {

void InitUiResources() {
  static const bool registered = [] {
    RegisterUiResources();
    return true;
  }();
  (void)registered;
}

QIcon InkedIcon(const QString& resource, const QSize& size, const QColor& ink) {
  InitUiResources();
  QFile file(resource);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QByteArray svg = file.readAll();
  svg.replace("#1f2937", ink.name(QColor::HexRgb).toLatin1());
  QIcon icon;
  // Sharp on screens that scale up, too.
  const qreal ratio = qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
  for (qreal scale : {1.0, ratio > 1.0 ? ratio : 2.0}) {
    QBuffer buffer(&svg);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "svg");
    reader.setScaledSize(size * scale);
    QImage image = reader.read();
    if (image.isNull()) return {};
    QPixmap pixmap = QPixmap::fromImage(std::move(image));
    pixmap.setDevicePixelRatio(scale);
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace kivo
