#include "app/application_attacher.h"

#include <algorithm>
#include <numeric>

#include "app/event_dispatcher.h"
#include "app/exclusions.h"
#include "app/set_and_notify.h"
#include "support/diagnostics.h"

namespace {

// 0 for the active application, 1 for an ordinary one, 2 for the rest.
int attachRank(const TonnixRunningApplication& application) {
  if (application.isActive) return 0;
  return application.activationPolicy == TonnixActivationPolicy::regular ? 1 : 2;
}

}  // namespace

bool hasUserInterface(const TonnixRunningApplication& application) {
  return application.activationPolicy == TonnixActivationPolicy::regular ||
         application.activationPolicy == TonnixActivationPolicy::accessory;
}

TonnixApplicationAttacher::TonnixApplicationAttacher(TonnixAccessibility& accessibility,
                                                     TonnixWorkspace& workspace,
                                                     TonnixExclusions& exclusions,
                                                     TonnixEventDispatcher& dispatcher,
                                                     QObject* parent)
    : QObject(parent),
      accessibility_(accessibility),
      workspace_(workspace),
      exclusions_(exclusions),
      dispatcher_(dispatcher),
      mappings_(defaultNotificationMappings()) {
  connect(&attachQueue_, &TonnixAttachQueue::due, this, &TonnixApplicationAttacher::attachDue);
  connect(&attachQueue_, &TonnixAttachQueue::finished, this,
          &TonnixApplicationAttacher::finishAttaching);
}

TonnixApplicationAttacher::~TonnixApplicationAttacher() {
  for (auto& entry : observers_) entry.second->teardown();
}

void TonnixApplicationAttacher::setMappings(const TonnixNotificationMappings& mappings) {
  setAndNotify(this, mappings_, mappings, &TonnixApplicationAttacher::mappingsChanged);
}

void TonnixApplicationAttacher::start() {
  isStarted_ = true;
  rescan();
}

void TonnixApplicationAttacher::stop() {
  isStarted_ = false;
  attachQueue_.cancel();
  setAndNotify(this, isAttaching_, false, &TonnixApplicationAttacher::isAttachingChanged);
  setAndNotify(this, applicationsAttached_, 0,
               &TonnixApplicationAttacher::applicationsAttachedChanged);
  setAndNotify(this, applicationsToAttach_, 0,
               &TonnixApplicationAttacher::applicationsToAttachChanged);
  for (auto& entry : observers_) entry.second->teardown();
  observers_.clear();
  timeouts_.clear();
  recount();
  setAndNotify(this, failedObserverCount_, 0,
               &TonnixApplicationAttacher::failedObserverCountChanged);
  emit applicationsChanged();
}

void TonnixApplicationAttacher::rescan() {
  if (!isStarted_) {
    setAndNotify(this, isAttaching_, false, &TonnixApplicationAttacher::isAttachingChanged);
    setAndNotify(this, applicationsToAttach_, 0,
                 &TonnixApplicationAttacher::applicationsToAttachChanged);
    return;
  }
  attachQueue_.cancel();
  if (workspace_.isSandboxed()) {
    tonnixDiagnostic("TonnixController",
                     "running sandboxed, so no other application can be observed. The Flatpak "
                     "needs --talk-name=org.a11y.Bus.");
  }

  std::vector<TonnixRunningApplication> eligible;
  for (auto& application : workspace_.runningApplications()) {
    if (isEligible(application)) eligible.push_back(std::move(application));
  }
  std::stable_sort(eligible.begin(), eligible.end(),
                   [](const auto& a, const auto& b) { return attachRank(a) < attachRank(b); });

  setAndNotify(this, applicationsAttached_, 0,
               &TonnixApplicationAttacher::applicationsAttachedChanged);
  setAndNotify(this, applicationsToAttach_, static_cast<int>(eligible.size()),
               &TonnixApplicationAttacher::applicationsToAttachChanged);
  emit applicationsChanged();
  setAndNotify(this, isAttaching_, !eligible.empty(),
               &TonnixApplicationAttacher::isAttachingChanged);
  if (!eligible.empty()) attachQueue_.start(std::move(eligible));
}

void TonnixApplicationAttacher::attachDue(const TonnixRunningApplication& application) {
  if (!isStarted_) {
    attachQueue_.cancel();
    setAndNotify(this, isAttaching_, false, &TonnixApplicationAttacher::isAttachingChanged);
    return;
  }
  attach(application);
  setAndNotify(this, applicationsAttached_, applicationsAttached_ + 1,
               &TonnixApplicationAttacher::applicationsAttachedChanged);
}

void TonnixApplicationAttacher::finishAttaching() {
  emit applicationsChanged();
  reportAttachCycle();
  setAndNotify(this, isAttaching_, false, &TonnixApplicationAttacher::isAttachingChanged);
}

void TonnixApplicationAttacher::reportAttachCycle() const {
  if (observedApplicationCount_ == 0 || registeredNotificationCount_ != 0) return;
  tonnixDiagnostic("TonnixController", "attached to " + std::to_string(observedApplicationCount_) +
                                           " applications but registered 0 notifications. "
                                           "Accessibility access is denied.");
}

bool TonnixApplicationAttacher::isEligible(const TonnixRunningApplication& application) const {
  const std::int32_t processIdentifier = application.processIdentifier;
  if (processIdentifier < 1 || processIdentifier == workspace_.processIdentifier()) return false;
  if (application.isTerminated || !hasUserInterface(application)) return false;
  if (application.bundleIdentifier && exclusions_.isExcluded(*application.bundleIdentifier)) {
    return false;
  }
  // An observer whose application did not answer (one still starting up)
  // is attached again.
  const auto* existing = observer(processIdentifier);
  return !existing || existing->didTimeOut();
}

void TonnixApplicationAttacher::attach(const TonnixRunningApplication& application) {
  if (!isStarted_ || !isEligible(application)) return;
  const std::int32_t processIdentifier = application.processIdentifier;
  removeObserver(processIdentifier);
  const TonnixAXElement element = accessibility_.applicationElement(processIdentifier);
  auto observer = std::make_unique<TonnixApplicationObserver>(
      accessibility_, processIdentifier, application.localizedName, application.bundleIdentifier,
      element, TonnixMappingsByRawName(mappings_));
  connect(observer.get(), &TonnixApplicationObserver::eventOccurred, &dispatcher_,
          &TonnixEventDispatcher::handle);
  // A failure leaves the platform's own time-out, which only makes a hung
  // application slower to give up on.
  (void)accessibility_.setMessagingTimeout(element, attachMessagingTimeout);

  const bool attached = observer->attach().hasValue();
  if (observer->didTimeOut()) {
    timeouts_[processIdentifier] = {observer->attachDuration(),
                                    static_cast<int>(observer->registeredRawNames().size())};
  } else {
    timeouts_.erase(processIdentifier);
  }
  if (!attached) {
    setAndNotify(this, failedObserverCount_, failedObserverCount_ + 1,
                 &TonnixApplicationAttacher::failedObserverCountChanged);
    return;
  }
  observers_.emplace(processIdentifier, std::move(observer));
  recount();
}

void TonnixApplicationAttacher::detach(std::int32_t processIdentifier) {
  timeouts_.erase(processIdentifier);
  removeObserver(processIdentifier);
}

void TonnixApplicationAttacher::detachApplication(const QString& bundleIdentifier) {
  std::vector<std::int32_t> detached;
  for (const auto& entry : observers_) {
    if (entry.second->bundleIdentifier() == bundleIdentifier) detached.push_back(entry.first);
  }
  for (const auto processIdentifier : detached) {
    observers_.at(processIdentifier)->teardown();
    observers_.erase(processIdentifier);
    timeouts_.erase(processIdentifier);
  }
  recount();
}

const TonnixApplicationObserver* TonnixApplicationAttacher::observer(
    std::int32_t processIdentifier) const {
  const auto found = observers_.find(processIdentifier);
  return found == observers_.end() ? nullptr : found->second.get();
}

void TonnixApplicationAttacher::removeObserver(std::int32_t processIdentifier) {
  const auto found = observers_.find(processIdentifier);
  if (found == observers_.end()) return;
  found->second->teardown();
  observers_.erase(found);
  recount();
}

void TonnixApplicationAttacher::recount() {
  const int registered =
      std::accumulate(observers_.begin(), observers_.end(), 0, [](int sum, const auto& entry) {
        return sum + static_cast<int>(entry.second->registeredRawNames().size());
      });
  setAndNotify(this, observedApplicationCount_, static_cast<int>(observers_.size()),
               &TonnixApplicationAttacher::observedApplicationCountChanged);
  setAndNotify(this, registeredNotificationCount_, registered,
               &TonnixApplicationAttacher::registeredNotificationCountChanged);
}
