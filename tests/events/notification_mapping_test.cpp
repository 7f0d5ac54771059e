#include "events/notification_mapping.h"

#include <gtest/gtest.h>

#include <QSet>

#include "catalogue/catalogue.h"
#include "platform/accessibility.h"

namespace {

using R = TonnixSoundResolution;

std::vector<TonnixSoundID> soundsOf(const TonnixSoundResolution& resolution) {
  if (const auto* fixed = std::get_if<R::Fixed>(&resolution.value)) return {fixed->soundID};
  if (const auto* tracked = std::get_if<R::Tracked>(&resolution.value)) {
    return {tracked->open, tracked->close};
  }
  if (const auto* sounds = std::get_if<R::SelectedChildrenChanged>(&resolution.value)) {
    return {sounds->defaultSound, sounds->menuHilite};
  }
  return {};
}

}  // namespace

TEST(NotificationMappings, TableShape) {
  const auto& all = allNotificationMappings();
  ASSERT_EQ(all.size(), 29u);
  QSet<QString> names;
  std::size_t kinds[5] = {};
  for (const auto& mapping : all) {
    SCOPED_TRACE(mapping.notification.rawValue.toStdString());
    EXPECT_TRUE(mapping.notification.rawValue.startsWith(QStringLiteral("AX")));
    names.insert(mapping.notification.rawValue);
    ++kinds[mapping.resolution.value.index()];
    // Every sound the table asks for exists in the catalogue.
    for (const auto id : soundsOf(mapping.resolution)) EXPECT_NE(entryForSoundID(id), nullptr);
  }
  EXPECT_EQ(names.size(), 29);
  EXPECT_EQ(kinds[0], 23u);  // fixed
  EXPECT_EQ(kinds[1], 3u);   // tracked: drawers, sheets, help tags
  EXPECT_EQ(kinds[2], 1u);
  EXPECT_EQ(kinds[3], 1u);
  EXPECT_EQ(kinds[4], 1u);
  EXPECT_EQ(all.front().notification.rawValue, TonnixAXNotification::focusedWindowChanged);
  EXPECT_EQ(all.back().notification.rawValue, TonnixAXNotification::moved);
}

TEST(NotificationMappings, EnabledByDefaultAreTheMarkedRowsInTableOrder) {
  std::vector<TonnixNotificationMapping> marked;
  for (const auto& mapping : allNotificationMappings()) {
    if (mapping.isEnabledByDefault) marked.push_back(mapping);
  }
  EXPECT_EQ(defaultNotificationMappings(), marked);
  EXPECT_EQ(marked.size(), 21u);
  const TonnixMappingsByRawName enabled(defaultNotificationMappings());
  for (const auto& quiet :
       {TonnixAXNotification::mainWindowChanged, TonnixAXNotification::valueChanged,
        TonnixAXNotification::selectedTextChanged, TonnixAXNotification::moved}) {
    EXPECT_FALSE(enabled.contains(quiet));
  }
  EXPECT_TRUE(enabled.contains(TonnixAXNotification::uiElementDestroyed));
}

TEST(NotificationMappings, ResolutionsThatDependOnTheElement) {
  const TonnixMappingsByRawName all(allNotificationMappings());
  EXPECT_EQ(all.find(TonnixAXNotification::windowCreated)->resolution, R{R::CreatedWindow{}});
  EXPECT_EQ(all.find(TonnixAXNotification::uiElementDestroyed)->resolution,
            R{R::DestroyedElement{}});
  EXPECT_EQ(all.find(TonnixAXNotification::sheetCreated)->resolution,
            (R{R::Tracked{TonnixSoundID("dopn"), TonnixSoundID("dlgc")}}));
  EXPECT_EQ(all.find(TonnixAXNotification::selectedChildrenChanged)->resolution,
            (R{R::SelectedChildrenChanged{TonnixSoundID("fsel"), TonnixSoundID("mnui")}}));
}

TEST(WindowSoundPair, BySubroleComparedExactly) {
  const auto pair = [](const char* open, const char* close) {
    return TonnixWindowSoundPair{*TonnixSoundID::fromText(open), *TonnixSoundID::fromText(close)};
  };
  EXPECT_EQ(windowSoundPair(TonnixAXSubrole::dialog), pair("dopn", "dlgc"));
  EXPECT_EQ(windowSoundPair(TonnixAXSubrole::systemDialog), pair("aopn", "altc"));
  EXPECT_EQ(windowSoundPair(TonnixAXSubrole::floatingWindow), pair("uopn", "ucls"));
  EXPECT_EQ(windowSoundPair(TonnixAXSubrole::systemFloatingWindow), pair("uopn", "ucls"));
  EXPECT_EQ(windowSoundPair(QStringLiteral("AXStandardWindow")), pair("wopn", "wcls"));
  EXPECT_EQ(windowSoundPair(QStringLiteral("axdialog")), pair("wopn", "wcls"));
  EXPECT_EQ(windowSoundPair(QString()), pair("wopn", "wcls"));
  EXPECT_EQ(windowSoundPair(std::nullopt), pair("wopn", "wcls"));
}

TEST(MappingsByRawName, KeepsTheGivenOrderAndTheFirstOfTwins) {
  auto mappings = defaultNotificationMappings();
  std::reverse(mappings.begin(), mappings.end());
  auto twin = mappings.front();
  twin.resolution = R{R::Fixed{TonnixSoundID("beve")}};
  mappings.push_back(twin);
  const TonnixMappingsByRawName byName(mappings);
  ASSERT_EQ(byName.inOrder().size(), 21u);
  EXPECT_EQ(byName.inOrder().front(), mappings.front());
  EXPECT_EQ(byName.find(twin.notification.rawValue)->resolution, mappings.front().resolution);
  EXPECT_EQ(byName.find(QStringLiteral("AXNothing")), nullptr);
  EXPECT_EQ(TonnixMappingsByRawName().find(TonnixAXNotification::menuOpened), nullptr);
}
