#include "playback/player.h"

#include <QPointer>
#include <algorithm>
#include <chrono>
#include <cmath>

#include "catalogue/catalogue.h"
#include "library/assignments.h"
#include "library/audible_sound.h"
#include "library/library.h"
#include "quiet/silence_monitor.h"
#include "support/diagnostics.h"

namespace {

// The scroll-arrow end-of-track sound plays once per drag of the thumb.
constexpr TonnixSoundID kEndOfTrack("sbte");
constexpr TonnixSoundID kThumbDrag("sbth");

}  // namespace

TonnixPlayer::TonnixPlayer(TonnixLibrary& library, TonnixAssignments& assignments,
                           TonnixPreferencesStore& defaults, TonnixSilenceMonitor& silence,
                           TonnixAudioOutput& output, const TonnixScreens& screens, QObject* parent)
    : QObject(parent),
      library_(library),
      assignments_(assignments),
      defaults_(defaults),
      silence_(silence),
      output_(output),
      screens_(screens),
      loopIdleTimer_(this),
      preparationTimer_(this) {
  for (TonnixSoundCategory category : allSoundCategories) {
    categoryVolumes_[category] = 1.0;
    enabledCategories_.insert(category);
  }
  loopIdleTimer_.setSingleShot(true);
  loopIdleTimer_.setTimerType(Qt::PreciseTimer);
  connect(&loopIdleTimer_, &QTimer::timeout, this, &TonnixPlayer::stopLooping);
  preparationTimer_.setSingleShot(true);
  connect(&preparationTimer_, &QTimer::timeout, this, &TonnixPlayer::prepareSelection);
  for (auto changed : {&TonnixAssignments::storedBaselineIdentifierChanged,
                       &TonnixAssignments::storedOverridesChanged,
                       &TonnixAssignments::storedCustomSoundsChanged}) {
    connect(&assignments_, changed, this, &TonnixPlayer::schedulePreparation);
  }
  connect(&library_, &TonnixLibrary::bundlesChanged, this, &TonnixPlayer::schedulePreparation);
  schedulePreparation();

  setStereoEnabled(defaults_.boolValue(autoPanKey, false));
  const double stored = defaults_.doubleValue(masterVolumeKey, 1.0);
  setMasterVolume(std::isnan(stored) ? 1.0 : std::clamp(stored, 0.0, 1.0));
}

void TonnixPlayer::setEnabled(bool isEnabled) {
  if (isEnabled_ == isEnabled) return;
  isEnabled_ = isEnabled;
  emit isEnabledChanged();
}

void TonnixPlayer::setStereoEnabled(bool isStereoEnabled) {
  defaults_.setBool(autoPanKey, isStereoEnabled);
  if (isStereoEnabled_ == isStereoEnabled) return;
  isStereoEnabled_ = isStereoEnabled;
  emit isStereoEnabledChanged();
}

void TonnixPlayer::setMasterVolume(double masterVolume) {
  defaults_.setDouble(masterVolumeKey, masterVolume);
  if (masterVolume_ == masterVolume) return;
  masterVolume_ = masterVolume;
  emit masterVolumeChanged();
}

void TonnixPlayer::setCategoryVolumes(const TonnixCategoryVolumes& volumes) {
  if (categoryVolumes_ == volumes) return;
  categoryVolumes_ = volumes;
  emit categoryVolumesChanged();
}

void TonnixPlayer::setCategoryVolume(TonnixSoundCategory category, double volume) {
  TonnixCategoryVolumes volumes = categoryVolumes_;
  volumes[category] = volume;
  setCategoryVolumes(volumes);
}

void TonnixPlayer::setEnabledCategories(const TonnixSoundCategories& categories) {
  if (enabledCategories_ == categories) return;
  enabledCategories_ = categories;
  emit enabledCategoriesChanged();
}

void TonnixPlayer::setCategoryEnabled(TonnixSoundCategory category, bool isEnabled) {
  TonnixSoundCategories categories = enabledCategories_;
  if (isEnabled) {
    categories.insert(category);
  } else {
    categories.erase(category);
  }
  setEnabledCategories(categories);
}

void TonnixPlayer::setLoopIdleTimeout(double seconds) {
  if (loopIdleTimeout_ == seconds) return;
  loopIdleTimeout_ = seconds;
  emit loopIdleTimeoutChanged();
}

bool TonnixPlayer::play(TonnixSoundID soundID) {
  if (!isEnabled_) return false;
  if (silence_.check()) {
    stopLooping();
    return false;
  }
  TonnixVoice* voice = voiceFor(soundID);
  if (!voice) return false;
  const TonnixSetEntry& entry = voice->entry();
  if (!enabledCategories_.contains(entry.category)) return false;
  if (blockedSoundIDs_.contains(soundID)) return false;
  if (soundID == kEndOfTrack) {
    blockedSoundIDs_.insert(kEndOfTrack);
  } else {
    if (soundID == kThumbDrag) blockedSoundIDs_.erase(kEndOfTrack);
    if (continuesLoop(soundID)) return false;
  }
  if (entry.flags.contains(TonnixSoundFlags::exclusive) && voice->isPlaying()) return false;

  const bool looping = entry.flags.contains(TonnixSoundFlags::loops);
  if (!start(*voice, looping, volumeFor(entry.category, entry.volume))) return false;
  if (looping) {
    loopingSoundID_ = soundID;
    armLoopIdleStop();
  }
  return true;
}

// A request for the running loop keeps it going; any other sound ends a loop
// that does not keep looping under others.
bool TonnixPlayer::continuesLoop(TonnixSoundID soundID) {
  if (!loopingSoundID_) return false;
  if (*loopingSoundID_ == soundID) {
    armLoopIdleStop();
    return true;
  }
  const TonnixVoice* looping = existingVoice(*loopingSoundID_);
  if (looping && !looping->entry().flags.contains(TonnixSoundFlags::keepsLoopingUnderOthers)) {
    stopLooping();
  }
  return false;
}

bool TonnixPlayer::preview(TonnixSoundID soundID) {
  TonnixVoice* voice = voiceFor(soundID);
  if (!voice) return false;
  stopLooping();
  return start(*voice, false, volumeFor(voice->entry().category, voice->entry().volume));
}

TonnixVoice* TonnixPlayer::voiceFor(TonnixSoundID soundID) {
  const std::optional<std::filesystem::path> url = urlFor(soundID);
  if (!url) return nullptr;
  const auto existing = voices_.find(soundID);
  if (existing != voices_.end()) {
    if (existing->second->url() == *url) return existing->second.get();
    existing->second->stopPlaying();
    voices_.erase(existing);
  }
  if (failedURLs_.contains(*url)) return nullptr;
  const TonnixSetEntry* entry = entryForSoundID(soundID);
  if (!entry) return nullptr;
  std::unique_ptr<TonnixVoice> voice = makeVoice(*entry, *url);
  if (!voice) return nullptr;
  return voices_.emplace(soundID, std::move(voice)).first->second.get();
}

void TonnixPlayer::schedulePreparation() {
  preparationTimer_.start(0);
}

void TonnixPlayer::prepareSelection() {
  for (const TonnixSetEntry& entry : catalogue()) {
    if (entry.category == TonnixSoundCategory::control ||
        entry.category == TonnixSoundCategory::menu) {
      prepare(entry.soundID);
    }
  }
}

void TonnixPlayer::prepare(TonnixSoundID soundID) {
  const std::optional<std::filesystem::path> url = urlFor(soundID);
  if (!url || failedURLs_.contains(*url) || pendingSoundIDs_.contains(soundID)) return;
  if (const TonnixVoice* voice = existingVoice(soundID); voice && voice->url() == *url) return;
  pendingSoundIDs_.insert(soundID);
  output_.openClipInBackground(
      *url, [this, soundID, url = *url,
             alive = QPointer<TonnixPlayer>(this)](TonnixAudioOutput::ClipResult clip) {
        if (!alive) return;
        pendingSoundIDs_.erase(soundID);
        // The selection moved on meanwhile, or a play made the voice first.
        if (urlFor(soundID) != url) return;
        if (const TonnixVoice* voice = existingVoice(soundID); voice && voice->url() == url) return;
        const TonnixSetEntry* entry = entryForSoundID(soundID);
        if (!entry) return;
        auto voice = makeVoice(*entry, url, std::move(clip));
        if (!voice) return;
        if (TonnixVoice* old = existingVoice(soundID)) old->stopPlaying();
        voices_[soundID] = std::move(voice);
      });
}

std::unique_ptr<TonnixVoice> TonnixPlayer::makeVoice(const TonnixSetEntry& entry,
                                                     const std::filesystem::path& url) {
  return makeVoice(entry, url, output_.openClip(url));
}

std::unique_ptr<TonnixVoice> TonnixPlayer::makeVoice(const TonnixSetEntry& entry,
                                                     const std::filesystem::path& url,
                                                     TonnixAudioOutput::ClipResult clip) {
  const auto fail = [&](const TonnixAudioError& error) {
    failedURLs_.insert(url);
    tonnixDiagnostic("TonnixPlayer",
                     "could not open " + url.filename().string() + ": " + error.description());
    return nullptr;
  };
  if (!clip) return fail(clip.error());
  TonnixVoice::Players players;
  for (int count = 0; count < TonnixVoice::playerCount(entry); ++count) {
    auto player = clip.value()->makePlayer();
    if (!player) return fail(player.error());
    player.value()->prepareToPlay();
    players.push_back(std::move(player.value()));
  }
  return std::make_unique<TonnixVoice>(entry, url, std::move(players));
}

std::optional<std::filesystem::path> TonnixPlayer::urlFor(TonnixSoundID soundID) const {
  return audibleSoundURL(library_, assignments_, soundID);
}

double TonnixPlayer::volumeFor(TonnixSoundCategory category, double entryVolume) const {
  const auto categoryVolume = categoryVolumes_.find(category);
  const double volume = entryVolume *
                        (categoryVolume == categoryVolumes_.end() ? 1.0 : categoryVolume->second) *
                        masterVolume_;
  // Written so that a NaN anywhere comes out silent.
  if (!(volume > 0)) return 0;
  return std::min(volume, 1.0);
}

bool TonnixPlayer::start(TonnixVoice& voice, bool looping, double volume) {
  TonnixAudioPlayer& player = voice.nextPlayer();
  player.setVolume(static_cast<float>(volume));
  player.setPan(voice.entry().flags.contains(TonnixSoundFlags::centered) ? 0.0f : pointerPan());
  player.setNumberOfLoops(looping ? -1 : 0);
  player.setCurrentTime(0);
  return player.play();
}

float TonnixPlayer::pointerPan() const {
  if (!isStereoEnabled_) return 0;
  QRectF screens;
  for (const QRectF& frame : screens_.screenFrames()) screens = screens.united(frame);
  if (screens.isNull() || !(screens.width() > 0)) return 0;
  const std::optional<QPointF> pointer = screens_.pointerLocation();
  if (!pointer) return 0;
  const double pan = (pointer->x() - screens.center().x()) / (screens.width() * 0.5);
  if (pan <= -1.0) return -1.0f;
  if (pan > 1.0) return 1.0f;
  return static_cast<float>(pan);
}

void TonnixPlayer::armLoopIdleStop() {
  loopIdleTimer_.start(std::chrono::milliseconds(std::lround(loopIdleTimeout_ * 1000)));
}

void TonnixPlayer::stopLooping() {
  loopIdleTimer_.stop();
  if (loopingSoundID_) {
    if (TonnixVoice* voice = existingVoice(*loopingSoundID_)) voice->stopPlaying();
  }
  loopingSoundID_.reset();
}

void TonnixPlayer::stopAll() {
  stopLooping();
  for (const auto& [soundID, voice] : voices_) voice->stopPlaying();
  blockedSoundIDs_.clear();
}

void TonnixPlayer::invalidate(TonnixSoundID soundID) {
  if (loopingSoundID_ == soundID) stopLooping();
  const auto existing = voices_.find(soundID);
  if (existing != voices_.end()) {
    existing->second->stopPlaying();
    failedURLs_.erase(existing->second->url());
    voices_.erase(existing);
  }
  if (const auto url = urlFor(soundID)) failedURLs_.erase(*url);
}

int TonnixPlayer::audibleEventCount() const {
  return static_cast<int>(
      std::count_if(catalogue().begin(), catalogue().end(),
                    [this](const auto& entry) { return hasSound(entry.soundID); }));
}

std::optional<std::string> TonnixPlayer::sourceName(TonnixSoundID soundID) const {
  const TonnixSelection selection = assignments_.selectionFor(soundID);
  std::optional<std::string> identifier;
  switch (selection.kind) {
    case TonnixSelection::Kind::custom:
      return selection.customURL.filename().string();
    case TonnixSelection::Kind::set:
      identifier = selection.setIdentifier;
      break;
    case TonnixSelection::Kind::baseline:
      identifier = assignments_.storedBaselineIdentifier();
      break;
    case TonnixSelection::Kind::silent:
      break;
  }
  const TonnixBundlePointer bundle = library_.bundleWithIdentifier(identifier);
  if (!bundle) return std::nullopt;
  return bundle->metadata().name;
}

TonnixExpected<TonnixDone, TonnixAudioError> TonnixPlayer::canOpenAudio(
    const std::filesystem::path& url) {
  TONNIX_TRY(clip, output_.openClip(url));
  return TonnixDone{};
}

TonnixVoice* TonnixPlayer::existingVoice(TonnixSoundID soundID) const {
  const auto found = voices_.find(soundID);
  return found == voices_.end() ? nullptr : found->second.get();
}
