#include "app/fake/fake_desktop_session.h"

#include <fstream>

#include "catalogue/catalogue.h"
#include "library/bundle_writer.h"

namespace {

std::unique_ptr<TonnixSilenceProbe> makeProbe(TonnixFakeSilenceProbe*& probe) {
  auto made = std::make_unique<TonnixFakeSilenceProbe>();
  probe = made.get();
  return made;
}

}  // namespace

TonnixFakeDesktopSession::TonnixFakeDesktopSession(std::optional<std::filesystem::path> builtInSets)
    : silence(preferences, makeProbe(silenceProbe)),
      autostart(std::filesystem::path(scratch.path().toStdString()) / "autostart" /
                    "org.tonnix.Tonnix.desktop",
                QStringLiteral("/usr/bin/tonnix")),
      builtInSets_(std::move(builtInSets)) {
  workspace.setProcessIdentifier(ownProcess);
}

TonnixFakeDesktopSession::~TonnixFakeDesktopSession() = default;

std::filesystem::path TonnixFakeDesktopSession::userSets() const {
  return std::filesystem::path(scratch.path().toStdString()) / "Tonnix Sets";
}

bool TonnixFakeDesktopSession::writeSet(const std::string& identifier, const std::string& name,
                                        const std::set<TonnixSoundID>& missing) {
  TonnixBundleMetadata metadata;
  metadata.identifier = identifier;
  metadata.name = name;
  const auto bundle = userSets() / (name + ".tonnixset");
  if (!writeBundle(bundle, metadata)) return false;
  for (const auto& entry : allEntries()) {
    if (missing.contains(entry.soundID)) continue;
    if (!(std::ofstream(bundle / "Contents" / "Resources" / entry.fileName) << "x")) return false;
  }
  return true;
}

TonnixLibrary& TonnixFakeDesktopSession::library() {
  if (!library_) library_ = std::make_unique<TonnixLibrary>(userSets(), builtInSets_);
  return *library_;
}

TonnixController& TonnixFakeDesktopSession::controller() {
  if (!controller_) {
    controller_ = std::make_unique<TonnixController>(
        library(), assignments, exclusions, preferences, silence,
        TonnixController::Desktop{accessibility, workspace, mouse, audio, screens});
  }
  return *controller_;
}
