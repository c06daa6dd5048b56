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

std::string CountsText(const std::string& side, const SideCounts& counts) {
  return side + ": " + std::to_string(counts.added) + " added, " + std::to_string(counts.changed) +
         " changed, " + std::to_string(counts.removed) + " removed";
}

std::string AppliLine(const SyncReport& report, const AppliReport& appli) {
  char name[24];
  std::snprintf(name, sizeof name, "%-16s", std::string(AppliName(appli.id)).c_str());
  std::string line = name;
  for (Side side : kBothSides) {
    line += "  " + CountsText(report.side_names[SideIndex(side)], appli.counts[SideIndex(side)]);
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
  }
  return name;
}

void RenderConflict(const SyncReport& report, AppliId id, const Conflict& conflict,
                    const RowContext& context, std::string& out) {
  out += ConflictHeading(report, id, conflict) + "\n";
  TextTable table = AppliTableHeader(id);
  if (id == kCategoryList) {
    table.titles = {"Names"};
    table.right_aligned = {false};
  }
  table.titles.insert(table.titles.begin(), "Side");
  table.right_aligned.insert(table.right_aligned.begin(), false);
  for (const ConflictVersion& version : conflict.versions) {
    std::vector<std::string> row = RecordCells(id, version.record, context);
    std::string side = report.side_names[SideIndex(version.side)];
    if (!version.kept) side += " (not kept)";
    row.insert(row.begin(), side);
    table.rows.push_back(std::move(row));
  }
  for (const std::string& line : FormatTable(table)) out += "  " + Cp1252ToUtf8(line) + "\n";
}

const char* StepText(SyncStep step) {
  switch (step) {
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

std::string RenderSyncReport(const SyncReport& report, const RowContext& context) {
  std::string out;
  if (report.outcome == SyncOutcome::kDryRun) out += "Dry run: nothing was changed.\n";
  if (report.rereads > 0 && report.changed_side) {
    out += "The " + report.side_names[SideIndex(*report.changed_side)] +
           " changed while the sync ran: nothing was overwritten, both sides were read again "
           "and merged.\n";
  } else if (report.recovered) {
    out += "An interrupted sync was finished first.\n";
  }
  for (const AppliReport& appli : report.applis) out += AppliLine(report, appli);
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
  if (report.outcome == SyncOutcome::kFailed) {
    out += std::string("The sync failed while ") + StepText(report.failed_step);
    if (report.failed_side) out += " (" + report.side_names[SideIndex(*report.failed_side)] + ")";
    out += ": " + report.failure.message + "\n";
    const bool begun = report.failed_step >= SyncStep::kWrite;
    out += begun ? "The next sync finishes the work.\n" : "Nothing was changed.\n";
  }
  return out;
}

}  // namespace kivo
