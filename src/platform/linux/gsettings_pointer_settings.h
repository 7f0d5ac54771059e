#pragma once

#include <memory>

#include "platform/linux/pointer_settings.h"

// GNOME's settings for mice and touchpads, followed as they change; null
// where GNOME's schemas are not installed. Main thread only.
std::unique_ptr<TonnixPointerSettingsSource> makeGSettingsPointerSettings();
