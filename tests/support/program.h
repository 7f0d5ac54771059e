#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <filesystem>

// Programs run as a user runs them, above all the tonnix program itself in a
// home of its own.
namespace tonnix_test {

struct ProgramResult {
  int exitCode = -1;  // -1 when the program crashed or was stopped for taking too long
  QString output;
  QString errors;
};

// Runs a program to its end, turning this process's event loop meanwhile
// so that its own objects can answer the program (on the bus, say); stops
// it after `milliseconds`.
ProgramResult runProgram(
    const QString& program, const QStringList& arguments,
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
    int milliseconds = 60'000);

// A scratch home for runs of the tonnix program: its own preferences and user
// sets, the built-in sets of the build tree, and OpenAL Soft without a device
// unless the test asks for its wave output.
class ScratchHome {
 public:
  ScratchHome();

  std::filesystem::path root() const;
  QString path(const QString& name) const;
  // Writes a file below the home, making its folders; gives its path.
  QString write(const QString& name, const QByteArray& bytes) const;
  // A file below the home; empty when it cannot be read.
  QByteArray read(const QString& name) const;

  void setEnvironment(const QString& name, const QString& value);
  // Sound goes into the wave file waveOutput() instead of a sound card.
  void playIntoWaveFile();
  QString waveOutput() const;

  // What the program runs with: this home, and the test's own settings.
  const QProcessEnvironment& environment() const { return environment_; }
  static QString executable();

  // `tonnix ARGUMENTS` in this home.
  ProgramResult run(const QStringList& arguments) const;

 private:
  QTemporaryDir folder_;
  QProcessEnvironment environment_ = QProcessEnvironment::systemEnvironment();
};

}  // namespace tonnix_test
