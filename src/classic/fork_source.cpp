#include "classic/fork_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "classic/apple_double.h"
#include "classic/bin_hex.h"
#include "classic/mac_binary.h"
#include "classic/resource_fork.h"

namespace fs = std::filesystem;

namespace {

// Classic forks never come near this; anything larger is not a sound set
// and is not worth holding in memory.
constexpr off_t kLargestFile = 64 << 20;

int statusForErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return TonnixResourceForkError::kFileNotFound;
    case EACCES:
    case EPERM:
      return TonnixResourceForkError::kPermissionDenied;
    default:
      return TonnixResourceForkError::kIOError;
  }
}

// A closing file descriptor, so every early return closes it.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// The whole of a regular file, or the status of the failure.
TonnixExpected<std::vector<std::uint8_t>, int> readRegularFile(const fs::path& path) {
  // Non-blocking, so that a named pipe given as a set cannot hang the read;
  // anything but a regular file is refused below.
  const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) return unexpected(statusForErrno(errno));
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) return unexpected(statusForErrno(errno));
  if (!S_ISREG(info.st_mode)) return unexpected(TonnixResourceForkError::kParameterError);
  if (info.st_size > kLargestFile) return unexpected(TonnixResourceForkError::kEndOfFile);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const auto count = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return unexpected(statusForErrno(errno));
    if (count == 0) break;
    done += static_cast<std::size_t>(count);
  }
  bytes.resize(done);
  return bytes;
}

// Copying a file to another system leaves a blank sidecar beside it whose
// fork is a map without types; that must not hide a real fork carried by
// the file itself.
bool holdsNoTypes(std::span<const std::uint8_t> fork) {
  const auto parsed = TonnixResourceFork::parse(fork);
  return !parsed && parsed.error() == TonnixResourceForkError::emptyFork();
}

std::optional<TonnixForkBytes> sidecarFork(const fs::path& file) {
  for (const auto& candidate : sidecarCandidates(file)) {
    auto bytes = readRegularFile(candidate);
    if (!bytes) continue;
    auto fork = appleDoubleResourceFork(*bytes);
    if (fork && !holdsNoTypes(*fork)) {
      return TonnixForkBytes{TonnixForkContainer::appleDoubleSidecar, std::move(*fork)};
    }
  }
  return std::nullopt;
}

// Some file systems (and Mac volumes mounted with fork support) show the
// fork as a file inside the file.
std::optional<TonnixForkBytes> namedFork(const fs::path& file) {
  for (const auto& candidate : {file / "..namedfork" / "rsrc", file / "rsrc"}) {
    auto bytes = readRegularFile(candidate);
    if (bytes && !bytes->empty()) {
      return TonnixForkBytes{TonnixForkContainer::namedFork, std::move(*bytes)};
    }
  }
  return std::nullopt;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string percentDecoded(std::string_view text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
        hexValue(text[i + 2]) >= 0) {
      decoded += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
      i += 2;
      continue;
    }
    decoded += text[i];
  }
  return decoded;
}

// The scheme of a URL ("file", "https"); nothing for a plain path. A path may
// contain a colon, so only "scheme://" and "file:" count as URLs.
std::optional<std::string> urlScheme(std::string_view location) {
  const auto colon = location.find(':');
  if (colon == 0 || colon == std::string_view::npos) return std::nullopt;
  const auto scheme = location.substr(0, colon);
  const bool wellFormed =
      std::isalpha(static_cast<unsigned char>(scheme[0])) &&
      std::all_of(scheme.begin(), scheme.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
      });
  if (!wellFormed) return std::nullopt;
  std::string lowered(scheme);
  std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lowered != "file" && location.substr(colon + 1, 2) != "//") return std::nullopt;
  return lowered;
}

}  // namespace

std::optional<TonnixForkBytes> unwrapForkContainer(std::span<const std::uint8_t> fileBytes) {
  if (auto fork = appleDoubleResourceFork(fileBytes)) {
    return TonnixForkBytes{TonnixForkContainer::appleSingleOrDouble, std::move(*fork)};
  }
  if (auto fork = macBinaryResourceFork(fileBytes)) {
    return TonnixForkBytes{TonnixForkContainer::macBinary, std::move(*fork)};
  }
  if (auto fork = binHexResourceFork(fileBytes)) {
    return TonnixForkBytes{TonnixForkContainer::binHex, std::move(*fork)};
  }
  return std::nullopt;
}

std::vector<fs::path> sidecarCandidates(const fs::path& file) {
  std::error_code error;
  const fs::path made = fs::absolute(file, error);
  const fs::path absolute = (error ? file : made).lexically_normal();
  const fs::path folder = absolute.parent_path();
  const fs::path sidecarName = "._" + absolute.filename().string();
  std::vector<fs::path> candidates{folder / sidecarName};
  for (fs::path top = folder;; top = top.parent_path()) {
    const fs::path inside = folder.lexically_relative(top);
    const fs::path mirror = top / "__MACOSX";
    candidates.push_back((inside == "." ? mirror : mirror / inside) / sidecarName);
    if (top == top.parent_path()) break;
  }
  return candidates;
}

TonnixExpected<TonnixForkBytes, TonnixResourceForkError> readResourceForkBytes(
    const fs::path& file) {
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0) {
    return unexpected(TonnixResourceForkError::couldNotLocate(statusForErrno(errno)));
  }
  if (S_ISDIR(info.st_mode)) {
    return unexpected(
        TonnixResourceForkError::couldNotLocate(TonnixResourceForkError::kParameterError));
  }
  if (auto fork = sidecarFork(file)) return std::move(*fork);

  auto bytes = readRegularFile(file);
  if (!bytes) return unexpected(TonnixResourceForkError::noReadableFork(bytes.error()));
  if (auto fork = unwrapForkContainer(*bytes)) return std::move(*fork);
  if (auto fork = namedFork(file)) return std::move(*fork);
  return TonnixForkBytes{TonnixForkContainer::rawFork, std::move(*bytes)};
}

TonnixExpected<fs::path, TonnixResourceForkError> resolveFileLocation(std::string_view location) {
  const auto scheme = urlScheme(location);
  if (!scheme) return fs::path(location);
  if (*scheme != "file") return unexpected(TonnixResourceForkError::notAFileURL());
  auto rest = location.substr(scheme->size() + 1);
  if (rest.starts_with("//")) {
    rest.remove_prefix(2);
    const auto slash = rest.find('/');
    const auto host = rest.substr(0, slash);
    if (!host.empty() && host != "localhost")
      return unexpected(TonnixResourceForkError::notAFileURL());
    rest = slash == std::string_view::npos ? std::string_view("/") : rest.substr(slash);
  }
  const auto query = rest.find_first_of("?#");
  return fs::path(percentDecoded(rest.substr(0, query)));
}

std::string locationFileName(std::string_view location) {
  const auto path = resolveFileLocation(location);
  std::string text = path ? path->string() : std::string(location);
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  const auto slash = text.rfind('/');
  return slash == std::string::npos || text.size() == 1 ? text : text.substr(slash + 1);
}
