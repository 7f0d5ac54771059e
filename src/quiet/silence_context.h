#pragma once

#include <QRectF>
#include <vector>

#include "platform/silence_probes.h"

// What the window-based silence tests look at: the on-screen windows and
// the bounds of the active displays. Built once per decision, and only when
// a window-based reason is chosen.
struct TonnixSilenceContext {
  std::vector<TonnixWindowDescription> windows;
  std::vector<QRectF> displays;

  friend bool operator==(const TonnixSilenceContext&, const TonnixSilenceContext&) = default;
};
