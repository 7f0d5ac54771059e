#include "library/folder_copy.h"

#include <system_error>

#include "support/diagnostics.h"

namespace fs = std::filesystem;

namespace {

bool liesInside(const fs::path& canonicalPath, const fs::path& canonicalRoot) {
  const fs::path relative = canonicalPath.lexically_relative(canonicalRoot);
  return !relative.empty() && *relative.begin() != ".." && relative != ".";
}

// The regular file that `entry` stands for, or why it must be left out.
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

void reportLeftOut(const fs::path& relative, const std::string& reason) {
  tonnixDiagnostic("TonnixLibrary", "left out " + relative.string() + ": " + reason);
}

TonnixExpected<TonnixDone, std::string> copyEntry(const fs::path& root, const fs::path& entry,
                                                  const fs::path& target) {
  std::error_code error;
  if (fs::is_directory(fs::symlink_status(entry, error))) {
    fs::create_directory(target, error);
    if (error) return unexpected(error.message());
    return TonnixDone{};
  }
  const auto file = copyableFile(root, entry);
  if (!file) {
    reportLeftOut(entry.lexically_relative(root), file.error());
    return TonnixDone{};
  }
  fs::copy_file(*file, target, error);
  if (error) return unexpected(error.message());
  return TonnixDone{};
}

TonnixExpected<TonnixDone, std::string> copyContents(const fs::path& root,
                                                     const fs::path& destination) {
  std::error_code error;
  fs::recursive_directory_iterator it(root, error);
  for (const fs::recursive_directory_iterator end; !error && it != end; it.increment(error)) {
    const fs::path entry = it->path();
    const auto copied = copyEntry(root, entry, destination / entry.lexically_relative(root));
    if (!copied) return copied;
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
                                                       const fs::path& destination) {
  std::error_code error;
  const fs::path canonicalRoot = fs::canonical(root, error);
  if (error) return unexpected(error.message());
  TONNIX_TRY(copyable, copyableFile(canonicalRoot, file));
  fs::copy_file(copyable, destination, error);
  if (error) return unexpected(error.message());
  return TonnixDone{};
}
