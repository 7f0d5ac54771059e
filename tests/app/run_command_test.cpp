// `tonnix run --simulate` as a user runs it: the program itself, with the
// built-in set, its own preferences in a scratch home, and OpenAL Soft
// mixing into a wave file instead of a sound card.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

// A scratch home for one run of the program.
struct Home {
  Home() {
    QFile configuration(folder.filePath(QStringLiteral("alsoft.conf")));
    configuration.open(QIODevice::WriteOnly);
    configuration.write("[general]\ndrivers=wave\n[wave]\nfile=" +
                        folder.filePath(QStringLiteral("out.wav")).toUtf8() + "\n");
  }

  QString write(const QString& name, const QByteArray& text) const {
    const QString path = folder.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(text);
    return path;
  }

  struct Result {
    int exitCode = -1;
    QString output;
    QString errors;
  };

  Result run(const QStringList& arguments) const {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       folder.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folder.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("TONNIX_BUILTIN_SETS"), QStringLiteral(TONNIX_BUILTIN_SETS));
    environment.insert(QStringLiteral("ALSOFT_CONF"),
                       folder.filePath(QStringLiteral("alsoft.conf")));
    environment.insert(QStringLiteral("ALSOFT_DRIVERS"), QStringLiteral("wave"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TONNIX_EXECUTABLE),
                  QStringList{QStringLiteral("run")} + arguments);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
  }

  QString preferences() const {
    QFile file(folder.filePath(QStringLiteral("config/tonnix/preferences.plist")));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
  }

  QTemporaryDir folder;
};

// The event path itself is pinned down on the simulated desktop; this is
// the program around it.
const QByteArray menuScript = R"(launch 100 org.example.Editor "Editor" active
element 100 file AXMenu title="File"
notify 100 AXMenuOpened file
wait 0.3
log
)";

TEST(RunCommand, PlaysASimulatedDesktopAndPrintsWhatWasHeard) {
  const Home home;
  const auto result =
      home.run({QStringLiteral("--simulate"), home.write(QStringLiteral("s.txt"), menuScript),
                QStringLiteral("--monitor")});
  ASSERT_EQ(result.exitCode, 0) << qPrintable(result.errors);
  EXPECT_EQ(result.output.toStdString(),
            "Tonnix: App Launched -> flap (plays) from Editor\n"
            "Tonnix: AXMenuOpened -> mnuo (plays) from Editor\n"
            "Editor\tAXMenuOpened\tmnuo\t1\n"
            "System\tApp Launched\tflap\t1\n");
  EXPECT_GT(QFile(home.folder.filePath(QStringLiteral("out.wav"))).size(), 44)
      << "nothing reached the output";

  const QString preferences = home.preferences();
  EXPECT_TRUE(preferences.contains(QStringLiteral("org.tonnix.tonnixset.default")))
      << "the built-in set became the baseline";
  EXPECT_FALSE(preferences.contains(QStringLiteral("TonnixPlaysNotificationSounds")))
      << "the stored switch was touched";
}

TEST(RunCommand, WithoutMonitorPrintsOnlyWhatTheScriptAsks) {
  const Home home;
  const auto result = home.run({QStringLiteral("--simulate"),
                                home.write(QStringLiteral("s.txt"), "mount \"Photos\"\nlog\n")});
  ASSERT_EQ(result.exitCode, 0) << qPrintable(result.errors);
  EXPECT_EQ(result.output.toStdString(), "System\tDisk Mounted\tdski\t1\n");
}

TEST(RunCommand, RefusesAFaultyScriptBeforeDoingAnything) {
  const Home home;
  const QString script = home.write(QStringLiteral("bad.txt"), "launch 1 a \"A\"\nlanuch 2 b c\n");
  const auto result = home.run({QStringLiteral("--simulate"), script, QStringLiteral("--monitor")});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(result.output.isEmpty());
  EXPECT_EQ(result.errors.toStdString(),
            (script + QStringLiteral(": line 2: unknown command \"lanuch\"\n")).toStdString());
  EXPECT_TRUE(home.preferences().isEmpty()) << "preferences were written";
}

TEST(RunCommand, ExplainsWhatItCannotDo) {
  const Home home;
  const auto missing =
      home.run({QStringLiteral("--simulate"), home.folder.filePath(QStringLiteral("none"))});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_TRUE(missing.errors.startsWith(QStringLiteral("Could not read ")))
      << qPrintable(missing.errors);

  EXPECT_EQ(home.run({QStringLiteral("--simulate")}).exitCode, 2);
  EXPECT_EQ(home.run({QStringLiteral("--monitor"), QStringLiteral("--monitor")}).exitCode, 2);
}

}  // namespace
