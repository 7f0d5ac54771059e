#include "ui/event_words.h"

#include <QRegularExpression>
#include <QStringList>

#include "catalogue/catalogue.h"

namespace {

const QString classicPrefix = QStringLiteral("AX");
const QString roleDescriptionMark = QStringLiteral(" a ");

// "AXPopUpButton" as words: "pop up button".
QString classicNameInWords(QString name) {
  if (name.startsWith(classicPrefix)) name.remove(0, classicPrefix.size());
  static const QRegularExpression wordStart(QStringLiteral("(?<=[a-z])(?=[A-Z])"));
  return name.split(wordStart).join(u' ').toLower();
}

// The words for a role token ("AXWindow[AXDialog]") when the element gave
// no role description of its own: a window by its kind, else the role.
QString roleWords(const QString& token) {
  const qsizetype bracket = token.indexOf(u'[');
  if (bracket < 0) return classicNameInWords(token);
  const QString subrole = token.mid(bracket + 1).chopped(token.endsWith(u']') ? 1 : 0);
  if (subrole == QStringLiteral("AXDialog")) return QStringLiteral("dialog");
  if (subrole == QStringLiteral("AXSystemDialog")) return QStringLiteral("alert");
  return classicNameInWords(token.left(bracket));
}

// Whether the parts before a role description can end where `before` does:
// nothing, the identifier alone, or a closing quote or parenthesis.
bool endsBeforeRoleDescription(const QString& before) {
  if (before.isEmpty()) return true;
  if (before.startsWith(u'#') && !before.contains(u' ')) return true;
  return before.endsWith(u'"') || before.endsWith(u')');
}

// Where the file name, URL or document begins after a role description.
qsizetype tailStart(const QString& text) {
  qsizetype start = text.size();
  for (const char* mark : {" filename ", " url ", " document "}) {
    const qsizetype found = text.indexOf(QLatin1String(mark));
    if (found >= 0) start = std::min(start, found);
  }
  return start;
}

}  // namespace

QString eventDisplayName(const QString& notificationName, TonnixSoundID soundID) {
  const TonnixSetEntry* entry = entryForSoundID(soundID);
  return entry ? QString::fromStdString(entry->displayName()) : notificationName;
}

QString elementInDesktopWords(const QString& description) {
  if (!description.startsWith(classicPrefix)) return description;
  const qsizetype space = description.indexOf(u' ');
  const QString token = space < 0 ? description : description.left(space);
  // A leading space lets a role description come first, right after the role.
  const QString rest = space < 0 ? QString() : description.mid(space);

  // Titles may hold " a " too: the last mark that can follow the title and
  // is followed by no quote is the role description's.
  for (qsizetype mark = rest.lastIndexOf(roleDescriptionMark); mark >= 0;
       mark = mark == 0 ? -1 : rest.lastIndexOf(roleDescriptionMark, mark - 1)) {
    const QString before = rest.left(mark).trimmed();
    const QString after = rest.mid(mark + roleDescriptionMark.size());
    if (!endsBeforeRoleDescription(before) || after.contains(u'"')) continue;
    const qsizetype tail = tailStart(after);
    QStringList parts{after.left(tail)};
    if (!before.isEmpty()) parts << before;
    return parts.join(u' ') + after.mid(tail);
  }
  const QString parts = rest.trimmed();
  return parts.isEmpty() ? roleWords(token) : roleWords(token) + u' ' + parts;
}
