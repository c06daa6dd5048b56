// The progress window of one communication run against the virtual organizer.

#include "ui/progress_window.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "box_script.h"
#include "comm/messages.h"
#include "comm/virtual_organizer.h"
#include "platform/link_defaults.h"
#include "sample_data.h"
#include "store/backup_file.h"
#include "support/organizer_pair.h"
#include "support/tables.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;

class ProgressWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    tables_ = ProgramTables().code;
    AppliStore organizer(tables_);
    ASSERT_EQ(organizer.GetAppliBuf(kStoreSlots), 0);
    test::FillSampleStore(organizer, fs::path(KIVO_SOURCE_DIR) / "data/sample");
    memos_ = organizer.GetRecordCount(kMemo);
    ASSERT_EQ(WriteBackupFile(organizer,
                              fs::path(dir_.path().toStdString()) / kVirtualOrganizerFile, true),
              0);
    ASSERT_EQ(store_.GetAppliBuf(kStoreSlots), 0);
  }

  LinkSettings Settings(RunMode run_mode, int appli_mode) {
    LinkSettings link;
    link.run_mode = run_mode;
    link.appli_mode = appli_mode;
    link.store = &store_;
    link.code_tables = &tables_;
    link.port_name = std::string(kVirtualPort);
    VirtualOrganizerOptions organizer;
    organizer.tables = ProgramTables();
    organizer.data_dir = dir_.path().toStdString();
    organizer.baud_rate = baud_rate_;
    link.port_factory = VirtualOrganizerFactory(organizer);
    link.data_dir = dir_.path().toStdString();
    return link;
  }

  QTemporaryDir dir_;
  CodeTables tables_;
  AppliStore store_{CodeTables::Identity()};
  int memos_ = 0;
  uint32_t baud_rate_ = 0;
};

TEST_F(ProgressWindowTest, LayoutTextsAndTitlePerRunMode) {
  struct Case {
    RunMode run_mode;
    const char* title;
  };
  const Case kCases[] = {
      {RunMode::kBackup, "PC Software for Norvale TR/VX-480 (Backup)"},
      {RunMode::kRestore, "PC Software for Norvale TR/VX-480 (Restore)"},
      {RunMode::kUpload, "PC Software for Norvale TR/VX-480 (Upload)"},
      {RunMode::kDownload, "PC Software for Norvale TR/VX-480 (Download)"},
      {RunMode::kSendRecord, "PC Software for Norvale TR/VX-480"},
  };
  for (const Case& c : kCases) {
    ProgressWindow window(nullptr);
    window.ApplyLinkSettings(Settings(c.run_mode, kMemo));
    EXPECT_EQ(window.windowTitle().toStdString(), c.title);
    EXPECT_TRUE(window.isModal());
    EXPECT_EQ(window.abort_button()->text(), QStringLiteral("&Abort"));
    EXPECT_EQ(window.bar()->maximum(), 100);
    QStringList texts;
    for (QLabel* label : window.findChildren<QLabel*>()) {
      if (label->isVisibleTo(&window)) texts << label->text();
    }
    EXPECT_TRUE(
        texts.contains(QStringLiteral("1. Make sure the cable is connected to your Organizer")));
    EXPECT_TRUE(texts.contains(QStringLiteral("    and your PC.")));
    EXPECT_TRUE(texts.contains(QStringLiteral("2. Press the [PC-LINK] button.")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Status :")));
    EXPECT_FALSE(texts.contains(QStringLiteral("0%")));
  }
}

TEST_F(ProgressWindowTest, UploadFollowsTheTransferToFinishedAndTagsTheTitle) {
  test::BoxScript script;
  {
    ProgressWindow window(nullptr);
    window.ApplyLinkSettings(Settings(RunMode::kUpload, kMemo));
    EXPECT_EQ(window.Run(), kResultSuccess);
    EXPECT_TRUE(script.boxes().empty());
    EXPECT_EQ(window.bar()->value(), 100);
    EXPECT_EQ(window.status_label()->text(), QStringLiteral("Finished."));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("PC Software for Norvale TR/VX-480 (Upload)"));
    EXPECT_EQ(store_.GetRecordCount(kMemo), memos_);
  }
  // With a link log the title names the model: the base model the virtual
  // organizer plays by default.
  ProgressWindow window(nullptr);
  LinkSettings settings = Settings(RunMode::kUpload, kMemo);
  settings.log_file_name = (fs::path(dir_.path().toStdString()) / "link.log").string();
  window.ApplyLinkSettings(settings);
  EXPECT_EQ(window.Run(), kResultSuccess);
  EXPECT_EQ(window.windowTitle(), QStringLiteral("<E> PC Software for Norvale TR/VX-480 (Upload)"));
}

TEST_F(ProgressWindowTest, EscapeAndCloseOnlyAskTheWorkerToAbort) {
  baud_rate_ = 1200;
  test::BoxScript script;
  ProgressWindow window(nullptr);
  window.ApplyLinkSettings(Settings(RunMode::kUpload, kMemo));
  bool still_open = false;
  QTimer::singleShot(0, &window, [&] {
    // Neither the close button, Enter, the arrow keys nor F1 end the run.
    window.close();
    for (const Qt::Key key :
         {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Left, Qt::Key_Down, Qt::Key_F1}) {
      QTest::keyClick(window.abort_button(), key);
    }
    // The worker's first status may take a while on a busy machine.
    const bool shown_status =
        QTest::qWaitFor([&] { return !window.state().status_text().empty(); }, 10000);
    still_open = window.isVisible() && shown_status;
    QTest::keyClick(&window, Qt::Key_Escape);
  });
  EXPECT_EQ(window.Run(), kResultAborted);
  EXPECT_TRUE(still_open);
  EXPECT_EQ(script.TakeBoxes(), std::vector<std::string>{"Abort|User aborted."});
}

TEST_F(ProgressWindowTest, APortThatWillNotOpenEndsWithItsMessage) {
  test::BoxScript script;
  ProgressWindow window(nullptr);
  LinkSettings settings = Settings(RunMode::kBackup, kAllAppli);
  settings.port_name.clear();
  settings.com_port = 2;
  const std::string device = (fs::path(dir_.path().toStdString()) / "no-such-port").string();
  settings.port_map[1] = device;
  window.ApplyLinkSettings(settings);
  EXPECT_EQ(window.Run(), kResultCannotOpenCom1 + 1);
  // With the reason, in the words of `kivo-link ports`.
  EXPECT_EQ(script.TakeBoxes(),
            std::vector<std::string>{"Error|" + std::string(ResultMessage(kResultCannotOpenCom2)) +
                                     "\n\nmissing: " + device + " does not exist"});
}

// A line where nothing answers: the window names the port it waits on, and
// the failure names it and where another one is chosen.
TEST_F(ProgressWindowTest, NoAnswerNamesThePortAndWhereToChooseAnother) {
  test::BoxScript script;
  ScaledClock clock(1000);
  const std::shared_ptr<MemoryLine> line = MemoryLine::Create(clock);
  line->SetEcho(0, true);
  ProgressWindow window(nullptr, &clock);
  LinkSettings settings = Settings(RunMode::kBackup, kAllAppli);
  settings.port_name = "COM3";
  settings.port_map[2] = "/dev/ttyUSB7";
  settings.port_factory = [&](const PortSpec&, Clock&) { return line->MakeEnd(0); };
  window.ApplyLinkSettings(settings);
  EXPECT_EQ(window.port_label()->text(), "Port : COM3 (/dev/ttyUSB7)");
  EXPECT_EQ(window.Run(), kResultTimeout);
  EXPECT_EQ(script.TakeBoxes(),
            std::vector<std::string>{"Error|" + std::string(ResultMessage(kResultTimeout)) +
                                     "\n\nNo answer on COM3 (/dev/ttyUSB7).\nChoose the port "
                                     "your Organizer is connected to in Option > COM port..."});
}

TEST_F(ProgressWindowTest, BoxesOfTheRunAreShownFromTheWindowWhileTheWorkerWaits) {
  // With a log file name a sent record ends with a success box of the run.
  ASSERT_EQ(store_.PutRecord(kMemo, 0, std::vector<uint8_t>{'H', 'i', 0, 0xFF}), 0);
  test::BoxScript script;
  ProgressWindow window(nullptr);
  LinkSettings settings = Settings(RunMode::kSendRecord, kMemo);
  settings.log_file_name = (fs::path(dir_.path().toStdString()) / "link.log").string();
  window.ApplyLinkSettings(settings);
  EXPECT_EQ(window.Run(), kResultSuccess);
  ASSERT_EQ(script.boxes().size(), 1u);
  EXPECT_EQ(script.boxes()[0].text, "SUCCESS Send 1 Record");
}

}  // namespace
}  // namespace kivo
