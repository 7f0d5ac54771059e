#pragma once

#include <QCollator>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

// An application that did not answer in time while it was being attached.
struct TonnixAttachTimeout {
  // Seconds the attach took before it was abandoned.
  double duration = 0;
  // How many notifications were registered by then.
  int registeredNotificationCount = 0;

  friend bool operator==(const TonnixAttachTimeout&, const TonnixAttachTimeout&) = default;
};

// One row of the applications list: a running application with a user
// interface, or an excluded one, and how Tonnix observes it. Every field
// has a default, so designated initializers may leave any of them out.
struct TonnixAfflictedApplication {
  std::optional<QString> bundleIdentifier = std::nullopt;
  // What the list shows (afflictedDisplayName).
  QString name = {};
  // The application's .desktop file, or its executable without one.
  std::optional<std::filesystem::path> fileURL = std::nullopt;
  // Absent when it is not running.
  std::optional<std::int32_t> processIdentifier = std::nullopt;
  // A freedesktop icon name or the path of an icon file.
  std::optional<QString> icon = std::nullopt;
  bool isExcluded = false;
  bool isObserved = false;
  // Names its observer registered; 0 when not observed.
  int registeredNotificationCount = 0;
  std::optional<TonnixAttachTimeout> timeout = std::nullopt;

  // The bundle identifier, or "pid:" and the process identifier (0 when
  // not running).
  QString identity() const;
  // "Excluded, not running", "Excluded", "Not running", "Not observed" or
  // "12 notifications".
  QString statusText() const;
  // Why the application is only partly observed, with the duration in the
  // locale's notation; absent without a time-out.
  std::optional<QString> timeoutText(const QLocale& locale = QLocale()) const;

  friend bool operator==(const TonnixAfflictedApplication&,
                         const TonnixAfflictedApplication&) = default;
};

using TonnixAfflictedApplications = std::vector<TonnixAfflictedApplication>;

// The first non-empty of: `givenName` trimmed (the running application's
// name, or the name stored with its exclusion), the file name of `fileURL`
// (without a ".desktop" or ".app" extension), the bundle identifier, and
// "pid " with the process identifier; empty when none is.
QString afflictedDisplayName(const std::optional<QString>& givenName,
                             const std::optional<std::filesystem::path>& fileURL,
                             const std::optional<QString>& bundleIdentifier,
                             std::optional<std::int32_t> processIdentifier);

// Orders names as a file manager does, in the user's language: ignoring
// case, numbers by value ("app 9" before "app 10").
class TonnixLocalizedStandardOrder {
 public:
  TonnixLocalizedStandardOrder();
  // Whether `a` comes before `b`.
  bool operator()(const QString& a, const QString& b) const { return collator_.compare(a, b) < 0; }

 private:
  QCollator collator_;
};
