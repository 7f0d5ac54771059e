#pragma once

#include <QHash>
#include <QRectF>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/accessibility.h"
#include "platform/fake/fake_accessibility_status.h"

class TonnixFakeAXObserver;

// An accessibility interface held in memory, scripted by tests and by
// `tonnix run --simulate`: applications and their elements with attributes,
// notifications posted on demand, registrations and whole applications that
// fail or do not answer, elements that are destroyed. Every notification is
// delivered with a new element reference, as the desktop does, so code that
// compares references instead of elements shows up. Must outlive the
// observers it creates.
class TonnixFakeAccessibility final : public TonnixAccessibility {
 public:
  // How an element answers a multiple-attribute read.
  enum class BatchReads { answer, fail, answerTooFew };

  TonnixFakeAccessibility();
  ~TonnixFakeAccessibility() override;
  TonnixFakeAccessibility(const TonnixFakeAccessibility&) = delete;
  TonnixFakeAccessibility& operator=(const TonnixFakeAccessibility&) = delete;

  // A new element of the process's application.
  TonnixAXElement addElement(std::int32_t processIdentifier);
  // Another reference to the same element.
  TonnixAXElement alias(const TonnixAXElement& element);

  void setAttribute(const TonnixAXElement& element, const QString& attribute, TonnixAXValue value);
  // Reads of the attribute fail with `error`; a multiple read reports it in place.
  void setAttributeError(const TonnixAXElement& element, const QString& attribute,
                         TonnixAXError error);
  void setBatchReads(const TonnixAXElement& element, BatchReads behaviour);
  // Where the element lies on screen, for hit testing; the element placed
  // last wins where frames overlap.
  void place(const TonnixAXElement& element, const QRectF& frame);

  // Observers for the process cannot be made; nullopt restores the default.
  void failObserverCreation(std::int32_t processIdentifier, std::optional<TonnixAXError> error);
  // Registering the notification on the element fails with `error`;
  // nullopt restores the default.
  void failRegistration(const TonnixAXElement& element, const QString& notification,
                        std::optional<TonnixAXError> error);
  // Every request to the process's elements (and its observer creation)
  // fails with cannotComplete, as when an application hangs.
  void setUnresponsive(std::int32_t processIdentifier, bool unresponsive);

  // Delivers the notification now, as the event loop would, to every
  // observer of the element's process that registered it on the element or
  // on its application's element.
  void post(const TonnixAXElement& element, const QString& notification);
  // Posts "AXUIElementDestroyed" for the element; afterwards requests about
  // it fail with invalidUIElement and its registrations are gone.
  void destroy(const TonnixAXElement& element);

  // The notifications registered on the element by all observers, in order.
  QStringList registeredNotifications(const TonnixAXElement& element) const;
  int observerCount(std::int32_t processIdentifier) const;
  std::optional<double> messagingTimeout(const TonnixAXElement& element) const;
  // Hit tests asked, and the bound on every request during the last one.
  int hitTestCount() const { return hitTests_; }
  std::optional<double> hitTestBound() const { return hitTestBound_; }
  // Calls whoever follows layout changes.
  void changeLayout() {
    if (layoutChanged_) layoutChanged_();
  }
  int singleReadCount() const { return singleReads_; }
  int batchReadCount() const { return batchReads_; }

  // Switched on to begin with.
  TonnixFakeAccessibilityStatus& status() override { return status_; }
  TonnixAXElement applicationElement(std::int32_t processIdentifier) override;
  TonnixAXElement systemWideElement() override;
  TonnixAXResult<TonnixDone> setMessagingTimeout(const TonnixAXElement& element,
                                                 double seconds) override;
  TonnixAXResult<std::int32_t> processIdentifier(const TonnixAXElement& element) override;
  TonnixAXResult<TonnixAXValue> attributeValue(const TonnixAXElement& element,
                                               const QString& attribute) override;
  TonnixAXResult<std::vector<TonnixAXValue>> attributeValues(
      const TonnixAXElement& element, const QStringList& attributes) override;
  TonnixAXResult<TonnixAXElement> elementAtPosition(const TonnixAXElement& root, float x,
                                                    float y) override;
  void setRequestBound(std::optional<double> seconds) override { requestBound_ = seconds; }
  bool followLayoutChanges(std::function<void()> changed) override {
    layoutChanged_ = std::move(changed);
    return true;
  }
  TonnixAXResult<std::unique_ptr<TonnixAXObserver>> createObserver(
      std::int32_t processIdentifier, TonnixAXObserver::Callback callback) override;

 private:
  friend class TonnixFakeAXObserver;

  struct Record {
    std::int32_t processIdentifier = 0;
    bool isSystemWide = false;
    bool isDestroyed = false;
    QHash<QString, TonnixAXValue> attributes;
    QHash<QString, TonnixAXError> attributeErrors;
    BatchReads batchReads = BatchReads::answer;
    std::optional<double> messagingTimeout;
    std::optional<QRectF> frame;
    QHash<QString, TonnixAXError> registrationErrors;
  };

  TonnixAXElement reference(std::int64_t id);
  std::int64_t newRecord(Record record);
  Record* find(const TonnixAXElement& element);
  const Record* find(const TonnixAXElement& element) const;
  std::optional<std::int64_t> idOf(const TonnixAXElement& element) const;
  // The record, or why a request about it fails.
  TonnixExpected<Record*, TonnixAXError> answering(const TonnixAXElement& element);

  TonnixFakeAccessibilityStatus status_;
  std::int64_t nextID_ = 1;
  std::unordered_map<std::int64_t, Record> records_;
  QHash<std::int32_t, std::int64_t> applications_;
  std::int64_t systemWide_ = 0;
  std::vector<std::int64_t> placements_;
  QHash<std::int32_t, TonnixAXError> observerCreationErrors_;
  QHash<std::int32_t, bool> unresponsive_;
  std::map<int, TonnixFakeAXObserver*> observers_;
  int nextObserverID_ = 1;
  std::optional<double> requestBound_;
  std::optional<double> hitTestBound_;
  int hitTests_ = 0;
  std::function<void()> layoutChanged_;
  int singleReads_ = 0;
  int batchReads_ = 0;
};
