#pragma once

#include <QObject>
#include <QTimer>
#include <cstddef>
#include <vector>

#include "platform/workspace.h"

// The applications of one attach cycle, handed out one per turn of the
// event loop with a pause between two of them, so that accessibility
// callbacks, clicks and the settings window go on during a long cycle.
// Main thread only.
class TonnixAttachQueue : public QObject {
  Q_OBJECT

 public:
  explicit TonnixAttachQueue(int pauseMilliseconds, QObject* parent = nullptr);

  // Replaces any cycle under way; the first application is due on the next
  // turn of the event loop.
  void start(std::vector<TonnixRunningApplication> applications);
  // Drops the applications not yet handed out; nothing more is due.
  void cancel();

 signals:
  // The next application to attach.
  void due(const TonnixRunningApplication& application);
  // A pause after the last application was due; not after a cancel.
  void finished();

 private:
  void next();

  int pauseMilliseconds_;
  std::vector<TonnixRunningApplication> applications_;
  std::size_t position_ = 0;
  QTimer timer_;
};
