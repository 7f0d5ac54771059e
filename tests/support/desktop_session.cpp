#include "desktop_session.h"

#include <QStandardPaths>

#include "event_loop.h"

namespace tonnix_test {

QString missingDesktopSession() {
  if (qEnvironmentVariableIsEmpty("DISPLAY")) {
    return QStringLiteral("needs the desktop session of scripts/headless-session");
  }
  if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
    return QStringLiteral("needs xdotool");
  }
  return {};
}

QString xdotool(const QStringList& arguments, int* exitCode) {
  QProcess process;
  process.start(QStringLiteral("xdotool"), arguments);
  process.waitForFinished(applicationStartTimeout);
  if (exitCode) {
    *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }
  return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString windowNamed(const QString& name) {
  return xdotool({QStringLiteral("search"), QStringLiteral("--sync"),
                  QStringLiteral("--onlyvisible"), QStringLiteral("--name"), name})
      .section(u'\n', 0, 0);
}

QString windowOf(std::int32_t processIdentifier) {
  return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                  QStringLiteral("--pid"), QString::number(processIdentifier)})
      .section(u'\n', 0, 0);
}

void focusAndType(const QString& window, const QStringList& keys) {
  xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
  xdotool(QStringList{QStringLiteral("key")} + keys);
}

Application::Application(const QString& program, const QStringList& arguments,
                         const QProcessEnvironment& environment) {
  process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process_.setProcessEnvironment(environment);
  process_.start(program, arguments);
}

Application::~Application() {
  process_.kill();
  process_.waitForFinished(5000);
}

}  // namespace tonnix_test
