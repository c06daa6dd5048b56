#include "ui/startup.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "desktop/desktop_paths.h"
#include "store/tables.h"
#include "ui/main_window.h"
#include "ui/quit_signals.h"
#include "ui/single_instance.h"

namespace kivo {
namespace {

std::filesystem::path PathArgument(const QString& text) {
  return std::filesystem::path(text.toStdString());
}

}  // namespace

StartupOptions ParseStartupOptions(const QStringList& arguments) {
  StartupOptions options;
  for (qsizetype i = 1; i + 1 < arguments.size(); ++i) {
    const QString& name = arguments[i];
    if (name == QLatin1String("--config-dir")) {
      options.files_dir = PathArgument(arguments[++i]);
    } else if (name == QLatin1String("--tables-dir")) {
      options.tables_dir = PathArgument(arguments[++i]);
    } else if (name == QLatin1String("--instance")) {
      options.instance_name = arguments[++i];
    }
  }
  return options;
}

int RunLinkUtility(QApplication& app, const StartupOptions& options) {
  // Being told to end closes the window as the user would, so nothing is lost.
  // Installed first: a signal that comes early waits for the event loop.
  MainWindow* main_window = nullptr;
  QuitSignals quit_signals([&main_window] {
    // A dialog open on top (the first start's port choice, a question) goes
    // first, as Esc would close it; the window then ends as usual.
    for (int i = 0; i < 8 && QApplication::activeModalWidget() != nullptr; ++i) {
      QApplication::activeModalWidget()->close();
    }
    if (main_window != nullptr) main_window->close();
  });
  SingleInstance instance(options.instance_name.isEmpty()
                              ? QString::fromLatin1(SingleInstance::kInstanceName)
                              : options.instance_name);
  // Another copy runs: it has been asked to come forward; end without a word.
  if (!instance.Acquire()) return 0;

  const MainWindowPaths paths = StartPaths(options.files_dir, options.tables_dir);
  const Tables tables = LoadTables(paths.tables_dir);
  if (!tables.missing.empty()) {
    QMessageBox::warning(nullptr, QStringLiteral("Warning"),
                         QStringLiteral("Please reinstall this software correctly."));
    return 1;
  }

  MainCommands commands(paths, tables);
  MainWindow window(commands);
  main_window = &window;
  QObject::connect(&instance, &SingleInstance::HandOverRequested, &window,
                   &MainWindow::BringToFront);
  window.ShowAsSaved();
  // Once the window is on screen, so the dialog has it to stand on.
  QTimer::singleShot(0, &window, [&window] { window.OfferPortChoice(); });
  return app.exec();
}

}  // namespace kivo
