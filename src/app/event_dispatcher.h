#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "events/event.h"
#include "quiet/silence_reason.h"

class TonnixPlayer;
class TonnixSilenceMonitor;
class TonnixSoundLog;

using TonnixEventList = std::vector<TonnixEvent>;

// The one entry of every event: hears a window action told twice once,
// tells the monitor, plays the event's sound and logs it when a sound
// started, and logs when Tonnix keeps quiet. Everything given must outlive
// the dispatcher. Main thread only.
//
// Observable fields signal only when their value changes.
class TonnixEventDispatcher : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool isMonitoring READ isMonitoring WRITE setMonitoring NOTIFY isMonitoringChanged)
  Q_PROPERTY(TonnixEventList recentEvents READ recentEvents NOTIFY recentEventsChanged)

 public:
  // The newest events kept while monitoring.
  static constexpr std::size_t maximumRecentEvents = 12;
  // The same window action of one application within this time is one
  // action reported twice.
  static constexpr std::chrono::milliseconds windowActionInterval{500};

  TonnixEventDispatcher(TonnixPlayer& player, TonnixSoundLog& log, TonnixSilenceMonitor& silence,
                        QObject* parent = nullptr);

  // Emits a monitor line per handled event and keeps the newest events;
  // not stored.
  bool isMonitoring() const { return isMonitoring_; }
  void setMonitoring(bool isMonitoring);
  // Oldest first.
  const TonnixEventList& recentEvents() const { return recentEvents_; }
  void clearRecentEvents();

  // Monitors the event, plays it, and logs it when a sound started.
  void handle(const TonnixEvent& event);
  // Whether the player keeps quiet now: switched off, or the silence
  // monitor has a reason (checkSilence()).
  bool isQuiet();
  // Asks the silence monitor; a reason other than the one logged last (at
  // first none), or its end, goes into the sound log. For views that show
  // the log while no event comes.
  std::optional<TonnixSilenceReason> checkSilence();

 signals:
  void isMonitoringChanged();
  void recentEventsChanged();
  // While monitoring, one line per handled event: its notification, its
  // sound and whether that plays, and where it came from.
  void monitorLine(const QString& line);

 private:
  bool isRepeatedWindowAction(const TonnixEvent& event);
  void monitor(const TonnixEvent& event);

  TonnixPlayer& player_;
  TonnixSoundLog& log_;
  TonnixSilenceMonitor& silence_;
  bool isMonitoring_ = false;
  TonnixEventList recentEvents_;
  std::optional<TonnixSilenceReason> loggedSilence_;
  // When each application's window actions were last heard.
  std::map<std::pair<std::int32_t, QString>, TonnixEvent::Clock::time_point> lastWindowActions_;
};
