#include "platform/linux/sndfile_audio_file_writer.h"

#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace {

struct SndfileCloser {
  void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

// A hidden name beside the target, so a half-written file is never taken
// for a sound by anyone listing the folder.
fs::path partialName(const fs::path& file) {
  return file.parent_path() / ("." + file.filename().string() + ".part");
}

// A CAF file starts with its description chunk: "caff", version, flags,
// then "desc", its 64-bit size and the sample rate as a big-endian double.
constexpr off_t kDescriptionTypeOffset = 8;
constexpr off_t kSampleRateOffset = 20;

// libsndfile keeps the rate as whole hertz, but the format holds a double:
// the exact rate goes into the description libsndfile wrote, so a classic
// 22254.5454 Hz sound keeps its pitch.
bool writeExactRate(int fd, double sampleRate) {
  char type[4] = {};
  if (::pread(fd, type, sizeof type, kDescriptionTypeOffset) != sizeof type ||
      std::string_view(type, sizeof type) != "desc") {
    return false;
  }
  const auto bits = std::bit_cast<std::uint64_t>(sampleRate);
  char bytes[8];
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>(bits >> (56 - 8 * i));
  return ::pwrite(fd, bytes, sizeof bytes, kSampleRateOffset) == sizeof bytes;
}

// The file stays open after libsndfile is done with it, for the rate.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() { close(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

  // Whether everything written reached the file system.
  bool close() {
    const bool closed = fd_ >= 0 && ::close(fd_) == 0;
    fd_ = -1;
    return closed;
  }

 private:
  int fd_;
};

TonnixExpected<TonnixDone, std::string> writeFrames(const fs::path& file, double sampleRate,
                                                    std::uint32_t channelCount,
                                                    std::span<const std::int16_t> samples) {
  const double rate = std::round(sampleRate);
  if (rate < 1 || rate > std::numeric_limits<int>::max() ||
      channelCount > static_cast<std::uint32_t>(std::numeric_limits<int>::max())) {
    return unexpected(std::string("Unsupported sample rate or channel count"));
  }
  FileDescriptor fd(::open(file.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (fd.get() < 0) return unexpected(std::error_code(errno, std::system_category()).message());
  SF_INFO info{};
  info.samplerate = static_cast<int>(rate);
  info.channels = static_cast<int>(channelCount);
  info.format = SF_FORMAT_CAF | SF_FORMAT_PCM_16 | SF_ENDIAN_LITTLE;
  SndfileHandle handle(sf_open_fd(fd.get(), SFM_WRITE, &info, SF_FALSE));
  if (!handle) return unexpected(std::string(sf_strerror(nullptr)));
  const auto frames = static_cast<sf_count_t>(samples.size() / channelCount);
  if (sf_writef_short(handle.get(), samples.data(), frames) != frames) {
    return unexpected(std::string(sf_strerror(handle.get())));
  }
  if (sf_close(handle.release()) != 0) return unexpected(std::string("Could not finish the file"));
  if (!writeExactRate(fd.get(), sampleRate)) {
    return unexpected(std::string("Could not set the exact sample rate"));
  }
  if (!fd.close()) return unexpected(std::string("Could not finish the file"));
  return TonnixDone{};
}

}  // namespace

TonnixExpected<TonnixDone, std::string> TonnixSndfileAudioFileWriter::writeCaf16(
    const fs::path& file, double sampleRate, std::uint32_t channelCount,
    std::span<const std::int16_t> samples) const {
  if (channelCount == 0) return unexpected(std::string("No channels"));
  const fs::path partial = partialName(file);
  const auto written = writeFrames(partial, sampleRate, channelCount, samples);
  std::error_code error;
  if (written) fs::rename(partial, file, error);
  if (written && !error) return TonnixDone{};
  std::error_code ignored;
  fs::remove(partial, ignored);
  if (!written) return written;
  return unexpected(error.message());
}
