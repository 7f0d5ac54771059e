#include "library/file_access.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

std::optional<std::string> readWholeFile(const fs::path& file, std::uintmax_t largest) {
  std::error_code error;
  const auto size = fs::file_size(file, error);
  if (error || size > largest) return std::nullopt;
  std::ifstream stream(file, std::ios::binary);
  if (!stream) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
  if (stream.bad()) return std::nullopt;
  return bytes;
}

TonnixExpected<TonnixDone, TonnixFileError> writeWholeFile(const fs::path& file,
                                                           const std::string& bytes) {
  std::ofstream stream(file, std::ios::binary | std::ios::trunc);
  if (!stream) return unexpected(TonnixFileError{file, std::strerror(errno)});
  stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  stream.close();
  if (!stream) return unexpected(TonnixFileError{file, std::strerror(errno)});
  return TonnixDone{};
}
