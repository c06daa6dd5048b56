// What waiting on the line costs. A transfer spends nearly all its time
// waiting for a slow organizer; those waits must block, not poll, so a wait
// of one second should cost well under a millisecond of CPU. And a packet
// exchange over a line paced like the real cable (19200 baud, 1920 bytes per
// second) should take little more than its bytes need on the wire plus the
// 10 ms pause before each send.

#include <time.h>

#include <atomic>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "link/comm_link.h"
#include "paced_links.h"
#include "platform/memory_line.h"

namespace kivo {
namespace {

double ThreadCpuMs() {
  struct timespec now {};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// WaitCommand on a silent line for Arg() milliseconds.
void BM_SilentWaitCpu(benchmark::State& state) {
  auto line = MemoryLine::Create();
  auto peer = line->MakeEnd(1);
  if (!peer->Open({})) state.SkipWithError("peer end");
  CommLink link;
  link.SetSerialPortFactory([&](const PortSpec&, Clock&) { return line->MakeEnd(0); });
  if (!link.OpenPort(1)) state.SkipWithError("open");
  int wait_ms = static_cast<int>(state.range(0));
  double cpu_ms = 0;
  for (auto _ : state) {
    double before = ThreadCpuMs();
    int result = link.WaitCommand(kAck, nullptr, nullptr, wait_ms, 0);
    cpu_ms += ThreadCpuMs() - before;
    benchmark::DoNotOptimize(result);
  }
  // CPU milliseconds per second spent waiting.
  state.counters["cpu_ms_per_s"] =
      cpu_ms / (static_cast<double>(state.iterations()) * wait_ms / 1000.0);
}
BENCHMARK(BM_SilentWaitCpu)->Arg(200)->Arg(1000)->UseRealTime()->Unit(benchmark::kMillisecond);

// One 252-byte packet and its ACK over a line paced at Arg() bytes per second,
// with the cable's echo.
void BM_PacedPacketExchange(benchmark::State& state) {
  uint32_t rate = static_cast<uint32_t>(state.range(0));
  bench::PacedLinks links(rate);
  CommLink& pc = links.pc;
  CommLink& organizer = links.organizer;
  if (!links.Open()) state.SkipWithError("open");
  MessageQueue organizer_queue;
  organizer.SetMessageQueue(&organizer_queue);
  std::atomic<bool> stop{false};
  std::thread peer([&] {
    std::vector<uint8_t> contents(kPacketContentsMax);
    int n = 0;
    while (!stop) {
      if (organizer.WaitDataPacket(kAnyCommand, contents, &n, nullptr, nullptr, 2000, 0) ==
          kResultSuccess) {
        (void)organizer.SendCommand(kAck);
      }
    }
  });
  std::vector<uint8_t> record(kPacketContentsMax, 0x41);
  for (auto _ : state) {
    if (pc.SendDataPacket(record, 300, kMemo, kFlagMiddle) != kResultSuccess ||
        pc.WaitCommand(kAck, nullptr, nullptr, 5000, 0) != kResultSuccess) {
      state.SkipWithError("exchange failed");
      break;
    }
  }
  stop = true;
  organizer_queue.Post({kWmLinkAbort, 0, 0});
  peer.join();
  // Wire time of the packet and the ACK, plus the pause before each send.
  double bound_ms = (kPacketMax + kFrameSize) * 1000.0 / rate + 2 * 10;
  state.counters["wire_bound_ms"] = bound_ms;
}
BENCHMARK(BM_PacedPacketExchange)->Arg(1920)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kivo

BENCHMARK_MAIN();
