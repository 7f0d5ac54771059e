#include <gtest/gtest.h>

#include <QDir>

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
// aside like any other unreadable one.
TEST(PlistPreferencesStore, SetsAnUnreadableFileAsideAndStartsFromDefaults) {
  std::string nested = "<plist version=\"1.0\"><dict><key>a</key>";
  for (int n = 0; n < 100000; ++n) nested += "<array>";
  for (const std::string& unreadable : {std::string("<plist><dict><key>broken"), nested}) {
    TemporaryFolder temp;
    writeText(temp / "preferences.plist", unreadable);
    testing::internal::CaptureStdout();
    TonnixPlistPreferencesStore store(qPath(temp / "preferences.plist"));
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(output.starts_with("TonnixPreferencesStore: could not read ")) << output;
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1);
    EXPECT_FALSE(store.value("a").isValid());

    const QStringList files = folderEntries(temp.path());
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(files[0].startsWith("preferences.plist.corrupt-"));
    EXPECT_EQ(readText(temp / files[0].toStdString()), unreadable);

    store.setString("key", "value");
    EXPECT_EQ(TonnixPlistPreferencesStore(qPath(temp / "preferences.plist")).stringValue("key"),
              "value");
  }
}
