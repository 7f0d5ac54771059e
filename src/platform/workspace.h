#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

// How an application takes part in the desktop, numbered as the classic
// workspace numbers it.
enum class TonnixActivationPolicy : int {
  regular = 0,     // an ordinary application with windows of its own
  accessory = 1,   // a user interface without being an ordinary application (panels, applets)
  prohibited = 2,  // no user interface at all
};

// One running application as the desktop sees it.
struct TonnixRunningApplication {
  std::int32_t processIdentifier = 0;
  // The name the desktop shows for it, in the user's language.
  std::optional<QString> localizedName = std::nullopt;
  // The freedesktop application id (the .desktop file id without its
  // extension, e.g. "org.gnome.TextEditor"): what identifies an application
  // across launches, and what exclusions are keyed on.
  std::optional<QString> bundleIdentifier = std::nullopt;
  TonnixActivationPolicy activationPolicy = TonnixActivationPolicy::regular;
  // The application the user is working in.
  bool isActive = false;
  // The process has ended; the desktop may still hand out what it knew.
  bool isTerminated = false;
  // The application's .desktop file.
  std::optional<std::filesystem::path> bundleURL = std::nullopt;
  // The program the process runs.
  std::optional<std::filesystem::path> executableURL = std::nullopt;
  // A freedesktop icon name, or the path of an icon file.
  std::optional<QString> icon = std::nullopt;
};

// A mounted file system, as a mount or unmount notification names it.
struct TonnixVolume {
  // The name the desktop shows for it ("USB Stick").
  std::optional<QString> localizedName = std::nullopt;
  // Where it is (or was) mounted.
  std::optional<std::filesystem::path> url = std::nullopt;
};

enum class TonnixVolumeChange { mounted, unmounted };

// The desktop around Tonnix: the running applications, the installed ones,
// launches, quits, mounts and unmounts, and Tonnix's own place among them.
// Main thread only; the signals are emitted on the main thread, from the
// event loop, never from inside a call on this interface.
class TonnixWorkspace : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  // Every running application, in the desktop's order.
  virtual std::vector<TonnixRunningApplication> runningApplications() const = 0;
  // The application the process belongs to, or nothing when the desktop
  // knows no application for it (a helper process, or one that has quit).
  virtual std::optional<TonnixRunningApplication> runningApplication(
      std::int32_t processIdentifier) const = 0;

  // The installed application file (.desktop file) of the application id.
  virtual std::optional<std::filesystem::path> applicationURL(
      const QString& bundleIdentifier) const = 0;
  // The application id of an application file: a .desktop file's id, or
  // that of the .desktop file launching an executable; nothing for any
  // other file.
  virtual std::optional<QString> bundleIdentifierOfFile(
      const std::filesystem::path& file) const = 0;
  // The name a file manager shows for the file (a .desktop file's Name).
  virtual QString displayName(const std::filesystem::path& file) const = 0;
  // The icon of an application file, as in TonnixRunningApplication::icon.
  virtual std::optional<QString> iconForFile(const std::filesystem::path& file) const = 0;

  // Tonnix's own process.
  virtual std::int32_t processIdentifier() const = 0;
  // Whether Tonnix runs in a sandbox that hides other applications from it
  // (on Linux: a Flatpak without access to the accessibility bus).
  virtual bool isSandboxed() const = 0;

 signals:
  void applicationLaunched(const TonnixRunningApplication& application);
  // The application is marked terminated.
  void applicationTerminated(const TonnixRunningApplication& application);
  // The window manager moved, resized, minimized, restored or focused a
  // window of the application; `notification` is what the application
  // itself would announce for it ("AXWindowMoved"), for toolkits that
  // announce nothing. The same action may also come from the application.
  void windowChanged(const TonnixRunningApplication& application, const QString& notification);
  void volumeMounted(const TonnixVolume& volume);
  void volumeUnmounted(const TonnixVolume& volume);
};
