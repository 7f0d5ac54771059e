#include "cli/command_line.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace {

// Not a command of its own: main answers it before any command runs.
int helpCommand(const QStringList&) {
  return 0;
}

QString usageLine(const TonnixCommandInfo& info) {
  QString line = QStringLiteral("tonnix ") + QString::fromLatin1(info.name);
  if (*info.synopsis) line += u' ' + QString::fromLatin1(info.synopsis);
  return line;
}

}  // namespace

const std::vector<TonnixCommandInfo>& tonnixCommands() {
  static const std::vector<TonnixCommandInfo> commands = {
      {"sets", "", "Lists the installed sound sets.", setsCommand},
      {"import", "PATH...",
       "Installs sound sets, folders of sounds, classic sound set files and archives of them.",
       importCommand},
      {"export", "[--replace] DESTINATION", "Saves every sound that plays now as a new sound set.",
       exportCommand},
      {"theme", "(export [--with-feedback] NAME | apply NAME | revert)",
       "Writes the sounds as the desktop's sound theme, applies it, or reverts it.", themeCommand},
      {"remove", "IDENTIFIER", "Moves an installed sound set to the trash.", removeCommand},
      {"convert", "CLASSIC_FILE OUT_FOLDER",
       "Converts a classic sound set file into a sound set in OUT_FOLDER.", convertCommand},
      {"baseline", "[IDENTIFIER]", "Prints or chooses the set every event plays from.",
       baselineCommand},
      {"assign", "CODE (baseline|silent|set:IDENTIFIER|FILE)", "Chooses what one event plays.",
       assignCommand},
      {"selection", "[CODE]", "Prints what each event plays, or one event.", selectionCommand},
      {"play", "CODE", "Plays an event's sound as the settings window's Preview does.",
       playCommand},
      {"run", "[--monitor] [--simulate SCRIPT]",
       "Listens to the desktop and plays its sounds, without a window.", runCommand},
      {"quit", "", "Ends the Tonnix running in this session.", quitCommand},
      {"catalogue", "", "Prints every sound Tonnix knows: code, value, file name, category, flags.",
       catalogueCommand},
      {"mappings", "", "Prints which sounds each accessibility notification plays.",
       mappingsCommand},
      {"update-keys", "(generate KEY_FILE | sign KEY_FILE ARCHIVE)",
       "Makes the key updates are signed with, or signs an update for the update feed.",
       updateKeysCommand},
      {"help", "[COMMAND]", "Prints this help, or a command's.", helpCommand},
  };
  return commands;
}

const TonnixCommandInfo* tonnixCommandNamed(const QString& name) {
  for (const auto& command : tonnixCommands()) {
    if (name == QLatin1String(command.name)) return &command;
  }
  return nullptr;
}

QString tonnixUsage() {
  QString text = QStringLiteral(
      "Usage: tonnix [FILE...]\n"
      "       tonnix COMMAND [ARGUMENTS...]\n\n"
      "Without a command, starts Tonnix (or shows the settings window of the one running),\n"
      "importing the sound set files given.\n\n"
      "Commands:\n");
  for (const auto& command : tonnixCommands()) {
    text += QStringLiteral("  %1%2\n")
                .arg(QString::fromLatin1(command.name), -13)
                .arg(QString::fromLatin1(command.summary));
  }
  return text + QStringLiteral(
                    "\nOptions:\n"
                    "  -h, --help     Prints this help.\n"
                    "  --version      Prints the version.\n\n"
                    "tonnix help COMMAND (or tonnix COMMAND --help) tells more about a command.\n");
}

TonnixCommandLine::TonnixCommandLine(const char* command) : info_(*tonnixCommandNamed(command)) {
  parser_.addOption(
      {{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Prints this help.")});
}

std::optional<int> TonnixCommandLine::parse(const QStringList& arguments, int minimum,
                                            int maximum) {
  if (!parser_.parse(QStringList{usageLine(info_)} + arguments)) {
    return fail(parser_.errorText(), usageStatus);
  }
  if (parser_.isSet(QStringLiteral("help"))) {
    std::fputs(qPrintable(helpText()), stdout);
    return 0;
  }
  const auto count = parser_.positionalArguments().size();
  const QString usage = QStringLiteral("; usage: ") + usageLine(info_);
  if (count < minimum) return fail(QStringLiteral("missing arguments") + usage, usageStatus);
  if (maximum >= 0 && count > maximum) {
    return fail(QStringLiteral("unexpected argument '") +
                    parser_.positionalArguments().at(maximum) + u'\'' + usage,
                usageStatus);
  }
  return std::nullopt;
}

int TonnixCommandLine::fail(const QString& message, int status) const {
  std::fprintf(stderr, "tonnix %s: %s\n", info_.name, qPrintable(message));
  return status;
}

QString TonnixCommandLine::helpText() const {
  // The parser's own text after its usage line: the options.
  const QString parsers = parser_.helpText();
  const QString options = parsers.mid(parsers.indexOf(QLatin1String("\n\n")) + 2);
  return QStringLiteral("Usage: ") + usageLine(info_) + QStringLiteral("\n\n") +
         QString::fromLatin1(info_.summary) + QStringLiteral("\n\n") + options;
}

std::filesystem::path tonnixAbsolutePath(const QString& argument) {
  return QDir::cleanPath(QFileInfo(argument).absoluteFilePath()).toStdString();
}

std::optional<QString> tonnixMissingPath(const std::filesystem::path& path) {
  std::error_code error;
  if (std::filesystem::exists(std::filesystem::symlink_status(path, error))) return std::nullopt;
  return QString::fromStdString(path.string()) + QStringLiteral(": ") +
         QString::fromStdString(
             std::make_error_code(std::errc::no_such_file_or_directory).message());
}

void tonnixPrintLine(const QString& line) {
  std::printf("%s\n", qPrintable(line));
  std::fflush(stdout);
}
