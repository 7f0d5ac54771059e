// From a left-button press sent to the X server to the first audible sample
// of its sound, end to end, on a GTK 3 window: `tonnix run` against GTK's
// own input feedback (the libcanberra GTK module, whose sound theme plays
// the very same file), in one session and interleaved rounds. Each player is
// timed with the pointer resting on the button (pressed and released in
// place, again and again, as a hand clicks), pressed the moment the pointer
// arrives, and at the first press after 5 s and after 2 minutes idle
// (TONNIX_BENCH_LONG_IDLE_SECONDS shortens the latter). Needs a desktop
// session, PulseAudio and gtk3-widget-factory:
//
//   scripts/headless-session build/bin/click_latency_bench
//
// A private PulseAudio server runs a null sink kept at 5 ms latency by a
// silent stream, as a desktop's sink runs while anything plays; the sink's
// monitor is read in 2 ms pieces on a thread of its own. The load average
// at the start and the end is reported beside the figures.

#include <atspi/atspi.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "platform/linux/atspi_accessibility.h"
#include "platform/linux/atspi_connection.h"

// Last: Xlib's macros (Bool, Status, None) clash with Qt's headers.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr int kPressesPerRound = 15;
constexpr int kRounds = 2;
constexpr int kSampleRate = 48000;

QTemporaryDir& scratch() {
  static QTemporaryDir folder;
  return folder;
}

bool waitFor(const std::function<bool()>& done, int milliseconds) {
  QDeadlineTimer deadline(milliseconds);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
  }
  return true;
}

bool runs(const QString& program, const QStringList& arguments,
          const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
  QProcess process;
  process.setProcessEnvironment(environment);
  process.start(program, arguments);
  return process.waitForFinished(10'000) && process.exitStatus() == QProcess::NormalExit &&
         process.exitCode() == 0;
}

// A 16-bit WAV click: 40 ms of a 1 kHz tone at half scale, loud from its
// first sample.
QString writeClick() {
  const QString path = scratch().filePath(QStringLiteral("click.wav"));
  const int frames = kSampleRate / 25;
  QByteArray data;
  for (int frame = 0; frame < frames; ++frame) {
    const auto sample = static_cast<std::int16_t>(
        16000 * std::cos(2 * 3.14159265358979 * 1000 * frame / kSampleRate));
    data.append(reinterpret_cast<const char*>(&sample), 2);
  }
  const auto u32 = [](std::uint32_t value) {
    return QByteArray(reinterpret_cast<const char*>(&value), 4);
  };
  const auto u16 = [](std::uint16_t value) {
    return QByteArray(reinterpret_cast<const char*>(&value), 2);
  };
  QByteArray file = "RIFF" + u32(36 + data.size()) + "WAVEfmt " + u32(16) + u16(1) + u16(1) +
                    u32(kSampleRate) + u32(kSampleRate * 2) + u16(2) + u16(16) + "data" +
                    u32(data.size()) + data;
  QFile out(path);
  if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size()) return {};
  return path;
}

// The private sound server, its null sink kept running at low latency, and
// the reader of the sink's monitor.
class SoundServer {
 public:
  bool start() {
    if (server_.state() == QProcess::Running) return true;
    environment_ = QProcessEnvironment::systemEnvironment();
    environment_.remove(QStringLiteral("PULSE_SERVER"));
    server_.setProcessEnvironment(environment_);
    server_.start(QStringLiteral("pulseaudio"),
                  QStringLiteral("-n|--daemonize=no|--exit-idle-time=-1|--use-pid-file=false|"
                                 "--load=module-native-protocol-unix|"
                                 "--load=module-null-sink sink_name=null")
                      .split(QLatin1Char('|')));
    if (!server_.waitForStarted() ||
        !waitFor([] { return runs(QStringLiteral("pactl"), {QStringLiteral("info")}); }, 10'000) ||
        !runs(QStringLiteral("pactl"),
              {QStringLiteral("set-default-sink"), QStringLiteral("null")})) {
      return false;
    }
    keeper_.setStandardInputFile(QStringLiteral("/dev/zero"));
    keeper_.start(QStringLiteral("pacat"), {QStringLiteral("--latency-msec=5")});
    return keeper_.waitForStarted() && startReader();
  }

  ~SoundServer() {
    isReading_ = false;
    if (reader_.joinable()) reader_.join();
    if (recorder_ > 0) {
      ::kill(recorder_, SIGTERM);
      ::waitpid(recorder_, nullptr, 0);
    }
    for (QProcess* process : {&keeper_, &server_}) {
      process->terminate();
      if (!process->waitForFinished(5000)) process->kill();
    }
  }

  // Clears what was heard; the next loud sample after this counts.
  void listen() {
    waitFor([] { return false; }, 300);
    heardAt_ = Clock::time_point{};
    isListening_ = true;
  }

  std::optional<Clock::time_point> heard(int milliseconds) {
    const bool wasHeard =
        waitFor([this] { return heardAt_.load() != Clock::time_point{}; }, milliseconds);
    isListening_ = false;
    if (!wasHeard) return std::nullopt;
    return heardAt_.load();
  }

 private:
  // parec on a pipe, read on a thread of its own so that the main thread's
  // work never delays the clock.
  bool startReader() {
    int pipe[2];
    if (::pipe(pipe) != 0) return false;
    recorder_ = ::fork();
    if (recorder_ == 0) {
      ::dup2(pipe[1], STDOUT_FILENO);
      ::close(pipe[0]);
      ::execlp("parec", "parec", "-d", "null.monitor", "--raw", "--format=s16le", "--rate=48000",
               "--channels=1", "--latency-msec=2", nullptr);
      ::_exit(127);
    }
    ::close(pipe[1]);
    if (recorder_ < 0) return false;
    reader_ = std::thread([this, fd = pipe[0]] {
      std::vector<std::int16_t> block(4096);
      while (isReading_) {
        pollfd wait{fd, POLLIN, 0};
        if (::poll(&wait, 1, 50) <= 0) continue;
        const ssize_t got = ::read(fd, block.data(), block.size() * 2);
        if (got <= 0) break;
        const auto now = Clock::now();
        const auto samples = static_cast<std::size_t>(got / 2);
        if (isListening_ && heardAt_.load() == Clock::time_point{} &&
            std::any_of(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(samples),
                        [](std::int16_t value) { return std::abs(value) > 300; })) {
          heardAt_ = now;
        }
      }
      ::close(fd);
    });
    return true;
  }

  QProcessEnvironment environment_;
  QProcess server_;
  QProcess keeper_;
  pid_t recorder_ = -1;
  std::thread reader_;
  std::atomic<bool> isReading_ = true;
  std::atomic<bool> isListening_ = false;
  std::atomic<Clock::time_point> heardAt_{};
};

SoundServer& soundServer() {
  static SoundServer server;
  return server;
}

// The centre of the first showing push button of the application, low
// enough on the window to be in its content.
std::optional<QPoint> buttonCentre(AtspiAccessible* root) {
  std::vector<AtspiAccessible*> queue{root};
  g_object_ref(root);
  std::optional<QPoint> found;
  for (std::size_t index = 0; index < queue.size() && !found && index < 3000; ++index) {
    AtspiAccessible* object = queue[index];
    AtspiStateSet* states = atspi_accessible_get_state_set(object);
    const bool showing = states && atspi_state_set_contains(states, ATSPI_STATE_SHOWING);
    if (states) g_object_unref(states);
    if (atspi_accessible_get_role(object, nullptr) == ATSPI_ROLE_PUSH_BUTTON && showing) {
      if (AtspiRect* rect = atspi_component_get_extents(ATSPI_COMPONENT(object),
                                                        ATSPI_COORD_TYPE_SCREEN, nullptr)) {
        if (rect->y > 80 && rect->width > 20) {
          found = QRect(rect->x, rect->y, rect->width, rect->height).center();
        }
        g_free(rect);
      }
    }
    const int count = atspi_accessible_get_child_count(object, nullptr);
    for (int child = 0; child < count; ++child) {
      if (auto* next = atspi_accessible_get_child_at_index(object, child, nullptr)) {
        queue.push_back(next);
      }
    }
  }
  for (auto* object : queue) g_object_unref(object);
  return found;
}

// Presses through the X server's test extension and releases away from the
// button, so that it never activates.
class Pointer {
 public:
  Pointer() : display_(XOpenDisplay(nullptr)) {}
  ~Pointer() {
    if (display_) XCloseDisplay(display_);
  }
  Pointer(const Pointer&) = delete;
  Pointer& operator=(const Pointer&) = delete;

  bool isConnected() const { return display_ != nullptr; }

  // Where a hand stops before it presses.
  void moveTo(QPoint at) {
    XTestFakeMotionEvent(display_, -1, at.x(), at.y(), CurrentTime);
    XSync(display_, False);
  }

  Clock::time_point press() {
    const auto pressed = Clock::now();
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    XFlush(display_);
    return pressed;
  }

  void release() {
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    XSync(display_, False);
  }

 private:
  Display* display_;
};

double percentile(std::vector<double> values, int percent) {
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, values.size() * percent / 100)];
}

// One player's figures, in milliseconds from the press to the first
// audible sample.
struct Figures {
  std::vector<double> atRest;
  std::vector<double> onArrival;
  std::vector<double> firstAfterStart;
  std::vector<double> after5s;
  std::vector<double> after2min;
  int missed = 0;

  void report(benchmark::State& state, const std::string& player) const {
    state.counters[player + "_missed"] = missed;
    const auto spread = [&](const std::vector<double>& values, const std::string& name) {
      if (values.empty()) return;
      state.counters[player + name + "_median_ms"] = percentile(values, 50);
      state.counters[player + name + "_p95_ms"] = percentile(values, 95);
    };
    const auto worst = [&](const std::vector<double>& values, const std::string& name) {
      if (!values.empty()) state.counters[player + name + "_ms"] = percentile(values, 100);
    };
    spread(atRest, "_rest");
    spread(onArrival, "_arrival");
    worst(firstAfterStart, "_first");
    worst(after5s, "_after_5s");
    worst(after2min, "_after_2min");
  }
};

// The GTK window, optionally with the libcanberra module's feedback sounds.
class Factory {
 public:
  Factory(const QProcessEnvironment& environment, TonnixAtspiAccessibility& accessibility) {
    process_.setProcessEnvironment(environment);
    process_.start(QStringLiteral("gtk3-widget-factory"), {});
    waitFor(
        [&] {
          const auto application = accessibility.connection()
                                       ? accessibility.connection()->application(
                                             static_cast<std::int32_t>(process_.processId()))
                                       : std::nullopt;
          if (application) button_ = buttonCentre(application->root.get());
          return button_.has_value();
        },
        30'000);
  }
  ~Factory() {
    process_.kill();
    process_.waitForFinished();
  }
  Factory(const Factory&) = delete;
  Factory& operator=(const Factory&) = delete;

  std::optional<QPoint> button() const { return button_; }

 private:
  QProcess process_;
  std::optional<QPoint> button_;
};

// One press and its release, both where the pointer is; nothing when no
// sound was heard within two seconds.
std::optional<double> press(Pointer& pointer, Figures& figures) {
  const auto pressed = pointer.press();
  const auto heard = soundServer().heard(2000);
  pointer.release();
  if (!heard) {
    ++figures.missed;
    return std::nullopt;
  }
  return Milliseconds(*heard - pressed).count();
}

void record(std::vector<double>& values, std::optional<double> value) {
  if (value) values.push_back(*value);
}

int longIdleMilliseconds() {
  bool isNumber = false;
  const int seconds = qEnvironmentVariableIntValue("TONNIX_BENCH_LONG_IDLE_SECONDS", &isNumber);
  return (isNumber ? seconds : 120) * 1000;
}

// One round of a player just started: the pointer comes to rest on the
// button and presses there again and again; then it leaves and presses the
// moment it is back; with `idlePresses`, it rests on the button for 5 s and
// for 2 minutes before a press.
void pressRound(Pointer& pointer, QPoint button, Figures& figures, bool idlePresses) {
  pointer.moveTo(button);
  for (int count = 0; count <= kPressesPerRound; ++count) {
    soundServer().listen();
    record(count == 0 ? figures.firstAfterStart : figures.atRest, press(pointer, figures));
  }
  for (int count = 0; count < kPressesPerRound; ++count) {
    pointer.moveTo(QPoint(5, 5));
    soundServer().listen();
    pointer.moveTo(button);
    record(figures.onArrival, press(pointer, figures));
  }
  if (!idlePresses) return;
  for (const auto& [idle, values] :
       {std::pair(5000, &figures.after5s), std::pair(longIdleMilliseconds(), &figures.after2min)}) {
    waitFor([] { return false; }, idle);
    soundServer().listen();
    record(*values, press(pointer, figures));
  }
}

QProcessEnvironment homeEnvironment(const QString& name) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  const QString home = scratch().filePath(name);
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
  environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
  return environment;
}

bool write(const QString& path, const QByteArray& text) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// GTK's input feedback with a sound theme whose button-pressed is `click`.
QProcessEnvironment canberraEnvironment(const QString& click) {
  QProcessEnvironment environment = homeEnvironment(QStringLiteral("canberra"));
  const QString config = environment.value(QStringLiteral("XDG_CONFIG_HOME"));
  const QString theme = environment.value(QStringLiteral("XDG_DATA_HOME")) + "/sounds/lat";
  write(config + "/gtk-3.0/settings.ini",
        "[Settings]\ngtk-sound-theme-name=lat\ngtk-enable-input-feedback-sounds=1\n"
        "gtk-enable-event-sounds=1\n");
  write(theme + "/index.theme",
        "[Sound Theme]\nName=lat\nDirectories=stereo\n\n[stereo]\nOutputProfile=stereo\n");
  QDir().mkpath(theme + "/stereo");
  QFile::copy(click, theme + "/stereo/button-pressed.wav");
  environment.insert(QStringLiteral("GTK_MODULES"), QStringLiteral("canberra-gtk-module"));
  return environment;
}

QProcessEnvironment tonnixEnvironment(const QString& click) {
  QProcessEnvironment environment = homeEnvironment(QStringLiteral("tonnix"));
  for (const char* code : {"btnp", "dbtp", "cbtp"}) {
    runs(QStringLiteral(TONNIX_EXECUTABLE), {QStringLiteral("assign"), QLatin1String(code), click},
         environment);
  }
  return environment;
}

// `tonnix run`, ready once it has had time to attach to the applications.
class Tonnix {
 public:
  explicit Tonnix(const QProcessEnvironment& environment) {
    process_.setProcessEnvironment(environment);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(QStringLiteral(TONNIX_EXECUTABLE), {QStringLiteral("run")});
    isReady_ = waitFor(
        [&] {
          output_ += process_.readAll();
          return output_.contains("TonnixMouseMonitor: XInput");
        },
        15'000);
    waitFor([] { return false; }, 3000);
    // Which output plays, once per run.
    static bool hasSaid = false;
    for (const QByteArray& line : output_.split('\n')) {
      if (line.startsWith("TonnixAudio:") && !std::exchange(hasSaid, true)) {
        std::fprintf(stderr, "%s\n", line.constData());
      }
    }
  }
  ~Tonnix() {
    process_.terminate();
    if (!process_.waitForFinished(5000)) process_.kill();
  }
  Tonnix(const Tonnix&) = delete;
  Tonnix& operator=(const Tonnix&) = delete;

  bool isReady() const { return isReady_; }

 private:
  QProcess process_;
  QByteArray output_;
  bool isReady_ = false;
};

bool prepare(benchmark::State& state, Pointer& pointer) {
  if (!pointer.isConnected()) {
    state.SkipWithError("needs an X server (scripts/headless-session)");
    return false;
  }
  if (!soundServer().start()) {
    state.SkipWithError("needs PulseAudio (pulseaudio, pulseaudio-utils)");
    return false;
  }
  return true;
}

double loadAverage() {
  QFile file(QStringLiteral("/proc/loadavg"));
  if (!file.open(QIODevice::ReadOnly)) return 0;
  return file.readAll().split(' ').value(0).toDouble();
}

// Both players, interleaved: each round starts its player afresh.
void pressToSound(benchmark::State& state) {
  Pointer pointer;
  if (!prepare(state, pointer)) return;
  state.counters["load_at_start"] = loadAverage();
  const QString click = writeClick();
  TonnixAtspiAccessibility accessibility;
  Figures tonnix;
  Figures canberra;
  for (auto _ : state) {
    for (int round = 0; round < kRounds; ++round) {
      {
        Factory factory(homeEnvironment(QStringLiteral("plain")), accessibility);
        Tonnix player(tonnixEnvironment(click));
        if (!factory.button() || !player.isReady()) {
          state.SkipWithError("no push button on the GTK window, or tonnix run did not start");
          return;
        }
        pressRound(pointer, *factory.button(), tonnix, round == 0);
      }
      Factory factory(canberraEnvironment(click), accessibility);
      if (!factory.button()) {
        state.SkipWithError("no push button on the GTK window");
        return;
      }
      pressRound(pointer, *factory.button(), canberra, round == 0);
    }
  }
  tonnix.report(state, "tonnix");
  canberra.report(state, "gtk");
  state.counters["load_at_end"] = loadAverage();
}
BENCHMARK(pressToSound)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
