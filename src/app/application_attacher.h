#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "app/afflicted_application.h"
#include "app/attach_queue.h"
#include "events/application_observer.h"
#include "events/notification_mapping.h"
#include "platform/accessibility.h"
#include "platform/workspace.h"

class TonnixEventDispatcher;
class TonnixExclusions;

using TonnixNotificationMappings = std::vector<TonnixNotificationMapping>;

// An ordinary or accessory application: the kinds that are attached and
// listed.
bool hasUserInterface(const TonnixRunningApplication& application);

// Attaches an application observer to each running application with a user
// interface that is not excluded, and hands their events to the
// dispatcher. A cycle attaches one application per turn of the event loop
// (TonnixAttachQueue), the active one first, then the ordinary ones.
// Attaches nothing until started. Everything given must outlive the
// attacher. Main thread only.
//
// Observable fields signal only when their value changes.
class TonnixApplicationAttacher : public QObject {
  Q_OBJECT
  Q_PROPERTY(
      TonnixNotificationMappings mappings READ mappings WRITE setMappings NOTIFY mappingsChanged)
  Q_PROPERTY(int observedApplicationCount READ observedApplicationCount NOTIFY
                 observedApplicationCountChanged)
  Q_PROPERTY(int registeredNotificationCount READ registeredNotificationCount NOTIFY
                 registeredNotificationCountChanged)
  Q_PROPERTY(int failedObserverCount READ failedObserverCount NOTIFY failedObserverCountChanged)
  Q_PROPERTY(bool isAttaching READ isAttaching NOTIFY isAttachingChanged)
  Q_PROPERTY(int applicationsAttached READ applicationsAttached NOTIFY applicationsAttachedChanged)
  Q_PROPERTY(int applicationsToAttach READ applicationsToAttach NOTIFY applicationsToAttachChanged)

 public:
  // How long an application may take to answer while it is attached.
  static constexpr double attachMessagingTimeout = 0.25;
  // The pause between two applications of a cycle, for the rest of the
  // main thread.
  static constexpr int attachPauseMilliseconds = 1;

  TonnixApplicationAttacher(TonnixAccessibility& accessibility, TonnixWorkspace& workspace,
                            TonnixExclusions& exclusions, TonnixEventDispatcher& dispatcher,
                            QObject* parent = nullptr);
  ~TonnixApplicationAttacher() override;

  // Handed to application observers attached from now on.
  const TonnixNotificationMappings& mappings() const { return mappings_; }
  void setMappings(const TonnixNotificationMappings& mappings);

  int observedApplicationCount() const { return observedApplicationCount_; }
  int registeredNotificationCount() const { return registeredNotificationCount_; }
  // Attaches that failed since the last start.
  int failedObserverCount() const { return failedObserverCount_; }
  bool isAttaching() const { return isAttaching_; }
  int applicationsAttached() const { return applicationsAttached_; }
  int applicationsToAttach() const { return applicationsToAttach_; }

  // Starts a cycle over the running applications; from now on attach()
  // attaches.
  void start();
  // Cancels the cycle, detaches every application and starts counting
  // failures afresh.
  void stop();
  // Attaches the running applications not yet observed in a new cycle,
  // while started.
  void rescan();
  // Attaches one application now, while started and if it is eligible.
  void attach(const TonnixRunningApplication& application);
  // Stops observing the process and forgets its time-out.
  void detach(std::int32_t processIdentifier);
  // Stops observing every process of the application.
  void detachApplication(const QString& bundleIdentifier);

  // The observer of the process, if attached.
  const TonnixApplicationObserver* observer(std::int32_t processIdentifier) const;
  const std::map<std::int32_t, TonnixAttachTimeout>& timeouts() const { return timeouts_; }

 signals:
  void mappingsChanged();
  void observedApplicationCountChanged();
  void registeredNotificationCountChanged();
  void failedObserverCountChanged();
  void isAttachingChanged();
  void applicationsAttachedChanged();
  void applicationsToAttachChanged();
  // A cycle began or ended, or everything was detached: the applications
  // list may read differently.
  void applicationsChanged();

 private:
  bool isEligible(const TonnixRunningApplication& application) const;
  void attachDue(const TonnixRunningApplication& application);
  void finishAttaching();
  void reportAttachCycle() const;
  void removeObserver(std::int32_t processIdentifier);
  void recount();

  TonnixAccessibility& accessibility_;
  TonnixWorkspace& workspace_;
  TonnixExclusions& exclusions_;
  TonnixEventDispatcher& dispatcher_;

  TonnixNotificationMappings mappings_;
  bool isStarted_ = false;
  int observedApplicationCount_ = 0;
  int registeredNotificationCount_ = 0;
  int failedObserverCount_ = 0;
  bool isAttaching_ = false;
  int applicationsAttached_ = 0;
  int applicationsToAttach_ = 0;

  std::map<std::int32_t, std::unique_ptr<TonnixApplicationObserver>> observers_;
  std::map<std::int32_t, TonnixAttachTimeout> timeouts_;
  // The applications still to attach, one per turn of the event loop.
  TonnixAttachQueue attachQueue_{attachPauseMilliseconds};
};
