#pragma once

#include <filesystem>
#include <memory>

#include "platform/linux/pointer_settings.h"

// KDE's per-device settings in `kcminputrc` (normally
// $XDG_CONFIG_HOME/kcminputrc), read again whenever the file is replaced
// or written. Main thread only, with the Qt application made.
std::unique_ptr<TonnixPointerSettingsSource> makeKdePointerSettings(
    std::filesystem::path kcminputrc);
