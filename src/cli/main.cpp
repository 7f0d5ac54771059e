#include <QCoreApplication>
#include <cstdio>
#include <map>

#include "cli/commands.h"

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

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("tonnix"));
  QCoreApplication::setOrganizationDomain(QStringLiteral("tonnix.org"));
  QStringList arguments = QCoreApplication::arguments().mid(1);
  if (arguments.isEmpty()) return usage();
  const auto found = commands().find(arguments.takeFirst());
  if (found == commands().end()) return usage();
  return found->second(arguments);
}
