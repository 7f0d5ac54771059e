#include "platform/linux/idle_inhibitor.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int64_t self = 1000;
constexpr std::int64_t player = 2000;

bool inhibits(const QString& what, const QString& mode = QStringLiteral("block"),
              std::int64_t owner = player) {
  return tonnixOtherProcessInhibitsIdle({{what, mode, owner}}, self);
}

}  // namespace

TEST(IdleInhibitor, AnotherProcessBlockingIdleCounts) {
  EXPECT_TRUE(inhibits(QStringLiteral("idle")));
  EXPECT_TRUE(inhibits(QStringLiteral("sleep:idle:shutdown")));
}

TEST(IdleInhibitor, LocksThatDoNotKeepTheDisplayAwakeDoNotCount) {
  EXPECT_FALSE(inhibits(QStringLiteral("sleep:shutdown")));
  EXPECT_FALSE(inhibits(QStringLiteral("handle-lid-switch")));
  EXPECT_FALSE(inhibits(QStringLiteral("idleness")));
  EXPECT_FALSE(inhibits(QString()));
  EXPECT_FALSE(inhibits(QStringLiteral("idle"), QStringLiteral("delay")));
}

TEST(IdleInhibitor, ThisProcessOwnLocksNeverCount) {
  EXPECT_FALSE(inhibits(QStringLiteral("idle"), QStringLiteral("block"), self));
  const std::vector<TonnixIdleInhibitor> both{
      {QStringLiteral("idle"), QStringLiteral("block"), self},
      {QStringLiteral("sleep"), QStringLiteral("block"), player},
  };
  EXPECT_FALSE(tonnixOtherProcessInhibitsIdle(both, self));
  EXPECT_FALSE(tonnixOtherProcessInhibitsIdle({}, self));
}
