#include "event_loop.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

namespace tonnix_test {

bool turnUntil(const std::function<bool()>& done, int milliseconds) {
  QDeadlineTimer deadline(milliseconds);
  // What `done` looks at may change without an event of this thread (another
  // process, the X server): a short tick wakes the loop to look again
  // without spinning.
  QTimer tick;
  tick.start(5);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

void turnFor(int milliseconds) {
  turnUntil([] { return false; }, milliseconds);
}

}  // namespace tonnix_test
