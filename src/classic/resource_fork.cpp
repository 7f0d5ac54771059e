#include "classic/resource_fork.h"

#include <mutex>

#include "classic/byte_view.h"
#include "classic/fork_source.h"
#include "classic/mac_roman.h"

namespace {

// Fork header and map layout of the classic resource file format.
constexpr std::uint64_t kForkHeaderSize = 16;
constexpr std::uint64_t kMapTypeListOffset = 24;
constexpr std::uint64_t kMapNameListOffset = 26;
constexpr std::uint64_t kMapMinimumSize = 28;
constexpr std::uint64_t kTypeEntrySize = 8;
constexpr std::uint64_t kReferenceSize = 12;
constexpr std::uint16_t kNoName = 0xFFFF;

TonnixResourceForkError damaged() {
  return TonnixResourceForkError::noReadableFork(TonnixResourceForkError::kMapReadError);
}

std::string typeString(std::uint32_t code) {
  const std::uint8_t bytes[] = {
      static_cast<std::uint8_t>(code >> 24), static_cast<std::uint8_t>(code >> 16),
      static_cast<std::uint8_t>(code >> 8), static_cast<std::uint8_t>(code)};
  return decodeMacRoman(bytes);
}

// The map and the data area of a fork, with the reads the reference lists
// need. Every read is checked; a failed one makes the whole fork unreadable.
class ForkMap {
 public:
  static std::optional<ForkMap> locate(const TonnixByteView& fork) {
    const auto dataOffset = fork.u32(0), mapOffset = fork.u32(4);
    const auto dataLength = fork.u32(8), mapLength = fork.u32(12);
    if (!dataOffset || !mapOffset || !dataLength || !mapLength) return std::nullopt;
    const auto data = fork.slice(*dataOffset, *dataLength);
    const auto map = fork.slice(*mapOffset, *mapLength);
    if (!data || !map || map->size() < kMapMinimumSize) return std::nullopt;
    ForkMap located{TonnixByteView(*data), TonnixByteView(*map)};
    const auto typeList = located.map_.u16(kMapTypeListOffset);
    const auto nameList = located.map_.u16(kMapNameListOffset);
    if (!typeList || !nameList || !located.map_.contains(*typeList, 2)) return std::nullopt;
    located.typeList_ = *typeList;
    located.nameList_ = *nameList;
    return located;
  }

  // The count is stored minus one; 0xFFFF stands for no types at all.
  std::uint32_t typeCount() const { return (*map_.u16(typeList_) + 1u) & 0xFFFF; }

  std::optional<std::vector<TonnixResource>> resourcesOfTypeAt(std::uint32_t index,
                                                               std::uint32_t& code) {
    const std::uint64_t entry = typeList_ + 2 + index * kTypeEntrySize;
    const auto type = map_.u32(entry);
    const auto countMinusOne = map_.u16(entry + 4);
    const auto references = map_.u16(entry + 6);
    if (!type || !countMinusOne || !references) return std::nullopt;
    code = *type;
    std::vector<TonnixResource> resources;
    for (std::uint32_t i = 0; i <= *countMinusOne; ++i) {
      auto resource = resourceAt(typeList_ + *references + i * kReferenceSize);
      if (!resource) return std::nullopt;
      resources.push_back(std::move(*resource));
    }
    return resources;
  }

 private:
  ForkMap(TonnixByteView data, TonnixByteView map) : data_(data), map_(map) {}

  std::optional<TonnixResource> resourceAt(std::uint64_t reference) {
    const auto id = map_.u16(reference);
    const auto nameOffset = map_.u16(reference + 2);
    const auto dataOffset = map_.u24(reference + 5);
    if (!id || !nameOffset || !dataOffset) return std::nullopt;
    // Reference lists that overlap (several types sharing one) could
    // otherwise make a small map stand for billions of resources.
    ++referenceCount_;
    if (referenceCount_ * kReferenceSize > map_.size()) return std::nullopt;
    const auto length = data_.u32(*dataOffset);
    if (!length) return std::nullopt;
    const auto bytes = data_.slice(std::uint64_t{*dataOffset} + 4, *length);
    // Resources that share their bytes could otherwise make a small hostile
    // fork expand into gigabytes of copies.
    copied_ += *length;
    if (!bytes || copied_ > data_.size()) return std::nullopt;
    TonnixResource resource{static_cast<std::int16_t>(*id), std::nullopt,
                            std::vector<std::uint8_t>(bytes->begin(), bytes->end())};
    if (*nameOffset == kNoName) return resource;
    const auto name = nameAt(*nameOffset);
    if (!name) return std::nullopt;
    if (!name->empty()) resource.name = decodeMacRoman(*name);
    return resource;
  }

  std::optional<std::span<const std::uint8_t>> nameAt(std::uint16_t offset) const {
    const std::uint64_t start = std::uint64_t{nameList_} + offset;
    const auto length = map_.u8(start);
    if (!length) return std::nullopt;
    return map_.slice(start + 1, *length);
  }

  TonnixByteView data_;
  TonnixByteView map_;
  std::uint16_t typeList_ = 0;
  std::uint16_t nameList_ = 0;
  std::uint64_t copied_ = 0;
  std::uint64_t referenceCount_ = 0;
};

std::mutex& accessQueue() {
  static std::mutex queue;
  return queue;
}

}  // namespace

std::string TonnixResource::description() const {
  return "<TonnixResource id=" + std::to_string(identifier) + " name=" + name.value_or("(none)") +
         " bytes=" + std::to_string(data.size()) + ">";
}

TonnixExpected<TonnixResourceFork, TonnixResourceForkError> TonnixResourceFork::open(
    std::string_view location) {
  TONNIX_TRY(path, resolveFileLocation(location));
  const std::lock_guard lock(accessQueue());
  TONNIX_TRY(fork, readResourceForkBytes(path));
  auto parsed = parse(fork.bytes);
  // Plain file bytes that are no fork simply mean the file has none.
  if (!parsed && fork.container == TonnixForkContainer::rawFork &&
      parsed.error().code == TonnixResourceForkError::kMapReadError) {
    return unexpected(TonnixResourceForkError::noReadableFork(TonnixResourceForkError::kEndOfFile));
  }
  return parsed;
}

TonnixExpected<TonnixResourceFork, TonnixResourceForkError> TonnixResourceFork::parse(
    std::span<const std::uint8_t> bytes) {
  const TonnixByteView view(bytes);
  if (view.size() < kForkHeaderSize) return unexpected(damaged());
  auto map = ForkMap::locate(view);
  if (!map) return unexpected(damaged());

  TonnixResourceFork fork;
  for (std::uint32_t index = 0; index < map->typeCount(); ++index) {
    std::uint32_t code = 0;
    auto resources = map->resourcesOfTypeAt(index, code);
    if (!resources) return unexpected(damaged());
    const auto type = typeString(code);
    auto& list = fork.resourcesByType_[type];
    // A type listed twice is one type: its resources are kept together.
    if (list.empty()) fork.resourceTypes_.push_back(type);
    for (auto& resource : *resources) list.push_back(std::move(resource));
  }
  if (fork.resourceTypes_.empty()) return unexpected(TonnixResourceForkError::emptyFork());
  return fork;
}

const std::vector<TonnixResource>& TonnixResourceFork::resourcesOfType(
    std::string_view type) const {
  static const std::vector<TonnixResource> none;
  auto bytes = encodeMacRoman(type);
  if (!bytes || bytes->empty() || bytes->size() > 4) return none;
  bytes->resize(4, ' ');
  const std::uint32_t code = std::uint32_t{(*bytes)[0]} << 24 | std::uint32_t{(*bytes)[1]} << 16 |
                             std::uint32_t{(*bytes)[2]} << 8 | (*bytes)[3];
  const auto found = resourcesByType_.find(typeString(code));
  return found == resourcesByType_.end() ? none : found->second;
}
