#include "fuzz_support.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/program_dir.h"
#include "store/record_codec.h"

namespace kivo {

const Tables& FuzzTables() {
  static const Tables tables = LoadTables(ProgramDirectory());
  return tables;
}

const CodeTables& FuzzCodeTables() {
  static const CodeTables tables =
      FuzzTables().IsMissing("code.dat") ? CodeTables::Identity() : FuzzTables().code;
  return tables;
}

uint32_t SendChunks(FuzzInput& input, MemoryLine& line, SerialPort& port, int end) {
  uint32_t arrival = 0;
  while (!input.empty()) {
    arrival += input.Byte() * 10u;
    const std::span<const uint8_t> chunk = input.Bytes(input.Byte());
    if (chunk.empty()) continue;
    line.AddFault({end, line.Written(end), MemoryLine::FaultAction::kDelay,
                   MemoryLine::FaultCopy::kPeer, 0, arrival});
    if (port.Write(chunk) != static_cast<int>(chunk.size())) std::abort();
  }
  return arrival;
}

MemoryFile::MemoryFile(const char* name) {
  fd_ = memfd_create(name, MFD_CLOEXEC);
  // Without memfd the target cannot run at all; say so loudly instead of
  // fuzzing a reader that never sees its input.
  if (fd_ < 0) std::abort();
  path_ = "/proc/self/fd/" + std::to_string(fd_);
}

MemoryFile::~MemoryFile() { close(fd_); }

void MemoryFile::Write(std::span<const uint8_t> bytes) {
  if (ftruncate(fd_, 0) != 0) std::abort();
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n <= 0) std::abort();
    done += static_cast<size_t>(n);
  }
}

FuzzRecords FuzzSampleRecords() {
  MemoRecord memo;
  memo.text = "Bike frame number WBK 0041";
  TelephoneRecord phone;
  phone.texts[kLastName] = "Adams";
  phone.texts[kNotes] = std::string(90, 'n');
  return {{kMemo, EncodeMemoRecord(memo)},
          {kMemo, EncodeMemoRecord(memo)},
          {kTelephone, EncodeTelephoneRecord(phone)}};
}

void PutFuzzRecords(AppliStore& store, const FuzzRecords& records) {
  std::vector<int> next(7, 0);
  for (const auto& [id, record] : records) {
    if (store.PutRecord(id, next[id]++, record) != kStoreOk) std::abort();
  }
}

}  // namespace kivo
