// JobPad, the job-editor stand-in: serves the application "JobPad", topic
// "orogdde" to Tessaly over a local socket and keeps the job deck it receives.
//
//   JobPad                          window showing the deck (File > Save / Save As)
//   JobPad --deck FILE              the same, loading FILE if it exists; Save writes there
//   JobPad --no-window --deck FILE  no window: each added line is appended to FILE
//                                   with CR LF as it arrives (for scripts and tests)
//   JobPad --no-window --deck FILE --run
//                                   the same, and each deck is run through `tsly nmo`
//                                   when its ">>END" arrives: the lines received since
//                                   the previous ">>END"; the report goes to stdout,
//                                   faults to stderr
//   --orog-path PATH                processing-system path before Tessaly sends one
//                                   (default \worog15\worog.exe)
// The server is found in the session's socket folder under a name with the display and
// TESSALY_DDE_SUFFIX, like Tessaly's client (qt/LocalDdeClient.h).
#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>

#include "DeckRunner.h"
#include "JobPadServer.h"
#include "JobPadWindow.h"
#include "JobPadService.h"
#include "platform/FileChecks.h"
#include "platform/ShownText.h"

#include <sys/socket.h>
#include <unistd.h>

namespace {

// SIGTERM, SIGINT and SIGHUP end the event loop normally, so that the server
// removes its socket file and the window asks no questions it cannot ask.
int signalPipe[2] = {-1, -1};

void onSignal(int) {
  const char c = 1;
  [[maybe_unused]] auto n = ::write(signalPipe[1], &c, 1);
}

void quitOnSignals(QCoreApplication& app) {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
  QObject::connect(notifier, &QSocketNotifier::activated, &app, [] { QCoreApplication::exit(0); });
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  // A client that vanishes before its reply is written must not end JobPad.
  std::signal(SIGPIPE, SIG_IGN);
}

// Appends each line to the deck file with CR LF and flushes it at once, so a
// reader sees every line that was answered OK.
class DeckAppender {
 public:
  explicit DeckAppender(const QString& path) : file_(path) {}
  bool open() { return file_.open(QIODevice::WriteOnly | QIODevice::Append); }
  QString errorString() const { return file_.errorString(); }
  bool add(const std::string& line) {
    QByteArray bytes(line.data(), static_cast<qsizetype>(line.size()));
    bytes += "\r\n";
    return file_.write(bytes) == bytes.size() && file_.flush();
  }

 private:
  QFile file_;
};

// Runs each deck that arrives, one after the other, and prints what came of it.
class BatchRunner {
 public:
  // Collects the line; a ">>END" line closes a deck and queues its run.
  void add(const std::string& line) {
    pending_ += QByteArray(line.data(), static_cast<qsizetype>(line.size())) + "\r\n";
    if (QByteArray::fromStdString(line).trimmed() != ">>END") return;
    queue_.push_back(pending_);
    pending_.clear();
    // After the reply to this line has gone out.
    QTimer::singleShot(0, [this] { next(); });
  }

 private:
  void next() {
    if (runner_ || queue_.empty()) return;
    const QByteArray deck = queue_.front();
    queue_.pop_front();
    runner_ = std::make_unique<jobpad::DeckRunner>();
    QObject::connect(runner_.get(), &jobpad::DeckRunner::finished, [this] { QTimer::singleShot(0, [this] { ended(); }); });
    if (!runner_->start(deck, false)) ended();
  }
  void ended() {
    const jobpad::DeckRunner::Outcome out = runner_->outcome();
    runner_.reset();
    if (out.status == jobpad::DeckRunner::Status::Done) {
      std::fprintf(stdout, "%s\n", qPrintable(out.report));
      std::fflush(stdout);
    } else {
      std::fprintf(stderr, "JobPad: the deck could not be run.\n%s\n", qPrintable(out.error));
      std::fflush(stderr);
    }
    next();
  }

  QByteArray pending_;
  std::deque<QByteArray> queue_;
  std::unique_ptr<jobpad::DeckRunner> runner_;
};

}  // namespace

int main(int argc, char** argv) {
  bool noWindow = false;
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--no-window") == 0) noWindow = true;
  // Without a window no display is needed.
  std::unique_ptr<QCoreApplication> app;
  if (noWindow)
    app = std::make_unique<QCoreApplication>(argc, argv);
  else
    app = std::make_unique<QApplication>(argc, argv);
  QCoreApplication::setApplicationName("JobPad");

  QCommandLineParser parser;
  parser.setApplicationDescription("Job-editor stand-in serving Tessaly's job-deck link (JobPad|orogdde).");
  parser.addHelpOption();
  const QCommandLineOption noWindowOption("no-window", "Run without a window; needs --deck.");
  const QCommandLineOption deckOption("deck", "Job deck file (appended to line by line without a window; "
                                              "loaded and saved by the window).", "FILE");
  const QCommandLineOption orogOption("orog-path", "Processing-system path until Tessaly sends one.", "PATH",
                                      QString::fromLatin1(tsly::DefaultOrogPath));
  parser.addOption(noWindowOption);
  parser.addOption(deckOption);
  const QCommandLineOption runOption("run", "With --no-window: run each deck through 'tsly nmo' when its "
                                            ">>END arrives (report on stdout, faults on stderr).");
  parser.addOption(orogOption);
  parser.addOption(runOption);
  parser.process(*app);

  const QString deckPath = parser.value(deckOption);
  if (noWindow && deckPath.isEmpty()) {
    std::fprintf(stderr, "JobPad: --no-window needs --deck FILE\n");
    return 1;
  }
  const bool run = parser.isSet(runOption);
  if (run && !noWindow) {
    std::fprintf(stderr, "JobPad: --run needs --no-window (with a window, use File > Run)\n");
    return 1;
  }

  tsly::JobPadService service;
  service.orogPath = parser.value(orogOption).toStdString();

  std::unique_ptr<DeckAppender> appender;
  std::unique_ptr<jobpad::JobPadWindow> window;
  if (noWindow) {
    // Lines are appended to a regular file only: a folder, FIFO or device is
    // refused at once (a FIFO would hold JobPad until someone reads it).
    if (const std::string why = tsly::notAFileReason(deckPath.toStdString()); !why.empty()) {
      std::fprintf(stderr, "JobPad: %s %s\n", tsly::quotedName(deckPath.toStdString()).c_str(), why.c_str());
      return 1;
    }
    appender = std::make_unique<DeckAppender>(deckPath);
    if (!appender->open()) {
      std::fprintf(stderr, "JobPad: cannot open %s: %s\n", qPrintable(deckPath), qPrintable(appender->errorString()));
      return 1;
    }
    auto batch = std::make_shared<BatchRunner>();
    service.onAdd = [&appender, batch, run](const std::string& line) {
      const bool stored = appender->add(line);
      if (run) batch->add(line);
      return stored;
    };
  } else {
    window = std::make_unique<jobpad::JobPadWindow>(deckPath);
    service.onAdd = [&window](const std::string& line) { return window->addLine(QString::fromStdString(line)); };
    service.onShow = [&window] { window->bringForward(); };
    service.onPathsChanged = [&window, &service] {
      window->showPaths(QString::fromStdString(service.orogPath), QString::fromStdString(service.lastPath));
    };
    service.onPathsChanged();
  }

  jobpad::JobPadServer server(service);
  QString error;
  if (!server.listen(error)) {
    std::fprintf(stderr, "JobPad: %s\n", qPrintable(error));
    return 1;
  }
  quitOnSignals(*app);
  if (window) window->show();
  return app->exec();
}
