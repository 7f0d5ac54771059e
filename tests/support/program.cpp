#include "program.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include "event_loop.h"

namespace tonnix_test {

ProgramResult runProgram(const QString& program, const QStringList& arguments,
                         const QProcessEnvironment& environment, int milliseconds) {
  QProcess process;
  process.setProcessEnvironment(environment);
  process.start(program, arguments);
  if (!turnUntil([&process] { return process.state() == QProcess::NotRunning; }, milliseconds)) {
    process.kill();
    process.waitForFinished();
    return {};
  }
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          QString::fromUtf8(process.readAllStandardOutput()),
          QString::fromUtf8(process.readAllStandardError())};
}

ScratchHome::ScratchHome() {
  environment_.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
  environment_.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
  environment_.insert(QStringLiteral("ALSOFT_DRIVERS"), QStringLiteral("null"));
}

std::filesystem::path ScratchHome::root() const {
  return folder_.path().toStdString();
}

QString ScratchHome::path(const QString& name) const {
  return folder_.filePath(name);
}

QString ScratchHome::write(const QString& name, const QByteArray& bytes) const {
  const QString file = path(name);
  QDir().mkpath(QFileInfo(file).path());
  QFile out(file);
  if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) return {};
  return file;
}

QByteArray ScratchHome::read(const QString& name) const {
  QFile in(path(name));
  return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

void ScratchHome::setEnvironment(const QString& name, const QString& value) {
  environment_.insert(name, value);
}

void ScratchHome::playIntoWaveFile() {
  const QString configuration =
      write(QStringLiteral("alsoft.conf"),
            "[general]\ndrivers=wave\n[wave]\nfile=" + waveOutput().toUtf8() + "\n");
  environment_.insert(QStringLiteral("ALSOFT_CONF"), configuration);
  environment_.insert(QStringLiteral("ALSOFT_DRIVERS"), QStringLiteral("wave"));
}

QString ScratchHome::waveOutput() const {
  return path(QStringLiteral("out.wav"));
}

QString ScratchHome::executable() {
  return QStringLiteral(TONNIX_EXECUTABLE);
}

ProgramResult ScratchHome::run(const QStringList& arguments) const {
  return runProgram(executable(), arguments, environment_);
}

}  // namespace tonnix_test
