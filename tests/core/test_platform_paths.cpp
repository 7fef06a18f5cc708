// The folder of a path and a folder joined to a name: the one rule every
// dialog, output and file utility uses.
#include <gtest/gtest.h>

#include "platform/Paths.h"

using namespace tsly;

TEST(PlatformPaths, FolderOfAPath) {
  const std::pair<const char*, const char*> rows[] = {{"/data/line7.nmo", "/data"},
                                                      {"/line7.nmo", "/"},
                                                      {"line7.nmo", "."},
                                                      {"demo/line7.nmo", "demo"},
                                                      {"/data/", "/data"}};
  for (const auto& [path, folder] : rows) EXPECT_EQ(folderOf(path), folder) << path;
}

TEST(PlatformPaths, JoinPutsExactlyOneSlash) {
  EXPECT_EQ(joinPath("/data", "a.picks"), "/data/a.picks");
  EXPECT_EQ(joinPath("/", "a.picks"), "/a.picks");
  EXPECT_EQ(joinPath("/data/", "a.picks"), "/data/a.picks");
  EXPECT_EQ(joinPath(".", "a.picks"), "./a.picks");
  EXPECT_EQ(joinPath("", "a.picks"), "a.picks");
}
