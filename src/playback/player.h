#pragma once

#include <QObject>
#include <QTimer>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>

#include "catalogue/sound_category.h"
#include "catalogue/sound_id.h"
#include "platform/audio.h"
#include "platform/preferences_store.h"
#include "platform/screens.h"
#include "playback/voice.h"
#include "support/expected.h"

class TonnixAssignments;
class TonnixLibrary;
class TonnixSilenceMonitor;

using TonnixCategoryVolumes = std::map<TonnixSoundCategory, double>;
using TonnixSoundCategories = std::set<TonnixSoundCategory>;

// Turns sound identifiers into sound: resolves each to a file through the
// assignments and the library, keeps one voice per identifier, applies the
// master and category volumes and the enabled categories, pans by the
// pointer, keeps drag sounds looping while they are asked for, and stays
// quiet while the silence monitor has a reason. After the first play of an
// identifier the event path does no file work. Main thread only.
class TonnixPlayer : public QObject {
  Q_OBJECT
  // The master switch; not stored.
  Q_PROPERTY(bool isEnabled READ isEnabled WRITE setEnabled NOTIFY isEnabledChanged)
  // Pointer panning, stored under "TonnixAutoPanEnabled".
  Q_PROPERTY(bool isStereoEnabled READ isStereoEnabled WRITE setStereoEnabled NOTIFY
                 isStereoEnabledChanged)
  // 0 to 1, stored under "TonnixMasterVolume".
  Q_PROPERTY(double masterVolume READ masterVolume WRITE setMasterVolume NOTIFY masterVolumeChanged)
  // Per-category gain, every category at 1 to begin with; not stored.
  Q_PROPERTY(TonnixCategoryVolumes categoryVolumes READ categoryVolumes WRITE setCategoryVolumes
                 NOTIFY categoryVolumesChanged)
  // The categories that may sound, all to begin with; not stored.
  Q_PROPERTY(TonnixSoundCategories enabledCategories READ enabledCategories WRITE
                 setEnabledCategories NOTIFY enabledCategoriesChanged)
  // Seconds a looping sound goes on after its last request.
  Q_PROPERTY(double loopIdleTimeout READ loopIdleTimeout WRITE setLoopIdleTimeout NOTIFY
                 loopIdleTimeoutChanged)

 public:
  static constexpr const char* autoPanKey = "TonnixAutoPanEnabled";
  static constexpr const char* masterVolumeKey = "TonnixMasterVolume";

  // Reads the two stored preferences (the master volume clamped to 0...1)
  // and writes them straight back. Everything given must outlive the player.
  TonnixPlayer(TonnixLibrary& library, TonnixAssignments& assignments,
               TonnixPreferencesStore& defaults, TonnixSilenceMonitor& silence,
               TonnixAudioOutput& output, const TonnixScreens& screens, QObject* parent = nullptr);

  bool isEnabled() const { return isEnabled_; }
  void setEnabled(bool isEnabled);
  bool isStereoEnabled() const { return isStereoEnabled_; }
  void setStereoEnabled(bool isStereoEnabled);
  double masterVolume() const { return masterVolume_; }
  // Stored as given; volumeFor() clamps the product.
  void setMasterVolume(double masterVolume);
  const TonnixCategoryVolumes& categoryVolumes() const { return categoryVolumes_; }
  void setCategoryVolumes(const TonnixCategoryVolumes& volumes);
  void setCategoryVolume(TonnixSoundCategory category, double volume);
  const TonnixSoundCategories& enabledCategories() const { return enabledCategories_; }
  void setEnabledCategories(const TonnixSoundCategories& categories);
  void setCategoryEnabled(TonnixSoundCategory category, bool isEnabled);
  double loopIdleTimeout() const { return loopIdleTimeout_; }
  void setLoopIdleTimeout(double seconds);

  // The event path: true when a player was started.
  bool play(TonnixSoundID soundID);
  // Plays the identifier once as the settings' test and preview buttons do:
  // regardless of the switches, the silence monitor and blocking, never
  // looping. False when nothing could be started.
  bool preview(TonnixSoundID soundID);

  // Finds or makes the identifier's voice; null when it plays nothing or its
  // file cannot be opened.
  TonnixVoice* voiceFor(TonnixSoundID soundID);
  // Makes the voices of the control and menu sounds the assignments select
  // now, their files decoded off the main thread, so that the first press
  // plays as fast as the next. Runs after construction and whenever the
  // assignments or the library change.
  void prepareSelection();
  // The identifiers being prepared.
  const std::set<TonnixSoundID>& pendingSoundIDs() const { return pendingSoundIDs_; }
  // The file the identifier plays now, if any.
  std::optional<std::filesystem::path> urlFor(TonnixSoundID soundID) const;
  // entryVolume × category volume × master volume, within 0...1.
  double volumeFor(TonnixSoundCategory category, double entryVolume) const;
  // Starts the voice's next player; false when the output stays silent.
  bool start(TonnixVoice& voice, bool looping, double volume);
  // -1 (pointer at the left edge of all screens) to 1; 0 with panning off.
  float pointerPan() const;

  void stopLooping();
  // Stops every sound and unblocks 'sbte'; voices are kept.
  void stopAll();
  // Forgets the identifier's voice, and any failure of its old and new
  // file, after what it plays may have changed.
  void invalidate(TonnixSoundID soundID);

  bool hasSound(TonnixSoundID soundID) const { return urlFor(soundID).has_value(); }
  // How many catalogue sounds play something.
  int audibleEventCount() const;
  // For the sound log: the custom file's name, or the name of the set the
  // identifier plays from.
  std::optional<std::string> sourceName(TonnixSoundID soundID) const;
  // Whether the file opens as audio, as a voice would open it.
  TonnixExpected<TonnixDone, TonnixAudioError> canOpenAudio(const std::filesystem::path& url);

  // Inspection, for the settings and tests.
  std::optional<TonnixSoundID> loopingSoundID() const { return loopingSoundID_; }
  bool isLoopIdleStopPending() const { return loopIdleTimer_.isActive(); }
  TonnixVoice* existingVoice(TonnixSoundID soundID) const;

 signals:
  void isEnabledChanged();
  void isStereoEnabledChanged();
  void masterVolumeChanged();
  void categoryVolumesChanged();
  void enabledCategoriesChanged();
  void loopIdleTimeoutChanged();

 private:
  std::unique_ptr<TonnixVoice> makeVoice(const TonnixSetEntry& entry,
                                         const std::filesystem::path& url);
  std::unique_ptr<TonnixVoice> makeVoice(const TonnixSetEntry& entry,
                                         const std::filesystem::path& url,
                                         TonnixAudioOutput::ClipResult clip);
  void prepare(TonnixSoundID soundID);
  void schedulePreparation();
  bool continuesLoop(TonnixSoundID soundID);
  void armLoopIdleStop();

  TonnixLibrary& library_;
  TonnixAssignments& assignments_;
  TonnixPreferencesStore& defaults_;
  TonnixSilenceMonitor& silence_;
  TonnixAudioOutput& output_;
  const TonnixScreens& screens_;

  bool isEnabled_ = true;
  bool isStereoEnabled_ = false;
  double masterVolume_ = 1.0;
  TonnixCategoryVolumes categoryVolumes_;
  TonnixSoundCategories enabledCategories_;
  double loopIdleTimeout_ = 0.25;

  std::unordered_map<TonnixSoundID, std::unique_ptr<TonnixVoice>> voices_;
  std::set<std::filesystem::path> failedURLs_;
  std::optional<TonnixSoundID> loopingSoundID_;
  // The pending idle stop of the loop; a child of the player, so it never
  // outlives it.
  QTimer loopIdleTimer_;
  std::set<TonnixSoundID> blockedSoundIDs_;
  std::set<TonnixSoundID> pendingSoundIDs_;
  // Coalesces the changes that make the selection be prepared again.
  QTimer preparationTimer_;
};
