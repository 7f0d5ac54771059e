#include "app/workspace_follower.h"

#include <QTimer>
#include <algorithm>
#include <optional>

#include "app/application_attacher.h"
#include "app/applications_list.h"
#include "app/event_dispatcher.h"
#include "app/exclusions.h"
#include "events/click_monitor.h"
#include "quiet/sound_log.h"

namespace {

// A volume's name: the one the desktop shows, else the last component of
// where it is mounted.
std::optional<QString> volumeName(const TonnixVolume& volume) {
  if (volume.localizedName && !volume.localizedName->isEmpty()) return volume.localizedName;
  if (!volume.url) return std::nullopt;
  const QString lastComponent = QString::fromStdString(volume.url->string())
                                    .section(QLatin1Char('/'), -1, -1, QString::SectionSkipEmpty);
  if (lastComponent.isEmpty()) return std::nullopt;
  return lastComponent;
}

}  // namespace

TonnixWorkspaceFollower::TonnixWorkspaceFollower(Parts parts, QObject* parent)
    : QObject(parent), parts_(parts) {}

// The order is the one in which the observations were always installed:
// launches, quits, window changes, mounts, unmounts.
void TonnixWorkspaceFollower::start() {
  if (!observations_.empty()) return;
  TonnixWorkspace* workspace = &parts_.workspace;
  observations_ = {
      connect(workspace, &TonnixWorkspace::applicationLaunched, this,
              &TonnixWorkspaceFollower::applicationLaunched),
      connect(workspace, &TonnixWorkspace::applicationTerminated, this,
              &TonnixWorkspaceFollower::applicationTerminated),
      connect(workspace, &TonnixWorkspace::windowChanged, this,
              &TonnixWorkspaceFollower::windowChanged),
      connect(workspace, &TonnixWorkspace::volumeMounted, this,
              [this](const TonnixVolume& volume) {
                volumeChanged(volume, QStringLiteral("Disk Mounted"), TonnixSoundID("dski"));
              }),
      connect(workspace, &TonnixWorkspace::volumeUnmounted, this,
              [this](const TonnixVolume& volume) {
                volumeChanged(volume, QStringLiteral("Disk Ejected"), TonnixSoundID("dske"));
              }),
  };
}

void TonnixWorkspaceFollower::stop() {
  for (const auto& observation : observations_) disconnect(observation);
  observations_.clear();
  secondAttaches_.clear();
}

void TonnixWorkspaceFollower::applicationLaunched(const TonnixRunningApplication& application) {
  parts_.dispatcher.handle({.notificationName = QStringLiteral("App Launched"),
                            .soundID = TonnixSoundID("flap"),
                            .processIdentifier = application.processIdentifier,
                            .applicationName = application.localizedName,
                            .origin = TonnixEventOrigin::system,
                            .detail = application.localizedName});
  parts_.attacher.attach(application);
  parts_.applications.rebuild();
  // The second attach asks the workspace again: by then the application may
  // have quit, and its process id may belong to another application.
  const std::int32_t processIdentifier = application.processIdentifier;
  const std::uint64_t launch = ++launchCount_;
  secondAttaches_[processIdentifier] = launch;
  QTimer::singleShot(secondAttachDelayMilliseconds, this, [this, processIdentifier, launch] {
    const auto pending = secondAttaches_.find(processIdentifier);
    if (pending == secondAttaches_.end() || pending->second != launch) return;
    secondAttaches_.erase(pending);
    if (const auto running = parts_.workspace.runningApplication(processIdentifier)) {
      parts_.attacher.attach(*running);
    }
    parts_.applications.rebuild();
  });
}

void TonnixWorkspaceFollower::applicationTerminated(const TonnixRunningApplication& application) {
  const std::int32_t processIdentifier = application.processIdentifier;
  secondAttaches_.erase(processIdentifier);
  parts_.attacher.detach(processIdentifier);
  parts_.clickMonitor.forget(processIdentifier);
  parts_.dispatcher.handle({.notificationName = QStringLiteral("App Quit"),
                            .soundID = TonnixSoundID("!aqt"),
                            .processIdentifier = processIdentifier,
                            .applicationName = application.localizedName,
                            .origin = TonnixEventOrigin::system,
                            .detail = application.localizedName});
  parts_.log.forgetProcess(processIdentifier);
  parts_.applications.rebuild();
}

// Sounds as the application's own notification would, under the same
// mappings and exclusions.
void TonnixWorkspaceFollower::windowChanged(const TonnixRunningApplication& application,
                                            const QString& notification) {
  const std::int32_t processIdentifier = application.processIdentifier;
  if (processIdentifier < 1 || processIdentifier == parts_.workspace.processIdentifier()) return;
  if (application.bundleIdentifier && parts_.exclusions.isExcluded(*application.bundleIdentifier)) {
    return;
  }
  const auto& mappings = parts_.attacher.mappings();
  const auto mapping = std::find_if(mappings.begin(), mappings.end(), [&](const auto& entry) {
    return entry.notification.rawValue == notification;
  });
  if (mapping == mappings.end()) return;
  const auto* fixed = std::get_if<TonnixSoundResolution::Fixed>(&mapping->resolution.value);
  if (!fixed) return;
  parts_.dispatcher.handle(TonnixEvent::fromNotification(
      fixed->soundID, notification, processIdentifier, application.localizedName, std::nullopt));
}

void TonnixWorkspaceFollower::volumeChanged(const TonnixVolume& volume, const QString& eventName,
                                            TonnixSoundID soundID) {
  const std::optional<QString> name = volumeName(volume);
  parts_.dispatcher.handle({.notificationName = eventName,
                            .soundID = soundID,
                            .processIdentifier = 0,
                            .applicationName = name,
                            .origin = TonnixEventOrigin::system,
                            .detail = name});
}
