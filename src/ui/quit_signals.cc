#include "ui/quit_signals.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace kivo {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The handler may only write to a descriptor; everything else happens when the
// event loop sees the byte.
int g_signal_pipe[2] = {-1, -1};
struct sigaction g_previous[3];

void WriteSignalByte(int /*signal*/) {
  const char byte = 1;
  // A full pipe already holds a wake-up; nothing else is safe in a handler.
  (void)!::write(g_signal_pipe[1], &byte, 1);
}

}  // namespace

QuitSignals::QuitSignals(std::function<void()> on_quit, QObject* parent)
    : QObject(parent), on_quit_(std::move(on_quit)) {
  if (g_signal_pipe[0] >= 0) return;  // another object holds the handlers
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signal_pipe) != 0) return;
  notifier_ = new QSocketNotifier(g_signal_pipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &QuitSignals::OnReadable);
  struct sigaction action {};
  action.sa_handler = WriteSignalByte;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < std::size(kSignals); ++i)
    ::sigaction(kSignals[i], &action, &g_previous[i]);
  installed_ = true;
}

QuitSignals::~QuitSignals() {
  if (!installed_) return;
  for (size_t i = 0; i < std::size(kSignals); ++i)
    ::sigaction(kSignals[i], &g_previous[i], nullptr);
  delete notifier_;
  ::close(g_signal_pipe[0]);
  ::close(g_signal_pipe[1]);
  g_signal_pipe[0] = g_signal_pipe[1] = -1;
}

void QuitSignals::OnReadable() {
  char bytes[16];
  // Only emptied: any byte means "quit".
  (void)!::read(g_signal_pipe[0], bytes, sizeof(bytes));
  if (on_quit_) on_quit_();
}

}  // namespace kivo
