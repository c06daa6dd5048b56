// The file and transfer commands of the main window, driven as the user
// would, with the virtual organizer behind COM1.

#include <algorithm>
#include <fstream>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "box_script.h"
#include "comm/messages.h"
#include "comm/virtual_organizer.h"
#include "desktop_fixture.h"
#include "sample_data.h"
#include "store/app_settings.h"
#include "store/backup_file.h"
#include "store/record_access.h"
#include "store/store_diff.h"
#include "store/store_records.h"
#include "store/working_data.h"
#include "support/tables.h"
#include "ui/edit_dialogs.h"
#include "ui/find_dialog.h"
#include "ui/import_dialog.h"
#include "ui/list_header_area.h"
#include "ui/main_window.h"
#include "ui/pc_text.h"
#include "ui/progress_window.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;
using Records = std::vector<std::vector<uint8_t>>;

using test::kSampleDir;
const std::string kReminderBox =
    "Information|1. Press the [ON/OFF] button to turn OFF.\n2. Connect the cable to your "
    "Organizer and your PC.\n3. Press the [ON/OFF] button to turn ON.";

Records Sorted(Records records) {
  std::sort(records.begin(), records.end(), RecordLess());
  return records;
}

// The PC side: a program directory with the sample records as working data
// and COM1 wired to the virtual organizer, whose records lie beside them.
class CommandsTest : public test::DesktopTest {
 protected:
  void SetUp() override { WriteSettings("[Settings]\r\nAppliID=0\r\n"); }

  void WriteSettings(const std::string& settings) {
    DesktopTest::WriteSettings(settings + test::kVirtualCom1);
  }
  void WriteEmptyOrganizer() { WriteOrganizer(*NewStore()); }

  // Every application's records as the commands hold them (list committed).
  static std::vector<Records> Snapshot(test::Desktop& desktop) {
    desktop.commands.CommitList(/*ordered=*/false);
    std::vector<Records> all;
    for (AppliId id = 0; id <= kCategoryList; ++id) {
      all.push_back(StoreRecords(desktop.commands.store(), id));
    }
    return all;
  }

  static std::vector<QString> ListTexts(test::Desktop& desktop, int column) {
    std::vector<QString> texts;
    for (int row = 0; row < desktop.list()->topLevelItemCount(); ++row) {
      texts.push_back(desktop.list()->topLevelItem(row)->text(column));
    }
    return texts;
  }
};

TEST_F(CommandsTest, BackupFillsEveryListFromTheOrganizer) {
  std::filesystem::remove(WorkingDataPath(paths_.files_dir));  // the PC starts empty
  WriteOrganizer(*sample_);
  auto window = Open();
  ASSERT_EQ(window->list()->topLevelItemCount(), 0);
  test::BoxScript script;
  window->commands.Backup();
  EXPECT_EQ(script.TakeBoxes(),
            (std::vector<std::string>{"Backup|This operation will overwrite ALL applications on "
                                      "your PC.\nAre you sure you want to continue ?",
                                      kReminderBox}));
  const int schedules = sample_->GetRecordCount(kSchedule);
  EXPECT_EQ(window->list()->topLevelItemCount(), schedules);
  EXPECT_EQ(window->header_area()->count_text(), QString::asprintf("%4d records exist", schedules));
  const std::vector<Records> got = Snapshot(*window);
  for (AppliId id = 0; id <= kCategoryList; ++id) {
    EXPECT_EQ(Sorted(got[id]), Sorted(StoreRecords(*sample_, id))) << AppliName(id);
  }
  // The status bar has the time of the Backup the history just kept.
  EXPECT_TRUE(QTest::qWaitFor([&] {
    return window->window.findChild<QLabel*>("backup_status")->text() != "Last Backup: none";
  }));
}

TEST_F(CommandsTest, CancelledQuestionOrReminderRunsNothing) {
  WriteEmptyOrganizer();
  auto window = Open();
  const std::vector<Records> before = Snapshot(*window);
  test::BoxScript script;
  script.Answer(PromptAnswer::kNo);
  window->commands.Backup();
  script.Answer(PromptAnswer::kYes);
  script.Answer(PromptAnswer::kCancel);  // the reminder closed without OK
  window->commands.Restore();
  EXPECT_EQ(script.boxes().size(), 3u);
  EXPECT_EQ(Snapshot(*window), before);
  EXPECT_EQ(ReadOrganizer()->GetRecordCount(kSchedule), 0);
}

TEST_F(CommandsTest, WithoutAUserNoCommandChangesAnything) {
  WriteEmptyOrganizer();
  const auto organizer = fs::last_write_time(OrganizerFile());
  MainCommands commands(paths_, ProgramTables());
  commands.LoadSettings();
  commands.LoadDataFile();
  commands.ShowSettingsAppli();
  commands.model().SelectRow(0);
  commands.CommitList(/*ordered=*/false);
  std::vector<Records> before;
  for (AppliId id = 0; id <= kCategoryList; ++id)
    before.push_back(StoreRecords(commands.store(), id));
  test::BoxScript script;
  for (void (MainCommands::*command)() :
       {&MainCommands::Open, &MainCommands::SaveAs, &MainCommands::ClearAll, &MainCommands::Backup,
        &MainCommands::Restore, &MainCommands::BackupHistory, &MainCommands::CompareWithOrganizer,
        &MainCommands::Upload, &MainCommands::Download, &MainCommands::SendRecord,
        &MainCommands::Import, &MainCommands::Export, &MainCommands::DeleteEntry}) {
    (commands.*command)();
  }
  commands.CommitList(/*ordered=*/false);
  for (AppliId id = 0; id <= kCategoryList; ++id) {
    EXPECT_EQ(StoreRecords(commands.store(), id), before[id]) << AppliName(id);
  }
  EXPECT_TRUE(script.boxes().empty());
  EXPECT_TRUE(script.files().empty());
  EXPECT_EQ(fs::last_write_time(OrganizerFile()), organizer);
}

TEST_F(CommandsTest, RestoreSendsEveryApplication) {
  WriteEmptyOrganizer();
  auto window = Open();
  const std::vector<Records> before = Snapshot(*window);
  test::BoxScript script;
  window->commands.Restore();
  EXPECT_EQ(script.TakeBoxes(),
            (std::vector<std::string>{"Restore|This operation will overwrite ALL applications on "
                                      "your Organizer.\nAre you sure you want to continue ?",
                                      kReminderBox}));
  const auto organizer = ReadOrganizer();
  for (AppliId id = 0; id < kCategoryList; ++id) {
    EXPECT_EQ(Sorted(StoreRecords(*organizer, id)), Sorted(before[id])) << AppliName(id);
  }
  EXPECT_EQ(StoreRecords(*organizer, kCategoryList), before[kCategoryList]);
  EXPECT_EQ(Sorted(Snapshot(*window)[kMemo]), Sorted(before[kMemo]));
}

TEST_F(CommandsTest, UploadReplacesOnlyTheApplicationOnScreen) {
  WriteOrganizer(*sample_);
  WriteSettings("[Settings]\r\nAppliID=3\r\n");  // Memo
  auto window = Open();
  while (window->commands.model().row_count() > 1) window->commands.model().DeleteRow(0);
  window->commands.ShowAppli(kSchedule, true);
  window->commands.model().DeleteRow(0);
  window->commands.ShowAppli(kMemo, true);
  const std::vector<Records> before = Snapshot(*window);
  test::BoxScript script;
  window->commands.Upload();
  EXPECT_EQ(script.TakeBoxes(),
            (std::vector<std::string>{"Upload|This operation will overwrite selected application "
                                      "on your PC.\nAre you sure you want to continue ?",
                                      kReminderBox}));
  EXPECT_EQ(window->list()->topLevelItemCount(), sample_->GetRecordCount(kMemo));
  const std::vector<Records> after = Snapshot(*window);
  EXPECT_EQ(Sorted(after[kMemo]), Sorted(StoreRecords(*sample_, kMemo)));
  EXPECT_EQ(after[kSchedule], before[kSchedule]);
  EXPECT_EQ(after[kTelephone], before[kTelephone]);
}

TEST_F(CommandsTest, DownloadSendsTheRowsOnScreenAndKeepsThePcRecords) {
  WriteEmptyOrganizer();
  WriteSettings("[Settings]\r\nAppliID=3\r\n");
  auto window = Open();
  const std::vector<Records> before = Snapshot(*window);
  test::BoxScript script;
  window->commands.Download();
  EXPECT_EQ(script.TakeBoxes(),
            (std::vector<std::string>{"Download|This operation will overwrite selected "
                                      "application on your Organizer.\nAre you sure you want to "
                                      "continue ?",
                                      kReminderBox}));
  const auto organizer = ReadOrganizer();
  EXPECT_EQ(Sorted(StoreRecords(*organizer, kMemo)), Sorted(before[kMemo]));
  EXPECT_EQ(organizer->GetRecordCount(kSchedule), 0);
  EXPECT_EQ(Snapshot(*window), before);
}

TEST_F(CommandsTest, DownloadOnTheTelephoneTabSendsOnlyTheFilteredRows) {
  WriteEmptyOrganizer();
  WriteSettings("[Settings]\r\nAppliID=5\r\n");
  auto window = Open();
  window->filter_box()->setCurrentIndex(1);  // Business
  const int business = window->commands.model().row_count();
  ASSERT_GT(business, 0);
  ASSERT_LT(business, sample_->GetRecordCount(kTelephone));
  test::BoxScript script;
  window->commands.Download();
  EXPECT_EQ(ReadOrganizer()->GetRecordCount(kTelephone), business);
}

TEST_F(CommandsTest, SendTransfersTheSelectedRecordsAndAsksBeforeOneGoesAgain) {
  WriteEmptyOrganizer();
  auto window = Open();  // Schedule
  window->commands.model().SelectRow(2);
  const std::vector<uint8_t> record = window->commands.model().RowRecord(2);
  test::BoxScript script;
  window->commands.SendRecord();
  // No question: only the reminder.
  EXPECT_EQ(script.TakeBoxes(), std::vector<std::string>{kReminderBox});
  const auto organizer = ReadOrganizer();
  EXPECT_EQ(StoreRecords(*organizer, kSchedule), Records{record});
  EXPECT_EQ(organizer->GetRecordCount(kMemo), 0);

  // Several rows go in one session; one sent already is asked about first,
  // and No sends none of them.
  window->commands.model().SelectRows({2, 4}, 4);
  script.Answer(PromptAnswer::kNo);
  window->commands.SendRecord();
  EXPECT_EQ(script.TakeBoxes(),
            std::vector<std::string>{"Send|One of these records was sent to your Organizer "
                                     "before.\nSend them again ?"});
  EXPECT_EQ(ReadOrganizer()->GetRecordCount(kSchedule), 1);
  window->commands.SendRecord();  // Yes, and the reminder
  EXPECT_EQ(script.TakeBoxes().size(), 2u);
  EXPECT_EQ(ReadOrganizer()->GetRecordCount(kSchedule), 3);
}

TEST_F(CommandsTest, AbortedTransfersLeaveTheRecordsExactlyAsTheyWere) {
  struct Case {
    const char* name;
    void (MainCommands::*command)();
    int abort_above;  // the bar's position at which Abort is pressed; -1 at once
  };
  const Case kCases[] = {
      {"Backup at once", &MainCommands::Backup, -1},
      {"Backup while receiving", &MainCommands::Backup, 10},
      {"Restore while sending", &MainCommands::Restore, 10},
      {"Upload while receiving", &MainCommands::Upload, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    WriteOrganizer(*sample_);
    // Telephone, the longest transfer; no snapshot, so that Abort comes while
    // records are sent.
    WriteSettings("[Settings]\r\nAppliID=5\r\n[History]\r\nSnapshot=0\r\n");
    auto window = Open();
    window->filter_box()->setCurrentIndex(1);               // Business: some records hidden
    ASSERT_TRUE(window->commands.model().SortOnColumn(2));  // the user's own order
    window->commands.CommitList(false);
    window->commands.RefreshList(false);
    window->commands.model().SelectRow(1);
    const std::vector<QString> shown = ListTexts(*window, 1);
    const std::vector<Records> before = Snapshot(*window);
    test::BoxScript script;
    // A Restore stopped after deleting offers to send the rest: not now.
    const bool restore = c.command == &MainCommands::Restore;
    QString stop_text;
    if (restore) {
      script.OnDialog([&stop_text](QDialog& dialog) {
        auto& box = dynamic_cast<QMessageBox&>(dialog);
        stop_text = box.text();
        box.findChild<QPushButton*>(QStringLiteral("leave"))->click();
        return 0;
      });
    }
    QTimer abort_when_shown;
    QObject::connect(&abort_when_shown, &QTimer::timeout, [&] {
      auto* progress = qobject_cast<ProgressWindow*>(QApplication::activeModalWidget());
      if (progress == nullptr || progress->bar()->value() <= c.abort_above) return;
      abort_when_shown.stop();
      QTest::mouseClick(progress->abort_button(), Qt::LeftButton);
    });
    abort_when_shown.start(2);
    (window->commands.*c.command)();
    const std::vector<std::string> boxes = script.TakeBoxes();
    // A Restore stopped after deleting says so in its one box: not now.
    ASSERT_EQ(boxes.size(), restore ? 2u : 3u);
    if (restore) {
      EXPECT_TRUE(stop_text.startsWith(QStringLiteral("The restore was aborted.")))
          << stop_text.toStdString();
    } else {
      EXPECT_EQ(boxes[2], "Abort|User aborted.");
    }
    EXPECT_EQ(ListTexts(*window, 1), shown);
    EXPECT_EQ(window->commands.model().selected_row(), 1);
    EXPECT_EQ(Snapshot(*window), before);
  }
}

TEST_F(CommandsTest, FailingWith14RunsTheNextTransferWithoutTelephoneChecks) {
  // A base-model organizer whose telephone list ends after one record: the PC
  // takes that for an incomplete reception while BKTelRecordsMin is 1. Backup
  // and Upload keep their own copies of the threshold.
  struct Case {
    const char* name;
    void (MainCommands::*command)();
    int AppSettings::*copy;
    int AppSettings::*other_copy;
  };
  const Case kCases[] = {
      {"Backup", &MainCommands::Backup, &AppSettings::backup_tel_records_min,
       &AppSettings::upload_tel_records_min},
      {"Upload", &MainCommands::Upload, &AppSettings::upload_tel_records_min,
       &AppSettings::backup_tel_records_min},
  };
  auto organizer = NewStore();
  test::FillSampleStore(*organizer, kSampleDir);
  const Records phones = StoreRecords(*organizer, kTelephone);
  organizer->ResetAppli(kTelephone);
  ASSERT_EQ(organizer->PutRecord(kTelephone, 0, phones[0]), 0);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    WriteOrganizer(*organizer);
    WriteSettings("[Settings]\r\nAppliID=5\r\n");
    auto window = Open();
    const std::vector<Records> before = Snapshot(*window);
    test::BoxScript script;
    (window->commands.*c.command)();
    std::vector<std::string> boxes = script.TakeBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[2], "Error|" + std::string(ResultMessage(kResultIncomplete)));
    EXPECT_EQ(window->commands.settings().*c.copy, 0);
    EXPECT_EQ(window->commands.settings().*c.other_copy, 1);
    EXPECT_EQ(window->commands.settings().bk_tel_records_min, 1);
    EXPECT_EQ(Snapshot(*window), before);

    (window->commands.*c.command)();
    EXPECT_EQ(script.TakeBoxes().size(), 2u);  // no error this time
    EXPECT_EQ(window->commands.settings().*c.copy, 1);
    EXPECT_EQ(Snapshot(*window)[kTelephone], Records{phones[0]});
    // Only the stored value is written back.
    window->window.close();
    EXPECT_EQ(
        LoadAppSettings(SettingsFilePath(paths_.files_dir), paths_.files_dir).bk_tel_records_min,
        1);
  }
}

TEST_F(CommandsTest, ExportAndImportRoundTrip) {
  WriteSettings("[Settings]\r\nAppliID=3\r\n");  // Memo
  auto window = Open();
  const Records memos = Snapshot(*window)[kMemo];
  const int count = static_cast<int>(memos.size());
  const QString folder = dir_.path() + QStringLiteral("/csv");
  ASSERT_TRUE(QDir().mkpath(folder));
  test::BoxScript script;
  script.ChooseFile(folder + QStringLiteral("/memos  "));  // no extension, trailing blanks
  window->commands.Export();
  ASSERT_EQ(script.files().size(), 1u);
  EXPECT_TRUE(script.files()[0].save);
  EXPECT_EQ(script.files()[0].filter,
            QStringLiteral("CSV Files, UTF-8 (*.csv);;CSV Files, Windows-1252 (*.csv)"));
  EXPECT_EQ(script.files()[0].selected_filter, QStringLiteral("CSV Files, UTF-8 (*.csv)"));
  EXPECT_TRUE(script.files()[0].proposed_name.isEmpty());
  EXPECT_EQ(script.TakeBoxes(), std::vector<std::string>{"Export|" + std::to_string(count) +
                                                         " records were successfully exported."});
  const fs::path csv = folder.toStdString() + "/memos.csv";
  ASSERT_TRUE(fs::exists(csv));
  EXPECT_EQ(window->commands.settings().backup_dir, folder.toStdString());

  window->commands.ClearAll();
  EXPECT_EQ(window->list()->topLevelItemCount(), 0);
  // Imported into Memo while Schedule is on screen.
  window->commands.ShowAppli(kSchedule, true);
  script.TakeBoxes();
  script.OnDialog([&](QDialog& dialog) {
    auto& import = static_cast<ImportDialog&>(dialog);
    EXPECT_EQ(import.appli_box()->currentText(), QStringLiteral("Schedule"));
    import.file_edit()->setText(QString::fromStdString(csv.string()));
    import.appli_box()->setCurrentIndex(import.appli_box()->findText(QStringLiteral("Memo")));
    return static_cast<int>(QDialog::Accepted);
  });
  window->commands.Import();
  EXPECT_EQ(script.TakeBoxes(),
            std::vector<std::string>{"Import|" + std::to_string(count) +
                                     " records were successfully imported.\r\nThe file was read "
                                     "as UTF-8 (detected)."});
  EXPECT_EQ(window->commands.model().appli(), kSchedule);
  EXPECT_EQ(window->list()->topLevelItemCount(), 0);
  EXPECT_EQ(Sorted(Snapshot(*window)[kMemo]), Sorted(memos));
}

TEST_F(CommandsTest, ExportOnTheTelephoneTabWritesOnlyTheFilteredRowsInListOrder) {
  WriteSettings("[Settings]\r\nAppliID=5\r\n");
  auto window = Open();
  window->filter_box()->setCurrentIndex(1);  // Business
  ASSERT_TRUE(window->commands.model().SortOnColumn(1));
  ASSERT_TRUE(window->commands.model().SortOnColumn(1));  // last name, descending
  window->commands.CommitList(false);
  window->commands.RefreshList(false);
  const std::vector<QString> last_names = ListTexts(*window, 1);
  ASSERT_GT(last_names.size(), 1u);
  test::BoxScript script;
  script.ChooseFile(dir_.path() + QStringLiteral("/business.CSV"));
  window->commands.Export();
  const auto rows = test::ReadCsvRows(paths_.files_dir / "business.CSV");
  ASSERT_EQ(rows.size(), last_names.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(QString::fromStdString(rows[i][1]), last_names[i]) << i;  // the file is UTF-8
  }
  // The hidden records stay where they were.
  EXPECT_EQ(Snapshot(*window)[kTelephone].size(),
            static_cast<size_t>(sample_->GetRecordCount(kTelephone)));
}

TEST_F(CommandsTest, ImportOfAFileThatIsNoCsvOfTheApplicationFails) {
  auto window = Open();
  const fs::path file = paths_.files_dir / "other.csv";
  std::ofstream(file, std::ios::binary) << "Nothing,Known\r\n1,2\r\n";
  const auto before = Snapshot(*window);
  test::BoxScript script;
  script.OnDialog([&](QDialog& dialog) {
    static_cast<ImportDialog&>(dialog).file_edit()->setText(QString::fromStdString(file));
    return static_cast<int>(QDialog::Accepted);
  });
  window->commands.Import();
  EXPECT_EQ(script.TakeBoxes(), std::vector<std::string>{"Import|Failed to Import"});
  EXPECT_EQ(Snapshot(*window), before);
}

// Telephone goes out as vCard, in the format the name asks for, and comes
// back; the CSV coding chosen last is offered first next time.
TEST_F(CommandsTest, ExportAndImportOfferTheFormatsOfTheApplication) {
  WriteSettings("[Settings]\r\nAppliID=5\r\n[Exchange]\r\nExportEncoding=cp1252\r\n");
  auto window = Open();
  const Records phones = Snapshot(*window)[kTelephone];
  test::BoxScript script;
  const QString cards = dir_.path() + QStringLiteral("/cards.vcf");
  script.ChooseFile(cards);
  window->commands.Export();
  ASSERT_EQ(script.files().size(), 1u);
  EXPECT_EQ(script.files()[0].filter,
            QStringLiteral("CSV Files, UTF-8 (*.csv);;CSV Files, Windows-1252 (*.csv);;"
                           "vCard Files (*.vcf)"));
  EXPECT_EQ(script.files()[0].selected_filter, QStringLiteral("CSV Files, Windows-1252 (*.csv)"));
  ASSERT_TRUE(fs::exists(cards.toStdString()));
  EXPECT_EQ(window->commands.settings().export_encoding, "cp1252");

  window->commands.ClearAll();
  script.TakeBoxes();
  const std::string n = std::to_string(phones.size());
  const std::string taken = "Import|" + n + " records were successfully imported.";
  // Then the same cards again: No leaves them out, Yes adds them.
  for (const PromptAnswer answer : {PromptAnswer::kYes, PromptAnswer::kNo, PromptAnswer::kYes}) {
    const bool first = Snapshot(*window)[kTelephone].empty();
    script.Answer(answer);
    script.OnDialog([&](QDialog& dialog) {
      static_cast<ImportDialog&>(dialog).file_edit()->setText(cards);
      return static_cast<int>(QDialog::Accepted);
    });
    window->commands.Import();
    std::vector<std::string> boxes = {taken};
    if (!first) {
      boxes = {"Import|" + n + " records of the file are already in Telephone. Add them again?",
               answer == PromptAnswer::kYes ? taken
                                            : "Import|0 records were successfully imported.\r\n" +
                                                  n + " records already present were skipped."};
    }
    EXPECT_EQ(script.TakeBoxes(), boxes);
  }
  Records twice = phones;
  twice.insert(twice.end(), phones.begin(), phones.end());
  EXPECT_EQ(Sorted(Snapshot(*window)[kTelephone]), Sorted(twice));
}

// Characters the organizer cannot store are listed before anything
// changes; No leaves the records as they were.
TEST_F(CommandsTest, ImportAsksBeforeStoringCharactersAsQuestionMarks) {
  WriteSettings("[Settings]\r\nAppliID=3\r\n");
  auto window = Open();
  const Records memos = Snapshot(*window)[kMemo];
  const fs::path file = paths_.files_dir / "polish.csv";
  std::ofstream(file, std::ios::binary) << "Memo\r\nZa\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87\r\n";
  for (const PromptAnswer answer : {PromptAnswer::kNo, PromptAnswer::kYes}) {
    test::BoxScript script;
    script.Answer(answer);
    script.OnDialog([&](QDialog& dialog) {
      static_cast<ImportDialog&>(dialog).file_edit()->setText(QString::fromStdString(file));
      return static_cast<int>(QDialog::Accepted);
    });
    window->commands.Import();
    const std::vector<std::string> boxes = script.TakeBoxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes[0],
              "Import|3 characters cannot be stored on the organizer and become '?': ż ł ć. "
              "Import anyway?");
    EXPECT_EQ(Snapshot(*window)[kMemo].size(), memos.size() + (answer == PromptAnswer::kYes));
  }
  const Records after = Snapshot(*window)[kMemo];
  const std::vector<uint8_t> stored = {'Z', 'a', '?', 0xF3, '?', '?', 0, 0xFF};
  EXPECT_NE(std::find(after.begin(), after.end(), stored), after.end());
}

TEST(ImportDialog, MissingFileShowsTheSystemTextAndStaysOpen) {
  test::BoxScript script;
  ImportDialog dialog(nullptr, kAnniversary, QString());
  EXPECT_EQ(dialog.appli(), kAnniversary);
  EXPECT_EQ(dialog.appli_box()->count(), 6);
  EXPECT_EQ(dialog.appli_box()->itemText(1), QStringLiteral("Todo"));
  dialog.file_edit()->setText(QStringLiteral("/nonexistent/dir/x.csv"));
  dialog.accept();
  EXPECT_EQ(script.TakeBoxes(), std::vector<std::string>{"Import|No such file or directory"});
  EXPECT_NE(dialog.result(), QDialog::Accepted);
}

TEST(ImportDialog, BrowseFillsTheNameAndRemembersItsOwnFolder) {
  test::BoxScript script;
  ImportDialog dialog(nullptr, kMemo, QStringLiteral("/data/start"));
  script.ChooseFile(QStringLiteral("/data/csv/memo.csv"));
  script.ChooseFile(QString());  // cancelled: the name stays
  QTest::mouseClick(dialog.browse_button(), Qt::LeftButton);
  EXPECT_EQ(dialog.file_name(), QStringLiteral("/data/csv/memo.csv"));
  QTest::mouseClick(dialog.browse_button(), Qt::LeftButton);
  EXPECT_EQ(dialog.file_name(), QStringLiteral("/data/csv/memo.csv"));
  ASSERT_EQ(script.files().size(), 2u);
  EXPECT_FALSE(script.files()[0].save);
  EXPECT_EQ(script.files()[0].dir, QStringLiteral("/data/start"));
  EXPECT_EQ(script.files()[0].filter, QStringLiteral("CSV Files (*.csv)"));
  EXPECT_EQ(script.files()[1].dir, QStringLiteral("/data/csv"));

  // The application decides which formats Browse offers and OK takes.
  dialog.appli_box()->setCurrentIndex(dialog.appli_box()->findText(QStringLiteral("Telephone")));
  QTest::mouseClick(dialog.browse_button(), Qt::LeftButton);
  EXPECT_EQ(
      script.files()[2].filter,
      QStringLiteral("Telephone Files (*.csv *.vcf);;CSV Files (*.csv);;vCard Files (*.vcf)"));
  const QString cards = QDir::tempPath() + QStringLiteral("/kivo_import_dialog_test.vcf");
  std::ofstream(cards.toStdString()) << "BEGIN:VCARD\r\nEND:VCARD\r\n";
  dialog.file_edit()->setText(cards);
  dialog.appli_box()->setCurrentIndex(dialog.appli_box()->findText(QStringLiteral("Memo")));
  dialog.accept();
  EXPECT_EQ(
      script.TakeBoxes(),
      std::vector<std::string>{"Import|A vCard file does not fit Memo. Memo takes CSV files."});
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  fs::remove(cards.toStdString());
}

TEST_F(CommandsTest, OpenOfABadFileKeepsTheRecords) {
  auto window = Open();
  // Edits not yet committed: a row gone, the last row replaced by a copy of
  // the first (a re-sort would put it beside the first).
  window->commands.model().DeleteRow(0);
  ASSERT_TRUE(window->commands.model().SortOnColumn(5));
  MainViewModel& model = window->commands.model();
  model.ReplaceRow(model.row_count() - 1, model.RowRecord(0));
  const std::vector<Records> before = Snapshot(*window);
  window->commands.RefreshList(false);
  const std::vector<QString> shown = ListTexts(*window, 5);
  ASSERT_EQ(shown.back(), shown.front());
  const fs::path bad = paths_.files_dir / "bad.bkf";
  std::ofstream(bad, std::ios::binary) << "IM2BK9 this is no backup file";
  test::BoxScript script;
  script.ChooseFile(QString::fromStdString(bad));
  window->commands.Open();
  EXPECT_EQ(script.TakeBoxes(),
            (std::vector<std::string>{"Open|This operation will overwrite ALL applications.\n"
                                      "Are you sure you want to continue ?",
                                      "Open|The backup file is not compatible."}));
  EXPECT_EQ(ListTexts(*window, 5), shown);
  EXPECT_EQ(Snapshot(*window), before);
  // An application id the store has no slot for is named.
  std::ofstream(bad, std::ios::binary) << std::string("IM2BK0\x02\x00\x01\x09\x00\x00", 12);
  script.ChooseFile(QString::fromStdString(bad));
  window->commands.Open();
  EXPECT_EQ(script.TakeBoxes().back(),
            "Open|The backup file is not compatible. (block 1 holds the unknown application id 9)");
  EXPECT_EQ(Snapshot(*window), before);

  // A good file replaces every application.
  auto other = NewStore();
  other->EnsureAllAppli();
  ASSERT_EQ(other->PutRecord(kSchedule, 0, StoreRecords(*sample_, kSchedule)[0]), 0);
  const fs::path good = paths_.files_dir / "good.bkf";
  ASSERT_EQ(SaveBackupFile(*other, good, true), 0);
  script.ChooseFile(QString::fromStdString(good));
  window->commands.Open();
  EXPECT_EQ(window->list()->topLevelItemCount(), 1);
  EXPECT_EQ(Snapshot(*window)[kMemo].size(), 0u);
}

TEST_F(CommandsTest, SaveAsWritesTheDefaultOrderAndKeepsTheUsersSort) {
  WriteSettings("[Settings]\r\nAppliID=3\r\n");  // Memo
  auto window = Open();
  // Descending by the memo text: the reverse of the default order.
  ASSERT_TRUE(window->commands.model().SortOnColumn(0));
  ASSERT_TRUE(window->commands.model().SortOnColumn(0));
  const Records listed = Snapshot(*window)[kMemo];
  window->commands.RefreshList(false);
  const std::vector<QString> shown = ListTexts(*window, 0);
  ASSERT_GT(shown.front(), shown.back());
  test::BoxScript script;
  script.ChooseFile(dir_.path() + QStringLiteral("/saved"));
  window->commands.SaveAs();
  ASSERT_EQ(script.files().size(), 1u);
  const QString proposed = script.files()[0].proposed_name;
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{8}\\.bkf$")).match(proposed).hasMatch())
      << proposed.toStdString();
  EXPECT_EQ(script.files()[0].filter, QStringLiteral("Backup Files (*.bkf)"));
  auto saved = NewStore();
  ASSERT_EQ(LoadBackupFile(*saved, paths_.files_dir / "saved.bkf"), 0);
  EXPECT_EQ(StoreRecords(*saved, kMemo), Records(listed.rbegin(), listed.rend()));
  EXPECT_EQ(ListTexts(*window, 0), shown);
}

TEST_F(CommandsTest, FailedSaveAsCanBeRetriedAndCancelled) {
  auto window = Open();
  const fs::path blocked = paths_.files_dir / "blocked.bkf";
  fs::create_directory(blocked);  // no file can replace a directory
  test::BoxScript script;
  script.ChooseFile(QString::fromStdString(blocked));
  script.Answer(PromptAnswer::kRetry);
  script.Answer(PromptAnswer::kCancel);
  const std::vector<Records> before = Snapshot(*window);
  window->commands.SaveAs();
  ASSERT_EQ(script.boxes().size(), 2u);
  EXPECT_EQ(script.boxes()[0].caption, "Save As");
  EXPECT_EQ(script.boxes()[0].buttons, PromptButtons::kRetryCancel);
  EXPECT_FALSE(script.boxes()[0].text.empty());
  EXPECT_EQ(Snapshot(*window), before);
}

TEST_F(CommandsTest, ClearAllEmptiesEveryApplicationAndResetsTheCategories) {
  auto window = Open();
  CategoryNames names;
  ASSERT_EQ(GetCategoryNames(window->commands.store(), &names), 0);
  names.names[0] = "Food";
  ASSERT_EQ(SetCategoryNames(window->commands.store(), names), 0);
  test::BoxScript script;
  script.Answer(PromptAnswer::kNo);
  window->commands.ClearAll();
  EXPECT_GT(window->list()->topLevelItemCount(), 0);
  window->commands.ClearAll();
  EXPECT_EQ(script.TakeBoxes()[1],
            "Clear All|This operation will delete the ALL records.\nAre you sure you want to "
            "continue ?");
  EXPECT_EQ(window->list()->topLevelItemCount(), 0);
  const std::vector<Records> after = Snapshot(*window);
  for (AppliId id = 0; id < kCategoryList; ++id) EXPECT_TRUE(after[id].empty());
  ASSERT_EQ(GetCategoryNames(window->commands.store(), &names), 0);
  EXPECT_EQ(names.names[0], "Meals");
}

// Types a memo into the Memo dialog and presses one of its buttons.
std::function<int(QDialog&)> TypeMemo(const QString& text, bool save_as_new) {
  return [text, save_as_new](QDialog& dialog) {
    auto& edit = static_cast<EditDialog&>(dialog);
    auto* memo = edit.findChild<QPlainTextEdit*>(QStringLiteral("memo"));
    EXPECT_NE(memo, nullptr);
    if (memo == nullptr) return kEditCancel;
    memo->setPlainText(text);
    QTest::mouseClick(save_as_new ? edit.save_as_new_button() : edit.save_button(), Qt::LeftButton);
    return edit.result();
  };
}

TEST_F(CommandsTest, NewEditSaveAsNewAndDeleteChangeTheList) {
  WriteSettings("[Settings]\r\nAppliID=3\r\n");  // Memo
  auto window = Open();
  const int rows = window->commands.model().row_count();
  test::BoxScript script;

  // New: in its place in the order (the last memo starts "Zo") and selected.
  script.OnDialog(TypeMemo(QStringLiteral("Zebra crossing"), false));
  QTest::mouseClick(window->new_button(), Qt::LeftButton);
  ASSERT_EQ(window->list()->topLevelItemCount(), rows + 1);
  EXPECT_EQ(window->commands.model().selected_row(), rows - 1);
  EXPECT_EQ(window->list()->topLevelItem(rows - 1)->text(0), QStringLiteral("Zebra crossing"));

  // Edit with Save: replaced in place.
  window->commands.model().SelectRow(1);
  const QString second = window->list()->topLevelItem(2)->text(0);
  script.OnDialog(TypeMemo(QStringLiteral("Changed memo"), false));
  QTest::mouseClick(window->edit_button(), Qt::LeftButton);
  ASSERT_EQ(window->list()->topLevelItemCount(), rows + 1);
  EXPECT_EQ(window->list()->topLevelItem(1)->text(0), QStringLiteral("Changed memo"));
  EXPECT_EQ(window->list()->topLevelItem(2)->text(0), second);
  EXPECT_EQ(window->commands.model().selected_row(), 1);

  // Edit with Save As New: the edited row stays, the new one takes its place
  // (the last, for this text).
  script.OnDialog(TypeMemo(QStringLiteral("Zz copied memo"), true));
  QTest::mouseClick(window->edit_button(), Qt::LeftButton);
  ASSERT_EQ(window->list()->topLevelItemCount(), rows + 2);
  EXPECT_EQ(window->list()->topLevelItem(1)->text(0), QStringLiteral("Changed memo"));
  EXPECT_EQ(window->list()->topLevelItem(rows + 1)->text(0), QStringLiteral("Zz copied memo"));

  // Cancel changes nothing.
  script.OnDialog([](QDialog&) { return kEditCancel; });
  window->edit_entry_action()->trigger();
  EXPECT_EQ(window->list()->topLevelItemCount(), rows + 2);

  // Delete asks; the row with the same index is selected afterwards.
  window->commands.model().SelectRow(1);
  script.TakeBoxes();
  QTest::mouseClick(window->delete_button(), Qt::LeftButton);
  EXPECT_EQ(script.TakeBoxes(),
            std::vector<std::string>{"Delete|This operation will delete the selected record.\n"
                                     "Are you sure you want to continue ?"});
  ASSERT_EQ(window->list()->topLevelItemCount(), rows + 1);
  EXPECT_EQ(window->list()->topLevelItem(1)->text(0), second);
  EXPECT_EQ(window->commands.model().selected_row(), 1);
  // The store gets the changes at the next commit.
  EXPECT_EQ(Snapshot(*window)[kMemo].size(), static_cast<size_t>(rows + 1));
}

TEST_F(CommandsTest, DeletingTheLastRowSelectsTheOneBefore) {
  auto window = Open();
  const int rows = window->commands.model().row_count();
  window->commands.model().SelectRow(rows - 1);
  test::BoxScript script;
  window->commands.DeleteEntry();
  EXPECT_EQ(window->commands.model().row_count(), rows - 1);
  EXPECT_EQ(window->commands.model().selected_row(), rows - 2);
}

}  // namespace
}  // namespace kivo
