#include "resource_fork_writer.h"

#include <algorithm>
#include <fstream>

void appendU8(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
}

void appendU16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  appendU8(out, value >> 8);
  appendU8(out, value);
}

void appendU24(std::vector<std::uint8_t>& out, std::uint32_t value) {
  appendU8(out, value >> 16);
  appendU16(out, value);
}

void appendU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  appendU16(out, value >> 16);
  appendU16(out, value);
}

void appendText(std::vector<std::uint8_t>& out, const std::string& text) {
  out.insert(out.end(), text.begin(), text.end());
}

void putU32(std::vector<std::uint8_t>& out, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[offset + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

TestResourceForkWriter& TestResourceForkWriter::add(const std::string& type, std::int16_t id,
                                                    std::vector<std::uint8_t> data,
                                                    std::optional<std::string> name) {
  auto found = std::ranges::find(types_, type, &decltype(types_)::value_type::first);
  if (found == types_.end()) found = types_.insert(found, {type, {}});
  found->second.push_back({id, std::move(name), std::move(data)});
  return *this;
}

std::vector<std::uint8_t> TestResourceForkWriter::bytes() const {
  constexpr std::uint32_t kDataOffset = 256;  // as the Resource Manager laid forks out
  std::vector<std::uint8_t> data;
  std::vector<std::uint8_t> references;
  std::vector<std::uint8_t> names;
  std::vector<std::uint8_t> typeList;
  const std::uint32_t typeListSize = 2 + 8 * static_cast<std::uint32_t>(types_.size());
  appendU16(typeList, static_cast<std::uint32_t>(types_.size()) - 1);
  for (const auto& [code, resources] : types_) {
    appendText(typeList, code);
    appendU16(typeList, static_cast<std::uint32_t>(resources.size()) - 1);
    appendU16(typeList, typeListSize + static_cast<std::uint32_t>(references.size()));
    for (const auto& resource : resources) {
      appendU16(references, static_cast<std::uint16_t>(resource.id));
      if (resource.name) {
        appendU16(references, static_cast<std::uint32_t>(names.size()));
        appendU8(names, static_cast<std::uint32_t>(resource.name->size()));
        appendText(names, *resource.name);
      } else {
        appendU16(references, 0xFFFF);
      }
      appendU8(references, 0);
      appendU24(references, static_cast<std::uint32_t>(data.size()));
      appendU32(references, 0);
      appendU32(data, static_cast<std::uint32_t>(resource.data.size()));
      data.insert(data.end(), resource.data.begin(), resource.data.end());
    }
  }

  const auto mapOffset = kDataOffset + static_cast<std::uint32_t>(data.size());
  const auto mapLength =
      static_cast<std::uint32_t>(28 + typeList.size() + references.size() + names.size());
  std::vector<std::uint8_t> header;
  for (const auto field :
       {kDataOffset, mapOffset, static_cast<std::uint32_t>(data.size()), mapLength})
    appendU32(header, field);

  std::vector<std::uint8_t> fork = header;
  fork.resize(kDataOffset, 0);
  fork.insert(fork.end(), data.begin(), data.end());
  fork.insert(fork.end(), header.begin(), header.end());
  fork.resize(fork.size() + 8, 0);  // next map handle, file reference, attributes
  appendU16(fork, 28);
  appendU16(fork, static_cast<std::uint32_t>(28 + typeList.size() + references.size()));
  fork.insert(fork.end(), typeList.begin(), typeList.end());
  fork.insert(fork.end(), references.begin(), references.end());
  fork.insert(fork.end(), names.begin(), names.end());
  return fork;
}

std::filesystem::path writeBytes(const std::filesystem::path& file,
                                 const std::vector<std::uint8_t>& bytes) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return file;
}
