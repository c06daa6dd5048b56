#ifndef KIVO_UI_STARTUP_H_
#define KIVO_UI_STARTUP_H_

#include <filesystem>

#include <QString>
#include <QStringList>

class QApplication;

namespace kivo {

// What the command line may change about a start. The program itself takes
// everything from its own directory; tests point the settings and the working
// data file elsewhere and run under an instance name of their own.
struct StartupOptions {
  std::filesystem::path files_dir;   // settings and working data file; empty: program directory
  std::filesystem::path tables_dir;  // code.dat, char.dat, sort.dat; empty: program directory
  QString instance_name;             // empty: the program's own name
};

// Reads "--config-dir DIR", "--tables-dir DIR" and "--instance NAME" from the
// arguments (the first being the program). Unknown arguments are ignored.
[[nodiscard]] StartupOptions ParseStartupOptions(const QStringList& arguments);

// The start-up of the desktop program: one copy only (a second start hands over
// to the first and returns 0 at once), the table check ("Please reinstall this
// software correctly.", returns 1), then the main window until it closes.
// Returns the exit code.
int RunLinkUtility(QApplication& app, const StartupOptions& options);

}  // namespace kivo

#endif  // KIVO_UI_STARTUP_H_
