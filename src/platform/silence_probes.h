#pragma once

#include <QRectF>
#include <cstdint>
#include <vector>

// One on-screen window as the window-based silence tests see it.
struct TonnixWindowDescription {
  std::int32_t processIdentifier = 0;
  // 0 for ordinary windows; higher for panels, docks, screen savers.
  int layer = 0;
  // Global display coordinates, origin at the top left.
  QRectF bounds;
  double alpha = 1.0;

  friend bool operator==(const TonnixWindowDescription&, const TonnixWindowDescription&) = default;
};

// The yes/no questions behind the reasons to keep quiet, put to the desktop.
// Every question answers "no" when the desktop cannot tell, so a broken
// query never silences Tonnix. Main thread only; no question blocks on
// anything slow (slow facts are fetched in the background and cached).
class TonnixSilenceProbe {
 public:
  virtual ~TonnixSilenceProbe() = default;

  // The output is muted or at zero volume, or Tonnix will not be heard.
  virtual bool isAudioHeldBack() = 0;
  // A display is mirrored, or the screen is being shared or recorded.
  virtual bool isDisplayShared() = 0;
  // A game session runs, or a game in front has a display to itself.
  virtual bool isGameModeActive(const std::vector<TonnixWindowDescription>& windows,
                                const std::vector<QRectF>& displays) = 0;
  // Any input device is recording.
  virtual bool isMicrophoneInUse() = 0;
  // Another process keeps the display awake, as video players do.
  virtual bool isVideoPlaying() = 0;
  // The desktop's Do Not Disturb is on.
  virtual bool isFocusActive() = 0;
  // Whether the desktop's notification server is one whose Do Not Disturb
  // can be read at all; where it is not, isFocusActive() always says no.
  virtual bool canTellFocus() { return true; }
  // Some application has a display to itself.
  virtual bool isApplicationFullscreen(const std::vector<TonnixWindowDescription>& windows,
                                       const std::vector<QRectF>& displays) = 0;

  // The on-screen windows, front to back.
  virtual std::vector<TonnixWindowDescription> windowDescriptions() = 0;
  // The bounds of the active displays.
  virtual std::vector<QRectF> displayBounds() = 0;
  // Do Not Disturb was chosen as a reason to keep quiet: the next question
  // about it asks the desktop afresh.
  virtual void requestFocusAuthorization() = 0;
};
