#include "terminal_run.h"

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "comm/link_settings.h"
#include "comm/progress_run.h"

namespace kivo::cli {
namespace {

class RecordingPrompter : public Prompter {
 public:
  PromptAnswer Ask(const PromptBox& box) override {
    texts.push_back(box.text);
    return PromptAnswer::kOk;
  }
  std::vector<std::string> texts;
};

// A run whose worker cannot start is a failure the user is told about, never
// an abort or a success.
TEST(RunWithProgress, WorkerThatCannotStartIsToldAndFails) {
  ProgressRun run;
  LinkSettings settings;
  settings.port_name = "/dev/kivo-no-such-port";
  run.ApplyLinkSettings(settings);
  RecordingPrompter first;
  // One object serves one run: a second start is refused.
  ASSERT_TRUE(run.Start(nullptr, &first));
  (void)run.Wait();
  std::ostringstream err;
  TerminalLine line(err, false);
  RecordingPrompter prompter;
  EXPECT_EQ(RunWithProgress(run, line, prompter), kResultGaveUp);
  EXPECT_EQ(prompter.texts, std::vector<std::string>{"Cannot start download."});
}

}  // namespace
}  // namespace kivo::cli
