// Error numbers and descriptions of the job-editor channel, numbered as DDE
// conversation errors are (the channel stands in for one). Shared by the real
// client, the JobPad stand-in and the test doubles, so every side shows the same
// text for the same number.
#pragma once

#include <string>

#include "platform/DdeClient.h"

namespace tsly {

inline constexpr int ErrFileNotFound = 53;          // a program to start was not found
inline constexpr int ErrDdeFirst = 280;              // first number of the DDE range
inline constexpr int ErrDdeLast = 298;               // last number of the DDE range
inline constexpr int ErrDdeNoAppResponded = DdeNoAppResponded;  // nobody answered the connection (282)
inline constexpr int ErrDdeWontPerform = 285;        // server refused the poke/execute/request
inline constexpr int ErrDdeTimeout = 286;            // no reply within the time-out
inline constexpr int ErrDdeDataNotProvided = 289;    // request of an item the server lacks
inline constexpr int ErrDdeForeignAppQuit = 291;     // server went away during an exchange
inline constexpr int ErrDdeConversationClosed = 292; // the conversation broke (garbled reply)
inline constexpr int ErrDdeNoChannel = 293;          // exchange without an open conversation

// True for the DDE range 280..298.
inline bool isDdeError(int error) { return error >= ErrDdeFirst && error <= ErrDdeLast; }

// The description of an error number ("Application-defined or object-defined
// error" for numbers without a text of their own).
std::string ddeErrorDescription(int error);

}  // namespace tsly
