#include "library/folder_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

#include "support/diagnostics.h"

namespace fs = std::filesystem;

namespace {

// A file descriptor closed when it goes.
class OpenFile {
 public:
  explicit OpenFile(int descriptor) : descriptor_(descriptor) {}
  OpenFile(OpenFile&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
  OpenFile& operator=(OpenFile&&) = delete;
  ~OpenFile() {
    if (descriptor_ >= 0) ::close(descriptor_);
  }

  int get() const { return descriptor_; }

 private:
  int descriptor_;
};

struct OpenedFile {
  OpenFile file;
  std::uintmax_t size;
};

std::string systemText(int number) {
  return std::strerror(number);
}

bool liesInside(const fs::path& canonicalPath, const fs::path& canonicalRoot) {
  const fs::path relative = canonicalPath.lexically_relative(canonicalRoot);
  return !relative.empty() && *relative.begin() != ".." && relative != ".";
}

// The file that `entry` stands for: itself, or the target of a link that
// stays inside the folder; or why it must be left out.
TonnixExpected<fs::path, std::string> copyableFile(const fs::path& canonicalRoot,
                                                   const fs::path& entry) {
  std::error_code error;
  const fs::file_status status = fs::symlink_status(entry, error);
  if (error) return unexpected(error.message());
  if (fs::is_regular_file(status)) return entry;
  if (!fs::is_symlink(status)) return unexpected(std::string("it is not a regular file"));
  const fs::path target = fs::canonical(entry, error);
  if (error) return unexpected(error.message());
  if (!liesInside(target, canonicalRoot)) {
    return unexpected("it links to " + target.string() + ", outside the folder");
  }
  if (!fs::is_regular_file(target, error)) {
    return unexpected(std::string("it links to something that is not a regular file"));
  }
  return target;
}

// Where the opened file really is, whatever links led there.
fs::path openedPath(int descriptor) {
  std::error_code error;
  return fs::read_symlink("/proc/self/fd/" + std::to_string(descriptor), error);
}

// Opens `file` for reading when it is, at this moment, a regular file inside
// the folder: no link followed at its end, its type and place read from the
// opened file, never from its name again.
TonnixExpected<OpenedFile, std::string> openInside(const fs::path& canonicalRoot,
                                                   const fs::path& file) {
  // Non-blocking, so that a pipe swapped in cannot hang the open.
  OpenFile opened(::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
  if (opened.get() < 0) {
    if (errno == ELOOP) return unexpected(std::string("it became a link while it was copied"));
    return unexpected(systemText(errno));
  }
  struct stat status {};
  if (::fstat(opened.get(), &status) != 0) return unexpected(systemText(errno));
  if (!S_ISREG(status.st_mode)) return unexpected(std::string("it is not a regular file"));
  if (!liesInside(openedPath(opened.get()), canonicalRoot)) {
    return unexpected(std::string("it lies outside the folder"));
  }
  return OpenedFile{std::move(opened), static_cast<std::uintmax_t>(status.st_size)};
}

// Writes the first `size` bytes of `source` to the new file `destination`.
TonnixExpected<TonnixDone, std::string> copyBytes(int source, std::uintmax_t size,
                                                  const fs::path& destination) {
  const OpenFile target(
      ::open(destination.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
  if (target.get() < 0) return unexpected(systemText(errno));
  std::array<char, 1 << 16> buffer{};
  for (std::uintmax_t left = size; left > 0;) {
    const ssize_t read =
        ::read(source, buffer.data(), std::min<std::uintmax_t>(left, buffer.size()));
    if (read < 0 && errno == EINTR) continue;
    if (read <= 0) break;
    for (ssize_t written = 0; written < read;) {
      const ssize_t step =
          ::write(target.get(), buffer.data() + written, static_cast<std::size_t>(read - written));
      if (step < 0 && errno == EINTR) continue;
      if (step < 0) return unexpected(systemText(errno));
      written += step;
    }
    left -= static_cast<std::uintmax_t>(read);
  }
  return TonnixDone{};
}

TonnixExpected<TonnixDone, std::string> takeEntry(TonnixCopyBudget& budget) {
  if (--budget.entriesLeft < 0) {
    return unexpected("it holds more than " + std::to_string(TonnixCopyBudget::mostSetEntries) +
                      " files");
  }
  return TonnixDone{};
}

// Copies the opened file to the new file `destination` when the set's
// budget has room for it.
TonnixExpected<TonnixDone, std::string> copyOpened(const OpenedFile& opened,
                                                   const fs::path& destination,
                                                   TonnixCopyBudget& budget) {
  if (opened.size > budget.bytesLeft) {
    return unexpected("it holds more than " +
                      std::to_string(TonnixCopyBudget::largestSetBytes >> 20) + " MB");
  }
  budget.bytesLeft -= opened.size;
  auto copied = copyBytes(opened.file.get(), opened.size, destination);
  std::error_code error;
  if (!copied) fs::remove(destination, error);
  return copied;
}

void reportLeftOut(const fs::path& relative, const std::string& reason) {
  tonnixDiagnostic("TonnixLibrary", "left out " + relative.string() + ": " + reason);
}

TonnixExpected<TonnixDone, std::string> copyContents(const fs::path& root,
                                                     const fs::path& destination) {
  TonnixCopyBudget budget;
  std::error_code error;
  fs::recursive_directory_iterator it(root, error);
  for (const fs::recursive_directory_iterator end; !error && it != end; it.increment(error)) {
    const fs::path entry = it->path();
    const fs::path target = destination / entry.lexically_relative(root);
    TONNIX_TRY(counted, takeEntry(budget));
    if (fs::is_directory(fs::symlink_status(entry, error))) {
      fs::create_directory(target, error);
      if (error) return unexpected(error.message());
      continue;
    }
    const auto file = copyableFile(root, entry);
    if (!file) {
      reportLeftOut(entry.lexically_relative(root), file.error());
      continue;
    }
    TONNIX_TRY(opened, openInside(root, *file));
    TONNIX_TRY(copied, copyOpened(opened, target, budget));
  }
  if (error) return unexpected(error.message());
  return TonnixDone{};
}

}  // namespace

TonnixExpected<TonnixDone, std::string> copyFolder(const fs::path& source,
                                                   const fs::path& destination) {
  std::error_code error;
  const fs::path root = fs::canonical(source, error);
  if (error) return unexpected(error.message());
  const fs::path destinationFolder = fs::weakly_canonical(destination, error);
  if (error) return unexpected(error.message());
  if (liesInside(destinationFolder, root)) {
    return unexpected(std::string("the destination lies inside the folder"));
  }
  if (!fs::create_directory(destination, error)) {
    return unexpected(error ? error.message() : std::string("the destination exists already"));
  }
  auto copied = copyContents(root, destination);
  if (!copied) fs::remove_all(destination, error);
  return copied;
}

TonnixExpected<TonnixDone, std::string> copyFileWithin(const fs::path& root, const fs::path& file,
                                                       const fs::path& destination,
                                                       TonnixCopyBudget& budget) {
  std::error_code error;
  const fs::path canonicalRoot = fs::canonical(root, error);
  if (error) return unexpected(error.message());
  TONNIX_TRY(counted, takeEntry(budget));
  TONNIX_TRY(copyable, copyableFile(canonicalRoot, file));
  TONNIX_TRY(opened, openInside(canonicalRoot, copyable));
  return copyOpened(opened, destination, budget);
}
