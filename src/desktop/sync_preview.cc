#include "desktop/sync_preview.h"

#include <algorithm>

#include "desktop/desktop_user.h"
#include "view/sync_report_text.h"

namespace kivo {

std::string SideCountsText(const SideCounts& counts) {
  return std::to_string(counts.added) + " added, " + std::to_string(counts.changed) + " changed, " +
         std::to_string(counts.removed) + " removed";
}

SyncPreviewText DescribeSyncPreview(std::span<const SyncDryRun> pairs, const RowContext& context) {
  SyncPreviewText text;
  const bool several = pairs.size() > 1;
  std::string others;
  bool refused = false;
  bool first = false;
  for (size_t i = 0; i < pairs.size(); ++i) {
    const SyncDryRun& pair = pairs[i];
    others += (i == 0 ? "" : i + 1 == pairs.size() ? " and " : ", ") + pair.other;
    const SyncReport& dry_run = pair.report;
    refused = refused || dry_run.refused();
    first = first || dry_run.first_sync;
    SyncPreviewText::Group group;
    if (several) group.title = "With " + pair.other;
    for (const AppliReport& appli : dry_run.applis) {
      std::array<std::string, 2> sides;
      for (size_t s = 0; s < 2; ++s) {
        sides[s] = SideCountsText(appli.counts[s]);
        if (!appli.not_fitting[s].empty()) {
          sides[s] += ", " + std::to_string(appli.not_fitting[s].size()) + " without room";
        }
      }
      group.rows.push_back({std::string(AppliName(appli.id)), sides[0], sides[1],
                            std::to_string(appli.conflicts.size())});
    }
    text.groups.push_back(std::move(group));
    const std::string details = RenderSyncDetails(dry_run, context);
    if (details.empty()) continue;
    if (!text.details.empty()) text.details += "\n";
    if (several) text.details += "With " + pair.other + ":\n";
    text.details += details;
  }
  if (text.details.empty()) text.details = "Nothing changes.";
  text.intro = "Synchronizing your Organizer with " + others + " will do this:";
  if (first) {
    text.intro += several ? "\nSome of them have not been synchronized with it before: records "
                            "that are the same on both are kept once, records that differ are "
                            "shown as conflicts."
                          : "\nThe two have not been synchronized before: records that are the "
                            "same on both are kept once, records that differ are shown as "
                            "conflicts.";
  }
  const std::string organizer = pairs.empty() ? "organizer" : pairs[0].report.side_names[0];
  text.titles = {"Application", "On the " + organizer,
                 several || pairs.empty() ? std::string("On the other side")
                                          : "On the " + pairs[0].report.side_names[1],
                 "Conflicts"};
  text.question = refused ? "The sync is refused because it would empty or halve an application "
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
