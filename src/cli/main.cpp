#include <QCoreApplication>
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
  };
  return table;
}

int usage() {
  std::fprintf(stderr, "usage: tonnix COMMAND [ARGUMENTS...]\ncommands:");
  for (const auto& [name, command] : commands()) std::fprintf(stderr, " %s", qPrintable(name));
  std::fprintf(stderr, "\n");
  return 2;
}

// Watching the real desktop places each sound where it happened on the
// screens, which only Qt's GUI application knows; every other command, and
// a session without a display, runs without one.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv) {
  const bool watchesDesktop = argc > 1 && std::strcmp(argv[1], "run") == 0 &&
                              std::none_of(argv + 2, argv + argc, [](const char* argument) {
                                return std::strcmp(argument, "--simulate") == 0;
                              });
  if (!watchesDesktop || !tonnixCanReachDisplay()) {
    return std::make_unique<QCoreApplication>(argc, argv);
  }
  // The display reached is an X server; Qt should speak to that one.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
  return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
  const auto app = makeApplication(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("tonnix"));
  QCoreApplication::setOrganizationDomain(QStringLiteral("tonnix.org"));
  QStringList arguments = QCoreApplication::arguments().mid(1);
  if (arguments.isEmpty()) return usage();
  const auto found = commands().find(arguments.takeFirst());
  if (found == commands().end()) return usage();
  return found->second(arguments);
}
