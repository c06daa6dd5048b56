#ifndef KIVO_FUZZ_FUZZ_LINK_H_
#define KIVO_FUZZ_FUZZ_LINK_H_

// What the targets of the link share: a CommLink on one end of an in-memory
// line on a manual clock, the input's bytes arriving at the other end, and
// the checks at the end of a run. Header only: the targets that use it link
// the link layer, the other targets do not.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "fuzz_support.h"
#include "link/comm_link.h"
#include "platform/clock.h"
#include "platform/link_defaults.h"
#include "platform/memory_line.h"
#include "platform/message_queue.h"

namespace kivo {

struct FuzzCable {
  // The link on `link_end`, its clock starting at `start`; the other end
  // is open at once for the input. `echo`: the cable echoes what the link
  // sends, and the link expects it.
  FuzzCable(uint32_t start, int link_end, bool echo)
      : clock(start),
        line(MemoryLine::Create(clock)),
        feeder_end(1 - link_end),
        feeder(line->MakeEnd(feeder_end)),
        link(1, kLinkBaudRate, &clock) {
    if (!feeder->Open({})) std::abort();
    line->SetEcho(link_end, echo);
    MemoryLine* cable = line.get();
    link.SetSerialPortFactory(
        [cable, link_end](const PortSpec&, Clock&) { return cable->MakeEnd(link_end); });
    link.SetMessageQueue(&queue);
    link.Configure({.echo_back = echo});
  }

  // Writes the rest of the input at the other end (SendChunks): the arrival
  // of its last chunk, in ms from now.
  uint32_t Feed(FuzzInput& input) { return SendChunks(input, *line, *feeder, feeder_end); }

  // A run must end with a result code, within `after_ms` of the last byte's
  // arrival. With KIVO_FUZZ_VERBOSE set, shows what a replayed input did.
  void CheckEnd(const std::string& what, int result, uint32_t arrival, uint32_t after_ms) {
    const uint32_t took = clock.NowMs() - start_ms;
    static const bool verbose = std::getenv("KIVO_FUZZ_VERBOSE") != nullptr;
    if (verbose) std::fprintf(stderr, "%s: result %d after %u ms\n", what.c_str(), result, took);
    if (result < 0 || result > 17) std::abort();
    if (took > arrival + after_ms) std::abort();
  }

  // Ends the link log and removes its file.
  void RemoveLog(const std::filesystem::path& log) {
    link.SetLogFileName("");
    std::error_code error;
    std::filesystem::remove(log, error);
  }

  ManualClock clock;
  std::shared_ptr<MemoryLine> line;
  int feeder_end;
  std::unique_ptr<SerialPort> feeder;  // where the input's bytes go in
  const uint32_t start_ms = clock.NowMs();
  MessageQueue queue;
  CommLink link;
};

}  // namespace kivo

#endif  // KIVO_FUZZ_FUZZ_LINK_H_
