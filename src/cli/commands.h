#pragma once

#include <QStringList>

// One subcommand of the `tonnix` program: its arguments after the command
// name; the return value is the process's exit status.
using TonnixCommand = int (*)(const QStringList& arguments);

int catalogueCommand(const QStringList& arguments);
