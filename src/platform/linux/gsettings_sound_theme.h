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
class TonnixGSettingsSoundTheme {
 public:
  explicit TonnixGSettingsSoundTheme(TonnixPreferencesStore& preferences)
      : preferences_(preferences) {}

  // Makes `theme` the sound theme wherever the setting exists; gives one
  // line per desktop changed, or why none was.
  TonnixExpected<QStringList, QString> apply(const QString& theme);
  // Restores what apply remembered and forgets it; gives one line per
  // desktop restored, or why nothing was.
  TonnixExpected<QStringList, QString> revert();

  // Where the values as they were are kept.
  static const QString rememberedKey;

 private:
  TonnixPreferencesStore& preferences_;
};
