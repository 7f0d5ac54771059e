#include "app/autostart.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>

#include "app/update_installation.h"

namespace fs = std::filesystem;

TEST(AutostartTest, TheEntryIsWrittenReadAndRemoved) {
  QTemporaryDir home;
  const fs::path entry =
      fs::path(home.path().toStdString()) / "autostart" / "org.tonnix.Tonnix.desktop";
  TonnixAutostart autostart(entry, QStringLiteral("/opt/My Apps/bin/tonnix"));
  EXPECT_FALSE(autostart.isEnabled());

  ASSERT_TRUE(autostart.setEnabled(true));
  EXPECT_TRUE(autostart.isEnabled());
  std::ifstream stream(entry);
  const std::string text{std::istreambuf_iterator<char>(stream), {}};
  EXPECT_NE(text.find("Exec=\"/opt/My Apps/bin/tonnix\"\n"), std::string::npos) << text;
  EXPECT_TRUE(TonnixAutostart(entry).isEnabled());

  // Switched off in the desktop's own settings.
  std::ofstream(entry, std::ios::app) << "Hidden=true\n";
  autostart.refresh();
  EXPECT_FALSE(autostart.isEnabled());

  ASSERT_TRUE(autostart.setEnabled(false));
  EXPECT_FALSE(fs::exists(entry));
}

// Tonnix installed as ROOT/current -> 1.0: an update removes 1.0, so the
// entry names the link, and an entry older versions wrote is mended.
TEST(AutostartTest, TheEntryOutlivesAnUpdate) {
  QTemporaryDir scratch;
  const fs::path root = scratch.path().toStdString();
  fs::create_directories(root / "1.0" / "bin");
  fs::create_directory_symlink("1.0", root / "current");
  EXPECT_EQ(TonnixUpdateInstallation(root / "1.0").program(), root / "current" / "bin" / "tonnix");
  EXPECT_EQ(TonnixUpdateInstallation(root / "2.0").program(), root / "2.0" / "bin" / "tonnix")
      << "the link does not lead there";

  const fs::path entry = root / "autostart" / "org.tonnix.Tonnix.desktop";
  const QString program = QString::fromStdString((root / "current" / "bin" / "tonnix").string());
  ASSERT_TRUE(TonnixAutostart(entry, "/gone/0.9/bin/tonnix").setEnabled(true));
  EXPECT_TRUE(TonnixAutostart(entry, program).isEnabled());
  std::ifstream stream(entry);
  const std::string text{std::istreambuf_iterator<char>(stream), {}};
  EXPECT_NE(text.find("Exec=" + program.toStdString() + "\n"), std::string::npos) << text;
}
