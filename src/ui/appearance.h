#pragma once

#include <QIcon>
#include <QStyle>

class QLabel;
class QWidget;

// The few looks the settings window shares, all drawn by the style and the
// icon theme rather than by hand.

// The freedesktop icon `name` from the theme, or the style's own icon where
// the theme has none.
QIcon themeIcon(const char* name, QStyle::StandardPixmap fallback, const QWidget& widget);

// Smaller, grey text under a control that says more about it.
void makeSecondaryText(QLabel& label);
// Smaller orange text for what keeps Tonnix from working fully.
void makeWarningText(QLabel& label);

// How far a check box's text sits from its left edge, to line up text
// belonging to it.
int checkBoxTextIndent(const QWidget& widget);
