#include "app/event_dispatcher.h"

#include <QStringList>
#include <algorithm>

#include "app/set_and_notify.h"
#include "events/notification_mapping.h"
#include "playback/player.h"
#include "quiet/silence_monitor.h"
#include "quiet/sound_log.h"

TonnixEventDispatcher::TonnixEventDispatcher(TonnixPlayer& player, TonnixSoundLog& log,
                                             TonnixSilenceMonitor& silence, QObject* parent)
    : QObject(parent), player_(player), log_(log), silence_(silence) {}

void TonnixEventDispatcher::setMonitoring(bool isMonitoring) {
  setAndNotify(this, isMonitoring_, isMonitoring, &TonnixEventDispatcher::isMonitoringChanged);
}

void TonnixEventDispatcher::clearRecentEvents() {
  if (recentEvents_.empty()) return;
  recentEvents_.clear();
  emit recentEventsChanged();
}

void TonnixEventDispatcher::handle(const TonnixEvent& event) {
  if (isRepeatedWindowAction(event)) return;
  if (isMonitoring_) monitor(event);
  // A new reason to keep quiet, or its end, goes into the log; the player
  // asks again, answered from the silence monitor's cache, and ends a loop
  // while quiet.
  if (player_.isEnabled()) checkSilence();
  if (!player_.play(event.soundID)) return;
  log_.record(event, TonnixEvent::Clock::now());
}

bool TonnixEventDispatcher::isQuiet() {
  return !player_.isEnabled() || checkSilence().has_value();
}

std::optional<TonnixSilenceReason> TonnixEventDispatcher::checkSilence() {
  const std::optional<TonnixSilenceReason> reason = silence_.check();
  if (reason == loggedSilence_) return reason;
  loggedSilence_ = reason;
  log_.silenceChanged(reason, TonnixEvent::Clock::now());
  return reason;
}

// One user action on a window may be announced by the application and by
// the window manager, and GTK 3 announces a minimize on every top-level
// window of the application: it is heard once.
bool TonnixEventDispatcher::isRepeatedWindowAction(const TonnixEvent& event) {
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

void TonnixEventDispatcher::monitor(const TonnixEvent& event) {
  const QString status = player_.hasSound(event.soundID) ? QStringLiteral("plays")
                                                         : QStringLiteral("no sound assigned");
  const QString source = event.applicationName
                             ? *event.applicationName
                             : QStringLiteral("pid ") + QString::number(event.processIdentifier);
  emit monitorLine(QStringLiteral("Tonnix: ") + event.notificationName + QStringLiteral(" -> ") +
                   QString::fromStdString(event.soundID.description()) + QStringLiteral(" (") +
                   status + QStringLiteral(") from ") + source);
  recentEvents_.push_back(event);
  if (recentEvents_.size() > maximumRecentEvents) {
    recentEvents_.erase(recentEvents_.begin(),
                        recentEvents_.end() - static_cast<std::ptrdiff_t>(maximumRecentEvents));
  }
  emit recentEventsChanged();
}
