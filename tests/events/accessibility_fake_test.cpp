#include <gtest/gtest.h>

#include "platform/fake/fake_accessibility.h"

// The fake stands in for the desktop in every events test, so it has to
// behave like one where the observer relies on it.

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

TEST(FakeAccessibility, MultipleReadsAnswerInPlace) {
  TonnixFakeAccessibility fake;
  const auto button = fake.addElement(42);
  fake.setAttribute(button, TonnixAXAttribute::role, "AXButton");
  fake.setAttributeError(button, TonnixAXAttribute::title, TonnixAXError::cannotComplete);
  const auto values = fake.attributeValues(
      button, {TonnixAXAttribute::role, TonnixAXAttribute::subrole, TonnixAXAttribute::title});
  ASSERT_TRUE(values);
  ASSERT_EQ(values->size(), 3u);
  EXPECT_EQ(*(*values)[0].as<QString>(), QStringLiteral("AXButton"));
  EXPECT_TRUE((*values)[1].isNull());
  EXPECT_EQ((*values)[2].as<TonnixAXErrorValue>()->error, TonnixAXError::cannotComplete);
  EXPECT_EQ((*values)[0].as<TonnixAXElement>(), nullptr);

  fake.setBatchReads(button, TonnixFakeAccessibility::BatchReads::answerTooFew);
  EXPECT_EQ(fake.attributeValues(button, {TonnixAXAttribute::role})->size(), 0u);
  fake.setBatchReads(button, TonnixFakeAccessibility::BatchReads::fail);
  EXPECT_FALSE(fake.attributeValues(button, {TonnixAXAttribute::role}));
  EXPECT_EQ(fake.attributeValue(button, TonnixAXAttribute::subrole).error(),
            TonnixAXError::attributeUnsupported);
}

TEST(FakeAccessibility, UnresponsiveApplicationsTimeOut) {
  TonnixFakeAccessibility fake;
  const auto window = fake.addElement(42);
  fake.place(window, QRectF(0, 0, 100, 100));
  fake.setUnresponsive(42, true);
  EXPECT_EQ(fake.attributeValue(window, TonnixAXAttribute::role).error(),
            TonnixAXError::cannotComplete);
  EXPECT_EQ(fake.attributeValues(window, {TonnixAXAttribute::role}).error(),
            TonnixAXError::cannotComplete);
  EXPECT_EQ(fake.elementAtPosition(fake.systemWideElement(), 5, 5).error(),
            TonnixAXError::cannotComplete);
  EXPECT_EQ(fake.createObserver(42, [](const TonnixAXElement&, const QString&) {}).error(),
            TonnixAXError::cannotComplete);
  EXPECT_EQ(*fake.processIdentifier(window), 42);
}

TEST(FakeAccessibility, HitTestingFindsTheElementPlacedLast) {
  TonnixFakeAccessibility fake;
  const auto window = fake.addElement(42);
  const auto button = fake.addElement(42);
  fake.place(window, QRectF(0, 0, 400, 300));
  fake.place(button, QRectF(10, 10, 80, 20));
  EXPECT_EQ(*fake.elementAtPosition(fake.systemWideElement(), 20, 15), button);
  EXPECT_EQ(*fake.elementAtPosition(fake.systemWideElement(), 200, 200), window);
  EXPECT_EQ(*fake.elementAtPosition(fake.applicationElement(42), 20, 15), button);
  EXPECT_EQ(fake.elementAtPosition(fake.applicationElement(7), 20, 15).error(),
            TonnixAXError::noValue);
  EXPECT_EQ(fake.elementAtPosition(fake.systemWideElement(), 500, 500).error(),
            TonnixAXError::noValue);
  EXPECT_EQ(fake.processIdentifier(fake.systemWideElement()).error(),
            TonnixAXError::illegalArgument);
}

TEST(FakeAccessibility, RemembersMessagingTimeouts) {
  TonnixFakeAccessibility fake;
  const auto application = fake.applicationElement(42);
  EXPECT_EQ(fake.messagingTimeout(application), std::nullopt);
  ASSERT_TRUE(fake.setMessagingTimeout(application, 0.25));
  EXPECT_EQ(fake.messagingTimeout(fake.applicationElement(42)), 0.25);
  EXPECT_FALSE(fake.setMessagingTimeout(application, -1));
}
