// The desktop program's safety around Restore and Download: the snapshot and
// what the failure box offers, the large-change warning, Compare with
// Organizer, the history dialog and verify, with the virtual organizer
// behind COM1.

#include <algorithm>
#include <fstream>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "comm/virtual_organizer.h"
#include "history/history.h"
#include "history/restore_journal.h"
#include "store/app_settings.h"
#include "store/backup_file.h"
#include "store/store_diff.h"
#include "store/working_data.h"
#include "ui/box_script.h"
#include "ui/desktop_fixture.h"
#include "ui/history_dialog.h"
#include "ui/main_window.h"
#include "ui/progress_window.h"
#include "ui/sample_data.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;

class SafetyCommandsTest : public test::DesktopTest {
 protected:
  void SetUp() override { Settings(""); }
  void Settings(const std::string& history) {
    WriteSettings("[Settings]\r\nAppliID=0\r\nTOCommand=1\r\n" + std::string(test::kVirtualCom1) +
                  "[History]\r\n" + history);
  }
  // Two memos, nothing else: what the organizer holds before a restore.
  std::unique_ptr<AppliStore> TwoMemos() {
    auto store = NewStore();
    const uint8_t a[] = {'A', 0, 0xFF}, b[] = {'B', 0, 0xFF};
    EXPECT_EQ(store->PutRecord(kMemo, 0, a), 0);
    EXPECT_EQ(store->PutRecord(kMemo, 1, b), 0);
    return store;
  }
  // Answers the box of a stopped Restore with the button of that name.
  static std::function<int(QDialog&)> ChooseAfterStop(const char* button, QString* text) {
    return [button, text](QDialog& dialog) {
      auto& box = dynamic_cast<QMessageBox&>(dialog);
      *text = box.text();
      auto* chosen = box.findChild<QPushButton*>(QString::fromLatin1(button));
      EXPECT_NE(chosen, nullptr) << button;
      if (chosen != nullptr) chosen->click();
      return 0;
    };
  }
  static bool Shown(const std::vector<std::string>& boxes, const std::string& part) {
    return std::any_of(boxes.begin(), boxes.end(),
                       [&](const std::string& b) { return b.find(part) != std::string::npos; });
  }
};

// A restore whose line drops after Memo offers to send the rest and to put
// the snapshot back; refused both, it is offered again once the program
// starts anew, from the journal, and then completes.
TEST_F(SafetyCommandsTest, RestoreThatStopsIsOfferedToFinishAfterARestart) {
  auto before = TwoMemos();
  WriteOrganizer(*before);
  int records = 0;
  for (AppliId id : {kTelephone, kSchedule, kAnniversary, kToDo, kMemo}) {
    records += sample_->GetRecordCount(id);
  }
  test::BoxScript script;
  QString stop_text;
  {
    auto program = OpenCommands();
    program->commands.virtual_options().hang_up_after_records = records;
    for (PromptAnswer a : {PromptAnswer::kYes, PromptAnswer::kOk, PromptAnswer::kYes}) {
      script.Answer(a);  // question, reminder, large change
    }
    script.OnDialog(ChooseAfterStop("leave", &stop_text));
    program->commands.Restore();
  }
  // One box tells it all: no bare error before it.
  std::vector<std::string> boxes = script.TakeBoxes();
  EXPECT_FALSE(Shown(boxes, "Error|")) << ::testing::PrintToString(boxes);
  for (const char* part :
       {"the line to your Organizer was lost (",
        "Complete on the Organizer: Schedule, Anniversary, To Do, Memo, Telephone",
        "Not complete: Expense", "kivo-link restore --resume "}) {
    EXPECT_TRUE(stop_text.contains(QString::fromUtf8(part))) << part << "\n"
                                                             << stop_text.toStdString();
  }
  EXPECT_NE(ReadOrganizer()->GetRecordCount(kExpense), sample_->GetRecordCount(kExpense));
  // The box's line names a file whose bytes the journal holds, which is what
  // `kivo-link restore --resume` checks.
  const std::optional<RestoreJournal> journal =
      ReadRestoreJournal(RestoreJournalPath(paths_.files_dir / "history"));
  ASSERT_TRUE(journal);
  EXPECT_TRUE(stop_text.contains(QString::fromStdString("--resume " + journal->file)));
  EXPECT_EQ(journal->fingerprint, FileFingerprint(journal->file));

  auto program = OpenCommands();
  program->commands.Restore();  // every box answered Yes and OK
  boxes = script.TakeBoxes();
  EXPECT_TRUE(Shown(boxes,
                    "stopped before it was complete.\nComplete on your Organizer: "
                    "Schedule, Anniversary, To Do, Memo, Telephone."));
  EXPECT_FALSE(Shown(boxes, "This removes more than half")) << "no second snapshot";
  EXPECT_FALSE(AnyDifference(DiffStores(*sample_, *ReadOrganizer())));
  EXPECT_EQ(ListGenerations(paths_.files_dir / "history").size(), 1u);
}

// Sending the rest from the stop's box completes the organizer in the same
// command.
TEST_F(SafetyCommandsTest, RestoreThatStopsSendsTheRestWhenAsked) {
  WriteOrganizer(*TwoMemos());
  auto program = OpenCommands();
  // The line drops once all but Expense are sent; the rest is smaller.
  int records = 0;
  for (AppliId id : {kTelephone, kSchedule, kAnniversary, kToDo, kMemo}) {
    records += sample_->GetRecordCount(id);
  }
  program->commands.virtual_options().hang_up_after_records = records;
  test::BoxScript script;
  QString stop_text;
  // The line was lost with the organizer's link mode: the person presses
  // PC-LINK again before sending the rest.
  script.OnDialog([&](QDialog& dialog) {
    program->commands.virtual_button()->Press();
    return ChooseAfterStop("resume", &stop_text)(dialog);
  });
  // The status while the snapshot is taken says why nothing is sent yet.
  QStringList statuses;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (auto* w = qobject_cast<ProgressWindow*>(QApplication::activeModalWidget())) {
      if (!statuses.contains(w->status_label()->text())) statuses << w->status_label()->text();
    }
  });
  watch.start(1);
  program->commands.Restore();
  EXPECT_TRUE(
      statuses.contains(QStringLiteral("Saving the organizer's records before the Restore")))
      << statuses.join(QStringLiteral(" | ")).toStdString();
  EXPECT_TRUE(stop_text.contains(QStringLiteral("Not complete: Expense")))
      << stop_text.toStdString();
  EXPECT_FALSE(AnyDifference(DiffStores(*sample_, *ReadOrganizer())));
}

// The run that has just taken its snapshot asks, before deleting anything,
// naming every application that would lose more than half of its records.
TEST_F(SafetyCommandsTest, CompareWarnsOfLargeRemovalsAndHistoryOpensASnapshot) {
  WriteOrganizer(*sample_);
  auto program = OpenCommands();
  test::BoxScript script;
  program->commands.CompareWithOrganizer();
  std::vector<std::string> boxes = script.TakeBoxes();
  ASSERT_EQ(boxes.size(), 2u);  // the reminder, the comparison
  EXPECT_NE(boxes[1].find("Memo: 0 only on the Organizer, 0 only on this PC, " +
                          std::to_string(sample_->GetRecordCount(kMemo)) + " in both"),
            std::string::npos)
      << boxes[1];
  EXPECT_NE(boxes[1].find("They are the same."), std::string::npos);

  program->commands.ClearAll();
  script.TakeBoxes();
  script.Answer(PromptAnswer::kYes);  // the question
  script.Answer(PromptAnswer::kOk);   // the reminder
  script.Answer(PromptAnswer::kNo);   // not after that warning
  program->commands.Restore();
  ASSERT_EQ(script.boxes().size(), 3u);
  EXPECT_TRUE(script.boxes()[2].default_no);
  boxes = script.TakeBoxes();
  const int memos = sample_->GetRecordCount(kMemo);
  EXPECT_TRUE(Shown(boxes, "This removes more than half of the records on your Organizer"));
  EXPECT_TRUE(Shown(boxes, "Memo: " + std::to_string(memos) + " of its " + std::to_string(memos)));
  EXPECT_TRUE(Shown(boxes, "Expense: " + std::to_string(sample_->GetRecordCount(kExpense))));
  EXPECT_EQ(ReadOrganizer()->GetRecordCount(kMemo), memos);

  script.OnDialog([](QDialog& dialog) {
    auto& history = dynamic_cast<HistoryDialog&>(dialog);
    EXPECT_EQ(history.table()->rowCount(), 2);  // Compare's and Restore's
    EXPECT_EQ(history.table()->item(0, 2)->text(), "snapshot");
    history.Choose(0, HistoryDialog::Action::kOpen);
    return static_cast<int>(QDialog::Accepted);
  });
  program->commands.BackupHistory();
  EXPECT_EQ(program->commands.store().GetRecordCount(kMemo), memos);
}

// A Download's snapshot holds its application alone, the history dialog
// says so, and History > Restore puts back that one only.
TEST_F(SafetyCommandsTest, RestoreOfADownloadsSnapshotTouchesItsApplicationOnly) {
  WriteOrganizer(*sample_);
  auto program = OpenCommands();
  test::BoxScript script;
  program->commands.ClearAll();
  program->commands.Download();  // the empty Schedule
  ASSERT_EQ(ReadOrganizer()->GetRecordCount(kSchedule), 0);
  script.OnDialog([this](QDialog& dialog) {
    auto& history = dynamic_cast<HistoryDialog&>(dialog);
    QTableWidget* table = history.table();
    EXPECT_EQ(table->columnCount(), 10);
    EXPECT_EQ(table->item(0, 3)->text(), QString::number(sample_->GetRecordCount(kSchedule)));
    EXPECT_EQ(table->item(0, 6)->text(), "-");
    EXPECT_TRUE(table->item(0, 9) != nullptr && table->item(0, 9)->text().endsWith(".bkf"));
    history.Choose(0, HistoryDialog::Action::kRestore);
    return static_cast<int>(QDialog::Accepted);
  });
  program->commands.BackupHistory();
  EXPECT_FALSE(AnyDifference(DiffStores(*sample_, *ReadOrganizer())));
}

// A history folder that cannot be written stops Restore and Download before
// they delete, with a box that names the folder and the way on.
TEST_F(SafetyCommandsTest, UnwritableHistoryIsNamedAndNothingIsDeleted) {
  const fs::path file = paths_.files_dir / "a_file";
  std::ofstream(file) << "not a folder";
  Settings("Folder=" + file.string() + "\r\n");
  WriteOrganizer(*sample_);
  auto program = OpenCommands();
  test::BoxScript script;
  program->commands.ClearAll();
  for (bool restore : {false, true}) {
    restore ? program->commands.Restore() : program->commands.Download();
    const std::vector<std::string> boxes = script.TakeBoxes();
    EXPECT_TRUE(Shown(boxes, file.string())) << restore;
    EXPECT_TRUE(Shown(boxes, "Snapshot=0")) << restore;
    EXPECT_FALSE(Shown(boxes, "I/O Device error.")) << restore;
    EXPECT_FALSE(AnyDifference(DiffStores(*sample_, *ReadOrganizer()))) << restore;
  }
}

TEST_F(SafetyCommandsTest, VerifyReportsTheRecordTheOrganizerLost) {
  Settings("Verify=1\r\nSnapshot=0\r\n");
  WriteOrganizer(*NewStore());
  auto program = OpenCommands();
  program->commands.virtual_options().lose_first_record = true;
  test::BoxScript script;
  program->commands.Download();  // Schedule, the tab on screen
  const std::vector<std::string> boxes = script.TakeBoxes();
  EXPECT_TRUE(Shown(boxes, "differ from those sent:\nSchedule: 1 missing, 0 unexpected"));
  EXPECT_TRUE(ListGenerations(paths_.files_dir / "history").empty()) << "Snapshot=0";
}

}  // namespace
}  // namespace kivo
