#pragma once

#include <functional>

#include "platform/workspace.h"

using GVolumeMonitor = struct _GVolumeMonitor;

// Mounts and unmounts as GIO's volume monitor hears them (removable
// disks, network shares, disk images), told from the event loop (GLib's
// main context, which Qt's Linux event loop runs). Main thread only.
class TonnixGioVolumes {
 public:
  using Handler = std::function<void(TonnixVolumeChange change, const TonnixVolume& volume)>;

  explicit TonnixGioVolumes(Handler handler);
  ~TonnixGioVolumes();
  TonnixGioVolumes(const TonnixGioVolumes&) = delete;
  TonnixGioVolumes& operator=(const TonnixGioVolumes&) = delete;

 private:
  static void mountAdded(GVolumeMonitor* monitor, void* mount, void* self);
  static void mountRemoved(GVolumeMonitor* monitor, void* mount, void* self);
  void tell(TonnixVolumeChange change, void* mount);

  Handler handler_;
  GVolumeMonitor* monitor_ = nullptr;
};
