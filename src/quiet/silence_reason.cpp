#include "quiet/silence_reason.h"

namespace {

struct ReasonText {
  std::string_view rawValue;
  const char* title;
  const char* explanation;
  const char* preferenceKey;
};

const ReasonText& textOf(TonnixSilenceReason reason) {
  static const std::array<ReasonText, allSilenceReasons.size()> texts = {{
      {"audioHeldBack", "Audio is muted or ducked",
       "The system says this app will not be heard, or the output device is muted or turned all "
       "the way down.",
       "TonnixMutesForAudioHeldBack"},
      {"sharedDisplay", "The screen is mirrored or shared",
       "A display is mirrored \u2014 a projector, a TV, a screen you cast to \u2014 or something "
       "is watching this one over screen sharing or a recording.",
       "TonnixMutesForSharedDisplay"},
      {"gameMode", "A game has the screen",
       "The desktop has started a Game Mode session, or the app in front files itself under Games "
       "and has a display to itself.",
       "TonnixMutesForGameMode"},
      {"microphoneInUse", "The microphone is in use",
       "Any input device is recording, whoever is doing it: a call, dictation, a voice memo.",
       "TonnixMutesForMicrophoneInUse"},
      {"videoPlayback", "A video is playing",
       "Something is holding the display awake to play a film. Players typically drop that the "
       "moment playback pauses.",
       "TonnixMutesForVideoPlayback"},
      {"focus", "Do Not Disturb is on",
       "The desktop is holding its notifications back, switched from its panel, its settings or "
       "a schedule.",
       "TonnixMutesForFocus"},
      {"fullscreenApplication", "Any app is fullscreen",
       "Any application at all with a display to itself, which for most people is an editor or a "
       "browser as often as it is a game.",
       "TonnixMutesForFullscreenApplication"},
  }};
  return texts[static_cast<std::size_t>(reason)];
}

}  // namespace

std::string_view rawValue(TonnixSilenceReason reason) {
  return textOf(reason).rawValue;
}

std::optional<TonnixSilenceReason> silenceReasonFromRawValue(std::string_view text) {
  for (TonnixSilenceReason reason : allSilenceReasons) {
    if (rawValue(reason) == text) return reason;
  }
  return std::nullopt;
}

QString title(TonnixSilenceReason reason) {
  return QString::fromUtf8(textOf(reason).title);
}

QString explanation(TonnixSilenceReason reason) {
  return QString::fromUtf8(textOf(reason).explanation);
}

QString preferenceKey(TonnixSilenceReason reason) {
  return QString::fromLatin1(textOf(reason).preferenceKey);
}

bool isChosenByDefault(TonnixSilenceReason reason) {
  return reason != TonnixSilenceReason::fullscreenApplication;
}
