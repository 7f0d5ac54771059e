#pragma once

#include <array>

#include "platform/silence_probes.h"

// Silence probes whose answers the test sets; counts every question.
class TonnixFakeSilenceProbe : public TonnixSilenceProbe {
 public:
  enum class Test {
    audioHeldBack,
    sharedDisplay,
    gameMode,
    microphoneInUse,
    videoPlayback,
    focus,
    fullscreenApplication,
  };

  bool isAudioHeldBack() override { return ask(Test::audioHeldBack); }
  bool isDisplayShared() override { return ask(Test::sharedDisplay); }
  bool isGameModeActive(const std::vector<TonnixWindowDescription>& windows,
                        const std::vector<QRectF>& displays) override;
  bool isMicrophoneInUse() override { return ask(Test::microphoneInUse); }
  bool isVideoPlaying() override { return ask(Test::videoPlayback); }
  bool isFocusActive() override { return ask(Test::focus); }
  bool canTellFocus() override { return canTellFocus_; }
  bool isApplicationFullscreen(const std::vector<TonnixWindowDescription>& windows,
                               const std::vector<QRectF>& displays) override;
  std::vector<TonnixWindowDescription> windowDescriptions() override;
  std::vector<QRectF> displayBounds() override;
  void requestFocusAuthorization() override { ++focusAuthorizationRequests_; }

  void setAnswer(Test test, bool answer) { answers_[index(test)] = answer; }
  void setWindows(std::vector<TonnixWindowDescription> windows) { windows_ = std::move(windows); }
  void setDisplays(std::vector<QRectF> displays) { displays_ = std::move(displays); }
  void setCanTellFocus(bool canTell) { canTellFocus_ = canTell; }

  int questionCount(Test test) const { return questions_[index(test)]; }
  int questionCount() const;
  int windowListCount() const { return windowListCount_; }
  int displayListCount() const { return displayListCount_; }
  int focusAuthorizationRequests() const { return focusAuthorizationRequests_; }
  // What the last window-based question was given.
  const std::vector<TonnixWindowDescription>& lastWindows() const { return lastWindows_; }
  const std::vector<QRectF>& lastDisplays() const { return lastDisplays_; }

 private:
  static constexpr std::size_t index(Test test) { return static_cast<std::size_t>(test); }
  bool ask(Test test);

  std::array<bool, 7> answers_{};
  std::array<int, 7> questions_{};
  std::vector<TonnixWindowDescription> windows_;
  std::vector<QRectF> displays_;
  std::vector<TonnixWindowDescription> lastWindows_;
  std::vector<QRectF> lastDisplays_;
  int windowListCount_ = 0;
  int displayListCount_ = 0;
  int focusAuthorizationRequests_ = 0;
  bool canTellFocus_ = true;
};
