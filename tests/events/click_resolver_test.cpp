#include <gtest/gtest.h>

#include "click_test_desktop.h"

namespace {

const QRectF kFrame(200, 100, 60, 20);
const QPointF kCentre = kFrame.center();

class ClickResolverTest : public testing::Test {
 protected:
  std::optional<TonnixControlKind> kindAtCentre() {
    const auto target = resolver->target(kCentre);
    if (!target) return std::nullopt;
    return target->kind;
  }

  ClickTestDesktop desktop;
  std::unique_ptr<TonnixClickResolver> resolver = desktop.makeResolver();
};

struct Classification {
  const char* role;
  const char* subrole;
  const char* windowSubrole;
  TonnixControlKind kind;
};

}  // namespace

TEST_F(ClickResolverTest, ClassifiesByTheRulesInOrder) {
  const Classification cases[] = {
      {"AXButton", "", "AXStandardWindow", TonnixControlKind::button},
      {"AXButton", "AXToggle", "AXStandardWindow", TonnixControlKind::checkbox},
      {"AXButton", "AXSwitch", "AXStandardWindow", TonnixControlKind::checkbox},
      {"AXButton", "AXSomethingElse", "AXStandardWindow", TonnixControlKind::button},
      {"AXCheckBox", "", "AXStandardWindow", TonnixControlKind::checkbox},
      {"AXRadioButton", "", "AXStandardWindow", TonnixControlKind::radio},
      {"AXPopUpButton", "", "AXStandardWindow", TonnixControlKind::popUp},
      {"AXMenuButton", "", "AXStandardWindow", TonnixControlKind::popUp},
      {"AXComboBox", "", "AXStandardWindow", TonnixControlKind::popUp},
      {"AXDisclosureTriangle", "", "AXStandardWindow", TonnixControlKind::disclosure},
      {"AXIncrementor", "", "AXStandardWindow", TonnixControlKind::littleArrowUp},
      {"AXButton", "AXIncrementArrow", "AXStandardWindow", TonnixControlKind::littleArrowUp},
      {"AXButton", "AXDecrementArrow", "AXStandardWindow", TonnixControlKind::littleArrowDown},
      {"AXScrollBar", "", "AXStandardWindow", TonnixControlKind::scrollTrack},
      {"AXSlider", "", "AXStandardWindow", TonnixControlKind::sliderTrack},
      {"AXValueIndicator", "", "AXStandardWindow", TonnixControlKind::sliderTrack},
      {"AXTextField", "", "AXStandardWindow", TonnixControlKind::genericClick},
      {"axbutton", "", "AXStandardWindow", TonnixControlKind::genericClick},
      // Window widgets go by subrole, whatever their role, and by the window.
      {"AXButton", "AXCloseButton", "AXStandardWindow", TonnixControlKind::windowClose},
      {"AXButton", "AXZoomButton", "AXStandardWindow", TonnixControlKind::windowZoom},
      {"AXButton", "AXFullScreenButton", "AXStandardWindow", TonnixControlKind::windowZoom},
      {"AXButton", "AXMinimizeButton", "AXStandardWindow", TonnixControlKind::windowCollapse},
      {"AXCheckBox", "AXCloseButton", "AXDialog", TonnixControlKind::windowClose},
      {"AXButton", "AXCloseButton", "AXFloatingWindow", TonnixControlKind::utilityWindowClose},
      {"AXButton", "AXFullScreenButton", "AXFloatingWindow", TonnixControlKind::utilityWindowZoom},
      {"AXButton", "AXMinimizeButton", "AXSystemFloatingWindow",
       TonnixControlKind::utilityWindowCollapse},
      {"AXButton", "AXZoomButton", "AXSystemFloatingWindow", TonnixControlKind::utilityWindowZoom},
      // A utility window changes only the window widgets.
      {"AXButton", "", "AXFloatingWindow", TonnixControlKind::button},
      {"AXButton", "AXIncrementArrow", "AXFloatingWindow", TonnixControlKind::littleArrowUp},
  };
  for (const Classification& each : cases) {
    SCOPED_TRACE(std::string(each.role) + " " + each.subrole + " in " + each.windowSubrole);
    ClickTestDesktop fresh;
    const TonnixAXElement window =
        fresh.addWindow(ClickTestDesktop::kApplication, QString::fromUtf8(each.windowSubrole));
    fresh.addControl(QString::fromUtf8(each.role), QString::fromUtf8(each.subrole), kFrame, window);
    const auto target = fresh.makeResolver()->target(kCentre);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->kind, each.kind);
  }
}

TEST_F(ClickResolverTest, DefaultBeatsCancelBeatsToggle) {
  const TonnixAXElement button =
      desktop.addControl(QStringLiteral("AXButton"), QStringLiteral("AXToggle"), kFrame);
  desktop.accessibility.setAttribute(desktop.window, TonnixAXAttribute::defaultButton,
                                     desktop.accessibility.alias(button));
  desktop.accessibility.setAttribute(desktop.window, TonnixAXAttribute::cancelButton,
                                     desktop.accessibility.alias(button));
  EXPECT_EQ(kindAtCentre(), TonnixControlKind::defaultButton);

  desktop.accessibility.setAttribute(desktop.window, TonnixAXAttribute::defaultButton,
                                     QStringLiteral("not an element"));
  EXPECT_EQ(kindAtCentre(), TonnixControlKind::cancelButton);

  const TonnixAXElement other = desktop.addControl(QStringLiteral("AXButton"), {}, {0, 0, 5, 5});
  desktop.accessibility.setAttribute(desktop.window, TonnixAXAttribute::cancelButton, other);
  EXPECT_EQ(kindAtCentre(), TonnixControlKind::checkbox);

  // The default and cancel tests apply to buttons only.
  desktop.accessibility.setAttribute(desktop.window, TonnixAXAttribute::defaultButton, button);
  desktop.accessibility.setAttribute(button, TonnixAXAttribute::role, QStringLiteral("AXCheckBox"));
  EXPECT_EQ(kindAtCentre(), TonnixControlKind::checkbox);

  // Without a window attribute the element stands for its own window.
  desktop.accessibility.setAttribute(button, TonnixAXAttribute::role, QStringLiteral("AXButton"));
  desktop.accessibility.setAttribute(button, TonnixAXAttribute::window, TonnixAXValue());
  desktop.accessibility.setAttribute(button, TonnixAXAttribute::defaultButton,
                                     desktop.accessibility.alias(button));
  EXPECT_EQ(kindAtCentre(), TonnixControlKind::defaultButton);
}

TEST_F(ClickResolverTest, TabOnlyDirectlyInsideATabGroup) {
  const TonnixAXElement tabGroup = desktop.accessibility.addElement(ClickTestDesktop::kApplication);
  desktop.accessibility.setAttribute(tabGroup, TonnixAXAttribute::role,
                                     QStringLiteral("AXTabGroup"));
  const TonnixAXElement group = desktop.accessibility.addElement(ClickTestDesktop::kApplication);
  desktop.accessibility.setAttribute(group, TonnixAXAttribute::role, QStringLiteral("AXGroup"));
  desktop.accessibility.setAttribute(group, TonnixAXAttribute::parent, tabGroup);
  const TonnixAXElement radio = desktop.addControl(QStringLiteral("AXRadioButton"), {}, kFrame);

  desktop.accessibility.setAttribute(radio, TonnixAXAttribute::parent, tabGroup);
  EXPECT_EQ(kindAtCentre(), TonnixControlKind::tab);

  desktop.accessibility.setAttribute(radio, TonnixAXAttribute::parent, group);
  EXPECT_EQ(kindAtCentre(), TonnixControlKind::radio) << "a tab group further up does not count";

  desktop.accessibility.setAttribute(radio, TonnixAXAttribute::parent,
                                     QStringLiteral("AXTabGroup"));
  EXPECT_EQ(kindAtCentre(), TonnixControlKind::radio);

  desktop.accessibility.setAttributeError(radio, TonnixAXAttribute::parent,
                                          TonnixAXError::cannotComplete);
  EXPECT_EQ(kindAtCentre(), TonnixControlKind::radio);

  desktop.accessibility.setAttribute(radio, TonnixAXAttribute::parent, tabGroup);
  desktop.accessibility.setAttributeError(tabGroup, TonnixAXAttribute::role,
                                          TonnixAXError::noValue);
  EXPECT_EQ(kindAtCentre(), TonnixControlKind::radio);
}

// Excluded applications and Tonnix itself stay silent whatever is pressed;
// an application without an id has nothing to be excluded by.
TEST_F(ClickResolverTest, ExcludedApplicationsAndOwnWindowsMakeNoTarget) {
  desktop.addControl(QStringLiteral("AXButton"), {}, {300, 300, 10, 10}, std::nullopt,
                     ClickTestDesktop::kHost);
  EXPECT_FALSE(resolver->target({305, 305}));
  desktop.addControl(QStringLiteral("AXButton"), QStringLiteral("AXCloseButton"), kFrame);
  desktop.excluded.insert(QStringLiteral("org.gnome.TextEditor"));
  EXPECT_FALSE(resolver->target(kCentre));

  constexpr std::int32_t kNoId = 311;
  desktop.workspace.addApplication({kNoId, QStringLiteral("xterm"), std::nullopt});
  desktop.addControl(QStringLiteral("AXButton"), {}, {0, 0, 10, 10}, std::nullopt, kNoId);
  desktop.excluded.insert(QString());
  const auto target = resolver->target({5, 5});
  ASSERT_TRUE(target);
  EXPECT_EQ(target->processIdentifier, kNoId);
}

TEST_F(ClickResolverTest, NothingWithoutAnElementAProcessOrARoleAndNeverAMenu) {
  EXPECT_FALSE(resolver->target(kCentre)) << "nothing is there";

  const TonnixAXElement control = desktop.addControl({}, QStringLiteral("AXCloseButton"), kFrame);
  EXPECT_FALSE(resolver->target(kCentre)) << "no role";
  desktop.accessibility.setAttribute(control, TonnixAXAttribute::role, TonnixAXSize{1, 1});
  EXPECT_FALSE(resolver->target(kCentre)) << "a role that is no string";
  ASSERT_TRUE(resolver->playsGenericClick());
  for (const char* menu : {"AXMenu", "AXMenuItem", "AXMenuBar", "AXMenuBarItem"}) {
    desktop.accessibility.setAttribute(control, TonnixAXAttribute::role, QString::fromUtf8(menu));
    EXPECT_FALSE(resolver->target(kCentre)) << menu;
  }

  desktop.accessibility.setAttribute(control, TonnixAXAttribute::role, QStringLiteral("AXButton"));
  desktop.accessibility.setUnresponsive(ClickTestDesktop::kApplication, true);
  EXPECT_FALSE(resolver->target(kCentre)) << "the application does not answer";
}

TEST_F(ClickResolverTest, FrameNeedsBothPositionAndSize) {
  EXPECT_EQ(desktop.accessibility.messagingTimeout(desktop.accessibility.systemWideElement()), 0.1);
  const TonnixAXElement control = desktop.addControl(QStringLiteral("AXButton"), {}, kFrame);
  desktop.accessibility.setAttribute(control, TonnixAXAttribute::size, TonnixAXPoint{60, 20});
  auto target = resolver->target(kCentre);
  ASSERT_TRUE(target);
  EXPECT_FALSE(target->frame) << "a size of the wrong type";

  desktop.accessibility.setAttribute(control, TonnixAXAttribute::size, TonnixAXSize{60, 20});
  desktop.accessibility.setAttributeError(control, TonnixAXAttribute::position,
                                          TonnixAXError::failure);
  target = resolver->target(kCentre);
  ASSERT_TRUE(target);
  EXPECT_FALSE(target->frame) << "an unreadable position";
}

TEST_F(ClickResolverTest, GenericClickFollowsItsSwitch) {
  desktop.addControl(QStringLiteral("AXTextField"), {}, kFrame);
  resolver->setPlaysGenericClick(false);
  EXPECT_FALSE(resolver->target(kCentre));
  desktop.addControl(QStringLiteral("AXButton"), {}, kFrame);
  EXPECT_EQ(kindAtCentre(), TonnixControlKind::button) << "known controls are not affected";
}

// One batch for the element and one for its window; single reads only when
// a batch cannot be trusted.
TEST_F(ClickResolverTest, ReadsInTwoBatchesAndFallsBackToSingleReads) {
  desktop.addControl(QStringLiteral("AXButton"), QStringLiteral("AXCloseButton"), kFrame);
  ASSERT_EQ(kindAtCentre(), TonnixControlKind::windowClose);
  EXPECT_EQ(desktop.accessibility.batchReadCount(), 2);
  EXPECT_EQ(desktop.accessibility.singleReadCount(), 0);

  for (const auto behaviour : {TonnixFakeAccessibility::BatchReads::answerTooFew,
                               TonnixFakeAccessibility::BatchReads::fail}) {
    ClickTestDesktop fresh;
    const TonnixAXElement window =
        fresh.addWindow(ClickTestDesktop::kApplication, QStringLiteral("AXFloatingWindow"));
    const TonnixAXElement control = fresh.addControl(
        QStringLiteral("AXButton"), QStringLiteral("AXCloseButton"), kFrame, window);
    fresh.accessibility.setBatchReads(control, behaviour);
    fresh.accessibility.setBatchReads(window, behaviour);
    const auto target = fresh.makeResolver()->target(kCentre);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->kind, TonnixControlKind::utilityWindowClose)
        << "the window is the value a short batch loses";
    EXPECT_EQ(target->frame, kFrame);
    EXPECT_EQ(fresh.accessibility.singleReadCount(), 8);
  }
}

// The workspace is asked once per process, also when it knows nothing of
// it, until the process is forgotten or the cache cleared.
TEST_F(ClickResolverTest, CachesProcessIdentities) {
  desktop.addControl(QStringLiteral("AXButton"), {}, kFrame);
  constexpr std::int32_t kHelper = 312;
  desktop.addControl(QStringLiteral("AXButton"), {}, {0, 0, 10, 10}, std::nullopt, kHelper);

  EXPECT_TRUE(resolver->target(kCentre));
  EXPECT_TRUE(resolver->target(kCentre));
  const auto helperTarget = resolver->target({5, 5});
  ASSERT_TRUE(helperTarget);
  EXPECT_FALSE(helperTarget->applicationName);
  EXPECT_TRUE(resolver->target({5, 5}));
  EXPECT_EQ(desktop.workspace.lookupCount(), 2);
  EXPECT_EQ(resolver->identities().at(kHelper), TonnixClickResolver::ProcessIdentity{});

  // The process quits and its identifier comes back as another application.
  desktop.workspace.addApplication(
      {kHelper, QStringLiteral("Files"), QStringLiteral("org.gnome.Nautilus")});
  resolver->forgetIdentity(kHelper);
  EXPECT_EQ(resolver->target({5, 5})->applicationName, QStringLiteral("Files"));
  EXPECT_EQ(desktop.workspace.lookupCount(), 3);

  resolver->clearIdentities();
  EXPECT_TRUE(resolver->identities().empty());
  EXPECT_TRUE(resolver->target(kCentre));
  EXPECT_EQ(desktop.workspace.lookupCount(), 4);
}
