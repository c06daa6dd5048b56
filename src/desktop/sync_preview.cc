#include "desktop/sync_preview.h"

#include <algorithm>

#include "view/sync_report_text.h"

namespace kivo {

std::string SideCountsText(const SideCounts& counts) {
  return std::to_string(counts.added) + " added, " + std::to_string(counts.changed) + " changed, " +
         std::to_string(counts.removed) + " removed";
}

SyncPreviewText DescribeSyncPreview(const SyncReport& dry_run, const RowContext& context,
                                    const std::string& other) {
  SyncPreviewText text;
  text.intro = "Synchronizing your Organizer with " + other + " will do this:";
  text.titles = {"Application", "On the " + dry_run.side_names[0],
                 "On the " + dry_run.side_names[1], "Conflicts"};
  for (const AppliReport& appli : dry_run.applis) {
    text.rows.push_back({std::string(AppliName(appli.id)), SideCountsText(appli.counts[0]),
                         SideCountsText(appli.counts[1]), std::to_string(appli.conflicts.size())});
  }
  const std::string report = RenderSyncReport(dry_run, context);
  const size_t from = std::min(report.find("Conflicts:\n"), report.find("Refused;"));
  text.details = from == std::string::npos ? "No conflicts." : report.substr(from);
  text.question = dry_run.refused()
                      ? "The sync is refused because it would empty or halve an application "
                        "(above). Press OK only if that is what you want: it goes ahead all "
                        "the same."
                      : "Press OK to synchronize, Cancel to change nothing.";
  return text;
}

std::string PasswordQuestion(const std::string& target, const std::string& user) {
  return user.empty() ? "Password for " + target + ":"
                      : "Password of " + user + " for " + target + ":";
}

}  // namespace kivo
