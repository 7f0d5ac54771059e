// A change is announced once, and never for a write of the same value.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "controller_desktop.h"

namespace {

using controller_test::ControllerDesktop;

class SignalCounts {
 public:
  template <typename Object, typename Signal>
  void count(const char* name, const Object* sender, Signal signal) {
    counts_[name] = 0;
    QObject::connect(sender, signal, &context_, [this, name] { ++counts_[name]; });
  }
  int operator[](const char* name) const { return counts_.at(name); }

 private:
  QObject context_;
  std::map<std::string, int> counts_;
};

TEST(SignalsOnlyOnChange, LibraryAssignmentsExclusionsAndController) {
  ControllerDesktop desktop;
  auto& library = desktop.library();
  auto& assignments = desktop.assignments;
  auto& exclusions = desktop.exclusions;
  auto& controller = desktop.controller();
  SignalCounts heard;
  heard.count("bundles", &library, &TonnixLibrary::bundlesChanged);
  heard.count("failures", &library, &TonnixLibrary::loadFailuresChanged);
  heard.count("overrides", &assignments, &TonnixAssignments::storedOverridesChanged);
  heard.count("customs", &assignments, &TonnixAssignments::storedCustomSoundsChanged);
  heard.count("baseline", &assignments, &TonnixAssignments::storedBaselineIdentifierChanged);
  heard.count("exclusions", &exclusions, &TonnixExclusions::exclusionsChanged);
  heard.count("clicks", &controller, &TonnixController::playsClickSoundsChanged);
  heard.count("monitoring", &controller.dispatcher(), &TonnixEventDispatcher::isMonitoringChanged);
  auto& attacher = controller.attacher();
  heard.count("observed", &attacher, &TonnixApplicationAttacher::observedApplicationCountChanged);
  heard.count("registered", &attacher,
              &TonnixApplicationAttacher::registeredNotificationCountChanged);

  const auto before = library.bundles().front();
  library.reload();
  EXPECT_EQ(heard["bundles"], 0);
  EXPECT_EQ(library.bundles().front(), before) << "an unchanged set is not opened again";
  const std::filesystem::path sets = desktop.userSets();
  TonnixBundleMetadata other;
  other.identifier = "org.example.other";
  ASSERT_TRUE(writeBundle(sets / "Other.tonnixset", other));
  library.reload();
  EXPECT_EQ(heard["bundles"], 1);
  std::ofstream(sets / "File.tonnixset") << "not a folder";
  library.reload();
  EXPECT_EQ(heard["bundles"], 1);
  EXPECT_EQ(heard["failures"], 1);

  assignments.setSelection(TonnixSelection::silent(), TonnixSoundID("mnuo"));
  assignments.setSelection(TonnixSelection::silent(), TonnixSoundID("mnuo"));
  assignments.setSelection(TonnixSelection::baseline(), TonnixSoundID("mnuc"));
  EXPECT_EQ(heard["overrides"], 1);
  EXPECT_EQ(heard["customs"], 0);
  assignments.setBaselineIdentifier(controller_test::setIdentifier);
  assignments.setBaselineIdentifier(std::string("org.example.other"));
  assignments.setBaselineIdentifier(std::string("org.example.other"));
  assignments.setBaselineIdentifier(std::nullopt);
  EXPECT_EQ(heard["baseline"], 2);

  const QString editor = QStringLiteral("org.gnome.TextEditor");
  exclusions.exclude(editor, QStringLiteral("Text Editor"));
  exclusions.exclude(editor, QStringLiteral("Text Editor"));
  exclusions.exclude(editor);  // keeps the stored name
  EXPECT_EQ(heard["exclusions"], 1);
  exclusions.exclude(editor, QStringLiteral("Editor"));
  exclusions.include(QStringLiteral("org.other"));
  exclusions.include(editor);
  EXPECT_EQ(heard["exclusions"], 3);

  controller.setPlaysClickSounds(true);
  controller.dispatcher().setMonitoring(false);
  EXPECT_EQ(heard["clicks"] + heard["monitoring"], 0);
  controller.setPlaysClickSounds(false);
  controller.dispatcher().setMonitoring(true);
  EXPECT_EQ(heard["clicks"], 1);
  EXPECT_EQ(heard["monitoring"], 1);

  controller.start();
  desktop.workspace.launch({60, QStringLiteral("One"), QStringLiteral("org.example.One")});
  desktop.denyRegistrations(61);
  desktop.workspace.launch({61, QStringLiteral("Deaf"), QStringLiteral("org.example.Deaf")});
  EXPECT_EQ(heard["observed"], 2);
  EXPECT_EQ(heard["registered"], 1) << "the second application registered nothing";
}

}  // namespace
