// The job-editor link's message texts as the user must see them, written out
// byte for byte once for every test that asserts them.
#pragma once

#include <string>

namespace tsly::test {

inline const std::string StartupNotFound =
    "There has been an unexpected error while starting JobPad\r\n"
    "\r\n"
    "File not found\r\n"
    "\r\n"
    "This error is caused by a failure of the system to\r\n"
    "locate  JobPad.EXE.  Make sure it is in a directory\r\n"
    "listed in your system's  PATH statement.";

inline const std::string NoConnection =
    "There is no connection currently between this\r\n"
    "program and JobPad. Insertion/communication of\r\n"
    "data is not possible";

// The box of an exchange that failed, with the channel's description of the error.
inline std::string communicationFailure(const std::string& description) {
  return "There was an error while attempting to communicate with\r\n"
         "JobPad. The error reported was: \r\n"
         "\r\n" +
         description +
         "\r\n"
         "\r\n"
         "The most common causes of this would be JobPad not running,\r\n"
         "or JobPad is awaiting user input.\r\n"
         "Further insertion of data to JobPad is not currently possible.";
}

}  // namespace tsly::test
