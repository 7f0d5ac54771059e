#include "fork_containers.h"

#include <algorithm>

#include "classic/crc_ccitt.h"
#include "resource_fork_writer.h"

namespace {

std::vector<std::uint8_t> appleEntries(
    std::uint32_t magic,
    const std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>>& entries) {
  std::vector<std::uint8_t> file;
  appendU32(file, magic);
  appendU32(file, 0x00020000);
  file.resize(24, 0);
  appendU16(file, static_cast<std::uint32_t>(entries.size()));
  auto offset = static_cast<std::uint32_t>(file.size() + 12 * entries.size());
  for (const auto& [id, bytes] : entries) {
    appendU32(file, id);
    appendU32(file, offset);
    appendU32(file, static_cast<std::uint32_t>(bytes.size()));
    offset += static_cast<std::uint32_t>(bytes.size());
  }
  for (const auto& entry : entries)
    file.insert(file.end(), entry.second.begin(), entry.second.end());
  return file;
}

void appendCrc(std::vector<std::uint8_t>& out, std::size_t from) {
  appendU16(out, crcCcitt(std::span(out).subspan(from)));
}

// Runs of three or more become byte, 0x90, count; 0x90 itself is escaped.
std::vector<std::uint8_t> runLengthEncoded(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto byte = bytes[i];
    std::size_t run = 1;
    while (i + run < bytes.size() && bytes[i + run] == byte && run < 255) ++run;
    out.push_back(byte);
    if (byte == 0x90) out.push_back(0);
    if (run >= 3) {
      out.push_back(0x90);
      out.push_back(static_cast<std::uint8_t>(run));
    } else if (run == 2) {
      out.push_back(byte);
      if (byte == 0x90) out.push_back(0);
    }
    i += run;
  }
  return out;
}

std::string sixBitEncoded(const std::vector<std::uint8_t>& bytes) {
  static const std::string alphabet =
      "!\"#$%&'()*+,-012345689@ABCDEFGHIJKLMNPQRSTUVXYZ[`abcdefhijklmpqr";
  std::string text;
  std::uint32_t bits = 0;
  int count = 0;
  for (const auto byte : bytes) {
    bits = bits << 8 | byte;
    count += 8;
    while (count >= 6) {
      count -= 6;
      text += alphabet[(bits >> count) & 0x3F];
    }
  }
  if (count > 0) text += alphabet[(bits << (6 - count)) & 0x3F];
  return text;
}

}  // namespace

std::vector<std::uint8_t> appleDoubleFile(const std::vector<std::uint8_t>& resourceFork) {
  return appleEntries(0x00051607, {{9, std::vector<std::uint8_t>(32, 0)}, {2, resourceFork}});
}

std::vector<std::uint8_t> appleSingleFile(const std::vector<std::uint8_t>& dataFork,
                                          const std::vector<std::uint8_t>& resourceFork) {
  return appleEntries(0x00051600, {{1, dataFork}, {2, resourceFork}});
}

std::vector<std::uint8_t> macBinaryFile(int version, const std::string& name,
                                        const std::vector<std::uint8_t>& dataFork,
                                        const std::vector<std::uint8_t>& resourceFork) {
  std::vector<std::uint8_t> file(128, 0);
  file[1] = static_cast<std::uint8_t>(name.size());
  std::copy(name.begin(), name.end(), file.begin() + 2);
  std::copy_n("sfilmovr", 8, file.begin() + 65);  // type and creator of a sound set
  putU32(file, 83, static_cast<std::uint32_t>(dataFork.size()));
  putU32(file, 87, static_cast<std::uint32_t>(resourceFork.size()));
  if (version >= 2) {
    file[122] = version == 3 ? 130 : 129;
    file[123] = 129;
    if (version == 3) std::copy_n("mBIN", 4, file.begin() + 102);
    const auto crc = crcCcitt(std::span(file).first(124));
    file[124] = static_cast<std::uint8_t>(crc >> 8);
    file[125] = static_cast<std::uint8_t>(crc);
  }
  for (const auto* fork : {&dataFork, &resourceFork}) {
    file.insert(file.end(), fork->begin(), fork->end());
    file.resize((file.size() + 127) / 128 * 128, 0);
  }
  return file;
}

std::vector<std::uint8_t> binHexFile(const std::string& name,
                                     const std::vector<std::uint8_t>& dataFork,
                                     const std::vector<std::uint8_t>& resourceFork) {
  std::vector<std::uint8_t> stream;
  appendU8(stream, static_cast<std::uint32_t>(name.size()));
  appendText(stream, name);
  appendU8(stream, 0);
  appendText(stream, "sfilmovr");
  appendU16(stream, 0);
  appendU32(stream, static_cast<std::uint32_t>(dataFork.size()));
  appendU32(stream, static_cast<std::uint32_t>(resourceFork.size()));
  appendCrc(stream, 0);
  for (const auto* fork : {&dataFork, &resourceFork}) {
    const auto start = stream.size();
    stream.insert(stream.end(), fork->begin(), fork->end());
    appendCrc(stream, start);
  }

  const auto encoded = sixBitEncoded(runLengthEncoded(stream));
  std::string text = "(This file must be converted with BinHex 4.0)\r\n:";
  for (std::size_t i = 0; i < encoded.size(); i += 64) {
    if (i > 0) text += "\r\n";
    text += encoded.substr(i, 64);
  }
  text += ":\r\n";
  return {text.begin(), text.end()};
}
