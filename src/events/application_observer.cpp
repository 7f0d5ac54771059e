#include "events/application_observer.h"

#include <QTimer>
#include <algorithm>
#include <chrono>

#include "events/element_description.h"

namespace {

using Resolution = TonnixSoundResolution;

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool isDestroyedElement(const TonnixNotificationMapping& mapping) {
  return std::holds_alternative<Resolution::DestroyedElement>(mapping.resolution.value);
}

}  // namespace

QString TonnixObserverError::description() const {
  return QStringLiteral("AXObserverCreate failed for pid %1 with error %2")
      .arg(processIdentifier)
      .arg(errorCode(error));
}

TonnixApplicationObserver::TonnixApplicationObserver(
    TonnixAccessibility& accessibility, std::int32_t processIdentifier,
    std::optional<QString> localizedName, std::optional<QString> bundleIdentifier,
    TonnixAXElement applicationElement, TonnixMappingsByRawName mappingsByRawName, QObject* parent)
    : QObject(parent),
      accessibility_(accessibility),
      processIdentifier_(processIdentifier),
      localizedName_(std::move(localizedName)),
      bundleIdentifier_(std::move(bundleIdentifier)),
      applicationElement_(std::move(applicationElement)),
      mappingsByRawName_(std::move(mappingsByRawName)) {}

// The platform observer takes its registrations with it.
TonnixApplicationObserver::~TonnixApplicationObserver() = default;

TonnixExpected<TonnixDone, TonnixObserverError> TonnixApplicationObserver::attach() {
  if (observer_) return TonnixDone{};
  const auto start = std::chrono::steady_clock::now();
  didTimeOut_ = false;
  auto created = accessibility_.createObserver(
      processIdentifier_, [this](const TonnixAXElement& element, const QString& rawName) {
        handleNotification(element, rawName);
      });
  if (!created) {
    didTimeOut_ = created.error() == TonnixAXError::cannotComplete;
    attachDuration_ = secondsSince(start);
    return unexpected(
        TonnixObserverError::couldNotCreateObserver(processIdentifier_, created.error()));
  }
  observer_ = std::move(created).value();
  registerNotifications();
  if (!didTimeOut_) rememberExistingWindows();
  attachDuration_ = secondsSince(start);
  return TonnixDone{};
}

// An application that does not answer twice in a row is given up on, so a
// hung application costs two time-outs, not one per notification.
void TonnixApplicationObserver::registerNotifications() {
  bool lastAttemptTimedOut = false;
  for (const auto& mapping : mappingsByRawName_.inOrder()) {
    // Destruction is registered per tracked element: on the application it
    // would report every element that goes away.
    if (isDestroyedElement(mapping)) continue;
    const auto& rawName = mapping.notification.rawValue;
    const auto registered = observer_->addNotification(applicationElement_, rawName);
    if (registered) {
      registeredRawNames_.append(rawName);
      lastAttemptTimedOut = false;
      continue;
    }
    if (registered.error() != TonnixAXError::cannotComplete) continue;
    didTimeOut_ = true;
    if (lastAttemptTimedOut) return;
    lastAttemptTimedOut = true;
  }
}

// Windows that were open before the observer came close with the ordinary
// sound too.
void TonnixApplicationObserver::rememberExistingWindows() {
  if (!mappingsByRawName_.contains(TonnixAXNotification::windowCreated)) return;
  const auto windows =
      accessibility_.attributeValue(applicationElement_, TonnixAXAttribute::windows);
  if (!windows) {
    if (windows.error() == TonnixAXError::cannotComplete) didTimeOut_ = true;
    return;
  }
  const auto* list = windows->as<TonnixAXValue::Array>();
  if (!list) return;
  std::size_t remembered = 0;
  for (const auto& value : *list) {
    if (remembered == maximumExistingWindows) return;
    const auto* window = value.as<TonnixAXElement>();
    if (!window) continue;
    track(*window, TonnixSoundID("wcls"));
    ++remembered;
  }
}

void TonnixApplicationObserver::track(const TonnixAXElement& element, TonnixSoundID closeSoundID) {
  const auto& destroyed = TonnixAXNotification::uiElementDestroyed;
  if (!observer_ || !mappingsByRawName_.contains(destroyed)) return;
  const bool known =
      std::any_of(trackedElements_.begin(), trackedElements_.end(),
                  [&](const TrackedElement& tracked) { return tracked.element == element; });
  if (known) return;
  if (!observer_->addNotification(element, destroyed)) return;
  if (trackedElements_.size() >= maximumTrackedElements) {
    // The oldest is forgotten either way; it may have gone already.
    (void)observer_->removeNotification(trackedElements_.front().element, destroyed);
    trackedElements_.erase(trackedElements_.begin());
  }
  trackedElements_.push_back({element, closeSoundID, std::nullopt});
}

// Describes the oldest element waiting, then gives the event loop back.
void TonnixApplicationObserver::describeTracked() {
  if (toDescribe_.empty()) return;
  const TonnixAXElement element = toDescribe_.front();
  toDescribe_.erase(toDescribe_.begin());
  if (!toDescribe_.empty()) {
    QTimer::singleShot(0, this, &TonnixApplicationObserver::describeTracked);
  }
  const auto tracked =
      std::find_if(trackedElements_.begin(), trackedElements_.end(),
                   [&](const TrackedElement& candidate) { return candidate.element == element; });
  if (tracked == trackedElements_.end()) return;
  tracked->name = describeElement(accessibility_, element);
}

void TonnixApplicationObserver::teardown() {
  if (!observer_) return;
  // The observer goes next, with whatever could not be removed.
  for (const auto& rawName : std::as_const(registeredRawNames_)) {
    (void)observer_->removeNotification(applicationElement_, rawName);
  }
  for (const auto& tracked : trackedElements_) {
    (void)observer_->removeNotification(tracked.element, TonnixAXNotification::uiElementDestroyed);
  }
  observer_.reset();
  registeredRawNames_.clear();
  trackedElements_.clear();
  toDescribe_.clear();
}

void TonnixApplicationObserver::handleNotification(const TonnixAXElement& element,
                                                   const QString& rawName) {
  const auto* mapping = mappingsByRawName_.find(rawName);
  if (!mapping) return;
  const auto& resolution = mapping->resolution.value;
  if (const auto* fixed = std::get_if<Resolution::Fixed>(&resolution)) {
    emitEvent(rawName, fixed->soundID, TonnixEventElement::unnamed(element));
  } else if (const auto* tracked = std::get_if<Resolution::Tracked>(&resolution)) {
    handleTracked(element, rawName, tracked->open, tracked->close);
  } else if (std::holds_alternative<Resolution::CreatedWindow>(resolution)) {
    const auto pair = windowSoundPair(stringAttribute(element, TonnixAXAttribute::subrole));
    handleTracked(element, rawName, pair.open, pair.close);
  } else if (std::holds_alternative<Resolution::DestroyedElement>(resolution)) {
    handleDestroyed(element, rawName);
  } else if (const auto* sounds = std::get_if<Resolution::SelectedChildrenChanged>(&resolution)) {
    handleSelectedChildren(element, rawName, *sounds);
  }
}

void TonnixApplicationObserver::handleTracked(const TonnixAXElement& element,
                                              const QString& rawName, TonnixSoundID open,
                                              TonnixSoundID close) {
  track(element, close);
  emitEvent(rawName, open, TonnixEventElement::unnamed(element));
  const bool isUnnamed = std::any_of(
      trackedElements_.begin(), trackedElements_.end(),
      [&](const TrackedElement& tracked) { return tracked.element == element && !tracked.name; });
  if (!isUnnamed ||
      std::find(toDescribe_.begin(), toDescribe_.end(), element) != toDescribe_.end()) {
    return;
  }
  if (toDescribe_.empty()) {
    QTimer::singleShot(0, this, &TonnixApplicationObserver::describeTracked);
  }
  toDescribe_.push_back(element);
}

void TonnixApplicationObserver::handleDestroyed(const TonnixAXElement& element,
                                                const QString& rawName) {
  const auto found =
      std::find_if(trackedElements_.begin(), trackedElements_.end(),
                   [&](const TrackedElement& tracked) { return tracked.element == element; });
  if (found == trackedElements_.end()) return;
  const auto tracked = std::move(*found);
  trackedElements_.erase(found);
  // The element is gone, and its registration may have gone with it.
  (void)observer_->removeNotification(tracked.element, TonnixAXNotification::uiElementDestroyed);
  std::optional<TonnixEventElement> named;
  if (tracked.name) named = TonnixEventElement::named(*tracked.name);
  emitEvent(rawName, tracked.closeSoundID, std::move(named));
}

// Selection inside a menu is a menu item lighting up. Elsewhere it makes
// no sound: applications change selections far too often.
void TonnixApplicationObserver::handleSelectedChildren(
    const TonnixAXElement& element, const QString& rawName,
    const TonnixSoundResolution::SelectedChildrenChanged& sounds) {
  const auto role = stringAttribute(element, TonnixAXAttribute::role);
  if (role == TonnixAXRole::menu && sounds.menuHilite != sounds.defaultSound) {
    emitEvent(rawName, sounds.menuHilite, TonnixEventElement::unnamed(element));
  }
}

std::optional<QString> TonnixApplicationObserver::stringAttribute(const TonnixAXElement& element,
                                                                  const QString& attribute) {
  const auto value = accessibility_.attributeValue(element, attribute);
  if (!value) return std::nullopt;
  const auto* text = value->as<QString>();
  return text ? std::optional<QString>(*text) : std::nullopt;
}

void TonnixApplicationObserver::emitEvent(const QString& rawName, TonnixSoundID soundID,
                                          std::optional<TonnixEventElement> element) {
  emit eventOccurred(TonnixEvent::fromNotification(soundID, rawName, processIdentifier_,
                                                   localizedName_, std::move(element)));
}
