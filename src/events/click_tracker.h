#pragma once

#include <optional>

#include "events/click_target.h"

// Follows the pointer while the button is held over a pressed control and
// says which sound each movement makes: leaving the frame plays the exit
// sound, coming back the enter sound, releasing inside the release sound.
// A control without a usable frame counts as always inside.
struct TonnixClickTracker {
  std::optional<TonnixClickTarget> target;
  bool isInside = true;

  // Starts tracking a newly pressed control, replacing any earlier one.
  void press(TonnixClickTarget pressed, QPointF location) {
    isInside = isNullOrEmptyFrame(pressed.frame) || frameContainsPoint(*pressed.frame, location);
    target = std::move(pressed);
  }

  // The sound of a drag to the location, if the pointer crossed the frame.
  std::optional<TonnixSoundID> drag(QPointF location) {
    if (!target) return std::nullopt;
    if (isNullOrEmptyFrame(target->frame)) {
      if (isInside) return std::nullopt;
      isInside = true;
      return enterSound(target->kind);
    }
    const bool inside = frameContainsPoint(*target->frame, location);
    if (inside == isInside) return std::nullopt;
    isInside = inside;
    return inside ? enterSound(target->kind) : exitSound(target->kind);
  }

  // Ends the click: the release sound when the button comes up inside the
  // frame. The release point decides, not where the pointer was last seen.
  std::optional<TonnixSoundID> release(QPointF location) {
    if (!target) return std::nullopt;
    const TonnixClickTarget released = *target;
    reset();
    if (!isNullOrEmptyFrame(released.frame) && !frameContainsPoint(*released.frame, location)) {
      return std::nullopt;
    }
    return releaseSound(released.kind);
  }

  void reset() {
    target.reset();
    isInside = true;
  }
};
