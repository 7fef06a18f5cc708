#include "PngOutput.h"

#include <cstdio>
#include <memory>

#include <QGuiApplication>

namespace tsly::cli {

namespace {

std::unique_ptr<QGuiApplication> g_app;

void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

}  // namespace

void ensureGuiApplication() {
  if (QGuiApplication::instance() != nullptr) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(quietQtMessages);
  static int argc = 1;
  static char name[] = "tsly";
  static char* argv[] = {name, nullptr};
  g_app = std::make_unique<QGuiApplication>(argc, argv);
}

void endGuiApplication() { g_app.reset(); }

}  // namespace tsly::cli
