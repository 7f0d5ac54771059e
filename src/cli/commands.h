#pragma once

#include <QStringList>
#include <filesystem>
#include <vector>

// One subcommand of the `tonnix` program: its arguments after the command
// name; the return value is the process's exit status.
using TonnixCommand = int (*)(const QStringList& arguments);

int catalogueCommand(const QStringList& arguments);
int setsCommand(const QStringList& arguments);
int importCommand(const QStringList& arguments);
int exportCommand(const QStringList& arguments);
int themeCommand(const QStringList& arguments);
int removeCommand(const QStringList& arguments);
int baselineCommand(const QStringList& arguments);
int assignCommand(const QStringList& arguments);
int selectionCommand(const QStringList& arguments);
int mappingsCommand(const QStringList& arguments);
int runCommand(const QStringList& arguments);
int convertCommand(const QStringList& arguments);
int playCommand(const QStringList& arguments);
int quitCommand(const QStringList& arguments);
int updateKeysCommand(const QStringList& arguments);
// The application: listens in the background and shows the settings window
// when asked; `startedByBus` when the session bus started it for a launcher.
int applicationCommand(const std::vector<std::filesystem::path>& files, bool startedByBus);
