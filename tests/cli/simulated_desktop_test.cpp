// The whole event path on the simulated desktop of `tonnix run --simulate`:
// a script's applications, elements and clicks reach the real controller,
// player and sound log.

#include "cli/simulated_desktop.h"

#include <gtest/gtest.h>

#include "controller_desktop.h"

namespace {

// Tonnix on a simulated desktop, with the fake desktop session's set that
// plays every sound.
struct Simulation {
  Simulation() {
    controller.dispatcher().setMonitoring(true);
    controller.start();
  }

  QStringList run(const QString& script) {
    const auto steps = TonnixSimulation::parse(script);
    EXPECT_TRUE(steps.hasValue());
    QStringList lines;
    const auto append = [&](const QString& line) { lines.append(line); };
    const auto monitoring =
        QObject::connect(&controller.dispatcher(), &TonnixEventDispatcher::monitorLine, append);
    if (steps) desktop.run(*steps, controller, append);
    QObject::disconnect(monitoring);
    return lines;
  }

  controller_test::ControllerDesktop session;
  TonnixSimulatedDesktop desktop;
  TonnixController controller{session.library(),  session.assignments,
                              session.exclusions, session.preferences,
                              session.silence,    desktop.desktop(session.audio)};
};

TEST(SimulatedDesktop, ADialogAButtonAMenuAndAQuitAreHeardAndLogged) {
  Simulation simulation;
  const QStringList lines = simulation.run(QStringLiteral(R"(
launch 100 org.example.Editor "Editor" active
element 100 main AXWindow title="Untitled" frame=0,0,800,600
element 100 save AXWindow subrole=AXDialog title="Save As" frame=200,150,400,200
element 100 ok AXButton title="Save" frame=480,300,100,30 window=save
notify 100 AXWindowCreated save
down 500 310
drag 505 312
up 505 312
destroy 100 save
element 100 file AXMenu title="File"
notify 100 AXMenuOpened file
notify 100 AXMenuClosed file
window 100 AXWindowMoved
window 100 AXWindowMoved
quit 100
log
)"));
  EXPECT_EQ(lines, QStringList({
                       QStringLiteral("Tonnix: App Launched -> flap (plays) from Editor"),
                       QStringLiteral("Tonnix: AXWindowCreated -> dopn (plays) from Editor"),
                       QStringLiteral("Tonnix: MouseDown -> btnp (plays) from Editor"),
                       QStringLiteral("Tonnix: MouseUp -> btnr (plays) from Editor"),
                       QStringLiteral("Tonnix: AXUIElementDestroyed -> dlgc (plays) from Editor"),
                       QStringLiteral("Tonnix: AXMenuOpened -> mnuo (plays) from Editor"),
                       QStringLiteral("Tonnix: AXMenuClosed -> mnuc (plays) from Editor"),
                       QStringLiteral("Tonnix: AXWindowMoved -> wmov (plays) from Editor"),
                       QStringLiteral("Tonnix: App Quit -> !aqt (plays) from Editor"),
                       QStringLiteral("System\tApp Quit\t!aqt\t1"),
                       QStringLiteral("System\tApp Launched\tflap\t1"),
                       QStringLiteral("Editor\tAXWindowMoved\twmov\t1"),
                       QStringLiteral("Editor\tAXMenuClosed\tmnuc\t1"),
                       QStringLiteral("Editor\tAXMenuOpened\tmnuo\t1"),
                       QStringLiteral("Editor\tAXUIElementDestroyed\tdlgc\t1"),
                       QStringLiteral("Editor\tMouseUp\tbtnr\t1"),
                       QStringLiteral("Editor\tMouseDown\tbtnp\t1"),
                       QStringLiteral("Editor\tAXWindowCreated\tdopn\t1"),
                   }));
  EXPECT_EQ(simulation.session.audio.plays().size(), 9u);
  const auto& editor = simulation.controller.log().sections().at(1);
  EXPECT_EQ(editor.entries.at(3).elementDescription,
            QStringLiteral("AXWindow[AXDialog] \"Save As\""))
      << "the closed dialog is named as it was when it opened";
}

}  // namespace
