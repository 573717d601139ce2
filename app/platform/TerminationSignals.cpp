#include "app/platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <array>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::array kSignals{SIGTERM, SIGINT, SIGHUP};
int gPipe[2] = {-1, -1};
struct sigaction gPrevious[kSignals.size()];

// Only async-signal-safe work here: one byte into the pipe.
void onSignal(int signalNumber) {
  const int savedErrno = errno;
  const unsigned char byte = static_cast<unsigned char>(signalNumber);
  [[maybe_unused]] const ssize_t written = ::write(gPipe[1], &byte, 1);
  errno = savedErrno;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
  if (gPipe[0] != -1 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gPipe) != 0) {
    return;
  }
  ::fcntl(gPipe[1], F_SETFL, O_NONBLOCK);
  notifier_ = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::readPending);
  struct sigaction action = {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  installed_ = true;
  for (size_t i = 0; i < kSignals.size(); ++i) {
    installed_ = ::sigaction(kSignals[i], &action, &gPrevious[i]) == 0 && installed_;
  }
}

TerminationSignals::~TerminationSignals() {
  if (gPipe[0] == -1 || notifier_ == nullptr) {
    return;
  }
  for (size_t i = 0; i < kSignals.size(); ++i) {
    ::sigaction(kSignals[i], &gPrevious[i], nullptr);
  }
  delete notifier_;
  ::close(gPipe[0]);
  ::close(gPipe[1]);
  gPipe[0] = gPipe[1] = -1;
}

void TerminationSignals::readPending() {
  unsigned char byte = 0;
  if (::read(gPipe[0], &byte, 1) == 1) {
    Q_EMIT received(byte);
  }
}
