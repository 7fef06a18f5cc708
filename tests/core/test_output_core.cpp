#include <gtest/gtest.h>

#include <set>
#include <string>

#include "output/core/OutputCore.h"

using namespace tsly;

// Where a print without a printer writes its page: beside the data file when
// its folder is writable, else in the start folder, else the current folder;
// never over an existing page.
TEST(OutputPdfPath, BesideTheDataThenTheStartFolderThenHere) {
  struct Row {
    const char* name;
    std::string data, start;
    std::set<std::string> writable, files;
    std::string expected;
  };
  const std::string page = "tessaly-print-20261208-034500";
  const Row rows[] = {
      {"beside the data file", "/data/l7.vsc", "/home/ana", {"/data", "/home/ana"}, {}, "/data/" + page + ".pdf"},
      {"data folder read-only", "/cdrom/l7.vsc", "/home/ana", {"/home/ana"}, {}, "/home/ana/" + page + ".pdf"},
      {"no file open", "", "/home/ana/", {"/home/ana/"}, {}, "/home/ana/" + page + ".pdf"},
      {"nothing writable", "/cdrom/l7.vsc", "/ro", {}, {}, page + ".pdf"},
      {"pages there already", "/d/a.vsc", "", {"/d"}, {"/d/" + page + ".pdf", "/d/" + page + "-2.pdf"},
       "/d/" + page + "-3.pdf"},
      {"data file in the root", "/a.vsc", "", {"/"}, {}, "/" + page + ".pdf"},
      {"data file without folder", "a.vsc", "", {"."}, {}, "./" + page + ".pdf"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(output::pdfOutputPath(
                  r.data, r.start, "20261208-034500", [&](const std::string& p) { return r.files.count(p) > 0; },
                  [&](const std::string& d) { return r.writable.count(d) > 0; }),
              r.expected)
        << r.name;
  }
}

TEST(OutputUnusedFileName, NumbersBeforeTheExtensionUntilTheNameIsFree) {
  const std::set<std::string> files = {"/d/page.pdf", "/d/page-2.pdf", "/d/notes", "/d.x/notes"};
  const auto exists = [&](const std::string& p) { return files.count(p) > 0; };
  EXPECT_EQ(output::unusedFileName("/d/new.pdf", exists), "/d/new.pdf");
  EXPECT_EQ(output::unusedFileName("/d/page.pdf", exists), "/d/page-3.pdf");
  EXPECT_EQ(output::unusedFileName("/d/notes", exists), "/d/notes-2");
  EXPECT_EQ(output::unusedFileName("/d.x/notes", exists), "/d.x/notes-2");
}
