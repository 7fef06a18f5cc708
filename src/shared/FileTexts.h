// The message texts and titles of the file utilities and the settings file,
// named once: the file-error boxes, the overwrite and create questions, and the
// missing-settings notice. Texts that every area shows ("Unexpected error",
// "Tessaly ERROR", "Error opening file") are in shared/Texts.h.
#pragma once

#include <string>

namespace tsly {

inline constexpr const char* FileErrorTitle = "File Error";
inline constexpr const char* FileMessageTitle = "File Message";

// The text of a file error number's box; nullptr for a number without a box.
const char* fileErrorText(int errorNumber);

// "The file '" name "' already exists on disk." ... "Choose OK to overwrite the file, Cancel to stop" CR LF
std::string overwriteQuestionText(const std::string& name);
// "The file " name "doesn't exist." ... "Choose OK to create file. Cancel to stop."
std::string createQuestionText(const std::string& name);

// A window's output refused by the output check (shared/OutputCheck.h): its
// reason, then "Nothing was written."
std::string notWrittenText(const std::string& reason);

// Shown, with a line break after it, when start-up finds no settings file.
inline constexpr const char* MissingSettingsMessage = "Can not find tessaly.INI file!";

}  // namespace tsly
