#pragma once

// What the desktop tests of the accessibility seam share: real applications
// started and ended by the test, xdotool, and an observer that records what
// it hears while the event loop runs. Runs inside scripts/headless-session.

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/linux/atspi_accessibility.h"
#include "platform/linux/atspi_connection.h"

namespace desktop {

constexpr int eventTimeout = 10'000;  // milliseconds
constexpr int startTimeout = 30'000;

// Runs the event loop until `done` holds or the time is up.
inline bool waitFor(const std::function<bool()>& done, int milliseconds = eventTimeout) {
  QDeadlineTimer deadline(milliseconds);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(5);
  }
  return true;
}

inline QString xdotool(const QStringList& arguments) {
  QProcess process;
  process.start(QStringLiteral("xdotool"), arguments);
  process.waitForFinished(startTimeout);
  return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The first visible X window whose title matches, waiting for it to appear.
inline QString windowNamed(const QString& name) {
  return xdotool({QStringLiteral("search"), QStringLiteral("--sync"),
                  QStringLiteral("--onlyvisible"), QStringLiteral("--name"), name})
      .section(u'\n', 0, 0);
}

// The process that owns an X window, or 0.
inline std::int32_t windowProcess(const QString& window) {
  return xdotool({QStringLiteral("getwindowpid"), window}).toInt();
}

// An application under test, ended when the test ends.
class Application {
 public:
  Application(const QString& program, const QStringList& arguments) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.setStandardOutputFile(QProcess::nullDevice());
    process_.start(program, arguments);
  }
  ~Application() {
    process_.kill();
    process_.waitForFinished(5000);
  }
  std::int32_t pid() const { return static_cast<std::int32_t>(process_.processId()); }
  bool started() { return process_.waitForStarted(startTimeout); }

 private:
  QProcess process_;
};

struct Heard {
  TonnixAXElement element;
  QString notification;
};

class ObservationTest : public testing::Test {
 protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("DISPLAY") ||
        QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
      GTEST_SKIP() << "needs scripts/headless-session and xdotool";
    }
    accessibility_ = std::make_unique<TonnixAtspiAccessibility>();
    ASSERT_TRUE(accessibility_->isProcessTrusted());
    ASSERT_NE(accessibility_->connection(), nullptr);
  }

  void TearDown() override {
    observer_.reset();
    accessibility_.reset();
  }

  // Waits until the process is on the accessibility bus, then listens to it.
  void observe(std::int32_t pid, const QStringList& notifications) {
    ASSERT_TRUE(waitFor([&] { return accessibility_->connection()->application(pid).has_value(); },
                        startTimeout))
        << "the application never reached the accessibility bus";
    application_ = accessibility_->applicationElement(pid);
    ASSERT_TRUE(accessibility_->setMessagingTimeout(*application_, 0.25));
    auto created = accessibility_->createObserver(
        pid, [this](const TonnixAXElement& element, const QString& notification) {
          heard_.push_back({element, notification});
        });
    ASSERT_TRUE(created);
    observer_ = std::move(*created);
    for (const auto& name : notifications) {
      ASSERT_TRUE(observer_->addNotification(*application_, name)) << name.toStdString();
    }
  }

  // The first notification of that name heard after `action`; the action
  // is repeated every `retryAfter` milliseconds, if given, until it is.
  std::optional<TonnixAXElement> expect(const QString& notification,
                                        const std::function<void()>& action,
                                        int retryAfter = eventTimeout) {
    heard_.clear();
    std::optional<TonnixAXElement> found;
    bool arrived = false;
    for (int waited = 0; !arrived && waited < eventTimeout; waited += retryAfter) {
      action();
      arrived = waitFor(
          [&] {
            for (const auto& heard : heard_) {
              if (heard.notification == notification) found = heard.element;
            }
            return found.has_value();
          },
          retryAfter);
    }
    if (!arrived) {
      for (const auto& heard : heard_) {
        std::printf("heard instead: %s\n", qPrintable(heard.notification));
      }
    }
    return found;
  }

  // How often a notification was heard since the last `expect`.
  int count(const QString& notification) const {
    return static_cast<int>(std::count_if(heard_.begin(), heard_.end(), [&](const Heard& heard) {
      return heard.notification == notification;
    }));
  }

  QString text(const TonnixAXElement& element, const QString& attribute) {
    const auto value = accessibility_->attributeValue(element, attribute);
    if (!value || !value->as<QString>()) return {};
    return *value->as<QString>();
  }

  void focusAndType(const QString& window, const QStringList& keys) {
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    xdotool(QStringList{QStringLiteral("key")} + keys);
  }

  std::unique_ptr<TonnixAtspiAccessibility> accessibility_;
  std::unique_ptr<TonnixAXObserver> observer_;
  std::optional<TonnixAXElement> application_;
  std::vector<Heard> heard_;
};

}  // namespace desktop
