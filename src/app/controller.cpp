#include "app/controller.h"

#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <numeric>
#include <set>

#include "app/set_and_notify.h"
#include "catalogue/catalogue.h"
#include "library/library.h"
#include "support/diagnostics.h"

namespace {

const QString sandboxedConsoleLine = QStringLiteral(
    "TonnixController: running sandboxed, so no other application can be observed. "
    "The Flatpak needs --talk-name=org.a11y.Bus.");

// The "Tonnix: " monitor lines are the output of `tonnix run --monitor`;
// the rest, which name the component that says them, are diagnostics.
void writeToConsole(const QString& line) {
  const QString monitorPrefix = QStringLiteral("Tonnix: ");
  if (!line.startsWith(monitorPrefix)) {
    const qsizetype colon = line.indexOf(QLatin1String(": "));
    if (colon < 0) return tonnixDiagnostic("TonnixController", line.toStdString());
    return tonnixDiagnostic(line.left(colon).toStdString(), line.mid(colon + 2).toStdString());
  }
  const QByteArray bytes = line.toUtf8() + '\n';
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
  // Flushed before the sound starts: tools time the sound from this line.
  std::fflush(stdout);
}

// 0 for the active application, 1 for an ordinary one, 2 for the rest.
int attachRank(const TonnixRunningApplication& application) {
  if (application.isActive) return 0;
  return application.activationPolicy == TonnixActivationPolicy::regular ? 1 : 2;
}

bool hasUserInterface(const TonnixRunningApplication& application) {
  return application.activationPolicy == TonnixActivationPolicy::regular ||
         application.activationPolicy == TonnixActivationPolicy::accessory;
}

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

TonnixController::TonnixController(TonnixLibrary& library, TonnixAssignments& assignments,
                                   TonnixExclusions& exclusions, TonnixPreferencesStore& defaults,
                                   TonnixSilenceMonitor& silence, Desktop desktop, QObject* parent)
    : QObject(parent),
      library_(library),
      assignments_(assignments),
      exclusions_(exclusions),
      defaults_(defaults),
      silence_(silence),
      desktop_(desktop),
      console_(writeToConsole),
      log_(std::make_unique<TonnixSoundLog>(desktop.accessibility, desktop.workspace)),
      mappings_(defaultNotificationMappings()),
      playsClickSounds_(defaults.boolValue(QString::fromLatin1(playsClickSoundsKey), true)),
      playsGenericClickSound_(
          defaults.boolValue(QString::fromLatin1(playsGenericClickSoundKey), true)),
      setTransfer_(library, assignments) {
  player_ = std::make_unique<TonnixPlayer>(library, assignments, defaults, silence, desktop.audio,
                                           desktop.screens);

  auto resolver = std::make_unique<TonnixClickResolver>(
      desktop.accessibility, desktop.workspace,
      [&exclusions](const QString& bundleIdentifier) {
        return exclusions.isExcluded(bundleIdentifier);
      },
      desktop.workspace.processIdentifier());
  QPointer<TonnixController> self(this);
  clickMonitor_ = std::make_unique<TonnixClickMonitor>(
      desktop.mouseMonitor, std::move(resolver),
      [self] { return self && self->player_->isEnabled() && !self->silence_.check(); });
  connect(clickMonitor_.get(), &TonnixClickMonitor::eventOccurred, this, &TonnixController::handle);
  connect(clickMonitor_.get(), &TonnixClickMonitor::installedMonitorsChanged, this,
          &TonnixController::updateFailureDescription);
  connect(&library_, &TonnixLibrary::bundlesChanged, this,
          &TonnixController::updateFailureDescription);

  // Applied through the setter, which stores it and keeps the monitor
  // stopped while the controller is.
  setPlaysClickSounds(playsClickSounds_);
  clickMonitor_->resolver().setPlaysGenericClick(playsGenericClickSound_);

  connect(&silence_, &TonnixSilenceMonitor::reasonChanged, log_.get(),
          [log = log_.get()](std::optional<TonnixSilenceReason> reason) {
            log->silenceChanged(reason, TonnixEvent::Clock::now());
          });

  connect(&attachQueue_, &TonnixAttachQueue::due, this, &TonnixController::attachDue);
  connect(&attachQueue_, &TonnixAttachQueue::finished, this, &TonnixController::finishAttaching);

  setTransfer_.setConsole([this](const QString& line) { writeLine(line); });
  connect(&setTransfer_, &TonnixSetTransfer::soundsChanged, this, &TonnixController::forgetVoices);
  connect(&setTransfer_, &TonnixSetTransfer::soundChanged, player_.get(),
          &TonnixPlayer::invalidate);
  connect(&setTransfer_, &TonnixSetTransfer::isImportingSetsChanged, this,
          &TonnixController::isImportingSetsChanged);
  connect(&setTransfer_, &TonnixSetTransfer::setsImportedChanged, this,
          &TonnixController::setsImportedChanged);
  connect(&setTransfer_, &TonnixSetTransfer::setsToImportChanged, this,
          &TonnixController::setsToImportChanged);
  connect(&setTransfer_, &TonnixSetTransfer::lastImportSummariesChanged, this,
          &TonnixController::lastImportSummariesChanged);
  connect(&setTransfer_, &TonnixSetTransfer::isExportingSetChanged, this,
          &TonnixController::isExportingSetChanged);
  connect(&setTransfer_, &TonnixSetTransfer::lastExportSummaryChanged, this,
          &TonnixController::lastExportSummaryChanged);
  connect(&setTransfer_, &TonnixSetTransfer::lastFailureDescriptionChanged, this,
          &TonnixController::lastFailureDescriptionChanged);
}

TonnixController::~TonnixController() {
  clickMonitor_->stop();
  for (auto& entry : observers_) entry.second->teardown();
}

// --- Dispatch

void TonnixController::setMappings(const TonnixNotificationMappings& mappings) {
  setAndNotify(this, mappings_, mappings, &TonnixController::mappingsChanged);
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
  clickMonitor_->resolver().setPlaysGenericClick(plays);
  setAndNotify(this, playsGenericClickSound_, plays,
               &TonnixController::playsGenericClickSoundChanged);
}

void TonnixController::setMonitoring(bool isMonitoring) {
  setAndNotify(this, isMonitoring_, isMonitoring, &TonnixController::isMonitoringChanged);
}

void TonnixController::clearRecentEvents() {
  if (recentEvents_.empty()) return;
  recentEvents_.clear();
  emit recentEventsChanged();
}

void TonnixController::handle(const TonnixEvent& event) {
  if (isRepeatedWindowAction(event)) return;
  if (isMonitoring_) monitor(event);
  if (!player_->play(event.soundID)) return;
  log_->record(event, TonnixEvent::Clock::now());
}

// One user action on a window may be announced by the application and by
// the window manager, and GTK 3 announces a minimize on every top-level
// window of the application: it is heard once.
bool TonnixController::isRepeatedWindowAction(const TonnixEvent& event) {
  namespace Note = TonnixAXNotification;
  static const QStringList windowActions{Note::focusedWindowChanged, Note::mainWindowChanged,
                                         Note::applicationActivated, Note::windowMiniaturized,
                                         Note::windowDeminiaturized, Note::windowMoved,
                                         Note::windowResized};
  if (event.origin != TonnixEventOrigin::application ||
      !windowActions.contains(event.notificationName)) {
    return false;
  }
  std::erase_if(lastWindowActions_, [&](const auto& entry) {
    return event.date - entry.second >= windowActionInterval;
  });
  const auto key = std::make_pair(event.processIdentifier, event.notificationName);
  const bool repeated = lastWindowActions_.contains(key);
  if (!repeated) lastWindowActions_.emplace(key, event.date);
  return repeated;
}

void TonnixController::monitor(const TonnixEvent& event) {
  const QString status = player_->hasSound(event.soundID) ? QStringLiteral("plays")
                                                          : QStringLiteral("no sound assigned");
  const QString source = event.applicationName
                             ? *event.applicationName
                             : QStringLiteral("pid ") + QString::number(event.processIdentifier);
  writeLine(QStringLiteral("Tonnix: ") + event.notificationName + QStringLiteral(" -> ") +
            QString::fromStdString(event.soundID.description()) + QStringLiteral(" (") + status +
            QStringLiteral(") from ") + source);
  recentEvents_.push_back(event);
  if (recentEvents_.size() > maximumRecentEvents) {
    recentEvents_.erase(recentEvents_.begin(),
                        recentEvents_.end() - static_cast<std::ptrdiff_t>(maximumRecentEvents));
  }
  emit recentEventsChanged();
}

void TonnixController::updateClickMonitoring() {
  if (isRunning_ && playsClickSounds_) {
    clickMonitor_->start();
  } else {
    clickMonitor_->stop();
  }
  updateFailureDescription();
}

// --- Attaching

void TonnixController::start() {
  if (isRunning_) return;
  if (setAndNotify(this, isRunning_, true, &TonnixController::isRunningChanged)) {
    updateFailureDescription();
  }
  if (workspaceObservations_.empty()) installWorkspaceObservations();
  updateClickMonitoring();
  rescan();
}

void TonnixController::stop() {
  if (!isRunning_) return;
  if (setAndNotify(this, isRunning_, false, &TonnixController::isRunningChanged)) {
    updateFailureDescription();
  }
  attachQueue_.cancel();
  setAndNotify(this, isAttaching_, false, &TonnixController::isAttachingChanged);
  setAndNotify(this, applicationsAttached_, 0, &TonnixController::applicationsAttachedChanged);
  setAndNotify(this, applicationsToAttach_, 0, &TonnixController::applicationsToAttachChanged);
  removeWorkspaceObservations();
  updateClickMonitoring();
  for (auto& entry : observers_) entry.second->teardown();
  observers_.clear();
  timeouts_.clear();
  secondAttaches_.clear();
  recount();
  setAndNotify(this, failedObserverCount_, 0, &TonnixController::failedObserverCountChanged);
  player_->stopAll();
  rebuildAfflictedApplications();
}

void TonnixController::rescan() {
  // Access may have been granted since the status line was written.
  updateFailureDescription();
  if (!isRunning_) {
    setAndNotify(this, isAttaching_, false, &TonnixController::isAttachingChanged);
    setAndNotify(this, applicationsToAttach_, 0, &TonnixController::applicationsToAttachChanged);
    return;
  }
  attachQueue_.cancel();
  if (desktop_.workspace.isSandboxed()) writeLine(sandboxedConsoleLine);

  std::vector<TonnixRunningApplication> eligible;
  for (auto& application : desktop_.workspace.runningApplications()) {
    if (isEligible(application)) eligible.push_back(std::move(application));
  }
  std::stable_sort(eligible.begin(), eligible.end(),
                   [](const auto& a, const auto& b) { return attachRank(a) < attachRank(b); });

  setAndNotify(this, applicationsAttached_, 0, &TonnixController::applicationsAttachedChanged);
  setAndNotify(this, applicationsToAttach_, static_cast<int>(eligible.size()),
               &TonnixController::applicationsToAttachChanged);
  rebuildAfflictedApplications();
  setAndNotify(this, isAttaching_, !eligible.empty(), &TonnixController::isAttachingChanged);
  if (!eligible.empty()) attachQueue_.start(std::move(eligible));
}

void TonnixController::attachDue(const TonnixRunningApplication& application) {
  if (!isRunning_) {
    attachQueue_.cancel();
    setAndNotify(this, isAttaching_, false, &TonnixController::isAttachingChanged);
    return;
  }
  attach(application);
  setAndNotify(this, applicationsAttached_, applicationsAttached_ + 1,
               &TonnixController::applicationsAttachedChanged);
}

void TonnixController::finishAttaching() {
  rebuildAfflictedApplications();
  reportAttachCycle();
  setAndNotify(this, isAttaching_, false, &TonnixController::isAttachingChanged);
}

void TonnixController::reportAttachCycle() {
  if (observedApplicationCount_ == 0 || registeredNotificationCount_ != 0) return;
  writeLine(QStringLiteral("TonnixController: attached to ") +
            QString::number(observedApplicationCount_) +
            QStringLiteral(" applications but registered 0 notifications. Accessibility access "
                           "is denied."));
}

bool TonnixController::isEligible(const TonnixRunningApplication& application) const {
  const std::int32_t processIdentifier = application.processIdentifier;
  if (processIdentifier < 1 || processIdentifier == desktop_.workspace.processIdentifier()) {
    return false;
  }
  if (application.isTerminated || !hasUserInterface(application)) return false;
  if (application.bundleIdentifier && exclusions_.isExcluded(*application.bundleIdentifier)) {
    return false;
  }
  // An observer whose application did not answer (one still starting up)
  // is attached again.
  const auto* existing = observer(processIdentifier);
  return !existing || existing->didTimeOut();
}

void TonnixController::attach(const TonnixRunningApplication& application) {
  if (!isRunning_ || !isEligible(application)) return;
  const std::int32_t processIdentifier = application.processIdentifier;
  removeObserver(processIdentifier);
  const TonnixAXElement element = desktop_.accessibility.applicationElement(processIdentifier);
  auto observer = std::make_unique<TonnixApplicationObserver>(
      desktop_.accessibility, processIdentifier, application.localizedName,
      application.bundleIdentifier, element, TonnixMappingsByRawName(mappings_));
  connect(observer.get(), &TonnixApplicationObserver::eventOccurred, this,
          &TonnixController::handle);
  // A failure leaves the platform's own time-out, which only makes a hung
  // application slower to give up on.
  (void)desktop_.accessibility.setMessagingTimeout(element, attachMessagingTimeout);

  const bool attached = observer->attach().hasValue();
  if (observer->didTimeOut()) {
    timeouts_[processIdentifier] = {observer->attachDuration(),
                                    static_cast<int>(observer->registeredRawNames().size())};
  } else {
    timeouts_.erase(processIdentifier);
  }
  if (!attached) {
    setAndNotify(this, failedObserverCount_, failedObserverCount_ + 1,
                 &TonnixController::failedObserverCountChanged);
    return;
  }
  observers_.emplace(processIdentifier, std::move(observer));
  recount();
}

void TonnixController::recount() {
  const int registered =
      std::accumulate(observers_.begin(), observers_.end(), 0, [](int sum, const auto& entry) {
        return sum + static_cast<int>(entry.second->registeredRawNames().size());
      });
  if (setAndNotify(this, observedApplicationCount_, static_cast<int>(observers_.size()),
                   &TonnixController::observedApplicationCountChanged)) {
    updateFailureDescription();
  }
  if (setAndNotify(this, registeredNotificationCount_, registered,
                   &TonnixController::registeredNotificationCountChanged)) {
    updateFailureDescription();
  }
}

std::optional<QString> TonnixController::failureDescription() const {
  if (desktop_.workspace.isSandboxed()) {
    return QStringLiteral(
        "The app is sandboxed, so it cannot observe other applications. Give its Flatpak "
        "access to the accessibility bus (--talk-name=org.a11y.Bus) and relaunch.");
  }
  if (!desktop_.accessibility.isProcessTrusted()) {
    return QStringLiteral(
        "Accessibility access has not been granted. Switch it on with Grant… in Tonnix's "
        "settings, or with: gsettings set org.gnome.desktop.interface toolkit-accessibility "
        "true");
  }
  if (isRunning_ && observedApplicationCount_ > 0 && registeredNotificationCount_ == 0) {
    return QStringLiteral("Attached to ") + QString::number(observedApplicationCount_) +
           QStringLiteral(
               " applications but registered no notifications. Accessibility access was "
               "probably revoked; try Rescan Apps.");
  }
  if (isRunning_ && playsClickSounds_ && !clickMonitor_->hasInstalledMonitors()) {
    return QStringLiteral("Clicks are switched on but no mouse monitor could be installed.");
  }
  if (library_.bundles().empty()) {
    return QStringLiteral(
        "No sound sets installed. Import one in the Sound Sets tab, or with tonnix import.");
  }
  return std::nullopt;
}

const TonnixApplicationObserver* TonnixController::observer(std::int32_t processIdentifier) const {
  const auto found = observers_.find(processIdentifier);
  return found == observers_.end() ? nullptr : found->second.get();
}

// --- Workspace

// The order is the one in which the observations were always installed:
// launches, quits, window changes, mounts, unmounts.
void TonnixController::installWorkspaceObservations() {
  TonnixWorkspace* workspace = &desktop_.workspace;
  workspaceObservations_ = {
      connect(workspace, &TonnixWorkspace::applicationLaunched, this,
              &TonnixController::applicationLaunched),
      connect(workspace, &TonnixWorkspace::applicationTerminated, this,
              &TonnixController::applicationTerminated),
      connect(workspace, &TonnixWorkspace::windowChanged, this, &TonnixController::windowChanged),
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

void TonnixController::removeWorkspaceObservations() {
  for (const auto& observation : workspaceObservations_) disconnect(observation);
  workspaceObservations_.clear();
}

void TonnixController::applicationLaunched(const TonnixRunningApplication& application) {
  handle({.notificationName = QStringLiteral("App Launched"),
          .soundID = TonnixSoundID("flap"),
          .processIdentifier = application.processIdentifier,
          .applicationName = application.localizedName,
          .origin = TonnixEventOrigin::system,
          .detail = application.localizedName});
  attach(application);
  rebuildAfflictedApplications();
  // The second attach asks the workspace again: by then the application may
  // have quit, and its process id may belong to another application.
  const std::int32_t processIdentifier = application.processIdentifier;
  const std::uint64_t launch = ++launchCount_;
  secondAttaches_[processIdentifier] = launch;
  QTimer::singleShot(secondAttachDelayMilliseconds, this, [this, processIdentifier, launch] {
    const auto pending = secondAttaches_.find(processIdentifier);
    if (pending == secondAttaches_.end() || pending->second != launch) return;
    secondAttaches_.erase(pending);
    if (const auto running = desktop_.workspace.runningApplication(processIdentifier)) {
      attach(*running);
    }
    rebuildAfflictedApplications();
  });
}

void TonnixController::applicationTerminated(const TonnixRunningApplication& application) {
  const std::int32_t processIdentifier = application.processIdentifier;
  secondAttaches_.erase(processIdentifier);
  timeouts_.erase(processIdentifier);
  removeObserver(processIdentifier);
  clickMonitor_->forget(processIdentifier);
  handle({.notificationName = QStringLiteral("App Quit"),
          .soundID = TonnixSoundID("!aqt"),
          .processIdentifier = processIdentifier,
          .applicationName = application.localizedName,
          .origin = TonnixEventOrigin::system,
          .detail = application.localizedName});
  log_->forgetProcess(processIdentifier);
  rebuildAfflictedApplications();
}

// Sounds as the application's own notification would, under the same
// mappings and exclusions.
void TonnixController::windowChanged(const TonnixRunningApplication& application,
                                     const QString& notification) {
  const std::int32_t processIdentifier = application.processIdentifier;
  if (processIdentifier < 1 || processIdentifier == desktop_.workspace.processIdentifier()) return;
  if (application.bundleIdentifier && exclusions_.isExcluded(*application.bundleIdentifier)) {
    return;
  }
  const auto mapping = std::find_if(mappings_.begin(), mappings_.end(), [&](const auto& entry) {
    return entry.notification.rawValue == notification;
  });
  if (mapping == mappings_.end()) return;
  const auto* fixed = std::get_if<TonnixSoundResolution::Fixed>(&mapping->resolution.value);
  if (!fixed) return;
  handle(TonnixEvent::fromNotification(fixed->soundID, notification, processIdentifier,
                                       application.localizedName, std::nullopt));
}

void TonnixController::volumeChanged(const TonnixVolume& volume, const QString& eventName,
                                     TonnixSoundID soundID) {
  const std::optional<QString> name = volumeName(volume);
  handle({.notificationName = eventName,
          .soundID = soundID,
          .processIdentifier = 0,
          .applicationName = name,
          .origin = TonnixEventOrigin::system,
          .detail = name});
}

void TonnixController::removeObserver(std::int32_t processIdentifier) {
  const auto found = observers_.find(processIdentifier);
  if (found == observers_.end()) return;
  found->second->teardown();
  observers_.erase(found);
  recount();
}

// The player keeps a voice per identifier and remembers files that would not
// open; after the sets changed, both may be stale.
void TonnixController::forgetVoices() {
  player_->stopAll();
  for (const auto& entry : allEntries()) player_->invalidate(entry.soundID);
}

// --- Applications list

void TonnixController::rebuildAfflictedApplications() {
  TonnixAfflictedApplications applications;
  std::set<QString> seen;
  const std::int32_t ownProcess = desktop_.workspace.processIdentifier();
  for (const auto& running : desktop_.workspace.runningApplications()) {
    if (running.processIdentifier == ownProcess || running.processIdentifier < 1) continue;
    if (running.isTerminated || !hasUserInterface(running)) continue;
    const auto* attached = observer(running.processIdentifier);
    const auto timeout = timeouts_.find(running.processIdentifier);
    TonnixAfflictedApplication entry{
        .bundleIdentifier = running.bundleIdentifier,
        .fileURL = running.bundleURL ? running.bundleURL : running.executableURL,
        .processIdentifier = running.processIdentifier,
        .icon = running.icon,
        .isExcluded = running.bundleIdentifier && exclusions_.isExcluded(*running.bundleIdentifier),
        .isObserved = attached != nullptr,
        .registeredNotificationCount =
            attached ? static_cast<int>(attached->registeredRawNames().size()) : 0,
        .timeout = timeout == timeouts_.end() ? std::nullopt
                                              : std::optional<TonnixAttachTimeout>(timeout->second),
    };
    entry.name = afflictedDisplayName(running.localizedName, entry.fileURL, entry.bundleIdentifier,
                                      entry.processIdentifier);
    if (running.bundleIdentifier) seen.insert(*running.bundleIdentifier);
    applications.push_back(std::move(entry));
  }

  const TonnixLocalizedStandardOrder order;
  QList<TonnixExclusion> exclusions = exclusions_.exclusions();
  const auto sortKey = [](const TonnixExclusion& exclusion) {
    return exclusion.name.isEmpty() ? exclusion.bundleIdentifier : exclusion.name;
  };
  std::stable_sort(exclusions.begin(), exclusions.end(),
                   [&](const auto& a, const auto& b) { return order(sortKey(a), sortKey(b)); });
  for (const auto& exclusion : exclusions) {
    if (seen.contains(exclusion.bundleIdentifier)) continue;
    const auto file = desktop_.workspace.applicationURL(exclusion.bundleIdentifier);
    TonnixAfflictedApplication entry{
        .bundleIdentifier = exclusion.bundleIdentifier,
        .fileURL = file,
        .icon = file ? desktop_.workspace.iconForFile(*file) : std::nullopt,
        .isExcluded = true,
    };
    entry.name =
        afflictedDisplayName(exclusion.name, file, exclusion.bundleIdentifier, std::nullopt);
    applications.push_back(std::move(entry));
  }

  std::stable_sort(applications.begin(), applications.end(),
                   [&](const auto& a, const auto& b) { return order(a.name, b.name); });
  if (applications == afflictedApplications_) return;
  afflictedApplications_ = std::move(applications);
  emit afflictedApplicationsChanged();
}

TonnixExpected<TonnixDone, TonnixExclusionError> TonnixController::exclude(
    const std::filesystem::path& application) {
  const auto bundleIdentifier = desktop_.workspace.bundleIdentifierOfFile(application);
  if (!bundleIdentifier || bundleIdentifier->isEmpty()) {
    return unexpected(TonnixExclusionError::noBundleIdentifier(
        QUrl::fromLocalFile(QString::fromStdString(application.string()))));
  }
  exclude(*bundleIdentifier, desktop_.workspace.displayName(application));
  return TonnixDone{};
}

void TonnixController::exclude(const QString& bundleIdentifier,
                               const std::optional<QString>& name) {
  if (name) {
    exclusions_.exclude(bundleIdentifier, *name);
  } else {
    exclusions_.exclude(bundleIdentifier);
  }
  std::vector<std::int32_t> excluded;
  for (const auto& entry : observers_) {
    if (entry.second->bundleIdentifier() == bundleIdentifier) excluded.push_back(entry.first);
  }
  for (const auto processIdentifier : excluded) {
    observers_.at(processIdentifier)->teardown();
    observers_.erase(processIdentifier);
    timeouts_.erase(processIdentifier);
  }
  recount();
  clickMonitor_->resetTracker();
  rebuildAfflictedApplications();
}

void TonnixController::include(const QString& bundleIdentifier) {
  exclusions_.include(bundleIdentifier);
  rescan();
  rebuildAfflictedApplications();
}

void TonnixController::toggleExclusion(const TonnixAfflictedApplication& application) {
  if (!application.bundleIdentifier) return;
  if (application.isExcluded) {
    include(*application.bundleIdentifier);
  } else {
    exclude(*application.bundleIdentifier, application.name);
  }
}

// --- Observable state

void TonnixController::updateFailureDescription() {
  setAndNotify(this, publishedFailureDescription_, failureDescription(),
               &TonnixController::failureDescriptionChanged);
}

void TonnixController::writeLine(const QString& line) const {
  if (console_) console_(line);
}
