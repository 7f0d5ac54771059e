#include <QStandardPaths>
#include <cstdio>

#include "app/set_transfer.h"
#include "cli/command_line.h"
#include "library/assignments.h"
#include "library/audible_sound.h"
#include "library/library.h"
#include "library/sound_theme_export.h"
#include "platform/linux/gsettings_sound_theme.h"
#include "platform/linux/plist_preferences_store.h"

// `tonnix theme export NAME`, `tonnix theme apply NAME` and `tonnix theme
// revert`: the classic sounds as the desktop's own sound theme.

namespace fs = std::filesystem;

namespace {

// A theme of that name installed outside the user's folder, which ours
// would hide.
std::optional<QString> sharedTheme(const std::string& slug) {
  const QString relative = QStringLiteral("sounds/") + QString::fromStdString(slug);
  const fs::path own = userSoundThemesDirectory() / slug;
  for (const auto& folder : QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, relative,
                                                      QStandardPaths::LocateDirectory)) {
    if (fs::path(folder.toStdString()) != own) return folder;
  }
  return std::nullopt;
}

int exportTheme(const TonnixCommandLine& line, const QString& name, bool withFeedback) {
  const std::string slug = soundThemeSlug(name.toStdString());
  if (const auto shared = sharedTheme(slug)) {
    return line.fail(QStringLiteral("A sound theme %1 is installed already in %2; choose another "
                                    "name.")
                         .arg(QString::fromStdString(slug), *shared));
  }
  TonnixPlistPreferencesStore preferences;
  TonnixLibrary library;
  TonnixAssignments assignments{preferences};
  TonnixSetTransfer transfer{library, assignments};
  transfer.ensureBaseline();
  const auto sources = exportSources(
      [&](TonnixSoundID soundID) { return audibleSoundURL(library, assignments, soundID); },
      assignments);
  const auto exported =
      exportSoundTheme(sources, name.toStdString(), userSoundThemesDirectory(), withFeedback);
  if (!exported) return line.fail(QString::fromStdString(exported.error().description()));
  QString text = QStringLiteral("Wrote the sound theme %1: %2 sounds, %3 converted to WAV")
                     .arg(QString::fromStdString(exported->slug))
                     .arg(exported->soundCount)
                     .arg(exported->convertedCount);
  if (exported->skippedCount > 0) {
    text += QStringLiteral(", %1 unreadable left out").arg(exported->skippedCount);
  }
  tonnixPrintLine(text + QStringLiteral(" in ") +
                  QString::fromStdString(exported->folder.string()));
  return 0;
}

int applyTheme(const TonnixCommandLine& line, const QString& name) {
  const QString slug = QString::fromStdString(soundThemeSlug(name.toStdString()));
  const QString index = QStringLiteral("sounds/") + slug + QStringLiteral("/index.theme");
  if (QStandardPaths::locate(QStandardPaths::GenericDataLocation, index).isEmpty()) {
    return line.fail(QStringLiteral("No sound theme %1 is installed; tonnix theme export %2 "
                                    "writes it.")
                         .arg(slug, name));
  }
  TonnixPlistPreferencesStore preferences;
  const auto applied = TonnixGSettingsSoundTheme(preferences).apply(slug);
  if (!applied) return line.fail(applied.error());
  tonnixPrintLine(QStringLiteral("The desktop's sound theme is now %1 (%2).")
                      .arg(slug, applied->join(QStringLiteral(", "))));
  return 0;
}

int revertTheme(const TonnixCommandLine& line) {
  TonnixPlistPreferencesStore preferences;
  const auto reverted = TonnixGSettingsSoundTheme(preferences).revert();
  if (!reverted) return line.fail(reverted.error());
  if (!reverted->restored.isEmpty()) {
    tonnixPrintLine(QStringLiteral("The desktop's sound theme is as it was before (%1).")
                        .arg(reverted->restored.join(QStringLiteral(", "))));
  }
  if (!reverted->kept.isEmpty()) {
    tonnixPrintLine(QStringLiteral("Kept the sound theme chosen since Tonnix applied its own: %1.")
                        .arg(reverted->kept.join(QStringLiteral(", "))));
  }
  return 0;
}

}  // namespace

int themeCommand(const QStringList& arguments) {
  TonnixCommandLine line("theme");
  const QCommandLineOption withFeedback(
      QStringLiteral("with-feedback"),
      QStringLiteral("Export: also the menu, button and window sounds, which Tonnix plays "
                     "itself while it runs."));
  line.addOption(withFeedback);
  if (const auto status = line.parse(arguments, 1, 2)) return *status;
  const QStringList positional = line.positional();
  const QString action = positional.front();
  const bool hasName = positional.size() == 2;
  if (action == QLatin1String("revert") && !hasName) return revertTheme(line);
  if (action == QLatin1String("export") && hasName) {
    if (positional.back().trimmed().isEmpty()) {
      return line.fail(QStringLiteral("The name is empty."));
    }
    return exportTheme(line, positional.back(), line.isSet(withFeedback.names().front()));
  }
  if (action == QLatin1String("apply") && hasName) return applyTheme(line, positional.back());
  return line.fail(QStringLiteral("expected export NAME, apply NAME or revert; usage: tonnix "
                                  "theme (export [--with-feedback] NAME | apply NAME | revert)"),
                   TonnixCommandLine::usageStatus);
}
