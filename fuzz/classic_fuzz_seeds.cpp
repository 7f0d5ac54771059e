// Writes the seed corpora of the classic fuzz targets from the test
// fixture builders: classic_fuzz_seeds CORPUS_FOLDER (normally fuzz/corpus).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fork_containers.h"
#include "resource_fork_writer.h"
#include "sound_resources.h"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

void writeSeed(const fs::path& folder, const std::string& name, const Bytes& bytes) {
  fs::create_directories(folder);
  std::ofstream(folder / name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

Bytes smallFork() {
  return TestResourceForkWriter()
      .add("snd ", 128, format1Sound(standardHeader(kRate22050, {0x80, 0x90, 0x90, 0x90, 0xFF})),
           "btnp")
      .add("snd#", 128, soundList({{"btnp", {128}}}, 20))
      .add("vers", 1, versionResource("1.0", "(c) Tonnix"))
      .bytes();
}

// One record of classic_sound_set_fuzzer's input, laid out as
// FuzzedDataProvider reads it: data from the front, integers from the back.
struct Record {
  int type;
  std::int16_t id;
  std::string name;
  Bytes data;
};

Bytes providerInput(const std::vector<Record>& records) {
  // Names and data are taken from the front, integers from the back, so
  // the integers are stored back to front after all the bytes.
  Bytes front;
  Bytes back;
  for (const auto& record : records) {
    // A signed integer is read as its offset from the type's minimum, most
    // significant byte first.
    const auto offsetID = static_cast<std::uint16_t>(record.id) ^ 0x8000;
    back.push_back(static_cast<std::uint8_t>(record.type));
    back.push_back(static_cast<std::uint8_t>(offsetID >> 8));
    back.push_back(static_cast<std::uint8_t>(offsetID));
    back.push_back(record.name.empty() ? 0 : 1);
    for (char c : record.name) {
      front.push_back(static_cast<std::uint8_t>(c));
      if (c == '\\') front.push_back('\\');
    }
    if (!record.name.empty()) front.insert(front.end(), {'\\', 'x'});
    back.push_back(static_cast<std::uint8_t>(record.data.size() >> 8));
    back.push_back(static_cast<std::uint8_t>(record.data.size()));
    front.insert(front.end(), record.data.begin(), record.data.end());
  }
  Bytes input = front;
  input.insert(input.end(), back.rbegin(), back.rend());
  return input;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: classic_fuzz_seeds CORPUS_FOLDER\n");
    return 2;
  }
  const fs::path corpus = argv[1];
  const Bytes fork = smallFork();
  const Bytes dataFork = {'d', 'a', 't', 'a'};

  const fs::path containers = corpus / "fork_container_fuzzer";
  writeSeed(containers, "apple_double", appleDoubleFile(fork));
  writeSeed(containers, "apple_single", appleSingleFile(dataFork, fork));
  writeSeed(containers, "mac_binary_1", macBinaryFile(1, "Set", dataFork, fork));
  writeSeed(containers, "mac_binary_2", macBinaryFile(2, "Set", dataFork, fork));
  writeSeed(containers, "mac_binary_3", macBinaryFile(3, "Set", {}, fork));
  writeSeed(containers, "bin_hex", binHexFile("Set", dataFork, fork));

  const fs::path maps = corpus / "resource_map_fuzzer";
  writeSeed(maps, "sound_set", fork);
  writeSeed(maps, "empty", TestResourceForkWriter().bytes());
  writeSeed(maps, "names",
            TestResourceForkWriter()
                .add("snd ", -1, {1}, "wcle / Window Close Enter")
                .add("snd ", 2, {}, "")
                .add("sdid", 2, bytesOf("mnuo"))
                .bytes());

  const fs::path sounds = corpus / "sound_resource_fuzzer";
  writeSeed(sounds, "standard", format1Sound(standardHeader(kRate22050, {0x80, 0xFF, 0x00})));
  writeSeed(sounds, "format2", format2Sound(standardHeader(0x56EE8BA3, {0x10, 0x20})));
  writeSeed(sounds, "extended8",
            format1Sound(extendedHeader(1, kRate22050, 3, 8, {0x80, 0x81, 0x82})));
  writeSeed(sounds, "extended16",
            format1Sound(extendedHeader(2, kRate22050, 1, 16, {0x12, 0x34, 0xFE, 0xDC})));
  writeSeed(sounds, "extended0", format1Sound(extendedHeader(1, kRate22050, 1, 0, {1, 2})));
  writeSeed(sounds, "ulaw", format1Sound(compressedHeader(1, kRate22050, 2, "ulaw", {0x00, 0xFF})));
  // One small body per compressed format, with the header fields it reads.
  Bytes packet(34, 0x35);
  packet[0] = 0x12;
  packet[1] = 0x85;  // predictor 0x1280, step index 5
  Bytes stereoPackets = packet;
  stereoPackets.insert(stereoPackets.end(), packet.begin(), packet.end());
  const Bytes mixed = {0x00, 0x7F, 0x80, 0xFF, 0x12, 0x34, 0x56, 0x78,
                       0x9A, 0xBC, 0xDE, 0xF0, 0x3F, 0xF0, 0x00, 0x00};
  writeSeed(sounds, "ima4", format1Sound(compressedHeader(1, kRate22050, 1, "ima4", packet)));
  writeSeed(sounds, "ima4_stereo",
            format1Sound(compressedHeader(2, 0x56EE8BA3, 1, "ima4", stereoPackets)));
  writeSeed(sounds, "mac3", format1Sound(compressedHeader(2, kRate22050, 4, "MAC3", mixed)));
  writeSeed(sounds, "mac6", format1Sound(compressedHeader(1, kRate22050, 16, "MAC6", mixed)));
  writeSeed(sounds, "mac3_by_id", format1Sound(compressedHeader(1, kRate22050, 8, "", mixed, 3)));
  writeSeed(sounds, "mac6_by_id", format1Sound(compressedHeader(1, kRate22050, 16, "", mixed, 4)));
  for (const auto* format : {"alaw", "raw ", "twos", "sowt", "in24", "in32", "fl32", "fl64"}) {
    std::string name = format;
    if (name.back() == ' ') name.pop_back();
    writeSeed(sounds, name, format1Sound(compressedHeader(1, kRate22050, 16, format, mixed)));
  }
  writeSeed(sounds, "twos8", format1Sound(compressedHeader(2, kRate22050, 8, "twos", mixed, 0, 8)));
  writeSeed(sounds, "two_buffers",
            format1Sound({standardHeader(kRate22050, {1}), standardHeader(kRate22050, {2, 3})}));

  const fs::path sets = corpus / "classic_sound_set_fuzzer";
  const Bytes sound = format1Sound(standardHeader(kRate22050, {0x80}));
  writeSeed(sets, "sound_list",
            providerInput({{0, 5, "", sound},
                           {0, 7, "", sound},
                           {1, 128, "", soundList({{"wmov", {5, 6, 7}}, {"btnp", {0, 5}}}, 20)},
                           {1, 129, "", soundList({{"mnuo", {1, 2, 3, 7}}}, 44)},
                           {3, 1, "", versionResource("1.0\r", "Line\r\nTwo")}}));
  writeSeed(sets, "sound_ids", providerInput({{0, 128, "", sound}, {2, 128, "", bytesOf("btnp")}}));
  writeSeed(sets, "names",
            providerInput({{0, 1, "wcle / Window Close Enter", sound},
                           {0, 2, "ab", sound},
                           {3, 2, "", versionResource("2.0", "  ")}}));
  return 0;
}
