#pragma once

#include <QIcon>
#include <QString>
#include <QStyle>
#include <optional>

class QLabel;
class QStackedWidget;
class QWidget;

// The few looks the settings window shares, all drawn by the style and the
// icon theme rather than by hand.

// The freedesktop icon `name` from the theme, or the style's own icon where
// the theme has none.
QIcon themeIcon(const char* name, QStyle::StandardPixmap fallback, const QWidget& widget);

// An application's icon, given as a freedesktop icon name or an icon file's
// path; a generic application's icon when it has none or the theme lacks it.
QIcon applicationIcon(const std::optional<QString>& icon, const QWidget& widget);

// The symbol in the warning colour, at the small icon size.
QPixmap warningSymbol(const QIcon& symbol, const QWidget& widget);

// `content`, or in its place, centred grey text saying it has nothing to
// show (named `emptyName`); page 1 is the text.
QStackedWidget* withEmptyText(QWidget* content, const QString& text, const char* emptyName);

// Smaller, grey text under a control that says more about it.
void makeSecondaryText(QLabel& label);
// Smaller orange text for what keeps Tonnix from working fully.
void makeWarningText(QLabel& label);

// How far a check box's text sits from its left edge, to line up text
// belonging to it.
int checkBoxTextIndent(const QWidget& widget);
