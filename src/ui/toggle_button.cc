#include "ui/toggle_button.h"

#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QPalette>
#include <QPixmap>

#include "ui/ui_resources.h"

namespace kivo {

namespace {

constexpr int kImageSize = 32;

QPixmap LoadImage(const QString& path, const QPalette& palette) {
  const QImage image =
      QIcon(path).pixmap(kImageSize, kImageSize).toImage().convertToFormat(QImage::Format_ARGB32);
  return QPixmap::fromImage(RecolourForPalette(image, palette));
}

}  // namespace

QImage RecolourForPalette(const QImage& image, const QPalette& palette) {
  QImage out = image.convertToFormat(QImage::Format_ARGB32);
  const QRgb window = palette.color(QPalette::Window).rgb();
  const QRgb text = palette.color(QPalette::ButtonText).rgb();
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      const QRgb pixel = line[x];
      if (qAlpha(pixel) != 255) continue;
      const int r = qRed(pixel);
      if (r == qGreen(pixel) && r == qBlue(pixel)) {
        if (r == 192) line[x] = window;
        if (r == 128) line[x] = text;
      }
    }
  }
  return out;
}

ToggleButton::ToggleButton(const QString& image_name, const QString& accessible_name,
                           QWidget* parent)
    : QPushButton(parent), image_name_(image_name) {
  InitUiResources();
  setCheckable(true);
  setAutoDefault(false);
  setDefault(false);
  setAccessibleName(accessible_name);
  setToolTip(accessible_name);
  setIconSize(QSize(kImageSize, kImageSize));
  setFixedSize(kImageSize + 12, kImageSize + 10);
  LoadImages();
}

void ToggleButton::LoadImages() {
  QIcon icon;
  const QString base = QStringLiteral(":/icons/") + image_name_;
  icon.addPixmap(LoadImage(base + QStringLiteral("_on.svg"), palette()), QIcon::Normal, QIcon::On);
  icon.addPixmap(LoadImage(base + QStringLiteral("_off.svg"), palette()), QIcon::Normal,
                 QIcon::Off);
  setIcon(icon);
}

void ToggleButton::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
      event->accept();
      return;
    case Qt::Key_Enter:
    case Qt::Key_Return:
      event->ignore();
      return;
    default:
      QPushButton::keyPressEvent(event);
  }
}

void ToggleButton::changeEvent(QEvent* event) {
  QPushButton::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) LoadImages();
}

}  // namespace kivo
