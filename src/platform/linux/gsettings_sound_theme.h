#pragma once

#include <QString>
#include <QStringList>

#include "platform/preferences_store.h"
#include "support/expected.h"

// The desktop's own sound theme setting: GNOME and its relatives (Cinnamon,
// Budgie, Unity) and MATE through GSettings, Xfce through xfconf. Applying
// remembers each value as it was (or that it was never set) in Tonnix's
// preferences, the first time only, so that revert puts back exactly what
// the user had, however often a theme was applied in between. Event sounds
// are switched on with the theme, since a theme is silent without them.
// Revert leaves a desktop alone whose theme is no longer the one Tonnix
// applied: the user chose another since.
struct TonnixSoundThemeRevert {
  QStringList restored;  // the desktops put back as they were
  QStringList kept;      // "GNOME (yaru)": desktops with a theme chosen since
};

class TonnixGSettingsSoundTheme {
 public:
  explicit TonnixGSettingsSoundTheme(TonnixPreferencesStore& preferences)
      : preferences_(preferences) {}

  // Makes `theme` the sound theme wherever the setting exists; gives one
  // line per desktop changed, or why none was.
  TonnixExpected<QStringList, QString> apply(const QString& theme);
  // Restores what apply remembered where the desktop still has the theme
  // applied, and forgets it; or why nothing was.
  TonnixExpected<TonnixSoundThemeRevert, QString> revert();

  // Where the values as they were are kept, and the theme last applied.
  static const QString rememberedKey;
  static const QString appliedKey;

 private:
  TonnixPreferencesStore& preferences_;
};
