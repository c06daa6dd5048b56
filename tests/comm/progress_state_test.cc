#include "comm/progress_state.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "link/link_observer.h"
#include "store/result_code.h"

namespace kivo {
namespace {

// One notification of a run: status (is_status) or progress.
struct Note {
  bool is_status;
  int value;
  int source;
};

constexpr Note Status(int total, int source) { return {true, total, source}; }
constexpr Note Progress(int value, int source) { return {false, value, source}; }

// Applies the notes and records the bar position after each.
std::vector<int> Positions(ProgressState& state, const std::vector<Note>& notes) {
  std::vector<int> out;
  for (const Note& n : notes) {
    if (n.is_status) {
      (void)state.OnStatus(n.value, n.source);
    } else {
      (void)state.OnProgress(n.value, n.source);
    }
    out.push_back(state.position());
  }
  return out;
}

TEST(ProgressState, TitleFollowsRunMode) {
  const std::string base = "PC Software for Norvale TR/VX-480";
  EXPECT_EQ(ProgressState::Title(RunMode{3}), base + " (Backup)");
  EXPECT_EQ(ProgressState::Title(RunMode{4}), base + " (Restore)");
  EXPECT_EQ(ProgressState::Title(RunMode{5}), base + " (Upload)");
  EXPECT_EQ(ProgressState::Title(RunMode{6}), base + " (Download)");
  for (int mode : {0, 1, 2, 7, 9, 18, 19}) EXPECT_EQ(ProgressState::Title(RunMode{mode}), base);
}

struct StatusCase {
  int run_mode;
  int source;
  bool accepted;
  const char* text;
};

TEST(ProgressState, StatusTextPerRunModeAndSource) {
  const StatusCase kCases[] = {
      {3, kSourceFullRun, true, "Receiving..."},
      {3, kSourceOneAppli, false, ""},
      {3, kSourceTelephone, false, ""},
      {4, kSourceFullRun, true, "Sending..."},
      {4, kSourceOneAppli, false, ""},
      {5, kSourceOneAppli, true, "Receiving..."},
      {5, kSourceTelephone, true, "Receiving..."},
      {5, kSourceFullRun, false, ""},
      {6, kSourceOneAppli, true, "Sending..."},
      {6, kSourceTelephone, true, "Sending..."},
      {9, kSourceOneAppli, true, "Sending..."},
      {9, kSourceFullRun, false, ""},
      {7, kSourceOneAppli, true, ""},
      {8, kSourceFullRun, true, ""},
      {0, kSourceNegotiation, true, ""},
  };
  for (const StatusCase& c : kCases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.run_mode << " source " << c.source);
    ProgressState state(RunMode{c.run_mode});
    EXPECT_EQ(state.status_text(), "");
    ASSERT_TRUE(state.OnStatus(0, kSourceNegotiation));
    EXPECT_EQ(state.status_text(), "Waiting for Organizer...");
    EXPECT_EQ(state.OnStatus(100, c.source), c.accepted);
    EXPECT_EQ(state.status_text(), c.accepted ? c.text : "Waiting for Organizer...");
    EXPECT_EQ(state.finish_value(), c.accepted ? 100 : -1);
  }
}

TEST(ProgressState, UploadFollowsTransferValuesAndFinishes) {
  ProgressState state(RunMode{5});
  EXPECT_EQ(Positions(state, {Status(0, 0), Progress(3, kSourceOneAppli), Status(100, 3),
                              Progress(25, 3), Progress(50, 2), Progress(75, 4)}),
            (std::vector<int>{0, 3, 3, 25, 25, 75}));
  EXPECT_EQ(state.status_text(), "Receiving...");
  EXPECT_TRUE(state.OnProgress(100, kSourceOneAppli));
  EXPECT_EQ(state.status_text(), "Finished.");
}

TEST(ProgressState, FullBackupCreepsInsideEachTen) {
  ProgressState state(RunMode{3});
  // The sequence sets 10; Telephone moves in steps of four; Schedule creeps.
  const std::vector<Note> notes = {
      Status(100, 2),   Progress(10, 2), Progress(0, 4),   Progress(10, 4), Progress(15, 4),
      Progress(20, 4),  Progress(99, 4), Progress(100, 4), Progress(50, 2), Progress(5, 3),
      Progress(10, 3),  Progress(20, 3), Progress(90, 3),  Progress(90, 3), Progress(90, 3),
      Progress(90, 3),  Progress(90, 3), Progress(90, 3),  Progress(90, 3), Progress(90, 3),
      Progress(100, 3), Progress(60, 2), Progress(100, 2),
  };
  EXPECT_EQ(Positions(state, notes),
            (std::vector<int>{0,  10, 10, 14, 14, 18, 46, 46, 50, 50, 51, 52,
                              53, 54, 55, 56, 57, 58, 59, 59, 59, 60, 100}));
  EXPECT_EQ(state.status_text(), "Finished.");
}

TEST(ProgressState, FullRestoreCreepsUntilTheLastTen) {
  ProgressState state(RunMode{4});
  EXPECT_EQ(Positions(state, {Status(100, 2), Progress(4, 2), Progress(10, 2), Progress(10, 3),
                              Progress(30, 3), Progress(100, 3), Progress(90, 2), Progress(95, 3),
                              Progress(100, 3)}),
            (std::vector<int>{0, 4, 10, 11, 12, 12, 90, 91, 91}));
  EXPECT_EQ(state.status_text(), "Sending...");
}

TEST(ProgressState, OtherModesIgnoreProgressAndEmptyTheText) {
  ProgressState state(RunMode{8});
  (void)state.OnStatus(0, 0);
  EXPECT_TRUE(state.OnStatus(100, kSourceFullRun));
  EXPECT_EQ(state.status_text(), "");
  EXPECT_FALSE(state.OnProgress(50, kSourceFullRun));
  EXPECT_FALSE(state.OnProgress(50, kSourceOneAppli));
  EXPECT_EQ(state.position(), 0);
}

TEST(ProgressState, FinishedAsSoonAsTheFinishValueIsReached) {
  ProgressState state(RunMode{6});
  (void)state.OnStatus(100, kSourceTelephone);
  (void)state.OnProgress(100, kSourceTelephone);
  EXPECT_EQ(state.status_text(), "Finished.");
  // More than 920 records report more than 100; the bar stays full.
  ProgressState big(RunMode{5});
  (void)big.OnStatus(100, kSourceOneAppli);
  EXPECT_TRUE(big.OnProgress(101, kSourceOneAppli));
  EXPECT_EQ(big.position(), 100);
  EXPECT_EQ(big.status_text(), "Receiving...");
}

struct OutcomeCase {
  int result;
  bool box;
  const char* text;
  const char* caption;
};

TEST(ProgressState, OutcomeBoxPerResult) {
  const OutcomeCase kCases[] = {
      {kResultAborted, true, "User aborted.", "Abort"},
      {kResultSuccess, false, "", ""},
      {kResultGaveUp, false, "", ""},
      {kResultTimeout, true, "Communications error!\n(Organizer is not responding.)", "Error"},
      {7, true, "Cannot open COM2.", "Error"},
      {kResultNotCompatible, true, "The backup file is not compatible.", "Error"},
      {20, true, "Error.", "Error"},
      {-3, true, "Error.", "Error"},
  };
  for (const OutcomeCase& c : kCases) {
    SCOPED_TRACE(c.result);
    auto box = ProgressState::OutcomeBox(static_cast<ResultCode>(c.result));
    ASSERT_EQ(box.has_value(), c.box);
    if (!box) continue;
    EXPECT_EQ(box->text, c.text);
    EXPECT_EQ(box->caption, c.caption);
    EXPECT_EQ(box->icon, PromptIcon::kExclamation);
    EXPECT_EQ(box->buttons, PromptButtons::kOk);
  }
}

}  // namespace
}  // namespace kivo
