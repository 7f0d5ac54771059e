#include "cli/simulation_script.h"

#include <QStringList>
#include <cmath>
#include <limits>
#include <set>
#include <utility>

namespace TonnixSimulation {

QString Error::description() const {
  return QStringLiteral("line ") + QString::number(line) + QStringLiteral(": ") + message;
}

namespace {

// The longest pause a script may take, in seconds.
constexpr double maximumWait = 3600;

template <typename T>
using Parsed = TonnixExpected<T, QString>;

// Splits a line at white space. Double quotes group text with spaces (also
// inside a token, as in title="Save As"); within them a backslash keeps
// the next character as it is.
Parsed<QStringList> tokenize(const QString& line) {
  QStringList tokens;
  QString token;
  bool inToken = false;
  bool quoted = false;
  for (qsizetype i = 0; i < line.size(); ++i) {
    const QChar c = line.at(i);
    if (quoted) {
      if (c == QLatin1Char('"')) {
        quoted = false;
      } else if (c == QLatin1Char('\\') && i + 1 < line.size()) {
        token += line.at(++i);
      } else {
        token += c;
      }
      continue;
    }
    if (c.isSpace()) {
      if (inToken) tokens.append(std::exchange(token, QString()));
      inToken = false;
      continue;
    }
    inToken = true;
    if (c == QLatin1Char('"')) {
      quoted = true;
    } else {
      token += c;
    }
  }
  if (quoted) return unexpected(QStringLiteral("a quotation is not closed"));
  if (inToken) tokens.append(token);
  return tokens;
}

Parsed<std::int32_t> processIdentifier(const QString& text) {
  bool ok = false;
  const int value = text.toInt(&ok);
  if (!ok)
    return unexpected(QStringLiteral("\"") + text + QStringLiteral("\" is not a process id"));
  return value;
}

Parsed<double> number(const QString& text) {
  bool ok = false;
  const double value = text.toDouble(&ok);
  if (!ok || !std::isfinite(value)) {
    return unexpected(QStringLiteral("\"") + text + QStringLiteral("\" is not a number"));
  }
  return value;
}

Parsed<QPointF> point(const QString& x, const QString& y) {
  TONNIX_TRY(px, number(x));
  TONNIX_TRY(py, number(y));
  return QPointF(px, py);
}

Parsed<QRectF> frame(const QString& text) {
  const QStringList parts = text.split(QLatin1Char(','));
  const QString invalid =
      QStringLiteral("a frame is X,Y,WIDTH,HEIGHT, not \"") + text + QStringLiteral("\"");
  if (parts.size() != 4) return unexpected(invalid);
  double values[4];
  for (int i = 0; i < 4; ++i) {
    const auto value = number(parts.at(i));
    if (!value) return unexpected(invalid);
    values[i] = *value;
  }
  if (values[2] < 0 || values[3] < 0) {
    return unexpected(QStringLiteral("a frame cannot have a negative size"));
  }
  return QRectF(values[0], values[1], values[2], values[3]);
}

// Reads one script line into a command, keeping track of the declared
// elements so that later lines can only name those.
class LineReader {
 public:
  Parsed<Command> read(QStringList tokens) {
    const QString name = tokens.takeFirst();
    name_ = name;
    arguments_ = std::move(tokens);
    if (name == QStringLiteral("launch")) return launch();
    if (name == QStringLiteral("quit")) return quit();
    if (name == QStringLiteral("mount")) return volume<Mount>();
    if (name == QStringLiteral("unmount")) return volume<Unmount>();
    if (name == QStringLiteral("element")) return element();
    if (name == QStringLiteral("notify")) return notify();
    if (name == QStringLiteral("window")) return window();
    if (name == QStringLiteral("destroy")) return destroy();
    if (name == QStringLiteral("down")) return mouse(TonnixMouseEventKind::leftMouseDown);
    if (name == QStringLiteral("drag")) return mouse(TonnixMouseEventKind::leftMouseDragged);
    if (name == QStringLiteral("up")) return mouse(TonnixMouseEventKind::leftMouseUp);
    if (name == QStringLiteral("wait")) return wait();
    if (name == QStringLiteral("exclude")) return applicationId<Exclude>();
    if (name == QStringLiteral("include")) return applicationId<Include>();
    if (name == QStringLiteral("log")) return log();
    return unexpected(QStringLiteral("unknown command \"") + name + QStringLiteral("\""));
  }

 private:
  // Fails unless there are between `least` and `most` arguments.
  std::optional<QString> countError(qsizetype least, qsizetype most, const char* form) const {
    if (arguments_.size() >= least && arguments_.size() <= most) return std::nullopt;
    return QStringLiteral("expected ") + QString::fromLatin1(form);
  }

  Parsed<Command> launch() {
    if (auto error =
            countError(3, 5, "launch PID APPID \"NAME\" [accessory|prohibited] [active]")) {
      return unexpected(*error);
    }
    TONNIX_TRY(pid, processIdentifier(arguments_.at(0)));
    TonnixRunningApplication application{pid, arguments_.at(2), arguments_.at(1)};
    if (arguments_.at(1) == QStringLiteral("-")) application.bundleIdentifier.reset();
    bool policyGiven = false;
    for (const auto& option : arguments_.mid(3)) {
      if (option == QStringLiteral("active") && !application.isActive) {
        application.isActive = true;
      } else if (option == QStringLiteral("accessory") && !policyGiven) {
        application.activationPolicy = TonnixActivationPolicy::accessory;
        policyGiven = true;
      } else if (option == QStringLiteral("prohibited") && !policyGiven) {
        application.activationPolicy = TonnixActivationPolicy::prohibited;
        policyGiven = true;
      } else {
        return unexpected(QStringLiteral("unexpected \"") + option +
                          QStringLiteral("\" after the application's name"));
      }
    }
    return Command{Launch{std::move(application)}};
  }

  Parsed<Command> quit() {
    if (auto error = countError(1, 1, "quit PID")) return unexpected(*error);
    TONNIX_TRY(pid, processIdentifier(arguments_.at(0)));
    // A later process with the same id has elements of its own.
    std::erase_if(declared_, [&](const auto& declared) { return declared.first == pid; });
    return Command{Quit{pid}};
  }

  template <typename Change>
  Parsed<Command> volume() {
    if (auto error = countError(1, 1, "a volume name in quotes")) return unexpected(*error);
    return Command{Change{arguments_.at(0)}};
  }

  Parsed<Command> element() {
    if (auto error = countError(3, 8,
                                "element PID ID ROLE [subrole=S] [title=\"T\"] "
                                "[frame=X,Y,W,H] [window=ID] [parent=ID]")) {
      return unexpected(*error);
    }
    TONNIX_TRY(pid, processIdentifier(arguments_.at(0)));
    Element element{.processIdentifier = pid, .id = arguments_.at(1), .role = arguments_.at(2)};
    if (element.id == applicationElementID) {
      return unexpected(QStringLiteral("\"app\" names the application itself; choose another id"));
    }
    if (declared_.contains({pid, element.id})) {
      return unexpected(QStringLiteral("element ") + element.id +
                        QStringLiteral(" is already declared for process ") + QString::number(pid));
    }
    for (const auto& option : arguments_.mid(3)) {
      if (auto error = readOption(element, option)) return unexpected(*error);
    }
    declared_.insert({pid, element.id});
    return Command{std::move(element)};
  }

  std::optional<QString> readOption(Element& element, const QString& option) const {
    const qsizetype equals = option.indexOf(QLatin1Char('='));
    const QString key = option.left(equals);
    const QString value = equals < 0 ? QString() : option.mid(equals + 1);
    if (equals < 0) {
      return QStringLiteral("\"") + option + QStringLiteral("\" is not KEY=VALUE");
    }
    if (key == QStringLiteral("subrole")) {
      element.subrole = value;
    } else if (key == QStringLiteral("title")) {
      element.title = value;
    } else if (key == QStringLiteral("frame")) {
      const auto parsed = frame(value);
      if (!parsed) return parsed.error();
      element.frame = *parsed;
    } else if (key == QStringLiteral("window") || key == QStringLiteral("parent")) {
      if (auto error = unknownElement(element.processIdentifier, value)) return error;
      (key == QStringLiteral("window") ? element.window : element.parent) = value;
    } else {
      return QStringLiteral("unknown element attribute \"") + key + QStringLiteral("\"");
    }
    return std::nullopt;
  }

  std::optional<QString> unknownElement(std::int32_t pid, const QString& id) const {
    if (id == applicationElementID || declared_.contains({pid, id})) return std::nullopt;
    return QStringLiteral("no element ") + id + QStringLiteral(" is declared for process ") +
           QString::number(pid);
  }

  Parsed<Command> notify() {
    if (auto error = countError(3, 3, "notify PID NOTIFICATION ID")) return unexpected(*error);
    TONNIX_TRY(pid, processIdentifier(arguments_.at(0)));
    if (auto error = unknownElement(pid, arguments_.at(2))) return unexpected(*error);
    return Command{Notify{pid, arguments_.at(1), arguments_.at(2)}};
  }

  Parsed<Command> window() {
    if (auto error = countError(2, 2, "window PID NOTIFICATION")) return unexpected(*error);
    TONNIX_TRY(pid, processIdentifier(arguments_.at(0)));
    return Command{WindowChange{pid, arguments_.at(1)}};
  }

  Parsed<Command> destroy() {
    if (auto error = countError(2, 2, "destroy PID ID")) return unexpected(*error);
    TONNIX_TRY(pid, processIdentifier(arguments_.at(0)));
    if (auto error = unknownElement(pid, arguments_.at(1))) return unexpected(*error);
    return Command{Destroy{pid, arguments_.at(1)}};
  }

  Parsed<Command> mouse(TonnixMouseEventKind kind) {
    if (arguments_.size() != 2)
      return unexpected(QStringLiteral("expected ") + name_ + QStringLiteral(" X Y"));
    TONNIX_TRY(location, point(arguments_.at(0), arguments_.at(1)));
    return Command{Mouse{kind, location}};
  }

  Parsed<Command> wait() {
    if (auto error = countError(1, 1, "wait SECONDS")) return unexpected(*error);
    TONNIX_TRY(seconds, number(arguments_.at(0)));
    if (seconds < 0) return unexpected(QStringLiteral("cannot wait a negative time"));
    if (seconds > maximumWait) return unexpected(QStringLiteral("cannot wait longer than an hour"));
    return Command{Wait{seconds}};
  }

  template <typename Change>
  Parsed<Command> applicationId() {
    if (auto error = countError(1, 1, "an application id")) return unexpected(*error);
    return Command{Change{arguments_.at(0)}};
  }

  Parsed<Command> log() {
    if (auto error = countError(0, 0, "nothing after log")) return unexpected(*error);
    return Command{PrintLog{}};
  }

  QString name_;
  QStringList arguments_;
  std::set<std::pair<std::int32_t, QString>> declared_;
};

}  // namespace

TonnixExpected<std::vector<Step>, Error> parse(const QString& script) {
  std::vector<Step> steps;
  LineReader reader;
  const QStringList lines = script.split(QLatin1Char('\n'));
  for (qsizetype index = 0; index < lines.size(); ++index) {
    const int line = static_cast<int>(index + 1);
    const QString text = lines.at(index).trimmed();
    if (text.isEmpty() || text.startsWith(QLatin1Char('#'))) continue;
    auto tokens = tokenize(text);
    if (!tokens) return unexpected(Error{line, tokens.error()});
    auto command = reader.read(std::move(*tokens));
    if (!command) return unexpected(Error{line, command.error()});
    steps.push_back({line, std::move(*command)});
  }
  return steps;
}

}  // namespace TonnixSimulation
