#include "aiff_file.h"

#include "resource_fork_writer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes chunk(const std::string& id, const Bytes& body) {
  Bytes out;
  appendText(out, id);
  appendU32(out, static_cast<std::uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  if (body.size() % 2) out.push_back(0);
  return out;
}

}  // namespace

std::vector<std::uint8_t> aiffcFile(const std::string& format, std::uint32_t channels,
                                    std::uint32_t frames, std::uint16_t sampleSize,
                                    const std::vector<std::uint8_t>& body) {
  Bytes version, common, sound(8, 0), form;
  appendU32(version, 0xA2805140);  // AIFF-C version 1
  appendU16(common, channels);
  appendU32(common, frames);
  appendU16(common, sampleSize);
  appendU16(common, 16383 + 14);  // 22050 Hz as an 80-bit float
  appendU32(common, 22050u << 17);
  appendU32(common, 0);
  appendText(common, format);
  appendU16(common, 0);  // an empty name, padded
  sound.insert(sound.end(), body.begin(), body.end());
  appendText(form, "AIFC");
  for (const auto& part : {chunk("FVER", version), chunk("COMM", common), chunk("SSND", sound)}) {
    form.insert(form.end(), part.begin(), part.end());
  }
  return chunk("FORM", form);
}
