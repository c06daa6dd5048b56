#ifndef KIVO_TESTS_UI_DESKTOP_FIXTURE_H_
#define KIVO_TESTS_UI_DESKTOP_FIXTURE_H_

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "comm/virtual_organizer.h"
#include "desktop/main_commands.h"
#include "platform/link_defaults.h"
#include "sample_data.h"
#include "store/app_settings.h"
#include "store/backup_file.h"
#include "store/working_data.h"
#include "support/tables.h"
#include "ui/find_dialog.h"
#include "ui/list_header_area.h"
#include "ui/main_window.h"
#include "ui/qt_command_user.h"

namespace kivo::test {

inline const std::filesystem::path kSampleDir =
    std::filesystem::path(KIVO_SOURCE_DIR) / "data/sample";
// The settings line that puts the virtual organizer behind COM1.
inline constexpr const char* kVirtualCom1 = "[Ports]\r\nCOM1=virtual\r\n";

// The desktop program on a files directory: its commands and the window that
// shows them, shown and exposed unless told otherwise. The widgets are found
// by their names.
struct Desktop {
  explicit Desktop(const MainWindowPaths& paths, bool show = true)
      : commands(paths, ProgramTables()), window(commands) {
    if (!show) return;
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  template <typename T>
  T* Widget(const char* name) {
    T* widget = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QTreeWidget* list() { return Widget<QTreeWidget>("list"); }
  QPlainTextEdit* detail() { return Widget<QPlainTextEdit>("detail"); }
  QComboBox* filter_box() { return Widget<QComboBox>("filter"); }
  ListHeaderArea* header_area() { return Widget<ListHeaderArea>("header"); }
  QTabWidget* tabs() { return Widget<QTabWidget>("tabs"); }
  QAbstractButton* upload_button() { return Widget<QAbstractButton>("upload"); }
  QAbstractButton* download_button() { return Widget<QAbstractButton>("download"); }
  QAbstractButton* send_button() { return Widget<QAbstractButton>("send"); }
  QPushButton* new_button() { return Widget<QPushButton>("new"); }
  QPushButton* edit_button() { return Widget<QPushButton>("edit"); }
  QPushButton* delete_button() { return Widget<QPushButton>("delete"); }
  QAction* new_entry_action() { return Widget<QAction>("new_entry"); }
  QAction* edit_entry_action() { return Widget<QAction>("edit_entry"); }
  QAction* delete_entry_action() { return Widget<QAction>("delete_entry"); }
  QAction* find_action() { return Widget<QAction>("find"); }
  // The Find dialog while it is open.
  FindDialog* find_dialog() {
    for (FindDialog* dialog : window.findChildren<FindDialog*>()) {
      if (dialog->isVisible()) return dialog;
    }
    return nullptr;
  }
  // Chooses a menu item as the user would: "Organizer &Model...".
  void Choose(const char* item) {
    for (QAction* action : window.menuBar()->findChildren<QAction*>()) {
      if (action->text() == QString::fromLatin1(item)) {
        action->trigger();
        return;
      }
    }
    ADD_FAILURE() << "no menu item " << item;
  }

  MainCommands commands;
  MainWindow window;
};

// The commands alone, started as the program starts but without a window:
// their questions go to the box script, their runs to a progress window of
// their own.
struct Headless {
  explicit Headless(const MainWindowPaths& paths) : commands(paths, ProgramTables()) {
    commands.Attach(&user, nullptr);
    commands.LoadSettings();
    commands.LoadDataFile();
    commands.ShowSettingsAppli();
  }

  MainCommands commands;
  QtCommandUser user{nullptr};
};

// A files directory of its own holding the sample records as working data.
struct SampleFiles {
  SampleFiles() {
    EXPECT_TRUE(dir.isValid());
    paths.files_dir = dir.path().toStdString();
    paths.tables_dir = KIVO_PROGRAM_DIR;
    sample = std::make_unique<AppliStore>(ProgramTables().code);
    EXPECT_EQ(sample->GetAppliBuf(kStoreSlots), 0);
    FillSampleStore(*sample, kSampleDir);
    EXPECT_EQ(SaveWorkingData(*sample, WorkingDataPath(paths.files_dir), 1), 0);
  }

  QTemporaryDir dir;
  MainWindowPaths paths;
  std::unique_ptr<AppliStore> sample;
};

// The sample files for a test of the desktop program. The settings file, the
// virtual organizer's records and the windows are each test's own.
class DesktopTest : public ::testing::Test {
 protected:
  std::unique_ptr<AppliStore> NewStore() {
    auto store = std::make_unique<AppliStore>(ProgramTables().code);
    EXPECT_EQ(store->GetAppliBuf(kStoreSlots), 0);
    return store;
  }

  void WriteSettings(const std::string& text) {
    std::ofstream(SettingsFilePath(paths_.files_dir), std::ios::binary) << text;
  }

  std::filesystem::path OrganizerFile() const { return paths_.files_dir / kVirtualOrganizerFile; }
  // What the virtual organizer holds before a run.
  void WriteOrganizer(AppliStore& store) {
    store.EnsureAllAppli();
    ASSERT_EQ(WriteBackupFile(store, OrganizerFile(), true), 0);
  }
  // What it holds after the run.
  std::unique_ptr<AppliStore> ReadOrganizer() {
    auto store = NewStore();
    EXPECT_EQ(LoadBackupFile(*store, OrganizerFile()), 0);
    return store;
  }

  std::unique_ptr<Desktop> Open(bool show = true) {
    return std::make_unique<Desktop>(paths_, show);
  }
  std::unique_ptr<Headless> OpenCommands() { return std::make_unique<Headless>(paths_); }

  SampleFiles files_;
  QTemporaryDir& dir_ = files_.dir;
  MainWindowPaths& paths_ = files_.paths;
  std::unique_ptr<AppliStore>& sample_ = files_.sample;
};

// Where the pictures of a screenshot test go: KIVO_SCREENSHOT_DIR, else a
// temporary directory where they are only checked.
class ScreenshotDir {
 public:
  ScreenshotDir()
      : path_(qEnvironmentVariableIsEmpty("KIVO_SCREENSHOT_DIR")
                  ? scratch_.path()
                  : qEnvironmentVariable("KIVO_SCREENSHOT_DIR")) {
    EXPECT_TRUE(QDir().mkpath(path_));
  }
  QString FilePath(const QString& name) const { return QDir(path_).filePath(name); }
  const QString& path() const { return path_; }

 private:
  QTemporaryDir scratch_;
  QString path_;
};

}  // namespace kivo::test

#endif  // KIVO_TESTS_UI_DESKTOP_FIXTURE_H_
