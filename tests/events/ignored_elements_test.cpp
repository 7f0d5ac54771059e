#include "events/ignored_elements.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_accessibility.h"

namespace A = TonnixAXAttribute;

class IgnoredElements : public testing::Test {
 protected:
  IgnoredElements() {
    fake.setAttribute(desktop, A::description, "Desktop");
    fake.setAttribute(desktop, A::window, window);
    fake.setAttribute(window, A::description, "desktop");
    fake.setParameterizedAttributeNames(
        desktop, {QStringLiteral("AXStringForRange"), QStringLiteral("AXReplaceRangeWithText")});
  }

  bool ignored(const char* bundleIdentifier) {
    return isIgnoredElement(fake, QString::fromUtf8(bundleIdentifier), desktop);
  }

  TonnixFakeAccessibility fake;
  TonnixAXElement desktop = fake.addElement(42);
  TonnixAXElement window = fake.addElement(42);
};

TEST_F(IgnoredElements, DesktopIsIgnoredInTheFileManagerAndMenuBarAgentOnly) {
  EXPECT_TRUE(ignored("com.apple.finder"));
  EXPECT_TRUE(ignored("com.apple.MenuBarAgent"));
  EXPECT_FALSE(ignored("com.apple.Finder"));
  EXPECT_FALSE(ignored("org.gnome.TextEditor"));
  EXPECT_FALSE(isIgnoredElement(fake, std::nullopt, desktop));
}

TEST_F(IgnoredElements, DesktopThatIsItsOwnWindow) {
  fake.setAttribute(desktop, A::window, fake.alias(desktop));
  fake.setAttribute(window, A::description, "Documents");
  EXPECT_TRUE(ignored("com.apple.finder"));
}

TEST_F(IgnoredElements, EveryTestMustHold) {
  fake.setAttribute(window, A::description, "Documents");
  EXPECT_FALSE(ignored("com.apple.finder"));
  fake.setAttribute(window, A::description, "desktop");

  fake.setAttribute(desktop, A::window, "desktop");
  EXPECT_FALSE(ignored("com.apple.finder"));
  fake.setAttributeError(desktop, A::window, TonnixAXError::noValue);
  EXPECT_FALSE(ignored("com.apple.finder"));
  fake.setAttribute(desktop, A::window, window);

  fake.setParameterizedAttributeNames(desktop, {QStringLiteral("AXStringForRange")});
  EXPECT_FALSE(ignored("com.apple.finder"));
  fake.setParameterizedAttributeNames(desktop, {QStringLiteral("AXReplaceRangeWithText")});

  fake.setAttribute(desktop, A::description, QUrl(QStringLiteral("desktop")));
  EXPECT_FALSE(ignored("com.apple.finder"));
  fake.setAttribute(desktop, A::description, "desktop folder");
  EXPECT_FALSE(ignored("com.apple.finder"));
  fake.setAttribute(desktop, A::description, "DESKTOP");
  EXPECT_TRUE(ignored("com.apple.finder"));

  fake.setUnresponsive(42, true);
  EXPECT_FALSE(ignored("com.apple.finder"));
}
