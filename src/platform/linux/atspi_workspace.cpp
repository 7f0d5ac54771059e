#include "platform/linux/atspi_workspace.h"

#include <atspi/atspi.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QSocketNotifier>
#include <algorithm>
#include <set>

#include "platform/linux/atspi_connection.h"
#include "platform/linux/gio_application_files.h"
#include "platform/linux/gio_volumes.h"
#include "platform/linux/proc_processes.h"
#include "platform/linux/x11_window_events.h"
#include "platform/linux/x11_window_watcher.h"

namespace Files = TonnixGioApplicationFiles;

namespace {

// The registry announces each application joining the bus as a child
// added to the desktop.
const QString joinedEvent = QStringLiteral("object:children-changed:add");

// A descriptor that becomes readable when the process ends; -1 when the
// process is gone already or the kernel has no pidfd.
int openProcess(std::int32_t processIdentifier) {
  return static_cast<int>(::syscall(SYS_pidfd_open, processIdentifier, 0));
}

// The first of the application ids a systemd unit may name that is
// installed.
std::optional<QString> scopeApplicationId(std::int32_t processIdentifier) {
  for (const auto& id : tonnixScopeApplicationIds(tonnixProcessControlGroups(processIdentifier))) {
    if (Files::isInstalled(id)) return id;
  }
  return std::nullopt;
}

// A GApplication (or any D-Bus activatable one) owns its id as a name on
// the session bus.
std::optional<QString> busApplicationId(std::int32_t processIdentifier) {
  auto* bus = QDBusConnection::sessionBus().interface();
  if (!bus) return std::nullopt;
  const auto names = bus->registeredServiceNames();
  if (!names.isValid()) return std::nullopt;
  for (const auto& name : names.value()) {
    if (name.startsWith(QLatin1Char(':')) || !name.contains(QLatin1Char('.'))) continue;
    if (!Files::isInstalled(name)) continue;
    const auto owner = bus->servicePid(name);
    if (owner.isValid() && static_cast<std::int32_t>(owner.value()) == processIdentifier) {
      return name;
    }
  }
  return std::nullopt;
}

std::optional<QString> applicationIdOf(std::int32_t processIdentifier,
                                       const std::optional<std::filesystem::path>& executable) {
  if (auto id = scopeApplicationId(processIdentifier)) return id;
  if (auto id = busApplicationId(processIdentifier)) return id;
  return Files::idForProgram(executable.value_or(std::filesystem::path()),
                             tonnixProcessCommand(processIdentifier));
}

}  // namespace

TonnixAtspiWorkspace::TonnixAtspiWorkspace()
    : connection_(TonnixAtspiConnection::shared()),
      volumes_(std::make_unique<TonnixGioVolumes>(
          [this](TonnixVolumeChange change, const TonnixVolume& volume) {
            if (change == TonnixVolumeChange::mounted) {
              emit volumeMounted(volume);
            } else {
              emit volumeUnmounted(volume);
            }
          })),
      windowWatcher_(std::make_unique<TonnixX11WindowWatcher>()),
      windowEvents_(std::make_unique<TonnixX11WindowEvents>(*windowWatcher_)) {
  connect(windowEvents_.get(), &TonnixX11WindowEvents::windowChanged, this,
          &TonnixAtspiWorkspace::tellWindowChange);
  joinGrace_.setSingleShot(true);
  joinGrace_.setInterval(joinGraceMilliseconds);
  connect(&joinGrace_, &QTimer::timeout, this, [this] { followWindowOwners(true); });
  connect(windowWatcher_.get(), &TonnixX11WindowWatcher::windowAdded, this, [this](quint64 window) {
    const auto* added = windowWatcher_->window(window);
    if (!added || !isApplicationWindow(*added) || tracked_.contains(added->processIdentifier)) {
      return;
    }
    windowOwners_.insert(added->processIdentifier);
    joinGrace_.start();
  });
  if (connection_) {
    subscribed_ = connection_->subscribe(joinedEvent).hasValue();
    sink_ = connection_->addSink([this](const std::vector<TonnixAtspiEventRecord>& batch) {
      // The desktop names an application joining as its new child; an
      // application names its own new windows so, on its own bus.
      const bool joined = std::any_of(batch.begin(), batch.end(), [](const auto& record) {
        return record.event.type == joinedEvent && record.source.isApplicationRoot() &&
               (!record.child || record.child.busName() != record.source.busName());
      });
      if (joined) refresh(true);
    });
    refresh(false);
  }
  for (const auto* window : windowWatcher_->windows()) {
    if (isApplicationWindow(*window)) windowOwners_.insert(window->processIdentifier);
  }
  followWindowOwners(false);
}

TonnixAtspiWorkspace::~TonnixAtspiWorkspace() {
  while (!tracked_.empty()) forget(tracked_.begin()->first);
  if (!connection_) return;
  connection_->removeSink(sink_);
  if (subscribed_) connection_->unsubscribe(joinedEvent);
}

void TonnixAtspiWorkspace::refresh(bool announce) {
  const auto own = processIdentifier();
  for (const auto& application : connection_->applications()) {
    const auto pid = application.processIdentifier;
    if (pid < 1 || pid == own) continue;
    const auto found = tracked_.find(pid);
    if (found != tracked_.end()) {
      // Followed by its window already; joining late is no second launch.
      found->second.isOnBus = true;
      continue;
    }
    auto described = describe(pid);
    described.activationPolicy = activationPolicyOf(pid, application.root);
    follow(std::move(described), true, announce);
  }
}

void TonnixAtspiWorkspace::follow(TonnixRunningApplication application, bool isOnBus,
                                  bool announce) {
  const auto pid = application.processIdentifier;
  const int descriptor = openProcess(pid);
  if (descriptor < 0) return;
  auto& tracked = tracked_[pid];
  tracked.application = std::move(application);
  tracked.isOnBus = isOnBus;
  tracked.processDescriptor = descriptor;
  tracked.exit = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read);
  QObject::connect(tracked.exit.get(), &QSocketNotifier::activated,
                   [this, pid] { processEnded(pid); });
  if (announce) emit applicationLaunched(tracked.application);
}

// Panels and the desktop's own window are part of the desktop, not
// applications that launch and quit.
bool TonnixAtspiWorkspace::isApplicationWindow(const TonnixX11WatchedWindow& window) const {
  if (window.processIdentifier < 1) return false;
  const auto dock = windowWatcher_->atom("_NET_WM_WINDOW_TYPE_DOCK");
  const auto desktop = windowWatcher_->atom("_NET_WM_WINDOW_TYPE_DESKTOP");
  return std::none_of(window.types.begin(), window.types.end(),
                      [&](unsigned long type) { return type == dock || type == desktop; });
}

// Processes with a window the window manager lists (a terminal, an
// application without accessibility) that did not join the bus are
// applications all the same: their launches and quits sound too.
void TonnixAtspiWorkspace::followWindowOwners(bool announce) {
  const auto own = processIdentifier();
  const auto owners = std::exchange(windowOwners_, {});
  if (!windowWatcher_->hasWindowManager()) return;
  for (const auto pid : owners) {
    if (pid < 1 || pid == own || tracked_.contains(pid)) continue;
    auto described = describe(pid);
    described.activationPolicy = TonnixActivationPolicy::regular;
    follow(std::move(described), false, announce);
  }
}

void TonnixAtspiWorkspace::tellWindowChange(std::int32_t processIdentifier,
                                            const QString& notification) {
  const auto found = tracked_.find(processIdentifier);
  if (found == tracked_.end()) return;
  emit windowChanged(found->second.application, notification);
}

void TonnixAtspiWorkspace::processEnded(std::int32_t processIdentifier) {
  const auto found = tracked_.find(processIdentifier);
  if (found == tracked_.end()) return;
  auto application = found->second.application;
  application.isTerminated = true;
  application.isActive = false;
  forget(processIdentifier);
  emit applicationTerminated(application);
}

void TonnixAtspiWorkspace::forget(std::int32_t processIdentifier) {
  const auto found = tracked_.find(processIdentifier);
  if (found == tracked_.end()) return;
  // The notifier must go before its descriptor is closed. Deleted later:
  // this may run inside its own activated signal.
  found->second.exit->setEnabled(false);
  found->second.exit.release()->deleteLater();
  ::close(found->second.processDescriptor);
  tracked_.erase(found);
  regular_.erase(processIdentifier);
}

TonnixRunningApplication TonnixAtspiWorkspace::describe(std::int32_t processIdentifier) const {
  TonnixRunningApplication application;
  application.processIdentifier = processIdentifier;
  application.executableURL = tonnixProcessExecutable(processIdentifier);
  application.bundleIdentifier = applicationIdOf(processIdentifier, application.executableURL);
  if (application.bundleIdentifier) {
    application.bundleURL = Files::file(*application.bundleIdentifier);
  }
  if (application.bundleURL) {
    application.localizedName = Files::name(*application.bundleURL);
    application.icon = Files::icon(*application.bundleURL);
  }
  if (!application.localizedName && application.executableURL) {
    application.localizedName = QString::fromStdString(application.executableURL->filename());
  }
  return application;
}

// Regular once the application shows a normal top-level window (a frame);
// panels, applets and dialog-only helpers are accessories.
TonnixActivationPolicy TonnixAtspiWorkspace::activationPolicyOf(
    std::int32_t processIdentifier, const TonnixAtspiObjectRef& root) const {
  if (regular_[processIdentifier]) return TonnixActivationPolicy::regular;
  bool regular = false;
  (void)connection_->call(processIdentifier, [&](GError** error) {
    const int count = atspi_accessible_get_child_count(root.get(), error);
    for (int index = 0; index < count && !regular && !*error; ++index) {
      auto* child = atspi_accessible_get_child_at_index(root.get(), index, error);
      if (!child) continue;
      regular = atspi_accessible_get_role(child, error) == ATSPI_ROLE_FRAME;
      g_object_unref(child);
    }
  });
  regular_[processIdentifier] = regular;
  return regular ? TonnixActivationPolicy::regular : TonnixActivationPolicy::accessory;
}

std::vector<TonnixRunningApplication> TonnixAtspiWorkspace::runningApplications() const {
  std::vector<TonnixRunningApplication> running;
  std::set<std::int32_t> seen;
  const auto onBus =
      connection_ ? connection_->applications() : std::vector<TonnixAtspiApplication>();
  for (const auto& application : onBus) {
    const auto pid = application.processIdentifier;
    if (pid < 1 || !seen.insert(pid).second) continue;
    const auto tracked = tracked_.find(pid);
    auto described = tracked != tracked_.end() ? tracked->second.application : describe(pid);
    described.activationPolicy = activationPolicyOf(pid, application.root);
    running.push_back(std::move(described));
  }
  for (const auto& [pid, tracked] : tracked_) {
    if (!tracked.isOnBus && seen.insert(pid).second) running.push_back(tracked.application);
  }
  return running;
}

std::optional<TonnixRunningApplication> TonnixAtspiWorkspace::runningApplication(
    std::int32_t processIdentifier) const {
  if (processIdentifier < 1) return std::nullopt;
  const auto tracked = tracked_.find(processIdentifier);
  if (tracked != tracked_.end() && !tracked->second.isOnBus) return tracked->second.application;
  if (!connection_) return std::nullopt;
  const auto application = connection_->application(processIdentifier);
  if (!application) return std::nullopt;
  auto described =
      tracked != tracked_.end() ? tracked->second.application : describe(processIdentifier);
  described.activationPolicy = activationPolicyOf(processIdentifier, application->root);
  return described;
}

std::optional<std::filesystem::path> TonnixAtspiWorkspace::applicationURL(
    const QString& bundleIdentifier) const {
  return Files::file(bundleIdentifier);
}

std::optional<QString> TonnixAtspiWorkspace::bundleIdentifierOfFile(
    const std::filesystem::path& file) const {
  return Files::idOfFile(file);
}

QString TonnixAtspiWorkspace::displayName(const std::filesystem::path& file) const {
  if (auto name = Files::name(file)) return *name;
  return QString::fromStdString(file.filename().string());
}

std::optional<QString> TonnixAtspiWorkspace::iconForFile(const std::filesystem::path& file) const {
  return Files::icon(file);
}

std::int32_t TonnixAtspiWorkspace::processIdentifier() const {
  return static_cast<std::int32_t>(QCoreApplication::applicationPid());
}

// A Flatpak without a way onto the accessibility bus sees no other
// application.
bool TonnixAtspiWorkspace::isSandboxed() const {
  return !connection_ && QFile::exists(QStringLiteral("/.flatpak-info"));
}
