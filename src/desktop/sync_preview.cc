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
    std::array<std::string, 2> sides;
    for (size_t s = 0; s < 2; ++s) {
      sides[s] = SideCountsText(appli.counts[s]);
      if (!appli.not_fitting[s].empty()) {
        sides[s] += ", " + std::to_string(appli.not_fitting[s].size()) + " without room";
      }
    }
    text.rows.push_back({std::string(AppliName(appli.id)), sides[0], sides[1],
                         std::to_string(appli.conflicts.size())});
  }
  if (dry_run.first_sync) {
    text.intro +=
        "\nThe two have not been synchronized before: records that are the same on "
        "both are kept once, records that differ are shown as conflicts.";
  }
  text.details = RenderSyncDetails(dry_run, context);
  if (text.details.empty()) text.details = "Nothing changes.";
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
