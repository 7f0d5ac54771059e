#include "cli/interruption.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>

TonnixInterruption::TonnixInterruption() {
  if (::pipe2(descriptors_, O_CLOEXEC | O_NONBLOCK) != 0) return;
  writer_ = descriptors_[1];
  struct sigaction action = {};
  action.sa_handler = &TonnixInterruption::interrupted;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
  notifier_ = std::make_unique<QSocketNotifier>(descriptors_[0], QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [] { QCoreApplication::exit(0); });
}

TonnixInterruption::~TonnixInterruption() {
  if (!notifier_) return;
  ::signal(SIGINT, SIG_DFL);
  ::signal(SIGTERM, SIG_DFL);
  notifier_.reset();
  writer_ = -1;
  ::close(descriptors_[0]);
  ::close(descriptors_[1]);
}

void TonnixInterruption::interrupted(int) {
  const char byte = 0;
  if (writer_ >= 0) (void)!::write(writer_, &byte, 1);
}
