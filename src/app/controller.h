#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "app/afflicted_application.h"
#include "app/exclusions.h"
#include "classic/classic_set_import.h"
#include "events/application_observer.h"
#include "events/click_monitor.h"
#include "events/event.h"
#include "events/notification_mapping.h"
#include "library/sound_set_export.h"
#include "platform/accessibility.h"
#include "platform/audio.h"
#include "platform/audio_file_writer.h"
#include "platform/expected.h"
#include "platform/mouse_monitor.h"
#include "platform/preferences_store.h"
#include "platform/screens.h"
#include "platform/workspace.h"
#include "playback/player.h"
#include "quiet/silence_monitor.h"
#include "quiet/sound_log.h"

class TonnixAssignments;
class TonnixLibrary;

using TonnixEventList = std::vector<TonnixEvent>;
using TonnixNotificationMappings = std::vector<TonnixNotificationMapping>;
using TonnixClassicImportSummaries = std::vector<TonnixClassicImportSummary>;

// The one coordinator of Tonnix: receives every event and plays it, logging
// what was heard; observes the running applications (one application
// observer each) and follows them through launches and quits; runs the click
// monitor; keeps the applications list. One per process, main thread only.
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

  // What Tonnix reaches the desktop through; everything must outlive the
  // controller.
  struct Desktop {
    TonnixAccessibility& accessibility;
    TonnixWorkspace& workspace;
    TonnixMouseMonitor& mouseMonitor;
    TonnixAudioOutput& audio;
    const TonnixScreens& screens;
  };

  // Where the diagnostic lines go; standard output (flushed) by default.
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

  // --- Importing and exporting sets

  // Converts classic set files during imports; without one they cannot be
  // imported. Shared with the conversions still running.
  void setAudioFileWriter(std::shared_ptr<const TonnixAudioFileWriter> writer) {
    audioFileWriter_ = std::move(writer);
  }
  // Where the staging folders of exports go, and how their files are
  // written; the system's temporary folder and file system by default.
  void setExportFiles(TonnixExportFiles files) { exportFiles_ = std::move(files); }

  bool isImportingSets() const { return isImportingSets_; }
  // URLs of the current run handled so far, and in all.
  int setsImported() const { return setsImported_; }
  int setsToImport() const { return setsToImport_; }
  // The classic files converted by the last finished run, in URL order.
  const TonnixClassicImportSummaries& lastImportSummaries() const { return lastImportSummaries_; }
  bool isExportingSet() const { return isExportingSet_; }
  const std::optional<TonnixExportSummary>& lastExportSummary() const {
    return lastExportSummary_;
  }
  // The last import, export or custom sound failure, for the sound sets tab.
  const std::optional<QString>& lastFailureDescription() const { return lastFailureDescription_; }

  // Installs the URLs one after another on the main thread: folders (and
  // missing paths, which fail) go to the library, files are converted as
  // classic sets in the background first. Cancels a run in progress before
  // its next URL.
  void importSets(const std::vector<std::filesystem::path>& urls);
  // Writes everything audible now as a new bundle at `destination`, in the
  // background.
  void exportSet(const std::filesystem::path& destination);
  // Reads the library again and tidies the assignments after it.
  void reloadSets();
  // False, with the reason in lastFailureDescription, when refused.
  bool chooseCustomSound(const std::filesystem::path& url, TonnixSoundID soundID);
  // Chooses the first set as the baseline when none was ever chosen.
  void ensureBaseline();

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
  void monitor(const TonnixEvent& event);
  void updateClickMonitoring();
  void installWorkspaceObservations();
  void removeWorkspaceObservations();
  bool isEligible(const TonnixRunningApplication& application) const;
  void attachNext();
  void finishAttaching();
  void cancelAttaching();
  void recount();
  void reportAttachCycle();
  void applicationLaunched(const TonnixRunningApplication& application);
  void applicationTerminated(const TonnixRunningApplication& application);
  void volumeChanged(const TonnixVolume& volume, const QString& eventName, TonnixSoundID soundID);
  void removeObserver(std::int32_t processIdentifier);
  void updateFailureDescription();
  void writeLine(const QString& line) const;

  void setRunning(bool isRunning);
  void setAttaching(bool isAttaching);
  void setApplicationsAttached(int count);
  void setApplicationsToAttach(int count);
  void setObservedApplicationCount(int count);
  void setRegisteredNotificationCount(int count);
  void setFailedObserverCount(int count);

  struct ImportRun;
  struct ExportRun;
  void importNext(const std::shared_ptr<ImportRun>& run);
  void importFile(const std::shared_ptr<ImportRun>& run, const std::filesystem::path& url);
  void importHandled(const std::shared_ptr<ImportRun>& run, std::optional<std::string> failure);
  void finishImport(const std::shared_ptr<ImportRun>& run);
  void finishExport(const std::shared_ptr<ExportRun>& run,
                    const TonnixExpected<TonnixExportSummary, TonnixExportError>& result);
  void chooseBaselineIfNone();
  void forgetVoices();
  void setImportingSets(bool isImporting);
  void setSetsImported(int count);
  void setSetsToImport(int count);
  void setLastImportSummaries(const TonnixClassicImportSummaries& summaries);
  void setExportingSet(bool isExporting);
  void setLastExportSummary(const std::optional<TonnixExportSummary>& summary);
  void setLastFailureDescription(const std::optional<QString>& description);

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
  std::vector<TonnixWorkspaceObservation> workspaceObservations_;
  std::map<std::int32_t, TonnixAttachTimeout> timeouts_;

  // The attach task: the applications still to attach, taken one per turn
  // of the timer, which pauses between them so that the main thread goes on.
  std::vector<TonnixRunningApplication> attachQueue_;
  std::size_t attachPosition_ = 0;
  QTimer attachTimer_;

  std::shared_ptr<const TonnixAudioFileWriter> audioFileWriter_;
  TonnixExportFiles exportFiles_ = TonnixExportFiles::system();
  bool isImportingSets_ = false;
  int setsImported_ = 0;
  int setsToImport_ = 0;
  TonnixClassicImportSummaries lastImportSummaries_;
  bool isExportingSet_ = false;
  std::optional<TonnixExportSummary> lastExportSummary_;
  std::optional<QString> lastFailureDescription_;
  // The current import run and export, kept after they finish; a newer one
  // replaces them, which cancels the old.
  std::shared_ptr<ImportRun> importTask_;
  std::shared_ptr<ExportRun> exportTask_;
};
