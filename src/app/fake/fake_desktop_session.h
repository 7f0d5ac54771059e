#pragma once

#include <QTemporaryDir>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "app/autostart.h"
#include "app/controller.h"
#include "app/exclusions.h"
#include "app/fake/fake_updater.h"
#include "catalogue/sound_id.h"
#include "library/assignments.h"
#include "library/library.h"
#include "platform/fake/fake_accessibility.h"
#include "platform/fake/fake_application_directory.h"
#include "platform/fake/fake_audio.h"
#include "platform/fake/fake_mouse_monitor.h"
#include "platform/fake/fake_screens.h"
#include "platform/fake/fake_silence_probes.h"
#include "platform/fake/fake_workspace.h"
#include "platform/fake/memory_preferences_store.h"
#include "quiet/silence_monitor.h"

// Tonnix assembled as the program assembles it, on the fake desktop, for
// tests, benchmarks and the screenshots: preferences in memory, the user's
// sets and login entry in a scratch folder, the silence monitor on a fake
// probe, and the rest of what the settings window is given (no
// applications installed, an unconfigured updater). The fakes are
// there to be scripted. Main thread only.
class TonnixFakeDesktopSession {
 public:
  // Tonnix's own process on the fake desktop.
  static constexpr std::int32_t ownProcess = 7;

  // With the built-in sets of `builtInSets`, or none.
  explicit TonnixFakeDesktopSession(std::optional<std::filesystem::path> builtInSets = {});
  ~TonnixFakeDesktopSession();
  TonnixFakeDesktopSession(const TonnixFakeDesktopSession&) = delete;
  TonnixFakeDesktopSession& operator=(const TonnixFakeDesktopSession&) = delete;

  std::filesystem::path userSets() const;
  // Writes a set of the user's with a (never decoded) file for every sound
  // of the catalogue except `missing`. Before the library is made; it reads
  // its folders once.
  bool writeSet(const std::string& identifier, const std::string& name,
                const std::set<TonnixSoundID>& missing = {});

  // Made on first use, so that the sets and preferences can be prepared.
  TonnixLibrary& library();
  TonnixController& controller();

  QTemporaryDir scratch;
  TonnixMemoryPreferencesStore preferences;
  TonnixAssignments assignments{preferences};
  TonnixExclusions exclusions{preferences};
  TonnixFakeSilenceProbe* silenceProbe = nullptr;  // the silence monitor's
  TonnixSilenceMonitor silence;
  TonnixFakeAccessibility accessibility;
  TonnixFakeWorkspace workspace;
  TonnixFakeMouseMonitor mouse;
  TonnixFakeAudioOutput audio;
  TonnixFakeScreens screens;

  TonnixFakeApplicationDirectory applications;
  TonnixFakeUpdater updates;
  TonnixAutostart autostart;

 private:
  std::optional<std::filesystem::path> builtInSets_;
  std::unique_ptr<TonnixLibrary> library_;
  std::unique_ptr<TonnixController> controller_;
};
