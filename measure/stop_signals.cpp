#include "measure/stop_signals.h"

#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <ctime>

namespace zirt {
namespace {

sigset_t StopSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

void HoldStopSignals() {
  const sigset_t set = StopSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

int TakeStopSignal(int timeout_ms) {
  const sigset_t set = StopSet();
  timespec wait{timeout_ms / 1000, static_cast<long>(timeout_ms % 1000) * 1000000L};
  while (true) {
    const int signal = sigtimedwait(&set, nullptr, &wait);
    if (signal > 0) return signal;
    if (errno != EINTR) return 0;  // EAGAIN: none came.
  }
}

const char* StopSignalName(int signal) {
  switch (signal) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    default:
      return "a signal";
  }
}

}  // namespace zirt
