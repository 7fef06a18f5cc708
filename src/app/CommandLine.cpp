#include "app/CommandLine.h"

#include <QCommandLineParser>

#include "app/AppTexts.h"

namespace tsly {

StartupArguments parseStartupArguments(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QString::fromLatin1(apptext::CommandLineDescription));
  const QCommandLineOption help = parser.addHelpOption();
  parser.addPositionalArgument(QStringLiteral("FILE"), QString::fromLatin1(apptext::CommandLineFile),
                               QStringLiteral("[FILE]"));

  StartupArguments a;
  a.helpText = parser.helpText().toStdString();
  if (!parser.parse(arguments)) {
    a.error = parser.errorText().toStdString();
    return a;
  }
  if (parser.isSet(help)) {
    a.helpAsked = true;
    return a;
  }
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) {
    a.error = apptext::CommandLineOneFile;
    return a;
  }
  if (!files.isEmpty()) a.file = files.front().toStdString();
  return a;
}

}  // namespace tsly
