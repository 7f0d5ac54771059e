#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "events/event.h"
#include "events/notification_mapping.h"
#include "platform/accessibility.h"
#include "support/expected.h"

// Why an application could not be observed.
struct TonnixObserverError {
  enum class Case { couldNotCreateObserver };

  Case kind = Case::couldNotCreateObserver;
  std::int32_t processIdentifier = 0;
  TonnixAXError error = TonnixAXError::failure;

  static TonnixObserverError couldNotCreateObserver(std::int32_t processIdentifier,
                                                    TonnixAXError error) {
    return {Case::couldNotCreateObserver, processIdentifier, error};
  }

  // "AXObserverCreate failed for pid 42 with error -25204"
  QString description() const;
};

// Watches one running application: registers the mapped notifications on
// its element, turns each notification into a TonnixEvent and emits it, and
// remembers the windows, drawers, sheets and help tags that are to make a
// sound when they go away. Main thread only.
//
// The sound comes first: a tracked element is described for its closing
// (a request or more to a toolkit that may answer slowly) only after its
// event has been emitted, one element per turn of the event loop, so that
// the events arriving meanwhile are not kept waiting behind the words.
//
// Events leave through the eventOccurred signal. The controller connects it
// to its handle slot; the direct connection calls it synchronously from the
// notification, and Qt drops the connection when either side is destroyed,
// so the observer never holds the controller. Do not destroy the observer
// from that slot (use deleteLater).
class TonnixApplicationObserver : public QObject {
  Q_OBJECT

 public:
  // An element whose destruction is to make a sound.
  struct TrackedElement {
    TonnixAXElement element;
    TonnixSoundID closeSoundID;
    std::optional<QString> name;  // its description while it existed
  };

  // The most elements remembered at once; the oldest go first.
  static constexpr std::size_t maximumTrackedElements = 128;
  // The most windows remembered when attaching.
  static constexpr std::size_t maximumExistingWindows = 32;

  // `accessibility` must outlive the observer. The caller sets the
  // application element's messaging time-out before attaching.
  TonnixApplicationObserver(TonnixAccessibility& accessibility, std::int32_t processIdentifier,
                            std::optional<QString> localizedName,
                            std::optional<QString> bundleIdentifier,
                            TonnixAXElement applicationElement,
                            TonnixMappingsByRawName mappingsByRawName, QObject* parent = nullptr);
  ~TonnixApplicationObserver() override;

  // Starts observing: creates the platform observer and registers every
  // mapped notification on the application element. Does nothing while
  // attached. Gives up the remaining registrations after two time-outs in a
  // row; didTimeOut() then tells.
  TonnixExpected<TonnixDone, TonnixObserverError> attach();
  // Undoes every registration and forgets the tracked elements. Does nothing
  // while detached.
  void teardown();

  bool isAttached() const { return observer_ != nullptr; }
  std::int32_t processIdentifier() const { return processIdentifier_; }
  const std::optional<QString>& localizedName() const { return localizedName_; }
  const std::optional<QString>& bundleIdentifier() const { return bundleIdentifier_; }
  const TonnixAXElement& applicationElement() const { return applicationElement_; }
  const TonnixMappingsByRawName& mappingsByRawName() const { return mappingsByRawName_; }
  // Names registered on the application element, in registration order.
  const QStringList& registeredRawNames() const { return registeredRawNames_; }
  // Oldest first.
  const std::vector<TrackedElement>& trackedElements() const { return trackedElements_; }
  // The application answered a request of the last attach with cannotComplete.
  bool didTimeOut() const { return didTimeOut_; }
  // Seconds the last attach took.
  double attachDuration() const { return attachDuration_; }

 signals:
  void eventOccurred(const TonnixEvent& event);

 private:
  void registerNotifications();
  void rememberExistingWindows();
  void track(const TonnixAXElement& element, TonnixSoundID closeSoundID);
  void describeTracked();
  void handleNotification(const TonnixAXElement& element, const QString& rawName);
  void handleTracked(const TonnixAXElement& element, const QString& rawName, TonnixSoundID open,
                     TonnixSoundID close);
  void handleDestroyed(const TonnixAXElement& element, const QString& rawName);
  void handleSelectedChildren(const TonnixAXElement& element, const QString& rawName,
                              const TonnixSoundResolution::SelectedChildrenChanged& sounds);
  std::optional<QString> stringAttribute(const TonnixAXElement& element, const QString& attribute);
  void emitEvent(const QString& rawName, TonnixSoundID soundID,
                 std::optional<TonnixEventElement> element);

  TonnixAccessibility& accessibility_;
  std::int32_t processIdentifier_;
  std::optional<QString> localizedName_;
  std::optional<QString> bundleIdentifier_;
  TonnixAXElement applicationElement_;
  TonnixMappingsByRawName mappingsByRawName_;
  std::unique_ptr<TonnixAXObserver> observer_;
  QStringList registeredRawNames_;
  std::vector<TrackedElement> trackedElements_;
  // Tracked elements still to be described, oldest first.
  std::vector<TonnixAXElement> toDescribe_;
  bool didTimeOut_ = false;
  double attachDuration_ = 0;
};
