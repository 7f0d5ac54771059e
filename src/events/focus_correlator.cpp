#include "events/focus_correlator.h"

namespace {

const QStringList& announcements() {
  static const QStringList names{TonnixAXNotification::focusedWindowChanged,
                                 TonnixAXNotification::focusedUIElementChanged,
                                 TonnixAXNotification::valueChanged};
  return names;
}

}  // namespace

TonnixFocusCorrelator::TonnixFocusCorrelator(TonnixAccessibility& accessibility,
                                             TonnixWorkspace& workspace,
                                             std::int32_t hostProcessIdentifier, QObject* parent)
    : QObject(parent),
      accessibility_(accessibility),
      workspace_(workspace),
      hostProcessIdentifier_(hostProcessIdentifier) {
  deadline_.setSingleShot(true);
  deadline_.setTimerType(Qt::PreciseTimer);
  connect(&deadline_, &QTimer::timeout, this, [this] {
    if (!held_) finish(std::nullopt, activeProcess_);
  });
  connect(&workspace_, &TonnixWorkspace::applicationLaunched, this,
          [this](const TonnixRunningApplication& application) {
            if (started_) observe(application.processIdentifier);
          });
  connect(&workspace_, &TonnixWorkspace::applicationTerminated, this,
          [this](const TonnixRunningApplication& application) {
            observers_.erase(application.processIdentifier);
            if (activeProcess_ != application.processIdentifier) return;
            activeProcess_ = 0;
            focusedWindow_.reset();
          });
}

TonnixFocusCorrelator::~TonnixFocusCorrelator() = default;

void TonnixFocusCorrelator::start() {
  if (started_) return;
  started_ = true;
  for (const auto& application : workspace_.runningApplications()) {
    if (application.isActive) activeProcess_ = application.processIdentifier;
    observe(application.processIdentifier);
  }
}

void TonnixFocusCorrelator::stop() {
  started_ = false;
  waiting_ = false;
  held_ = false;
  deadline_.stop();
  observers_.clear();
}

void TonnixFocusCorrelator::press() {
  waiting_ = true;
  held_ = true;
  deadline_.start(window);
}

void TonnixFocusCorrelator::release() {
  held_ = false;
  if (waiting_) deadline_.start(window);
}

// An application that cannot be observed keeps its presses generic.
void TonnixFocusCorrelator::observe(std::int32_t processIdentifier) {
  if (processIdentifier < 1 || processIdentifier == hostProcessIdentifier_ ||
      observers_.contains(processIdentifier)) {
    return;
  }
  auto observer = accessibility_.createObserver(
      processIdentifier,
      [this, processIdentifier](const TonnixAXElement& element, const QString& notification) {
        announced(processIdentifier, element, notification);
      });
  if (!observer) return;
  const TonnixAXElement application = accessibility_.applicationElement(processIdentifier);
  for (const QString& name : announcements()) {
    (void)(*observer)->addNotification(application, name);
  }
  observers_.emplace(processIdentifier, std::move(*observer));
}

// A press on another application's window focuses that window first, so
// the control it announces next belongs to the new owner.
void TonnixFocusCorrelator::announced(std::int32_t processIdentifier,
                                      const TonnixAXElement& element, const QString& notification) {
  if (notification == TonnixAXNotification::focusedWindowChanged) {
    activeProcess_ = processIdentifier;
    focusedWindow_ = element;
    return;
  }
  if (!waiting_ || (activeProcess_ != 0 && processIdentifier != activeProcess_)) return;
  // The window itself taking the focus is no control.
  if (focusedWindow_ && element == *focusedWindow_) return;
  finish(element, processIdentifier);
}

void TonnixFocusCorrelator::finish(const std::optional<TonnixAXElement>& element,
                                   std::int32_t processIdentifier) {
  if (!waiting_) return;
  waiting_ = false;
  deadline_.stop();
  emit identified(element, processIdentifier);
}
