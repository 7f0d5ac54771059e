#pragma once

class TonnixAccessibilityStatus;
class TonnixApplicationDirectory;
class TonnixAutostart;
class TonnixController;
class TonnixSilenceMonitor;
class TonnixUpdater;

// What the settings window shows and changes. The controller leads to the
// player, the library, the assignments and the sound log; the rest it does
// not own. Everything must outlive the window.
struct TonnixSettingsModel {
  TonnixController& tonnix;
  TonnixSilenceMonitor& silence;
  TonnixAccessibilityStatus& accessibility;
  TonnixAutostart& autostart;
  // Where an application to exclude is chosen from.
  const TonnixApplicationDirectory& applications;
  TonnixUpdater& updater;
};
