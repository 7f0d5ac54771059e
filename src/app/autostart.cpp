#include "app/autostart.h"

#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <system_error>

#include "app/update_installation.h"

namespace fs = std::filesystem;

namespace {

// The desktop entry's quoting of an argument with characters the Exec key
// reserves (spaces in a home folder's name, for one).
QString quotedArgument(const QString& argument) {
  static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
  const bool needsQuotes =
      std::any_of(argument.begin(), argument.end(), [](QChar c) { return reserved.contains(c); });
  if (!needsQuotes) return argument;
  QString quoted;
  for (const QChar c : argument) {
    if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') quoted += u'\\';
    quoted += c;
  }
  // The value itself is a string whose backslashes are escaped once more.
  quoted.replace(u'\\', QStringLiteral("\\\\"));
  return u'"' + quoted + u'"';
}

QByteArray entryText(const QString& executable) {
  return QStringLiteral(
             "[Desktop Entry]\n"
             "Type=Application\n"
             "Name=Tonnix\n"
             "Comment=Classic theme sounds for the whole desktop\n"
             "Exec=%1\n"
             "Icon=org.tonnix.Tonnix\n"
             "Terminal=false\n"
             "NoDisplay=true\n"
             "X-GNOME-Autostart-enabled=true\n")
      .arg(quotedArgument(executable))
      .toUtf8();
}

// Whether the entry starts anything: the desktops switch an entry off with
// Hidden=true, or GNOME's own key, instead of removing it.
bool entryIsOn(const fs::path& entry) {
  QFile file(QString::fromStdString(entry.string()));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
  bool inMainGroup = false;
  while (!file.atEnd()) {
    const QString line = QString::fromUtf8(file.readLine()).trimmed();
    if (line.startsWith(u'[')) {
      inMainGroup = line == QStringLiteral("[Desktop Entry]");
      continue;
    }
    if (!inMainGroup) continue;
    if (line == QStringLiteral("Hidden=true")) return false;
    if (line == QStringLiteral("X-GNOME-Autostart-enabled=false")) return false;
  }
  return true;
}

// The program the entry's Exec line starts, its quoting undone.
std::optional<QString> startedProgram(const fs::path& entry) {
  QFile file(QString::fromStdString(entry.string()));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return std::nullopt;
  while (!file.atEnd()) {
    const QString line = QString::fromUtf8(file.readLine()).trimmed();
    if (!line.startsWith(QStringLiteral("Exec="))) continue;
    QString value = line.mid(5).replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
    if (!value.startsWith(u'"')) return value.section(u' ', 0, 0);
    QString program;
    for (qsizetype i = 1; i < value.size() && value[i] != u'"'; ++i) {
      if (value[i] == u'\\' && i + 1 < value.size()) ++i;
      program += value[i];
    }
    return program;
  }
  return std::nullopt;
}

}  // namespace

QString TonnixAutostartError::description() const {
  return QStringLiteral("Could not change %1: %2")
      .arg(QString::fromStdString(path.string()), QString::fromStdString(message));
}

TonnixAutostart::TonnixAutostart(fs::path entry, QString executable, QObject* parent)
    : QObject(parent), entry_(std::move(entry)), executable_(std::move(executable)) {
  if (executable_.isEmpty()) {
    executable_ = QString::fromStdString(TonnixUpdateInstallation::running().program().string());
  }
  isEnabled_ = entryIsOn(entry_);
  // An entry that names a version's own folder, as older versions wrote it,
  // starts nothing once an update has removed that folder.
  const auto program = startedProgram(entry_);
  if (isEnabled_ && program && *program != executable_ && !QFile::exists(*program)) {
    (void)setEnabled(true);
  }
}

fs::path TonnixAutostart::standardEntry() {
  const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return fs::path(config.toStdString()) / "autostart" / "org.tonnix.Tonnix.desktop";
}

TonnixExpected<TonnixDone, TonnixAutostartError> TonnixAutostart::setEnabled(bool isEnabled) {
  std::error_code error;
  if (!isEnabled) {
    fs::remove(entry_, error);
    if (error) return unexpected(TonnixAutostartError{entry_, error.message()});
    setIsEnabled(false);
    return TonnixDone{};
  }
  fs::create_directories(entry_.parent_path(), error);
  if (error) return unexpected(TonnixAutostartError{entry_.parent_path(), error.message()});
  QSaveFile file(QString::fromStdString(entry_.string()));
  if (!file.open(QIODevice::WriteOnly) || file.write(entryText(executable_)) < 0 ||
      !file.commit()) {
    return unexpected(TonnixAutostartError{entry_, file.errorString().toStdString()});
  }
  setIsEnabled(true);
  return TonnixDone{};
}

void TonnixAutostart::refresh() {
  setIsEnabled(entryIsOn(entry_));
}

void TonnixAutostart::setIsEnabled(bool isEnabled) {
  if (isEnabled_ == isEnabled) return;
  isEnabled_ = isEnabled;
  emit isEnabledChanged();
}
