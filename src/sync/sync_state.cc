#include "sync/sync_state.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "sync/organizer_form.h"
#include "sync/record_set_store.h"

namespace kivo {

namespace fs = std::filesystem;

namespace {

constexpr const char* kPairName = "pair";
constexpr const char* kBaseName = "base.bkf";
constexpr const char* kIdentitiesName = "identities";
constexpr const char* kJournalName = "journal";
constexpr const char* kStepsName = "steps";
constexpr const char* kLockName = "lock";
constexpr size_t kReadablePart = 40;

// Letters, digits, '.', '-' and '_' stay; runs of anything else become one
// '-'. The last characters are kept: they tell paths apart best.
std::string Readable(std::string_view identity) {
  std::string out;
  for (char c : identity) {
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '.' || c == '_';
    if (keep) {
      out += c;
    } else if (!out.empty() && out.back() != '-') {
      out += '-';
    }
  }
  while (!out.empty() && (out.back() == '-' || out.back() == '.')) out.pop_back();
  if (out.size() > kReadablePart) out.erase(0, out.size() - kReadablePart);
  while (!out.empty() && out.front() == '.') out.erase(0, 1);
  return out;
}

std::span<const uint8_t> Bytes(const std::string& text) {
  return std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// The file's bytes; nullopt when it does not exist; *reason set (and
// *failed) when it exists but cannot be read.
std::optional<std::string> ReadIfThere(const fs::path& file, bool* failed, std::string* reason) {
  int error_number = 0;
  std::optional<std::string> bytes = ReadWholeFile(file, &error_number);
  if (!bytes && error_number != ENOENT) {
    *failed = true;
    if (reason != nullptr) *reason = file.string() + ": " + SystemErrorText(error_number);
  }
  return bytes;
}

}  // namespace

fs::path DefaultSyncStateRoot(const AppDirs& dirs) { return dirs.state / kSyncStateDirName; }

std::string PairFolderName(std::string_view left_identity, std::string_view right_identity) {
  const std::string both = std::string(left_identity) + '\n' + std::string(right_identity);
  char hash[20];
  std::snprintf(hash, sizeof hash, "%016llx",
                static_cast<unsigned long long>(HashBytes(Bytes(both))));
  return Readable(left_identity) + "__" + Readable(right_identity) + "-" + hash;
}

SyncState::SyncState(const fs::path& root, std::string left_identity, std::string right_identity,
                     const CodeTables& tables, FileWriter& writer)
    : dir_(root / PairFolderName(left_identity, right_identity)),
      left_(std::move(left_identity)),
      right_(std::move(right_identity)),
      tables_(tables),
      writer_(writer) {}

std::string SyncState::PairText() const { return "left=" + left_ + "\nright=" + right_ + "\n"; }

std::optional<StoredState> SyncState::Load(std::string* reason) const {
  StoredState state;
  for (AppliId id = 0; id < kSyncAppliCount; ++id) state.base.Set(id, {});
  bool failed = false;
  auto refuse = [&](const char* name, const std::string& why) {
    if (reason != nullptr) *reason = (dir_ / name).string() + ": " + why;
    return std::nullopt;
  };
  const std::optional<std::string> pair = ReadIfThere(dir_ / kPairName, &failed, reason);
  if (failed) return std::nullopt;
  if (pair && *pair != PairText()) return refuse(kPairName, "the folder belongs to another pair");

  std::string why;
  if (auto image = ReadIfThere(dir_ / kBaseName, &failed, reason)) {
    std::optional<RecordSet> base = DecodeBase(Bytes(*image), tables_, &why);
    if (!base) return refuse(kBaseName, why);
    state.base = std::move(*base);
    state.first = false;
  }
  if (auto image = ReadIfThere(dir_ / kIdentitiesName, &failed, reason)) {
    std::optional<SideIdentities> maps = DecodeIdentities(Bytes(*image), &why);
    if (!maps) return refuse(kIdentitiesName, why);
    state.identities = std::move(*maps);
  }
  if (auto image = ReadIfThere(dir_ / kJournalName, &failed, reason)) {
    state.journal = DecodeJournal(Bytes(*image), &why);
    if (!state.journal) return refuse(kJournalName, why);
  }
  if (auto text = ReadIfThere(dir_ / kStepsName, &failed, reason)) {
    std::optional<SyncSteps> steps = DecodeSteps(*text, &why);
    if (!steps) return refuse(kStepsName, why);
    // Steps without their journal belong to no run.
    if (state.journal) state.steps = *steps;
  }
  if (failed) return std::nullopt;
  return state;
}

bool SyncState::Prepare(std::string* error_text) {
  std::error_code ec;
  if (!fs::is_directory(dir_, ec)) {
    fs::create_directories(dir_, ec);
    if (ec) {
      if (error_text != nullptr) *error_text = dir_.string() + ": " + ec.message();
      return false;
    }
    // The base holds the user's records: the folder is the user's alone.
    fs::permissions(dir_, fs::perms::owner_all, ec);
  }
  if (fs::exists(dir_ / kPairName, ec)) return true;
  const std::string pair = PairText();
  return Write(kPairName, Bytes(pair), error_text);
}

bool SyncState::Write(const char* name, std::span<const uint8_t> bytes, std::string* error_text) {
  std::string system_text;
  if (WriteFileAtomically(dir_ / name, bytes, &system_text, writer_)) return true;
  if (error_text != nullptr) *error_text = (dir_ / name).string() + ": " + system_text;
  return false;
}

std::optional<FileLock> SyncState::Lock(bool wait, std::string* why) {
  std::error_code ec;
  fs::create_directories(dir_, ec);
  if (ec) {
    *why = dir_.string() + ": " + ec.message();
    return std::nullopt;
  }
  std::string holder;
  std::optional<FileLock> lock = FileLock::Acquire(dir_ / kLockName, wait, &holder, why);
  if (!lock && why->empty()) {
    *why = "another sync of these two sides is running" +
           (holder.empty() ? std::string() : " (process " + holder + ")") + "; it holds " +
           (dir_ / kLockName).string();
  }
  return lock;
}

bool SyncState::Reset(std::string* error_text) {
  for (const char* name : {kBaseName, kIdentitiesName, kJournalName, kStepsName}) {
    std::error_code ec;
    fs::remove(dir_ / name, ec);
    if (ec) {
      if (error_text != nullptr) *error_text = (dir_ / name).string() + ": " + ec.message();
      return false;
    }
  }
  return true;
}

bool SyncState::AdoptBase(const RecordSet& records, std::string* error_text) {
  std::string reason;
  std::optional<StoredState> stored = Load(&reason);
  if (!stored) {
    if ((records.present & kAllSyncAppli) != kAllSyncAppli) {
      if (error_text != nullptr) *error_text = reason;
      return false;
    }
    if (!Reset(error_text)) return false;
    stored = StoredState();
  }
  RecordSet base = stored->base;
  for (AppliId id = 0; id < kSyncAppliCount; ++id) {
    if (HasAppli(records.present, id)) base.Set(id, records.of(id));
  }
  Canonicalize(base, tables_);
  if (!SaveBase(base, error_text)) return false;
  if (!stored->journal) return true;
  SyncJournal rest;
  for (const JournalAppli& appli : stored->journal->applis) {
    if (!HasAppli(records.present, appli.id)) rest.applis.push_back(appli);
  }
  if (rest.applis.empty()) return CloseJournal(error_text);
  return Write(kJournalName, EncodeJournal(rest), error_text);
}

bool SyncState::SaveBase(const RecordSet& base, std::string* error_text) {
  const std::optional<std::vector<uint8_t>> image = EncodeBase(base, tables_, device_code_);
  if (!image) {
    if (error_text != nullptr) *error_text = (dir_ / kBaseName).string() + ": a record was refused";
    return false;
  }
  return Prepare(error_text) && Write(kBaseName, *image, error_text);
}

bool SyncState::SaveIdentities(const SideIdentities& maps, std::string* error_text) {
  return Prepare(error_text) && Write(kIdentitiesName, EncodeIdentities(maps), error_text);
}

bool SyncState::OpenJournal(const SyncJournal& journal, std::string* error_text) {
  if (!Prepare(error_text)) return false;
  std::error_code ec;
  fs::remove(dir_ / kStepsName, ec);
  if (ec) {
    if (error_text != nullptr) *error_text = (dir_ / kStepsName).string() + ": " + ec.message();
    return false;
  }
  return Write(kJournalName, EncodeJournal(journal), error_text);
}

bool SyncState::SaveSteps(const SyncSteps& steps, std::string* error_text) {
  const std::string text = EncodeSteps(steps);
  return Prepare(error_text) && Write(kStepsName, Bytes(text), error_text);
}

bool SyncState::CloseJournal(std::string* error_text) {
  for (const char* name : {kJournalName, kStepsName}) {
    std::error_code ec;
    fs::remove(dir_ / name, ec);
    if (ec) {
      if (error_text != nullptr) *error_text = (dir_ / name).string() + ": " + ec.message();
      return false;
    }
  }
  return true;
}

}  // namespace kivo
