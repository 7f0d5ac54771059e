#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include "platform/mouse_monitor.h"
#include "platform/workspace.h"
#include "support/expected.h"

// The commands of a simulated desktop script (`tonnix run --simulate`), one
// per line; README.md describes the format.
namespace TonnixSimulation {

// An application starts: `launch PID APPID "NAME" [accessory|prohibited] [active]`.
struct Launch {
  TonnixRunningApplication application;
};
// `quit PID`
struct Quit {
  std::int32_t processIdentifier = 0;
};
// `mount "VOLUME"`, `unmount "VOLUME"`
struct Mount {
  QString volume;
};
struct Unmount {
  QString volume;
};
// `element PID ID ROLE [subrole=S] [title="T"] [frame=X,Y,W,H] [window=ID] [parent=ID]`
struct Element {
  std::int32_t processIdentifier = 0;
  QString id;
  QString role;
  std::optional<QString> subrole = std::nullopt;
  std::optional<QString> title = std::nullopt;
  std::optional<QRectF> frame = std::nullopt;
  std::optional<QString> window = std::nullopt;
  std::optional<QString> parent = std::nullopt;
};
// `notify PID NOTIFICATION ID`; the ID "app" is the application itself.
struct Notify {
  std::int32_t processIdentifier = 0;
  QString notification;
  QString id;
};
// `window PID NOTIFICATION`: the window manager changed a window of the
// application ("AXWindowMoved").
struct WindowChange {
  std::int32_t processIdentifier = 0;
  QString notification;
};
// `destroy PID ID`
struct Destroy {
  std::int32_t processIdentifier = 0;
  QString id;
};
// `down X Y`, `drag X Y`, `up X Y`
struct Mouse {
  TonnixMouseEventKind kind = TonnixMouseEventKind::leftMouseDown;
  QPointF location;
};
// `wait SECONDS`
struct Wait {
  double seconds = 0;
};
// `exclude APPID`, `include APPID`
struct Exclude {
  QString bundleIdentifier;
};
struct Include {
  QString bundleIdentifier;
};
// `log`
struct PrintLog {};

// The element id that stands for the application's own element.
inline const QString applicationElementID = QStringLiteral("app");

using Command = std::variant<Launch, Quit, Mount, Unmount, Element, Notify, WindowChange, Destroy,
                             Mouse, Wait, Exclude, Include, PrintLog>;

// One command with the line it came from, counted from 1.
struct Step {
  int line = 0;
  Command command;
};

// Why a script cannot be run.
struct Error {
  int line = 0;
  QString message;

  // "line 4: quit needs a process id"
  QString description() const;
};

// Reads the whole script, checking every line (and that each element named
// was declared before) so that a faulty script is refused before anything
// happens. Blank lines and lines starting with "#" are skipped.
TonnixExpected<std::vector<Step>, Error> parse(const QString& script);

}  // namespace TonnixSimulation
