#pragma once

#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/linux/atspi_accessibility.h"
#include "platform/linux/atspi_elements.h"
#include "platform/linux/atspi_event_mapping.h"

class TonnixAtspiObserver;

// The observers of every application, and the delivery of the connection's
// events to them: each event is translated into the notifications its
// source's observers registered (atspi_event_mapping.h) and handed to their
// callbacks. Main thread only; observers must not outlive this.
class TonnixAtspiObservers {
 public:
  TonnixAtspiObservers(std::shared_ptr<TonnixAtspiConnection> connection,
                       TonnixAtspiElements& elements);
  ~TonnixAtspiObservers();
  TonnixAtspiObservers(const TonnixAtspiObservers&) = delete;
  TonnixAtspiObservers& operator=(const TonnixAtspiObservers&) = delete;

  std::unique_ptr<TonnixAXObserver> create(std::int32_t processIdentifier,
                                           TonnixAXObserver::Callback callback);
  TonnixAtspiAccessibility::DeliveryStatistics statistics() const { return statistics_; }

 private:
  friend class TonnixAtspiObserver;

  void deliver(const std::vector<TonnixAtspiEventRecord>& batch);
  std::optional<std::int32_t> processOf(const TonnixAtspiEventRecord& record,
                                        std::optional<QHash<QString, std::int32_t>>& buses);
  // Puts the objects below `object` on the bus where its application is
  // GTK 4 (atspi_object_realization.h).
  void realizeGtk4Objects(const TonnixAtspiTarget& object);

  std::shared_ptr<TonnixAtspiConnection> connection_;
  TonnixAtspiElements& elements_;
  int sink_ = 0;
  std::map<int, TonnixAtspiObserver*> observers_;
  int nextObserver_ = 1;
  TonnixAtspiEventTranslator translator_;
  // Whether the application of a bus name is GTK 4, asked once.
  QHash<QString, bool> isGtk4_;
  TonnixAtspiAccessibility::DeliveryStatistics statistics_;
};
