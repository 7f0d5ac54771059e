// `tonnix theme` as a user runs it: the exported theme found by libcanberra's
// own lookup, and apply and revert on a settings store of the test's own.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include "event_loop.h"
#include "program.h"

namespace {

using tonnix_test::ProgramResult;
using tonnix_test::runProgram;
using tonnix_test::ScratchHome;

bool isInstalled(const QString& program) {
  return !QStandardPaths::findExecutable(program).isEmpty();
}

TEST(ThemeCommand, RevertRestoresTheSettingsUnlessTheUserChoseAnotherThemeSince) {
  if (!isInstalled(QStringLiteral("gsettings"))) GTEST_SKIP() << "gsettings is not installed";
  ScratchHome home;
  home.setEnvironment(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("keyfile"));
  const auto gsettings = [&home](const QStringList& arguments) {
    return runProgram(QStringLiteral("gsettings"), arguments, home.environment());
  };
  const QString schema = QStringLiteral("org.gnome.desktop.sound");
  if (gsettings({"list-keys", schema}).exitCode != 0) {
    GTEST_SKIP() << "the GNOME sound settings are not installed (gsettings-desktop-schemas)";
  }
  // A theme the user chose; event sounds never set, so they must stay unset.
  ASSERT_EQ(gsettings({"set", schema, "theme-name", "Yaru"}).exitCode, 0);
  const QString keyfile = QStringLiteral("config/glib-2.0/settings/keyfile");
  const QByteArray before = home.read(keyfile);
  ASSERT_FALSE(before.isEmpty());

  const ProgramResult exported = home.run({"theme", "export", "Platinum"});
  ASSERT_EQ(exported.exitCode, 0) << qPrintable(exported.errors);
  for (int i = 0; i < 2; ++i) {
    const ProgramResult applied = home.run({"theme", "apply", "Platinum"});
    ASSERT_EQ(applied.exitCode, 0) << qPrintable(applied.errors);
  }
  EXPECT_EQ(gsettings({"get", schema, "theme-name"}).output.trimmed(), "'platinum'");
  EXPECT_EQ(gsettings({"get", schema, "event-sounds"}).output.trimmed(), "true");

  const ProgramResult reverted = home.run({"theme", "revert"});
  ASSERT_EQ(reverted.exitCode, 0) << qPrintable(reverted.errors);
  EXPECT_EQ(home.read(keyfile), before);
  const ProgramResult again = home.run({"theme", "revert"});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_EQ(again.errors.trimmed(),
            "tonnix theme: No sound theme was applied, so there is nothing to revert.");

  ASSERT_EQ(home.run({"theme", "apply", "Platinum"}).exitCode, 0);
  ASSERT_EQ(gsettings({"set", schema, "theme-name", "Ocean"}).exitCode, 0);
  const ProgramResult kept = home.run({"theme", "revert"});
  ASSERT_EQ(kept.exitCode, 0) << qPrintable(kept.errors);
  EXPECT_TRUE(kept.output.contains("GNOME (Ocean)")) << qPrintable(kept.output);
  EXPECT_EQ(gsettings({"get", schema, "theme-name"}).output.trimmed(), "'Ocean'");
  EXPECT_EQ(home.run({"theme", "revert"}).exitCode, 1);
}

TEST(ThemeCommand, LibcanberraFindsTheExportedSounds) {
  for (const char* program : {"canberra-gtk-play", "Xvfb", "pulseaudio"}) {
    if (!isInstalled(QString::fromLatin1(program))) {
      GTEST_SKIP() << program << " is not installed (scripts/install-deps --tests)";
    }
  }
  ScratchHome home;
  ASSERT_EQ(home.run({"theme", "export", "Platinum"}).exitCode, 0);
  // A freedesktop theme without sounds, so that only our files can be found.
  home.write(QStringLiteral("shared/sounds/freedesktop/index.theme"),
             "[Sound Theme]\nName=Freedesktop\nDirectories=stereo\n\n[stereo]\n"
             "OutputProfile=stereo\n");
  QProcessEnvironment environment = home.environment();
  environment.insert(QStringLiteral("XDG_DATA_DIRS"), home.path(QStringLiteral("shared")));
  environment.insert(QStringLiteral("HOME"), home.path(QString()));
  environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path(QString()));
  environment.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
  environment.remove(QStringLiteral("PULSE_SERVER"));

  QProcess server;
  server.setProcessEnvironment(environment);
  server.start(QStringLiteral("pulseaudio"),
               QStringLiteral("-n|--daemonize=no|--exit-idle-time=-1|--use-pid-file=false|"
                              "--load=module-native-protocol-unix|"
                              "--load=module-null-sink sink_name=out")
                   .split(u'|'));
  const QString socket = home.path(QStringLiteral("pulse/native"));
  ASSERT_TRUE(server.waitForStarted());
  ASSERT_TRUE(tonnix_test::turnUntil([&socket] { return QFile::exists(socket); }));
  environment.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + socket);

  // GTK needs a display. Xvfb picks a free one itself and says which, so
  // that tests running at the same time never race for a number.
  QProcess display;
  display.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-nolisten", "tcp"});
  ASSERT_TRUE(display.waitForReadyRead(20000));
  environment.insert(QStringLiteral("DISPLAY"),
                     u':' + QString::fromLatin1(display.readLine()).trimmed());

  const auto play = [&environment](const QString& id) {
    return runProgram(QStringLiteral("canberra-gtk-play"),
                      {"--id=" + id, "--property=canberra.xdg-theme.name=platinum"}, environment)
        .exitCode;
  };
  EXPECT_EQ(play(QStringLiteral("dialog-warning")), 0);
  EXPECT_EQ(play(QStringLiteral("trash-empty")), 0);
  // Input feedback is left out, and the stand-in freedesktop theme has none.
  EXPECT_NE(play(QStringLiteral("menu-popup")), 0);
  for (QProcess* process : {&display, &server}) {
    process->terminate();
    process->waitForFinished(5000);
  }
}

}  // namespace
