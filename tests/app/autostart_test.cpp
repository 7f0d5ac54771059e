#include "app/autostart.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>

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
