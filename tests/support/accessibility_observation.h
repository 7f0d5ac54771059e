#pragma once

// The fixture of the desktop tests of the AT-SPI accessibility seam: an
// observer of a real application that records what it hears while the event
// loop turns. Runs inside scripts/headless-session; the test program links
// tonnix_platform_linux.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "desktop_session.h"
#include "event_loop.h"
#include "platform/linux/atspi_accessibility.h"
#include "platform/linux/atspi_connection.h"

namespace tonnix_test {

constexpr int eventTimeout = 10'000;  // milliseconds

struct Heard {
  TonnixAXElement element;
  QString notification;
};

class ObservationTest : public testing::Test {
 protected:
  void SetUp() override {
    if (const QString missing = missingDesktopSession(); !missing.isEmpty()) {
      GTEST_SKIP() << missing.toStdString();
    }
    accessibility_ = std::make_unique<TonnixAtspiAccessibility>();
    ASSERT_TRUE(accessibility_->status().isTrusted());
    ASSERT_NE(accessibility_->connection(), nullptr);
  }

  void TearDown() override {
    observer_.reset();
    accessibility_.reset();
  }

  // Waits until the process is on the accessibility bus, then listens to it.
  void observe(std::int32_t pid, const QStringList& notifications) {
    ASSERT_TRUE(
        turnUntil([&] { return accessibility_->connection()->application(pid).has_value(); },
                  applicationStartTimeout))
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

  // The first notification of that name heard after `action`; the action is
  // repeated every `retryAfter` milliseconds, if given, until it is.
  std::optional<TonnixAXElement> expect(const QString& notification,
                                        const std::function<void()>& action,
                                        int retryAfter = eventTimeout) {
    heard_.clear();
    std::optional<TonnixAXElement> found;
    bool arrived = false;
    for (int waited = 0; !arrived && waited < eventTimeout; waited += retryAfter) {
      action();
      arrived = turnUntil(
          [&] {
            for (const auto& heard : heard_) {
              if (heard.notification == notification) {
                found = heard.element;
                return true;
              }
            }
            return false;
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

  std::unique_ptr<TonnixAtspiAccessibility> accessibility_;
  std::unique_ptr<TonnixAXObserver> observer_;
  std::optional<TonnixAXElement> application_;
  std::vector<Heard> heard_;
};

}  // namespace tonnix_test
