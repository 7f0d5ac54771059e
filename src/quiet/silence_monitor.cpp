#include "quiet/silence_monitor.h"

bool testSilenceReason(TonnixSilenceProbe& probe, TonnixSilenceReason reason,
                       const TonnixSilenceContext& context) {
  switch (reason) {
    case TonnixSilenceReason::audioHeldBack:
      return probe.isAudioHeldBack();
    case TonnixSilenceReason::sharedDisplay:
      return probe.isDisplayShared();
    case TonnixSilenceReason::gameMode:
      return probe.isGameModeActive(context.windows, context.displays);
    case TonnixSilenceReason::microphoneInUse:
      return probe.isMicrophoneInUse();
    case TonnixSilenceReason::videoPlayback:
      return probe.isVideoPlaying();
    case TonnixSilenceReason::focus:
      return probe.isFocusActive();
    case TonnixSilenceReason::fullscreenApplication:
      return probe.isApplicationFullscreen(context.windows, context.displays);
  }
  return false;
}

TonnixSilenceMonitor::TonnixSilenceMonitor(TonnixPreferencesStore& preferences,
                                           std::unique_ptr<TonnixSilenceProbe> probe, Answer answer,
                                           QObject* parent)
    : QObject(parent),
      preferences_(preferences),
      probe_(std::move(probe)),
      answer_(std::move(answer)) {
  if (!answer_) {
    answer_ = [this](TonnixSilenceReason reason, const TonnixSilenceContext& context) {
      return testSilenceReason(*probe_, reason, context);
    };
  }
  for (TonnixSilenceReason reason : allSilenceReasons) {
    if (preferences_.boolValue(preferenceKey(reason), isChosenByDefault(reason))) {
      enabledReasons_.insert(reason);
    }
  }
}

void TonnixSilenceMonitor::setFreshness(double seconds) {
  if (freshness_.count() == seconds) return;
  freshness_ = std::chrono::duration<double>(seconds);
  emit freshnessChanged();
}

void TonnixSilenceMonitor::setEnabled(bool isOn, TonnixSilenceReason reason) {
  const bool changed =
      isOn ? enabledReasons_.insert(reason).second : enabledReasons_.erase(reason) > 0;
  if (changed) emit enabledReasonsChanged();
  preferences_.setBool(preferenceKey(reason), isOn);
  answeredAt_.reset();
  if (isOn && reason == TonnixSilenceReason::focus && isEnabled(reason)) {
    probe_->requestFocusAuthorization();
  }
}

std::optional<TonnixSilenceReason> TonnixSilenceMonitor::currentReason() {
  if (answeredAt_ && now_() - *answeredAt_ < freshness_) return lastReason_;
  lastReason_ = decide();
  answeredAt_ = now_();
  return lastReason_;
}

std::optional<TonnixSilenceReason> TonnixSilenceMonitor::check() {
  const std::optional<TonnixSilenceReason> reason = currentReason();
  if (reason == notifiedReason_) return reason;
  notifiedReason_ = reason;
  emit reasonChanged(reason);
  return reason;
}

std::optional<TonnixSilenceReason> TonnixSilenceMonitor::decide() {
  if (enabledReasons_.empty()) return std::nullopt;
  TonnixSilenceContext context;
  if (needsWindowContext()) context = {probe_->windowDescriptions(), probe_->displayBounds()};
  for (TonnixSilenceReason reason : allSilenceReasons) {
    if (isEnabled(reason) && answer_(reason, context)) return reason;
  }
  return std::nullopt;
}

bool TonnixSilenceMonitor::needsWindowContext() const {
  return isEnabled(TonnixSilenceReason::gameMode) ||
         isEnabled(TonnixSilenceReason::fullscreenApplication);
}
