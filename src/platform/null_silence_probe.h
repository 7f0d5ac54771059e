#pragma once

#include "platform/silence_probes.h"

// Silence probes for commands that play without watching the desktop
// (`tonnix play`, `tonnix run --simulate`): never a reason to keep quiet,
// no windows, no displays.
class TonnixNullSilenceProbe final : public TonnixSilenceProbe {
 public:
  bool isAudioHeldBack() override { return false; }
  bool isDisplayShared() override { return false; }
  bool isGameModeActive(const std::vector<TonnixWindowDescription>&,
                        const std::vector<QRectF>&) override {
    return false;
  }
  bool isMicrophoneInUse() override { return false; }
  bool isVideoPlaying() override { return false; }
  bool isFocusActive() override { return false; }
  bool isApplicationFullscreen(const std::vector<TonnixWindowDescription>&,
                               const std::vector<QRectF>&) override {
    return false;
  }
  std::vector<TonnixWindowDescription> windowDescriptions() override { return {}; }
  std::vector<QRectF> displayBounds() override { return {}; }
  void requestFocusAuthorization() override {}
};
