#include "platform/memory_line.h"

#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace kivo {
namespace {

std::vector<uint8_t> ReadAll(SerialPort& port) {
  std::vector<uint8_t> bytes(4096);
  int got = port.Read(bytes);
  bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return bytes;
}

class MemoryLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(a_->Open({}));
    ASSERT_TRUE(b_->Open({}));
  }
  void Write(SerialPort& port, std::vector<uint8_t> bytes) {
    ASSERT_EQ(port.Write(bytes), static_cast<int>(bytes.size()));
  }

  ManualClock clock_{5000};
  std::shared_ptr<MemoryLine> line_ = MemoryLine::Create(clock_);
  std::unique_ptr<SerialPort> a_ = line_->MakeEnd(0);
  std::unique_ptr<SerialPort> b_ = line_->MakeEnd(1);
};

TEST_F(MemoryLineTest, BytesCrossAndEchoOnlyWhereEchoIsOn) {
  line_->SetEcho(0, true);
  Write(*a_, {1, 2, 3});
  Write(*b_, {9});
  EXPECT_EQ(b_->InputQueued(), 3);
  EXPECT_EQ(ReadAll(*b_), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(ReadAll(*a_), (std::vector<uint8_t>{1, 2, 3, 9}));
  EXPECT_EQ(a_->OutputQueued(), 0);
  EXPECT_EQ(line_->Written(0), 3u);
}

TEST_F(MemoryLineTest, EachEndOpensOnlyOnce) {
  std::unique_ptr<SerialPort> again = line_->MakeEnd(0);
  EXPECT_FALSE(again->Open({}));
  a_->Close();
  EXPECT_TRUE(again->Open({}));
}

TEST_F(MemoryLineTest, PacingSpreadsArrivalsAtTheByteRate) {
  line_->SetPacing(1000);  // one byte per millisecond
  Write(*a_, {1, 2, 3, 4});
  EXPECT_EQ(b_->InputQueued(), 0);
  clock_.Advance(2);
  EXPECT_EQ(b_->InputQueued(), 2);
  // A wait for all four sleeps on the clock until the last one is due.
  while (b_->InputQueued() < 4) {
    ASSERT_EQ(b_->WaitReadable(4, 1000, nullptr), WakeReason::kInput);
  }
  EXPECT_EQ(clock_.NowMs(), 5004u);
}

struct FaultCase {
  const char* name;
  MemoryLine::Fault fault;
  std::vector<uint8_t> peer_gets;
  std::vector<uint8_t> echo_gets;
};

TEST_F(MemoryLineTest, FaultsHitTheChosenByteOfTheChosenCopy) {
  using F = MemoryLine::FaultAction;
  using C = MemoryLine::FaultCopy;
  const FaultCase kCases[] = {
      {"drop peer", {0, 1, F::kDrop, C::kPeer, 0, 0}, {10, 12}, {10, 11, 12}},
      {"corrupt echo", {0, 2, F::kCorrupt, C::kEcho, 0x01, 0}, {10, 11, 12}, {10, 11, 13}},
      {"corrupt both", {0, 0, F::kCorrupt, C::kBoth, 0xFF, 0}, {0xF5, 11, 12}, {0xF5, 11, 12}},
      {"other end", {1, 0, F::kDrop, C::kBoth, 0, 0}, {10, 11, 12}, {10, 11, 12}},
  };
  for (const FaultCase& c : kCases) {
    ManualClock clock(100);
    auto line = MemoryLine::Create(clock);
    auto a = line->MakeEnd(0);
    auto b = line->MakeEnd(1);
    ASSERT_TRUE(a->Open({}) && b->Open({}));
    line->SetEcho(0, true);
    line->AddFault(c.fault);
    std::vector<uint8_t> bytes = {10, 11, 12};
    ASSERT_EQ(a->Write(bytes), 3);
    EXPECT_EQ(ReadAll(*b), c.peer_gets) << c.name;
    EXPECT_EQ(ReadAll(*a), c.echo_gets) << c.name;
  }
}

TEST_F(MemoryLineTest, ADelayedByteHoldsBackTheBytesBehindIt) {
  line_->AddFault({0, 1, MemoryLine::FaultAction::kDelay, MemoryLine::FaultCopy::kPeer, 0, 300});
  Write(*a_, {1, 2, 3});
  EXPECT_EQ(ReadAll(*b_), (std::vector<uint8_t>{1}));
  EXPECT_EQ(b_->WaitReadable(1, 1000, nullptr), WakeReason::kInput);
  EXPECT_EQ(clock_.NowMs(), 5300u);
  EXPECT_EQ(ReadAll(*b_), (std::vector<uint8_t>{2, 3}));
}

TEST_F(MemoryLineTest, PacingFasterThanOneByteAMillisecondStillTakesTheWireTime) {
  line_->SetPacing(1920);
  Write(*a_, std::vector<uint8_t>(192, 0x41));
  Write(*a_, std::vector<uint8_t>(192, 0x42));  // queues behind the first burst
  clock_.Advance(99);
  EXPECT_LT(b_->InputQueued(), 192);
  clock_.Advance(1);
  EXPECT_EQ(b_->InputQueued(), 192);
  clock_.Advance(100);
  EXPECT_EQ(b_->InputQueued(), 384);
}

TEST_F(MemoryLineTest, PurgeKeepsBytesStillOnTheWire) {
  line_->SetPacing(1000);
  Write(*a_, {1, 2, 3});
  clock_.Advance(1);
  EXPECT_TRUE(b_->Purge(true, true));
  clock_.Advance(5);
  EXPECT_EQ(ReadAll(*b_), (std::vector<uint8_t>{2, 3}));
}

TEST_F(MemoryLineTest, StalledOutputArrivesOnResume) {
  line_->Stall(0, true);
  Write(*a_, {7, 8});
  EXPECT_EQ(b_->WaitReadable(1, 200, nullptr), WakeReason::kTimeout);
  line_->Stall(0, false);
  EXPECT_EQ(ReadAll(*b_), (std::vector<uint8_t>{7, 8}));
}

TEST_F(MemoryLineTest, HangUpFailsBothEnds) {
  line_->HangUp();
  EXPECT_EQ(a_->Write(std::vector<uint8_t>{1}), -1);
  EXPECT_EQ(b_->InputQueued(), -1);
  EXPECT_EQ(b_->WaitReadable(1, 1000, nullptr), WakeReason::kError);
}

TEST_F(MemoryLineTest, WaitEndsAtOnceOnAPostedMessage) {
  MessageQueue queue;
  queue.Post({1127, 0, 0});
  EXPECT_EQ(b_->WaitReadable(1, 1000, &queue), WakeReason::kMessage);
  EXPECT_EQ(clock_.NowMs(), 5000u);
}

TEST(MemoryLineThreads, BytesFromAnotherThreadWakeAWaitOnTheSystemClock) {
  auto line = MemoryLine::Create();
  auto a = line->MakeEnd(0);
  auto b = line->MakeEnd(1);
  ASSERT_TRUE(a->Open({}) && b->Open({}));
  std::thread writer([&] { ASSERT_EQ(a->Write(std::vector<uint8_t>{42}), 1); });
  WakeReason woke = b->WaitReadable(1, 10000, nullptr);
  writer.join();
  if (woke == WakeReason::kInput && b->InputQueued() == 0)
    woke = b->WaitReadable(1, 10000, nullptr);
  EXPECT_EQ(woke, WakeReason::kInput);
  EXPECT_EQ(b->InputQueued(), 1);
}

}  // namespace
}  // namespace kivo
