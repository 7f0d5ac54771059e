// The set library from the command line as a user runs it: `tonnix sets`,
// `import`, `export`, `baseline`, `assign` and `selection`, each a run of
// the program against one scratch home, so that what one command stores the
// next one reads.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "resource_fork_writer.h"
#include "sound_resources.h"

namespace {

constexpr const char* builtInIdentifier = "org.tonnix.tonnixset.default";

struct Result {
  int exitCode = -1;
  QString output;
  QString errors;
};

class SetCommandsTest : public testing::Test {
 protected:
  Result tonnix(const QStringList& arguments) const {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
    environment.insert(QStringLiteral("TONNIX_BUILTIN_SETS"), QStringLiteral(TONNIX_BUILTIN_SETS));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TONNIX_EXECUTABLE), arguments);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()).trimmed(),
            QString::fromUtf8(process.readAllStandardError()).trimmed()};
  }

  QString path(const QString& name) const { return home_.filePath(name); }

  // A classic set whose one sound plays the press and release of a button.
  QString writeClassicSet(const QString& name) const {
    const auto bytes =
        TestResourceForkWriter()
            .add("snd ", 128, format1Sound(standardHeader(kRate22050, {0x80, 0xC0, 0x40})))
            .add("snd#", 1, soundList({{"btnp", {128}}, {"btnr", {128}}}, 20))
            .bytes();
    QFile file(path(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    return file.fileName();
  }

  QTemporaryDir home_;
};

TEST_F(SetCommandsTest, ImportsAClassicSetListsItAndExportsTheCurrentChoice) {
  const Result before = tonnix({QStringLiteral("sets")});
  ASSERT_EQ(before.exitCode, 0) << qPrintable(before.errors);
  EXPECT_TRUE(before.output.contains(builtInIdentifier)) << qPrintable(before.output);

  const Result imported = tonnix({QStringLiteral("import"), writeClassicSet("Chimes")});
  ASSERT_EQ(imported.exitCode, 0) << qPrintable(imported.errors);
  EXPECT_EQ(imported.output, QStringLiteral("Imported Chimes: 2 events from 1 sounds"));
  const Result after = tonnix({QStringLiteral("sets")});
  EXPECT_TRUE(after.output.contains(
      QStringLiteral("Chimes\torg.tonnix.tonnixset.imported.chimes\tuser\t2")))
      << qPrintable(after.output);

  ASSERT_EQ(tonnix({QStringLiteral("assign"), QStringLiteral("btnp"),
                    QStringLiteral("set:org.tonnix.tonnixset.imported.chimes")})
                .exitCode,
            0);
  EXPECT_EQ(tonnix({QStringLiteral("selection"), QStringLiteral("btnp")}).output,
            QStringLiteral("set:org.tonnix.tonnixset.imported.chimes"));

  const Result exported = tonnix({QStringLiteral("export"), path(QStringLiteral("Mine"))});
  ASSERT_EQ(exported.exitCode, 0) << qPrintable(exported.errors);
  EXPECT_TRUE(exported.output.startsWith(QStringLiteral("Exported Mine: ")))
      << qPrintable(exported.output);
  EXPECT_TRUE(QFile::exists(path(QStringLiteral("Mine.tonnixset/Contents/Info.plist"))));
}

// Bad input is refused in the program's own words, with a failing status,
// and what was stored before stays as it was.
TEST_F(SetCommandsTest, RefusesBadInputAndKeepsWhatIsStored) {
  ASSERT_EQ(tonnix({QStringLiteral("baseline"), QString::fromLatin1(builtInIdentifier)}).exitCode,
            0);

  const Result unknownSet = tonnix({QStringLiteral("baseline"), QStringLiteral("no.such.set")});
  EXPECT_EQ(unknownSet.exitCode, 1);
  EXPECT_EQ(unknownSet.errors, QStringLiteral("No installed set has the identifier no.such.set"));
  EXPECT_EQ(tonnix({QStringLiteral("baseline")}).output, QString::fromLatin1(builtInIdentifier));

  const Result badCode =
      tonnix({QStringLiteral("assign"), QStringLiteral("toolong"), QStringLiteral("silent")});
  EXPECT_EQ(badCode.exitCode, 1);
  EXPECT_EQ(badCode.errors, QStringLiteral("toolong is not a four-character sound identifier"));

  QFile garbage(path(QStringLiteral("Not A Set")));
  ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
  garbage.write("plain text, no resource fork");
  garbage.close();
  const Result notASet = tonnix({QStringLiteral("import"), garbage.fileName()});
  EXPECT_EQ(notASet.exitCode, 1);
  EXPECT_EQ(notASet.errors,
            QStringLiteral("Not A Set has no resource fork, so it is not a classic sound set"));
  EXPECT_FALSE(tonnix({QStringLiteral("sets")}).output.contains(QStringLiteral("Not A Set")));
  EXPECT_TRUE(QDir(path(QStringLiteral("data/tonnix/Tonnix Sets")))
                  .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden)
                  .isEmpty())
      << "a refused import leaves nothing half-made";

  const Result nowhere =
      tonnix({QStringLiteral("export"), path(QStringLiteral("Not A Set/inside/Mine"))});
  EXPECT_EQ(nowhere.exitCode, 1);
  EXPECT_TRUE(nowhere.errors.startsWith(QStringLiteral("Could not save Mine.tonnixset: ")))
      << qPrintable(nowhere.errors);
  EXPECT_EQ(tonnix({QStringLiteral("baseline")}).output, QString::fromLatin1(builtInIdentifier));
}

}  // namespace
