#include <cstdio>
#include <set>
#include <string>

#include "catalogue/catalogue.h"
#include "cli/command_line.h"
#include "library/assignments.h"
#include "library/library.h"
#include "platform/linux/plist_preferences_store.h"

// The set library and the assignments from the command line: the user's
// sets folder and preferences as the application sees them.

namespace {

QString noSuchSet(const std::string& identifier) {
  return QStringLiteral("No installed set has the identifier ") +
         QString::fromStdString(identifier);
}

std::optional<TonnixSoundID> soundIDArgument(const QString& argument) {
  return TonnixSoundID::fromText(argument.toUtf8().toStdString());
}

QString notASoundID(const QString& argument) {
  return argument + QStringLiteral(" is not a four-character sound identifier");
}

// A change that stayed in memory only is a failure, whatever the command did.
int saved(const TonnixCommandLine& line, const TonnixPreferencesStore& preferences) {
  const auto failure = preferences.writeFailure();
  return failure ? line.fail(*failure) : 0;
}

}  // namespace

int setsCommand(const QStringList& arguments) {
  TonnixCommandLine line("sets");
  if (const auto status = line.parse(arguments, 0, 0)) return *status;
  const TonnixLibrary library;
  for (const auto& bundle : library.bundles()) {
    std::printf("%s\t%s\t%s\t%zu\n", bundle->metadata().name.c_str(),
                bundle->metadata().identifier.c_str(), bundle->isBuiltIn() ? "builtin" : "user",
                bundle->soundURLsByID().size());
  }
  for (const auto& failure : library.loadFailures()) line.fail(failure);
  return 0;
}

int baselineCommand(const QStringList& arguments) {
  TonnixCommandLine line("baseline");
  if (const auto status = line.parse(arguments, 0, 1)) return *status;
  TonnixPlistPreferencesStore preferences;
  TonnixAssignments assignments(preferences);
  if (line.positional().isEmpty()) {
    std::printf("%s\n", assignments.storedBaselineIdentifier().value_or("none").c_str());
    return 0;
  }
  const std::string identifier = line.positional().front().toStdString();
  if (!TonnixLibrary().bundleWithIdentifier(std::string_view(identifier))) {
    return line.fail(noSuchSet(identifier));
  }
  assignments.setBaselineIdentifier(identifier);
  return saved(line, preferences);
}

int assignCommand(const QStringList& arguments) {
  TonnixCommandLine line("assign");
  if (const auto status = line.parse(arguments, 2, 2)) return *status;
  const QStringList values = line.positional();
  const auto soundID = soundIDArgument(values[0]);
  if (!soundID) return line.fail(notASoundID(values[0]));
  const QString& value = values[1];
  TonnixPlistPreferencesStore preferences;
  TonnixAssignments assignments(preferences);
  if (value == QLatin1String("baseline")) {
    assignments.setSelection(TonnixSelection::baseline(), *soundID);
  } else if (value == QLatin1String("silent")) {
    assignments.setSelection(TonnixSelection::silent(), *soundID);
  } else if (value.startsWith(QLatin1String("set:"))) {
    const std::string identifier = value.mid(4).toStdString();
    if (!TonnixLibrary().bundleWithIdentifier(std::string_view(identifier))) {
      return line.fail(noSuchSet(identifier));
    }
    assignments.setSelection(TonnixSelection::set(identifier), *soundID);
  } else {
    const auto file = tonnixAbsolutePath(value);
    if (const auto missing = tonnixMissingPath(file)) return line.fail(*missing);
    if (const auto chosen = assignments.setCustomSound(file, *soundID); !chosen) {
      return line.fail(QString::fromStdString(chosen.error().description()));
    }
  }
  return saved(line, preferences);
}

int selectionCommand(const QStringList& arguments) {
  TonnixCommandLine line("selection");
  if (const auto status = line.parse(arguments, 0, 1)) return *status;
  TonnixPlistPreferencesStore preferences;
  const TonnixAssignments assignments(preferences);
  if (!line.positional().isEmpty()) {
    const QString& code = line.positional().front();
    const auto soundID = soundIDArgument(code);
    if (!soundID) return line.fail(notASoundID(code));
    std::printf("%s\n", assignments.selectionFor(*soundID).description().c_str());
    return 0;
  }
  std::set<TonnixSoundID> listed;
  for (const auto& entry : allEntries()) {
    if (!listed.insert(entry.soundID).second) continue;
    std::printf("%s\t%s\n", entry.soundID.description().c_str(),
                assignments.selectionFor(entry.soundID).description().c_str());
  }
  return 0;
}
