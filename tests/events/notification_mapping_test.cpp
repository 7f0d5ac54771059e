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
  // Dialogs and plain windows are the observer's tests'.
  EXPECT_EQ(windowSoundPair(TonnixAXSubrole::systemDialog), pair("aopn", "altc"));
  EXPECT_EQ(windowSoundPair(TonnixAXSubrole::systemFloatingWindow), pair("uopn", "ucls"));
  EXPECT_EQ(windowSoundPair(QStringLiteral("axdialog")), pair("wopn", "wcls"));
}
