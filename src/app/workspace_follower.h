#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <map>
#include <vector>

#include "catalogue/sound_id.h"
#include "platform/workspace.h"

class TonnixApplicationAttacher;
class TonnixApplicationsList;
class TonnixClickMonitor;
class TonnixEventDispatcher;
class TonnixExclusions;
class TonnixSoundLog;

// Follows the workspace while started: a launch or a quit sounds and
// attaches or detaches the application (a launched one a second time, in
// case its interface was not ready at launch), the window manager's window
// changes sound as the application's own notifications would, and disks
// sound when mounted or ejected. Everything given must outlive the
// follower. Main thread only.
class TonnixWorkspaceFollower : public QObject {
  Q_OBJECT

 public:
  // When a launched application is attached a second time.
  static constexpr int secondAttachDelayMilliseconds = 1000;

  struct Parts {
    TonnixWorkspace& workspace;
    TonnixExclusions& exclusions;
    TonnixEventDispatcher& dispatcher;
    TonnixApplicationAttacher& attacher;
    TonnixApplicationsList& applications;
    TonnixClickMonitor& clickMonitor;
    TonnixSoundLog& log;
  };

  explicit TonnixWorkspaceFollower(Parts parts, QObject* parent = nullptr);

  // Does nothing while started.
  void start();
  // Stops following and drops the second attaches still due.
  void stop();

 private:
  void applicationLaunched(const TonnixRunningApplication& application);
  void applicationTerminated(const TonnixRunningApplication& application);
  void windowChanged(const TonnixRunningApplication& application, const QString& notification);
  void volumeChanged(const TonnixVolume& volume, const QString& eventName, TonnixSoundID soundID);

  Parts parts_;
  // The connections to the workspace's signals while started.
  std::vector<QMetaObject::Connection> observations_;
  // The launch whose second attach is still due, per process; a quit drops it.
  std::map<std::int32_t, std::uint64_t> secondAttaches_;
  std::uint64_t launchCount_ = 0;
};
