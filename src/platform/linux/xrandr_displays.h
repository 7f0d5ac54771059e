#pragma once

#include <QRect>
#include <vector>

class TonnixX11Connection;

// The displays of the X server through its RandR extension: the areas of
// the screen its active outputs show. Reads the server's current
// configuration without probing the hardware, so asking is one round trip.
// Main thread only.
class TonnixXRandRDisplays {
 public:
  // `connection` must outlive it.
  explicit TonnixXRandRDisplays(TonnixX11Connection& connection);

  // One area per active output, in root-window coordinates; several
  // outputs may show the same area. Without RandR the whole screen is one
  // output; without an X server there is none.
  std::vector<QRect> outputs();

 private:
  TonnixX11Connection& connection_;
  bool hasRandR_ = false;
};
