#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include "cli/commands.h"
#include "platform/linux/qt_screens.h"

namespace {

const std::map<QString, TonnixCommand>& commands() {
  static const std::map<QString, TonnixCommand> table = {
      {QStringLiteral("catalogue"), catalogueCommand},
      {QStringLiteral("convert"), convertCommand},
      {QStringLiteral("sets"), setsCommand},
      {QStringLiteral("import"), importCommand},
      {QStringLiteral("export"), exportCommand},
      {QStringLiteral("baseline"), baselineCommand},
      {QStringLiteral("assign"), assignCommand},
      {QStringLiteral("selection"), selectionCommand},
      {QStringLiteral("mappings"), mappingsCommand},
      {QStringLiteral("run"), runCommand},
      {QStringLiteral("play"), playCommand},
      {QStringLiteral("quit"), quitCommand},
  };
  return table;
}

int usage() {
  std::fprintf(stderr, "usage: tonnix [FILE...]\n       tonnix COMMAND [ARGUMENTS...]\ncommands:");
  for (const auto& [name, command] : commands()) std::fprintf(stderr, " %s", qPrintable(name));
  std::fprintf(stderr, "\n");
  return 2;
}

// Without a command, or with files, the arguments start the application.
bool startsApplication(int argc, char** argv) {
  return argc == 1 || commands().find(QString::fromLocal8Bit(argv[1])) == commands().end();
}

// Watching the real desktop places each sound where it happened on the
// screens, which only Qt's GUI application knows, and the application has a
// window; every other command, and a session without a display, runs
// without one.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv, bool startsApp) {
  const bool watchesDesktop = startsApp || (std::strcmp(argv[1], "run") == 0 &&
                                            std::none_of(argv + 2, argv + argc, [](const char* a) {
                                              return std::strcmp(a, "--simulate") == 0;
                                            }));
  const bool hasWayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
  const bool hasX = tonnixCanReachDisplay();
  if (!watchesDesktop || (!hasX && !hasWayland)) {
    return std::make_unique<QCoreApplication>(argc, argv);
  }
  // Clicks are heard through the X server (XWayland on Wayland), so
  // positions should come from the same one.
  if (hasX && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
  if (startsApp) return std::make_unique<QApplication>(argc, argv);
  return std::make_unique<QGuiApplication>(argc, argv);
}

// `tonnix [--service] [FILE...]`; files must exist, so that a mistyped
// command is not taken for a set to import.
int startApplication(QStringList arguments) {
  const bool startedByBus = arguments.removeAll(QStringLiteral("--service")) > 0;
  std::vector<std::filesystem::path> files;
  for (const QString& argument : arguments) {
    if (!QFileInfo::exists(argument)) {
      std::fprintf(stderr, "tonnix: %s is neither a command nor a file\n", qPrintable(argument));
      return usage();
    }
    files.emplace_back(argument.toStdString());
  }
  return applicationCommand(files, startedByBus);
}

}  // namespace

int main(int argc, char** argv) {
  const bool startsApp = startsApplication(argc, argv);
  const auto app = makeApplication(argc, argv, startsApp);
  QCoreApplication::setApplicationName(QStringLiteral("tonnix"));
  QCoreApplication::setOrganizationDomain(QStringLiteral("tonnix.org"));
  QCoreApplication::setApplicationVersion(QStringLiteral(TONNIX_VERSION));
  QStringList arguments = QCoreApplication::arguments().mid(1);
  if (startsApp) return startApplication(arguments);
  return commands().at(arguments.takeFirst())(arguments);
}
