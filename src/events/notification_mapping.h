#pragma once

#include <QHash>
#include <QString>
#include <optional>
#include <variant>
#include <vector>

#include "catalogue/sound_id.h"

// One accessibility notification name; rawValue is the platform's string.
struct TonnixAXNotificationName {
  QString rawValue;
  friend bool operator==(const TonnixAXNotificationName&,
                         const TonnixAXNotificationName&) = default;
};

// How a mapping picks its sound.
struct TonnixSoundResolution {
  // Always this sound.
  struct Fixed {
    TonnixSoundID soundID;
    friend bool operator==(const Fixed&, const Fixed&) = default;
  };
  // Play `open` now and remember the element; play `close` when it is destroyed.
  struct Tracked {
    TonnixSoundID open;
    TonnixSoundID close;
    friend bool operator==(const Tracked&, const Tracked&) = default;
  };
  // Chosen by the element's role and the application.
  struct SelectedChildrenChanged {
    TonnixSoundID defaultSound;
    TonnixSoundID menuHilite;
    friend bool operator==(const SelectedChildrenChanged&,
                           const SelectedChildrenChanged&) = default;
  };
  // A pair chosen by the window's subrole, then as Tracked.
  struct CreatedWindow {
    friend bool operator==(const CreatedWindow&, const CreatedWindow&) = default;
  };
  // The close sound remembered for the element, if any.
  struct DestroyedElement {
    friend bool operator==(const DestroyedElement&, const DestroyedElement&) = default;
  };

  std::variant<Fixed, Tracked, SelectedChildrenChanged, CreatedWindow, DestroyedElement> value;

  friend bool operator==(const TonnixSoundResolution&, const TonnixSoundResolution&) = default;
};

// Which notification is listened to and what sound it makes.
struct TonnixNotificationMapping {
  TonnixAXNotificationName notification;
  TonnixSoundResolution resolution;
  bool isEnabledByDefault = false;

  friend bool operator==(const TonnixNotificationMapping&,
                         const TonnixNotificationMapping&) = default;
};

// All 29 mappings in table order. Built once; safe from any thread.
const std::vector<TonnixNotificationMapping>& allNotificationMappings();
// The 21 of them enabled by default, in table order.
const std::vector<TonnixNotificationMapping>& defaultNotificationMappings();

struct TonnixWindowSoundPair {
  TonnixSoundID open;
  TonnixSoundID close;
  friend bool operator==(const TonnixWindowSoundPair&, const TonnixWindowSoundPair&) = default;
};

// The open and close sounds of a window with this subrole: dialogs, system
// dialogs and floating windows have their own, every other window the
// ordinary pair.
TonnixWindowSoundPair windowSoundPair(const std::optional<QString>& subrole);

// Mappings keyed by their notification's raw name, iterated in the order
// they were given (which is the order an observer registers them in). Of two
// mappings for one name the first is kept.
class TonnixMappingsByRawName {
 public:
  TonnixMappingsByRawName() = default;
  explicit TonnixMappingsByRawName(const std::vector<TonnixNotificationMapping>& mappings);

  const TonnixNotificationMapping* find(const QString& rawName) const;
  bool contains(const QString& rawName) const { return find(rawName) != nullptr; }
  const std::vector<TonnixNotificationMapping>& inOrder() const { return mappings_; }

 private:
  std::vector<TonnixNotificationMapping> mappings_;
  QHash<QString, std::size_t> indexByName_;
};
