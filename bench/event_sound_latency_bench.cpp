// From an application's accessibility event to its sound started, end to
// end: `tonnix run --monitor` (the built-in set, OpenAL Soft without a
// device) beside one application per toolkit, which opens and closes
// dialogs, windows and menus, while two busy threads load the machine's two
// cores. Each benchmark reports the figures of the monitor's closing line,
// which time every event of the observed application from its arrival to
// its sounds started, or to the decision that nothing plays:
//
//   scripts/headless-session build/test/bin/event_sound_latency_bench
//
// GTK 3 is gtk3-demo's message dialog, GTK 4 our fixture and GNOME Text
// Editor, Qt 6 our fixture; an application not installed is skipped.
//
// On a 2-core machine shared with other builds, mean / longest in ms, before
// GTK 4's own announcements were read (three runs, load 4–8) and after (three
// runs, load 3–6): GTK 3 5.1–6.7 / 17–105, then 7.6–8.2 / 33–67 (unchanged,
// the machine busier); GTK 4 fixture 1.0–2.3 / 17–93, then 0.5–1.2 / 16–23;
// Text Editor 3.1–3.8 / 95–167 (its file chooser, answered once built), then
// 0.4–0.7 / 12–22; Qt 6 1.2–2.9 / 7–23, then 2.4–5.1 / 14–26. At load 10 the
// GTK 4 window's role, its one question left (it picks a dialog's or a
// window's sound), still took 77–253 ms at times.

#include <benchmark/benchmark.h>
#include <signal.h>

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "desktop_session.h"
#include "event_loop.h"
#include "program.h"

namespace {

using tonnix_test::turnUntil;

constexpr int cycles = 8;
constexpr int stepTimeout = 5'000;  // milliseconds

// Keeps every core busy while it lives.
class Load {
 public:
  Load() {
    for (unsigned core = 0; core < std::max(2u, std::thread::hardware_concurrency()); ++core) {
      threads_.emplace_back([this] {
        std::uint64_t spin = 0;
        while (!stop_) benchmark::DoNotOptimize(++spin);
      });
    }
  }
  ~Load() {
    stop_ = true;
    for (auto& thread : threads_) thread.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::vector<std::thread> threads_;
};

// `tonnix run --monitor` in a scratch home that sees the session's settings.
class Monitor {
 public:
  Monitor() {
    const std::filesystem::path settings =
        qEnvironmentVariable("XDG_CONFIG_HOME").toStdString() + "/dconf";
    std::error_code ignored;
    std::filesystem::create_directories(home_.root() / "config", ignored);
    std::filesystem::create_directory_symlink(settings, home_.root() / "config" / "dconf", ignored);
    process_.setProcessEnvironment(home_.environment());
    process_.setProcessChannelMode(QProcess::MergedChannels);
    QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] {
      while (process_.canReadLine())
        lines_.append(QString::fromUtf8(process_.readLine()).trimmed());
    });
    process_.start(tonnix_test::ScratchHome::executable(),
                   {QStringLiteral("run"), QStringLiteral("--monitor")});
    process_.waitForStarted(tonnix_test::applicationStartTimeout);
  }
  ~Monitor() {
    process_.kill();
    process_.waitForFinished(5000);
  }

  int count(const QString& notification) const {
    const auto prefix = QStringLiteral("Tonnix: ") + notification + u' ';
    return static_cast<int>(std::count_if(lines_.begin(), lines_.end(), [&](const QString& line) {
      return line.startsWith(prefix);
    }));
  }

  // Does `action` until the notification is heard once more.
  bool hear(const QString& notification, const std::function<void()>& action, int tries = 1) {
    const int before = count(notification);
    for (int attempt = 0; attempt < tries; ++attempt) {
      action();
      if (turnUntil([&] { return count(notification) > before; }, stepTimeout)) return true;
    }
    return false;
  }

  // Ends it as a terminal would; the closing line's count, mean and longest.
  std::optional<std::array<double, 3>> stop() {
    ::kill(static_cast<pid_t>(process_.processId()), SIGTERM);
    process_.waitForFinished(10'000);
    static const QRegularExpression closing(
        QStringLiteral("(\\d+) events handled, mean ([0-9.]+) ms, longest ([0-9.]+) ms"));
    for (const auto& line : lines_) {
      const auto match = closing.match(line);
      if (match.hasMatch()) {
        return std::array<double, 3>{match.captured(1).toDouble(), match.captured(2).toDouble(),
                                     match.captured(3).toDouble()};
      }
    }
    return std::nullopt;
  }

 private:
  tonnix_test::ScratchHome home_;
  QProcess process_;
  QStringList lines_;
};

// Keys typed into the window of that title (the application's first one
// when empty), and what they make heard.
struct Step {
  QString notification;
  QStringList keys;
  QString window = {};
};

// Starts the application, plays `steps` `cycles` times, and reports.
void measure(benchmark::State& state, const QString& program, const QStringList& arguments,
             const QString& windowTitle, const std::vector<Step>& steps) {
  if (const QString missing = tonnix_test::missingDesktopSession(); !missing.isEmpty()) {
    state.SkipWithError(missing.toStdString().c_str());
    return;
  }
  if (program.isEmpty() || QStandardPaths::findExecutable(program).isEmpty()) {
    state.SkipWithError("the application is not installed");
    return;
  }
  for (auto _ : state) {
    Monitor monitor;
    QThread::msleep(1000);
    tonnix_test::Application application(program, arguments);
    if (!application.started()) return state.SkipWithError("the application did not start");
    const auto window = tonnix_test::windowNamed(windowTitle);
    if (window.isEmpty()) return state.SkipWithError("no window");
    const auto press = [&](const Step& step) {
      return [&window, step] {
        const auto into = step.window.isEmpty() ? window : tonnix_test::windowNamed(step.window);
        tonnix_test::focusAndType(into, step.keys);
      };
    };
    // Tonnix attaches a little after the window shows.
    if (!monitor.hear(steps.front().notification, press(steps.front()), 10)) {
      return state.SkipWithError("the application was not heard");
    }
    QString unheard;
    for (std::size_t step = 1; step < steps.size() * cycles && unheard.isEmpty(); ++step) {
      const auto& next = steps[step % steps.size()];
      const Load load;
      if (!monitor.hear(next.notification, press(next))) {
        unheard = next.keys.join(u' ') + u' ' + next.notification;
      }
    }
    const auto figures = monitor.stop();
    if (!unheard.isEmpty()) {
      return state.SkipWithError(("not heard: " + unheard).toStdString().c_str());
    }
    if (!figures) return state.SkipWithError("no closing line");
    state.counters["events"] = (*figures)[0];
    state.counters["mean_ms"] = (*figures)[1];
    state.counters["longest_ms"] = (*figures)[2];
  }
}

const QString opened = QStringLiteral("AXWindowCreated");
const QString closed = QStringLiteral("AXUIElementDestroyed");
const QString menuOpened = QStringLiteral("AXMenuOpened");
const QString menuClosed = QStringLiteral("AXMenuClosed");

void Gtk3(benchmark::State& state) {
  measure(state, QStringLiteral("gtk3-demo"), {QStringLiteral("--run=dialog")},
          QStringLiteral("^Dialogs and Message Boxes$"),
          {{opened, {QStringLiteral("space")}}, {closed, {QStringLiteral("Return")}}});
}

void Gtk4(benchmark::State& state) {
  measure(state, QStringLiteral(TONNIX_GTK4_FIXTURE), {}, QStringLiteral("^Tonnix GTK 4 Fixture$"),
          {{opened, {QStringLiteral("ctrl+d")}},
           {closed, {QStringLiteral("Escape")}, QStringLiteral("^Fixture Dialog$")},
           {opened, {QStringLiteral("ctrl+n")}},
           {closed, {QStringLiteral("ctrl+w")}},
           {menuOpened, {QStringLiteral("ctrl+m")}},
           {menuClosed, {QStringLiteral("Escape")}}});
}

void Gtk4TextEditor(benchmark::State& state) {
  measure(state, QStringLiteral("gnome-text-editor"),
          {QStringLiteral("--standalone"), QStringLiteral("--ignore-session")},
          QStringLiteral("Text Editor"),
          {{opened, {QStringLiteral("ctrl+o")}},
           {closed, {QStringLiteral("Escape")}, QStringLiteral("^Open")},
           {menuOpened, {QStringLiteral("F10")}},
           {menuClosed, {QStringLiteral("Escape")}}});
}

void Qt6(benchmark::State& state) {
  measure(state, QStringLiteral(TONNIX_QT_FIXTURE), {}, QStringLiteral("^Tonnix Fixture$"),
          {{opened, {QStringLiteral("ctrl+d")}},
           {closed, {QStringLiteral("Escape")}, QStringLiteral("^Fixture Dialog$")},
           {opened, {QStringLiteral("ctrl+n")}},
           {closed, {QStringLiteral("ctrl+w")}, QStringLiteral("^Fixture Second Window$")}});
}

}  // namespace

BENCHMARK(Gtk3)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Gtk4)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Gtk4TextEditor)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Qt6)->Iterations(1)->Unit(benchmark::kMillisecond);
