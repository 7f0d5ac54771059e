#include <cstdio>
#include <string>

#include "catalogue/catalogue.h"
#include "cli/command_line.h"

namespace {

std::string flagNames(TonnixSoundFlags flags) {
  static const std::pair<TonnixSoundFlags, const char*> names[] = {
      {TonnixSoundFlags::loops, "loops"},
      {TonnixSoundFlags::centered, "centered"},
      {TonnixSoundFlags::exclusive, "exclusive"},
      {TonnixSoundFlags::keepsLoopingUnderOthers, "keepsLoopingUnderOthers"}};
  std::string text;
  for (const auto& [flag, name] : names) {
    if (!flags.contains(flag)) continue;
    text += (text.empty() ? "" : ",") + std::string(name);
  }
  return text.empty() ? "-" : text;
}

}  // namespace

int catalogueCommand(const QStringList& arguments) {
  TonnixCommandLine line("catalogue");
  if (const auto status = line.parse(arguments, 0, 0)) return *status;
  for (const auto& entry : allEntries()) {
    std::printf("%s\t0x%08X\t%s\t%s\t%s\n", entry.soundID.description().c_str(),
                static_cast<unsigned>(entry.soundID.rawValue), entry.fileName.c_str(),
                std::string(soundCategoryName(entry.category)).c_str(),
                flagNames(entry.flags).c_str());
  }
  return 0;
}
