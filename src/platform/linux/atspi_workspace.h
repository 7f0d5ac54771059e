#pragma once

#include <QTimer>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "platform/workspace.h"

class TonnixAtspiConnection;
class TonnixAtspiObjectRef;
class TonnixGioVolumes;
class TonnixX11WindowEvents;
class TonnixX11WindowWatcher;
struct TonnixX11WatchedWindow;
class QSocketNotifier;

// The workspace seam on the Linux desktop. The running applications are
// those on the accessibility bus, each with its process in /proc; an
// application's id is the freedesktop id named by its systemd unit, its
// D-Bus name, or the installed .desktop file running its program, whose
// Name and Icon it shows. A launch is an application joining the
// accessibility bus, or, under a window manager, a process showing a client
// window without joining the bus soon after (X11 only); a quit is its
// process ending (a pidfd becoming readable), so an application that only
// leaves the bus has not quit. What the window manager does to windows
// comes from the X server (x11_window_events.h). Mounts come from GIO's
// volume monitor. Main thread only; the signals are
// emitted from the event loop. Without an accessibility bus no application
// is known, and volumes still are.
class TonnixAtspiWorkspace final : public TonnixWorkspace {
 public:
  TonnixAtspiWorkspace();
  ~TonnixAtspiWorkspace() override;
  TonnixAtspiWorkspace(const TonnixAtspiWorkspace&) = delete;
  TonnixAtspiWorkspace& operator=(const TonnixAtspiWorkspace&) = delete;

  std::vector<TonnixRunningApplication> runningApplications() const override;
  std::optional<TonnixRunningApplication> runningApplication(
      std::int32_t processIdentifier) const override;
  std::optional<std::filesystem::path> applicationURL(
      const QString& bundleIdentifier) const override;
  std::optional<QString> bundleIdentifierOfFile(const std::filesystem::path& file) const override;
  QString displayName(const std::filesystem::path& file) const override;
  std::optional<QString> iconForFile(const std::filesystem::path& file) const override;
  std::int32_t processIdentifier() const override;
  bool isSandboxed() const override;

 private:
  // An application seen on the bus or with a client window, followed until
  // its process ends.
  struct Tracked {
    TonnixRunningApplication application;
    int processDescriptor = -1;
    std::unique_ptr<QSocketNotifier> exit;
    bool isOnBus = true;
  };

  // How long a process with a new client window may take to join the
  // accessibility bus before it counts as an application that never will.
  static constexpr int joinGraceMilliseconds = 500;

  // Follows every application on the bus not yet followed; tells their
  // launches when `announce` holds.
  void refresh(bool announce);
  void follow(TonnixRunningApplication application, bool isOnBus, bool announce);
  void followWindowOwners(bool announce);
  bool isApplicationWindow(const TonnixX11WatchedWindow& window) const;
  void tellWindowChange(std::int32_t processIdentifier, const QString& notification);
  void processEnded(std::int32_t processIdentifier);
  void forget(std::int32_t processIdentifier);
  TonnixRunningApplication describe(std::int32_t processIdentifier) const;
  TonnixActivationPolicy activationPolicyOf(std::int32_t processIdentifier,
                                            const TonnixAtspiObjectRef& root) const;

  std::shared_ptr<TonnixAtspiConnection> connection_;
  int sink_ = 0;
  bool subscribed_ = false;
  std::map<std::int32_t, Tracked> tracked_;
  // Once an application has shown a normal window it stays regular.
  mutable std::map<std::int32_t, bool> regular_;
  std::unique_ptr<TonnixGioVolumes> volumes_;
  std::unique_ptr<TonnixX11WindowWatcher> windowWatcher_;
  std::unique_ptr<TonnixX11WindowEvents> windowEvents_;
  // Processes whose client window appeared, waiting for the grace to end.
  std::set<std::int32_t> windowOwners_;
  QTimer joinGrace_;
};
