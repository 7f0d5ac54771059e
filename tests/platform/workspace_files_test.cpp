#include <gtest/gtest.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "platform/linux/gio_application_categories.h"
#include "platform/linux/gio_application_files.h"
#include "platform/linux/proc_processes.h"

namespace Files = TonnixGioApplicationFiles;

namespace {

// A scope or service of an application launched with and without a
// launcher's prefix; units of no application name none.
TEST(ScopeApplicationIds, NamesTheIdOfAnApplicationsUnit) {
  const auto ids = tonnixScopeApplicationIds(
      QStringLiteral("0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
                     "app-gnome-org.gnome.TextEditor-1234.scope\n"));
  EXPECT_EQ(ids, (std::vector<QString>{"gnome-org.gnome.TextEditor", "org.gnome.TextEditor"}));
  const auto plain = tonnixScopeApplicationIds(
      QStringLiteral("0::/user.slice/app.slice/app-org.gnome.TextEditor-1234.scope"));
  ASSERT_FALSE(plain.empty());
  EXPECT_EQ(plain[0], QStringLiteral("org.gnome.TextEditor"));
  const auto escaped = tonnixScopeApplicationIds(
      QStringLiteral("0::/app.slice/app-flatpak-org.example.My\\x2dApp@42.service"));
  ASSERT_EQ(escaped.size(), 2u);
  EXPECT_EQ(escaped[1], QStringLiteral("org.example.My-App"));

  for (const char* unit : {"0::/user.slice/user@1000.service/init.scope",
                           "0::/system.slice/cron.service", "0::/app.slice/app-.scope", ""}) {
    EXPECT_TRUE(tonnixScopeApplicationIds(QString::fromLatin1(unit)).empty()) << unit;
  }
}

// GIO reads the data folders once, at its first use: the folder is set up
// before any test asks.
class ApplicationFilesTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new QTemporaryDir;
    const std::filesystem::path data = folder_->path().toStdString();
    const auto applications = data / "applications" / "org" / "example";
    std::filesystem::create_directories(applications);
    std::ofstream(applications / "Sketch.desktop") << "[Desktop Entry]\n"
                                                      "Type=Application\n"
                                                      "Name=Sketch Pad\n"
                                                      "Name[de]=Skizzenblock\n"
                                                      "Icon=org.example.Sketch\n"
                                                      "Exec=/bin/true --sketch %F\n"
                                                      "StartupWMClass=sketchpad\n";
    std::ofstream(applications / "Game.desktop")
        << "[Desktop Entry]\nType=Application\nName=Game\nCategories=Game;ArcadeGame;\nExec="
        << std::filesystem::read_symlink("/proc/self/exe").string() << "\n";
    qputenv("XDG_DATA_HOME", data.c_str());
    qputenv("XDG_DATA_DIRS", (data / "none").c_str());
    qputenv("LANGUAGE", "en");
  }
  static void TearDownTestSuite() { delete folder_; }

  static std::filesystem::path desktopFile() {
    return std::filesystem::path(folder_->path().toStdString()) / "applications" / "org" /
           "example" / "Sketch.desktop";
  }

  static inline QTemporaryDir* folder_ = nullptr;
};

TEST_F(ApplicationFilesTest, FindsTheFileNameIconAndIdOfAnInstalledApplication) {
  const auto id = QStringLiteral("org-example-Sketch");
  ASSERT_TRUE(Files::isInstalled(id));
  ASSERT_TRUE(Files::file(id));
  EXPECT_EQ(std::filesystem::weakly_canonical(*Files::file(id)),
            std::filesystem::weakly_canonical(desktopFile()));
  EXPECT_EQ(Files::name(desktopFile()), QStringLiteral("Sketch Pad"));
  EXPECT_EQ(Files::icon(desktopFile()), QStringLiteral("org.example.Sketch"));
  EXPECT_EQ(Files::idOfFile(desktopFile()), id);
  EXPECT_EQ(Files::idForProgram("/usr/bin/sketchpad", QStringLiteral("sketchpad")), id);
  EXPECT_EQ(Files::idForProgram("/bin/true", {}), id);
  EXPECT_EQ(Files::idOfFile("/bin/true"), id);

  EXPECT_FALSE(Files::idForProgram("/usr/bin/unknown-program", QStringLiteral("unknown")));
  EXPECT_FALSE(Files::isInstalled(QStringLiteral("org.example.Missing")));
  EXPECT_FALSE(Files::isInstalled(QStringLiteral("../applications/org-example-Sketch")));
  EXPECT_FALSE(Files::isInstalled({}));
  EXPECT_FALSE(Files::name("/etc/hostname"));
  EXPECT_FALSE(Files::icon("/nonexistent/x.desktop"));
  EXPECT_FALSE(Files::idOfFile("/nonexistent/program"));
  EXPECT_EQ(tonnixProcessApplicationCategories(::getpid()), QStringLiteral("Game;ArcadeGame;"));
  EXPECT_FALSE(tonnixProcessApplicationCategories(1));
}

}  // namespace
