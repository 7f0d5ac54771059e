#include "events/ignored_elements.h"

namespace {

bool drawsDesktop(const std::optional<QString>& bundleIdentifier) {
  return bundleIdentifier == QStringLiteral("com.apple.finder") ||
         bundleIdentifier == QStringLiteral("com.apple.MenuBarAgent");
}

bool isNamedDesktop(TonnixAccessibility& accessibility, const TonnixAXElement& element) {
  const auto value = accessibility.attributeValue(element, TonnixAXAttribute::description);
  if (!value) return false;
  const auto* text = value->as<QString>();
  return text && text->compare(QStringLiteral("desktop"), Qt::CaseInsensitive) == 0;
}

bool isInDesktopWindow(TonnixAccessibility& accessibility, const TonnixAXElement& element) {
  const auto value = accessibility.attributeValue(element, TonnixAXAttribute::window);
  if (!value) return false;
  const auto* window = value->as<TonnixAXElement>();
  if (!window) return false;
  return *window == element || isNamedDesktop(accessibility, *window);
}

bool acceptsTextReplacement(TonnixAccessibility& accessibility, const TonnixAXElement& element) {
  const auto names = accessibility.parameterizedAttributeNames(element);
  return names && names->contains(TonnixAXParameterizedAttribute::replaceRangeWithText);
}

bool isDesktopElement(TonnixAccessibility& accessibility, const TonnixAXElement& element) {
  return isNamedDesktop(accessibility, element) && isInDesktopWindow(accessibility, element) &&
         acceptsTextReplacement(accessibility, element);
}

}  // namespace

bool isIgnoredElement(TonnixAccessibility& accessibility,
                      const std::optional<QString>& bundleIdentifier,
                      const TonnixAXElement& element) {
  return drawsDesktop(bundleIdentifier) && isDesktopElement(accessibility, element);
}
