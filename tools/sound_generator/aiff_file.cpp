#include "sound_generator/aiff_file.h"

#include <sndfile.h>

#include <memory>

#include "sound_generator/signal.h"

namespace {

struct SndfileCloser {
  void operator()(SNDFILE* handle) const { sf_close(handle); }
};

std::string failure(const std::filesystem::path& file, const char* reason) {
  return "Could not write " + file.string() + ": " + reason;
}

}  // namespace

TonnixExpected<TonnixDone, std::string> writeAiff(const std::filesystem::path& file,
                                                  const std::vector<std::int16_t>& samples) {
  SF_INFO info{};
  info.samplerate = kTonnixSampleRate;
  info.channels = 1;
  info.format = SF_FORMAT_AIFF | SF_FORMAT_PCM_16;
  std::unique_ptr<SNDFILE, SndfileCloser> handle(sf_open(file.c_str(), SFM_WRITE, &info));
  if (!handle) return unexpected(failure(file, sf_strerror(nullptr)));

  sf_command(handle.get(), SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
  const auto count = static_cast<sf_count_t>(samples.size());
  if (sf_write_short(handle.get(), samples.data(), count) != count) {
    return unexpected(failure(file, sf_strerror(handle.get())));
  }
  const int closed = sf_close(handle.release());
  if (closed != SF_ERR_NO_ERROR) return unexpected(failure(file, sf_error_number(closed)));
  return TonnixDone{};
}
