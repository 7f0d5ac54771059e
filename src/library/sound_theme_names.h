#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "catalogue/sound_id.h"

// The desktop's own sound vocabulary (the names libcanberra, GTK and the
// desktops ask a sound theme for) against Tonnix's identifiers, chosen by
// what each sound is for. Several names may share one identifier; an
// identifier or name without a good counterpart has no row.
struct TonnixThemeSoundName {
  std::string_view name;
  TonnixSoundID soundID;
  // Menus, buttons, windows and other direct answers to the user's input,
  // which Tonnix itself plays while it runs; a theme leaves them out unless
  // asked, so that one action never sounds twice.
  bool isInputFeedback;
};

// Every row, in the order a theme is written.
const std::vector<TonnixThemeSoundName>& themeSoundNames();
// The row of a theme sound name; nothing when the name is not mapped.
const TonnixThemeSoundName* themeSoundNamed(std::string_view name);
