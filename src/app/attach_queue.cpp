#include "app/attach_queue.h"

TonnixAttachQueue::TonnixAttachQueue(int pauseMilliseconds, QObject* parent)
    : QObject(parent), pauseMilliseconds_(pauseMilliseconds) {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &TonnixAttachQueue::next);
}

void TonnixAttachQueue::start(std::vector<TonnixRunningApplication> applications) {
  applications_ = std::move(applications);
  position_ = 0;
  timer_.start(0);
}

void TonnixAttachQueue::cancel() {
  timer_.stop();
  applications_.clear();
  position_ = 0;
}

void TonnixAttachQueue::next() {
  if (position_ >= applications_.size()) {
    cancel();
    emit finished();
    return;
  }
  const TonnixRunningApplication application = applications_[position_++];
  emit due(application);
  // Whoever handled it may have cancelled the cycle or started another.
  if (applications_.empty() || timer_.isActive()) return;
  timer_.start(pauseMilliseconds_);
}
