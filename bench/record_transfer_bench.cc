// One application received from the organizer (GET_ALL_RECORDS, a data packet
// and an ACK per record, FINISH_ALL_RECORDS) over the in-memory cable. Paced
// at the organizer's 19200 baud the transfer should take little more than its
// wire time plus the 10 ms pause before every send; unpaced it shows what the
// protocol costs on its own.

#include <atomic>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "link/comm_link.h"
#include "link/frames.h"
#include "paced_links.h"
#include "platform/memory_line.h"

namespace kivo {
namespace {

constexpr size_t kRecordSize = 60;
constexpr double kDrainPauseMs = 10;

std::vector<uint8_t> MakeList(int records) {
  std::vector<uint8_t> list;
  for (int i = 0; i < records; ++i) {
    for (size_t b = 0; b < kRecordSize; ++b)
      list.push_back(static_cast<uint8_t>('A' + (i + b) % 26));
    list.push_back(kTerminator);
  }
  return list;
}

// Arg 0: records; Arg 1: bytes per second on the line (0: no pacing).
void BM_ReceiveApplication(benchmark::State& state) {
  const int records = static_cast<int>(state.range(0));
  const uint32_t rate = static_cast<uint32_t>(state.range(1));
  const std::vector<uint8_t> list = MakeList(records);
  std::vector<uint8_t> buffer(256000);
  for (auto _ : state) {
    state.PauseTiming();
    bench::PacedLinks links(rate);
    CommLink& pc = links.pc;
    CommLink& organizer = links.organizer;
    if (!links.Open()) {
      state.SkipWithError("open");
      break;
    }
    std::atomic<int> served{0};
    std::thread peer([&] {
      int r = organizer.WaitCommand(kGetAllRecords);
      if (r == kResultSuccess)
        r = organizer.SendAllRecords(list, kMemo, records, TransferRole::kOrganizer);
      served = r;
    });
    state.ResumeTiming();
    int end = 0;
    const int r = pc.GetAllRecords(buffer, &end, kMemo, TransferRole::kPc);
    state.PauseTiming();
    peer.join();
    if (r != kResultSuccess || served != kResultSuccess || end != static_cast<int>(list.size())) {
      state.SkipWithError("transfer failed");
      break;
    }
    state.ResumeTiming();
  }
  // What the line must carry: the request, per record its packet and ACK (the
  // PC's bytes twice, once more as echo), and the closing frame.
  const double pc_bytes = kFrameSize * (1.0 + records);
  const double organizer_bytes = records * (kRecordSize + 6.0) + kFrameSize;
  const double sends = 2.0 * records + 2;
  state.counters["wire_bound_ms"] =
      rate == 0 ? sends * kDrainPauseMs
                : (pc_bytes + organizer_bytes) * 1000.0 / rate + sends * kDrainPauseMs;
  state.counters["records"] = records;
}
BENCHMARK(BM_ReceiveApplication)
    ->Args({20, 1920})
    ->Args({200, 0})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

}  // namespace
}  // namespace kivo

BENCHMARK_MAIN();
