#include "library/audio_check.h"

#include <sndfile.h>

#include <memory>
#include <vector>

namespace {

struct SndfileClose {
  void operator()(SNDFILE* file) const { sf_close(file); }
};

std::string withoutFinalPeriod(std::string text) {
  while (!text.empty() && (text.back() == '.' || text.back() == ' ')) text.pop_back();
  return text;
}

}  // namespace

TonnixExpected<TonnixDone, std::string> canOpenAudio(const std::filesystem::path& file) {
  SF_INFO info{};
  const std::unique_ptr<SNDFILE, SndfileClose> sound(sf_open(file.c_str(), SFM_READ, &info));
  if (!sound) return unexpected(withoutFinalPeriod(sf_strerror(nullptr)));
  if (info.channels <= 0 || info.samplerate <= 0) {
    return unexpected(std::string("the file holds no sound"));
  }
  if (info.frames <= 0) return TonnixDone{};
  std::vector<float> frame(static_cast<std::size_t>(info.channels));
  if (sf_readf_float(sound.get(), frame.data(), 1) != 1) {
    return unexpected(withoutFinalPeriod(sf_strerror(sound.get())));
  }
  return TonnixDone{};
}
