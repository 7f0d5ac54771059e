// GLib's log through Tonnix's diagnostics: the volume monitors' noise is
// kept off the terminal, real trouble is said, a repeated warning once.

#include "platform/linux/glib_log.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <string>

namespace {

std::string stderrOf(void (*say)()) {
  testing::internal::CaptureStderr();
  say();
  return testing::internal::GetCapturedStderr();
}

TEST(GLibLogTest, KeepsNoiseOffTheTerminalAndSaysRealTroubleOnce) {
  tonnixRouteGLibLog();
  EXPECT_EQ(stderrOf([] {
              g_log("GVFS-RemoteVolumeMonitor", G_LOG_LEVEL_WARNING,
                    "remote volume monitor with dbus name org.gtk.vfs.UDisks2VolumeMonitor is "
                    "not supported");
            }),
            "");
  EXPECT_EQ(stderrOf([] {
              g_log("GLib-GIO", G_LOG_LEVEL_WARNING, "a real problem");
              g_log("GLib-GIO", G_LOG_LEVEL_WARNING, "a real problem");
            }),
            "GLib-GIO: a real problem\n");
  EXPECT_EQ(stderrOf([] {
              g_log("Gtk", G_LOG_LEVEL_CRITICAL, "broken");
              g_log("Gtk", G_LOG_LEVEL_CRITICAL, "broken");
            }),
            "Gtk: broken\nGtk: broken\n");
  EXPECT_EQ(stderrOf([] { g_log("GLib", G_LOG_LEVEL_DEBUG, "chatter"); }), "");
}

}  // namespace
