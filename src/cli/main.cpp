#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cli/command_line.h"
#include "platform/linux/glib_log.h"
#include "platform/linux/openal_soft_setup.h"
#include "platform/linux/qt_screens.h"

namespace {

bool isHelp(const QString& argument) {
  return argument == QLatin1String("--help") || argument == QLatin1String("-h") ||
         argument == QLatin1String("help");
}

// Without a command, or with files, the arguments start the application.
bool startsApplication(int argc, char** argv) {
  if (argc == 1) return true;
  const QString first = QString::fromLocal8Bit(argv[1]);
  return !tonnixCommandNamed(first) && !isHelp(first) && first != QLatin1String("--version");
}

// Watching the real desktop places each sound where it happened on the
// screens, which only Qt's GUI application knows, and the application has a
// window; every other command, and a session without a display, runs
// without one.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv, bool startsApp) {
  const bool watchesDesktop = startsApp || (std::strcmp(argv[1], "run") == 0 &&
                                            std::none_of(argv + 2, argv + argc, [](const char* a) {
                                              return std::strncmp(a, "--simulate", 10) == 0;
                                            }));
  const bool hasWayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
  const bool hasX = tonnixCanReachDisplay();
  if (!watchesDesktop || (!hasX && !hasWayland)) {
    return std::make_unique<QCoreApplication>(argc, argv);
  }
  // Clicks are heard through the X server (XWayland on Wayland), so
  // positions should come from the same one.
  if (hasX && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
  // Without an X server the monitor has no window to show: a Wayland
  // display that cannot be reached leaves it running without screens
  // rather than ending it.
  if (!hasX && !startsApp && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "wayland;offscreen");
  }
  if (startsApp) return std::make_unique<QApplication>(argc, argv);
  return std::make_unique<QGuiApplication>(argc, argv);
}

// `tonnix [--service] [FILE...]`; files must exist, so that a mistyped
// command or option is not taken for a set to import.
int startApplication(QStringList arguments) {
  const bool startedByBus = arguments.removeAll(QStringLiteral("--service")) > 0;
  std::vector<std::filesystem::path> files;
  for (const QString& argument : arguments) {
    const bool isOption = argument.startsWith(u'-') && !QFileInfo::exists(argument);
    if (isOption || !QFileInfo::exists(argument)) {
      std::fprintf(stderr, "tonnix: %s is neither %s nor a file; see tonnix --help\n",
                   qPrintable(argument), isOption ? "an option" : "a command");
      return TonnixCommandLine::usageStatus;
    }
    files.push_back(tonnixAbsolutePath(argument));
  }
  return applicationCommand(files, startedByBus);
}

// `tonnix --help`, `tonnix help` and `tonnix help COMMAND`.
int help(const QStringList& arguments) {
  if (arguments.isEmpty()) {
    std::fputs(qPrintable(tonnixUsage()), stdout);
    return 0;
  }
  const auto* command = tonnixCommandNamed(arguments.front());
  if (!command || arguments.size() > 1) {
    std::fprintf(stderr, "tonnix help: no command named %s; see tonnix --help\n",
                 qPrintable(arguments.join(u' ')));
    return TonnixCommandLine::usageStatus;
  }
  return command->run({QStringLiteral("--help")});
}

}  // namespace

int main(int argc, char** argv) {
  tonnixRouteGLibLog();
  const bool startsApp = startsApplication(argc, argv);
  // OpenAL Soft's set-up names its configuration in the environment for a
  // moment, which is safe only while no other thread runs: before Qt starts.
  if (startsApp || std::strcmp(argv[1], "run") == 0 || std::strcmp(argv[1], "play") == 0) {
    tonnixSetUpOpenALSoft();
  }
  const auto app = makeApplication(argc, argv, startsApp);
  QCoreApplication::setApplicationName(QStringLiteral("tonnix"));
  QCoreApplication::setOrganizationDomain(QStringLiteral("tonnix.org"));
  QCoreApplication::setApplicationVersion(QStringLiteral(TONNIX_VERSION));
  QStringList arguments = QCoreApplication::arguments().mid(1);
  if (startsApp) return startApplication(arguments);
  const QString first = arguments.takeFirst();
  if (first == QLatin1String("--version")) {
    std::printf("tonnix %s\n", TONNIX_VERSION);
    return 0;
  }
  if (isHelp(first)) return help(arguments);
  return tonnixCommandNamed(first)->run(arguments);
}
