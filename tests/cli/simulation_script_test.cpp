// Reading the scripts of the simulated desktop.

#include "cli/simulation_script.h"

#include <gtest/gtest.h>

namespace {

using namespace TonnixSimulation;

// The one command of a one-line script.
template <typename Command>
Command only(const QString& script) {
  const auto parsed = parse(script);
  if (!parsed) {
    ADD_FAILURE() << qPrintable(parsed.error().description());
    return {};
  }
  const Command* command =
      parsed->size() == 1 ? std::get_if<Command>(&parsed->front().command) : nullptr;
  if (!command) {
    ADD_FAILURE() << "not one command of the expected kind";
    return {};
  }
  return *command;
}

QString errorOf(const QString& script) {
  const auto parsed = parse(script);
  return parsed ? QString() : parsed.error().description();
}

TEST(SimulationScript, ReadsALaunchWithItsOptions) {
  const auto launch =
      only<Launch>(QStringLiteral("launch 42 org.gnome.Edit \"Text Editor\" accessory active"));
  EXPECT_EQ(launch.application.processIdentifier, 42);
  EXPECT_EQ(launch.application.bundleIdentifier, QStringLiteral("org.gnome.Edit"));
  EXPECT_EQ(launch.application.activationPolicy, TonnixActivationPolicy::accessory);
  EXPECT_TRUE(launch.application.isActive);

  const auto plain = only<Launch>(QStringLiteral("launch 7 - xterm"));
  EXPECT_EQ(plain.application.bundleIdentifier, std::nullopt) << "- stands for no application id";
  EXPECT_EQ(plain.application.activationPolicy, TonnixActivationPolicy::regular);
  EXPECT_EQ(only<Launch>(QStringLiteral("launch 1 \"\" \"\"")).application.localizedName,
            QString());
}

TEST(SimulationScript, ReadsAnElementWithQuotedTitleAndFrame) {
  const auto element = only<Element>(QStringLiteral(
      "element 42 ok AXButton subrole=AXToggle title=\"Say \\\"OK\\\"\" frame=10,20.5,80,24"));
  EXPECT_EQ(element.subrole, QStringLiteral("AXToggle"));
  EXPECT_EQ(element.title, QStringLiteral("Say \"OK\""));
  EXPECT_EQ(element.frame, QRectF(10, 20.5, 80, 24));
}

TEST(SimulationScript, SkipsBlankLinesAndCommentsAndCountsLines) {
  const auto steps =
      parse(QStringLiteral("# a desktop\n\n  mount \"USB Stick\"\r\nwait 0.5\nlog\n"));
  ASSERT_TRUE(steps.hasValue());
  ASSERT_EQ(steps->size(), 3u);
  EXPECT_EQ(steps->at(0).line, 3);
  EXPECT_EQ(std::get<Mount>(steps->at(0).command).volume, QStringLiteral("USB Stick"));
  EXPECT_EQ(std::get<Wait>(steps->at(1).command).seconds, 0.5);
  EXPECT_TRUE(std::holds_alternative<PrintLog>(steps->at(2).command));
}

TEST(SimulationScript, ElementsMustBeDeclaredBeforeUse) {
  EXPECT_EQ(errorOf(QStringLiteral("notify 42 AXWindowCreated w1")),
            QStringLiteral("line 1: no element w1 is declared for process 42"));
  EXPECT_EQ(errorOf(QStringLiteral("element 42 w1 AXWindow\nnotify 43 AXWindowCreated w1")),
            QStringLiteral("line 2: no element w1 is declared for process 43"));
  EXPECT_EQ(errorOf(QStringLiteral("element 42 b AXButton window=w")),
            QStringLiteral("line 1: no element w is declared for process 42"));
  EXPECT_EQ(errorOf(QStringLiteral("element 42 w AXWindow\nelement 42 w AXWindow")),
            QStringLiteral("line 2: element w is already declared for process 42"));
  EXPECT_TRUE(errorOf(QStringLiteral("notify 42 AXApplicationHidden app")).isEmpty());
  EXPECT_TRUE(
      errorOf(QStringLiteral("element 42 w AXWindow\nquit 42\nelement 42 w AXWindow")).isEmpty())
      << "a process that quit takes its elements along";
  EXPECT_TRUE(errorOf(QStringLiteral("element 42 w AXWindow\nquit 42\ndestroy 42 w"))
                  .contains(QStringLiteral("no element w")));
}

TEST(SimulationScript, RefusesMalformedLinesWithTheirNumber) {
  const std::pair<const char*, const char*> refused[] = {
      {"mount \"USB", "a quotation is not closed"},
      {"quit twelve", "\"twelve\" is not a process id"},
      {"quit 99999999999", "\"99999999999\" is not a process id"},
      {"launch 1 a", "expected launch PID APPID \"NAME\" [accessory|prohibited] [active]"},
      {"launch 1 a b active active", "unexpected \"active\" after the application's name"},
      {"element 1 e AXButton frame=1,2,3", "a frame is X,Y,WIDTH,HEIGHT, not \"1,2,3\""},
      {"element 1 e AXButton frame=1,2,-3,4", "a frame cannot have a negative size"},
      {"element 1 e AXButton colour=red", "unknown element attribute \"colour\""},
      {"element 1 e AXButton AXToggle", "\"AXToggle\" is not KEY=VALUE"},
      {"element 1 app AXButton", "\"app\" names the application itself; choose another id"},
      {"down 1", "expected down X Y"},
      {"drag 1 nan", "\"nan\" is not a number"},
      {"wait -1", "cannot wait a negative time"},
      {"wait 4000", "cannot wait longer than an hour"},
      {"log now", "expected nothing after log"},
  };
  for (const auto& [script, error] : refused) {
    EXPECT_EQ(errorOf(QString::fromUtf8(script)),
              QStringLiteral("line 1: ") + QString::fromUtf8(error));
  }
  for (const QString& torn :
       {QStringLiteral("\""), QStringLiteral("\\"), QStringLiteral("\"\\"),
        QStringLiteral("element"), QStringLiteral("notify"), QString(QChar(0))}) {
    EXPECT_FALSE(errorOf(torn).isEmpty()) << qPrintable(torn);
  }
}

}  // namespace
