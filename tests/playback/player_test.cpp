#include "playback/player.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>

#include "catalogue/catalogue.h"
#include "event_loop.h"
#include "library/assignments.h"
#include "library/bundle_writer.h"
#include "library/library.h"
#include "platform/fake/fake_audio.h"
#include "platform/fake/fake_screens.h"
#include "platform/fake/fake_silence_probes.h"
#include "platform/fake/memory_preferences_store.h"
#include "quiet/silence_monitor.h"
#include "sound_file.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kSet = "org.tonnix.tonnixset.test";
const std::string kOtherSet = "org.tonnix.tonnixset.other";
constexpr TonnixSoundID kMenuOpen("mnuo");
constexpr TonnixSoundID kMenuClose("mnuc");
constexpr TonnixSoundID kWindowOpen("wopn");
constexpr TonnixSoundID kSelectItem("fsel");  // centered
constexpr TonnixSoundID kEndOfTrack("sbte");
constexpr TonnixSoundID kThumbDrag("sbth");   // loops, exclusive
constexpr TonnixSoundID kMoveWindow("wmov");  // loops, exclusive
constexpr TonnixSoundID kDragging("drag");    // loops, exclusive, keeps looping under others

void writeBundleWithSounds(const fs::path& folder, const std::string& identifier,
                           const std::string& name, const std::vector<TonnixSoundID>& sounds) {
  TonnixBundleMetadata metadata;
  metadata.identifier = identifier;
  metadata.name = name;
  ASSERT_TRUE(writeBundle(folder, metadata).hasValue());
  for (TonnixSoundID soundID : sounds) {
    std::ofstream(folder / "Contents" / "Resources" / entryForSoundID(soundID)->fileName) << "x";
  }
}

class PlayerTest : public testing::Test {
 protected:
  PlayerTest() {
    sets_ = fs::path(directory_.path().toStdString()) / "Sets";
    writeBundleWithSounds(sets_ / "Test.tonnixset", kSet, "Test Set",
                          {kMenuOpen, kMenuClose, kWindowOpen, kSelectItem, kEndOfTrack, kThumbDrag,
                           kMoveWindow, kDragging});
    writeBundleWithSounds(sets_ / "Other.tonnixset", kOtherSet, "Other Set", {kMenuOpen});
    library_ = std::make_unique<TonnixLibrary>(sets_, std::nullopt);
    assignments_ = std::make_unique<TonnixAssignments>(preferences_);
    assignments_->setBaselineIdentifier(kSet);
    auto probe = std::make_unique<TonnixFakeSilenceProbe>();
    probe_ = probe.get();
    silence_ = std::make_unique<TonnixSilenceMonitor>(preferences_, std::move(probe));
    silence_->setClock([this] { return now_; });
    screens_.setScreenFrames({QRectF(0, 0, 1920, 1080)});
    screens_.setPointerLocation(QPointF(960, 500));
    player_ = makePlayer();
  }

  std::unique_ptr<TonnixPlayer> makePlayer() {
    return std::make_unique<TonnixPlayer>(*library_, *assignments_, preferences_, *silence_, audio_,
                                          screens_);
  }

  fs::path fileOf(TonnixSoundID soundID, const std::string& set = kSet) const {
    return *library_->bundleWithIdentifier(std::string_view(set))->soundURL(soundID);
  }

  // Lets the silence monitor ask the probe again.
  void letTimePass() { now_ += 1s; }

  QTemporaryDir directory_;
  fs::path sets_;
  TonnixMemoryPreferencesStore preferences_;
  std::unique_ptr<TonnixLibrary> library_;
  std::unique_ptr<TonnixAssignments> assignments_;
  TonnixFakeSilenceProbe* probe_ = nullptr;
  std::unique_ptr<TonnixSilenceMonitor> silence_;
  TonnixSilenceMonitor::Clock::time_point now_{};
  TonnixFakeAudioOutput audio_;
  TonnixFakeScreens screens_;
  std::unique_ptr<TonnixPlayer> player_;
};

TEST_F(PlayerTest, OrdinarySoundsRotateThroughThreePlayersOpenedOnce) {
  for (int play = 0; play < 4; ++play) EXPECT_TRUE(player_->play(kMenuOpen));
  const auto plays = audio_.plays();
  ASSERT_EQ(plays.size(), 4u);
  for (std::size_t play = 0; play < 4; ++play) EXPECT_EQ(plays[play].player, int(play % 3));
  EXPECT_EQ(plays[0].numberOfLoops, 0);
  EXPECT_EQ(std::pair(audio_.openCount(), audio_.playerCount()), std::pair(1, 3));
}

TEST_F(PlayerTest, DragSoundLoopsOnOnePlayerUntilRequestsStop) {
  EXPECT_TRUE(player_->play(kMoveWindow));
  EXPECT_EQ(player_->existingVoice(kMoveWindow)->players().size(), 1u);
  EXPECT_EQ(audio_.plays().back().numberOfLoops, -1);
  EXPECT_EQ(player_->loopingSoundID(), kMoveWindow);

  EXPECT_FALSE(player_->play(kMoveWindow));
  EXPECT_EQ(audio_.plays().size(), 1u);
  EXPECT_TRUE(player_->isLoopIdleStopPending());

  player_->setLoopIdleTimeout(0);
  EXPECT_FALSE(player_->play(kMoveWindow));
  tonnix_test::turnUntil([this] { return !player_->isLoopIdleStopPending(); });
  EXPECT_EQ(player_->loopingSoundID(), std::nullopt);
  EXPECT_EQ(audio_.playingCount(), 0);
  EXPECT_EQ(audio_.calls().back().kind, TonnixFakeAudioOutput::Call::Kind::stop);
}

TEST_F(PlayerTest, ExclusiveSoundIsNotRestartedWhileItSounds) {
  // 'drag' keeps sounding under the newer loop, no longer tracked itself.
  EXPECT_TRUE(player_->play(kDragging));
  EXPECT_TRUE(player_->play(kMoveWindow));
  EXPECT_FALSE(player_->play(kDragging));
  EXPECT_EQ(audio_.plays().size(), 2u);
  EXPECT_FALSE(player_->existingVoice(kMoveWindow)->isPlaying());

  audio_.finishPlaying();
  EXPECT_TRUE(player_->play(kDragging));
}

TEST_F(PlayerTest, AnotherSoundEndsALoopUnlessItKeepsLoopingUnderOthers) {
  EXPECT_TRUE(player_->play(kMoveWindow));
  EXPECT_TRUE(player_->play(kMenuOpen));
  EXPECT_FALSE(player_->existingVoice(kMoveWindow)->isPlaying());
  EXPECT_EQ(player_->loopingSoundID(), std::nullopt);

  EXPECT_TRUE(player_->play(kDragging));
  EXPECT_TRUE(player_->play(kMenuOpen));
  EXPECT_TRUE(player_->existingVoice(kDragging)->isPlaying());
  EXPECT_EQ(player_->loopingSoundID(), kDragging);

  // A new loop takes over the tracking; the old one sounds on until stopAll.
  EXPECT_TRUE(player_->play(kMoveWindow));
  EXPECT_EQ(player_->loopingSoundID(), kMoveWindow);
  EXPECT_TRUE(player_->existingVoice(kDragging)->isPlaying());
  player_->stopAll();
  EXPECT_EQ(audio_.playingCount(), 0);
}

TEST_F(PlayerTest, VolumeIsTheClampedProductOfEntryCategoryAndMaster) {
  player_->setCategoryVolume(TonnixSoundCategory::menu, 0.5);
  EXPECT_DOUBLE_EQ(player_->volumeFor(TonnixSoundCategory::menu, 0.5), 0.25);
  EXPECT_DOUBLE_EQ(player_->volumeFor(TonnixSoundCategory::window, 0.5), 0.5);
  player_->setMasterVolume(3.0);
  EXPECT_DOUBLE_EQ(player_->volumeFor(TonnixSoundCategory::window, 1.0), 1.0);
  player_->setMasterVolume(std::nan(""));
  EXPECT_DOUBLE_EQ(player_->volumeFor(TonnixSoundCategory::window, 1.0), 0.0);

  player_->setMasterVolume(0.5);
  EXPECT_TRUE(player_->play(kMenuOpen));
  EXPECT_FLOAT_EQ(audio_.plays().back().volume, 0.25f);
}

TEST_F(PlayerTest, PanFollowsThePointerAcrossAllScreensExceptForCentredSounds) {
  EXPECT_EQ(player_->pointerPan(), 0.0f);  // auto-pan is off by default
  player_->setStereoEnabled(true);
  const auto panAt = [this](double x) {
    screens_.setPointerLocation(QPointF(x, 0));
    return player_->pointerPan();
  };
  EXPECT_EQ(std::vector({panAt(0), panAt(960), panAt(5000)}), std::vector({-1.0f, 0.0f, 1.0f}));

  screens_.setScreenFrames({QRectF(0, 0, 1920, 1080), QRectF(1920, 0, 1920, 1080)});
  EXPECT_EQ(panAt(2880), 0.5f);

  screens_.setScreenFrames({});
  EXPECT_EQ(player_->pointerPan(), 0.0f);

  screens_.setScreenFrames({QRectF(0, 0, 1920, 1080)});
  screens_.setPointerLocation(QPointF(0, 0));
  EXPECT_TRUE(player_->play(kSelectItem));
  EXPECT_EQ(audio_.plays().back().pan, 0.0f);
  EXPECT_TRUE(player_->play(kMenuOpen));
  EXPECT_EQ(audio_.plays().back().pan, -1.0f);
}

TEST_F(PlayerTest, EndOfTrackSoundsOncePerThumbDrag) {
  EXPECT_TRUE(player_->play(kEndOfTrack));
  EXPECT_FALSE(player_->play(kEndOfTrack));
  EXPECT_TRUE(player_->play(kThumbDrag));
  EXPECT_TRUE(player_->play(kEndOfTrack));
  EXPECT_FALSE(player_->play(kEndOfTrack));
  player_->stopAll();
  EXPECT_TRUE(player_->play(kEndOfTrack)) << "stopping every sound unblocks it";
}

// Setters always store, but signal only changes.
TEST_F(PlayerTest, StoredPreferencesAreClampedAndWrittenBack) {
  EXPECT_EQ(player_->masterVolume(), 1.0);
  EXPECT_EQ(preferences_.writeCount(TonnixPlayer::masterVolumeKey), 1);
  EXPECT_EQ(preferences_.writeCount(TonnixPlayer::autoPanKey), 1);
  int changes = 0;
  QObject::connect(player_.get(), &TonnixPlayer::masterVolumeChanged, [&changes] { ++changes; });
  for (const double volume : {1.0, 0.5, 0.5}) player_->setMasterVolume(volume);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(preferences_.writeCount(TonnixPlayer::masterVolumeKey), 4);

  const std::vector<std::pair<QVariant, double>> cases = {
      {3.0, 1.0}, {-1, 0.0}, {QStringLiteral("loud"), 1.0}, {0.25, 0.25}, {std::nan(""), 1.0}};
  for (const auto& [stored, loaded] : cases) {
    preferences_.setValue(TonnixPlayer::masterVolumeKey, stored);
    EXPECT_EQ(makePlayer()->masterVolume(), loaded) << stored.toString().toStdString();
    EXPECT_EQ(preferences_.value(TonnixPlayer::masterVolumeKey), loaded);
  }
  preferences_.setValue(TonnixPlayer::autoPanKey, true);
  EXPECT_TRUE(makePlayer()->isStereoEnabled());
}

TEST_F(PlayerTest, UnopenableFileIsReportedOnceAndRetriedAfterInvalidate) {
  audio_.failOpening(fileOf(kMenuOpen));
  testing::internal::CaptureStderr();
  EXPECT_FALSE(player_->play(kMenuOpen));
  EXPECT_FALSE(player_->play(kMenuOpen));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "TonnixPlayer: could not open MenuOpen.aiff: The file could not be read as audio.\n");
  EXPECT_EQ(audio_.openCount(), 1) << "a file that failed is not opened again";

  audio_.stopFailingToOpen(fileOf(kMenuOpen));
  EXPECT_FALSE(player_->play(kMenuOpen));
  player_->invalidate(kMenuOpen);
  EXPECT_TRUE(player_->play(kMenuOpen));
  EXPECT_EQ(audio_.openCount(), 2);

  // An output without room for players makes no voice.
  audio_.setRefusesPlayers(true);
  player_->invalidate(kMenuClose);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(player_->play(kMenuClose));
  EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot play any more sounds"),
            std::string::npos);
  EXPECT_EQ(player_->existingVoice(kMenuClose), nullptr);
}

TEST_F(PlayerTest, VoiceFollowsAChangedAssignment) {
  EXPECT_TRUE(player_->play(kMenuOpen));
  assignments_->setSelection(TonnixSelection::set(kOtherSet), kMenuOpen);
  EXPECT_TRUE(player_->play(kMenuOpen));
  EXPECT_EQ(audio_.plays().back().file, fileOf(kMenuOpen, kOtherSet));
  EXPECT_EQ(audio_.calls()[1].kind, TonnixFakeAudioOutput::Call::Kind::stop);
  EXPECT_EQ(audio_.playingCount(), 1);
}

TEST_F(PlayerTest, SelectionsResolveWithoutFallingBackAndCountAsAudible) {
  const fs::path custom = sets_.parent_path() / "mine.wav";
  tonnix_test::writeSound(custom);
  ASSERT_TRUE(assignments_->setCustomSound(custom, kMenuOpen).hasValue());
  EXPECT_EQ(player_->urlFor(kMenuOpen), custom);
  EXPECT_EQ(player_->sourceName(kMenuOpen), "mine.wav");
  fs::remove(custom);
  EXPECT_EQ(player_->urlFor(kMenuOpen), std::nullopt);

  assignments_->setSelection(TonnixSelection::set("org.tonnix.tonnixset.gone"), kMenuClose);
  EXPECT_EQ(player_->urlFor(kMenuClose), std::nullopt);
  EXPECT_EQ(player_->sourceName(kMenuClose), std::nullopt);
  assignments_->setSelection(TonnixSelection::set(kOtherSet), kMenuClose);
  EXPECT_EQ(player_->urlFor(kMenuClose), std::nullopt);
  EXPECT_EQ(player_->sourceName(kMenuClose), "Other Set");
  assignments_->setSelection(TonnixSelection::silent(), kWindowOpen);
  EXPECT_FALSE(player_->hasSound(kWindowOpen));
  EXPECT_EQ(player_->sourceName(kSelectItem), "Test Set");

  // Audible: the catalogue sounds that resolve to a file (8 less these 3).
  EXPECT_EQ(player_->audibleEventCount(), 5);

  assignments_->setBaselineIdentifier(std::nullopt);
  EXPECT_FALSE(player_->hasSound(kSelectItem));
}

TEST_F(PlayerTest, GatesRefuseBeforeAnythingSounds) {
  player_->setEnabled(false);
  EXPECT_FALSE(player_->play(kMenuOpen));
  player_->setEnabled(true);
  player_->setCategoryEnabled(TonnixSoundCategory::menu, false);
  EXPECT_FALSE(player_->play(kMenuOpen));
  EXPECT_TRUE(player_->play(kWindowOpen));
  EXPECT_FALSE(player_->play(TonnixSoundID("zzzz")));

  audio_.setUnavailableReason("No audio output device is available.");
  EXPECT_FALSE(player_->play(kWindowOpen));
  EXPECT_FALSE(player_->play(kMoveWindow));
  EXPECT_EQ(player_->loopingSoundID(), std::nullopt);
  ASSERT_EQ(audio_.plays().size(), 1u);
  EXPECT_EQ(audio_.plays().front().file, fileOf(kWindowOpen));
}

TEST_F(PlayerTest, AReasonToBeQuietStopsTheLoop) {
  EXPECT_TRUE(player_->play(kMoveWindow));
  probe_->setAnswer(TonnixFakeSilenceProbe::Test::focus, true);
  letTimePass();
  EXPECT_FALSE(player_->play(kMenuOpen));
  EXPECT_EQ(player_->loopingSoundID(), std::nullopt);
  EXPECT_EQ(audio_.playingCount(), 0);
}

TEST_F(PlayerTest, PreviewIgnoresTheGatesAndNeverLoops) {
  EXPECT_TRUE(player_->play(kDragging));
  player_->setEnabled(false);
  player_->setCategoryEnabled(TonnixSoundCategory::window, false);
  probe_->setAnswer(TonnixFakeSilenceProbe::Test::audioHeldBack, true);
  letTimePass();

  EXPECT_TRUE(player_->preview(kMoveWindow));
  EXPECT_EQ(audio_.plays().back().numberOfLoops, 0);
  EXPECT_EQ(player_->loopingSoundID(), std::nullopt);
  EXPECT_FALSE(player_->existingVoice(kDragging)->isPlaying());
  EXPECT_FALSE(player_->preview(TonnixSoundID("zzzz")));
}

}  // namespace

// The selection's control and menu sounds are opened before anything asks
// for them, again when the selection changes; a file that fails then is
// left out and the others still play.
TEST_F(PlayerTest, TheSelectionsControlAndMenuSoundsAreReadyBeforeTheFirstPress) {
  audio_.failOpening(fileOf(kMenuClose), TonnixAudioError::Kind::unreadable);
  ASSERT_TRUE(tonnix_test::turnUntil([this] { return player_->existingVoice(kMenuOpen); }));
  EXPECT_EQ(player_->existingVoice(kWindowOpen), nullptr);
  EXPECT_EQ(player_->existingVoice(kMenuClose), nullptr);
  const int opened = audio_.openCount();
  EXPECT_TRUE(player_->play(kMenuOpen));
  EXPECT_FALSE(player_->play(kMenuClose));
  EXPECT_EQ(audio_.openCount(), opened) << "a press opened a file";

  assignments_->setBaselineIdentifier(kOtherSet);
  EXPECT_TRUE(tonnix_test::turnUntil(
      [this] { return player_->existingVoice(kMenuOpen)->url() == fileOf(kMenuOpen, kOtherSet); }));
}
