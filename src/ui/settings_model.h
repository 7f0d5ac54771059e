#pragma once

class TonnixAccessibilityStatus;
class TonnixAutostart;
class TonnixController;
class TonnixSilenceMonitor;

// What the settings window shows and changes. The controller leads to the
// player, the library and the assignments; the rest it does not own.
// Everything must outlive the window.
struct TonnixSettingsModel {
  TonnixController& tonnix;
  TonnixSilenceMonitor& silence;
  TonnixAccessibilityStatus& accessibility;
  TonnixAutostart& autostart;
};
