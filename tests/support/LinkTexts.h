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

}  // namespace tsly::test
