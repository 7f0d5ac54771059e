#include "platform/fake/fake_silence_probes.h"

#include <numeric>

bool TonnixFakeSilenceProbe::isGameModeActive(const std::vector<TonnixWindowDescription>& windows,
                                              const std::vector<QRectF>& displays) {
  lastWindows_ = windows;
  lastDisplays_ = displays;
  return ask(Test::gameMode);
}

bool TonnixFakeSilenceProbe::isApplicationFullscreen(
    const std::vector<TonnixWindowDescription>& windows, const std::vector<QRectF>& displays) {
  lastWindows_ = windows;
  lastDisplays_ = displays;
  return ask(Test::fullscreenApplication);
}

std::vector<TonnixWindowDescription> TonnixFakeSilenceProbe::windowDescriptions() {
  ++windowListCount_;
  return windows_;
}

std::vector<QRectF> TonnixFakeSilenceProbe::displayBounds() {
  ++displayListCount_;
  return displays_;
}

int TonnixFakeSilenceProbe::questionCount() const {
  return std::accumulate(questions_.begin(), questions_.end(), 0);
}

bool TonnixFakeSilenceProbe::ask(Test test) {
  ++questions_[index(test)];
  return answers_[index(test)];
}
