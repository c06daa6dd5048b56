#include "view/sync_report_text.h"

#include <algorithm>
#include <cstdio>

#include "csv/cp1252.h"
#include "view/record_table.h"

namespace kivo {

namespace {

std::string Plural(int count, const char* word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

std::string CountsText(const std::string& side, const SideCounts& counts, size_t not_fitting) {
  std::string text = side + ": " + std::to_string(counts.added) + " added, " +
                     std::to_string(counts.changed) + " changed, " +
                     std::to_string(counts.removed) + " removed";
  if (not_fitting > 0) text += ", " + std::to_string(not_fitting) + " without room";
  return text;
}

// Rows of records of one application as `show` prints them, behind a first
// column that says what they are.
void RenderRecords(AppliId id, const char* first_title,
                   const std::vector<std::pair<std::string, const Record*>>& rows,
                   const RowContext& context, std::string& out) {
  TextTable table = AppliTableHeader(id);
  if (id == kCategoryList) {
    table.titles = {"Names"};
    table.right_aligned = {false};
  }
  table.titles.insert(table.titles.begin(), first_title);
  table.right_aligned.insert(table.right_aligned.begin(), false);
  for (const auto& [label, record] : rows) {
    std::vector<std::string> row = RecordCells(id, *record, context);
    row.insert(row.begin(), label);
    table.rows.push_back(std::move(row));
  }
  for (const std::string& line : FormatTable(table)) out += "  " + Cp1252ToUtf8(line) + "\n";
}

// What the sync does (or would do) to the records of each application on
// each side, the records named.
void RenderChanges(const SyncReport& report, const RowContext& context, std::string& out) {
  for (const AppliReport& appli : report.applis) {
    for (Side side : kBothSides) {
      const size_t s = SideIndex(side);
      const SideChanges& changes = appli.changes[s];
      std::vector<std::pair<std::string, const Record*>> rows;
      for (const Record& record : changes.added) rows.emplace_back("added", &record);
      for (const RecordEdit& edit : changes.changed) {
        rows.emplace_back("changed", &edit.after);
        rows.emplace_back("  was", &edit.before);
      }
      for (const Record& record : changes.removed) rows.emplace_back("removed", &record);
      for (const Record& record : appli.not_fitting[s]) rows.emplace_back("no room", &record);
      if (rows.empty()) continue;
      out += std::string(AppliName(appli.id)) + " on the " + report.side_names[s] + ":\n";
      RenderRecords(appli.id, "Change", rows, context, out);
    }
  }
}

std::string AppliLine(const SyncReport& report, const AppliReport& appli) {
  char name[24];
  std::snprintf(name, sizeof name, "%-16s", std::string(AppliName(appli.id)).c_str());
  std::string line = name;
  for (Side side : kBothSides) {
    line += "  " + CountsText(report.side_names[SideIndex(side)], appli.counts[SideIndex(side)],
                              appli.not_fitting[SideIndex(side)].size());
    if (appli.rewritten[SideIndex(side)]) line += " (written again)";
    line += " ";
  }
  while (line.back() == ' ') line.pop_back();
  if (!appli.conflicts.empty()) {
    line += "   " + Plural(static_cast<int>(appli.conflicts.size()), "conflict");
  }
  return line + "\n";
}

std::string KeptText(const SyncReport& report, const Conflict& conflict) {
  std::vector<std::string> kept;
  for (const ConflictVersion& version : conflict.versions) {
    if (version.kept) kept.push_back(report.side_names[SideIndex(version.side)] + "'s");
  }
  if (kept.size() > 1) return "both kept";
  return kept.empty() ? "none kept" : "the " + kept.front() + " kept";
}

std::string ConflictHeading(const SyncReport& report, AppliId id, const Conflict& conflict) {
  const std::string name(AppliName(id));
  switch (conflict.kind) {
    case ConflictKind::kBothChanged:
      return name + ": changed on both sides; " + KeptText(report, conflict);
    case ConflictKind::kRemovedAndChanged: {
      const Side changed = conflict.versions.front().side;
      return name + ": removed on the " + report.side_names[SideIndex(OtherSide(changed))] +
             ", changed on the " + report.side_names[SideIndex(changed)] + "; the change kept";
    }
    case ConflictKind::kCategoryList:
      return name + ": changed on both sides; " + KeptText(report, conflict);
    case ConflictKind::kBothAdded:
      return name +
             ": on both sides with other contents, and no earlier sync to tell which is "
             "newer; " +
             KeptText(report, conflict);
  }
  return name;
}

void RenderConflict(const SyncReport& report, AppliId id, const Conflict& conflict,
                    const RowContext& context, std::string& out) {
  out += ConflictHeading(report, id, conflict) + "\n";
  std::vector<std::pair<std::string, const Record*>> rows;
  for (const ConflictVersion& version : conflict.versions) {
    std::string side = report.side_names[SideIndex(version.side)];
    if (!version.kept) side += " (not kept)";
    rows.emplace_back(std::move(side), &version.record);
  }
  RenderRecords(id, "Side", rows, context, out);
}

const char* StepText(SyncStep step) {
  switch (step) {
    case SyncStep::kLock:
      return "waiting for the other sync of these sides";
    case SyncStep::kChooseApps:
      return "choosing the applications";
    case SyncStep::kLoadState:
      return "reading the sync state";
    case SyncStep::kRead:
      return "reading the records";
    case SyncStep::kJournal:
      return "writing the journal";
    case SyncStep::kWrite:
      return "writing the records";
    case SyncStep::kVerify:
      return "reading the records back";
    case SyncStep::kStoreBase:
      return "storing the sync state";
    case SyncStep::kNone:
      break;
  }
  return "syncing";
}

}  // namespace

std::string RenderSyncDetails(const SyncReport& report, const RowContext& context, bool records) {
  std::string out;
  for (Side side : kBothSides) {
    const std::vector<std::string>& notes = report.notes[SideIndex(side)];
    if (notes.empty()) continue;
    out += "Read from the " + report.side_names[SideIndex(side)] + " in part or not at all:\n";
    for (const std::string& note : notes) out += "  " + note + "\n";
  }
  if (records) RenderChanges(report, context, out);
  if (report.ConflictCount() > 0) {
    out += "Conflicts:\n";
    for (const AppliReport& appli : report.applis) {
      for (const Conflict& conflict : appli.conflicts) {
        RenderConflict(report, appli.id, conflict, context, out);
      }
    }
  }
  if (report.outcome == SyncOutcome::kRefused) {
    out += "Refused; nothing was changed:\n";
    for (const AppliReport& appli : report.applis) {
      for (const GuardRefusal& refusal : appli.refusals) {
        out += "  " + GuardText(refusal, report.side_names) + "\n";
      }
    }
  }
  return out;
}

std::string RenderSyncReport(const SyncReport& report, const RowContext& context, bool records) {
  std::string out;
  if (report.outcome == SyncOutcome::kDryRun) out += "Dry run: nothing was changed.\n";
  if (report.rereads > 0 && report.changed_side) {
    out += "The " + report.side_names[SideIndex(*report.changed_side)] +
           " changed while the sync ran: nothing was overwritten, both sides were read again "
           "and merged.\n";
  } else if (report.recovered) {
    out += "An interrupted sync was finished first.\n";
  }
  if (report.first_sync && report.outcome != SyncOutcome::kFailed) {
    out += "First sync of these two sides (no sync state in " + report.state_dir +
           "): records equal on both were taken as one, and records of one key with other "
           "contents are conflicts.\n";
  }
  for (const AppliReport& appli : report.applis) out += AppliLine(report, appli);
  out += RenderSyncDetails(report, context, records);
  if (report.outcome == SyncOutcome::kFailed) {
    out += std::string("The sync failed while ") + StepText(report.failed_step);
    if (report.failed_side) out += " (" + report.side_names[SideIndex(*report.failed_side)] + ")";
    out += ": " + report.failure.message + "\n";
    const bool begun = report.failed_step >= SyncStep::kWrite;
    out += begun ? "The next sync finishes the work.\n" : "Nothing was changed.\n";
    if (report.state_damaged()) {
      out +=
          "To go on, start again from a first sync that matches the records of both sides "
          "(--reset-state): records equal on both are kept once, and records that differ are "
          "shown as conflicts.\n";
    }
  }
  return out;
}

}  // namespace kivo
