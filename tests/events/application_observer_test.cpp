#include "events/application_observer.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_accessibility.h"

namespace A = TonnixAXAttribute;
namespace N = TonnixAXNotification;

namespace {

constexpr std::int32_t pid = 42;

std::vector<TonnixNotificationMapping> mappingsWithout(const QString& name) {
  std::vector<TonnixNotificationMapping> mappings;
  for (const auto& mapping : defaultNotificationMappings()) {
    if (mapping.notification.rawValue != name) mappings.push_back(mapping);
  }
  return mappings;
}

QStringList enabledNamesWithoutDestroyed() {
  QStringList names;
  for (const auto& mapping : mappingsWithout(N::uiElementDestroyed)) {
    names.append(mapping.notification.rawValue);
  }
  return names;
}

}  // namespace

class ApplicationObserver : public testing::Test {
 protected:
  void SetUp() override { connectRecorder(*observer); }

  std::unique_ptr<TonnixApplicationObserver> makeObserver(
      const std::vector<TonnixNotificationMapping>& mappings = defaultNotificationMappings()) {
    return std::make_unique<TonnixApplicationObserver>(
        fake, pid, QStringLiteral("Editor"), QStringLiteral("org.example.Editor"), application,
        TonnixMappingsByRawName(mappings));
  }

  void connectRecorder(TonnixApplicationObserver& source) {
    QObject::connect(&source, &TonnixApplicationObserver::eventOccurred,
                     [this](const TonnixEvent& event) { events.push_back(event); });
  }

  void replaceObserver(const std::vector<TonnixNotificationMapping>& mappings) {
    observer = makeObserver(mappings);
    connectRecorder(*observer);
  }

  TonnixAXElement window(const char* subrole = nullptr) {
    auto element = fake.addElement(pid);
    fake.setAttribute(element, A::role, "AXWindow");
    if (subrole) fake.setAttribute(element, A::subrole, subrole);
    return element;
  }

  std::vector<std::string> sounds() const {
    std::vector<std::string> codes;
    for (const auto& event : events) codes.push_back(event.soundID.description());
    return codes;
  }

  TonnixFakeAccessibility fake;
  TonnixAXElement application = fake.applicationElement(pid);
  std::unique_ptr<TonnixApplicationObserver> observer = makeObserver();
  std::vector<TonnixEvent> events;
};

TEST_F(ApplicationObserver, AttachRegistersInOrderOnceAndTeardownOrDestructionUndoesIt) {
  const auto existing = window();
  fake.setAttribute(application, A::windows, TonnixAXValue::Array{existing});
  observer->teardown();
  ASSERT_TRUE(observer->attach());
  ASSERT_EQ(enabledNamesWithoutDestroyed().size(), 20);
  EXPECT_EQ(observer->registeredRawNames(), enabledNamesWithoutDestroyed());
  EXPECT_EQ(fake.registeredNotifications(application), observer->registeredRawNames());
  EXPECT_FALSE(observer->didTimeOut());
  EXPECT_EQ(observer->trackedElements().size(), 1u);
  ASSERT_TRUE(observer->attach());
  EXPECT_EQ(fake.observerCount(pid), 1);
  EXPECT_EQ(observer->registeredRawNames().size(), 20);

  observer->teardown();
  EXPECT_FALSE(observer->isAttached());
  EXPECT_TRUE(observer->registeredRawNames().isEmpty());
  EXPECT_TRUE(observer->trackedElements().empty());
  EXPECT_TRUE(fake.registeredNotifications(application).isEmpty());
  EXPECT_TRUE(fake.registeredNotifications(existing).isEmpty());
  EXPECT_EQ(fake.observerCount(pid), 0);
  fake.post(window(), N::windowCreated);
  EXPECT_TRUE(events.empty());
  observer->teardown();

  ASSERT_TRUE(observer->attach());
  EXPECT_EQ(observer->registeredRawNames().size(), 20);
  EXPECT_EQ(observer->trackedElements().size(), 1u);
  observer.reset();
  EXPECT_EQ(fake.observerCount(pid), 0);
  EXPECT_TRUE(fake.registeredNotifications(existing).isEmpty());
  fake.destroy(existing);
  EXPECT_TRUE(events.empty());
}

TEST_F(ApplicationObserver, ObserverThatCannotBeCreated) {
  fake.failObserverCreation(pid, TonnixAXError::cannotComplete);
  const auto timedOut = observer->attach();
  ASSERT_FALSE(timedOut);
  EXPECT_EQ(timedOut.error().description(),
            QStringLiteral("AXObserverCreate failed for pid 42 with error -25204"));
  EXPECT_TRUE(observer->didTimeOut());
  EXPECT_FALSE(observer->isAttached());

  fake.failObserverCreation(pid, TonnixAXError::apiDisabled);
  const auto denied = observer->attach();
  ASSERT_FALSE(denied);
  EXPECT_EQ(denied.error().processIdentifier, pid);
  EXPECT_EQ(denied.error().error, TonnixAXError::apiDisabled);
  EXPECT_FALSE(observer->didTimeOut());
  EXPECT_TRUE(observer->registeredRawNames().isEmpty());
}

TEST_F(ApplicationObserver, OneTimeOutIsForgivenTwoInARowStopRegistration) {
  const auto names = enabledNamesWithoutDestroyed();
  fake.failRegistration(application, names[0], TonnixAXError::cannotComplete);
  fake.setAttribute(application, A::windows, TonnixAXValue::Array{window()});
  ASSERT_TRUE(observer->attach());
  EXPECT_TRUE(observer->didTimeOut());
  EXPECT_EQ(observer->registeredRawNames(), names.mid(1));
  // An application that did not answer is not asked for its windows.
  EXPECT_TRUE(observer->trackedElements().empty());
  observer->teardown();

  // Other errors neither count as a time-out nor break a run of them.
  fake.failRegistration(application, names[3], TonnixAXError::cannotComplete);
  fake.failRegistration(application, names[4], TonnixAXError::notificationUnsupported);
  fake.failRegistration(application, names[5], TonnixAXError::cannotComplete);
  ASSERT_TRUE(observer->attach());
  EXPECT_EQ(observer->registeredRawNames(), names.mid(1, 2));
  EXPECT_TRUE(observer->isAttached());
}

TEST_F(ApplicationObserver, ExistingWindowsGetTheOrdinaryCloseSound) {
  const auto dialog = window("AXDialog");
  fake.setAttribute(application, A::windows,
                    TonnixAXValue::Array{TonnixAXValue("not a window"), TonnixAXValue(), dialog});
  ASSERT_TRUE(observer->attach());
  const auto& tracked = observer->trackedElements();
  ASSERT_EQ(tracked.size(), 1u);
  EXPECT_EQ(tracked[0].closeSoundID, TonnixSoundID("wcls"));
  EXPECT_EQ(tracked[0].name, std::nullopt);
  EXPECT_EQ(fake.registeredNotifications(dialog), QStringList{N::uiElementDestroyed});

  fake.destroy(dialog);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].soundID, TonnixSoundID("wcls"));
  EXPECT_FALSE(events[0].element.has_value());
}

TEST_F(ApplicationObserver, ExistingWindowsOnlyWhenWindowCreationIsMapped) {
  fake.setAttribute(application, A::windows, TonnixAXValue::Array{window()});
  replaceObserver(mappingsWithout(N::windowCreated));
  ASSERT_TRUE(observer->attach());
  EXPECT_TRUE(observer->trackedElements().empty());
  observer->teardown();

  replaceObserver(defaultNotificationMappings());
  fake.setAttributeError(application, A::windows, TonnixAXError::cannotComplete);
  ASSERT_TRUE(observer->attach());
  EXPECT_TRUE(observer->didTimeOut());
  EXPECT_EQ(observer->registeredRawNames().size(), 20);

  observer->teardown();
  fake.setAttribute(application, A::windows, "not a list");
  ASSERT_TRUE(observer->attach());
  EXPECT_FALSE(observer->didTimeOut());
  EXPECT_TRUE(observer->trackedElements().empty());
}

TEST_F(ApplicationObserver, FixedNotificationMakesAnApplicationEventAndRowsNotEnabledNone) {
  ASSERT_TRUE(observer->attach());
  const auto menu = fake.addElement(pid);
  for (const auto& name : {N::valueChanged, N::mainWindowChanged, N::created, N::moved}) {
    fake.post(menu, name);
  }
  EXPECT_TRUE(events.empty());
  const auto before = TonnixEvent::Clock::now();
  fake.post(menu, N::menuOpened);
  ASSERT_EQ(events.size(), 1u);
  const auto& event = events[0];
  EXPECT_EQ(event.processIdentifier, pid);
  EXPECT_GE(event.date, before);
  EXPECT_EQ(event.origin, TonnixEventOrigin::application);
  EXPECT_EQ(event.detail, std::nullopt);
  ASSERT_TRUE(event.element && event.element->element());
  EXPECT_EQ(*event.element->element(), menu);
}

TEST_F(ApplicationObserver, CreatedWindowsSheetsAndTagsPlayTheirCloseSoundWhenDestroyed) {
  ASSERT_TRUE(observer->attach());
  const auto plain = fake.addElement(pid);
  fake.setAttributeError(plain, A::subrole, TonnixAXError::cannotComplete);
  const auto floating = window("AXFloatingWindow");
  fake.post(plain, N::windowCreated);
  fake.post(floating, N::windowCreated);
  EXPECT_EQ(sounds(), (std::vector<std::string>{"wopn", "uopn"}));

  const auto& tracked = observer->trackedElements();
  ASSERT_EQ(tracked.size(), 2u);
  EXPECT_EQ(tracked[0].closeSoundID, TonnixSoundID("wcls"));
  EXPECT_EQ(tracked[0].name, std::nullopt);
  EXPECT_EQ(tracked[1].closeSoundID, TonnixSoundID("ucls"));

  fake.destroy(plain);
  EXPECT_EQ(sounds(), (std::vector<std::string>{"wopn", "uopn", "wcls"}));
  // The name a closed window had at its opening is the simulated desktop's test.
  EXPECT_EQ(events[2].notificationName, N::uiElementDestroyed);
  EXPECT_FALSE(events[2].element.has_value());
  ASSERT_EQ(tracked.size(), 1u);
  EXPECT_EQ(tracked[0].element, floating);

  events.clear();
  const auto sheet = fake.addElement(pid);
  const auto tag = fake.addElement(pid);
  fake.post(sheet, N::sheetCreated);
  fake.post(tag, N::helpTagCreated);
  fake.destroy(tag);
  fake.destroy(sheet);
  EXPECT_EQ(sounds(), (std::vector<std::string>{"dopn", "blno", "blnc", "dlgc"}));
}

TEST_F(ApplicationObserver, AWindowIsTrackedOnceAndNotWhenItVanishedFirst) {
  ASSERT_TRUE(observer->attach());
  const auto twice = window();
  fake.post(twice, N::windowCreated);
  fake.post(fake.alias(twice), N::windowCreated);
  EXPECT_EQ(observer->trackedElements().size(), 1u);
  EXPECT_EQ(fake.registeredNotifications(twice), QStringList{N::uiElementDestroyed});

  const auto gone = window();
  fake.failRegistration(gone, N::uiElementDestroyed, TonnixAXError::invalidUIElement);
  fake.post(gone, N::windowCreated);
  EXPECT_EQ(sounds(), (std::vector<std::string>{"wopn", "wopn", "wopn"}));
  EXPECT_EQ(observer->trackedElements().size(), 1u);
}

TEST_F(ApplicationObserver, NoTrackingWithoutTheDestructionMapping) {
  replaceObserver(mappingsWithout(N::uiElementDestroyed));
  ASSERT_TRUE(observer->attach());
  const auto created = window();
  fake.post(created, N::windowCreated);
  EXPECT_EQ(sounds(), std::vector<std::string>{"wopn"});
  EXPECT_TRUE(observer->trackedElements().empty());
  EXPECT_TRUE(fake.registeredNotifications(created).isEmpty());
}

TEST_F(ApplicationObserver, SelectedChildrenSoundOnlyInMenus) {
  ASSERT_TRUE(observer->attach());
  const auto menu = fake.addElement(pid);
  fake.setAttribute(menu, A::role, "AXMenu");
  const auto list = fake.addElement(pid);
  fake.setAttribute(list, A::role, "AXList");
  fake.post(menu, N::selectedChildrenChanged);
  fake.post(list, N::selectedChildrenChanged);
  fake.post(fake.addElement(pid), N::selectedChildrenChanged);
  EXPECT_EQ(sounds(), std::vector<std::string>{"mnui"});
}

TEST_F(ApplicationObserver, AReceiverMayTearDownFromItsSlot) {
  ASSERT_TRUE(observer->attach());
  QObject::connect(observer.get(), &TonnixApplicationObserver::eventOccurred,
                   [&](const TonnixEvent&) { observer->teardown(); });
  fake.post(fake.addElement(pid), N::menuOpened);
  EXPECT_FALSE(observer->isAttached());
  fake.post(fake.addElement(pid), N::menuOpened);
  EXPECT_EQ(events.size(), 1u);
}
