// Runs a job deck through `tsly nmo` in a separate process: the deck bytes go
// to a temporary file, tsly reports its progress ("progress DONE TOTAL" lines on
// stderr), its report on stdout and its faults on stderr.
//
//  - tsly is looked for beside the JobPad program, then on the search path.
//  - The run's working folder is JobPad's own, so file names in the deck are
//    taken as they would be on a command line started where JobPad was.
//  - cancel() asks tsly to stop (SIGTERM: it removes its temporary output and
//    writes nothing); a run that does not stop within 5 s is killed.
//  - Faults name the deck as "deck" (the temporary file's name means nothing to
//    the user); "tsly nmo: " is dropped from the front of each line. At most
//    MaxFaultsListed (platform/ShownText.h) lines are kept, then "and N more".
#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

class QTemporaryFile;

namespace jobpad {

class DeckRunner : public QObject {
  Q_OBJECT

 public:
  enum class Status { Done, Failed, OutputExists, Cancelled };
  struct Outcome {
    Status status = Status::Failed;
    QString report;  // Done: tsly's report, one item a line ("Output file:    ...")
    QString error;   // otherwise: what went wrong, lines joined by "\n"
  };

  explicit DeckRunner(QObject* parent = nullptr);
  ~DeckRunner() override;

  // The tsly program to run, or an empty text when there is none.
  static QString findTsly();

  // Starts the run; false when it could not start (outcome() says why; no
  // finished() follows). `force`: replace an existing output file.
  bool start(const QByteArray& deck, bool force);
  void cancel();
  bool running() const;
  const Outcome& outcome() const { return outcome_; }

 signals:
  void progress(qint64 done, qint64 total);
  void finished();

 private:
  void readErrors();
  void done(int exitCode, QProcess::ExitStatus status);
  QString tidy(QString line) const;
  void keepError(const QString& line);
  QString errorText() const;

  QProcess process_;
  std::unique_ptr<QTemporaryFile> deckFile_;
  QByteArray errBuffer_;
  QStringList errors_;
  qsizetype moreErrors_ = 0;  // fault lines beyond those kept
  Outcome outcome_;
  bool cancelled_ = false;
};

}  // namespace jobpad
