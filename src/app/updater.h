#pragma once

#include <QDateTime>
#include <QObject>
#include <QTemporaryFile>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "app/appcast.h"
#include "app/update_configuration.h"
#include "app/update_installation.h"

class TonnixPreferencesStore;
class TonnixUpdateNetwork;
class TonnixUpdateNotifications;

// "Last checked " and how long ago, in words: "just now", "5 minutes ago",
// "1 day ago".
QString relativeDateText(const QDateTime& then, const QDateTime& now);
// When the next scheduled check is due: a day after the last check, but
// never within a minute of start-up nor within an hour of the last attempt.
// The first one of a session also waits until the desktop has been idle for
// a minute, for at most ten minutes.
QDateTime nextScheduledCheck(const QDateTime& started, const std::optional<QDateTime>& lastCheck,
                             const std::optional<QDateTime>& lastAttempt);

// Update checking: reads the packager's configuration, checks the appcast
// when asked and once a day when the user lets it, and fetches, verifies
// and installs an update the user accepts. A scheduled check that finds an
// update while Tonnix is in the background posts a desktop notification
// instead of showing a window; the window appears when it is clicked.
// Windows are not its business: it asks for them with showUpdate(),
// upToDate() and checkFailed(). Observable fields signal only on change.
// Main thread only.
class TonnixUpdater : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool checksAutomatically READ checksAutomatically WRITE setChecksAutomatically NOTIFY
                 checksAutomaticallyChanged)
  Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)

 public:
  static constexpr qint64 maximumFeedBytes = 4 * 1024 * 1024;
  static constexpr qint64 maximumArchiveBytes = 1024LL * 1024 * 1024;

  struct Services {
    TonnixPreferencesStore& preferences;
    TonnixUpdateNetwork& network;
    TonnixUpdateNotifications& notifications;
    TonnixUpdateInstallation installation;
    // Whether one of Tonnix's windows has the focus.
    std::function<bool()> isApplicationActive;
    // Asks how long the desktop has been without input, in milliseconds
    // (nothing when it cannot tell); answers on the main thread, never after
    // the context object is gone. Empty: the first check only waits for a
    // minute after start-up.
    std::function<void(QObject* context, std::function<void(std::optional<qint64>)> answer)>
        desktopIdleTime = {};
  };

  TonnixUpdater(TonnixExpected<TonnixUpdateConfiguration, QString> configuration, Services services,
                QObject* parent = nullptr);

  // Once, at launch: trusts the configuration or says why not, removes the
  // version an update replaced, and plans the first scheduled check.
  void start();

  bool checksAutomatically() const { return checksAutomatically_; }
  void setChecksAutomatically(bool checks);
  bool canCheckForUpdates() const { return canCheckForUpdates_; }
  // Whether this build names an update feed; without one (every build a
  // distribution packages) updates come from the system's package manager.
  bool hasUpdateFeed() const { return configuration_ && configuration_->hasFeed(); }
  const std::optional<QDateTime>& lastCheckDate() const { return lastCheckDate_; }
  const std::optional<QString>& startFailureDescription() const { return startFailure_; }
  // The last check or installation that failed, until one succeeds.
  const std::optional<QString>& failureDescription() const { return failure_; }

  // "Last checked " + how long ago + "."; nothing before the first check.
  std::optional<QString> lastCheckText(
      const QDateTime& now = QDateTime::currentDateTimeUtc()) const;
  // Why updates cannot be checked, or the last failure; nothing when fine.
  std::optional<QString> problemText() const;
  QSet<QString> allowedChannels() const;
  QString currentVersion() const;

  // A check the user asked for: ends in showUpdate(), upToDate() or
  // checkFailed(), and a skipped version counts again. Asked while a
  // scheduled check runs, that check answers; while an update installs,
  // checkFailed() says so.
  void checkForUpdates();
  // The check the schedule starts, which may remind gently instead.
  void checkInBackground();
  // Downloads `update` into a file, then verifies and installs it on a
  // worker thread: installProgress() while it downloads, then installed()
  // or installFailed(). Asked while a check runs, it starts once the check
  // ends; while another installs, installFailed() says so.
  void installUpdate(const TonnixAppcastItem& update);
  // Scheduled checks pass over this version from now on.
  void skipVersion(const TonnixAppcastItem& update);
  // The update window got the user's attention, or the session ends: the
  // reminder has done its work.
  void attentionReceived();
  void finishSession();

 signals:
  void checksAutomaticallyChanged();
  void canCheckForUpdatesChanged();
  void lastCheckDateChanged();
  void startFailureDescriptionChanged();
  void failureDescriptionChanged();

  void showUpdate(const TonnixAppcastItem& update);
  void upToDate();
  void checkFailed(const QString& reason);
  void installProgress(qint64 received, qint64 total);
  void installed(const QString& program);
  void installFailed(const QString& reason);

 private:
  enum class Activity { idle, checking, installing };
  enum class Origin { user, schedule };

  void check(Origin origin);
  void finishCheck(const TonnixExpected<QByteArray, QString>& feed);
  void remind(const TonnixAppcastItem& update);
  void finishDownload(const TonnixAppcastItem& update,
                      const TonnixExpected<TonnixDone, QString>& saved);
  void finishInstall(const TonnixExpected<std::filesystem::path, QString>& program);
  void refuseInstall(const QString& reason);
  void fail(const QString& reason);
  void setActivity(Activity activity);
  void refreshCanCheck();
  void scheduleNextCheck();
  void scheduledCheckDue();

  TonnixExpected<TonnixUpdateConfiguration, QString> configuration_;
  Services services_;
  bool started_ = false;
  Activity activity_ = Activity::idle;
  // Whom the check under way answers.
  Origin checkOrigin_ = Origin::schedule;
  // An installation asked for while a check ran.
  std::optional<TonnixAppcastItem> pendingInstall_;
  // The update being downloaded and installed.
  std::unique_ptr<QTemporaryFile> archive_;
  QDateTime startedAt_;
  std::optional<QDateTime> lastAttempt_;
  std::optional<TonnixAppcastItem> reminded_;
  QTimer schedule_;

  bool checksAutomatically_ = true;
  bool canCheckForUpdates_ = false;
  std::optional<QDateTime> lastCheckDate_;
  std::optional<QString> startFailure_;
  std::optional<QString> failure_;
};
