#include <cstdio>
#include <set>
#include <string>

#include "catalogue/catalogue.h"
#include "cli/commands.h"
#include "library/assignments.h"
#include "library/library.h"
#include "platform/linux/plist_preferences_store.h"

// The set library and the assignments from the command line: the user's
// sets folder and preferences as the application sees them.

namespace {

int fail(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
  return 1;
}

int usage(const char* arguments) {
  std::fprintf(stderr, "usage: tonnix %s\n", arguments);
  return 2;
}

std::filesystem::path pathArgument(const QString& argument) {
  return std::filesystem::path(argument.toStdString());
}

std::string noSuchSet(const std::string& identifier) {
  return "No installed set has the identifier " + identifier;
}

std::optional<TonnixSoundID> soundIDArgument(const QString& argument) {
  return TonnixSoundID::fromText(argument.toUtf8().toStdString());
}

std::string notASoundID(const QString& argument) {
  return argument.toStdString() + " is not a four-character sound identifier";
}

}  // namespace

int setsCommand(const QStringList& arguments) {
  if (!arguments.isEmpty()) return usage("sets");
  const TonnixLibrary library;
  for (const auto& bundle : library.bundles()) {
    std::printf("%s\t%s\t%s\t%zu\n", bundle->metadata().name.c_str(),
                bundle->metadata().identifier.c_str(), bundle->isBuiltIn() ? "builtin" : "user",
                bundle->soundURLsByID().size());
  }
  for (const auto& failure : library.loadFailures()) {
    std::printf("failed: %s\n", qPrintable(failure));
  }
  return 0;
}

int baselineCommand(const QStringList& arguments) {
  if (arguments.size() > 1) return usage("baseline [IDENTIFIER]");
  TonnixPlistPreferencesStore preferences;
  TonnixAssignments assignments(preferences);
  if (arguments.isEmpty()) {
    std::printf("%s\n", assignments.storedBaselineIdentifier().value_or("none").c_str());
    return 0;
  }
  const std::string identifier = arguments.front().toStdString();
  if (!TonnixLibrary().bundleWithIdentifier(std::string_view(identifier))) {
    return fail(noSuchSet(identifier));
  }
  assignments.setBaselineIdentifier(identifier);
  return 0;
}

int assignCommand(const QStringList& arguments) {
  if (arguments.size() != 2) return usage("assign CODE (baseline|silent|set:IDENTIFIER|FILE)");
  const auto soundID = soundIDArgument(arguments[0]);
  if (!soundID) return fail(notASoundID(arguments[0]));
  const QString& value = arguments[1];
  TonnixPlistPreferencesStore preferences;
  TonnixAssignments assignments(preferences);
  if (value == QLatin1String("baseline")) {
    assignments.setSelection(TonnixSelection::baseline(), *soundID);
  } else if (value == QLatin1String("silent")) {
    assignments.setSelection(TonnixSelection::silent(), *soundID);
  } else if (value.startsWith(QLatin1String("set:"))) {
    const std::string identifier = value.mid(4).toStdString();
    if (!TonnixLibrary().bundleWithIdentifier(std::string_view(identifier))) {
      return fail(noSuchSet(identifier));
    }
    assignments.setSelection(TonnixSelection::set(identifier), *soundID);
  } else if (auto chosen = assignments.setCustomSound(pathArgument(value), *soundID); !chosen) {
    return fail(chosen.error().description());
  }
  return 0;
}

int selectionCommand(const QStringList& arguments) {
  if (arguments.size() > 1) return usage("selection [CODE]");
  TonnixPlistPreferencesStore preferences;
  const TonnixAssignments assignments(preferences);
  if (arguments.size() == 1) {
    const auto soundID = soundIDArgument(arguments[0]);
    if (!soundID) return fail(notASoundID(arguments[0]));
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
