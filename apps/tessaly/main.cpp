// Tessaly: velocity picking on velocity-scan panels.
//
// One shared state record, the Qt dialogs, the channel to the job editor, and the
// main window that holds them. The start directory (the current directory at
// start) holds tessaly.ini.
#include <QApplication>

#include "display/TessalyWindow.h"
#include "platform/qt/LocalDdeClient.h"
#include "platform/qt/QtUi.h"
#include "shared/State.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tessaly"));

  tsly::AppState state;
  tsly::QtUi ui;
  tsly::LocalDdeClient dde;
  tsly::TessalyWindow window(state, ui, dde);
  ui.setParentWidget(&window);
  window.startup();
  window.show();
  return app.exec();
}
