#include "ui/main_window.h"

#include <fstream>

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "box_script.h"
#include "desktop_fixture.h"
#include "platform/link_defaults.h"
#include "sample_data.h"
#include "store/app_settings.h"
#include "store/store_records.h"
#include "store/working_data.h"
#include "support/tables.h"
#include "ui/edit_dialogs.h"
#include "ui/import_dialog.h"
#include "ui/list_header_area.h"

namespace kivo {
namespace {

// A test's own program directory: a settings file and a working data file
// made from the sample records.
class MainWindowTest : public test::DesktopTest {
 protected:
  void SetUp() override {
    for (AppliId id = 0; id < kCategoryList; ++id) counts_[id] = sample_->GetRecordCount(id);
  }

  static QString Cell(test::Desktop& window, int row, int column) {
    return window.list()->topLevelItem(row)->text(column);
  }

  static void ClickTab(test::Desktop& window, int tab) {
    QTabBar* bar = window.tabs()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
  }

  static void ClickHeader(test::Desktop& window, int column) {
    QHeaderView* header = window.list()->header();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
  }

  static void ClickRow(test::Desktop& window, int row) {
    QTreeWidget* list = window.list();
    const QRect rect = list->visualItemRect(list->topLevelItem(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
  }

  int counts_[kCategoryList]{};
};

TEST_F(MainWindowTest, StartsOnTheApplicationOfTheSettings) {
  WriteSettings("[Settings]\r\nAppliID=4\r\n");
  auto window = Open();
  EXPECT_EQ(window->window.windowTitle(), QStringLiteral("PC Software for Norvale TR/VX-480"));
  EXPECT_EQ(window->window.size(), QSize(580, 430));
  EXPECT_EQ(window->tabs()->currentIndex(), 5);
  EXPECT_EQ(window->tabs()->tabToolTip(5), QStringLiteral("Expense"));
  EXPECT_FALSE(window->send_button()->isVisible());
  EXPECT_FALSE(window->filter_box()->isVisible());
  EXPECT_EQ(window->list()->topLevelItemCount(), counts_[kExpense]);
  EXPECT_EQ(window->header_area()->count_text(),
            QString::asprintf("%4d records exist", counts_[kExpense]));
  EXPECT_EQ(window->list()->headerItem()->text(2), QStringLiteral("Amount"));
  EXPECT_TRUE(window->list()->topLevelItem(0)->textAlignment(2) & Qt::AlignRight);
}

TEST_F(MainWindowTest, TabsShowTheirApplications) {
  auto window = Open();
  const struct {
    int tab;
    AppliId id;
    const char* name;
    const char* first_column;
  } tabs[] = {{1, kToDo, "To Do", "Priority"},          {2, kAnniversary, "Anniversary", "Date"},
              {3, kTelephone, "Telephone", "Category"}, {4, kMemo, "Memo", "Memo"},
              {5, kExpense, "Expense", "Date"},         {0, kSchedule, "Schedule", "Date"}};
  for (const auto& t : tabs) {
    ClickTab(*window, t.tab);
    EXPECT_EQ(window->commands.model().appli(), t.id) << t.name;
    EXPECT_EQ(window->header_area()->appli_name(), QString::fromLatin1(t.name));
    EXPECT_EQ(window->list()->headerItem()->text(0), QString::fromLatin1(t.first_column));
    EXPECT_EQ(window->list()->topLevelItemCount(), counts_[t.id]) << t.name;
    EXPECT_EQ(window->header_area()->count_text(),
              QString::asprintf("%4d records exist", counts_[t.id]));
    EXPECT_EQ(window->filter_box()->isVisible(), t.id == kTelephone);
    EXPECT_EQ(window->send_button()->isVisible(), t.id != kExpense);
  }
}

TEST_F(MainWindowTest, ClickingAHeaderCyclesTheSortAndFollowsTheSelection) {
  WriteSettings("[Settings]\r\nAppliID=3\r\n");
  auto window = Open();
  ClickRow(*window, 4);
  const QString chosen = Cell(*window, window->commands.model().selected_row(), 0);
  ASSERT_EQ(window->commands.model().selected_row(), 4);
  for (const bool ascending : {true, false, true}) {
    ClickHeader(*window, 0);
    const int rows = window->list()->topLevelItemCount();
    for (int row = 1; row < rows; ++row) {
      const QString before = Cell(*window, row - 1, 0);
      const QString after = Cell(*window, row, 0);
      // The sample memos start with plain letters, where the table order and
      // a case-blind comparison agree.
      const int order = QString::compare(before, after, Qt::CaseInsensitive);
      EXPECT_TRUE(ascending ? order <= 0 : order >= 0)
          << before.toStdString() << " | " << after.toStdString();
    }
    const int selected = window->commands.model().selected_row();
    EXPECT_EQ(Cell(*window, selected, 0), chosen);
    EXPECT_EQ(window->list()->currentItem(), window->list()->topLevelItem(selected));
    EXPECT_EQ(window->list()->header()->sortIndicatorOrder(),
              ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
  }
}

TEST_F(MainWindowTest, SelectingARowShowsItsLabelledText) {
  auto window = Open();  // Schedule
  ClickRow(*window, 2);
  EXPECT_EQ(window->commands.model().selected_row(), 2);
  QString expected = QString::fromLatin1(window->commands.model().RecordText(2, true));
  expected.remove(QLatin1Char('\r'));
  EXPECT_EQ(window->detail()->toPlainText(), expected);
  EXPECT_TRUE(window->detail()->toPlainText().startsWith(QStringLiteral("[Date       ] ") +
                                                         Cell(*window, 2, 0)));
  // Arrow keys move the selection and the pane follows.
  window->list()->setFocus();
  QTest::keyClick(window->list(), Qt::Key_Down);
  EXPECT_EQ(window->commands.model().selected_row(), 3);
  EXPECT_TRUE(window->detail()->toPlainText().contains(Cell(*window, 3, 5)));
  // The right button changes nothing and blocks the left one.
  ClickRow(*window, 3);
  const QPoint row0 = window->list()->visualItemRect(window->list()->topLevelItem(0)).center();
  QTest::mousePress(window->list()->viewport(), Qt::RightButton, {}, row0);
  EXPECT_EQ(window->commands.model().selected_row(), 3);
  ClickRow(*window, 0);
  EXPECT_EQ(window->commands.model().selected_row(), 3);
  QTest::mouseRelease(window->list()->viewport(), Qt::RightButton, {}, row0);
  ClickRow(*window, 0);
  EXPECT_EQ(window->commands.model().selected_row(), 0);
}

TEST_F(MainWindowTest, TelephoneFilterShowsOneCategory) {
  WriteSettings("[Settings]\r\nAppliID=5\r\n");
  auto window = Open();
  const int all = window->list()->topLevelItemCount();
  int business = 0;
  for (int row = 0; row < all; ++row) business += Cell(*window, row, 0) == "Business";
  ASSERT_GT(business, 0);
  window->filter_box()->setCurrentIndex(1);  // Business
  EXPECT_EQ(window->list()->topLevelItemCount(), business);
  EXPECT_EQ(window->header_area()->count_text(), QString::asprintf("%4d records exist", business));
  EXPECT_TRUE(window->new_button()->isEnabled());
  EXPECT_EQ(window->commands.model().selected_row(), 0);
  window->filter_box()->setCurrentIndex(3);  // All
  EXPECT_EQ(window->list()->topLevelItemCount(), all);
}

TEST_F(MainWindowTest, EnablingFollowsTheRows) {
  WriteSettings("[Settings]\r\nAppliID=0\r\n");
  auto window = Open();
  EXPECT_TRUE(window->send_button()->isEnabled());
  EXPECT_EQ(window->send_button()->toolTip(), QStringLiteral("Add one selected data"));
  EXPECT_EQ(window->upload_button()->toolTip(), QStringLiteral("Data upload"));
  EXPECT_EQ(window->download_button()->toolTip(), QStringLiteral("Data download"));
  EXPECT_TRUE(window->edit_entry_action()->isEnabled());
  EXPECT_TRUE(window->find_action()->isEnabled());
  // Empty the list row by row through the model.
  while (window->commands.model().row_count() > 0) window->commands.model().DeleteRow(0);
  ClickTab(*window, 1);
  ClickTab(*window, 0);
  EXPECT_EQ(window->list()->topLevelItemCount(), 0);
  EXPECT_FALSE(window->send_button()->isEnabled());
  EXPECT_TRUE(window->send_button()->toolTip().isEmpty());
  EXPECT_FALSE(window->edit_button()->isEnabled());
  EXPECT_FALSE(window->delete_button()->isEnabled());
  EXPECT_FALSE(window->edit_entry_action()->isEnabled());
  EXPECT_FALSE(window->delete_entry_action()->isEnabled());
  EXPECT_FALSE(window->find_action()->isEnabled());
  EXPECT_TRUE(window->new_button()->isEnabled());
  EXPECT_TRUE(window->new_entry_action()->isEnabled());
}

TEST_F(MainWindowTest, EscapeKeepsTheWindowAndEnterAsksToEditTheRow) {
  auto window = Open();
  // The edit dialog is closed unsaved; SEND's connection reminder without OK.
  test::BoxScript script;
  script.OnDialog([](QDialog&) { return kEditCancel; });
  script.Answer(PromptAnswer::kCancel);
  QSignalSpy edit(&window->window, &MainWindow::EditEntryRequested);
  ClickRow(*window, 1);
  ASSERT_EQ(window->commands.model().selected_row(), 1);
  QTest::keyClick(window->list(), Qt::Key_Escape);
  EXPECT_TRUE(window->window.isVisible());
  QTest::keyClick(window->list(), Qt::Key_Return);
  ASSERT_EQ(edit.count(), 1);
  EXPECT_EQ(edit.takeFirst().at(0).toInt(), 1);
  QSignalSpy send(&window->window, &MainWindow::SendRequested);
  window->send_button()->setFocus();
  QTest::keyClick(window->send_button(), Qt::Key_Enter);
  EXPECT_EQ(script.TakeBoxes().size(), 1u);
  EXPECT_EQ(send.count(), 1);
  EXPECT_EQ(edit.count(), 0);
}

TEST_F(MainWindowTest, ClosingSavesTheDataFileAndTheSettings) {
  WriteSettings("[Settings]\r\nAppliID=0\r\nFileScramble=0\r\nTOCommand=45\r\n");
  {
    auto window = Open();
    ClickTab(*window, 4);  // Memo
    window->commands.model().DeleteRow(0);
    window->window.close();
  }
  AppliStore store(ProgramTables().code);
  ASSERT_EQ(store.GetAppliBuf(kStoreSlots), 0);
  ASSERT_EQ(LoadWorkingData(store, WorkingDataPath(paths_.files_dir), 2).result, 0);
  EXPECT_EQ(store.GetRecordCount(kMemo), counts_[kMemo] - 1);
  EXPECT_EQ(store.GetRecordCount(kTelephone), counts_[kTelephone]);
  const AppSettings settings =
      LoadAppSettings(SettingsFilePath(paths_.files_dir), paths_.files_dir);
  EXPECT_EQ(settings.appli_id, kMemo);
  EXPECT_EQ(settings.file_scramble, 0);
  EXPECT_EQ(settings.to_command, 45000);
}

// What the program could not use is told once at start-up: the settings it
// ignored, then the data file it kept aside.
TEST_F(MainWindowTest, StartUpTellsWhichSettingsAndDataFileItCouldNotUse) {
  WriteSettings("[Settings]\r\nAppliID=0\r\nTOCommand=abc\r\nModel=7\r\n");
  std::ofstream(WorkingDataPath(paths_.files_dir), std::ios::binary) << "damaged";
  test::BoxScript script;
  auto window = Open();
  const std::vector<std::string> boxes = script.TakeBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0].find("TOCommand=abc is not a number; the default 30 is used.\n"
                          "Model=7 is outside 0 to 1; the default 0 is used."),
            std::string::npos)
      << boxes[0];
  EXPECT_NE(boxes[1].find("did not load. It is damaged or cannot be read."), std::string::npos)
      << boxes[1];
  EXPECT_NE(boxes[1].find(".bad"), std::string::npos) << boxes[1];
  EXPECT_EQ(window->commands.settings().to_command, 30000);
}

TEST_F(MainWindowTest, WindowGrowsAndKeepsItsGeometryOverARestart) {
  WriteSettings("[Settings]\r\nAppliID=5\r\n");
  {
    auto window = Open();
    EXPECT_EQ(window->window.minimumSize(), QSize(MainWindow::kWidth, MainWindow::kHeight));
    const QRect list = window->list()->geometry();
    const QRect detail = window->detail()->geometry();
    const QWidget* client = window->window.centralWidget();
    const int right_margin = client->width() - window->delete_button()->geometry().right();
    const int button_gap = window->upload_button()->y() - list.bottom();
    // Maximised on the offscreen platform's 800 x 600 screen is larger still.
    window->window.resize(700, 520);
    QTRY_COMPARE(window->list()->height(), list.height() + 90);
    // The list takes two thirds of the extra width, the detail pane the rest;
    // the buttons keep to their corners.
    EXPECT_EQ(window->list()->width(), list.width() + 80);
    EXPECT_EQ(window->detail()->geometry(), detail.adjusted(80, 0, 120, 90));
    EXPECT_EQ(client->width() - window->delete_button()->geometry().right(), right_margin);
    EXPECT_EQ(window->upload_button()->y() - window->list()->geometry().bottom(), button_gap);
    // Title, the largest count and the filter side by side, none cut.
    window->header_area()->SetRecordCount(65535);
    const ListHeaderArea* header = window->header_area();
    EXPECT_FALSE(header->NameRect().intersects(header->CountRect()));
    EXPECT_LE(header->CountRect().right(), header->width());
    EXPECT_LE(header->geometry().right(), window->filter_box()->geometry().left());
    EXPECT_TRUE(window->filter_box()->isVisible());
    window->list()->setColumnWidth(1, 150);
    // The last column fills the list.
    ClickTab(*window, 2);  // Anniversary: three columns
    QHeaderView* columns = window->list()->header();
    EXPECT_EQ(columns->sectionViewportPosition(2) + columns->sectionSize(2),
              columns->viewport()->width());
    window->window.move(30, 40);
    window->window.close();
  }
  {
    auto window = Open();
    EXPECT_EQ(window->window.size(), QSize(700, 520));
    EXPECT_EQ(window->window.pos(), QPoint(30, 40));
    EXPECT_EQ(window->commands.model().view_state(kTelephone).widths[1], 150);
    window->window.showMaximized();
    QTRY_VERIFY(window->window.isMaximized() && window->window.width() > 700);
    window->window.close();
  }
  const AppSettings settings =
      LoadAppSettings(SettingsFilePath(paths_.files_dir), paths_.files_dir);
  EXPECT_TRUE(settings.window.maximized);
  EXPECT_EQ(settings.window.width, 700);  // the size it comes back to
  EXPECT_EQ(settings.window.columns[kTelephone].at(1), 150);
  EXPECT_TRUE(settings.window.columns[kMemo].empty());  // never shown
  MainCommands commands(paths_, ProgramTables());
  MainWindow window(commands);
  window.ShowAsSaved();
  QTRY_VERIFY(window.isMaximized());
}

TEST_F(MainWindowTest, DatesAndTimesFollowTheDisplaySettings) {
  WriteSettings("[Settings]\r\nAppliID=0\r\nDisplayDate=2\r\nDisplayHour=1\r\n");
  auto window = Open();
  EXPECT_EQ(Cell(*window, 0, 0), QStringLiteral("2002.01.03"));
  EXPECT_EQ(Cell(*window, 0, 1), QStringLiteral("08:00"));
  EXPECT_TRUE(
      window->detail()->toPlainText().startsWith(QStringLiteral("[Date       ] 2002.01.03")));
}

TEST_F(MainWindowTest, FailedSaveAtClosingSaysFileWriteErrorAndStillWritesTheSettings) {
  WriteSettings("[Settings]\r\nAppliID=0\r\n");
  auto window = Open();
  ClickTab(*window, 1);
  // A directory where the data file should go: no file can replace it.
  std::filesystem::remove(WorkingDataPath(paths_.files_dir));
  std::filesystem::create_directory(WorkingDataPath(paths_.files_dir));
  QString shown;
  QString caption;
  QTimer::singleShot(0, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown = box->text();
      caption = box->windowTitle();
      box->accept();
    }
  });
  window->window.close();
  EXPECT_EQ(shown, QStringLiteral("File write error"));
  EXPECT_EQ(caption, QStringLiteral("Kivo-LinkUtility"));
  EXPECT_FALSE(window->window.isVisible());
  const AppSettings settings =
      LoadAppSettings(SettingsFilePath(paths_.files_dir), paths_.files_dir);
  EXPECT_EQ(settings.appli_id, kToDo);
}

TEST_F(MainWindowTest, DelAsksAndDeletesTheSelectedRowWhereverTheFocusIs) {
  auto window = Open();  // Schedule
  ClickRow(*window, 1);
  const QString next = Cell(*window, 2, 5);
  const int rows = window->list()->topLevelItemCount();
  QString question;
  const auto answer = [&](QMessageBox::StandardButton button) {
    QTimer::singleShot(0, [&question, button] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        question = box->windowTitle() + QLatin1Char('|') + box->text();
        box->button(button)->click();
      }
    });
  };
  window->detail()->setFocus();
  answer(QMessageBox::No);
  QTest::keyClick(window->detail(), Qt::Key_Delete);
  EXPECT_EQ(question, QStringLiteral("Delete|This operation will delete the selected record.\n"
                                     "Are you sure you want to continue ?"));
  EXPECT_EQ(window->list()->topLevelItemCount(), rows);

  answer(QMessageBox::Yes);
  QTest::keyClick(window->detail(), Qt::Key_Delete);
  EXPECT_EQ(window->list()->topLevelItemCount(), rows - 1);
  EXPECT_EQ(window->commands.model().selected_row(), 1);
  EXPECT_EQ(Cell(*window, 1, 5), next);
  EXPECT_EQ(window->header_area()->count_text(), QString::asprintf("%4d records exist", rows - 1));
  EXPECT_EQ(window->window.focusWidget(), window->detail());
  // F1 does nothing.
  QTest::keyClick(window->detail(), Qt::Key_F1);
  EXPECT_EQ(window->list()->topLevelItemCount(), rows - 1);
}

TEST_F(MainWindowTest, DisplayFormatChangeRedrawsAndKeepsTheRecords) {
  WriteSettings("[Settings]\r\nAppliID=2\r\n");
  auto window = Open();  // To Do
  window->commands.CommitList(false);
  const std::vector<std::vector<uint8_t>> before = StoreRecords(window->commands.store(), kToDo);
  window->commands.RefreshList(false);
  window->commands.ApplyDisplayFormat(1, 1);
  EXPECT_EQ(Cell(*window, 0, 2), QStringLiteral("03.01.2002"));
  EXPECT_EQ(window->commands.settings().display_date, 1);
  window->commands.ApplyDisplayFormat(0, 0);
  EXPECT_EQ(Cell(*window, 0, 2), QStringLiteral("01/03/2002"));
  window->commands.CommitList(false);
  EXPECT_EQ(StoreRecords(window->commands.store(), kToDo), before);
}

TEST_F(MainWindowTest, OrganizerModelChangeSortsAgainAndSelectsTheFirstRow) {
  WriteSettings("[Settings]\r\nAppliID=3\r\n");
  auto window = Open();  // Memo, never sorted
  ClickRow(*window, 5);
  window->commands.ApplyOrganizerModel(1);
  EXPECT_EQ(window->commands.model().selected_row(), 0);
  EXPECT_EQ(window->commands.model().view_state(kMemo).directions[0], SortDirection::kAscending);
  EXPECT_EQ(window->list()->header()->sortIndicatorSection(), 0);
  EXPECT_EQ(window->commands.settings().model, 1);
}

TEST_F(MainWindowTest, ShowAppliSelectsTheTab) {
  auto window = Open();
  window->commands.ShowAppli(kTelephone, true);
  EXPECT_EQ(window->tabs()->currentIndex(), 3);
  EXPECT_EQ(window->list()->topLevelItemCount(), counts_[kTelephone]);
  EXPECT_TRUE(window->filter_box()->isVisible());
}

TEST_F(MainWindowTest, ClickBelowTheRowsLeavesARowSelected) {
  WriteSettings("[Settings]\r\nAppliID=3\r\n");
  auto window = Open();  // Memo
  while (window->commands.model().row_count() > 3) window->commands.model().DeleteRow(0);
  window->commands.CommitList(false);
  window->commands.RefreshList(false);
  window->commands.model().SelectRow(-1);
  window->list()->clearSelection();
  window->list()->setCurrentItem(nullptr);
  QTest::mouseClick(window->list()->viewport(), Qt::LeftButton, {},
                    QPoint(40, window->list()->viewport()->height() - 5));
  QTRY_COMPARE(window->list()->selectedItems().size(), 1);
  EXPECT_EQ(window->commands.model().selected_row(), 2);
  EXPECT_EQ(window->list()->indexOfTopLevelItem(window->list()->currentItem()), 2);
  EXPECT_EQ(window->list()->selectedItems().size(), 1);
  EXPECT_FALSE(window->detail()->toPlainText().isEmpty());
  ClickRow(*window, 0);
  QTest::mouseClick(window->list()->viewport(), Qt::LeftButton, {},
                    QPoint(40, window->list()->viewport()->height() - 5));
  QTRY_VERIFY(!window->list()->selectedItems().isEmpty());
  EXPECT_EQ(window->list()->selectedItems().first(), window->list()->topLevelItem(2));
}

// The import's question about the characters the organizer lacks, in the
// real box: the file's characters as they are, not their UTF-8 bytes.
TEST_F(MainWindowTest, ImportQuestionShowsTheFilesCharactersInARealBox) {
  auto window = Open();
  const std::filesystem::path file = paths_.files_dir / "tokyo.csv";
  std::ofstream(file, std::ios::binary) << "Memo\r\n\xE6\x9D\xB1 \xE4\xBA\xAC \xF0\x9F\x8E\x89\r\n";
  SetDialogResponder([&](QDialog& dialog) {
    auto& import = static_cast<ImportDialog&>(dialog);
    import.file_edit()->setText(QString::fromStdString(file.string()));
    import.appli_box()->setCurrentIndex(import.appli_box()->findText(QStringLiteral("Memo")));
    return static_cast<int>(QDialog::Accepted);
  });
  QString shown;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown = box->text();
      box->button(QMessageBox::No)->click();
    }
  });
  poll.start(10);
  window->commands.Import();
  SetDialogResponder({});
  EXPECT_TRUE(shown.contains(QString::fromUtf8("\xE6\x9D\xB1 \xE4\xBA\xAC \xF0\x9F\x8E\x89")))
      << shown.toStdString();
}

// Standard keys in the menus; Shift+Down picks rows for Export and Del; Ctrl+Z
// takes the delete back; Ctrl+Tab goes from application to application.
TEST_F(MainWindowTest, KeysSeveralRowsAndUndo) {
  WriteSettings("[Settings]\r\nAppliID=3\r\n");  // Memo
  auto window = Open();
  window->window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window->window));
  const std::pair<const char*, QKeyCombination> keys[] = {{"&Open...", Qt::CTRL | Qt::Key_O},
                                                          {"Save &As...", Qt::CTRL | Qt::Key_S},
                                                          {"&New Entry...", Qt::CTRL | Qt::Key_N},
                                                          {"&Find...", Qt::CTRL | Qt::Key_F}};
  for (QAction* action : window->window.menuBar()->findChildren<QAction*>()) {
    for (const auto& [text, key] : keys) {
      EXPECT_TRUE(action->text() != QString::fromLatin1(text) || action->shortcut() == key);
    }
  }
  QTreeWidget* list = window->list();
  const int rows = list->topLevelItemCount();
  ClickRow(*window, 0);
  QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
  QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(window->commands.model().selected_rows(), (std::vector<int>{0, 1, 2}));
  test::BoxScript script;
  script.ChooseFile(dir_.path() + QStringLiteral("/three.csv"));
  window->commands.Export();
  EXPECT_EQ(script.TakeBoxes(),
            std::vector<std::string>{"Export|3 records were successfully exported."});
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_EQ(script.TakeBoxes(),
            std::vector<std::string>{"Delete|This operation will delete the 3 selected records.\n"
                                     "Are you sure you want to continue ?"});
  EXPECT_EQ(list->topLevelItemCount(), rows - 3);
  QAction* undo = window->Widget<QAction>("undo");
  EXPECT_EQ(undo->text(), QStringLiteral("&Undo Delete 3 Entries"));
  QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(list->topLevelItemCount(), rows);
  EXPECT_FALSE(undo->isEnabled());
  QTest::keyClick(list, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(window->commands.model().appli(), kExpense);
  QTest::keyClick(list, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(window->commands.model().appli(), kMemo);
}

// At the first size the amounts show whole; the divider moved stays over a
// restart.
TEST_F(MainWindowTest, FittedColumnsAndAKeptDivider) {
  WriteSettings("[Settings]\r\nAppliID=4\r\n");  // Expense
  int width = 0;
  {
    auto window = Open();
    QTreeWidget* list = window->list();
    const QHeaderView* header = list->header();
    EXPECT_LE(header->sectionViewportPosition(2) + header->sectionSize(2),
              list->viewport()->width());
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
      EXPECT_LT(QFontMetrics(list->font()).horizontalAdvance(Cell(*window, row, 2)),
                header->sectionSize(2))
          << row;
    }
    QSplitterHandle* handle = window->Widget<QSplitter>("splitter")->handle(1);
    width = list->width() + 60;
    const QPoint grip = handle->rect().center();
    QTest::mousePress(handle, Qt::LeftButton, {}, grip);
    QTest::mouseMove(handle, grip + QPoint(60, 0));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, grip + QPoint(60, 0));
    EXPECT_EQ(list->width(), width);
    window->window.close();
  }
  auto window = Open();
  EXPECT_NEAR(window->list()->width(), width, 1);
}

// A window kept larger than this screen fits it; the file dialogs open in
// the documents folder instead of the program's own; F1 opens the guide.
TEST_F(MainWindowTest, FittedWindowDocumentsFolderAndUserGuide) {
  paths_.documents_dir = paths_.files_dir / "Documents";
  std::filesystem::create_directory(paths_.documents_dir);
  WriteSettings("[Path]\r\nBackupDir=" + (paths_.files_dir / "DATA").string() +
                "\r\n[Window]\r\nLeft=700\r\nTop=500\r\nWidth=1600\r\nHeight=1200\r\n");
  auto window = Open(/*show=*/false);
  window->window.ShowAsSaved();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window->window));
  const QRect room = window->window.screen()->availableGeometry();
  EXPECT_TRUE(room.contains(window->window.frameGeometry())) << window->window.width();
  test::BoxScript script;
  window->Choose("&Open...");
  ASSERT_EQ(script.files().size(), 1u);
  EXPECT_EQ(script.files()[0].dir.toStdString(), paths_.documents_dir.string());
  window->window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window->window));
  QTextBrowser guide;  // stands for the desktop's viewer
  QDesktopServices::setUrlHandler(QStringLiteral("file"), &guide, "setSource");
  QTest::keyClick(window->list(), Qt::Key_F1);
  QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
  EXPECT_EQ(guide.source(), QUrl::fromLocalFile(QStringLiteral(KIVO_PROGRAM_DIR "/README.md")));
}

}  // namespace
}  // namespace kivo
