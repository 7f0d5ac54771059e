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

// Whether Qt's GUI application can be made here: an X server answers (an
// X11 session, or XWayland). Qt ends the process when its display cannot
// be reached, so this is asked first.
bool tonnixCanReachDisplay();
