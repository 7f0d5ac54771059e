#pragma once

#include <QSocketNotifier>
#include <csignal>
#include <memory>

// SIGINT and SIGTERM (Ctrl-C, the session ending, systemd stopping the
// user's services) end the event loop through a pipe, so that Tonnix stops
// listening as it does when it quits; the handler itself only writes a byte.
// One per process, made on the main thread before the loop runs.
class TonnixInterruption {
 public:
  TonnixInterruption();
  ~TonnixInterruption();
  TonnixInterruption(const TonnixInterruption&) = delete;
  TonnixInterruption& operator=(const TonnixInterruption&) = delete;

 private:
  static void interrupted(int);

  static inline volatile std::sig_atomic_t writer_ = -1;
  int descriptors_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
};
