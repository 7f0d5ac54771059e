#include "quiet/silence_reason.h"

#include <gtest/gtest.h>

namespace {

TEST(SilenceReasonTest, ReasonsAreTestedInTheirDeclaredOrderWithTheirKeys) {
  const std::vector<std::pair<std::string_view, const char*>> expected = {
      {"audioHeldBack", "TonnixMutesForAudioHeldBack"},
      {"sharedDisplay", "TonnixMutesForSharedDisplay"},
      {"gameMode", "TonnixMutesForGameMode"},
      {"microphoneInUse", "TonnixMutesForMicrophoneInUse"},
      {"videoPlayback", "TonnixMutesForVideoPlayback"},
      {"focus", "TonnixMutesForFocus"},
      {"fullscreenApplication", "TonnixMutesForFullscreenApplication"}};
  ASSERT_EQ(allSilenceReasons.size(), expected.size());
  for (std::size_t index = 0; index < expected.size(); ++index) {
    const TonnixSilenceReason reason = allSilenceReasons[index];
    EXPECT_EQ(rawValue(reason), expected[index].first);
    EXPECT_EQ(preferenceKey(reason), QString::fromLatin1(expected[index].second));
    EXPECT_EQ(silenceReasonFromRawValue(expected[index].first), reason);
  }
  EXPECT_EQ(silenceReasonFromRawValue("Focus"), std::nullopt);
}

TEST(SilenceReasonTest, TextsAreExactWithRealEmDashes) {
  EXPECT_EQ(title(TonnixSilenceReason::audioHeldBack), "Audio is muted or ducked");
  EXPECT_EQ(title(TonnixSilenceReason::fullscreenApplication), "Any app is fullscreen");
  const QString shared = explanation(TonnixSilenceReason::sharedDisplay);
  EXPECT_EQ(shared.count(QChar(0x2014)), 2);
  EXPECT_TRUE(shared.startsWith(QStringLiteral("A display is mirrored \u2014 a projector")));
  EXPECT_EQ(title(TonnixSilenceReason::focus), "Do Not Disturb is on");
}

}  // namespace
