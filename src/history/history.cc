#include "history/history.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>
#include <system_error>
#include <tuple>

#include "history/restore_journal.h"
#include "platform/atomic_file.h"
#include "store/backup_file.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kExtension = ".bkf";

bool ParseDigits(std::string_view text, int* value) {
  if (text.empty()) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size();
}

auto SortKey(const Generation& g) {
  const LocalDateTime& t = g.time;
  return std::tie(g.written, t.year, t.month, t.day, t.hour, t.minute, t.second, g.sequence);
}

bool SameFile(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return !a.empty() && !b.empty() && fs::equivalent(a, b, ec);
}

}  // namespace

fs::path HistoryDirFor(const std::string& setting, const fs::path& data_dir) {
  return setting.empty() ? data_dir / kHistoryDirName : fs::path(setting);
}

std::string GenerationFileName(const LocalDateTime& time, std::string_view kind, int written) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", time.year, time.month, time.day,
                time.hour, time.minute, time.second);
  return std::string(stamp) + "-" + std::string(kind) + "-n" + std::to_string(written) +
         std::string(kExtension);
}

bool ParseGenerationFileName(std::string_view name, Generation* generation) {
  // YYYYMMDD-HHMMSS-KIND-nW.bkf, or YYYYMMDD-HHMMSS-KIND[-N].bkf from before
  // write numbers
  if (name.size() < 16 + kExtension.size() || !name.ends_with(kExtension) || name[8] != '-' ||
      name[15] != '-') {
    return false;
  }
  Generation g;
  LocalDateTime& t = g.time;
  if (!ParseDigits(name.substr(0, 4), &t.year) || !ParseDigits(name.substr(4, 2), &t.month) ||
      !ParseDigits(name.substr(6, 2), &t.day) || !ParseDigits(name.substr(9, 2), &t.hour) ||
      !ParseDigits(name.substr(11, 2), &t.minute) || !ParseDigits(name.substr(13, 2), &t.second)) {
    return false;
  }
  std::string_view rest = name.substr(16, name.size() - 16 - kExtension.size());
  if (size_t dash = rest.find('-'); dash != std::string_view::npos) {
    const std::string_view number = rest.substr(dash + 1);
    if (number.starts_with('n')) {
      if (!ParseDigits(number.substr(1), &g.written) || g.written < 1) return false;
    } else if (!ParseDigits(number, &g.sequence) || g.sequence < 2) {
      return false;
    }
    rest = rest.substr(0, dash);
  }
  if (rest != kKindBackup && rest != kKindSnapshot) return false;
  g.kind = std::string(rest);
  *generation = g;
  return true;
}

std::vector<Generation> ListGenerations(const fs::path& dir) {
  std::vector<Generation> out;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    Generation g;
    if (!it->is_regular_file(ec) || !ParseGenerationFileName(it->path().filename().string(), &g)) {
      continue;
    }
    g.path = it->path();
    out.push_back(std::move(g));
  }
  std::sort(out.begin(), out.end(),
            [](const Generation& a, const Generation& b) { return SortKey(a) > SortKey(b); });
  for (size_t i = 0; i < out.size(); ++i) out[i].number = static_cast<int>(i) + 1;
  return out;
}

Result<fs::path> AddGeneration(const fs::path& dir, AppliStore& store, std::string_view kind,
                               const LocalDateTime& time, int keep, bool scramble) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) return Failure{dir.string() + ": " + ec.message()};
  int written = 1;
  for (const Generation& g : ListGenerations(dir)) written = std::max(written, g.written + 1);
  fs::path file;
  for (;; ++written) {
    file = dir / GenerationFileName(time, kind, written);
    if (!fs::exists(file, ec)) break;
  }
  if (const StoreStatus written = WriteBackupFile(store, file, scramble); !written.ok()) {
    const std::string& system_text = written.error_text;
    return Failure{file.string() + ": " +
                   (system_text.empty() ? "cannot be written" : system_text)};
  }
  // The new generation is written; an old one left over is pruned next time.
  (void)PruneGenerations(dir, keep, file);
  return file;
}

int PruneGenerations(const fs::path& dir, int keep, const fs::path& spared) {
  const std::vector<Generation> all = ListGenerations(dir);
  const std::optional<RestoreJournal> journal = ReadRestoreJournal(RestoreJournalPath(dir));
  const fs::path needed = journal ? fs::path(journal->snapshot) : fs::path();
  int removed = 0;
  for (size_t i = static_cast<size_t>(std::max(keep, 1)); i < all.size(); ++i) {
    if (SameFile(all[i].path, spared) || SameFile(all[i].path, needed)) continue;
    std::error_code ec;
    if (fs::remove(all[i].path, ec)) ++removed;
  }
  return removed;
}

bool CountRecords(const fs::path& file, std::array<int, kStoreSlots>* counts) {
  // Counting needs no character tables; whatever model wrote it, the store
  // takes the file's device code.
  AppliStore store{CodeTables::Blank()};
  if (store.GetAppliBuf(static_cast<int>(counts->size())) < 0) return false;
  if (ReadAnyBackupFile(store, file) != kStoreOk) return false;
  for (size_t id = 0; id < counts->size(); ++id) {
    (*counts)[id] = store.IsPresent(static_cast<AppliId>(id))
                        ? store.GetRecordCount(static_cast<AppliId>(id))
                        : -1;
  }
  return true;
}

Status HoldsApplis(const fs::path& file, uint8_t mask) {
  if (file.empty()) return Failure{"no snapshot was kept"};
  std::array<int, kStoreSlots> counts{};
  if (!CountRecords(file, &counts)) return Failure{file.string() + " cannot be read"};
  std::string missing;
  for (AppliId id = kSchedule; id <= kCategoryList; ++id) {
    if (((mask >> id) & 1) == 0 || counts[id] >= 0) continue;
    missing += missing.empty() ? "" : ", ";
    missing += AppliName(id);
  }
  if (!missing.empty()) return Failure{file.string() + " lacks " + missing};
  return {};
}

}  // namespace kivo
