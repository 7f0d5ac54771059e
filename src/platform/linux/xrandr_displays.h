#pragma once

#include <QRect>
#include <optional>
#include <vector>

class TonnixX11Connection;
struct _XDisplay;

// The displays of the X server through its RandR extension: the areas of
// the screen its active outputs show. The configuration is read once and
// again only after the server announced a change, so asking costs no round
// trip in between; reading never probes the hardware. Main thread only.
class TonnixXRandRDisplays {
 public:
  // `connection` must outlive it.
  explicit TonnixXRandRDisplays(TonnixX11Connection& connection);

  // One area per active output, in root-window coordinates; several
  // outputs may show the same area. Without RandR the whole screen is one
  // output; without an X server there is none.
  std::vector<QRect> outputs();

 private:
  static bool hasChanged(_XDisplay* display);
  static std::vector<QRect> read(_XDisplay* display);

  TonnixX11Connection& connection_;
  bool hasRandR_ = false;
  std::optional<std::vector<QRect>> outputs_;
};
