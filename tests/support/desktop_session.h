#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdint>

// The tools of the desktop session that scripts/headless-session makes (an
// X server, a session bus and an accessibility bus): real applications
// started and ended by the test, and xdotool to find and drive their windows.
namespace tonnix_test {

constexpr int applicationStartTimeout = 30'000;  // milliseconds

// Why a desktop test cannot run here (outside a desktop session, or without
// xdotool); empty when it can.
QString missingDesktopSession();

// Runs xdotool to its end and gives what it printed, trimmed.
QString xdotool(const QStringList& arguments, int* exitCode = nullptr);

// The first visible X window whose title matches, waiting for it to appear.
QString windowNamed(const QString& name);
// The process's first visible X window, or an empty text.
QString windowOf(std::int32_t processIdentifier);

void focusAndType(const QString& window, const QStringList& keys);

// An application under test, killed when the test ends.
class Application {
 public:
  Application(const QString& program, const QStringList& arguments,
              const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  std::int32_t pid() const { return static_cast<std::int32_t>(process_.processId()); }
  bool started() { return process_.waitForStarted(applicationStartTimeout); }

 private:
  QProcess process_;
};

}  // namespace tonnix_test
