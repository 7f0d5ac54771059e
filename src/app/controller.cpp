#include "app/controller.h"

#include "app/set_and_notify.h"
#include "catalogue/catalogue.h"
#include "library/library.h"
#include "support/diagnostics.h"

namespace {

std::unique_ptr<TonnixClickResolver> makeClickResolver(TonnixController::Desktop desktop,
                                                       TonnixExclusions& exclusions) {
  return std::make_unique<TonnixClickResolver>(
      desktop.accessibility, desktop.workspace,
      [&exclusions](const QString& bundleIdentifier) {
        return exclusions.isExcluded(bundleIdentifier);
      },
      desktop.workspace.processIdentifier());
}

}  // namespace

TonnixController::TonnixController(TonnixLibrary& library, TonnixAssignments& assignments,
                                   TonnixExclusions& exclusions, TonnixPreferencesStore& defaults,
                                   TonnixSilenceMonitor& silence, Desktop desktop, QObject* parent)
    : QObject(parent),
      library_(library),
      assignments_(assignments),
      exclusions_(exclusions),
      defaults_(defaults),
      desktop_(desktop),
      playsClickSounds_(defaults.boolValue(QString::fromLatin1(playsClickSoundsKey), true)),
      playsGenericClickSound_(
          defaults.boolValue(QString::fromLatin1(playsGenericClickSoundKey), true)),
      log_(desktop.accessibility, desktop.workspace),
      player_(library, assignments, defaults, silence, desktop.audio, desktop.screens),
      dispatcher_(player_, log_, silence),
      clickMonitor_(desktop.mouseMonitor, makeClickResolver(desktop, exclusions),
                    [this] { return !dispatcher_.isQuiet(); }),
      attacher_(desktop.accessibility, desktop.workspace, exclusions, dispatcher_),
      applications_(desktop.workspace, exclusions, attacher_, clickMonitor_),
      follower_({desktop.workspace, exclusions, dispatcher_, attacher_, applications_,
                 clickMonitor_, log_}),
      transfer_(library, assignments) {
  connect(&clickMonitor_, &TonnixClickMonitor::eventOccurred, &dispatcher_,
          &TonnixEventDispatcher::handle);
  // An output that sleeps while idle is woken before the press, not by it.
  connect(&clickMonitor_, &TonnixClickMonitor::pressMayCome, this,
          [this] { desktop_.audio.wake(); });
  for (auto changed : {&TonnixApplicationAttacher::observedApplicationCountChanged,
                       &TonnixApplicationAttacher::registeredNotificationCountChanged}) {
    connect(&attacher_, changed, this, &TonnixController::updateFailureDescription);
  }
  connect(&clickMonitor_, &TonnixClickMonitor::installedMonitorsChanged, this,
          &TonnixController::updateFailureDescription);
  connect(&library_, &TonnixLibrary::bundlesChanged, this,
          &TonnixController::updateFailureDescription);

  // Applied through the setter, which stores it and keeps the monitor
  // stopped while the controller is.
  setPlaysClickSounds(playsClickSounds_);
  clickMonitor_.resolver().setPlaysGenericClick(playsGenericClickSound_);

  transfer_.setConsole(
      [](const QString& text) { tonnixDiagnostic("TonnixController", text.toStdString()); });
  connect(&transfer_, &TonnixSetTransfer::soundsChanged, this, &TonnixController::forgetVoices);
  connect(&transfer_, &TonnixSetTransfer::soundChanged, &player_, &TonnixPlayer::invalidate);
}

TonnixController::~TonnixController() {
  clickMonitor_.stop();
}

bool TonnixController::playsNotificationSounds() const {
  return defaults_.boolValue(QString::fromLatin1(playsNotificationSoundsKey), false);
}

void TonnixController::setPlaysNotificationSounds(bool plays) {
  const bool changes = plays != playsNotificationSounds();
  defaults_.setBool(QString::fromLatin1(playsNotificationSoundsKey), plays);
  if (changes) emit playsNotificationSoundsChanged();
  if (plays) {
    start();
  } else {
    stop();
  }
}

void TonnixController::startIfEnabled() {
  if (playsNotificationSounds()) start();
}

void TonnixController::setPlaysClickSounds(bool plays) {
  defaults_.setBool(QString::fromLatin1(playsClickSoundsKey), plays);
  setAndNotify(this, playsClickSounds_, plays, &TonnixController::playsClickSoundsChanged);
  updateClickMonitoring();
}

void TonnixController::setPlaysGenericClickSound(bool plays) {
  defaults_.setBool(QString::fromLatin1(playsGenericClickSoundKey), plays);
  clickMonitor_.resolver().setPlaysGenericClick(plays);
  setAndNotify(this, playsGenericClickSound_, plays,
               &TonnixController::playsGenericClickSoundChanged);
}

void TonnixController::updateClickMonitoring() {
  if (isRunning_ && playsClickSounds_) {
    clickMonitor_.start();
  } else {
    clickMonitor_.stop();
  }
  updateFailureDescription();
}

void TonnixController::start() {
  if (isRunning_) return;
  if (setAndNotify(this, isRunning_, true, &TonnixController::isRunningChanged)) {
    updateFailureDescription();
  }
  follower_.start();
  updateClickMonitoring();
  updateFailureDescription();
  attacher_.start();
}

void TonnixController::stop() {
  if (!isRunning_) return;
  if (setAndNotify(this, isRunning_, false, &TonnixController::isRunningChanged)) {
    updateFailureDescription();
  }
  follower_.stop();
  updateClickMonitoring();
  attacher_.stop();
  player_.stopAll();
}

void TonnixController::rescan() {
  // Access may have been granted since the status line was written.
  updateFailureDescription();
  attacher_.rescan();
}

std::optional<QString> TonnixController::failureDescription() const {
  if (desktop_.workspace.isSandboxed()) {
    return QStringLiteral(
        "The app is sandboxed, so it cannot observe other applications. Give its Flatpak "
        "access to the accessibility bus (--talk-name=org.a11y.Bus) and relaunch.");
  }
  if (!desktop_.accessibility.status().isTrusted()) {
    return QStringLiteral(
        "Accessibility access has not been granted. Switch it on with Grant… in Tonnix's "
        "settings, or with: gsettings set org.gnome.desktop.interface toolkit-accessibility "
        "true");
  }
  const int observed = attacher_.observedApplicationCount();
  if (isRunning_ && observed > 0 && attacher_.registeredNotificationCount() == 0) {
    return QStringLiteral("Attached to ") + QString::number(observed) +
           QStringLiteral(
               " applications but registered no notifications. Accessibility access was "
               "probably revoked; try Rescan Apps.");
  }
  if (isRunning_ && playsClickSounds_ && !clickMonitor_.hasInstalledMonitors()) {
    return QStringLiteral("Clicks are switched on but no mouse monitor could be installed.");
  }
  if (library_.bundles().empty()) {
    return QStringLiteral(
        "No sound sets installed. Import one in the Sound Sets tab, or with tonnix import.");
  }
  return std::nullopt;
}

// The player keeps a voice per identifier and remembers files that would not
// open; after the sets changed, both may be stale.
void TonnixController::forgetVoices() {
  player_.stopAll();
  for (const auto& entry : allEntries()) player_.invalidate(entry.soundID);
}

void TonnixController::updateFailureDescription() {
  setAndNotify(this, publishedFailureDescription_, failureDescription(),
               &TonnixController::failureDescriptionChanged);
}
