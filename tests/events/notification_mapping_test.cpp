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

// What each row resolves to is pinned down by the observer's tests; here,
// what every row must have, so a mistyped row shows.
TEST(NotificationMappings, EveryRowIsUniqueAndNamesCatalogueSounds) {
  QSet<QString> names;
  for (const auto& mapping : allNotificationMappings()) {
    SCOPED_TRACE(mapping.notification.rawValue.toStdString());
    EXPECT_TRUE(mapping.notification.rawValue.startsWith(QStringLiteral("AX")));
    names.insert(mapping.notification.rawValue);
    for (const auto id : soundsOf(mapping.resolution)) EXPECT_NE(entryForSoundID(id), nullptr);
  }
  EXPECT_EQ(static_cast<std::size_t>(names.size()), allNotificationMappings().size());
}

TEST(WindowSoundPair, BySubroleComparedExactly) {
  const auto pair = [](const char* open, const char* close) {
    return TonnixWindowSoundPair{*TonnixSoundID::fromText(open), *TonnixSoundID::fromText(close)};
  };
  EXPECT_EQ(windowSoundPair(TonnixAXSubrole::dialog), pair("dopn", "dlgc"));
  EXPECT_EQ(windowSoundPair(TonnixAXSubrole::systemDialog), pair("aopn", "altc"));
  EXPECT_EQ(windowSoundPair(TonnixAXSubrole::systemFloatingWindow), pair("uopn", "ucls"));
  EXPECT_EQ(windowSoundPair(QStringLiteral("axdialog")), pair("wopn", "wcls"));
  EXPECT_EQ(windowSoundPair(std::nullopt), pair("wopn", "wcls"));
}

TEST(MappingsByRawName, KeepsTheGivenOrderAndTheFirstOfTwins) {
  auto mappings = defaultNotificationMappings();
  std::reverse(mappings.begin(), mappings.end());
  auto twin = mappings.front();
  twin.resolution = R{R::Fixed{TonnixSoundID("beve")}};
  mappings.push_back(twin);
  const TonnixMappingsByRawName byName(mappings);
  ASSERT_EQ(byName.inOrder().size(), mappings.size() - 1);
  EXPECT_EQ(byName.inOrder().front(), mappings.front());
  EXPECT_EQ(byName.find(twin.notification.rawValue)->resolution, mappings.front().resolution);
  EXPECT_EQ(byName.find(QStringLiteral("AXNothing")), nullptr);
}
