#include "library/sound_theme_names.h"

namespace {

constexpr bool feedback = true;
constexpr bool event = false;

}  // namespace

const std::vector<TonnixThemeSoundName>& themeSoundNames() {
  static const std::vector<TonnixThemeSoundName> names = {
      // Alerts and desktop events: what the desktop tells, not what the user did.
      {"bell", TonnixSoundID("aopn"), event},
      {"dialog-warning", TonnixSoundID("aopn"), event},
      {"dialog-error", TonnixSoundID("aopn"), event},
      {"dialog-information", TonnixSoundID("dopn"), event},
      {"trash-empty", TonnixSoundID("ftrs"), event},
      {"file-trash", TonnixSoundID("!mot"), event},
      {"device-added", TonnixSoundID("dski"), event},
      {"device-removed", TonnixSoundID("dske"), event},
      {"complete-copy", TonnixSoundID("fcpd"), event},
      // Input feedback.
      {"menu-popup", TonnixSoundID("mnuo"), feedback},
      {"menu-popdown", TonnixSoundID("mnuc"), feedback},
      {"menu-click", TonnixSoundID("mnus"), feedback},
      {"tooltip-popup", TonnixSoundID("blno"), feedback},
      {"tooltip-popdown", TonnixSoundID("blnc"), feedback},
      {"window-new", TonnixSoundID("wopn"), feedback},
      {"window-close", TonnixSoundID("wcls"), feedback},
      {"window-minimized", TonnixSoundID("wcol"), feedback},
      {"window-unminimized", TonnixSoundID("wexp"), feedback},
      {"window-maximized", TonnixSoundID("wzmo"), feedback},
      {"window-unmaximized", TonnixSoundID("wzmi"), feedback},
      {"button-pressed", TonnixSoundID("btnp"), feedback},
      {"button-released", TonnixSoundID("btnr"), feedback},
      {"notebook-tab-changed", TonnixSoundID("tabp"), feedback},
      {"expander-toggle-on", TonnixSoundID("dscp"), feedback},
      {"expander-toggle-off", TonnixSoundID("dscp"), feedback},
      {"item-selected", TonnixSoundID("fsel"), feedback},
      {"drag-start", TonnixSoundID("dtBE"), feedback},
      {"drag-accept", TonnixSoundID("dtdr"), feedback},
      {"scroll-up-end", TonnixSoundID("sbte"), feedback},
      {"scroll-down-end", TonnixSoundID("sbte"), feedback},
  };
  return names;
}

const TonnixThemeSoundName* themeSoundNamed(std::string_view name) {
  for (const auto& row : themeSoundNames()) {
    if (row.name == name) return &row;
  }
  return nullptr;
}
