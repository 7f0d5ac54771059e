#include <gtest/gtest.h>

#include "platform/fake/fake_accessibility.h"

// The fake stands in for the desktop in every events test, so it has to
// behave like one where the observer relies on it. Its reads, hit testing
// and time-outs are pinned down by the tests that use them.

namespace {

struct Delivery {
  TonnixAXElement element;
  QString notification;
};

}  // namespace

TEST(FakeAccessibility, ElementsAreEqualByIdentityNotByReference) {
  TonnixFakeAccessibility fake;
  TonnixFakeAccessibility other;
  const auto window = fake.addElement(42);
  EXPECT_EQ(window, fake.alias(window));
  EXPECT_FALSE(window == fake.addElement(42));
  EXPECT_EQ(fake.applicationElement(42), fake.applicationElement(42));
  EXPECT_FALSE(fake.applicationElement(42) == other.applicationElement(42));
  EXPECT_FALSE(fake.applicationElement(42) == fake.systemWideElement());
}

TEST(FakeAccessibility, DeliversToRegistrationsOnTheElementOrItsApplication) {
  TonnixFakeAccessibility fake;
  const auto application = fake.applicationElement(42);
  const auto window = fake.addElement(42);
  const auto stranger = fake.addElement(7);
  std::vector<Delivery> deliveries;
  auto observer = fake.createObserver(42, [&](const TonnixAXElement& element, const QString& name) {
    deliveries.push_back({element, name});
  });
  ASSERT_TRUE(observer);
  ASSERT_TRUE((*observer)->addNotification(application, TonnixAXNotification::windowCreated));
  ASSERT_TRUE((*observer)->addNotification(window, TonnixAXNotification::uiElementDestroyed));
  EXPECT_EQ((*observer)->addNotification(stranger, TonnixAXNotification::menuOpened).error(),
            TonnixAXError::illegalArgument);
  EXPECT_EQ((*observer)->addNotification(window, TonnixAXNotification::uiElementDestroyed).error(),
            TonnixAXError::notificationAlreadyRegistered);

  fake.post(window, TonnixAXNotification::windowCreated);
  fake.post(window, TonnixAXNotification::menuOpened);
  fake.post(stranger, TonnixAXNotification::windowCreated);
  fake.destroy(window);
  ASSERT_EQ(deliveries.size(), 2u);
  EXPECT_EQ(deliveries[0].element, window);
  EXPECT_EQ(deliveries[0].notification, TonnixAXNotification::windowCreated);
  EXPECT_EQ(deliveries[1].notification, TonnixAXNotification::uiElementDestroyed);

  EXPECT_TRUE(fake.registeredNotifications(window).isEmpty());
  EXPECT_EQ(fake.attributeValue(window, TonnixAXAttribute::role).error(),
            TonnixAXError::invalidUIElement);
  observer->reset();
  fake.post(fake.addElement(42), TonnixAXNotification::windowCreated);
  EXPECT_EQ(deliveries.size(), 2u);
  EXPECT_EQ(fake.observerCount(42), 0);
}
