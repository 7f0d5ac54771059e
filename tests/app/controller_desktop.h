#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <set>

#include "app/controller.h"
#include "app/exclusions.h"
#include "catalogue/catalogue.h"
#include "event_loop.h"
#include "library/assignments.h"
#include "library/bundle_writer.h"
#include "library/library.h"
#include "platform/fake/fake_accessibility.h"
#include "platform/fake/fake_audio.h"
#include "platform/fake/fake_mouse_monitor.h"
#include "platform/fake/fake_screens.h"
#include "platform/fake/fake_silence_probes.h"
#include "platform/fake/fake_workspace.h"
#include "platform/fake/memory_preferences_store.h"
#include "quiet/silence_monitor.h"

// Readable failures for texts and lists of texts.
inline void PrintTo(const QString& text, std::ostream* stream) {
  *stream << '"' << text.toStdString() << '"';
}

namespace controller_test {

inline const std::string setIdentifier = "org.tonnix.tonnixset.test";

// Writes a set holding a (never decoded) file for every catalogue sound
// except `missing`.
inline void writeSet(const std::filesystem::path& folder,
                     const std::set<TonnixSoundID>& missing = {}) {
  TonnixBundleMetadata metadata;
  metadata.identifier = setIdentifier;
  metadata.name = "Test";
  EXPECT_TRUE(writeBundle(folder, metadata));
  for (const auto& entry : allEntries()) {
    if (missing.contains(entry.soundID)) continue;
    std::ofstream(folder / "Contents" / "Resources" / entry.fileName) << "x";
  }
}

// A controller on the fakes, with a set that plays every catalogue sound
// except those the test leaves out, and its monitor lines captured.
struct ControllerDesktop {
  static constexpr std::int32_t ownProcess = 7;

  explicit ControllerDesktop(const std::set<TonnixSoundID>& missing = {}, bool installsSet = true) {
    if (installsSet)
      writeSet(std::filesystem::path(sets.path().toStdString()) / "Test.tonnixset", missing);
    library = std::make_unique<TonnixLibrary>(sets.path().toStdString(), std::nullopt);
    assignments = std::make_unique<TonnixAssignments>(preferences);
    assignments->setBaselineIdentifier(setIdentifier);
    exclusions = std::make_unique<TonnixExclusions>(preferences);
    auto probe = std::make_unique<TonnixFakeSilenceProbe>();
    silenceProbe = probe.get();
    silence = std::make_unique<TonnixSilenceMonitor>(preferences, std::move(probe));
    workspace.setProcessIdentifier(ownProcess);
  }

  // Every registration on the process's element is refused, as when
  // accessibility access is denied.
  void denyRegistrations(std::int32_t pid) {
    const auto element = accessibility.applicationElement(pid);
    for (const auto& mapping : allNotificationMappings()) {
      accessibility.failRegistration(element, mapping.notification.rawValue,
                                     TonnixAXError::apiDisabled);
    }
  }

  // Made on first use, so that a test can prepare the preferences first.
  TonnixController& controller() {
    if (!controller_) {
      controller_ = std::make_unique<TonnixController>(
          *library, *assignments, *exclusions, preferences, *silence,
          TonnixController::Desktop{accessibility, workspace, mouse, audio, screens});
      QObject::connect(&controller_->dispatcher(), &TonnixEventDispatcher::monitorLine,
                       [this](const QString& line) { monitorLines.append(line); });
    }
    return *controller_;
  }

  // The sounds the output started, in order, as their four characters.
  QStringList played() const {
    QStringList codes;
    for (const auto& call : audio.plays()) {
      const auto& entries = allEntries();
      const auto entry = std::find_if(entries.begin(), entries.end(), [&](const auto& candidate) {
        return candidate.fileName == call.file.filename().string();
      });
      if (entry != entries.end())
        codes.append(QString::fromStdString(entry->soundID.description()));
    }
    return codes;
  }

  QTemporaryDir sets;
  TonnixMemoryPreferencesStore preferences;
  TonnixFakeAccessibility accessibility;
  TonnixFakeWorkspace workspace;
  TonnixFakeMouseMonitor mouse;
  TonnixFakeAudioOutput audio;
  TonnixFakeScreens screens;
  TonnixFakeSilenceProbe* silenceProbe = nullptr;
  std::unique_ptr<TonnixLibrary> library;
  std::unique_ptr<TonnixAssignments> assignments;
  std::unique_ptr<TonnixExclusions> exclusions;
  std::unique_ptr<TonnixSilenceMonitor> silence;
  QStringList monitorLines;

 private:
  std::unique_ptr<TonnixController> controller_;
};

}  // namespace controller_test
