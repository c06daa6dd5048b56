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

// The file's bytes; nullopt when it does not exist; *failure set when it
// exists but cannot be read.
std::optional<std::string> ReadIfThere(const fs::path& file, std::optional<Failure>* failure) {
  int error_number = 0;
  std::optional<std::string> bytes = ReadWholeFile(file, &error_number);
  if (!bytes && error_number != ENOENT) {
    *failure = Failure{file.string() + ": " + SystemErrorText(error_number)};
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

Result<StoredState> SyncState::Load() const {
  StoredState state;
  for (AppliId id = 0; id < kSyncAppliCount; ++id) state.base.Set(id, {});
  // A file that cannot be read does not stop the others being looked at: a
  // malformed one among them is the failure told, else the last unreadable.
  std::optional<Failure> unreadable;
  auto refuse = [&](const char* name, const std::string& why) {
    return Failure{(dir_ / name).string() + ": " + why};
  };
  const std::optional<std::string> pair = ReadIfThere(dir_ / kPairName, &unreadable);
  if (unreadable) return *unreadable;
  if (pair && *pair != PairText()) return refuse(kPairName, "the folder belongs to another pair");

  if (auto image = ReadIfThere(dir_ / kBaseName, &unreadable)) {
    Result<RecordSet> base = DecodeBase(Bytes(*image), tables_);
    if (!base) return refuse(kBaseName, base.error());
    state.base = std::move(base).value();
    state.first = false;
  }
  if (auto image = ReadIfThere(dir_ / kIdentitiesName, &unreadable)) {
    Result<SideIdentities> maps = DecodeIdentities(Bytes(*image));
    if (!maps) return refuse(kIdentitiesName, maps.error());
    state.identities = std::move(maps).value();
  }
  if (auto image = ReadIfThere(dir_ / kJournalName, &unreadable)) {
    Result<SyncJournal> journal = DecodeJournal(Bytes(*image));
    if (!journal) return refuse(kJournalName, journal.error());
    state.journal = std::move(journal).value();
  }
  if (auto text = ReadIfThere(dir_ / kStepsName, &unreadable)) {
    Result<SyncSteps> steps = DecodeSteps(*text);
    if (!steps) return refuse(kStepsName, steps.error());
    // Steps without their journal belong to no run.
    if (state.journal) state.steps = *steps;
  }
  if (unreadable) return *unreadable;
  return state;
}

Status SyncState::Prepare() {
  std::error_code ec;
  if (!fs::is_directory(dir_, ec)) {
    fs::create_directories(dir_, ec);
    if (ec) return Failure{dir_.string() + ": " + ec.message()};
    // The base holds the user's records: the folder is the user's alone.
    fs::permissions(dir_, fs::perms::owner_all, ec);
  }
  if (fs::exists(dir_ / kPairName, ec)) return {};
  const std::string pair = PairText();
  return Write(kPairName, Bytes(pair));
}

Status SyncState::Write(const char* name, std::span<const uint8_t> bytes) {
  const Status written = WriteFileAtomically(dir_ / name, bytes, writer_);
  if (written) return {};
  return Failure{(dir_ / name).string() + ": " + written.error()};
}

Result<FileLock> SyncState::Lock(bool wait) {
  std::error_code ec;
  fs::create_directories(dir_, ec);
  if (ec) return Failure{dir_.string() + ": " + ec.message()};
  std::string holder;
  std::string why;
  std::optional<FileLock> lock = FileLock::Acquire(dir_ / kLockName, wait, &holder, &why);
  if (lock) return std::move(*lock);
  if (!why.empty()) return Failure{why};
  return Failure{"another sync of these two sides is running" +
                 (holder.empty() ? std::string() : " (process " + holder + ")") + "; it holds " +
                 (dir_ / kLockName).string()};
}

Status SyncState::Reset() {
  for (const char* name : {kBaseName, kIdentitiesName, kJournalName, kStepsName}) {
    std::error_code ec;
    fs::remove(dir_ / name, ec);
    if (ec) return Failure{(dir_ / name).string() + ": " + ec.message()};
  }
  return {};
}

Status SyncState::AdoptBase(const RecordSet& records) {
  Result<StoredState> loaded = Load();
  StoredState stored;
  if (loaded) {
    stored = std::move(loaded).value();
  } else {
    if ((records.present & kAllSyncAppli) != kAllSyncAppli) return Failure{loaded.error()};
    if (Status reset = Reset(); !reset) return reset;
  }
  RecordSet base = stored.base;
  for (AppliId id = 0; id < kSyncAppliCount; ++id) {
    if (HasAppli(records.present, id)) base.Set(id, records.of(id));
  }
  Canonicalize(base, tables_);
  if (Status saved = SaveBase(base); !saved) return saved;
  if (!stored.journal) return {};
  SyncJournal rest;
  for (const JournalAppli& appli : stored.journal->applis) {
    if (!HasAppli(records.present, appli.id)) rest.applis.push_back(appli);
  }
  if (rest.applis.empty()) return CloseJournal();
  return Write(kJournalName, EncodeJournal(rest));
}

Status SyncState::SaveBase(const RecordSet& base) {
  const std::optional<std::vector<uint8_t>> image = EncodeBase(base, tables_, device_code_);
  if (!image) return Failure{(dir_ / kBaseName).string() + ": a record was refused"};
  if (Status prepared = Prepare(); !prepared) return prepared;
  return Write(kBaseName, *image);
}

Status SyncState::SaveIdentities(const SideIdentities& maps) {
  if (Status prepared = Prepare(); !prepared) return prepared;
  return Write(kIdentitiesName, EncodeIdentities(maps));
}

Status SyncState::OpenJournal(const SyncJournal& journal) {
  if (Status prepared = Prepare(); !prepared) return prepared;
  std::error_code ec;
  fs::remove(dir_ / kStepsName, ec);
  if (ec) return Failure{(dir_ / kStepsName).string() + ": " + ec.message()};
  return Write(kJournalName, EncodeJournal(journal));
}

Status SyncState::SaveSteps(const SyncSteps& steps) {
  const std::string text = EncodeSteps(steps);
  if (Status prepared = Prepare(); !prepared) return prepared;
  return Write(kStepsName, Bytes(text));
}

Status SyncState::CloseJournal() {
  for (const char* name : {kJournalName, kStepsName}) {
    std::error_code ec;
    fs::remove(dir_ / name, ec);
    if (ec) return Failure{(dir_ / name).string() + ": " + ec.message()};
  }
  return {};
}

}  // namespace kivo
