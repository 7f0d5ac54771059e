#include "app/version_order.h"

#include <vector>

namespace {

enum class Kind { letters, separator, number };

struct Run {
  Kind kind;
  QStringView text;
};

Kind kindOf(QChar c) {
  if (c.isDigit()) return Kind::number;
  if (c.isLetter()) return Kind::letters;
  return Kind::separator;
}

std::vector<Run> runsOf(const QString& version) {
  std::vector<Run> runs;
  qsizetype start = 0;
  for (qsizetype i = 1; i <= version.size(); ++i) {
    const Kind kind = kindOf(version[start]);
    // Each separator stands alone, so "1..2" and "1.2" do not line up.
    if (i < version.size() && kind != Kind::separator && kindOf(version[i]) == kind) continue;
    runs.push_back({kind, QStringView(version).mid(start, i - start)});
    start = i;
  }
  return runs;
}

// Digit runs of any length, without overflow: fewer significant digits is
// smaller, and equal lengths compare digit by digit.
int compareNumbers(QStringView a, QStringView b) {
  while (a.size() > 1 && a.front() == u'0') a = a.mid(1);
  while (b.size() > 1 && b.front() == u'0') b = b.mid(1);
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b);
}

int sign(int value) {
  return (value > 0) - (value < 0);
}

}  // namespace

int compareVersions(const QString& a, const QString& b) {
  const auto left = runsOf(a);
  const auto right = runsOf(b);
  const size_t common = std::min(left.size(), right.size());
  for (size_t i = 0; i < common; ++i) {
    const Run& l = left[i];
    const Run& r = right[i];
    // A pre-release word sorts before a separator, which sorts before a
    // number: "1.2b1" < "1.2.1" < "1.21".
    if (l.kind != r.kind) return l.kind < r.kind ? -1 : 1;
    if (l.kind == Kind::number) {
      if (const int order = compareNumbers(l.text, r.text)) return order;
    } else if (l.kind == Kind::letters) {
      if (const int order = l.text.compare(r.text, Qt::CaseInsensitive)) return sign(order);
    }
  }
  if (left.size() == right.size()) return 0;
  // The longer one goes on: with a word it is a pre-release of the
  // shorter ("1.2b3" < "1.2"), with anything else a later version.
  const bool leftLonger = left.size() > right.size();
  const Run& next = leftLonger ? left[common] : right[common];
  const bool longerIsOlder = next.kind == Kind::letters;
  return (leftLonger != longerIsOlder) ? 1 : -1;
}

bool isPreRelease(const std::optional<QString>& shortVersion) {
  if (!shortVersion) return false;
  const QString version = shortVersion->toLower();
  return version.contains(u'a') || version.contains(u'b') || version.contains(QStringLiteral("rc"));
}

QSet<QString> allowedUpdateChannels(const std::optional<QString>& shortVersion) {
  if (isPreRelease(shortVersion)) return {QStringLiteral("beta")};
  return {};
}
