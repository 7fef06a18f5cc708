// The "Velocity Field" window on the main window: the item, the field of the
// session's picks (following a load and Clear Picks), the interval box, and a
// click that shows the CDP clicked in the main window.
#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QElapsedTimer>
#include <QPushButton>
#include <fstream>
#include <variant>

#include "app/FieldCommand.h"
#include "app/TessalyWindow.h"
#include "display/DisplaySurface.h"
#include "field/VelocityFieldWindow.h"
#include "field/core/FieldTexts.h"
#include "jobs/core/JobLink.h"
#include "picks/core/PicksTexts.h"
#include "support/PanelFile.h"
#include "support/ScriptedUi.h"
#include "gui/WindowTestSupport.h"

using namespace tsly;
using namespace tsly::test;

namespace {

bool hasText(const Figure& f, const std::string& text) {
  for (const auto& item : f.items)
    if (const auto* t = std::get_if<Figure::Text>(&item); t && t->text == text) return true;
  return false;
}

// Panels of CDPs 1001, 1011 and 1021 (velocities 1500, 2000, 2500), 250
// samples at 4 ms: a record of 1000 ms.
struct Fixture {
  TempDir dir;
  AppState st;
  ScriptedUi ui;
  RecordingDde dde;
  TessalyWindow w{st, ui, dde};
  std::string panels = dir.file("line.nmo");

  Fixture() {
    w.endProcess = [] {};
    w.link().linkstart("JobPad", "orogdde");
    w.show();
    PanelFileOptions o;
    o.samples = 250;
    o.interval = 4000;
    std::vector<PanelSpec> specs;
    for (std::int16_t cdp : {1001, 1011, 1021})
      for (std::int16_t v : {1500, 2000, 2500}) specs.push_back({cdp, v, 4});
    writePanelFile(panels, specs, o);
  }
  void open() {
    ui.choose(panels);
    w.action("fileopen")->trigger();
    QVERIFY(waitForRedraw());
    QVERIFY2(ui.boxes.empty(), ui.boxes.empty() ? "" : ui.boxes[0].text.c_str());
  }
  bool waitForRedraw() {
    QElapsedTimer t;
    t.start();
    while ((w.display().display().redrawing() || w.openRunning()) && t.elapsed() < 30000) QTest::qWait(5);
    return !w.display().display().redrawing();
  }
  // Loads picks for CDPs 1001 (inverting at 800 ms) and 1021.
  void loadPicks() {
    const std::string path = dir.file("line.picks");
    std::ofstream(path) << "# Tessaly picks for " << panels << "\n"
                        << "1001, 200, 1500\n1001, 500, 2500\n1001, 800, 2000\n1021, 300, 2000\n1021, 700, 2500\n";
    ui.choose(path);
    w.action("loadpicks")->trigger();
    QVERIFY(waitForRedraw());
    QCOMPARE(ui.boxes.size(), std::size_t(1));
    QCOMPARE(ui.boxes[0].text, std::string("5 picks loaded."));
    QCOMPARE(ui.boxes[0].title, std::string(pickstext::LoadTitle));
    QCOMPARE(ui.boxes[0].buttons, Buttons::Ok);
    QCOMPARE(ui.boxes[0].icon, Icon::Information);
    ui.boxes.clear();
  }
  int cdpShown() const { return static_cast<int>(st.CdpList[static_cast<std::size_t>(st.CurrentCdp)]); }
};

}  // namespace

class FieldWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void opensFromOptionsAndFollowsThePicks() {
    Fixture f;
    QAction* item = f.w.action("velfield");
    QVERIFY(item);
    QCOMPARE(item->text(), QString("Velocity Field"));
    QVERIFY(!item->isEnabled());
    f.open();
    QVERIFY(item->isEnabled());
    item->trigger();
    VelocityFieldWindow* v = f.w.field().window();
    QVERIFY(v && v->isVisible());
    QCOMPARE(v->objectName(), QString("VelocityField"));
    QCOMPARE(v->windowTitle(), QString("Velocity Field"));
    QCOMPARE(v->intervalBox()->objectName(), QString("fieldinterval"));
    QCOMPARE(v->intervalBox()->text(), QString("Interval velocity (Dix)"));
    // No picks yet: the note on a grey field over the panel file's CDPs.
    QVERIFY(v->picture().layout.grid.values.empty());
    QVERIFY(hasText(v->picture().figure, fieldtext::NoPicks));
    QVERIFY(hasText(v->picture().figure, "RMS velocity, CDP 1001-1021"));

    f.loadPicks();
    const field::FieldLayout& L = v->picture().layout;
    QVERIFY(!L.grid.values.empty());
    QCOMPARE(L.msPerRow, 1000.0 / field::FieldRows);
    // Halfway between the picked CDPs at 700 ms: (2166.7 + 2500) / 2.
    const int x = field::columnOfCdp(1011, 1001, 1021, L.columns);
    QVERIFY(qAbs(L.grid.at(x, static_cast<int>(700 / L.msPerRow)) - 7000.0 / 3) < 0.01);
    QCOMPARE(L.grid.flagAt(0, static_cast<int>(650 / L.msPerRow)), unsigned(field::Falling));
    // The image shown is the figure painted.
    QCOMPARE(v->image().size(), QSize(L.width, L.height));

    // The interval velocity on request.
    v->intervalBox()->setChecked(true);
    QVERIFY(v->picture().layout.grid.interval);
    QVERIFY(hasText(v->picture().figure, "Interval velocity (Dix), CDP 1001-1021"));

    // Clear Picks on CDP 1001 leaves only CDP 1021's function.
    QCOMPARE(f.cdpShown(), 1001);
    QTest::mouseClick(control<QPushButton>(f.w, "clearpicks"), Qt::LeftButton);
    QVERIFY(f.waitForRedraw());
    QCOMPARE(f.st.PickTable[1].PickVelocity[1], std::int16_t(0));
    QVERIFY(!v->picture().layout.grid.values.empty());
    QVERIFY(v->picture().layout.grid.flags[0] == field::NoFlag);
    QVERIFY(f.ui.boxes.empty());
  }

  void clickShowsTheCdpInTheMainWindow() {
    Fixture f;
    f.open();
    f.loadPicks();
    f.w.action("velfield")->trigger();
    VelocityFieldWindow* v = f.w.field().window();
    QVERIFY(v);
    QCOMPARE(f.cdpShown(), 1001);
    const field::FieldLayout& L = v->picture().layout;
    // CDP 1019 is not listed: the nearest, 1021, is shown.
    const int x = L.plotLeft + field::columnOfCdp(1019, 1001, 1021, L.columns);
    QTest::mouseClick(v->pictureWidget(), Qt::LeftButton, {}, QPoint(x, L.plotTop + 100));
    QVERIFY(f.waitForRedraw());
    QCOMPARE(f.cdpShown(), 1021);
    // The CDP shown is marked in the field again.
    QVERIFY(v->picture().layout.grid.values.size() > 0);
    // Outside the field nothing moves.
    QTest::mouseClick(v->pictureWidget(), Qt::LeftButton, {}, QPoint(2, 2));
    QVERIFY(f.waitForRedraw());
    QCOMPARE(f.cdpShown(), 1021);
    const int x2 = L.plotLeft + field::columnOfCdp(1010, 1001, 1021, L.columns);
    QTest::mouseClick(v->pictureWidget(), Qt::LeftButton, {}, QPoint(x2, L.plotTop + 10));
    QVERIFY(f.waitForRedraw());
    QCOMPARE(f.cdpShown(), 1011);
    // The point under the mouse is described.
    QTest::mouseMove(v->pictureWidget(), QPoint(x2, L.plotTop + 240));
    QCOMPARE(v->pointLabel()->text().left(16), QString("CDP 1010, 500 ms"));
    QVERIFY(f.ui.boxes.empty());
  }
};

QTEST_MAIN(FieldWindowTest)
#include "test_field_window.moc"
