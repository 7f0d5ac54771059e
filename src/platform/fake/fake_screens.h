#pragma once

#include "platform/screens.h"

// Screens and a pointer placed by the test. Starts with no screens and no
// pointer.
class TonnixFakeScreens : public TonnixScreens {
 public:
  std::vector<QRectF> screenFrames() const override { return frames_; }
  std::optional<QPointF> pointerLocation() const override { return pointer_; }

  void setScreenFrames(std::vector<QRectF> frames) { frames_ = std::move(frames); }
  void setPointerLocation(std::optional<QPointF> location) { pointer_ = location; }

 private:
  std::vector<QRectF> frames_;
  std::optional<QPointF> pointer_;
};
