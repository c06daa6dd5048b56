// Find Next through the modeless find dialog of the main window.

#include "ui/find_dialog.h"

#include <fstream>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "box_script.h"
#include "desktop_fixture.h"
#include "store/app_settings.h"
#include "ui/import_dialog.h"

namespace kivo {
namespace {

// A Memo list of four known records, in this order (their sort order too, so
// the import keeps it).
class FindTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    paths_.files_dir = dir_.path().toStdString();
    paths_.tables_dir = KIVO_PROGRAM_DIR;
    std::ofstream(SettingsFilePath(paths_.files_dir), std::ios::binary)
        << "[Settings]\r\nAppliID=3\r\n";
    const std::filesystem::path csv = paths_.files_dir / "memos.csv";
    std::ofstream(csv, std::ios::binary)
        << "Memo\r\napple pie\r\nBanana split\r\nBig APPLE juice\r\ncherry\r\n";
    window_ = std::make_unique<test::Desktop>(paths_);
    test::BoxScript script;
    script.OnDialog([&](QDialog& dialog) {
      static_cast<ImportDialog&>(dialog).file_edit()->setText(QString::fromStdString(csv));
      return static_cast<int>(QDialog::Accepted);
    });
    window_->commands.Import();
    ASSERT_EQ(window_->commands.model().row_count(), 4);
    ASSERT_EQ(window_->commands.model().RecordText(2, false).substr(0, 15), "Big APPLE juice");
  }

  // Types the text, sets the options and presses Find Next; the row selected
  // afterwards, and whether "Not found !" came up.
  std::pair<int, bool> FindNext(const QString& text, bool down, bool match_case) {
    FindDialog* dialog = window_->find_dialog();
    EXPECT_NE(dialog, nullptr);
    if (dialog->text_edit()->text() != text) dialog->text_edit()->setText(text);
    (down ? dialog->down_button() : dialog->up_button())->setChecked(true);
    dialog->match_case_box()->setChecked(match_case);
    test::BoxScript script;
    QTest::mouseClick(dialog->find_next_button(), Qt::LeftButton);
    const std::vector<std::string> boxes = script.TakeBoxes();
    const bool not_found = boxes == std::vector<std::string>{"Find|Not found !"};
    EXPECT_TRUE(boxes.empty() || not_found);
    return {window_->commands.model().selected_row(), not_found};
  }

  QTemporaryDir dir_;
  MainWindowPaths paths_;
  std::unique_ptr<test::Desktop> window_;
};

TEST_F(FindTest, OpensEmptyDownwardsWithMatchCase) {
  window_->find_action()->trigger();
  FindDialog* dialog = window_->find_dialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_FALSE(dialog->isModal());
  EXPECT_TRUE(dialog->text_edit()->text().isEmpty());
  EXPECT_TRUE(dialog->down_button()->isChecked());
  EXPECT_TRUE(dialog->match_case_box()->isChecked());
  // A second Find brings the same dialog forward.
  window_->find_action()->trigger();
  EXPECT_EQ(window_->find_dialog(), dialog);
  dialog->close();
  QTest::qWait(0);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(window_->find_dialog(), nullptr);
}

TEST_F(FindTest, SearchSequences) {
  struct Step {
    const char* text;
    bool down;
    bool match_case;
    int row;         // selected afterwards
    bool not_found;  // "Not found !" shown
  };
  const Step kSteps[] = {
      {"apple", true, true, 0, false},    // the selected row itself matches
      {"apple", true, true, 0, true},     // same text: steps first; only lower case matches
      {"apple", true, false, 2, false},   // without Match case "Big APPLE juice" matches
      {"apple", false, false, 0, false},  // upwards back to "apple pie"
      {"apple", false, false, 0, true},   // nothing above row 0
      {"err", true, true, 3, false},      // a new text from row 0 downwards
      {"an", false, true, 1, false},      // new text searched from the selected row upwards
  };
  window_->commands.model().SelectRow(0);
  window_->find_action()->trigger();
  for (const Step& step : kSteps) {
    const auto [row, not_found] =
        FindNext(QString::fromLatin1(step.text), step.down, step.match_case);
    EXPECT_EQ(row, step.row) << step.text;
    EXPECT_EQ(not_found, step.not_found) << step.text;
  }
}

TEST_F(FindTest, FileCommandsCloseTheFindDialog) {
  window_->find_action()->trigger();
  ASSERT_NE(window_->find_dialog(), nullptr);
  test::BoxScript script;  // the save dialog is cancelled
  window_->commands.Export();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(window_->find_dialog(), nullptr);
}

}  // namespace
}  // namespace kivo
