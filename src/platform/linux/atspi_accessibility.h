#pragma once

#include <chrono>
#include <memory>

#include "platform/accessibility.h"

class TonnixAtspiConnection;

// The accessibility seam on AT-SPI (libatspi). Elements are AT-SPI objects
// (an application's bus name and an object path); attributes are read from
// their roles, states, names and extents, with roles and subroles given
// their classic names (atspi_roles.h); AT-SPI events become the classic
// notifications by one table (atspi_event_mapping.h, written down in
// README.md beside this file). Every request is bounded by the messaging
// time-out of the element's application, and an application that does
// not answer in time yields cannotComplete. "Trusted" means the desktop's
// accessibility is switched on (atspi_accessibility_status.h).
//
// Works without an accessibility bus too: then nothing is trusted and every
// request fails with apiDisabled, until a bus appears. Main thread only,
// under a Qt event loop that runs on GLib (Qt's default on Linux).
class TonnixAtspiAccessibility final : public TonnixAccessibility {
 public:
  // How long the events of observed applications took from their arrival
  // to the end of the observer callbacks they caused, which start their
  // sounds (and leave describing elements for later), or to the decision
  // that they cause none.
  struct DeliveryStatistics {
    std::size_t count = 0;
    std::chrono::duration<double> total{};
    std::chrono::duration<double> longest{};
  };

  TonnixAtspiAccessibility();
  ~TonnixAtspiAccessibility() override;
  TonnixAtspiAccessibility(const TonnixAtspiAccessibility&) = delete;
  TonnixAtspiAccessibility& operator=(const TonnixAtspiAccessibility&) = delete;

  TonnixAccessibilityStatus& status() override;
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
  TonnixAXResult<std::unique_ptr<TonnixAXObserver>> createObserver(
      std::int32_t processIdentifier, TonnixAXObserver::Callback callback) override;
  void setRequestBound(std::optional<double> seconds) override;
  bool followLayoutChanges(std::function<void()> changed) override;

  // The connection to the accessibility bus, shared with whoever else
  // talks AT-SPI in this process (the workspace lists applications over
  // it); null while there is no bus.
  std::shared_ptr<TonnixAtspiConnection> connection();
  DeliveryStatistics deliveryStatistics() const;

 private:
  class Private;
  std::unique_ptr<Private> d_;
};
