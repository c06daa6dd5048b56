// File > "Synchronize..." and Option > "Sync targets..." in the window, against
// the virtual organizer: the dialogs are answered as a user would.

#include <algorithm>
#include <fstream>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "box_script.h"
#include "desktop_fixture.h"
#include "store/store_diff.h"
#include "store/store_records.h"
#include "store/sync_targets.h"
#include "ui/sync_dialogs.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;
using Records = std::vector<std::vector<uint8_t>>;

class SyncCommandsTest : public test::DesktopTest {
 protected:
  void SetUp() override { WriteOrganizer(*sample_); }

  // Appends `tail` to the text of memo `index` (before its NUL and terminator).
  static void EditMemo(AppliStore& store, size_t index, const std::string& tail) {
    Records memos = StoreRecords(store, kMemo);
    ASSERT_LT(index, memos.size());
    ASSERT_EQ(memos[index].back(), kTerminator);
    memos[index].insert(memos[index].end() - 2, tail.begin(), tail.end());
    ASSERT_GE(store.ResetAppli(kMemo), 0);
    ASSERT_EQ(PutInOrder(store, kMemo, memos, IdentityOrder(memos.size())), kStoreOk);
  }
  static Records Sorted(Records records) {
    // RecordLess: GCC 12 warns wrongly on vector<uint8_t>'s operator< at -O3.
    std::sort(records.begin(), records.end(), RecordLess());
    return records;
  }
  // A dialog step pressing OK or Cancel of the dry run with the keyboard.
  static std::function<int(QDialog&)> Preview(bool ok, QString* shown = nullptr) {
    return [ok, shown](QDialog& dialog) {
      auto& preview = dynamic_cast<SyncPreviewDialog&>(dialog);
      if (shown != nullptr) {
        *shown = preview.details()->toPlainText() + preview.question()->text();
        for (int row = 0; row < preview.counts()->topLevelItemCount(); ++row) {
          const QTreeWidgetItem* item = preview.counts()->topLevelItem(row);
          *shown += "\n" + item->text(0) + "|" + item->text(1) + "|" + item->text(2);
        }
      }
      if (ok) {
        QTest::keyClick(preview.ok_button(), Qt::Key_Return);
      } else {
        QTest::keyClick(&preview, Qt::Key_Escape);
      }
      return preview.result();
    };
  }
};

TEST_F(SyncCommandsTest, EditsOnBothSidesSurviveCancelChangesNothingAndTheGuardAsks) {
  WriteSettings(std::string(test::kVirtualCom1) + "[Settings]\r\nAppliID=3\r\n");
  auto window = Open();
  test::BoxScript script;
  script.OnDialog(Preview(true));  // the first sync: both hold the same records
  window->Choose("S&ynchronize...");
  // Its receptions are no Backup.
  EXPECT_FALSE(window->window.statusBar()->currentMessage().contains("Backup"));
  ASSERT_TRUE(Sorted(StoreRecords(*ReadOrganizer(), kMemo)) ==
              Sorted(StoreRecords(*sample_, kMemo)));

  auto organizer = ReadOrganizer();
  EditMemo(*organizer, 0, " on the organizer");
  WriteOrganizer(*organizer);
  EditMemo(window->commands.store(), 1, " on the PC");
  window->commands.RefreshList(false);
  const Records pc_before = Sorted(StoreRecords(window->commands.store(), kMemo));

  // Cancel on the dry run: neither side moves.
  script.OnDialog(Preview(false));
  window->Choose("S&ynchronize...");
  EXPECT_TRUE(Sorted(StoreRecords(window->commands.store(), kMemo)) == pc_before);
  EXPECT_TRUE(StoreRecords(*ReadOrganizer(), kMemo) == StoreRecords(*organizer, kMemo));

  QString shown;
  script.OnDialog(Preview(true, &shown));
  script.TakeBoxes();
  window->Choose("S&ynchronize...");
  EXPECT_TRUE(
      shown.contains(QStringLiteral("Memo|0 added, 1 changed, 0 removed|0 added, 1 changed")) ||
      shown.contains(
          QStringLiteral("Memo|1 added, 0 changed, 1 removed|1 added, 0 changed, 1 removed")))
      << shown.toStdString();
  // Under the counts, the records each side gets.
  EXPECT_TRUE(shown.contains(QStringLiteral(" on the organizer")) &&
              shown.contains(QStringLiteral(" on the PC")))
      << shown.toStdString();
  const Records pc = Sorted(StoreRecords(window->commands.store(), kMemo));
  EXPECT_TRUE(pc == Sorted(StoreRecords(*ReadOrganizer(), kMemo)));
  EXPECT_EQ(pc.size(), StoreRecords(*sample_, kMemo).size());
  auto holds = [&](const std::string& tail) {
    return std::count_if(pc.begin(), pc.end(), [&](const std::vector<uint8_t>& r) {
      return std::search(r.begin(), r.end(), tail.begin(), tail.end()) != r.end();
    });
  };
  EXPECT_EQ(holds(" on the organizer"), 1);
  EXPECT_EQ(holds(" on the PC"), 1);
  // The working data file holds the merge at once, not only when the program ends.
  auto saved = NewStore();
  ASSERT_EQ(LoadWorkingData(*saved, WorkingDataPath(paths_.files_dir), 2).result, 0);
  EXPECT_TRUE(Sorted(StoreRecords(*saved, kMemo)) == pc);
  const std::vector<std::string> boxes = script.TakeBoxes();
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes.back().rfind("Synchronize|Your Organizer is synchronized.", 0), 0u)
      << boxes.back();

  // The line lost while the merge is sent: told with the snapshot, and the
  // next Synchronize completes the work.
  EditMemo(window->commands.store(), 2, " again");
  window->commands.RefreshList(false);
  window->commands.virtual_options().hang_up_after_records = 1;
  script.OnDialog(Preview(true));
  window->Choose("S&ynchronize...");
  window->commands.virtual_options().hang_up_after_records = 0;
  const std::vector<std::string> lost = script.TakeBoxes();
  EXPECT_TRUE(std::any_of(lost.begin(), lost.end(), [](const std::string& box) {
    return box.find("The connection was lost while the records were sent") != std::string::npos;
  })) << ::testing::PrintToString(lost);
  script.OnDialog(Preview(true));
  window->Choose("S&ynchronize...");
  EXPECT_TRUE(Sorted(StoreRecords(*ReadOrganizer(), kMemo)) ==
              Sorted(StoreRecords(window->commands.store(), kMemo)));

  // The organizer's memos all deleted: refused unless the user says so.
  ASSERT_GE(organizer->ResetAppli(kMemo), 0);
  WriteOrganizer(*organizer);
  for (const bool ok : {false, true}) {
    script.OnDialog(Preview(ok, &shown));
    window->Choose("S&ynchronize...");
    EXPECT_TRUE(shown.contains(QStringLiteral("Refused;"))) << shown.toStdString();
    EXPECT_EQ(window->commands.store().GetRecordCount(kMemo), ok ? 0 : static_cast<int>(pc.size()));
  }
}

TEST_F(SyncCommandsTest, TargetsRoundTripThroughTheSettingsFile) {
  WriteSettings("[Settings]\r\nAppliID=5\r\n");
  const SyncTarget calendar{SyncTarget::Kind::kCalendar, "https://dav.example.org/cal/", "anna"};
  const SyncTarget contacts{SyncTarget::Kind::kContacts, "/home/anna/.contacts/default", ""};
  {
    auto window = Open();
    test::BoxScript script;
    // Add two targets (the first typed relative and refused once), remove the
    // first, keep the organizer's record in a conflict.
    auto add = [&](const SyncTarget& target, bool typo) {
      script.OnDialog([&, target, typo](QDialog& dialog) {
        auto& one = dynamic_cast<SyncTargetDialog&>(dialog);
        one.kind_box()->setCurrentIndex(target.kind == SyncTarget::Kind::kContacts ? 0 : 1);
        if (typo) {
          QTest::keyClicks(one.place_field(), QStringLiteral("contacts"));
          QTest::keyClick(one.ok_button(), Qt::Key_Return);
          EXPECT_TRUE(one.isVisible() || one.result() != QDialog::Accepted);
          one.place_field()->clear();
        }
        QTest::keyClicks(one.place_field(), QString::fromStdString(target.place));
        QTest::keyClicks(one.user_field(), QString::fromStdString(target.user));
        QTest::keyClick(one.ok_button(), Qt::Key_Return);
        return one.result();
      });
    };
    script.OnDialog([&](QDialog& dialog) {
      auto& targets = dynamic_cast<SyncTargetsDialog&>(dialog);
      add(contacts, true);
      QTest::keyClick(targets.add_button(), Qt::Key_Space);
      add(calendar, false);
      QTest::keyClick(targets.add_button(), Qt::Key_Space);
      add(contacts, false);
      QTest::keyClick(targets.add_button(), Qt::Key_Space);
      EXPECT_EQ(targets.list()->topLevelItemCount(), 3);
      targets.list()->setCurrentItem(targets.list()->topLevelItem(0));
      QTest::keyClick(targets.remove_button(), Qt::Key_Space);
      targets.conflict_box()->setCurrentIndex(1);
      QTest::keyClick(targets.ok_button(), Qt::Key_Return);
      return targets.result();
    });
    window->Choose("&Sync targets...");
    ASSERT_EQ(script.TakeBoxes().size(), 1u);  // the relative folder
  }
  const AppSettings saved = LoadAppSettings(SettingsFilePath(paths_.files_dir), paths_.files_dir);
  EXPECT_EQ(saved.sync.targets, (std::vector<SyncTarget>{calendar, contacts}));
  EXPECT_EQ(saved.sync.conflict, "organizer");
  std::ifstream file(SettingsFilePath(paths_.files_dir));
  const std::string text((std::istreambuf_iterator<char>(file)), {});
  EXPECT_EQ(text.find("ssword"), std::string::npos);
}

// Two targets, one press of PC-LINK: the organizer is read once, one dry run
// covers the program's records and both folders, and each folder gets its
// applications.
TEST_F(SyncCommandsTest, TwoVdirTargetsInOneSessionAndOneDialog) {
  const fs::path vdir = paths_.files_dir / "contacts";
  const fs::path calendar = paths_.files_dir / "calendar";
  fs::create_directories(vdir);
  fs::create_directories(calendar);
  WriteSettings(std::string(test::kVirtualCom1) + "[Sync]\r\nTargets=2\r\nTarget1=contacts:" +
                vdir.string() + "\r\nTarget2=calendar:" + calendar.string() + "\r\n");
  auto window = Open();
  test::BoxScript script;
  QString shown;
  script.OnDialog(Preview(true, &shown));
  window->Choose("S&ynchronize...");
  const std::vector<std::string> sides{"the records on this PC", "contacts:" + vdir.string(),
                                       "calendar:" + calendar.string()};
  for (const std::string& side : sides) {
    EXPECT_TRUE(shown.contains(QString::fromStdString("\nWith " + side + "|"))) << side;
  }
  size_t events = 0;
  for (const auto& entry : fs::directory_iterator(calendar)) {
    events += entry.path().extension() == ".ics" ? 1 : 0;
  }
  EXPECT_GT(events, 0u);
  const Records cards = StoreRecords(*sample_, kTelephone);
  std::string all;
  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(vdir)) {
    if (entry.path().extension() != ".vcf") continue;
    ++files;
    std::ifstream in(entry.path());
    all.append(std::istreambuf_iterator<char>(in), {});
  }
  EXPECT_EQ(files, cards.size());
  for (const char* name : {"Adams", "Becker"}) EXPECT_NE(all.find(name), std::string::npos);
  // Nothing came back from the address book as a change.
  EXPECT_TRUE(Sorted(StoreRecords(*ReadOrganizer(), kTelephone)) == Sorted(cards));
}

}  // namespace
}  // namespace kivo
