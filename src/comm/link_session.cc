#include "comm/link_session.h"

#include <poll.h>

#include <system_error>

#include "comm/progress_run.h"
#include "link/link_observer.h"
#include "platform/link_defaults.h"

namespace kivo {
namespace {

// The command's thread to the session's worker, beside the abort (1127).
constexpr int kWmSessionStep = 1140;
constexpr int kWmSessionEnd = 1141;

}  // namespace

LinkSession::LinkSession(Clock* clock)
    : link_(std::make_unique<CommLink>(1, kLinkBaudRate, clock)),
      run_(*link_),
      own_store_(std::make_unique<AppliStore>(CodeTables::Identity())) {
  link_->SetMessageQueue(&queue_);
}

LinkSession::~LinkSession() {
  bool running = false;
  {
    std::lock_guard lock(mutex_);
    running = step_running_;
  }
  if (running) Abort();
  (void)End();
  // Going away: a line whose settings cannot be restored is closed all the same.
  (void)link_->ClosePort();
}

void LinkSession::ApplyLinkSettings(const LinkSettings& settings) {
  if (settings.code_tables != nullptr) {
    own_store_ = std::make_unique<AppliStore>(*settings.code_tables);
  }
  run_.context().store = own_store_.get();
  ConfigureRun(settings, *link_, run_);
}

void LinkSession::Receive(AppliStore& into, uint8_t applis, RunMode shown_as, bool snapshot) {
  step_ = Step::kReceive;
  into_ = &into;
  applis_ = applis;
  shown_as_ = shown_as;
  snapshot_ = snapshot;
}

void LinkSession::Replace(AppliStore& records, int appli_mode, const SafeTransfer& safe) {
  step_ = Step::kReplace;
  shown_as_ = appli_mode == kAllAppli ? RunMode::kRestore : RunMode::kDownload;
  run_.context().store = &records;
  run_.SetAppliMode(appli_mode);
  SafeTransfer replace = safe;
  replace.snapshot = nullptr;
  replace.on_snapshot = nullptr;
  run_.set_safe(std::move(replace));
}

bool LinkSession::Start(LinkObserver* window, Prompter* prompter) {
  {
    std::lock_guard lock(mutex_);
    if (step_ == Step::kNone || step_running_ || over_) return false;
    step_running_ = true;
    step_result_ = kResultAborted;
  }
  window_ = window;
  run_.context().observer = window;
  run_.context().prompter = prompter;
  if (worker_.joinable()) {
    // The worker idles between steps and takes this at once.
    queue_.Post({kWmSessionStep, 0, 0});
    return true;
  }
  try {
    worker_ = std::thread([this] { Worker(); });
  } catch (const std::system_error&) {
    std::lock_guard lock(mutex_);
    step_running_ = false;
    return false;
  }
  return true;
}

void LinkSession::Abort() {
  if (worker_.joinable()) queue_.Post({kWmLinkAbort, 0, 0});
}

ResultCode LinkSession::Wait() {
  std::unique_lock lock(mutex_);
  step_ended_.wait(lock, [this] { return !step_running_; });
  return step_result_;
}

ResultCode LinkSession::End() {
  if (!worker_.joinable()) return kResultSuccess;
  bool idle = false;
  {
    std::lock_guard lock(mutex_);
    idle = open_ && !step_running_;
  }
  if (idle) queue_.Post({kWmSessionEnd, 0, 0});
  worker_.join();
  std::lock_guard lock(mutex_);
  return end_result_;
}

bool LinkSession::open() const {
  std::lock_guard lock(mutex_);
  return open_;
}

ResultCode LinkSession::lost() const {
  std::lock_guard lock(mutex_);
  return lost_;
}

void LinkSession::Lose(ResultCode code) {
  (void)run_.FailSession(code);
  std::lock_guard lock(mutex_);
  open_ = false;
  over_ = true;
  lost_ = code;
}

void LinkSession::Worker() {
  const ResultCode opened = run_.OpenSession(request_received_);
  if (opened == kResultSuccess) {
    {
      std::lock_guard lock(mutex_);
      open_ = true;
    }
    while (RunStep() && Idle()) {
    }
    return;
  }
  // A session that does not open fails its first step.
  Lose(opened);
  EndStep(opened);
}

bool LinkSession::RunStep() {
  line_kept_ = false;
  ResultCode r = kResultSuccess;
  if (step_ == Step::kReceive) {
    r = run_.SessionReceive(*into_, applis_, snapshot_);
  } else {
    r = run_.SessionReplace(&line_kept_);
  }
  const bool goes_on = r == kResultSuccess || line_kept_;
  if (!goes_on) Lose(r);
  EndStep(r);
  return goes_on;
}

void LinkSession::EndStep(ResultCode result) {
  // The window hears of the end before the waiter: it may be gone as soon
  // as Wait has returned.
  if (window_ != nullptr) {
    if (result == kResultSuccess) {
      window_->OnRunDone(result);
    } else {
      window_->OnRunFailed(result);
    }
  }
  {
    std::lock_guard lock(mutex_);
    step_result_ = result;
    step_running_ = false;
    step_ = Step::kNone;
  }
  step_ended_.notify_all();
}

bool LinkSession::Idle() {
  Deadline due = link_->DeadlineAfter(kKeepAliveMs);
  for (;;) {
    if (std::optional<ThreadMessage> message = queue_.TakeOne()) {
      if (message->id == kWmSessionStep) return true;
      if (message->id == kWmSessionEnd) {
        const ResultCode ended = run_.CloseSession();
        std::lock_guard lock(mutex_);
        open_ = false;
        over_ = true;
        end_result_ = ended;
        return false;
      }
      if (message->id == kWmLinkAbort) {
        Lose(kResultAborted);
        return false;
      }
      continue;
    }
    const uint32_t budget = WaitBudgetMs(link_->clock(), due);
    if (budget > 0) {
      pollfd wake{queue_.wake_fd(), POLLIN, 0};
      (void)link_->clock().Poll(&wake, 1, budget);
      continue;
    }
    const ResultCode answered = run_.KeepAlive();
    if (answered != kResultSuccess) {
      Lose(answered);
      return false;
    }
    due = link_->DeadlineAfter(kKeepAliveMs);
  }
}

}  // namespace kivo
