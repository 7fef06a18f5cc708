// The command line of the program: `tessaly [FILE]`. FILE, when given, is
// opened after start-up exactly as "&Open" would open it. `--help` prints the
// usage; anything else is refused with a message and exit status 1.
#pragma once

#include <QStringList>
#include <string>

namespace tsly {

struct StartupArguments {
  std::string file;      // the file to open after start-up; empty for none
  bool helpAsked = false;
  std::string helpText;  // the usage, for --help and after an error
  std::string error;     // what is wrong with the command line; empty when nothing
};

// `arguments` as QCoreApplication::arguments() gives them (the program first).
StartupArguments parseStartupArguments(const QStringList& arguments);

}  // namespace tsly
