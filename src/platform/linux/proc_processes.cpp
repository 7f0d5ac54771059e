#include "platform/linux/proc_processes.h"

#include <signal.h>

#include <QFile>
#include <QRegularExpression>
#include <cerrno>
#include <system_error>

namespace {

std::filesystem::path procFile(std::int32_t processIdentifier, const char* name) {
  return std::filesystem::path("/proc") / std::to_string(processIdentifier) / name;
}

QString readSmallFile(const std::filesystem::path& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.read(64 * 1024));
}

// systemd escapes characters of unit names as \xNN ("-" as \x2d).
QString unescapeUnitName(const QString& name) {
  static const QRegularExpression escape(QStringLiteral(R"(\\x([0-9a-fA-F]{2}))"));
  QString result;
  qsizetype last = 0;
  for (auto match = escape.globalMatch(name); match.hasNext();) {
    const auto found = match.next();
    result += name.mid(last, found.capturedStart() - last);
    result += QChar(found.captured(1).toUShort(nullptr, 16));
    last = found.capturedEnd();
  }
  return result + name.mid(last);
}

}  // namespace

std::optional<std::filesystem::path> tonnixProcessExecutable(std::int32_t processIdentifier) {
  if (processIdentifier < 1) return std::nullopt;
  std::error_code error;
  auto target = std::filesystem::read_symlink(procFile(processIdentifier, "exe"), error);
  if (error || target.empty()) return std::nullopt;
  return target;
}

QString tonnixProcessCommand(std::int32_t processIdentifier) {
  if (processIdentifier < 1) return {};
  return readSmallFile(procFile(processIdentifier, "comm")).trimmed();
}

QString tonnixProcessControlGroups(std::int32_t processIdentifier) {
  if (processIdentifier < 1) return {};
  return readSmallFile(procFile(processIdentifier, "cgroup"));
}

bool tonnixProcessExists(std::int32_t processIdentifier) {
  if (processIdentifier < 1) return false;
  return ::kill(processIdentifier, 0) == 0 || errno == EPERM;
}

std::vector<QString> tonnixScopeApplicationIds(const QString& controlGroups) {
  static const QRegularExpression unit(
      QStringLiteral(R"(^app-(.+?)(?:-[^-@/.]+\.scope|(?:@[^/]*)?\.service)$)"));
  std::vector<QString> ids;
  for (const auto& line : controlGroups.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
    const auto unitName = line.section(QLatin1Char('/'), -1);
    const auto match = unit.match(unitName);
    if (!match.hasMatch()) continue;
    // Split at the raw dashes before unescaping: an escaped dash is part
    // of the id, a raw one may end the launcher's name.
    const auto name = match.captured(1);
    ids.push_back(unescapeUnitName(name));
    const auto dash = name.indexOf(QLatin1Char('-'));
    if (dash > 0 && dash + 1 < name.size()) ids.push_back(unescapeUnitName(name.mid(dash + 1)));
  }
  return ids;
}
