// `tonnix run --simulate` as a user runs it, sound mixed into a wave file;
// the event path itself is the simulated desktop's tests'.

#include <gtest/gtest.h>

#include <QFileInfo>

#include "program.h"

namespace {

using tonnix_test::ScratchHome;

TEST(RunCommand, PlaysASimulatedDesktopAndPrintsWhatWasHeard) {
  ScratchHome home;
  home.playIntoWaveFile();
  const QString script =
      home.write(QStringLiteral("s.txt"), R"(launch 100 org.example.Editor "Editor" active
element 100 file AXMenu title="File"
notify 100 AXMenuOpened file
wait 0.3
log
)");
  const auto result = home.run(
      {QStringLiteral("run"), QStringLiteral("--simulate"), script, QStringLiteral("--monitor")});
  ASSERT_EQ(result.exitCode, 0) << qPrintable(result.errors);
  EXPECT_EQ(result.output.toStdString(),
            "Tonnix: App Launched -> flap (plays) from Editor\n"
            "Tonnix: AXMenuOpened -> mnuo (plays) from Editor\n"
            "Editor\tAXMenuOpened\tmnuo\t1\n"
            "System\tApp Launched\tflap\t1\n");
  EXPECT_GT(QFileInfo(home.waveOutput()).size(), 44) << "nothing reached the output";

  const QByteArray preferences = home.read(QStringLiteral("config/tonnix/preferences.plist"));
  EXPECT_TRUE(preferences.contains("org.tonnix.tonnixset.default"))
      << "the built-in set became the baseline";
  EXPECT_FALSE(preferences.contains("TonnixPlaysNotificationSounds"))
      << "the stored switch was touched";

  // Without --monitor only what the script asks for is printed.
  const auto quiet =
      home.run({"run", "--simulate", home.write("m.txt", "mount \"Photos\"\nlog\n")});
  ASSERT_EQ(quiet.exitCode, 0) << qPrintable(quiet.errors);
  EXPECT_EQ(quiet.output.toStdString(), "System\tDisk Mounted\tdski\t1\n");
}

TEST(RunCommand, RefusesWhatItCannotDoBeforeDoingAnything) {
  ScratchHome home;
  const QString script = home.write(QStringLiteral("bad.txt"), "launch 1 a \"A\"\nlanuch 2 b c\n");
  const auto faulty = home.run(
      {QStringLiteral("run"), QStringLiteral("--simulate"), script, QStringLiteral("--monitor")});
  EXPECT_EQ(faulty.exitCode, 1);
  EXPECT_TRUE(faulty.output.isEmpty());
  EXPECT_EQ(faulty.errors,
            "tonnix run: " + script + QStringLiteral(": line 2: unknown command \"lanuch\"\n"));
  EXPECT_TRUE(home.read(QStringLiteral("config/tonnix/preferences.plist")).isEmpty())
      << "preferences were written";

  const auto missing = home.run(
      {QStringLiteral("run"), QStringLiteral("--simulate"), home.path(QStringLiteral("none"))});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_TRUE(missing.errors.startsWith(QStringLiteral("tonnix run: Could not read ")))
      << qPrintable(missing.errors);

  EXPECT_EQ(home.run({"run", "--simulate"}).exitCode, 2);
  EXPECT_EQ(home.run({"run", "--monitor", "extra"}).exitCode, 2);
}

}  // namespace
