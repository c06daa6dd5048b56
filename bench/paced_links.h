#ifndef KIVO_BENCH_PACED_LINKS_H_
#define KIVO_BENCH_PACED_LINKS_H_

// The PC's and the organizer's links on one in-memory cable, for the
// benchmarks of the link's own transfers and waits.

#include <cstdint>
#include <memory>

#include "link/comm_link.h"
#include "platform/memory_line.h"

namespace kivo::bench {

// The cable is paced at `rate` bytes a second (0: as fast as memory) and
// echoes what the PC sends, as the real one does; the organizer expects no
// echo of its own bytes.
struct PacedLinks {
  explicit PacedLinks(uint32_t rate) : line(MemoryLine::Create()) {
    line->SetEcho(0, true);
    line->SetPacing(rate);
    MemoryLine* cable = line.get();
    pc.SetSerialPortFactory([cable](const PortSpec&, Clock&) { return cable->MakeEnd(0); });
    organizer.Configure({.echo_back = false});
    organizer.SetSerialPortFactory([cable](const PortSpec&, Clock&) { return cable->MakeEnd(1); });
  }
  // Opens both ends; false when either fails.
  bool Open() { return pc.OpenPort(1) && organizer.OpenPort(1); }

  std::shared_ptr<MemoryLine> line;
  CommLink pc;
  CommLink organizer;
};

}  // namespace kivo::bench

#endif  // KIVO_BENCH_PACED_LINKS_H_
