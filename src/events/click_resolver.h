#pragma once

#include <QPointF>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>

#include "events/click_target.h"
#include "platform/accessibility.h"
#include "platform/workspace.h"

// Finds what a press landed on: asks the accessibility interface for the
// element under the pointer, drops presses that are to stay silent (in
// Tonnix itself, in excluded applications, on menus, on elements without a
// role) and classifies the rest into a control kind. Main thread only; every
// request is synchronous and bounded by a short messaging time-out.
class TonnixClickResolver {
 public:
  // What is known about the process owning an element.
  struct ProcessIdentity {
    std::optional<QString> name;
    std::optional<QString> bundleIdentifier;
    friend bool operator==(const ProcessIdentity&, const ProcessIdentity&) = default;
  };

  // Answers whether the application with this id is excluded.
  using ExclusionTest = std::function<bool(const QString& bundleIdentifier)>;

  // Seconds an application may take to answer before its press is dropped.
  static constexpr double messagingTimeout = 0.1;

  // `accessibility` and `workspace` must outlive the resolver; `isExcluded`
  // is the shared exclusions' test (TonnixExclusions::isExcluded). Sets the
  // messaging time-out of the system-wide element.
  TonnixClickResolver(TonnixAccessibility& accessibility, TonnixWorkspace& workspace,
                      ExclusionTest isExcluded,
                      std::int32_t hostProcessIdentifier = currentProcessIdentifier());

  TonnixClickResolver(const TonnixClickResolver&) = delete;
  TonnixClickResolver& operator=(const TonnixClickResolver&) = delete;

  // What an element found at a point is, before the choices that may change
  // from one press to the next (exclusions, the generic click).
  struct Resolution {
    TonnixClickTarget target;
    std::optional<QString> bundleIdentifier;
    // False when a request went unanswered on the way, so that the kind
    // may be a lesser one (a plain button for the default one).
    bool isWhole = true;
    friend bool operator==(const Resolution&, const Resolution&) = default;
  };

  // What lies at the point (global, top-left origin), or nothing when a
  // press there is to make no sound.
  std::optional<TonnixClickTarget> target(QPointF point) { return accept(resolve(point)); }
  // The slow half: asks the application under the point, each request
  // bounded by messagingTimeout whatever the application's own time-out.
  // Nothing where no element answers or the element never sounds (Tonnix's
  // own, a menu, one without a role).
  std::optional<Resolution> resolve(QPointF point);
  // The quick half: the current choices applied; asks no one.
  std::optional<TonnixClickTarget> accept(const std::optional<Resolution>& resolution) const;
  // Calls `changed` after anything that may change what lies at a point;
  // false where such changes are not followed. An empty function stops.
  bool followChanges(std::function<void()> changed) {
    return accessibility_.followLayoutChanges(std::move(changed));
  }

  // The process's identity, asked of the workspace once and then cached,
  // also when the workspace knows nothing of it.
  ProcessIdentity identity(std::int32_t processIdentifier);
  void clearIdentities() { identities_.clear(); }
  void forgetIdentity(std::int32_t processIdentifier) { identities_.erase(processIdentifier); }
  const std::unordered_map<std::int32_t, ProcessIdentity>& identities() const {
    return identities_;
  }

  // Whether elements that are no known control make the generic click.
  bool playsGenericClick() const { return playsGenericClick_; }
  void setPlaysGenericClick(bool plays) { playsGenericClick_ = plays; }

  std::int32_t hostProcessIdentifier() const { return hostProcessIdentifier_; }

  static std::int32_t currentProcessIdentifier();

  // What a press without a position (Wayland) landed on, from the element
  // its application announced right after it: as for a point, but without
  // a frame, and never a pop-up button under a menu. Nothing when the press
  // is to make no sound.
  std::optional<TonnixClickTarget> target(const TonnixAXElement& element);
  // The generic click of a press on nothing known in the process's window
  // (0: unknown), or nothing when it is to make no sound.
  std::optional<TonnixClickTarget> unidentifiedTarget(std::int32_t processIdentifier);
  TonnixAccessibility& accessibility() { return accessibility_; }
  TonnixWorkspace& workspace() { return workspace_; }

 private:
  struct ElementAttributes {
    std::optional<QString> role;
    std::optional<QString> subrole;
    std::optional<QRectF> frame;
    std::optional<TonnixAXElement> window;
  };

  struct WindowAttributes {
    std::optional<QString> subrole;
    std::optional<TonnixAXElement> defaultButton;
    std::optional<TonnixAXElement> cancelButton;
  };

  // Notes an application that did not answer in time.
  template <typename T>
  const TonnixAXResult<T>& noted(const TonnixAXResult<T>& result) {
    if (!result && result.error() == TonnixAXError::cannotComplete) wasUnanswered_ = true;
    return result;
  }
  // One value per name, null where the attribute could not be read.
  std::vector<TonnixAXValue> readAttributes(const TonnixAXElement& element,
                                            const QStringList& names);
  ElementAttributes elementAttributes(const TonnixAXElement& element);
  // The default and cancel buttons are read only for a button.
  WindowAttributes windowAttributes(const TonnixAXElement& window, bool isButton);
  bool isTab(const TonnixAXElement& element, const ElementAttributes& attributes);
  // The pop-up button whose menu, opened by this very press, now lies under
  // the point (GTK 3 opens a combo box's menu over the box on the press).
  std::optional<TonnixAXElement> popUpUnderMenu(const TonnixAXElement& element, QPointF point);

  TonnixAccessibility& accessibility_;
  TonnixWorkspace& workspace_;
  ExclusionTest isExcluded_;
  TonnixAXElement systemWideElement_;
  std::int32_t hostProcessIdentifier_;
  bool playsGenericClick_ = true;
  bool wasUnanswered_ = false;
  std::unordered_map<std::int32_t, ProcessIdentity> identities_;
};
