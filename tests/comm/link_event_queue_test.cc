#include "comm/link_event_queue.h"

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "comm/link_settings.h"
#include "comm/progress_run.h"
#include "comm/progress_state.h"
#include "platform/link_defaults.h"
#include "store/appli_store.h"
#include "support/run_pair.h"
#include "support/tables.h"

namespace kivo {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

TEST(LinkEventQueue, DetectStatusWaitsUntilTheWindowTookIt) {
  LinkEventQueue queue;
  queue.OnStatus(0, 0);
  std::atomic<bool> returned{false};
  auto worker = std::async(std::launch::async, [&] {
    queue.OnDetectStatus(3);
    returned = true;
  });
  EXPECT_EQ(worker.wait_for(50ms), std::future_status::timeout);
  EXPECT_FALSE(returned);
  EXPECT_EQ(queue.Next(1s), (LinkEvent{kWmLinkStatus, 0, 0, {}}));
  EXPECT_EQ(queue.Next(1s), (LinkEvent{kWmDetectStatus, 3, 0, {}}));
  worker.get();
  EXPECT_TRUE(returned);
  EXPECT_EQ(queue.Next(1ms), std::nullopt);
}

TEST(LinkEventQueue, ClosingReleasesAWaitingWorker) {
  LinkEventQueue queue;
  auto worker = std::async(std::launch::async, [&] { queue.OnDetectStatus(1); });
  EXPECT_EQ(worker.wait_for(20ms), std::future_status::timeout);
  queue.Close();
  EXPECT_EQ(worker.wait_for(5s), std::future_status::ready);
}

// A window without widgets: takes the worker's events in order and applies
// them to the progress state until the run ends.
TEST(LinkEventQueue, DrivesTheProgressStateOfAnUpload) {
  Bytes list;
  for (int i = 0; i < 12; ++i) {
    Bytes r = {'n', static_cast<uint8_t>('a' + i), 0, 'x', kTerminator};
    list.insert(list.end(), r.begin(), r.end());
  }
  AppliStore store{ProgramTables().code};
  ASSERT_EQ(store.GetAppliBuf(kStoreSlots), 0);
  LinkEventQueue events;
  RunPair pair;
  ASSERT_TRUE(pair.StartScript([&](CommLink& o) -> int {
    int r = o.NegotiationForDevice();
    if (r != kResultSuccess) return r;
    if ((r = o.WaitCommand(kGetDeviceInformation, nullptr, nullptr, 1000, 0)) != kResultSuccess) {
      return r;
    }
    if ((r = o.WaitCommand(kGetAllRecords)) != kResultSuccess) return r;
    if ((r = o.SendAllRecords(list, kMemo, 12, TransferRole::kOrganizer)) != kResultSuccess)
      return r;
    return o.WaitCommand(kEndCommunication);
  }));
  ASSERT_TRUE(pair.StartPc(RunPair::PcSettings(RunMode::kUpload, kMemo, &store), &events));

  ProgressState state(pair.pc().run_mode());
  std::vector<std::string> texts;
  std::optional<LinkEvent> end;
  while (!end) {
    std::optional<LinkEvent> e = events.Next(10s);
    ASSERT_TRUE(e.has_value());
    if (LinkEventQueue::IsEnd(*e)) {
      end = e;
    } else if (e->kind == kWmLinkStatus && state.OnStatus(e->value, e->source)) {
      texts.push_back(state.status_text());
    } else if (e->kind == kWmLinkProgress) {
      (void)state.OnProgress(e->value, e->source);
    }
  }
  EXPECT_EQ(pair.pc().Wait(), kResultSuccess);
  EXPECT_EQ(pair.WaitScript(), kResultSuccess);
  EXPECT_EQ(*end, (LinkEvent{kWmLinkDone, kResultSuccess, 0, {}}));
  EXPECT_EQ(texts, (std::vector<std::string>{"Waiting for Organizer...", "Receiving..."}));
  EXPECT_EQ(state.position(), 100);
  EXPECT_EQ(state.status_text(), "Finished.");
  EXPECT_EQ(store.GetRecordCount(kMemo), 12);
  EXPECT_FALSE(ProgressState::OutcomeBox(static_cast<ResultCode>(end->value)).has_value());
}

}  // namespace
}  // namespace kivo
