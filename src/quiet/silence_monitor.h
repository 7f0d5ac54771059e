#pragma once

#include <QObject>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <set>

#include "platform/preferences_store.h"
#include "platform/silence_probes.h"
#include "quiet/silence_context.h"
#include "quiet/silence_reason.h"

using TonnixSilenceReasons = std::set<TonnixSilenceReason>;

// The probe's answer for one reason: the question of the probe that belongs
// to it, with the context for the window-based ones.
bool testSilenceReason(TonnixSilenceProbe& probe, TonnixSilenceReason reason,
                       const TonnixSilenceContext& context);

// Decides whether there is a reason to keep quiet right now, and which: the
// first of the user's chosen reasons, in declaration order, that the probe
// confirms. The answer is reused for `freshness` (half a second), so asking
// before every sound costs a clock read. Main thread only.
class TonnixSilenceMonitor : public QObject {
  Q_OBJECT
  // Seconds an answer is reused.
  Q_PROPERTY(double freshness READ freshness WRITE setFreshness NOTIFY freshnessChanged)
  // The reasons the user counts; change them with setEnabled().
  Q_PROPERTY(TonnixSilenceReasons enabledReasons READ enabledReasons NOTIFY enabledReasonsChanged)

 public:
  using Clock = std::chrono::steady_clock;
  using Answer = std::function<bool(TonnixSilenceReason, const TonnixSilenceContext&)>;

  // Reads the chosen reasons from `preferences` (which must outlive the
  // monitor) without writing anything back. `answer` replaces the probe's
  // own tests when given.
  TonnixSilenceMonitor(TonnixPreferencesStore& preferences,
                       std::unique_ptr<TonnixSilenceProbe> probe, Answer answer = {},
                       QObject* parent = nullptr);

  double freshness() const { return freshness_.count(); }
  void setFreshness(double seconds);

  const TonnixSilenceReasons& enabledReasons() const { return enabledReasons_; }
  bool isEnabled(TonnixSilenceReason reason) const { return enabledReasons_.contains(reason); }
  // Chooses or drops a reason, stores the choice and forgets the cached
  // answer. Choosing focus makes the probe ask afresh for Do Not Disturb.
  void setEnabled(bool isOn, TonnixSilenceReason reason);

  // The cached decision, computed afresh when older than `freshness`.
  std::optional<TonnixSilenceReason> currentReason();
  // currentReason(), and reasonChanged when it differs from the one told
  // last (the first reason found counts as a change).
  std::optional<TonnixSilenceReason> check();

  TonnixSilenceProbe& probe() { return *probe_; }
  // Replaces the monotonic clock, for tests.
  void setClock(std::function<Clock::time_point()> now) { now_ = std::move(now); }

 signals:
  void freshnessChanged();
  void enabledReasonsChanged();
  // From check(): the reason to keep quiet now, or none.
  void reasonChanged(std::optional<TonnixSilenceReason> reason);

 private:
  std::optional<TonnixSilenceReason> decide();
  bool needsWindowContext() const;

  TonnixPreferencesStore& preferences_;
  std::unique_ptr<TonnixSilenceProbe> probe_;
  Answer answer_;
  std::function<Clock::time_point()> now_ = [] { return Clock::now(); };
  std::chrono::duration<double> freshness_{0.5};
  TonnixSilenceReasons enabledReasons_;
  std::optional<TonnixSilenceReason> lastReason_;
  std::optional<Clock::time_point> answeredAt_;
  std::optional<TonnixSilenceReason> notifiedReason_;
};
