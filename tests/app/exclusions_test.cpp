#include "app/exclusions.h"

#include <gtest/gtest.h>

#include "platform/fake/memory_preferences_store.h"

namespace {

QMap<QString, QString> stored(const TonnixMemoryPreferencesStore& store) {
  return store.stringDictionary(TonnixExcludedApplications).value_or(QMap<QString, QString>{});
}

const QString kEditor = QStringLiteral("org.gnome.TextEditor");

}  // namespace

// Anything but a dictionary of strings loads as nothing, and the next change
// writes a well-formed map over it.
TEST(Exclusions, DamagedValueLoadsAsNoExclusionsAndIsReplaced) {
  for (const QVariant& damaged :
       {QVariant(QStringLiteral("org.a")), QVariant(qint64(3)),
        QVariant(QVariantMap{{QStringLiteral("org.a"), QStringLiteral("A")},
                             {QStringLiteral("org.b"), qint64(7)}}),
        QVariant(QVariantList{QStringLiteral("org.a")})}) {
    TonnixMemoryPreferencesStore store({{TonnixExcludedApplications, damaged}});
    TonnixExclusions exclusions(store);
    EXPECT_TRUE(exclusions.exclusions().isEmpty());
    EXPECT_FALSE(exclusions.isExcluded(QStringLiteral("org.a")));
    exclusions.exclude(kEditor);
    EXPECT_EQ(stored(store), (QMap<QString, QString>{{kEditor, QString()}}));
  }
}

// Each change is written once, and is what the next start reads.
TEST(Exclusions, ExcludeKeepsAStoredNameIncludeWritesOnlyARemovalAndBothSurviveARestart) {
  TonnixMemoryPreferencesStore store;
  TonnixExclusions exclusions(store);
  exclusions.include(kEditor);
  EXPECT_EQ(store.writeCount(TonnixExcludedApplications), 0);
  exclusions.exclude(kEditor);
  EXPECT_EQ(stored(store), (QMap<QString, QString>{{kEditor, QString()}}));

  exclusions.exclude(kEditor, QStringLiteral("Text Editor"));
  exclusions.exclude(kEditor);
  EXPECT_EQ(stored(store), (QMap<QString, QString>{{kEditor, QStringLiteral("Text Editor")}}));
  EXPECT_EQ(store.writeCount(TonnixExcludedApplications), 3);
  EXPECT_EQ(TonnixExclusions(store).exclusions(),
            (QList<TonnixExclusion>{{kEditor, QStringLiteral("Text Editor")}}));

  exclusions.include(kEditor);
  EXPECT_EQ(store.writeCount(TonnixExcludedApplications), 4);
  EXPECT_TRUE(stored(store).isEmpty());
  EXPECT_FALSE(exclusions.isExcluded(kEditor));
  EXPECT_FALSE(TonnixExclusions(store).isExcluded(kEditor));
}

TEST(Exclusions, ErrorTextNamesTheFile) {
  EXPECT_EQ(TonnixExclusionError::noBundleIdentifier(
                QUrl::fromLocalFile(QStringLiteral("/opt/Some App/")))
                .description(),
            QStringLiteral(
                "Some App has no application ID, so Tonnix cannot tell it apart to exclude it."));
}
