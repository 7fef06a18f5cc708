// Tessaly: velocity picking on velocity-scan panels.
//
// One shared state record, the Qt dialogs, the channel to the job editor, and the
// main window that holds them. The start directory (the current directory at
// start) holds tessaly.ini. A second copy asks first whether to run at all; the
// splash window brings up the main window (whose start-up reads the settings and
// links the job editor) and stays for a few seconds.
#include <QApplication>

#include "display/TessalyWindow.h"
#include "platform/qt/LocalDdeClient.h"
#include "platform/qt/QtUi.h"
#include "shared/State.h"
#include "startup/InstanceGuard.h"
#include "startup/SplashWindow.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tessaly"));

  tsly::QtUi ui;
  tsly::startup::InstanceGuard guard;
  if (!tsly::startup::passInstanceGuard(ui, guard)) return 0;

  tsly::AppState state;
  tsly::LocalDdeClient dde;
  tsly::TessalyWindow window(state, ui, dde);
  ui.setParentWidget(&window);
  guard.setRestoreHandler([&window] { tsly::startup::bringToFront(&window); });

  tsly::startup::showSplash(ui, [&window] {
    window.startup();
    window.show();
  });
  // Exit may already have been chosen while the splash was up.
  if (window.shutDown()) return 0;
  return app.exec();
}
