#include "store/sync_targets.h"

namespace kivo {

namespace {

constexpr const char* kSync = "Sync";
constexpr std::string_view kPolicies[] = {"keep-both", "organizer", "pc"};

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

const char* SyncKindName(SyncTarget::Kind kind) {
  return kind == SyncTarget::Kind::kContacts ? "contacts" : "calendar";
}

std::string SyncTarget::Side() const { return std::string(SyncKindName(kind)) + ":" + place; }

bool SyncTarget::IsUrl() const { return place.find("://") != std::string::npos; }

std::string SyncPlaceProblem(std::string_view place) {
  if (place.empty()) return "No folder or address is given.";
  if (place.find("://") != std::string_view::npos) {
    const bool http = StartsWith(place, "http://") || StartsWith(place, "https://");
    const std::string_view rest = place.substr(place.find("://") + 3);
    if (!http) return "Only http:// and https:// addresses can be synchronized.";
    if (rest.empty() || rest.front() == '/') return "The address names no server.";
    return {};
  }
  if (place.front() != '/') return "Give the folder from the root, as /home/...";
  return {};
}

std::optional<SyncTarget> ParseSyncTarget(std::string_view side) {
  SyncTarget target;
  std::string_view place;
  if (StartsWith(side, "contacts:")) {
    target.kind = SyncTarget::Kind::kContacts;
    place = side.substr(9);
  } else if (StartsWith(side, "calendar:")) {
    target.kind = SyncTarget::Kind::kCalendar;
    place = side.substr(9);
  } else {
    return std::nullopt;
  }
  if (!SyncPlaceProblem(place).empty()) return std::nullopt;
  target.place = std::string(place);
  return target;
}

SyncSettings ReadSyncSettings(const IniFile& ini, std::vector<std::string>* ignored) {
  SyncSettings s;
  const int count = ini.ReadInt(kSync, "Targets", 0);
  for (int i = 1; i <= count && i <= 1000; ++i) {
    const std::string key = "Target" + std::to_string(i);
    const std::string side = ini.ReadString(kSync, key, "");
    std::optional<SyncTarget> target = ParseSyncTarget(side);
    if (!target) {
      ignored->push_back(key + "=" + side +
                         " names no contacts: or calendar: place; it is left out.");
      continue;
    }
    target->user = ini.ReadString(kSync, "User" + std::to_string(i), "");
    s.targets.push_back(std::move(*target));
  }
  const std::string conflict = ini.ReadString(kSync, "Conflict", s.conflict);
  bool known = false;
  for (std::string_view policy : kPolicies) known |= conflict == policy;
  if (known) {
    s.conflict = conflict;
  } else if (!conflict.empty()) {
    ignored->push_back("Conflict=" + conflict +
                       " is not keep-both, organizer or pc; keep-both is used.");
  }
  return s;
}

void WriteSyncSettings(const SyncSettings& s, IniFile& ini) {
  const int old_count = ini.ReadInt(kSync, "Targets", 0);
  if (s.targets.empty() && s.conflict == SyncSettings().conflict && old_count == 0 &&
      !ini.HasKey(kSync, "Conflict")) {
    return;
  }
  const int count = static_cast<int>(s.targets.size());
  ini.WriteInt(kSync, "Targets", count);
  for (int i = 1; i <= count; ++i) {
    const SyncTarget& target = s.targets[static_cast<size_t>(i - 1)];
    ini.WriteString(kSync, "Target" + std::to_string(i), target.Side());
    ini.WriteString(kSync, "User" + std::to_string(i), target.user);
  }
  // The file keeps its lines; a removed target's are emptied so that no
  // later count brings it back.
  for (int i = count + 1; i <= old_count && i <= 1000; ++i) {
    for (const char* name : {"Target", "User"}) {
      const std::string key = name + std::to_string(i);
      if (ini.HasKey(kSync, key)) ini.WriteString(kSync, key, "");
    }
  }
  ini.WriteString(kSync, "Conflict", s.conflict);
}

}  // namespace kivo
