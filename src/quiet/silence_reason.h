#pragma once

#include <QString>
#include <array>
#include <optional>
#include <string_view>

// A reason for Tonnix to keep quiet by itself. Declared in the order the
// silence monitor tests them: an earlier, cheaper or more decisive reason
// wins over a later one.
enum class TonnixSilenceReason {
  audioHeldBack,
  sharedDisplay,
  gameMode,
  microphoneInUse,
  videoPlayback,
  focus,
  fullscreenApplication,
};

inline constexpr std::array<TonnixSilenceReason, 7> allSilenceReasons = {
    TonnixSilenceReason::audioHeldBack,
    TonnixSilenceReason::sharedDisplay,
    TonnixSilenceReason::gameMode,
    TonnixSilenceReason::microphoneInUse,
    TonnixSilenceReason::videoPlayback,
    TonnixSilenceReason::focus,
    TonnixSilenceReason::fullscreenApplication};

// The case name, e.g. "audioHeldBack".
std::string_view rawValue(TonnixSilenceReason reason);
std::optional<TonnixSilenceReason> silenceReasonFromRawValue(std::string_view rawValue);

// The short text the settings and the sound log show.
QString title(TonnixSilenceReason reason);
// A sentence or two under the title.
QString explanation(TonnixSilenceReason reason);

// The preference holding whether the user counts the reason, e.g.
// "TonnixMutesForFocus".
QString preferenceKey(TonnixSilenceReason reason);
// Whether the reason counts when the user has not said: all but
// fullscreenApplication, which would keep quiet in every full-screen editor.
bool isChosenByDefault(TonnixSilenceReason reason);
