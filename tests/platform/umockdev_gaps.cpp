// Preloaded after umockdev's own library into the libinput tests, for the
// two things libinput asks that umockdev 0.17 does not emulate: the device
// number behind an emulated evdev node's descriptor (fstat gives the
// pseudo-terminal umockdev serves the node with), and udev's word that the
// device is initialized (the testbed has no udev database under /run/udev).
#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

struct udev_device;

namespace {

// umockdev names each pseudo-terminal's device number in $UMOCKDEV_DIR/dev/.ptymap.
void emulatedDeviceNumber(int fd, struct stat64* status) {
  const char* testbed = std::getenv("UMOCKDEV_DIR");
  if (!testbed || !S_ISCHR(status->st_mode)) return;
  char terminal[256] = {};
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  if (readlink(link.c_str(), terminal, sizeof terminal - 1) <= 0) return;
  std::string mapped = terminal;
  for (auto& c : mapped) c = c == '/' ? '_' : c;
  char number[64] = {};
  const std::string map = std::string(testbed) + "/dev/.ptymap/" + mapped;
  if (readlink(map.c_str(), number, sizeof number - 1) <= 0) return;
  unsigned major = 0;
  unsigned minor = 0;
  if (std::sscanf(number, "%u:%u", &major, &minor) == 2) status->st_rdev = makedev(major, minor);
}

}  // namespace

extern "C" {

int fstat64(int fd, struct stat64* status) {
  using Fstat = int (*)(int, struct stat64*);
  static const auto real = reinterpret_cast<Fstat>(dlsym(RTLD_NEXT, "fstat64"));
  const int result = real(fd, status);
  if (result == 0) emulatedDeviceNumber(fd, status);
  return result;
}

int udev_device_get_is_initialized(udev_device*) {
  return 1;
}
}
