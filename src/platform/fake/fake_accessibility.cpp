#include "platform/fake/fake_accessibility.h"

#include <algorithm>

namespace {

struct FakeHandle final : TonnixAXElementHandle {
  FakeHandle(const TonnixFakeAccessibility* fake, std::int64_t elementID)
      : TonnixAXElementHandle(std::hash<std::int64_t>{}(elementID)), owner(fake), id(elementID) {}

  bool isSameElement(const TonnixAXElementHandle& other) const override {
    const auto* fake = dynamic_cast<const FakeHandle*>(&other);
    return fake && fake->owner == owner && fake->id == id;
  }

  const TonnixFakeAccessibility* owner;
  std::int64_t id;
};

}  // namespace

class TonnixFakeAXObserver final : public TonnixAXObserver {
 public:
  TonnixFakeAXObserver(TonnixFakeAccessibility& fake, int id, std::int32_t processIdentifier,
                       Callback callback)
      : fake_(fake),
        id_(id),
        processIdentifier_(processIdentifier),
        callback_(std::move(callback)) {
    fake_.observers_[id_] = this;
  }

  ~TonnixFakeAXObserver() override { fake_.observers_.erase(id_); }

  TonnixAXResult<TonnixDone> addNotification(const TonnixAXElement& element,
                                             const QString& notification) override {
    TONNIX_TRY(record, fake_.answering(element));
    if (record->processIdentifier != processIdentifier_) {
      return unexpected(TonnixAXError::illegalArgument);
    }
    if (const auto error = record->registrationErrors.constFind(notification);
        error != record->registrationErrors.cend()) {
      return unexpected(*error);
    }
    auto& names = registrations_[*fake_.idOf(element)];
    if (names.contains(notification)) {
      return unexpected(TonnixAXError::notificationAlreadyRegistered);
    }
    names.append(notification);
    return TonnixDone{};
  }

  TonnixAXResult<TonnixDone> removeNotification(const TonnixAXElement& element,
                                                const QString& notification) override {
    const auto* record = fake_.find(element);
    if (!record || record->isDestroyed) return unexpected(TonnixAXError::invalidUIElement);
    const auto names = registrations_.find(*fake_.idOf(element));
    if (names == registrations_.end() || !names->removeOne(notification)) {
      return unexpected(TonnixAXError::notificationNotRegistered);
    }
    return TonnixDone{};
  }

  bool isRegistered(std::int64_t elementID, const QString& notification) const {
    const auto names = registrations_.constFind(elementID);
    return names != registrations_.cend() && names->contains(notification);
  }

  QStringList registeredOn(std::int64_t elementID) const { return registrations_.value(elementID); }
  void forget(std::int64_t elementID) { registrations_.remove(elementID); }
  std::int32_t processIdentifier() const { return processIdentifier_; }
  Callback callback() const { return callback_; }

 private:
  TonnixFakeAccessibility& fake_;
  int id_;
  std::int32_t processIdentifier_;
  Callback callback_;
  QHash<std::int64_t, QStringList> registrations_;
};

TonnixFakeAccessibility::TonnixFakeAccessibility() {
  status_.trusted = true;
  Record systemWide;
  systemWide.isSystemWide = true;
  systemWide_ = newRecord(std::move(systemWide));
}

TonnixFakeAccessibility::~TonnixFakeAccessibility() = default;

TonnixAXElement TonnixFakeAccessibility::reference(std::int64_t id) {
  return TonnixAXElement(std::make_shared<FakeHandle>(this, id));
}

std::int64_t TonnixFakeAccessibility::newRecord(Record record) {
  const auto id = nextID_++;
  records_.emplace(id, std::move(record));
  return id;
}

std::optional<std::int64_t> TonnixFakeAccessibility::idOf(const TonnixAXElement& element) const {
  const auto* handle = element.handleAs<FakeHandle>();
  if (!handle || handle->owner != this) return std::nullopt;
  return handle->id;
}

TonnixFakeAccessibility::Record* TonnixFakeAccessibility::find(const TonnixAXElement& element) {
  const auto id = idOf(element);
  if (!id) return nullptr;
  const auto found = records_.find(*id);
  return found == records_.end() ? nullptr : &found->second;
}

const TonnixFakeAccessibility::Record* TonnixFakeAccessibility::find(
    const TonnixAXElement& element) const {
  return const_cast<TonnixFakeAccessibility*>(this)->find(element);
}

TonnixExpected<TonnixFakeAccessibility::Record*, TonnixAXError> TonnixFakeAccessibility::answering(
    const TonnixAXElement& element) {
  auto* record = find(element);
  if (!record || record->isDestroyed) return unexpected(TonnixAXError::invalidUIElement);
  if (unresponsive_.value(record->processIdentifier)) {
    return unexpected(TonnixAXError::cannotComplete);
  }
  return record;
}

TonnixAXElement TonnixFakeAccessibility::addElement(std::int32_t processIdentifier) {
  applicationElement(processIdentifier);
  Record record;
  record.processIdentifier = processIdentifier;
  return reference(newRecord(std::move(record)));
}

TonnixAXElement TonnixFakeAccessibility::alias(const TonnixAXElement& element) {
  return reference(idOf(element).value_or(0));
}

void TonnixFakeAccessibility::setAttribute(const TonnixAXElement& element, const QString& attribute,
                                           TonnixAXValue value) {
  if (auto* record = find(element)) {
    record->attributeErrors.remove(attribute);
    record->attributes.insert(attribute, std::move(value));
  }
}

void TonnixFakeAccessibility::setAttributeError(const TonnixAXElement& element,
                                                const QString& attribute, TonnixAXError error) {
  if (auto* record = find(element)) {
    record->attributes.remove(attribute);
    record->attributeErrors.insert(attribute, error);
  }
}

void TonnixFakeAccessibility::setBatchReads(const TonnixAXElement& element, BatchReads behaviour) {
  if (auto* record = find(element)) record->batchReads = behaviour;
}

void TonnixFakeAccessibility::place(const TonnixAXElement& element, const QRectF& frame) {
  auto* record = find(element);
  if (!record) return;
  record->frame = frame;
  const auto id = *idOf(element);
  std::erase(placements_, id);
  placements_.push_back(id);
}

void TonnixFakeAccessibility::failObserverCreation(std::int32_t processIdentifier,
                                                   std::optional<TonnixAXError> error) {
  if (error) {
    observerCreationErrors_.insert(processIdentifier, *error);
  } else {
    observerCreationErrors_.remove(processIdentifier);
  }
}

void TonnixFakeAccessibility::failRegistration(const TonnixAXElement& element,
                                               const QString& notification,
                                               std::optional<TonnixAXError> error) {
  auto* record = find(element);
  if (!record) return;
  if (error) {
    record->registrationErrors.insert(notification, *error);
  } else {
    record->registrationErrors.remove(notification);
  }
}

void TonnixFakeAccessibility::setUnresponsive(std::int32_t processIdentifier, bool unresponsive) {
  unresponsive_.insert(processIdentifier, unresponsive);
}

void TonnixFakeAccessibility::post(const TonnixAXElement& element, const QString& notification) {
  const auto id = idOf(element);
  const auto* record = find(element);
  if (!record || record->isDestroyed || record->isSystemWide) return;
  const auto application = applications_.value(record->processIdentifier);
  // Observers may come and go inside a callback: walk a snapshot and look
  // each one up again before calling it.
  std::vector<int> ids;
  for (const auto& [observerID, observer] : observers_) {
    if (observer->processIdentifier() != record->processIdentifier) continue;
    if (observer->isRegistered(*id, notification) ||
        observer->isRegistered(application, notification)) {
      ids.push_back(observerID);
    }
  }
  for (const int observerID : ids) {
    const auto observer = observers_.find(observerID);
    if (observer == observers_.end()) continue;
    const auto callback = observer->second->callback();
    if (callback) callback(reference(*id), notification);
  }
}

void TonnixFakeAccessibility::destroy(const TonnixAXElement& element) {
  post(element, TonnixAXNotification::uiElementDestroyed);
  auto* record = find(element);
  if (!record) return;
  record->isDestroyed = true;
  const auto id = *idOf(element);
  for (auto& [observerID, observer] : observers_) observer->forget(id);
  std::erase(placements_, id);
}

QStringList TonnixFakeAccessibility::registeredNotifications(const TonnixAXElement& element) const {
  const auto id = idOf(element);
  if (!id) return {};
  QStringList names;
  for (const auto& [observerID, observer] : observers_) names += observer->registeredOn(*id);
  return names;
}

int TonnixFakeAccessibility::observerCount(std::int32_t processIdentifier) const {
  return static_cast<int>(std::count_if(
      observers_.begin(), observers_.end(),
      [&](const auto& entry) { return entry.second->processIdentifier() == processIdentifier; }));
}

std::optional<double> TonnixFakeAccessibility::messagingTimeout(
    const TonnixAXElement& element) const {
  const auto* record = find(element);
  return record ? record->messagingTimeout : std::nullopt;
}

TonnixAXElement TonnixFakeAccessibility::applicationElement(std::int32_t processIdentifier) {
  if (const auto found = applications_.constFind(processIdentifier);
      found != applications_.cend()) {
    return reference(*found);
  }
  Record record;
  record.processIdentifier = processIdentifier;
  const auto id = newRecord(std::move(record));
  applications_.insert(processIdentifier, id);
  return reference(id);
}

TonnixAXElement TonnixFakeAccessibility::systemWideElement() {
  return reference(systemWide_);
}

TonnixAXResult<TonnixDone> TonnixFakeAccessibility::setMessagingTimeout(
    const TonnixAXElement& element, double seconds) {
  auto* record = find(element);
  if (!record || record->isDestroyed) return unexpected(TonnixAXError::invalidUIElement);
  if (!(seconds >= 0)) return unexpected(TonnixAXError::illegalArgument);
  record->messagingTimeout = seconds;
  return TonnixDone{};
}

TonnixAXResult<std::int32_t> TonnixFakeAccessibility::processIdentifier(
    const TonnixAXElement& element) {
  const auto* record = find(element);
  if (!record || record->isDestroyed) return unexpected(TonnixAXError::invalidUIElement);
  if (record->isSystemWide) return unexpected(TonnixAXError::illegalArgument);
  return record->processIdentifier;
}

TonnixAXResult<TonnixAXValue> TonnixFakeAccessibility::attributeValue(
    const TonnixAXElement& element, const QString& attribute) {
  ++singleReads_;
  TONNIX_TRY(record, answering(element));
  if (const auto error = record->attributeErrors.constFind(attribute);
      error != record->attributeErrors.cend()) {
    return unexpected(*error);
  }
  const auto value = record->attributes.constFind(attribute);
  if (value == record->attributes.cend()) return unexpected(TonnixAXError::attributeUnsupported);
  return *value;
}

TonnixAXResult<std::vector<TonnixAXValue>> TonnixFakeAccessibility::attributeValues(
    const TonnixAXElement& element, const QStringList& attributes) {
  ++batchReads_;
  TONNIX_TRY(record, answering(element));
  if (record->batchReads == BatchReads::fail) return unexpected(TonnixAXError::failure);
  std::vector<TonnixAXValue> values;
  for (const auto& attribute : attributes) {
    if (const auto error = record->attributeErrors.constFind(attribute);
        error != record->attributeErrors.cend()) {
      values.emplace_back(TonnixAXErrorValue{*error});
      continue;
    }
    values.push_back(record->attributes.value(attribute));
  }
  if (record->batchReads == BatchReads::answerTooFew && !values.empty()) values.pop_back();
  return values;
}

TonnixAXResult<TonnixAXElement> TonnixFakeAccessibility::elementAtPosition(
    const TonnixAXElement& root, float x, float y) {
  ++hitTests_;
  hitTestBound_ = requestBound_;
  TONNIX_TRY(rootRecord, answering(root));
  const bool wholeDesktop = rootRecord->isSystemWide;
  const QPointF point(x, y);
  for (auto id = placements_.rbegin(); id != placements_.rend(); ++id) {
    const auto& record = records_.at(*id);
    if (!record.frame || !record.frame->contains(point)) continue;
    if (!wholeDesktop && record.processIdentifier != rootRecord->processIdentifier) continue;
    if (unresponsive_.value(record.processIdentifier)) {
      return unexpected(TonnixAXError::cannotComplete);
    }
    return reference(*id);
  }
  return unexpected(TonnixAXError::noValue);
}

TonnixAXResult<std::unique_ptr<TonnixAXObserver>> TonnixFakeAccessibility::createObserver(
    std::int32_t processIdentifier, TonnixAXObserver::Callback callback) {
  if (processIdentifier <= 0 || !callback) return unexpected(TonnixAXError::illegalArgument);
  if (const auto error = observerCreationErrors_.constFind(processIdentifier);
      error != observerCreationErrors_.cend()) {
    return unexpected(*error);
  }
  if (unresponsive_.value(processIdentifier)) return unexpected(TonnixAXError::cannotComplete);
  return std::unique_ptr<TonnixAXObserver>(std::make_unique<TonnixFakeAXObserver>(
      *this, nextObserverID_++, processIdentifier, std::move(callback)));
}
