// Pictures painted by tsly (the section and the velocity spectrum): a GUI
// application for Qt's painter without any window. (The PNG file is written
// by qt/PngFile.h, as the windows write theirs.)
#pragma once

namespace tsly::cli {

// Makes the application object QPainter's fonts need, once: on the "offscreen"
// platform unless QT_QPA_PLATFORM names another, so no display is needed. Qt's
// notes about the session (no runtime folder and the like) are not the user's
// business on a command line; its critical messages still go to stderr.
void ensureGuiApplication();
// Ends that application object before main() returns, so that Qt frees its
// font caches while the rest of Qt is still there.
void endGuiApplication();

}  // namespace tsly::cli
