#pragma once

#include <QString>

#include "catalogue/sound_id.h"

// What the settings window calls an event and the element it concerned, in
// the Linux desktop's words: the catalogue's name of the sound the event
// plays ("Menu Open") and AT-SPI's name of the element's role
// ("menu item "Cut""). The raw notification names stay in tooltips and in
// `tonnix run --monitor`, which scripts read.

// The display name of the sound, or the notification's own name for a
// sound outside the catalogue.
QString eventDisplayName(const QString& notificationName, TonnixSoundID soundID);

// A logged element description (`AXMenuItem "Cut" a menu item`) with the
// role said as AT-SPI says it and first (`menu item "Cut"`); the rest, and
// any text not in that form, is kept as it is.
QString elementInDesktopWords(const QString& description);
