// The two rules of path text every part of the program uses: the folder a path
// names its file in, and a folder and a name joined. Text only: nothing here
// looks at the disk.
#pragma once

#include <string>

namespace tsly {

// The folder part of a path: everything before its last "/"; "/" for a file in
// the root folder; "." (the current folder) for a bare file name, so that the
// result is always a folder that can be shown, searched or joined to.
std::string folderOf(const std::string& path);

// `name` in `folder` with exactly one "/" between them ("/" + "a" is "/a");
// `name` alone when the folder is empty.
std::string joinPath(const std::string& folder, const std::string& name);

}  // namespace tsly
