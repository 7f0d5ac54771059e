#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <optional>
#include <vector>

#include "cli/commands.h"

// One subcommand of `tonnix`: its name, what follows the name in its usage,
// and one line on what it does.
struct TonnixCommandInfo {
  const char* name;
  const char* synopsis;
  const char* summary;
  TonnixCommand run;
};

// Every subcommand, in the order `tonnix --help` lists them.
const std::vector<TonnixCommandInfo>& tonnixCommands();
const TonnixCommandInfo* tonnixCommandNamed(const QString& name);

// What `tonnix --help` prints: how to start Tonnix, and one line per command.
QString tonnixUsage();

// The command line of one subcommand, read by QCommandLineParser: -h and
// --help print the command's usage on standard output; an unknown option
// or a wrong number of arguments is one line on standard error. Every line
// a command writes on standard error starts "tonnix COMMAND: ".
class TonnixCommandLine {
 public:
  // The exit status of a command line that is not understood.
  static constexpr int usageStatus = 2;

  explicit TonnixCommandLine(const char* command);

  void addOption(const QCommandLineOption& option) { parser_.addOption(option); }
  // Reads the arguments after the command name, which must leave between
  // `minimum` and `maximum` (-1: any number) positional arguments. Gives
  // the exit status to end with at once (0 after --help), or nothing when
  // the command goes on.
  std::optional<int> parse(const QStringList& arguments, int minimum, int maximum);
  QStringList positional() const { return parser_.positionalArguments(); }
  bool isSet(const QString& option) const { return parser_.isSet(option); }
  QString value(const QString& option) const { return parser_.value(option); }

  // Writes "tonnix COMMAND: " and `message` on standard error; gives `status`.
  int fail(const QString& message, int status = 1) const;
  QString helpText() const;

 private:
  const TonnixCommandInfo& info_;
  QCommandLineParser parser_;
};

// Writes `line` on standard output at once, so that a reader of a pipe
// sees each line as it comes.
void tonnixPrintLine(const QString& line);

// A path from the command line made absolute and clean, so that "." or
// "sounds/.." name the folder itself, by its own name.
std::filesystem::path tonnixAbsolutePath(const QString& argument);
// "PATH: No such file or directory" when nothing is at `path`, as the
// shell's own tools say it; nothing when something is.
std::optional<QString> tonnixMissingPath(const std::filesystem::path& path);
