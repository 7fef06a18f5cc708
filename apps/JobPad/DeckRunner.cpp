#include "DeckRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTimer>

#include "platform/ShownText.h"

namespace jobpad {

DeckRunner::DeckRunner(QObject* parent) : QObject(parent) {
  connect(&process_, &QProcess::readyReadStandardError, this, &DeckRunner::readErrors);
  connect(&process_, &QProcess::finished, this, &DeckRunner::done);
  connect(&process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
    // A program that never started sends no finished().
    if (e != QProcess::FailedToStart) return;
    outcome_ = {Status::Failed, {}, tr("tsly could not be started: %1").arg(process_.errorString())};
    emit finished();
  });
}

DeckRunner::~DeckRunner() {
  if (process_.state() != QProcess::NotRunning) {
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
      process_.kill();
      process_.waitForFinished(2000);
    }
  }
}

QString DeckRunner::findTsly() {
  const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/tsly");
  const QFileInfo info(beside);
  if (info.isFile() && info.isExecutable()) return beside;
  return QStandardPaths::findExecutable(QStringLiteral("tsly"));
}

bool DeckRunner::start(const QByteArray& deck, bool force) {
  outcome_ = {};
  errors_.clear();
  moreErrors_ = 0;
  errBuffer_.clear();
  cancelled_ = false;
  const QString tsly = findTsly();
  if (tsly.isEmpty()) {
    outcome_.error = tr("tsly, which runs the deck, was found neither beside JobPad (%1) nor on the search path.")
                         .arg(QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
    return false;
  }
  deckFile_ = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/jobpad-deck-XXXXXX.job"));
  if (!deckFile_->open() || deckFile_->write(deck) != deck.size() || !deckFile_->flush()) {
    outcome_.error = tr("The deck could not be written to a temporary file: %1").arg(deckFile_->errorString());
    return false;
  }
  QStringList args = {QStringLiteral("nmo"), QStringLiteral("--deck"), deckFile_->fileName(),
                      QStringLiteral("--progress-lines")};
  if (force) args << QStringLiteral("--force");
  process_.setWorkingDirectory(QDir::currentPath());
  process_.start(tsly, args);
  return true;
}

void DeckRunner::cancel() {
  if (process_.state() == QProcess::NotRunning) return;
  cancelled_ = true;
  process_.terminate();
  QTimer::singleShot(5000, this, [this] {
    if (process_.state() != QProcess::NotRunning) process_.kill();
  });
}

bool DeckRunner::running() const { return process_.state() != QProcess::NotRunning; }

QString DeckRunner::tidy(QString line) const {
  const QString prefix = QStringLiteral("tsly nmo: ");
  if (line.startsWith(prefix)) line.remove(0, prefix.size());
  if (deckFile_) line.replace(deckFile_->fileName(), QStringLiteral("deck"));
  return line;
}

void DeckRunner::readErrors() {
  errBuffer_ += process_.readAllStandardError();
  for (qsizetype nl = errBuffer_.indexOf('\n'); nl >= 0; nl = errBuffer_.indexOf('\n')) {
    const QString line = QString::fromUtf8(errBuffer_.left(nl)).trimmed();
    errBuffer_.remove(0, nl + 1);
    const QStringList parts = line.split(QLatin1Char(' '));
    if (parts.size() == 3 && parts[0] == QLatin1String("progress")) {
      emit progress(parts[1].toLongLong(), parts[2].toLongLong());
      continue;
    }
    if (!line.isEmpty()) keepError(tidy(line));
  }
}

void DeckRunner::keepError(const QString& line) {
  if (errors_.size() < static_cast<qsizetype>(tsly::MaxFaultsListed))
    errors_ << line;
  else
    ++moreErrors_;
}

QString DeckRunner::errorText() const {
  QStringList lines = errors_;
  if (moreErrors_ > 0) lines << tr("and %1 more").arg(moreErrors_);
  return lines.join(QLatin1Char('\n'));
}

void DeckRunner::done(int exitCode, QProcess::ExitStatus status) {
  readErrors();
  if (!errBuffer_.trimmed().isEmpty()) keepError(tidy(QString::fromUtf8(errBuffer_).trimmed()));
  errBuffer_.clear();
  const QString report = QString::fromUtf8(process_.readAllStandardOutput()).trimmed();
  if (status == QProcess::NormalExit && exitCode == 0) {
    outcome_ = {Status::Done, report, {}};
  } else if (cancelled_) {
    outcome_ = {Status::Cancelled, {}, {}};
  } else if (status == QProcess::NormalExit && exitCode == 3) {
    outcome_ = {Status::OutputExists, {}, errorText()};
  } else {
    if (errors_.isEmpty() || status != QProcess::NormalExit) errors_ << tr("tsly stopped unexpectedly.");
    outcome_ = {Status::Failed, {}, errorText()};
  }
  deckFile_.reset();
  emit finished();
}

}  // namespace jobpad
