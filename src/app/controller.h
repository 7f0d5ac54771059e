#pragma once

#include <QObject>
#include <QString>
#include <optional>

#include "app/application_attacher.h"
#include "app/applications_list.h"
#include "app/event_dispatcher.h"
#include "app/exclusions.h"
#include "app/set_transfer.h"
#include "app/workspace_follower.h"
#include "events/click_monitor.h"
#include "platform/accessibility.h"
#include "platform/audio.h"
#include "platform/mouse_monitor.h"
#include "platform/preferences_store.h"
#include "platform/screens.h"
#include "platform/workspace.h"
#include "playback/player.h"
#include "quiet/silence_monitor.h"
#include "quiet/sound_log.h"

class TonnixAssignments;
class TonnixLibrary;

// Tonnix at work: makes and connects the parts that hear the desktop and
// sound it, and switches them on and off together. Each job has its own
// part: the dispatcher plays and logs every event (`event_dispatcher.h`),
// the attacher observes the running applications (`application_attacher.h`),
// the follower follows launches, quits, window changes and disks
// (`workspace_follower.h`), the applications list shows and changes what is
// observed and excluded (`applications_list.h`), the click monitor turns
// presses into events, and the set transfer imports and exports sets
// (`set_transfer.h`). One per process, main thread only.
//
// Observable fields signal only when their value changes.
class TonnixController : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool playsNotificationSounds READ playsNotificationSounds WRITE
                 setPlaysNotificationSounds NOTIFY playsNotificationSoundsChanged)
  Q_PROPERTY(bool playsClickSounds READ playsClickSounds WRITE setPlaysClickSounds NOTIFY
                 playsClickSoundsChanged)
  Q_PROPERTY(bool playsGenericClickSound READ playsGenericClickSound WRITE setPlaysGenericClickSound
                 NOTIFY playsGenericClickSoundChanged)
  Q_PROPERTY(bool isRunning READ isRunning NOTIFY isRunningChanged)
  Q_PROPERTY(std::optional<QString> failureDescription READ failureDescription NOTIFY
                 failureDescriptionChanged)

 public:
  static constexpr const char* playsNotificationSoundsKey = "TonnixPlaysNotificationSounds";
  static constexpr const char* playsClickSoundsKey = "TonnixPlaysClickSounds";
  static constexpr const char* playsGenericClickSoundKey = "TonnixPlaysGenericClickSound";

  // What Tonnix reaches the desktop through; everything must outlive the
  // controller.
  struct Desktop {
    TonnixAccessibility& accessibility;
    TonnixWorkspace& workspace;
    TonnixMouseMonitor& mouseMonitor;
    TonnixAudioOutput& audio;
    const TonnixScreens& screens;
  };

  // Makes the parts and reads the click switches. Observes nothing until
  // started. Everything given must outlive the controller.
  TonnixController(TonnixLibrary& library, TonnixAssignments& assignments,
                   TonnixExclusions& exclusions, TonnixPreferencesStore& defaults,
                   TonnixSilenceMonitor& silence, Desktop desktop, QObject* parent = nullptr);
  ~TonnixController() override;

  TonnixLibrary& library() { return library_; }
  TonnixAssignments& assignments() { return assignments_; }
  TonnixExclusions& exclusions() { return exclusions_; }
  TonnixMouseMonitor& mouseMonitor() { return desktop_.mouseMonitor; }
  TonnixSoundLog& log() { return log_; }
  TonnixPlayer& player() { return player_; }
  TonnixEventDispatcher& dispatcher() { return dispatcher_; }
  TonnixClickMonitor& clickMonitor() { return clickMonitor_; }
  TonnixApplicationAttacher& attacher() { return attacher_; }
  TonnixApplicationsList& applications() { return applications_; }
  // Imports and exports sets; after each the player forgets its voices.
  TonnixSetTransfer& transfer() { return transfer_; }

  // Read from and written to the preferences each time; setting it starts
  // or stops the controller.
  bool playsNotificationSounds() const;
  void setPlaysNotificationSounds(bool plays);
  // Starts the controller when notification sounds are switched on.
  void startIfEnabled();

  // The click monitor runs exactly while the controller runs and this is on.
  bool playsClickSounds() const { return playsClickSounds_; }
  void setPlaysClickSounds(bool plays);
  bool playsGenericClickSound() const { return playsGenericClickSound_; }
  void setPlaysGenericClickSound(bool plays);

  bool isRunning() const { return isRunning_; }
  // Observes the running applications and follows launches, quits, mounts
  // and unmounts. Does nothing while running.
  void start();
  // Undoes everything start() did and silences the player.
  void stop();
  // Attaches the running applications not yet observed, in the background
  // of the main thread.
  void rescan();

  // Why nothing may be heard, in a sentence for the user; absent when all
  // is well.
  std::optional<QString> failureDescription() const;

 signals:
  void playsNotificationSoundsChanged();
  void playsClickSoundsChanged();
  void playsGenericClickSoundChanged();
  void isRunningChanged();
  void failureDescriptionChanged();

 private:
  void updateClickMonitoring();
  void forgetVoices();
  void updateFailureDescription();

  TonnixLibrary& library_;
  TonnixAssignments& assignments_;
  TonnixExclusions& exclusions_;
  TonnixPreferencesStore& defaults_;
  Desktop desktop_;

  bool isRunning_ = false;
  bool playsClickSounds_ = true;
  bool playsGenericClickSound_ = true;
  std::optional<QString> publishedFailureDescription_;

  TonnixSoundLog log_;
  TonnixPlayer player_;
  TonnixEventDispatcher dispatcher_;
  TonnixClickMonitor clickMonitor_;
  TonnixApplicationAttacher attacher_;
  TonnixApplicationsList applications_;
  TonnixWorkspaceFollower follower_;
  TonnixSetTransfer transfer_;
};
