#ifndef KIVO_COMM_PROGRESS_STATE_H_
#define KIVO_COMM_PROGRESS_STATE_H_

#include <optional>
#include <string>

#include "comm/run_mode.h"
#include "platform/prompter.h"
#include "store/result_code.h"

namespace kivo {

// What the progress window of one communication run shows: the status line
// and the bar (range 0..100), driven by the status and progress notifications
// of the run. The rules depend on the RunMode: a full backup or restore takes
// its coarse steps from the sequence (source 2) and lets each application creep
// inside its own ten, a one-application transfer follows the transfer directly.
//
// Plain value logic, no threads: the window applies each notification on its
// own thread in the order the worker posted them.
class ProgressState {
 public:
  explicit ProgressState(RunMode run_mode) : run_mode_(run_mode) {}

  // The window title of a run in this mode.
  static std::string Title(RunMode run_mode);
  std::string Title() const { return Title(run_mode_); }

  // A status notification (total 0: waiting for the organizer; otherwise the
  // progress value that completes the transfer). Returns whether the status
  // text or the finish value changed hands, i.e. whether the texts must be
  // shown again; an ignored notification returns false.
  bool OnStatus(int total, int source);

  // A progress notification. Returns whether the bar moved to a new position.
  bool OnProgress(int value, int source);

  RunMode run_mode() const { return run_mode_; }
  const std::string& status_text() const { return status_text_; }
  int position() const { return position_; }
  int finish_value() const { return finish_value_; }

  // The box that ends a run with this ResultCode, or none (success, or a file
  // error the user has already seen).
  static std::optional<PromptBox> OutcomeBox(ResultCode result);

 private:
  void MoveTo(int value);

  RunMode run_mode_;
  std::string status_text_;
  int position_ = 0;
  // -1 until a status notification with a total arrives, so that no position
  // reads as finished before the run has said what finished means.
  int finish_value_ = -1;
};

inline constexpr const char* kStatusWaiting = "Waiting for Organizer...";
inline constexpr const char* kStatusReceiving = "Receiving...";
inline constexpr const char* kStatusSending = "Sending...";
inline constexpr const char* kStatusSnapshot = "Saving the organizer's records before the Restore";
inline constexpr const char* kStatusSnapshotDownload =
    "Saving the organizer's records before the Download";
inline constexpr const char* kStatusFinished = "Finished.";

}  // namespace kivo

#endif  // KIVO_COMM_PROGRESS_STATE_H_
