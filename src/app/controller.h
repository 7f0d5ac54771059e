#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "app/afflicted_application.h"
#include "app/attach_queue.h"
#include "app/exclusions.h"
#include "app/set_transfer.h"
#include "events/application_observer.h"
#include "events/click_monitor.h"
#include "events/event.h"
#include "events/notification_mapping.h"
#include "library/sound_set_export.h"
#include "platform/accessibility.h"
#include "platform/audio.h"
#include "platform/audio_file_writer.h"
#include "platform/mouse_monitor.h"
#include "platform/preferences_store.h"
#include "platform/screens.h"
#include "platform/workspace.h"
#include "playback/player.h"
#include "quiet/silence_monitor.h"
#include "quiet/sound_log.h"
#include "support/expected.h"

class TonnixAssignments;
class TonnixLibrary;

using TonnixEventList = std::vector<TonnixEvent>;
using TonnixNotificationMappings = std::vector<TonnixNotificationMapping>;

// The one coordinator of Tonnix: receives every event and plays it, logging
// what was heard; observes the running applications (one application
// observer each) and follows them through launches and quits; runs the click
// monitor; keeps the applications list; and offers the set transfer's
// imports and exports to the settings window. One per process, main thread
// only.
//
// Observable fields signal only when their value changes.
class TonnixController : public QObject {
  Q_OBJECT
  Q_PROPERTY(
      TonnixNotificationMappings mappings READ mappings WRITE setMappings NOTIFY mappingsChanged)
  Q_PROPERTY(bool playsNotificationSounds READ playsNotificationSounds WRITE
                 setPlaysNotificationSounds NOTIFY playsNotificationSoundsChanged)
  Q_PROPERTY(bool playsClickSounds READ playsClickSounds WRITE setPlaysClickSounds NOTIFY
                 playsClickSoundsChanged)
  Q_PROPERTY(bool playsGenericClickSound READ playsGenericClickSound WRITE setPlaysGenericClickSound
                 NOTIFY playsGenericClickSoundChanged)
  Q_PROPERTY(bool isMonitoring READ isMonitoring WRITE setMonitoring NOTIFY isMonitoringChanged)
  Q_PROPERTY(TonnixEventList recentEvents READ recentEvents NOTIFY recentEventsChanged)
  Q_PROPERTY(bool isRunning READ isRunning NOTIFY isRunningChanged)
  Q_PROPERTY(int observedApplicationCount READ observedApplicationCount NOTIFY
                 observedApplicationCountChanged)
  Q_PROPERTY(int registeredNotificationCount READ registeredNotificationCount NOTIFY
                 registeredNotificationCountChanged)
  Q_PROPERTY(int failedObserverCount READ failedObserverCount NOTIFY failedObserverCountChanged)
  Q_PROPERTY(TonnixAfflictedApplications afflictedApplications READ afflictedApplications NOTIFY
                 afflictedApplicationsChanged)
  Q_PROPERTY(bool isAttaching READ isAttaching NOTIFY isAttachingChanged)
  Q_PROPERTY(int applicationsAttached READ applicationsAttached NOTIFY applicationsAttachedChanged)
  Q_PROPERTY(int applicationsToAttach READ applicationsToAttach NOTIFY applicationsToAttachChanged)
  Q_PROPERTY(std::optional<QString> failureDescription READ failureDescription NOTIFY
                 failureDescriptionChanged)
  Q_PROPERTY(bool isImportingSets READ isImportingSets NOTIFY isImportingSetsChanged)
  Q_PROPERTY(int setsImported READ setsImported NOTIFY setsImportedChanged)
  Q_PROPERTY(int setsToImport READ setsToImport NOTIFY setsToImportChanged)
  Q_PROPERTY(TonnixClassicImportSummaries lastImportSummaries READ lastImportSummaries NOTIFY
                 lastImportSummariesChanged)
  Q_PROPERTY(bool isExportingSet READ isExportingSet NOTIFY isExportingSetChanged)
  Q_PROPERTY(std::optional<TonnixExportSummary> lastExportSummary READ lastExportSummary NOTIFY
                 lastExportSummaryChanged)
  Q_PROPERTY(std::optional<QString> lastFailureDescription READ lastFailureDescription NOTIFY
                 lastFailureDescriptionChanged)

 public:
  static constexpr const char* playsNotificationSoundsKey = "TonnixPlaysNotificationSounds";
  static constexpr const char* playsClickSoundsKey = "TonnixPlaysClickSounds";
  static constexpr const char* playsGenericClickSoundKey = "TonnixPlaysGenericClickSound";

  // The newest events kept while monitoring.
  static constexpr std::size_t maximumRecentEvents = 12;
  // How long an application may take to answer while it is attached.
  static constexpr double attachMessagingTimeout = 0.25;
  // The pause between two applications of an attach cycle, for the rest
  // of the main thread.
  static constexpr int attachPauseMilliseconds = 1;
  // When a launched application is attached a second time, in case its
  // interface was not ready at launch.
  static constexpr int secondAttachDelayMilliseconds = 1000;
  // The same window action of one application within this time is one
  // action reported twice.
  static constexpr std::chrono::milliseconds windowActionInterval{500};

  // What Tonnix reaches the desktop through; everything must outlive the
  // controller.
  struct Desktop {
    TonnixAccessibility& accessibility;
    TonnixWorkspace& workspace;
    TonnixMouseMonitor& mouseMonitor;
    TonnixAudioOutput& audio;
    const TonnixScreens& screens;
  };

  // Where the monitor and diagnostic lines go; by default the "Tonnix: "
  // monitor lines to standard output (flushed), the rest to standard error.
  using Console = std::function<void(const QString& line)>;

  // Makes the sound log, the player and the click monitor, and reads the
  // click switches. Observes nothing until started. Everything given must
  // outlive the controller.
  TonnixController(TonnixLibrary& library, TonnixAssignments& assignments,
                   TonnixExclusions& exclusions, TonnixPreferencesStore& defaults,
                   TonnixSilenceMonitor& silence, Desktop desktop, QObject* parent = nullptr);
  ~TonnixController() override;

  TonnixLibrary& library() { return library_; }
  TonnixAssignments& assignments() { return assignments_; }
  TonnixExclusions& exclusions() { return exclusions_; }
  TonnixPlayer& player() { return *player_; }
  TonnixSoundLog& log() { return *log_; }
  TonnixClickMonitor& clickMonitor() { return *clickMonitor_; }
  TonnixMouseMonitor& mouseMonitor() { return desktop_.mouseMonitor; }
  TonnixSetTransfer& setTransfer() { return setTransfer_; }
  void setConsole(Console console) { console_ = std::move(console); }

  // --- Dispatch

  // Handed to application observers attached from now on.
  const TonnixNotificationMappings& mappings() const { return mappings_; }
  void setMappings(const TonnixNotificationMappings& mappings);

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

  // Prints a line per handled event and keeps the newest events; not stored.
  bool isMonitoring() const { return isMonitoring_; }
  void setMonitoring(bool isMonitoring);
  // Oldest first.
  const TonnixEventList& recentEvents() const { return recentEvents_; }
  void clearRecentEvents();

  // The one entry of every event: monitors it, plays it, and logs it when a
  // sound started.
  void handle(const TonnixEvent& event);

  // --- Attaching

  bool isRunning() const { return isRunning_; }
  int observedApplicationCount() const { return observedApplicationCount_; }
  int registeredNotificationCount() const { return registeredNotificationCount_; }
  // Attaches that failed since the last start.
  int failedObserverCount() const { return failedObserverCount_; }
  bool isAttaching() const { return isAttaching_; }
  int applicationsAttached() const { return applicationsAttached_; }
  int applicationsToAttach() const { return applicationsToAttach_; }

  // Observes the running applications and follows launches, quits, mounts
  // and unmounts. Does nothing while running.
  void start();
  // Undoes everything start() did and silences the player.
  void stop();
  // Attaches the running applications not yet observed, in the background
  // of the main thread, the active one first, then the ordinary ones.
  void rescan();
  // Attaches one application now, if it is eligible.
  void attach(const TonnixRunningApplication& application);

  // Why nothing may be heard, in a sentence for the user; absent when all
  // is well.
  std::optional<QString> failureDescription() const;

  // The observer of the process, if attached.
  const TonnixApplicationObserver* observer(std::int32_t processIdentifier) const;
  const std::map<std::int32_t, TonnixAttachTimeout>& timeouts() const { return timeouts_; }

  // --- Applications list

  // Running applications with a user interface and excluded ones, by name.
  const TonnixAfflictedApplications& afflictedApplications() const {
    return afflictedApplications_;
  }
  void rebuildAfflictedApplications();

  // Excludes the application of a .desktop file or executable.
  TonnixExpected<TonnixDone, TonnixExclusionError> exclude(
      const std::filesystem::path& application);
  // Excludes the application (keeping a stored name when given none) and
  // stops observing it at once.
  void exclude(const QString& bundleIdentifier, const std::optional<QString>& name = std::nullopt);
  // Stops excluding the application and attaches it if it runs.
  void include(const QString& bundleIdentifier);
  // Includes an excluded row, excludes any other; rows without a bundle
  // identifier stay as they are.
  void toggleExclusion(const TonnixAfflictedApplication& application);

  // --- Importing and exporting sets, through setTransfer(); after each the
  // player forgets its voices.

  void setAudioFileWriter(std::shared_ptr<const TonnixAudioFileWriter> writer) {
    setTransfer_.setAudioFileWriter(std::move(writer));
  }
  void setExportFiles(TonnixExportFiles files) { setTransfer_.setExportFiles(std::move(files)); }

  bool isImportingSets() const { return setTransfer_.isImportingSets(); }
  int setsImported() const { return setTransfer_.setsImported(); }
  int setsToImport() const { return setTransfer_.setsToImport(); }
  const TonnixClassicImportSummaries& lastImportSummaries() const {
    return setTransfer_.lastImportSummaries();
  }
  bool isExportingSet() const { return setTransfer_.isExportingSet(); }
  const std::optional<TonnixExportSummary>& lastExportSummary() const {
    return setTransfer_.lastExportSummary();
  }
  const std::optional<QString>& lastFailureDescription() const {
    return setTransfer_.lastFailureDescription();
  }

  void importSets(const std::vector<std::filesystem::path>& urls) { setTransfer_.importSets(urls); }
  void exportSet(const std::filesystem::path& destination) { setTransfer_.exportSet(destination); }
  void reloadSets() { setTransfer_.reloadSets(); }
  bool chooseCustomSound(const std::filesystem::path& url, TonnixSoundID soundID) {
    return setTransfer_.chooseCustomSound(url, soundID);
  }
  void ensureBaseline() { setTransfer_.ensureBaseline(); }

 signals:
  void mappingsChanged();
  void playsNotificationSoundsChanged();
  void playsClickSoundsChanged();
  void playsGenericClickSoundChanged();
  void isMonitoringChanged();
  void recentEventsChanged();
  void isRunningChanged();
  void observedApplicationCountChanged();
  void registeredNotificationCountChanged();
  void failedObserverCountChanged();
  void afflictedApplicationsChanged();
  void isAttachingChanged();
  void applicationsAttachedChanged();
  void applicationsToAttachChanged();
  void failureDescriptionChanged();
  void isImportingSetsChanged();
  void setsImportedChanged();
  void setsToImportChanged();
  void lastImportSummariesChanged();
  void isExportingSetChanged();
  void lastExportSummaryChanged();
  void lastFailureDescriptionChanged();

 private:
  bool isRepeatedWindowAction(const TonnixEvent& event);
  void monitor(const TonnixEvent& event);
  void updateClickMonitoring();
  void installWorkspaceObservations();
  void removeWorkspaceObservations();
  bool isEligible(const TonnixRunningApplication& application) const;
  void attachDue(const TonnixRunningApplication& application);
  void finishAttaching();
  void recount();
  void reportAttachCycle();
  void applicationLaunched(const TonnixRunningApplication& application);
  void applicationTerminated(const TonnixRunningApplication& application);
  void windowChanged(const TonnixRunningApplication& application, const QString& notification);
  void volumeChanged(const TonnixVolume& volume, const QString& eventName, TonnixSoundID soundID);
  void removeObserver(std::int32_t processIdentifier);
  void forgetVoices();
  void updateFailureDescription();
  void writeLine(const QString& line) const;

  TonnixLibrary& library_;
  TonnixAssignments& assignments_;
  TonnixExclusions& exclusions_;
  TonnixPreferencesStore& defaults_;
  TonnixSilenceMonitor& silence_;
  Desktop desktop_;
  Console console_;

  std::unique_ptr<TonnixSoundLog> log_;
  std::unique_ptr<TonnixPlayer> player_;
  std::unique_ptr<TonnixClickMonitor> clickMonitor_;

  TonnixNotificationMappings mappings_;
  bool playsClickSounds_ = true;
  bool playsGenericClickSound_ = true;
  bool isMonitoring_ = false;
  TonnixEventList recentEvents_;
  // When each application's window actions were last heard.
  std::map<std::pair<std::int32_t, QString>, TonnixEvent::Clock::time_point> lastWindowActions_;

  bool isRunning_ = false;
  int observedApplicationCount_ = 0;
  int registeredNotificationCount_ = 0;
  int failedObserverCount_ = 0;
  TonnixAfflictedApplications afflictedApplications_;
  bool isAttaching_ = false;
  int applicationsAttached_ = 0;
  int applicationsToAttach_ = 0;
  std::optional<QString> publishedFailureDescription_;

  std::map<std::int32_t, std::unique_ptr<TonnixApplicationObserver>> observers_;
  // The connections to the workspace's launch, quit, mount and unmount
  // signals while running.
  std::vector<QMetaObject::Connection> workspaceObservations_;
  std::map<std::int32_t, TonnixAttachTimeout> timeouts_;
  // The launch whose second attach is still due, per process; a quit drops it.
  std::map<std::int32_t, std::uint64_t> secondAttaches_;
  std::uint64_t launchCount_ = 0;

  // The attach task: the applications still to attach, one per turn of the
  // event loop.
  TonnixAttachQueue attachQueue_{attachPauseMilliseconds};

  TonnixSetTransfer setTransfer_;
};
