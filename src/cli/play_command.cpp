#include <QThread>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "catalogue/catalogue.h"
#include "cli/command_line.h"
#include "library/assignments.h"
#include "library/library.h"
#include "platform/linux/openal_audio.h"
#include "platform/linux/plist_preferences_store.h"
#include "platform/linux/qt_screens.h"
#include "platform/null_silence_probe.h"
#include "playback/player.h"
#include "quiet/silence_monitor.h"

// `tonnix play CODE`: the preview sequence of the settings' test button on
// the default output, with the user's sets and assignments; waits until the
// sound has ended.

namespace {

// Longer than any output buffer; a sound never plays longer than it lasts
// plus this, so a stuck device cannot keep the command waiting.
constexpr double kDrainSeconds = 1.0;
// The exit status when the machine has no sound output at all, so that a
// script can tell it from a sound that is missing.
constexpr int noOutputStatus = 3;

// Why the identifier resolves to no file, in the words of its selection.
std::string whyNothingIsAssigned(TonnixSoundID soundID, const TonnixAssignments& assignments,
                                 const TonnixLibrary& library) {
  const std::string code = soundID.description();
  const TonnixSelection selection = assignments.selectionFor(soundID);
  std::optional<std::string> setIdentifier = selection.setIdentifier;
  switch (selection.kind) {
    case TonnixSelection::Kind::silent:
      return code + " is set to silent.";
    case TonnixSelection::Kind::custom:
      return "the custom sound file of " + code + " is missing: " + selection.customURL.string();
    case TonnixSelection::Kind::baseline:
      setIdentifier = assignments.storedBaselineIdentifier();
      if (!setIdentifier) return "no baseline set is chosen.";
      break;
    case TonnixSelection::Kind::set:
      break;
  }
  const TonnixBundlePointer bundle = library.bundleWithIdentifier(setIdentifier);
  if (!bundle)
    return "the set " + *setIdentifier + " that " + code + " plays from is not installed.";
  return "the set " + bundle->metadata().name + " has no file for " + code + ".";
}

std::string whySilent(TonnixSoundID soundID, TonnixPlayer& player, TonnixAudioOutput& audio,
                      const TonnixAssignments& assignments, const TonnixLibrary& library) {
  const auto url = player.urlFor(soundID);
  if (!url) return whyNothingIsAssigned(soundID, assignments, library);
  if (const auto opened = player.canOpenAudio(*url); !opened) {
    return url->filename().string() + ": " + opened.error().description();
  }
  if (const auto reason = audio.unavailableReason()) return *reason;
  return "the audio output did not start the sound.";
}

void waitUntilSilent(const TonnixAudioPlayer& sound) {
  const double limit = sound.duration() + kDrainSeconds;
  for (double waited = 0; waited < limit && sound.isPlaying(); waited += 0.01) {
    QThread::msleep(10);
  }
}

}  // namespace

int playCommand(const QStringList& arguments) {
  TonnixCommandLine line("play");
  if (const auto status = line.parse(arguments, 1, 1)) return *status;
  const QString code = line.positional().front();
  const auto soundID = TonnixSoundID::fromText(code.toStdString());
  if (!soundID) {
    return line.fail(QString::fromStdString("\"" + code.toStdString() +
                                            "\" is not a four-character sound code."));
  }
  if (!entryForSoundID(*soundID)) {
    return line.fail(
        QString::fromStdString(soundID->description() + " is not a sound of the catalogue."));
  }

  TonnixPlistPreferencesStore preferences;
  TonnixLibrary library;
  TonnixAssignments assignments(preferences);
  // As at the application's launch: on a fresh machine the first set (the
  // built-in one) becomes the baseline.
  if (!assignments.storedBaselineIdentifier() && !library.bundles().empty()) {
    assignments.setBaselineIdentifier(library.bundles().front()->metadata().identifier);
  }
  // A preview plays whatever the reasons to keep quiet say.
  TonnixSilenceMonitor silence(preferences, std::make_unique<TonnixNullSilenceProbe>());
  TonnixOpenALAudio audio;
  TonnixQtScreens screens;
  TonnixPlayer player(library, assignments, preferences, silence, audio, screens);

  if (!player.preview(*soundID)) {
    const bool hasNoOutput = player.urlFor(*soundID) && audio.unavailableReason();
    return line.fail(QString::fromStdString(
                         "no sound: " + whySilent(*soundID, player, audio, assignments, library)),
                     hasNoOutput ? noOutputStatus : 1);
  }

  waitUntilSilent(*player.existingVoice(*soundID)->lastPlayer());
  return 0;
}
