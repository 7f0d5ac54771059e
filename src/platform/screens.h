#pragma once

#include <QPointF>
#include <QRectF>
#include <optional>
#include <vector>

// Where the screens are and where the pointer is, in one global coordinate
// space (origin at the top left of the primary screen). Main thread only.
class TonnixScreens {
 public:
  virtual ~TonnixScreens() = default;

  // The frame of every screen; none without a display.
  virtual std::vector<QRectF> screenFrames() const = 0;
  // The pointer's position; nothing without a display.
  virtual std::optional<QPointF> pointerLocation() const = 0;
};
