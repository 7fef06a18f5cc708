// Tessaly: velocity picking on velocity-scan panels.
//
// One shared state record, the Qt dialogs, the channel to the job editor, and the
// main window that holds them. The start directory (the current directory at
// start) holds tessaly.ini.
//
// Start-up, in order: the command line (`tessaly [FILE]`), the previous-instance
// guard (a copy told not to start ends here, before anything is read or written),
// then the splash window, which shows the main window (its start-up runs then)
// and stays for 4 seconds. A file named on the command line is opened once the
// event loop runs, as "&Open" would open it.
#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "app/CommandLine.h"
#include "app/TessalyWindow.h"
#include "qt/LocalDdeClient.h"
#include "qt/LocalInstanceChannel.h"
#include "qt/QtUi.h"
#include "shared/State.h"
#include "startup/SplashWindow.h"
#include "startup/core/InstanceGuard.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tessaly"));

  const tsly::StartupArguments args = tsly::parseStartupArguments(QApplication::arguments());
  if (args.helpAsked) {
    std::fputs(args.helpText.c_str(), stdout);
    return 0;
  }
  if (!args.error.empty()) {
    std::fprintf(stderr, "tessaly: %s\n\n%s", args.error.c_str(), args.helpText.c_str());
    return 1;
  }

  tsly::QtUi ui;
  tsly::LocalInstanceChannel guard;
  if (!tsly::startup::passInstanceGuard(ui, guard)) return 0;

  tsly::AppState state;
  tsly::LocalDdeClient dde;
  tsly::TessalyWindow window(state, ui, dde);
  ui.setParentWidget(&window);
  guard.setRestoreHandler([&window] { tsly::bringToFront(&window); });

  tsly::startup::showSplash(ui, [&window] {
    window.startup();
    window.show();
  });
  // Exit chosen while the splash was up has already ended the program.
  if (window.shutDown()) return 0;
  if (!args.file.empty()) QTimer::singleShot(0, &window, [&window, &args] { window.openFile(args.file); });
  return app.exec();
}
