#include <gtest/gtest.h>

#include <QDir>
#include <QLockFile>

#include "library_fixtures.h"
#include "platform/linux/plist_preferences_store.h"

using namespace fixtures;

namespace {

QString qPath(const fs::path& path) {
  return QString::fromStdString(path.string());
}

QStringList folderEntries(const fs::path& folder) {
  return QDir(qPath(folder)).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

}  // namespace

TEST(PlistPreferencesStore, KeepsEveryTypeAcrossRuns) {
  TemporaryFolder temp;
  const QString file = qPath(temp / "config" / "tonnix" / "preferences.plist");
  {
    TonnixPlistPreferencesStore store(file);
    store.setBool("TonnixPlaysClickSounds", false);
    store.setInteger("count", -3);
    store.setDouble("TonnixMasterVolume", 0.25);
    store.setString("name", "Ünïcode & <xml>");
    store.setData("data", QByteArray("\0\1\2", 3));
    store.setStringDictionary("strings", {{"mnuo", ""}, {"mnuc", "org.example"}});
    store.setDataDictionary("datas", {{"wclp", QByteArray("/a/b.wav")}});
    store.setValue("list", QVariantList{1, QString("two")});
    store.setString("gone", "x");
    TonnixPlistPreferencesStore(file).setString("other", "kept");  // another process
    store.removeValue("gone");
  }
  TonnixPlistPreferencesStore reread(file);
  EXPECT_EQ(reread.stringValue("other"), "kept");
  EXPECT_FALSE(reread.boolValue("TonnixPlaysClickSounds", true));
  EXPECT_EQ(reread.integerValue("count", 0), -3);
  EXPECT_EQ(reread.doubleValue("TonnixMasterVolume", 1.0), 0.25);
  EXPECT_EQ(reread.stringValue("name"), "Ünïcode & <xml>");
  EXPECT_EQ(reread.dataValue("data"), QByteArray("\0\1\2", 3));
  EXPECT_EQ(reread.stringDictionary("strings"),
            (QMap<QString, QString>{{"mnuo", ""}, {"mnuc", "org.example"}}));
  EXPECT_EQ(reread.dataDictionary("datas"),
            (QMap<QString, QByteArray>{{"wclp", QByteArray("/a/b.wav")}}));
  EXPECT_EQ(reread.value("list").toList().size(), 2);
  EXPECT_FALSE(reread.value("gone").isValid());
  EXPECT_EQ(folderEntries(temp / "config" / "tonnix"), QStringList{"preferences.plist"});
}

// A file nested too deeply would overflow the parser's stack; it is set
// aside like any other unreadable one, by the first change, never by a
// program that only reads.
TEST(PlistPreferencesStore, SetsAnUnreadableFileAsideOnTheFirstChange) {
  std::string nested = "<plist version=\"1.0\"><dict><key>a</key>";
  for (int n = 0; n < 100000; ++n) nested += "<array>";
  for (const std::string& unreadable : {std::string("<plist><dict><key>broken"), nested}) {
    TemporaryFolder temp;
    writeText(temp / "preferences.plist", unreadable);
    TonnixPlistPreferencesStore store(qPath(temp / "preferences.plist"));
    EXPECT_FALSE(store.value("a").isValid());
    EXPECT_EQ(folderEntries(temp.path()), QStringList{"preferences.plist"});

    testing::internal::CaptureStderr();
    store.setString("key", "value");
    const std::string output = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(output.starts_with("TonnixPreferencesStore: could not read ")) << output;
    EXPECT_FALSE(store.writeFailure());
    const QStringList files = folderEntries(temp.path());
    ASSERT_EQ(files.size(), 2);
    EXPECT_TRUE(files[1].startsWith("preferences.plist.corrupt-")) << files[1].toStdString();
    EXPECT_EQ(readText(temp / files[1].toStdString()), unreadable);
    EXPECT_EQ(TonnixPlistPreferencesStore(qPath(temp / "preferences.plist")).stringValue("key"),
              "value");
  }
}

TEST(PlistPreferencesStore, SaysWhenAChangeCouldNotBeWritten) {
  TemporaryFolder temp;
  writeText(temp / "config", "a file where the folder should be");
  TonnixPlistPreferencesStore store(qPath(temp / "config" / "preferences.plist"));
  testing::internal::CaptureStderr();
  store.setBool("TonnixPlaysClickSounds", false);
  testing::internal::GetCapturedStderr();
  ASSERT_TRUE(store.writeFailure());
  EXPECT_TRUE(store.writeFailure()->startsWith(QStringLiteral("could not write ")))
      << store.writeFailure()->toStdString();
}

// The running Tonnix changes a setting while a command holds the lock: the
// change waits for the command's and then goes on top of it, so neither is
// lost.
TEST(PlistPreferencesStore, AChangeNeverWritesPastAnotherWritersLock) {
  TemporaryFolder temp;
  const QString file = qPath(temp / "preferences.plist");
  TonnixPlistPreferencesStore running(file, std::chrono::milliseconds(50));
  {
    QLockFile command(file + QStringLiteral(".lock"));
    ASSERT_TRUE(command.tryLock(0));
    testing::internal::CaptureStderr();
    running.setString("TonnixBaseline", "running");
    testing::internal::GetCapturedStderr();
    ASSERT_TRUE(running.writeFailure());
    EXPECT_TRUE(running.writeFailure()->contains(QStringLiteral("locked")));
    writeText(temp / "preferences.plist",
              "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>command</key>"
              "<string>set</string></dict></plist>");
  }
  running.setString("later", "too");
  EXPECT_FALSE(running.writeFailure());
  TonnixPlistPreferencesStore reread(file);
  EXPECT_EQ(reread.stringValue("command"), "set");
  EXPECT_EQ(reread.stringValue("TonnixBaseline"), "running");
  EXPECT_EQ(reread.stringValue("later"), "too");
}
