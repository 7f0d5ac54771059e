#pragma once

#include <QSet>

#include "events/click_resolver.h"
#include "platform/fake/fake_accessibility.h"
#include "platform/fake/fake_workspace.h"

// A fake desktop for click tests: one application with a standard window,
// and helpers that place controls in it.
class ClickTestDesktop {
 public:
  static constexpr std::int32_t kApplication = 310;
  static constexpr std::int32_t kHost = 77;

  ClickTestDesktop() {
    workspace.addApplication(
        {kApplication, QStringLiteral("Text Editor"), QStringLiteral("org.gnome.TextEditor")});
  }

  std::unique_ptr<TonnixClickResolver> makeResolver() {
    return std::make_unique<TonnixClickResolver>(
        accessibility, workspace, [this](const QString& id) { return excluded.contains(id); },
        kHost);
  }

  TonnixAXElement addWindow(std::int32_t processIdentifier, const QString& subrole) {
    const TonnixAXElement added = accessibility.addElement(processIdentifier);
    accessibility.setAttribute(added, TonnixAXAttribute::role, QStringLiteral("AXWindow"));
    accessibility.setAttribute(added, TonnixAXAttribute::subrole, subrole);
    return added;
  }

  // A control with the role and subrole, on screen at `frame`, reporting
  // that frame as its position and size.
  TonnixAXElement addControl(const QString& role, const QString& subrole, const QRectF& frame,
                             std::optional<TonnixAXElement> inWindow = std::nullopt,
                             std::int32_t processIdentifier = kApplication) {
    const TonnixAXElement control = accessibility.addElement(processIdentifier);
    if (!role.isEmpty()) accessibility.setAttribute(control, TonnixAXAttribute::role, role);
    if (!subrole.isEmpty())
      accessibility.setAttribute(control, TonnixAXAttribute::subrole, subrole);
    accessibility.setAttribute(control, TonnixAXAttribute::position,
                               TonnixAXPoint{frame.x(), frame.y()});
    accessibility.setAttribute(control, TonnixAXAttribute::size,
                               TonnixAXSize{frame.width(), frame.height()});
    accessibility.setAttribute(control, TonnixAXAttribute::window, inWindow.value_or(window));
    accessibility.place(control, frame);
    return control;
  }

  TonnixFakeAccessibility accessibility;
  TonnixFakeWorkspace workspace;
  QSet<QString> excluded;
  TonnixAXElement window = addWindow(kApplication, QStringLiteral("AXStandardWindow"));
};
