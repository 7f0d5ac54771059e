#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdlib>

#include "event_loop.h"
#include "platform/linux/linux_silence_probe.h"

// The probe on a machine with no sound server, no session or system bus
// and no X server, as in CI: every question answers no and nothing waits.
// The addresses point nowhere, so the answers hold even where the machine
// running the tests has a desktop.

namespace {

class OfflineProbeTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    const char* nowhere = "unix:path=/nonexistent/tonnix-test/bus";
    ::setenv("DBUS_SESSION_BUS_ADDRESS", nowhere, 1);
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", nowhere, 1);
    ::setenv("PULSE_SERVER", "unix:/nonexistent/tonnix-test/pulse", 1);
    ::unsetenv("DISPLAY");
  }

  static std::vector<bool> answers(TonnixSilenceProbe& probe) {
    const auto windows = probe.windowDescriptions();
    const auto displays = probe.displayBounds();
    return {probe.isAudioHeldBack(),
            probe.isDisplayShared(),
            probe.isGameModeActive(windows, displays),
            probe.isMicrophoneInUse(),
            probe.isVideoPlaying(),
            probe.isFocusActive(),
            probe.isApplicationFullscreen(windows, displays),
            !windows.empty(),
            !displays.empty()};
  }
};

}  // namespace

// Probes also go away cleanly while their questions are open.
TEST_F(OfflineProbeTest, EveryQuestionAnswersNoBeforeAndAfterTheFailuresAreKnown) {
  for (int i = 0; i < 3; ++i) {
    TonnixLinuxSilenceProbe gone;
    answers(gone);
  }
  TonnixLinuxSilenceProbe probe;
  const std::vector<bool> none(9, false);
  EXPECT_EQ(answers(probe), none);
  tonnix_test::turnFor(300);  // the failed connections report back
  EXPECT_EQ(answers(probe), none);
  probe.requestFocusAuthorization();
  EXPECT_EQ(answers(probe), none);
}
