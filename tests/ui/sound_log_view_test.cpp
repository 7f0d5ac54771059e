// The "WTF Was That?!" page over the controller's real sound log.

#include "ui/sound_log_view.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include "settings_desktop.h"
#include "ui/event_words.h"

using namespace std::chrono_literals;
using ui_test::named;
using ui_test::SettingsDesktop;
using ui_test::withText;

namespace {

struct ShownLog {
  ShownLog() : view(desktop.model()) {
    view.setClock([this] { return now; });
    view.show();
    if (!QTest::qWaitForWindowExposed(&view)) throw std::runtime_error("view not shown");
  }

  TonnixSoundLog& log() { return desktop.controller().log(); }
  QPushButton& clear() { return withText<QPushButton>(view, QStringLiteral("Clear")); }
  QStringList rows() const {
    QStringList texts;
    const auto& tree = *view.findChild<QTreeWidget*>();
    for (int row = 0; row < tree.topLevelItemCount(); ++row) {
      texts << tree.topLevelItem(row)->text(0);
      for (int child = 0; child < tree.topLevelItem(row)->childCount(); ++child)
        texts << tree.topLevelItem(row)->child(child)->text(0).section(u'\n', 0, 0);
    }
    return texts;
  }
  void hear(const char* notification, TonnixSoundID soundID, TonnixDate date) {
    log().record({.notificationName = QString::fromLatin1(notification),
                  .soundID = soundID,
                  .processIdentifier = 2101,
                  .applicationName = QStringLiteral("Text Editor")},
                 date);
  }

  SettingsDesktop desktop;
  TonnixDate now = TonnixDate::clock::now();
  TonnixSoundLogView view;
};

}  // namespace

TEST(SoundLogView, EmptyLogShowsOnlyTheExplanationAndTheEmptyText) {
  ShownLog shown;
  EXPECT_FALSE(shown.clear().isEnabled());
  EXPECT_TRUE(named<QLabel>(shown.view, "emptyLog").isVisible());
  EXPECT_FALSE(named<QLabel>(shown.view, "silenceBanner").isVisible());
  EXPECT_FALSE(named<QLabel>(shown.view, "summary").isVisible());
}

TEST(SoundLogView, AnOpenSilenceKeepsClearDisabledAndSurvivesClear) {
  ShownLog shown;
  shown.log().silenceChanged(TonnixSilenceReason::sharedDisplay, shown.now - 60s);
  EXPECT_FALSE(shown.clear().isEnabled());
  auto& banner = named<QLabel>(shown.view, "silenceBanner");
  EXPECT_TRUE(banner.isVisible());
  EXPECT_TRUE(banner.text().startsWith(QStringLiteral("Nothing can be heard right now: ")));

  shown.hear("AXMenuOpened", TonnixSoundID("mnuo"), shown.now - 30s);
  shown.hear("AXMenuOpened", TonnixSoundID("mnuo"), shown.now - 10s);
  ASSERT_TRUE(shown.clear().isEnabled());
  EXPECT_EQ(named<QLabel>(shown.view, "summary").text(),
            QStringLiteral("1 event, 2 times, from 1 app in the last two hours. Most recently "
                           "about 10 seconds ago."));
  EXPECT_EQ(shown.rows().size(), 3) << shown.rows().join(u'|').toStdString();
  EXPECT_TRUE(shown.rows()[0].startsWith(QStringLiteral("Silence: "))) << "open silence is newest";

  ui_test::click(shown.clear());
  EXPECT_FALSE(shown.clear().isEnabled());
  ASSERT_EQ(shown.rows().size(), 1);
  EXPECT_TRUE(shown.rows()[0].endsWith(QStringLiteral("(sounds held back)\nsince ") +
                                       shown.rows()[0].section(QStringLiteral("since "), 1)));
}

TEST(SoundLogView, AnEntryOlderThanTwoHoursGoesOnTheNextPruneTick) {
  ShownLog shown;
  shown.hear("AXWindowCreated", TonnixSoundID("wopn"), shown.now - 1h);
  ASSERT_EQ(shown.rows().size(), 2);
  auto& prune = named<QTimer>(shown.view, "pruneTimer");
  EXPECT_TRUE(prune.isActive());
  EXPECT_EQ(prune.interval(), 30'000);

  shown.now += 61min;
  ASSERT_TRUE(QMetaObject::invokeMethod(&prune, "timeout"));
  EXPECT_TRUE(shown.rows().isEmpty());
  EXPECT_TRUE(named<QLabel>(shown.view, "emptyLog").isVisible());

  shown.view.hide();
  EXPECT_FALSE(prune.isActive());
  EXPECT_FALSE(named<QTimer>(shown.view, "silenceTimer").isActive());
}

TEST(SoundLogView, PlayItAgainPreviewsAndIsOffForASoundWithoutAFile) {
  ShownLog shown;
  shown.desktop.assignments.setSelection(TonnixSelection::silent(), TonnixSoundID("wcls"));
  shown.hear("AXUIElementDestroyed", TonnixSoundID("wcls"), shown.now - 2s);
  shown.hear("AXMenuOpened", TonnixSoundID("mnuo"), shown.now - 1s);
  const auto replays = shown.view.findChildren<QToolButton*>(QStringLiteral("replay"));
  ASSERT_EQ(replays.size(), 2);
  const auto enabled = replays[0]->isEnabled() ? replays[0] : replays[1];
  EXPECT_FALSE((replays[0]->isEnabled() ? replays[1] : replays[0])->isEnabled());
  enabled->click();
  ASSERT_EQ(shown.desktop.audio.plays().size(), 1u);
  EXPECT_EQ(shown.desktop.audio.plays()[0].file.filename(), "MenuOpen.aiff");
}

TEST(SoundLogView, AnEntryReadsInTheDesktopsWordsWithTheReportedNameInItsTooltip) {
  ShownLog shown;
  shown.log().record({.notificationName = QStringLiteral("AXUIElementDestroyed"),
                      .soundID = TonnixSoundID("wcls"),
                      .processIdentifier = 2101,
                      .applicationName = QStringLiteral("Text Editor"),
                      .element = TonnixEventElement::named(
                          QStringLiteral("AXWindow[AXStandardWindow] \"Probe second\" a frame"))},
                     shown.now - 1s);
  ASSERT_EQ(shown.rows().size(), 2);
  EXPECT_EQ(shown.rows()[1], QStringLiteral("Window Close — frame \"Probe second\""));
  const auto& entry = *shown.view.findChild<QTreeWidget*>()->topLevelItem(0)->child(0);
  EXPECT_TRUE(entry.toolTip(0).endsWith(QStringLiteral("Reported as AXUIElementDestroyed")));
}

TEST(SoundLogView, ElementDescriptionsSayTheRoleAsTheDesktopDoes) {
  const std::pair<const char*, const char*> cases[] = {
      {"AXWindow[AXFloatingWindow] a window", "window"},
      {"AXMenuItem \"Save a copy\" a menu item", "menu item \"Save a copy\""},
      {"AXMenuItem \"Save a copy\"", "menu item \"Save a copy\""},
      {"AXWindow[AXDialog] #prefs \"Preferences\"", "dialog #prefs \"Preferences\""},
      {"AXButton #ok (Confirms) a push button url https://a.example/",
       "push button #ok (Confirms) url https://a.example/"},
      {"Disk Mounted", "Disk Mounted"}};
  for (const auto& [logged, shown] : cases) {
    EXPECT_EQ(elementInDesktopWords(QString::fromUtf8(logged)), QString::fromUtf8(shown)) << logged;
  }
}
