// The desktop link utility.

#include <cstring>
#include <iostream>

#include <QApplication>

#include "ui/startup.h"

namespace {

constexpr const char* kVersion = "1.0.0";

// --help and --version are answered before Qt starts, so they need no
// display. The exit status, or -1 to start the program.
int AnswerInfoOption(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::cout << "Kivo-LinkUtility " << kVersion << "\n";
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0) {
      std::cout << "Usage: Kivo-LinkUtility [--config-dir DIR] [--tables-dir DIR]"
                   " [--instance NAME]\n"
                   "The desktop link utility for the TR/VX-480 and VX-480M organizers.\n\n"
                   "  --config-dir DIR   settings and working data file in DIR\n"
                   "  --tables-dir DIR   code.dat, char.dat and sort.dat from DIR\n"
                   "  --instance NAME    a single copy of its own under NAME\n"
                   "  --help             this help\n"
                   "  --version          the program's version\n\n"
                   "The command-line tool: kivo-link --help. More: man Kivo-LinkUtility.\n";
      return 0;
    }
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (int status = AnswerInfoOption(argc, argv); status >= 0) return status;
  QApplication app(argc, argv);
  // The program's name is the caption of its own message boxes.
  QApplication::setApplicationName(QStringLiteral("Kivo-LinkUtility"));
  // Desktops match the window to its desktop entry and icon by this name.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.kivolink.LinkUtility"));
  QApplication::setQuitOnLastWindowClosed(true);
  return kivo::RunLinkUtility(app, kivo::ParseStartupOptions(QApplication::arguments()));
}
