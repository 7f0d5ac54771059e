#include "app/autostart.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::string read(const fs::path& file) {
  std::ifstream stream(file);
  return {std::istreambuf_iterator<char>(stream), {}};
}

}  // namespace

TEST(AutostartTest, TheEntryIsWrittenReadAndRemoved) {
  QTemporaryDir home;
  const fs::path entry =
      fs::path(home.path().toStdString()) / "autostart" / "org.tonnix.Tonnix.desktop";
  TonnixAutostart autostart(entry, QStringLiteral("/opt/My Apps/bin/tonnix"));
  EXPECT_FALSE(autostart.isEnabled());

  ASSERT_TRUE(autostart.setEnabled(true));
  EXPECT_TRUE(autostart.isEnabled());
  const std::string text = read(entry);
  EXPECT_NE(text.find("Exec=\"/opt/My Apps/bin/tonnix\"\n"), std::string::npos) << text;
  EXPECT_TRUE(TonnixAutostart(entry).isEnabled());

  // Switched off in the desktop's own settings.
  std::ofstream(entry, std::ios::app) << "Hidden=true\n";
  autostart.refresh();
  EXPECT_FALSE(autostart.isEnabled());

  ASSERT_TRUE(autostart.setEnabled(false));
  EXPECT_FALSE(fs::exists(entry));
}
