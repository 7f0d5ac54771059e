#include "platform/linux/gio_volumes.h"

// GIO names a structure member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

#include <utility>

TonnixGioVolumes::TonnixGioVolumes(Handler handler)
    : handler_(std::move(handler)), monitor_(g_volume_monitor_get()) {
  g_signal_connect(monitor_, "mount-added", G_CALLBACK(&TonnixGioVolumes::mountAdded), this);
  g_signal_connect(monitor_, "mount-removed", G_CALLBACK(&TonnixGioVolumes::mountRemoved), this);
}

TonnixGioVolumes::~TonnixGioVolumes() {
  g_signal_handlers_disconnect_by_data(monitor_, this);
  g_object_unref(monitor_);
}

void TonnixGioVolumes::mountAdded(GVolumeMonitor*, void* mount, void* self) {
  static_cast<TonnixGioVolumes*>(self)->tell(TonnixVolumeChange::mounted, mount);
}

void TonnixGioVolumes::mountRemoved(GVolumeMonitor*, void* mount, void* self) {
  static_cast<TonnixGioVolumes*>(self)->tell(TonnixVolumeChange::unmounted, mount);
}

void TonnixGioVolumes::tell(TonnixVolumeChange change, void* mount) {
  auto* gmount = G_MOUNT(mount);
  TonnixVolume volume;
  if (char* name = g_mount_get_name(gmount)) {
    volume.localizedName = QString::fromUtf8(name);
    g_free(name);
  }
  if (GFile* root = g_mount_get_root(gmount)) {
    if (char* path = g_file_get_path(root)) {
      volume.url = std::filesystem::path(path);
      g_free(path);
    }
    g_object_unref(root);
  }
  handler_(change, volume);
}
