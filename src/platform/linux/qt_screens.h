#pragma once

#include "platform/screens.h"

// The screens and pointer as Qt's GUI application knows them. Answers
// nothing when the program runs without one (a command-line run, or no
// display).
class TonnixQtScreens : public TonnixScreens {
 public:
  std::vector<QRectF> screenFrames() const override;
  std::optional<QPointF> pointerLocation() const override;
};
