#include "events/element_description.h"

#include <QStringList>
#include <QTextBoundaryFinder>
#include <vector>

namespace {

constexpr qsizetype maximumCleanedLength = 240;

const QStringList& describedAttributes() {
  namespace A = TonnixAXAttribute;
  static const QStringList names{A::role,       A::subrole, A::roleDescription,
                                 A::identifier, A::title,   A::description,
                                 A::filename,   A::url,     A::document};
  return names;
}

// One request for all attributes; one per attribute when the platform
// cannot answer them together.
std::vector<TonnixAXValue> readAttributes(TonnixAccessibility& accessibility,
                                          const TonnixAXElement& element,
                                          const QStringList& names) {
  auto batch = accessibility.attributeValues(element, names);
  if (batch && batch->size() == static_cast<std::size_t>(names.size())) {
    return std::move(batch).value();
  }
  std::vector<TonnixAXValue> values;
  for (const auto& name : names) {
    auto value = accessibility.attributeValue(element, name);
    values.push_back(value ? std::move(value).value() : TonnixAXValue());
  }
  return values;
}

// A non-empty string, or a URL's absolute form; anything else is absent.
std::optional<QString> textOf(const TonnixAXValue& value) {
  if (const auto* text = value.as<QString>(); text && !text->isEmpty()) return *text;
  if (const auto* url = value.as<QUrl>(); url && !url->isEmpty()) {
    return url->toString(QUrl::FullyEncoded);
  }
  return std::nullopt;
}

// Counts characters as a reader sees them, so a cut never splits an accented
// letter or an emoji.
QString cleaned(QString text) {
  text.replace(u'\n', QStringLiteral("\\n")).replace(u'\t', QStringLiteral("\\t"));
  if (text.size() <= maximumCleanedLength) return text;
  QTextBoundaryFinder boundaries(QTextBoundaryFinder::Grapheme, text);
  qsizetype count = 0;
  qsizetype cut = text.size();
  while (boundaries.toNextBoundary() != -1) {
    if (++count == maximumCleanedLength) cut = boundaries.position();
  }
  if (count <= maximumCleanedLength) return text;
  return text.left(cut) + QStringLiteral("\u2026 (%1 characters)").arg(count);
}

}  // namespace

std::optional<QString> describeElement(TonnixAccessibility& accessibility,
                                       const TonnixAXElement& element) {
  const auto values = readAttributes(accessibility, element, describedAttributes());
  const auto role = textOf(values[0]);
  if (!role) return std::nullopt;
  const auto subrole = textOf(values[1]);
  const auto roleDescription = textOf(values[2]);
  const auto identifier = textOf(values[3]);
  const auto title = textOf(values[4]);
  const auto description = textOf(values[5]);
  const auto filename = textOf(values[6]);
  const auto url = textOf(values[7]);
  const auto document = textOf(values[8]);

  QStringList parts{subrole ? *role + u'[' + *subrole + u']' : *role};
  if (identifier) parts << u'#' + *identifier;
  if (title) parts << u'"' + cleaned(*title) + u'"';
  if (description) parts << u'(' + cleaned(*description) + u')';
  if (roleDescription && roleDescription->compare(*role, Qt::CaseInsensitive) != 0) {
    parts << QStringLiteral("a ") + *roleDescription;
  }
  if (filename) parts << QStringLiteral("filename ") + *filename;
  if (url) parts << QStringLiteral("url ") + cleaned(*url);
  if (document) parts << QStringLiteral("document ") + cleaned(*document);
  return parts.join(u' ');
}
