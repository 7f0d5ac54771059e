#pragma once

#include <QString>
#include <chrono>
#include <cstdint>
#include <optional>
#include <variant>

#include "catalogue/sound_id.h"
#include "platform/accessibility.h"

// Who produced an event.
enum class TonnixEventOrigin {
  application,  // accessibility notifications and clicks inside an application
  system,       // the controller's own: applications launching and quitting, disks
};

// The element an event concerns: the live element, described only when
// someone needs the text, or a description made while it still existed.
class TonnixEventElement {
 public:
  static TonnixEventElement unnamed(TonnixAXElement element) {
    return TonnixEventElement(std::move(element));
  }
  static TonnixEventElement named(QString description) {
    return TonnixEventElement(std::move(description));
  }

  // The live element, or null for a named one.
  const TonnixAXElement* element() const { return std::get_if<TonnixAXElement>(&value_); }
  // The description, or null for an unnamed one.
  const QString* name() const { return std::get_if<QString>(&value_); }

 private:
  explicit TonnixEventElement(std::variant<TonnixAXElement, QString> value)
      : value_(std::move(value)) {}

  std::variant<TonnixAXElement, QString> value_;
};

// Everything that can make a sound reaches the controller as one of these.
// The date is taken when the event is made. Every field has a default, so
// designated initializers may leave any of them out.
struct TonnixEvent {
  using Clock = std::chrono::system_clock;

  // The accessibility notification ("AXMenuOpened") or a name of Tonnix's
  // own ("App Launched", "App Quit", "MouseDown", "MouseEnter", "MouseExit",
  // "MouseUp", "Disk Mounted", "Disk Ejected").
  QString notificationName = {};
  TonnixSoundID soundID = {};
  std::int32_t processIdentifier = 0;
  std::optional<QString> applicationName = std::nullopt;
  Clock::time_point date = Clock::now();
  TonnixEventOrigin origin = TonnixEventOrigin::application;
  // Text for the log; launch and quit events carry the application's name.
  std::optional<QString> detail = std::nullopt;
  std::optional<TonnixEventElement> element = std::nullopt;

  // An event for an accessibility notification of an observed application.
  static TonnixEvent fromNotification(TonnixSoundID soundID, QString notificationName,
                                      std::int32_t processIdentifier,
                                      std::optional<QString> applicationName,
                                      std::optional<TonnixEventElement> element) {
    return {.notificationName = std::move(notificationName),
            .soundID = soundID,
            .processIdentifier = processIdentifier,
            .applicationName = std::move(applicationName),
            .origin = TonnixEventOrigin::application,
            .element = std::move(element)};
  }
};
