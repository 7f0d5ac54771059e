#include "catalogue/sound_category.h"

std::string_view soundCategoryName(TonnixSoundCategory category) {
  switch (category) {
    case TonnixSoundCategory::window:
      return "window";
    case TonnixSoundCategory::menu:
      return "menu";
    case TonnixSoundCategory::control:
      return "control";
    case TonnixSoundCategory::finder:
      return "finder";
  }
  return "";
}
