// The desktop link utility.

#include <QApplication>

#include "ui/startup.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The program's name is the caption of its own message boxes.
  QApplication::setApplicationName(QStringLiteral("Kivo-LinkUtility"));
  QApplication::setQuitOnLastWindowClosed(true);
  return kivo::RunLinkUtility(app, kivo::ParseStartupOptions(QApplication::arguments()));
}
