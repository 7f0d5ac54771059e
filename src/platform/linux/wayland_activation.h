#pragma once

#include <QByteArray>

class QWindow;

// Hands a shown window's activation over to the compositor with the token a
// launcher gave (the xdg-activation protocol), so that the compositor raises
// it and gives it the focus. Qt 6.4 takes a token only from the process's
// environment, which cannot safely change while threads run; this speaks
// the protocol on Qt's own Wayland connection instead. Answers false where
// it cannot: not a Wayland window, or a compositor without the protocol.
// Main thread only.
bool activateWithToken(QWindow& window, const QByteArray& token);
