#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/interruption.h"

namespace cli {
namespace {

io::fs::Unfinished* g_file = nullptr;
const char* g_removed = "";
pthread_t g_writer;

void Say(const char* text) {
  for (size_t done = 0, size = std::strlen(text); done < size;) {
    const ssize_t n = ::write(STDERR_FILENO, text + done, size - done);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

// The thread that writes is the one that handles it: interrupted there, it
// is at a known point, and no file is made behind the handler's back. Any
// other thread passes the signal on.
void OnSignal(int signal) {
  if (!pthread_equal(pthread_self(), g_writer)) {
    pthread_kill(g_writer, signal);
    return;
  }
  const bool had = g_file->State != 0;
  io::fs::RemoveUnfinished(*g_file);
  Say("tarnwick-cli: interrupted");
  if (had) {
    Say("; ");
    Say(g_removed);
  }
  Say("\n");
  // Blocked while this runs: delivered, with the default action, on return.
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

}  // namespace

void RemoveOnInterruption(io::fs::Unfinished& file, const char* removed) {
  g_file = &file;
  g_removed = removed;
  g_writer = pthread_self();
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGINT, SIGTERM}) {
    // A signal the shell had ignored (a background job) stays ignored.
    struct sigaction before {};
    if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    ::sigaction(signal, &action, nullptr);
  }
}

}  // namespace cli
