// The command layer end to end: every operation against the virtual
// organizer, with a person who answers from a script.

#include "commands/link_commands.h"

#include <fstream>

#include <gtest/gtest.h>

#include "comm/virtual_organizer.h"
#include "history/history.h"
#include "store/backup_file.h"
#include "support/organizer_pair.h"
#include "support/scripted_user.h"
#include "support/temp_dir.h"
#include "support/virtual_run.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;

std::span<const uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

class LinkCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseSmallVirtualOrganizer(dir_.path(), &options_, &settings_);
    before_ = Organizer();
    // The file a restore sends: the organizer's telephone list, four
    // schedule entries and another memo.
    file_ = NewStore(tables_.code);
    for (int i = 0; i < before_->GetRecordCount(kTelephone); ++i) {
      ASSERT_EQ(file_->PutRecord(kTelephone, i, before_->Record(kTelephone, i)), kStoreOk);
    }
    for (int i = 0; i < 4; ++i) {
      std::string entry("\x20\x01\x12\x31\x09\x00\x10\x30\x00\x00\x00\x15\x00\x40Room ", 19);
      entry += {static_cast<char>('0' + i), '\0', '\xFF'};
      ASSERT_EQ(file_->PutRecord(kSchedule, i, Bytes(entry)), kStoreOk);
    }
    ASSERT_EQ(file_->PutRecord(kMemo, 0, Bytes(std::string("New memo\0\xFF", 10))), kStoreOk);
    file_->EnsureAllAppli();
    ASSERT_EQ(SaveBackupFile(*file_, file_path_, true), kStoreOk);
  }

  std::unique_ptr<LinkCommands> Commands(CommandUser& user) {
    CommandSetup setup;
    setup.settings = &settings_;
    setup.code_tables = &tables_.code;
    setup.sort_table = &tables_.model0;
    // One press of PC-LINK for each command: a second session waits for a
    // further press, which only a test that plays the person gives.
    button_ = std::make_shared<VirtualPcLink>();
    setup.port_factory = VirtualOrganizerFactory(options_, DefaultSerialPortFactory(), button_);
    setup.data_dir = dir_.path();
    setup.history_dir = history_;
    setup.link_clock = link_clock_;
    return std::make_unique<LinkCommands>(std::move(setup), user);
  }
  // What the organizer holds now, read without a fault.
  std::unique_ptr<AppliStore> Organizer() {
    VirtualOrganizerOptions plain = options_;
    std::swap(options_, plain);
    options_.hang_up_after_records = 0;
    ScriptedUser reader;
    ReceiveResult got = Commands(reader)->Receive(kEveryAppliMask);
    std::swap(options_, plain);
    EXPECT_EQ(got.code, kResultSuccess);
    return std::move(got.organizer);
  }
  bool Holds(const AppliStore& expected) {
    return !AnyDifference(DiffStores(expected, *Organizer()));
  }

  TempDir dir_;
  fs::path history_ = dir_.path() / "history";
  fs::path file_path_ = dir_.path() / "file.bkf";
  PcTables tables_;
  VirtualOrganizerOptions options_;
  std::shared_ptr<VirtualPcLink> button_;
  Clock* link_clock_ = nullptr;
  AppSettings settings_;
  ScriptedUser user_;
  std::unique_ptr<AppliStore> before_;
  std::unique_ptr<AppliStore> file_;
};

// A restore whose line drops in the middle of Schedule, after Telephone was
// sent: what the result says the organizer holds, and where each choice
// after the stop leaves it. Left as it is, the journal finishes it later.
TEST_F(LinkCommandsTest, RestoreStoppedAfterDeletingEndsWhereThePersonChose) {
  for (AfterStop choice : {AfterStop::kResume, AfterStop::kPutBack, AfterStop::kLeave}) {
    SCOPED_TRACE(static_cast<int>(choice));
    fs::remove_all(options_.data_dir);
    fs::remove_all(history_);
    options_.hang_up_after_records = 6;
    ScriptedUser user;
    user.after_stop = {choice};
    // The line was lost with the organizer's link mode: going on needs the
    // person to press PC-LINK again, once; leaving it needs nothing.
    int presses = 0;
    user.on_stop = [&](const RestoreResult& stopped, AfterStop chosen) {
      EXPECT_FALSE(stopped.session_open);
      if (chosen != AfterStop::kLeave && presses++ == 0) button_->Press();
    };
    RestoreJob job;
    job.records = file_.get();
    job.source = file_path_;
    const RestoreResult r = Commands(user)->Restore(job);
    ASSERT_EQ(user.stopped_complete.size(), 1u);
    EXPECT_EQ(presses, choice == AfterStop::kLeave ? 0 : 1);
    EXPECT_EQ(user.stopped_complete[0] & ((1 << kTelephone) | (1 << kSchedule)), 1 << kTelephone);
    EXPECT_TRUE(r.deleted);
    EXPECT_EQ(ListGenerations(history_).size(), 1u) << "one snapshot, even when resumed";
    std::optional<RestoreJournal> journal;
    const ResumeRefusal on_record = Commands(user)->CheckResumable(file_path_, "", &journal);
    if (choice == AfterStop::kResume) {
      EXPECT_TRUE(r.ok());
      EXPECT_EQ(on_record, ResumeRefusal::kNoJournal);
      EXPECT_TRUE(Holds(*file_));
    } else if (choice == AfterStop::kPutBack) {
      EXPECT_NE(r.code, kResultSuccess);
      EXPECT_TRUE(r.put_back_tried);
      EXPECT_EQ(r.put_back, kResultSuccess);
      EXPECT_TRUE(Holds(*before_));
    } else {
      EXPECT_EQ(r.resume_from, file_path_);
      ASSERT_EQ(on_record, ResumeRefusal::kNone);
      EXPECT_EQ(journal->done, r.complete);
      EXPECT_EQ(journal->snapshot, r.snapshot.string());
      job.resume = journal;
      EXPECT_TRUE(Commands(user)->Restore(job).ok());
      EXPECT_TRUE(Holds(*file_));
      EXPECT_EQ(ListGenerations(history_).size(), 1u) << "the failed run's snapshot serves";
    }
  }
}

// The two sessions a sync is built on: reading a chosen set of applications,
// and replacing a chosen set, told as each is complete, read back after.
TEST_F(LinkCommandsTest, ReceiveAndReplaceTouchTheChosenApplicationsOnly) {
  const uint8_t memo_and_phone = (1 << kMemo) | (1 << kTelephone);
  ReceiveResult got = Commands(user_)->Receive(memo_and_phone);
  ASSERT_EQ(got.code, kResultSuccess);
  for (AppliId id = kSchedule; id <= kCategoryList; ++id) {
    EXPECT_EQ(got.organizer->IsPresent(id), ((memo_and_phone >> id) & 1) != 0) << int(id);
  }
  EXPECT_FALSE(AnyDifference(DiffStores(*before_, *got.organizer, kMemo)));

  std::vector<AppliId> completed;
  const RestoreResult r = Commands(user_)->Replace((1 << kMemo) | (1 << kSchedule), *file_,
                                                   [&](AppliId id) { completed.push_back(id); },
                                                   /*verify=*/true);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(completed, (std::vector<AppliId>{kSchedule, kMemo}));
  EXPECT_TRUE(r.verify_differences.empty());
  ASSERT_NE(r.read_back, nullptr);
  EXPECT_EQ(r.read_back->GetRecordCount(kSchedule), 4);
  const auto now = Organizer();
  EXPECT_FALSE(AnyDifference(DiffStores(*file_, *now, kMemo)));
  EXPECT_FALSE(AnyDifference(DiffStores(*before_, *now, kTelephone)));
  EXPECT_FALSE(AnyDifference(DiffStores(*before_, *now, kCategoryList)));
}

// Nothing is deleted when the snapshot cannot be kept or the person stops at
// the large-change question; a backup is kept all the same.
TEST_F(LinkCommandsTest, SafetyStepsStopBeforeDeleting) {
  auto empty = NewStore(tables_.code);
  empty->EnsureAllAppli();
  RestoreJob job;
  job.records = empty.get();
  user_.go_on_after_large = false;
  RestoreResult r = Commands(user_)->Restore(job);
  EXPECT_EQ(r.code, kResultGaveUp);
  EXPECT_FALSE(r.deleted);
  EXPECT_FALSE(user_.large.empty());
  EXPECT_EQ(ListGenerations(history_).size(), 1u);

  fs::remove_all(history_);
  std::ofstream(history_) << "a file where the folder should be";
  r = Commands(user_)->Restore(job);
  EXPECT_EQ(r.code, kResultIoError);
  EXPECT_TRUE(r.snapshot_not_kept);
  EXPECT_FALSE(r.deleted);
  EXPECT_TRUE(Holds(*before_));
  auto copy = NewStore(tables_.code);
  EXPECT_EQ(Commands(user_)->Backup(*copy).code, kResultSuccess);
  ASSERT_EQ(user_.told.size(), 2u);
  EXPECT_EQ(user_.told[0].rfind("not kept: ", 0), 0u);
  EXPECT_EQ(user_.told[1].rfind("history: ", 0), 0u);
}

// A person who takes ten minutes over the large-change question finds the
// session open: the link says ACK meanwhile and nothing else. Yes then
// restores; No ends the session with END_COMMUNICATION, nothing deleted.
TEST_F(LinkCommandsTest, LargeChangeQuestionAnsweredAfterTenMinutesFindsTheSessionOpen) {
  class SlowUser : public ScriptedUser {
   public:
    explicit SlowUser(Clock& clock) : clock_(clock) {}
    bool GoOnAfterSnapshot(RunMode mode, const fs::path& kept,
                           const std::vector<LargeRemoval>& shown) override {
      clock_.SleepMs(10 * 60 * 1000);
      return ScriptedUser::GoOnAfterSnapshot(mode, kept, shown);
    }

   private:
    Clock& clock_;
  };
  ScaledClock clock(60);
  link_clock_ = &clock;
  auto empty = NewStore(tables_.code);
  empty->EnsureAllAppli();
  for (const bool yes : {false, true}) {
    SCOPED_TRACE(yes);
    options_.log_file_name = (dir_.path() / (yes ? "yes.log" : "no.log")).string();
    SlowUser user(clock);
    user.go_on_after_large = yes;
    RestoreJob job;
    job.records = empty.get();
    const RestoreResult r = Commands(user)->Restore(job);
    ASSERT_FALSE(user.large.empty());
    EXPECT_EQ(r.code, yes ? kResultSuccess : kResultGaveUp);
    EXPECT_EQ(r.deleted, yes);
    std::ifstream in(options_.log_file_name);
    const std::string log((std::istreambuf_iterator<char>(in)), {});
    size_t acks = 0;
    for (size_t at = log.find("receives ACK"); at != std::string::npos;
         at = log.find("receives ACK", at + 1)) {
      ++acks;
    }
    EXPECT_GE(acks, 30u) << "the line was silent while the person thought";
    EXPECT_EQ(log.find("DELETE_ALL_RECORDS") != std::string::npos, yes);
    EXPECT_NE(log.find("receives END_COMMUNICATION"), std::string::npos);
  }
  options_.log_file_name.clear();
  link_clock_ = nullptr;
  EXPECT_TRUE(Holds(*empty));
}

}  // namespace
}  // namespace kivo
