// Pictures painted by tsly (the section and the velocity spectrum): a GUI
// application for Qt's painter without any window, and a PNG file written
// whole or not at all.
#pragma once

#include <string>

class QImage;

namespace tsly::cli {

// Makes the application object QPainter's fonts need, once: on the "offscreen"
// platform unless QT_QPA_PLATFORM names another, so no display is needed. Qt's
// notes about the session (no runtime folder and the like) are not the user's
// business on a command line; its critical messages still go to stderr.
void ensureGuiApplication();

// "" when written; else what failed ("cannot encode the picture as PNG", or the
// file's failure). Written through a temporary file renamed into place.
std::string writePng(const QImage& image, const std::string& path);

}  // namespace tsly::cli
