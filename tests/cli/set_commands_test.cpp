// The set commands, each a run of the program in one scratch home, so that
// what one command stores the next one reads.

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "program.h"
#include "resource_fork_writer.h"
#include "sound_file.h"
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
  EXPECT_TRUE(
      imported.output.endsWith(QStringLiteral("\nImported Chimes: 2 events from 1 sounds\n")))
      << qPrintable(imported.output);
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
      {{"baseline", "no.such.set"},
       "tonnix baseline: No installed set has the identifier no.such.set"},
      {{"assign", "toolong", "silent"},
       "tonnix assign: toolong is not a four-character sound identifier"},
      {{"assign", "btnp", home.path("missing.wav")},
       "tonnix assign: " + home.path("missing.wav") + ": No such file or directory"},
      {{"import", home.write("Not A Set", "plain text, no resource fork")},
       "tonnix import: Not A Set has no resource fork, so it is not a classic sound set"},
      {{"convert", home.path("missing"), home.path("out")},
       "tonnix convert: " + home.path("missing") + ": No such file or directory"},
      {{"remove", builtInIdentifier},
       "tonnix remove: Tonnix Default comes with Tonnix and cannot be removed."},
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

  EXPECT_FALSE(QFileInfo::exists(home.path("out"))) << "a failed conversion makes no folder";
  EXPECT_EQ(home.run({"baseline"}).output.trimmed(), builtInIdentifier);

  ScratchHome blocked;
  blocked.write("config/tonnix", "a file where the preferences folder should be");
  const auto unsaved = blocked.run({"assign", "btnp", "silent"});
  EXPECT_EQ(unsaved.exitCode, 1);
  EXPECT_TRUE(unsaved.errors.contains("tonnix assign: could not write "))
      << qPrintable(unsaved.errors);
}

// Help is output, never data; an option no command knows is an error.
TEST(CommandLine, HelpVersionAndUnknownOptions) {
  ScratchHome home;
  for (const QStringList& arguments :
       {QStringList{"--help"}, {"-h"}, {"help"}, {"help", "export"}, {"export", "--help"}}) {
    const auto help = home.run(arguments);
    EXPECT_EQ(help.exitCode, 0) << qPrintable(arguments.join(' '));
    EXPECT_TRUE(help.output.startsWith(QStringLiteral("Usage: tonnix"))) << qPrintable(help.output);
    EXPECT_TRUE(help.errors.isEmpty());
  }
  EXPECT_TRUE(home.run({"--help"}).output.contains(QStringLiteral("\n  remove     ")));
  EXPECT_TRUE(home.run({"--version"}).output.startsWith(QStringLiteral("tonnix ")));

  const std::pair<QStringList, QString> misused[] = {
      {{"import", "--bogus"}, "tonnix import: Unknown option 'bogus'.\n"},
      {{"catalogue", "extra"},
       "tonnix catalogue: unexpected argument 'extra'; usage: tonnix catalogue\n"},
      {{"export"},
       "tonnix export: missing arguments; usage: tonnix export [--replace] DESTINATION\n"},
  };
  for (const auto& [arguments, error] : misused) {
    const auto result = home.run(arguments);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.errors, error);
  }
  EXPECT_EQ(QDir(home.path(".")).entryList({"*bogus*", "*help*"}), QStringList());
}

// Sets come in one line each, and go to the trash; an export never replaces
// what is there unless asked.
TEST(CommandLine, ImportsExportsAndRemovesByTheirRealNames) {
  ScratchHome home;
  ASSERT_TRUE(tonnix_test::writeSound(home.root() / "Sounds" / "MenuOpen.wav"));
  const auto imported = home.run({"import", home.path("Sounds/."), home.path("missing")});
  EXPECT_EQ(imported.exitCode, 1);
  EXPECT_TRUE(imported.output.startsWith(
      QStringLiteral("Installed Sounds (org.tonnix.tonnixset.sounds) in ")))
      << qPrintable(imported.output);
  EXPECT_TRUE(imported.errors.contains("missing: No such file or directory"));

  ASSERT_EQ(home.run({"export", home.path("Mine")}).exitCode, 0);
  const auto again = home.run({"export", home.path("Mine.tonnixset")});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_TRUE(again.errors.endsWith(QStringLiteral(" exists already; --replace replaces it.\n")));
  EXPECT_EQ(home.run({"export", "--replace", home.path("Mine.tonnixset")}).exitCode, 0);
  QDir().mkpath(home.path("Folder"));
  ASSERT_EQ(home.run({"export", home.path("Folder")}).exitCode, 0);
  EXPECT_TRUE(QFileInfo::exists(home.path("Folder/Tonnix Default Custom.tonnixset")));

  const auto removed = home.run({"remove", "org.tonnix.tonnixset.sounds"});
  EXPECT_EQ(removed.output, QStringLiteral("Moved Sounds to the trash.\n"));
  EXPECT_TRUE(QFileInfo::exists(home.path("data/Trash/files/Sounds.tonnixset")));
  EXPECT_FALSE(home.run({"sets"}).output.contains(QStringLiteral("org.tonnix.tonnixset.sounds")));
}

}  // namespace
