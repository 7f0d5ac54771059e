#pragma once

#include <QString>
#include <optional>

#include "platform/accessibility.h"

// Whether a notification about `element` of this application makes no
// sound: the desktop drawn by the file manager (or the menu bar agent)
// reports itself as an editable text area named "desktop", and every change
// of it would otherwise chime.
bool isIgnoredElement(TonnixAccessibility& accessibility,
                      const std::optional<QString>& bundleIdentifier,
                      const TonnixAXElement& element);
