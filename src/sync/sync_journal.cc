#include "sync/sync_journal.h"

#include "sync/byte_coding.h"

namespace kivo {

const JournalAppli* SyncJournal::Find(AppliId id) const {
  for (const JournalAppli& appli : applis) {
    if (appli.id == id) return &appli;
  }
  return nullptr;
}

std::vector<uint8_t> EncodeJournal(const SyncJournal& journal) {
  ByteWriter out;
  out.Raw(kJournalMagic);
  out.U8(static_cast<uint8_t>(journal.applis.size()));
  for (const JournalAppli& appli : journal.applis) {
    out.U8(appli.id);
    out.U8(static_cast<uint8_t>((appli.writes[0] ? 1 : 0) | (appli.writes[1] ? 2 : 0)));
    for (size_t side = 0; side < 2; ++side) {
      out.U64(appli.before[side]);
      out.U64(appli.after[side]);
    }
    out.U32(static_cast<uint32_t>(appli.merged.size()));
    for (const Record& record : appli.merged) out.Blob(record);
  }
  return out.Finish();
}

Result<SyncJournal> DecodeJournal(std::span<const uint8_t> image) {
  ByteReader in(image);
  SyncJournal journal;
  uint8_t count = 0;
  if (in.Expect(kJournalMagic, "a sync journal") && in.U8(&count) && count > kSyncAppliCount) {
    (void)in.Fail("more applications than there are");
  }
  AppliMask seen = 0;
  for (int i = 0; in.ok() && i < count; ++i) {
    JournalAppli appli;
    uint8_t writes = 0;
    uint32_t records = 0;
    if (!in.U8(&appli.id) || !in.U8(&writes)) break;
    if (appli.id >= kSyncAppliCount || HasAppli(seen, appli.id)) {
      (void)in.Fail("application " + std::to_string(appli.id) + " unknown or twice");
      break;
    }
    if (writes > 3) {
      (void)in.Fail("unknown side flags");
      break;
    }
    seen |= AppliBit(appli.id);
    appli.writes = {(writes & 1) != 0, (writes & 2) != 0};
    for (size_t side = 0; side < 2; ++side) {
      if (!in.U64(&appli.before[side]) || !in.U64(&appli.after[side])) break;
    }
    if (!in.U32(&records)) break;
    if (records > static_cast<uint32_t>(kMaxRecords)) {
      (void)in.Fail(std::to_string(records) + " records");
      break;
    }
    appli.merged.resize(records);
    for (Record& record : appli.merged) {
      if (!in.RecordBytes(&record)) break;
    }
    journal.applis.push_back(std::move(appli));
  }
  if (!in.AtEnd()) return Failure{in.reason()};
  return journal;
}

std::string EncodeSteps(const SyncSteps& steps) {
  std::string text;
  for (Side side : kBothSides) {
    for (AppliId id = 0; id < kSyncAppliCount; ++id) {
      if (!HasAppli(steps.confirmed[SideIndex(side)], id)) continue;
      text += std::string(SideKeyword(side)) + " " + std::to_string(id) + "\n";
    }
  }
  return text;
}

Result<SyncSteps> DecodeSteps(std::string_view text) {
  SyncSteps steps;
  int line_number = 0;
  while (!text.empty()) {
    ++line_number;
    const size_t end = text.find('\n');
    if (end == std::string_view::npos) {
      return Failure{"line " + std::to_string(line_number) + " is cut short"};
    }
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    std::optional<Side> side;
    for (Side s : kBothSides) {
      const std::string_view word = SideKeyword(s);
      if (line.size() == word.size() + 2 && line.substr(0, word.size()) == word &&
          line[word.size()] == ' ') {
        side = s;
      }
    }
    const char digit = line.empty() ? '\0' : line.back();
    if (!side || digit < '0' || digit >= '0' + kSyncAppliCount) {
      return Failure{"line " + std::to_string(line_number) + " is not a step"};
    }
    steps.confirmed[SideIndex(*side)] |= AppliBit(static_cast<AppliId>(digit - '0'));
  }
  return steps;
}

}  // namespace kivo
