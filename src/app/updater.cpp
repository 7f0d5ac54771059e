#include "app/updater.h"

#include <QFile>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

#include "app/set_and_notify.h"
#include "app/update_signature.h"
#include "app/version_order.h"
#include "platform/preferences_store.h"
#include "platform/update_network.h"
#include "platform/update_notifications.h"
#include "support/diagnostics.h"

namespace {

const QString checksAutomaticallyKey = QStringLiteral("SUEnableAutomaticChecks");
const QString lastCheckKey = QStringLiteral("SULastCheckTime");
const QString skippedVersionKey = QStringLiteral("SUSkippedVersion");

constexpr qint64 startUpDelaySeconds = 60;
constexpr qint64 startUpIdleMilliseconds = 60 * 1000;
// A desktop that never seems idle (or counts in other units) delays the
// first check no longer than this after start-up.
constexpr qint64 longestIdleWaitSeconds = 10 * 60;
constexpr qint64 minimumCheckIntervalSeconds = 60 * 60;
constexpr qint64 checkIntervalSeconds = 24 * 60 * 60;
// The schedule looks again at least this often, so a suspended machine
// catches up soon after it wakes.
constexpr qint64 longestWaitMilliseconds = 60 * 60 * 1000;

QString plural(qint64 count, const char* unit) {
  return QStringLiteral("%1 %2%3").arg(count).arg(QLatin1String(unit)).arg(count == 1 ? "" : "s");
}

const QString installingText = QStringLiteral("Tonnix is installing an update just now.");
const QString badSignatureText = QStringLiteral(
    "The update's signature does not match the update signing key, so Tonnix did "
    "not install it.");

// What a worker thread made of a downloaded update.
struct InstallOutcome {
  TonnixExpected<std::filesystem::path, QString> program = unexpected(QString());
};

// On a worker thread: the archive is read through a mapping rather than
// into memory, and nothing here touches the updater.
InstallOutcome verifyAndInstall(const TonnixUpdateInstallation& installation,
                                const QString& archive, const QByteArray& publicKey,
                                const TonnixAppcastItem& update, const QString& runningVersion) {
  QFile file(archive);
  uchar* mapped = file.open(QIODevice::ReadOnly) ? file.map(0, file.size()) : nullptr;
  if (!mapped) {
    return {unexpected(QStringLiteral("The update could not be read: %1").arg(file.errorString()))};
  }
  const bool valid = isUpdateSignatureValid(
      publicKey, QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), file.size()),
      update.archiveSignature);
  file.unmap(mapped);
  if (!valid) return {unexpected(badSignatureText)};
  return {installation.install(archive, update.version, runningVersion)};
}

}  // namespace

QString relativeDateText(const QDateTime& then, const QDateTime& now) {
  const qint64 seconds = then.secsTo(now);
  if (seconds < 60) return QStringLiteral("just now");
  struct Unit {
    qint64 seconds;
    const char* name;
  };
  static constexpr Unit units[] = {{365 * 86400, "year"}, {30 * 86400, "month"},
                                   {7 * 86400, "week"},   {86400, "day"},
                                   {3600, "hour"},        {60, "minute"}};
  for (const Unit& unit : units) {
    if (seconds >= unit.seconds) return plural(seconds / unit.seconds, unit.name) + " ago";
  }
  return QStringLiteral("just now");
}

QDateTime nextScheduledCheck(const QDateTime& started, const std::optional<QDateTime>& lastCheck,
                             const std::optional<QDateTime>& lastAttempt) {
  QDateTime due = started.addSecs(startUpDelaySeconds);
  if (lastCheck) due = std::max(due, lastCheck->addSecs(checkIntervalSeconds));
  if (lastAttempt) due = std::max(due, lastAttempt->addSecs(minimumCheckIntervalSeconds));
  return due;
}

TonnixUpdater::TonnixUpdater(TonnixExpected<TonnixUpdateConfiguration, QString> configuration,
                             Services services, QObject* parent)
    : QObject(parent), configuration_(std::move(configuration)), services_(std::move(services)) {
  auto& preferences = services_.preferences;
  checksAutomatically_ = preferences.boolValue(checksAutomaticallyKey, true);
  const qint64 lastCheck = preferences.integerValue(lastCheckKey, 0);
  if (lastCheck > 0) lastCheckDate_ = QDateTime::fromMSecsSinceEpoch(lastCheck, Qt::UTC);
  schedule_.setSingleShot(true);
  connect(&schedule_, &QTimer::timeout, this, &TonnixUpdater::scheduledCheckDue);
  // A click on the reminder, or a reminder the desktop would not show,
  // brings the update window.
  const auto showReminded = [this] {
    if (reminded_) emit showUpdate(*reminded_);
  };
  connect(&services_.notifications, &TonnixUpdateNotifications::activated, this, showReminded);
  connect(&services_.notifications, &TonnixUpdateNotifications::refused, this, showReminded);
}

void TonnixUpdater::start() {
  if (std::exchange(started_, true)) return;
  startedAt_ = QDateTime::currentDateTimeUtc();
  if (!configuration_) {
    tonnixDiagnostic("TonnixUpdater", configuration_.error().toStdString());
    setAndNotify(this, startFailure_, std::optional(configuration_.error()),
                 &TonnixUpdater::startFailureDescriptionChanged);
  } else {
    services_.installation.removeReplacedVersion();
  }
  refreshCanCheck();
  scheduleNextCheck();
}

void TonnixUpdater::setChecksAutomatically(bool checks) {
  if (!setAndNotify(this, checksAutomatically_, checks,
                    &TonnixUpdater::checksAutomaticallyChanged)) {
    return;
  }
  services_.preferences.setBool(checksAutomaticallyKey, checks);
  scheduleNextCheck();
}

std::optional<QString> TonnixUpdater::lastCheckText(const QDateTime& now) const {
  if (!lastCheckDate_) return std::nullopt;
  return QStringLiteral("Last checked ") + relativeDateText(*lastCheckDate_, now) + u'.';
}

std::optional<QString> TonnixUpdater::problemText() const {
  if (startFailure_) return startFailure_;
  if (!configuration_) return std::nullopt;
  if (auto problem = configuration_->problem()) return problem;
  return failure_;
}

QSet<QString> TonnixUpdater::allowedChannels() const {
  return allowedUpdateChannels(configuration_ ? configuration_->shortVersion : std::nullopt);
}

QString TonnixUpdater::currentVersion() const {
  if (!configuration_) return QStringLiteral("0");
  return configuration_->version.value_or(
      configuration_->shortVersion.value_or(QStringLiteral("0")));
}

void TonnixUpdater::checkForUpdates() {
  check(Origin::user);
}

void TonnixUpdater::checkInBackground() {
  check(Origin::schedule);
}

void TonnixUpdater::check(Origin origin) {
  if (activity_ == Activity::checking) {
    // The check under way answers this request too.
    if (origin == Origin::user) checkOrigin_ = Origin::user;
    return;
  }
  if (activity_ == Activity::installing) {
    if (origin == Origin::user) emit checkFailed(installingText);
    return;
  }
  if (!canCheckForUpdates_) return;
  checkOrigin_ = origin;
  setActivity(Activity::checking);
  lastAttempt_ = QDateTime::currentDateTimeUtc();
  const QUrl feed(configuration_->feedURL->trimmed());
  services_.network.fetch(feed, maximumFeedBytes, this, {},
                          [this](TonnixExpected<QByteArray, QString> body) {
                            finishCheck(body);
                            if (auto update = std::exchange(pendingInstall_, std::nullopt)) {
                              installUpdate(*update);
                            }
                          });
}

void TonnixUpdater::finishCheck(const TonnixExpected<QByteArray, QString>& feed) {
  const Origin origin = checkOrigin_;
  setActivity(Activity::idle);
  const QDateTime now = QDateTime::currentDateTimeUtc();
  services_.preferences.setInteger(lastCheckKey, now.toMSecsSinceEpoch());
  setAndNotify(this, lastCheckDate_, std::optional(now), &TonnixUpdater::lastCheckDateChanged);
  scheduleNextCheck();

  const auto items =
      feed ? parseAppcast(*feed)
           : TonnixExpected<std::vector<TonnixAppcastItem>, QString>(unexpected(feed.error()));
  if (!items) {
    fail(items.error());
    if (origin == Origin::user) emit checkFailed(items.error());
    return;
  }
  setAndNotify(this, failure_, std::optional<QString>(), &TonnixUpdater::failureDescriptionChanged);
  const auto skipped =
      origin == Origin::user ? std::nullopt : services_.preferences.stringValue(skippedVersionKey);
  const auto update = newestUpdate(*items, currentVersion(), allowedChannels(), skipped);
  if (!update) {
    if (origin == Origin::user) emit upToDate();
    return;
  }
  if (origin == Origin::user) {
    emit showUpdate(*update);
  } else {
    remind(*update);
  }
}

// A scheduled find waits in a notification while the user is busy
// elsewhere; with a Tonnix window in front, or no way to notify, it shows.
void TonnixUpdater::remind(const TonnixAppcastItem& update) {
  reminded_ = update;
  const bool active = services_.isApplicationActive && services_.isApplicationActive();
  if (active) {
    emit showUpdate(update);
    return;
  }
  services_.notifications.post(
      QStringLiteral("Tonnix ") + update.displayVersion + QStringLiteral(" is available"),
      QStringLiteral("Click to install it."));
}

void TonnixUpdater::installUpdate(const TonnixAppcastItem& update) {
  if (activity_ == Activity::checking) {
    pendingInstall_ = update;
    return;
  }
  if (activity_ == Activity::installing) {
    emit installFailed(installingText);
    return;
  }
  if (const auto why = services_.installation.whyNotUpdatable(update.displayVersion)) {
    return refuseInstall(*why);
  }
  if (update.archiveLength <= 0 || update.archiveLength > maximumArchiveBytes) {
    return refuseInstall(
        QStringLiteral(
            "The update feed gives no usable length for Tonnix %1, so it cannot be checked.")
            .arg(update.displayVersion));
  }
  auto file = services_.installation.newArchiveFile();
  if (!file) return refuseInstall(file.error());
  archive_ = std::move(*file);
  setActivity(Activity::installing);
  services_.network.download(
      update.archiveURL, update.archiveLength, *archive_, this,
      [this](qint64 received, qint64 total) { emit installProgress(received, total); },
      [this, update](TonnixExpected<TonnixDone, QString> saved) { finishDownload(update, saved); });
}

void TonnixUpdater::finishDownload(const TonnixAppcastItem& update,
                                   const TonnixExpected<TonnixDone, QString>& saved) {
  if (!saved) return refuseInstall(saved.error());
  if (!archive_->flush()) return refuseInstall(archive_->errorString());
  if (archive_->size() != update.archiveLength) {
    return refuseInstall(
        QStringLiteral("The update is %1 bytes long, not the %2 the update feed gives, so "
                       "Tonnix did not install it.")
            .arg(archive_->size())
            .arg(update.archiveLength));
  }
  const auto key = decodeUpdatePublicKey(configuration_->publicKey.value_or(QString()));
  if (!key) return refuseInstall(badSignatureText);
  // Checking and unpacking a large archive takes long enough to be heard:
  // sounds keep playing meanwhile.
  auto* watcher = new QFutureWatcher<InstallOutcome>(this);
  connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
    watcher->deleteLater();
    finishInstall(watcher->result().program);
  });
  watcher->setFuture(QtConcurrent::run(verifyAndInstall, services_.installation,
                                       archive_->fileName(), *key, update, currentVersion()));
}

void TonnixUpdater::finishInstall(const TonnixExpected<std::filesystem::path, QString>& program) {
  if (!program) return refuseInstall(program.error());
  archive_.reset();
  setActivity(Activity::idle);
  setAndNotify(this, failure_, std::optional<QString>(), &TonnixUpdater::failureDescriptionChanged);
  emit installed(QString::fromStdString(program->string()));
}

void TonnixUpdater::refuseInstall(const QString& reason) {
  archive_.reset();
  if (activity_ == Activity::installing) setActivity(Activity::idle);
  fail(reason);
  emit installFailed(reason);
}

void TonnixUpdater::skipVersion(const TonnixAppcastItem& update) {
  services_.preferences.setString(skippedVersionKey, update.version);
}

void TonnixUpdater::attentionReceived() {
  services_.notifications.withdraw();
}

void TonnixUpdater::finishSession() {
  services_.notifications.withdraw();
}

void TonnixUpdater::fail(const QString& reason) {
  setAndNotify(this, failure_, std::optional(reason), &TonnixUpdater::failureDescriptionChanged);
}

void TonnixUpdater::setActivity(Activity activity) {
  activity_ = activity;
  refreshCanCheck();
  scheduleNextCheck();
}

void TonnixUpdater::refreshCanCheck() {
  const bool trusted = started_ && configuration_ && !configuration_->problem();
  setAndNotify(this, canCheckForUpdates_, trusted && activity_ == Activity::idle,
               &TonnixUpdater::canCheckForUpdatesChanged);
}

void TonnixUpdater::scheduleNextCheck() {
  schedule_.stop();
  // Busy or untrusted: the end of the work, or nothing, plans again.
  if (!checksAutomatically_ || !canCheckForUpdates_) return;
  const QDateTime due = nextScheduledCheck(startedAt_, lastCheckDate_, lastAttempt_);
  const qint64 wait = QDateTime::currentDateTimeUtc().msecsTo(due);
  schedule_.start(static_cast<int>(std::clamp<qint64>(wait, 0, longestWaitMilliseconds)));
}

void TonnixUpdater::scheduledCheckDue() {
  const QDateTime now = QDateTime::currentDateTimeUtc();
  if (nextScheduledCheck(startedAt_, lastCheckDate_, lastAttempt_) > now) {
    scheduleNextCheck();
    return;
  }
  const bool waitsForIdle =
      !lastAttempt_ && services_.desktopIdleTime && startedAt_.secsTo(now) < longestIdleWaitSeconds;
  if (!waitsForIdle) {
    checkInBackground();
    return;
  }
  // Not while the user is busy just after logging in.
  services_.desktopIdleTime(this, [this](std::optional<qint64> idle) {
    if (!idle || *idle >= startUpIdleMilliseconds) {
      checkInBackground();
      return;
    }
    if (canCheckForUpdates_ && checksAutomatically_) {
      schedule_.start(static_cast<int>(startUpIdleMilliseconds - *idle));
    }
  });
}
