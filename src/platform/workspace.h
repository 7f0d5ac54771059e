#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// One running application as the desktop sees it.
struct TonnixRunningApplication {
  std::int32_t processIdentifier = 0;
  // The name the desktop shows for it, in the user's language.
  std::optional<QString> localizedName;
  // The freedesktop application id (the .desktop file id without its
  // extension, e.g. "org.gnome.TextEditor"): what identifies an application
  // across launches, and what exclusions are keyed on.
  std::optional<QString> bundleIdentifier;
};

// The desktop's running applications. Main thread only.
class TonnixWorkspace {
 public:
  virtual ~TonnixWorkspace() = default;

  // The application the process belongs to, or nothing when the desktop
  // knows no application for it (a helper process, or one that has quit).
  virtual std::optional<TonnixRunningApplication> runningApplication(
      std::int32_t processIdentifier) const = 0;
};
