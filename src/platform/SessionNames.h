// Where the local sockets of one desktop session live, and what they are called:
// the job-editor link (Tessaly and JobPad) and the previous-instance guard.
// Two sessions of one user (two displays, or a desktop and a remote one) never
// meet: the folder is the user's runtime folder of the session, and every name
// carries the display.
//
//  - sessionSocketFolder(): $XDG_RUNTIME_DIR when it is set to an absolute
//    path of a folder owned by this user that no one else may enter; else a
//    private folder "/tmp/tessaly-run-<uid>" (its parent is $TMPDIR when that is
//    an absolute path), made with mode 0700 when missing and used only when it
//    is a real folder (no link), owned by this user, with mode 0700. "" with
//    `error` set when none can be had: the names are then used bare (Qt puts
//    them in its temporary folder, with user-only access).
//  - sessionDisplayName(): $WAYLAND_DISPLAY, else $DISPLAY without its screen
//    number (":0.0" and ":0" are one display), else "nodisplay"; characters
//    other than letters, digits, '-', '_' and '.' become '_'; at most 40 of them.
#pragma once

#include <string>

namespace tsly {

std::string sessionSocketFolder(std::string& error);
std::string sessionDisplayName();
// `name` in the session's folder ("/run/user/1000/name"), or bare when there is none.
std::string sessionSocketPath(const std::string& name);

// Keeps letters, digits, '-', '_' and '.'; anything else becomes '_'.
std::string socketNamePart(const std::string& text);

}  // namespace tsly
