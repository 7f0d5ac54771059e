// The set commands, each a run of the program in one scratch home, so that
// what one command stores the next one reads.

#include <gtest/gtest.h>

#include <QDir>

#include "program.h"
#include "resource_fork_writer.h"
#include "sound_resources.h"

namespace {

using tonnix_test::ScratchHome;

const QString builtInIdentifier = QStringLiteral("org.tonnix.tonnixset.default");

TEST(SetCommands, ImportsAClassicSetListsItAndExportsTheCurrentChoice) {
  ScratchHome home;
  const auto before = home.run({"sets"});
  ASSERT_EQ(before.exitCode, 0) << qPrintable(before.errors);
  EXPECT_TRUE(before.output.contains(builtInIdentifier)) << qPrintable(before.output);

  // A classic set whose one sound plays the press and release of a button.
  const auto classic =
      TestResourceForkWriter()
          .add("snd ", 128, format1Sound(standardHeader(kRate22050, {0x80, 0xC0, 0x40})))
          .add("snd#", 1, soundList({{"btnp", {128}}, {"btnr", {128}}}, 20))
          .bytes();
  const auto imported = home.run(
      {"import", home.write("Chimes", QByteArray(reinterpret_cast<const char*>(classic.data()),
                                                 static_cast<qsizetype>(classic.size())))});
  ASSERT_EQ(imported.exitCode, 0) << qPrintable(imported.errors);
  EXPECT_EQ(imported.output.trimmed(), QStringLiteral("Imported Chimes: 2 events from 1 sounds"));
  EXPECT_TRUE(home.run({"sets"}).output.contains(
      QStringLiteral("Chimes\torg.tonnix.tonnixset.imported.chimes\tuser\t2")));

  ASSERT_EQ(home.run({"assign", "btnp", "set:org.tonnix.tonnixset.imported.chimes"}).exitCode, 0);
  EXPECT_EQ(home.run({"selection", "btnp"}).output.trimmed(),
            QStringLiteral("set:org.tonnix.tonnixset.imported.chimes"));

  const auto exported = home.run({"export", home.path("Mine")});
  ASSERT_EQ(exported.exitCode, 0) << qPrintable(exported.errors);
  EXPECT_TRUE(exported.output.startsWith(QStringLiteral("Exported Mine: ")))
      << qPrintable(exported.output);
  EXPECT_FALSE(home.read(QStringLiteral("Mine.tonnixset/Contents/Info.plist")).isEmpty());
}

// Bad input is refused in the program's own words, with a failing status,
// and what was stored before stays as it was.
TEST(SetCommands, RefusesBadInputAndKeepsWhatIsStored) {
  ScratchHome home;
  ASSERT_EQ(home.run({"baseline", builtInIdentifier}).exitCode, 0);

  const std::pair<QStringList, QString> refused[] = {
      {{"baseline", "no.such.set"}, "No installed set has the identifier no.such.set"},
      {{"assign", "toolong", "silent"}, "toolong is not a four-character sound identifier"},
      {{"import", home.write("Not A Set", "plain text, no resource fork")},
       "Not A Set has no resource fork, so it is not a classic sound set"},
  };
  for (const auto& [arguments, error] : refused) {
    const auto result = home.run(arguments);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.errors.trimmed(), error);
  }

  EXPECT_TRUE(QDir(home.path(QStringLiteral("data/tonnix/Tonnix Sets")))
                  .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden)
                  .isEmpty())
      << "a refused import leaves nothing half-made";

  EXPECT_EQ(home.run({"baseline"}).output.trimmed(), builtInIdentifier);
}

}  // namespace
