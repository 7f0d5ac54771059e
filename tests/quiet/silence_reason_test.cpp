#include "quiet/silence_reason.h"

#include <gtest/gtest.h>

namespace {

// The keys are those of the stored preferences; the order is the order in
// which the reasons are asked.
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

}  // namespace
