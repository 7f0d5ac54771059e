#include "quiet/silence_monitor.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_silence_probes.h"
#include "platform/fake/memory_preferences_store.h"

namespace {

using namespace std::chrono_literals;
using Reason = TonnixSilenceReason;
using Probe = TonnixFakeSilenceProbe::Test;

class SilenceMonitorTest : public testing::Test {
 protected:
  // A monitor on the fake probe, on a clock that moves only when told.
  std::unique_ptr<TonnixSilenceMonitor> makeMonitor(TonnixSilenceMonitor::Answer answer = {}) {
    auto fake = std::make_unique<TonnixFakeSilenceProbe>();
    probe_ = fake.get();
    auto monitor =
        std::make_unique<TonnixSilenceMonitor>(preferences_, std::move(fake), std::move(answer));
    monitor->setClock([this] { return now_; });
    return monitor;
  }

  TonnixSilenceMonitor::Answer countingAnswer() {
    return [this](Reason reason, const TonnixSilenceContext&) {
      ++answers_;
      return holding_.contains(reason);
    };
  }

  TonnixMemoryPreferencesStore preferences_;
  TonnixFakeSilenceProbe* probe_ = nullptr;
  TonnixSilenceMonitor::Clock::time_point now_{};
  std::set<Reason> holding_;
  int answers_ = 0;
};

TEST_F(SilenceMonitorTest, StoredChoicesCountOnlyWhenTheyAreBooleans) {
  const auto monitor = makeMonitor();
  EXPECT_EQ(monitor->enabledReasons().size(), 6u);
  EXPECT_FALSE(monitor->isEnabled(Reason::fullscreenApplication));

  preferences_.setValue(QStringLiteral("TonnixMutesForFocus"), false);
  preferences_.setValue(QStringLiteral("TonnixMutesForFullscreenApplication"), true);
  preferences_.setValue(QStringLiteral("TonnixMutesForGameMode"), QStringLiteral("no"));
  preferences_.setValue(QStringLiteral("TonnixMutesForVideoPlayback"), 0);
  const auto stored = makeMonitor();
  EXPECT_FALSE(stored->isEnabled(Reason::focus));
  EXPECT_TRUE(stored->isEnabled(Reason::fullscreenApplication));
  EXPECT_TRUE(stored->isEnabled(Reason::gameMode));
  EXPECT_TRUE(stored->isEnabled(Reason::videoPlayback));
  EXPECT_EQ(preferences_.writeCount(QStringLiteral("TonnixMutesForGameMode")), 1);
}

TEST_F(SilenceMonitorTest, WithNoReasonChosenNothingIsAsked) {
  for (Reason reason : allSilenceReasons) preferences_.setValue(preferenceKey(reason), false);
  const auto monitor = makeMonitor(countingAnswer());
  EXPECT_EQ(monitor->currentReason(), std::nullopt);
  EXPECT_EQ(answers_, 0);
}

TEST_F(SilenceMonitorTest, AnswerIsReusedForStrictlyLessThanHalfASecond) {
  const auto monitor = makeMonitor(countingAnswer());
  monitor->currentReason();
  const int firstAnswers = answers_;
  EXPECT_EQ(firstAnswers, 6);

  now_ += 499ms;
  holding_ = {Reason::focus};
  EXPECT_EQ(monitor->currentReason(), std::nullopt);
  EXPECT_EQ(answers_, firstAnswers);

  now_ += 1ms;
  EXPECT_EQ(monitor->currentReason(), Reason::focus);
  EXPECT_GT(answers_, firstAnswers);
}

TEST_F(SilenceMonitorTest, ChangingAChoiceForgetsTheAnswerAndIsStored) {
  const auto monitor = makeMonitor(countingAnswer());
  int changes = 0;
  QObject::connect(monitor.get(), &TonnixSilenceMonitor::enabledReasonsChanged,
                   [&changes] { ++changes; });
  holding_ = {Reason::fullscreenApplication};
  EXPECT_EQ(monitor->currentReason(), std::nullopt);

  monitor->setEnabled(true, Reason::fullscreenApplication);
  EXPECT_EQ(monitor->currentReason(), Reason::fullscreenApplication);
  EXPECT_EQ(preferences_.value(QStringLiteral("TonnixMutesForFullscreenApplication")), true);

  // A choice that changes nothing is still written, but not announced.
  monitor->setEnabled(true, Reason::fullscreenApplication);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(preferences_.writeCount(QStringLiteral("TonnixMutesForFullscreenApplication")), 2);
}

TEST_F(SilenceMonitorTest, EarliestReasonInTheTableWins) {
  const auto monitor = makeMonitor();
  probe_->setAnswer(Probe::focus, true);
  probe_->setAnswer(Probe::audioHeldBack, true);
  EXPECT_EQ(monitor->currentReason(), Reason::audioHeldBack);
  EXPECT_EQ(probe_->questionCount(Probe::focus), 0);
}

TEST_F(SilenceMonitorTest, CheckReportsOnlyChangesOfTheReason) {
  const auto monitor = makeMonitor(countingAnswer());
  std::vector<std::optional<Reason>> reported;
  QObject::connect(monitor.get(), &TonnixSilenceMonitor::reasonChanged,
                   [&](std::optional<Reason> reason) { reported.push_back(reason); });
  // The first check, without a reason, reports nothing.
  const std::vector<std::set<Reason>> sequence = {{}, {Reason::focus},        {Reason::focus}, {},
                                                  {}, {Reason::videoPlayback}};
  for (const auto& holding : sequence) {
    holding_ = holding;
    now_ += 1s;
    monitor->check();
  }
  const std::vector<std::optional<Reason>> expected = {Reason::focus, std::nullopt,
                                                       Reason::videoPlayback};
  EXPECT_EQ(reported, expected);
}

TEST_F(SilenceMonitorTest, OnlyChoosingFocusAsksForFocusAccess) {
  preferences_.setValue(QStringLiteral("TonnixMutesForFocus"), false);
  const auto monitor = makeMonitor();
  monitor->setEnabled(true, Reason::gameMode);
  monitor->setEnabled(false, Reason::focus);
  EXPECT_EQ(probe_->focusAuthorizationRequests(), 0);
  monitor->setEnabled(true, Reason::focus);
  EXPECT_EQ(probe_->focusAuthorizationRequests(), 1);
}

TEST_F(SilenceMonitorTest, WindowListIsFetchedOnlyForWindowBasedReasons) {
  const TonnixWindowDescription window{42, 0, QRectF(0, 0, 1920, 1080), 1.0};
  const auto monitor = makeMonitor();
  probe_->setWindows({window});
  probe_->setDisplays({QRectF(0, 0, 1920, 1080)});
  monitor->setEnabled(false, Reason::gameMode);
  monitor->currentReason();
  EXPECT_EQ(probe_->windowListCount(), 0);

  monitor->setEnabled(true, Reason::fullscreenApplication);
  monitor->currentReason();
  EXPECT_EQ(std::pair(probe_->windowListCount(), probe_->displayListCount()), std::pair(1, 1));
  EXPECT_EQ(probe_->lastWindows(), std::vector<TonnixWindowDescription>{window});
  EXPECT_EQ(probe_->lastDisplays().size(), 1u);
}

TEST_F(SilenceMonitorTest, EachReasonAsksItsOwnQuestion) {
  const Probe tests[] = {Probe::audioHeldBack,        Probe::sharedDisplay, Probe::gameMode,
                         Probe::microphoneInUse,      Probe::videoPlayback, Probe::focus,
                         Probe::fullscreenApplication};  // in the order of the reasons
  ASSERT_EQ(allSilenceReasons.size(), std::size(tests));
  TonnixFakeSilenceProbe probe;
  for (std::size_t index = 0; index < std::size(tests); ++index) {
    const Reason reason = allSilenceReasons[index];
    const Probe test = tests[index];
    probe.setAnswer(test, true);
    EXPECT_TRUE(testSilenceReason(probe, reason, {}));
    EXPECT_EQ(probe.questionCount(test), 1);
    probe.setAnswer(test, false);
  }
  EXPECT_EQ(probe.questionCount(), 7);
}

// The keys are those of the stored preferences; the order is the order in
// which the reasons are asked.
TEST(SilenceReasonTest, ReasonsAreTestedInTheirDeclaredOrderWithTheirKeys) {
  QStringList raw;
  QStringList keys;
  for (const TonnixSilenceReason reason : allSilenceReasons) {
    raw << QString::fromUtf8(rawValue(reason));
    keys << preferenceKey(reason);
    EXPECT_EQ(silenceReasonFromRawValue(rawValue(reason)), reason);
  }
  EXPECT_EQ(raw.join(' '),
            "audioHeldBack sharedDisplay gameMode microphoneInUse videoPlayback focus "
            "fullscreenApplication");
  EXPECT_EQ(keys.join(' '),
            "TonnixMutesForAudioHeldBack TonnixMutesForSharedDisplay TonnixMutesForGameMode "
            "TonnixMutesForMicrophoneInUse TonnixMutesForVideoPlayback TonnixMutesForFocus "
            "TonnixMutesForFullscreenApplication");
  EXPECT_EQ(silenceReasonFromRawValue("Focus"), std::nullopt);
}

}  // namespace
