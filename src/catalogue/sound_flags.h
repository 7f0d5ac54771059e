#pragma once

#include <cstdint>
#include <initializer_list>

// Per-sound playback behaviour, an option set over 32 bits.
struct TonnixSoundFlags {
  std::uint32_t rawValue = 0;

  // Repeats until stopped; takes fixed slots when read from a classic set.
  static const TonnixSoundFlags loops;
  // Played without stereo placement.
  static const TonnixSoundFlags centered;
  // Dropped while any of its players is still playing.
  static const TonnixSoundFlags exclusive;
  // As the current looping sound, not stopped when another sound starts.
  static const TonnixSoundFlags keepsLoopingUnderOthers;

  constexpr TonnixSoundFlags() = default;
  constexpr explicit TonnixSoundFlags(std::uint32_t value) : rawValue(value) {}
  constexpr TonnixSoundFlags(std::initializer_list<TonnixSoundFlags> members) {
    for (auto member : members) rawValue |= member.rawValue;
  }

  constexpr bool isEmpty() const { return rawValue == 0; }
  constexpr bool contains(TonnixSoundFlags member) const {
    return (rawValue & member.rawValue) == member.rawValue;
  }
  constexpr TonnixSoundFlags unionWith(TonnixSoundFlags other) const {
    return TonnixSoundFlags(rawValue | other.rawValue);
  }
  constexpr TonnixSoundFlags intersection(TonnixSoundFlags other) const {
    return TonnixSoundFlags(rawValue & other.rawValue);
  }
  constexpr TonnixSoundFlags symmetricDifference(TonnixSoundFlags other) const {
    return TonnixSoundFlags(rawValue ^ other.rawValue);
  }
  constexpr TonnixSoundFlags subtracting(TonnixSoundFlags other) const {
    return TonnixSoundFlags(rawValue & ~other.rawValue);
  }
  constexpr bool isSubset(TonnixSoundFlags of) const { return (rawValue & ~of.rawValue) == 0; }
  constexpr bool isDisjoint(TonnixSoundFlags with) const { return (rawValue & with.rawValue) == 0; }

  // Adds the member; true when it was not there before.
  constexpr bool insert(TonnixSoundFlags member) {
    const bool inserted = !contains(member);
    rawValue |= member.rawValue;
    return inserted;
  }
  // Removes the member; true when it was there.
  constexpr bool remove(TonnixSoundFlags member) {
    const bool present = !intersection(member).isEmpty();
    rawValue &= ~member.rawValue;
    return present;
  }

  constexpr TonnixSoundFlags operator|(TonnixSoundFlags other) const { return unionWith(other); }
  constexpr TonnixSoundFlags operator&(TonnixSoundFlags other) const { return intersection(other); }
  constexpr TonnixSoundFlags operator^(TonnixSoundFlags other) const {
    return symmetricDifference(other);
  }
  constexpr TonnixSoundFlags operator-(TonnixSoundFlags other) const { return subtracting(other); }
  friend constexpr bool operator==(TonnixSoundFlags, TonnixSoundFlags) = default;
};

inline constexpr TonnixSoundFlags TonnixSoundFlags::loops(0x02u);
inline constexpr TonnixSoundFlags TonnixSoundFlags::centered(0x04u);
inline constexpr TonnixSoundFlags TonnixSoundFlags::exclusive(0x08u);
inline constexpr TonnixSoundFlags TonnixSoundFlags::keepsLoopingUnderOthers(0x10u);
