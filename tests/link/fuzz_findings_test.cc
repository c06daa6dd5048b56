// Inputs the link fuzzer found harmful, kept as plain tests so they stay
// fixed in every build. The asan-ubsan build shows the memory faults
// themselves; the guard byte here shows an overrun in any build.

#include <vector>

#include "link/frames.h"
#include "serial_link_fixture.h"

namespace kivo {
namespace {

constexpr uint8_t kGuard = 0x5A;

using LinkFuzzFindings = SerialLinkTest;

// A buffer filled to its last byte, then an empty record: there is no room
// left for its separator, so the reception fails instead of writing past the
// buffer.
TEST_F(LinkFuzzFindings, EmptyRecordIntoAFullBufferIsRefused) {
  const struct {
    const char* name;
    size_t capacity;
    Bytes first_record;  // fills the buffer up to its end, separator included
  } kCases[] = {
      {"one record fills it", 12, Bytes(11, 'a')},
      {"no room at all", 0, {}},
      {"room for one separator only", 1, {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> memory(c.capacity + 1, 0);
    memory.back() = kGuard;
    // Each piece arrives after the link's answer to the one before.
    if (!c.first_record.empty()) {
      PeerSendsLater(RawDataPacket(kMemo, kFlagFirst, static_cast<uint16_t>(c.first_record.size()),
                                   c.first_record),
                     50);
    }
    PeerSendsLater(RawDataPacket(kMemo, kFlagFirst, 0, {}), 100);
    int end = -1;
    const int r =
        link_.GetAllRecords(std::span(memory).first(c.capacity), &end, kMemo, TransferRole::kPc);
    EXPECT_EQ(memory.back(), kGuard);
    // With one byte of room the empty record and its separator fit; the
    // reception then waits in vain for the end.
    EXPECT_EQ(r, c.capacity == 1 ? kResultTimeout : kResultIoError);
    (void)PeerReceived();
  }
}

// An empty piece into an empty buffer copies nothing (and must not hand
// memcpy a null pointer).
TEST_F(LinkFuzzFindings, EmptyPieceIntoAnEmptyBuffer) {
  PeerSendsLater(RawDataPacket(kMemo, kFlagFirst, 0, {}), 20);
  int received = -1;
  int lead = -1;
  EXPECT_EQ(link_.Receive1Record({}, &received, &lead, TransferRole::kPc), kResultSuccess);
  EXPECT_EQ(received, 0);
  EXPECT_EQ(lead, kMemo);
}

}  // namespace
}  // namespace kivo
