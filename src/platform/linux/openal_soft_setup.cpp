#include "platform/linux/openal_soft_setup.h"

#include <AL/alc.h>
#include <AL/alext.h>
#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace {

// Small mixing periods: with OpenAL Soft's defaults a sound reaches the
// speaker some 25 ms after play(), which a click makes audible.
constexpr char kLowLatencyConfiguration[] =
    "[general]\n"
    "period_size = 128\n"
    "periods = 2\n"
    "[pulse]\n"
    "adjust-latency = true\n";

bool isFile(const std::filesystem::path& file) {
  std::error_code error;
  return std::filesystem::exists(file, error);
}

// A configuration the user wrote for OpenAL Soft: the file ALSOFT_CONF
// names, or a per-user one (the system's own is the distribution's).
bool userHasConfiguration() {
  if (std::getenv("ALSOFT_CONF")) return true;
  const char* home = std::getenv("HOME");
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  if (configHome && *configHome && isFile(std::filesystem::path(configHome) / "alsoft.conf")) {
    return true;
  }
  if (!home || !*home) return false;
  return isFile(std::filesystem::path(home) / ".alsoftrc") ||
         (!(configHome && *configHome) &&
          isFile(std::filesystem::path(home) / ".config" / "alsoft.conf"));
}

// ALSA's own error handler writes its lines wherever it likes.
extern "C" void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// On a machine without sound, the ALSA library OpenAL Soft loads would write
// its own lines on the terminal; Tonnix says why nothing is heard once, in
// its own words. Kept loaded, so that OpenAL Soft finds it with the handler
// set.
void quietAlsa() {
  void* alsa = ::dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
  if (!alsa) return;
  using ErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
  using SetErrorHandler = int (*)(ErrorHandler);
  if (auto* setHandler =
          reinterpret_cast<SetErrorHandler>(::dlsym(alsa, "snd_lib_error_set_handler"))) {
    setHandler(ignoreAlsaError);
  }
}

// An environment variable set for as long as this object lives, unless the
// user set it already; afterwards the environment is as it was.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value)
      : name_(name), owned_(!std::getenv(name)) {
    if (owned_) ::setenv(name_, value.c_str(), 0);
  }
  ~ScopedVariable() {
    if (owned_) ::unsetenv(name_);
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  bool owned_;
};

// A file that exists only in this process's memory, named by a path that
// only this process can open.
class MemoryFile {
 public:
  explicit MemoryFile(std::string_view contents)
      : descriptor_(::memfd_create("tonnix-alsoft", MFD_CLOEXEC)) {
    if (descriptor_ < 0) return;
    const auto length = static_cast<ssize_t>(contents.size());
    if (::write(descriptor_, contents.data(), contents.size()) != length) {
      ::close(std::exchange(descriptor_, -1));
    }
  }
  ~MemoryFile() {
    if (descriptor_ >= 0) ::close(descriptor_);
  }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  bool isValid() const { return descriptor_ >= 0; }
  std::string path() const { return "/proc/self/fd/" + std::to_string(descriptor_); }

 private:
  int descriptor_;
};

// OpenAL Soft reads its configuration and its log level once, at its first
// call, from files and the environment only.
void startOpenALSoft() {
  quietAlsa();
  const ScopedVariable quiet("ALSOFT_LOGLEVEL", "0");
  const MemoryFile configuration(kLowLatencyConfiguration);
  std::optional<ScopedVariable> named;
  if (configuration.isValid() && !userHasConfiguration()) {
    named.emplace("ALSOFT_CONF", configuration.path());
  }
  // A loopback device starts OpenAL Soft without opening any output.
  const auto openLoopback = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
      alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
  if (ALCdevice* loopback = openLoopback ? openLoopback(nullptr) : nullptr) {
    alcCloseDevice(loopback);
  } else {
    (void)alcGetString(nullptr, ALC_DEFAULT_DEVICE_SPECIFIER);
  }
}

}  // namespace

void tonnixSetUpOpenALSoft() {
  static std::once_flag started;
  std::call_once(started, startOpenALSoft);
}
