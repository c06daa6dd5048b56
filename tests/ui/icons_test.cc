#include <QDir>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include <gtest/gtest.h>

#include "ui/ui_resources.h"

namespace kivo {
namespace {

// Every icon renders at its own size and draws something. Writes a contact
// sheet to $KIVO_ICON_SHEET when that is set, to look at them.
TEST(Icons, EveryIconDrawsSomething) {
  if (!QImageReader::supportedImageFormats().contains("svg")) {
    GTEST_SKIP() << "the Qt SVG image plugin (libqt6svg6) is not installed";
  }
  InitUiResources();
  const QStringList names = QDir(QStringLiteral(":/icons")).entryList(QDir::Files, QDir::Name);
  ASSERT_GE(names.size(), 16);
  QImage sheet(100 * 4, 60 * ((names.size() + 3) / 4), QImage::Format_ARGB32);
  sheet.fill(QColor(240, 240, 240));
  QPainter painter(&sheet);
  for (qsizetype i = 0; i < names.size(); ++i) {
    QImageReader reader(QStringLiteral(":/icons/") + names[i]);
    const QImage image = reader.read();
    ASSERT_FALSE(image.isNull()) << names[i].toStdString() << ": "
                                 << reader.errorString().toStdString();
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) opaque += qAlpha(image.pixel(x, y)) > 128;
    }
    EXPECT_GT(opaque, image.width() * image.height() / 10) << names[i].toStdString();
    painter.drawImage(QPoint(100 * (i % 4) + 4, 60 * (i / 4) + 4), image);
  }
  painter.end();
  if (!qEnvironmentVariableIsEmpty("KIVO_ICON_SHEET")) {
    EXPECT_TRUE(sheet.save(qEnvironmentVariable("KIVO_ICON_SHEET")));
  }
}

}  // namespace
}  // namespace kivo
