#include <gtest/gtest.h>

#include <set>
#include <string>

#include "output/core/OutputCore.h"
#include "output/core/OutputTexts.h"
#include "shared/Texts.h"
#include "startup/core/SplashCore.h"

using namespace tsly;

TEST(OutputTexts, ExactMessages) {
  EXPECT_EQ(output::bmpNoImageText(),
            "Graphics Save Option must be selected\r\nin order to save BMP files.");
  EXPECT_EQ(unexpectedErrorMessage("disk gone"), "Unexpected error\r\ndisk gone");
  EXPECT_STREQ(output::BmpNoImageTitle, "Plotwell BMP Save Error");
  EXPECT_STREQ(output::BmpDialogTitle, "Tessaly BMP File SAVE");
  EXPECT_STREQ(output::BmpFilter, "BitMaps (*.bmp)|*.bmp|All Files (*.*)|*.*");
  EXPECT_STREQ(output::BmpDefaultExt, "bmp");
  EXPECT_STREQ(output::PrinterDialogTitle, "Tessaly Printer Setup");
  EXPECT_STREQ(output::PrinterErrorTitle, "Tessaly - ERROR");
  EXPECT_EQ(output::bmpWriteFailedText("/ro/X.BMP", "Permission denied"),
            "The bitmap file could not be written:\r\n/ro/X.BMP\r\nPermission denied");
  EXPECT_EQ(output::pdfStatusText("/d/p.pdf"), "No printer installed: the page was written to /d/p.pdf");
}

namespace {
struct FakeFs {
  std::set<std::string> files;
  std::set<std::string> writableDirs;
  std::string path(const std::string& data, const std::string& start) {
    return output::pdfOutputPath(
        data, start, "20261208-034500", [this](const std::string& p) { return files.count(p) > 0; },
        [this](const std::string& d) { return writableDirs.count(d) > 0; });
  }
};
}  // namespace

TEST(OutputPdfPath, BesideTheDataFileWhenItsFolderIsWritable) {
  FakeFs fs;
  fs.writableDirs = {"/data/survey", "/home/ana"};
  EXPECT_EQ(fs.path("/data/survey/line7.vsc", "/home/ana"),
            "/data/survey/tessaly-print-20261208-034500.pdf");
}

TEST(OutputPdfPath, StartDirectoryWhenDataFolderIsReadOnlyOrNoFileOpen) {
  FakeFs fs;
  fs.writableDirs = {"/home/ana", "/home/ana/"};
  EXPECT_EQ(fs.path("/cdrom/line7.vsc", "/home/ana"), "/home/ana/tessaly-print-20261208-034500.pdf");
  EXPECT_EQ(fs.path("", "/home/ana/"), "/home/ana/tessaly-print-20261208-034500.pdf");
}

TEST(OutputPdfPath, CurrentDirectoryAsLastResort) {
  FakeFs fs;
  EXPECT_EQ(fs.path("/cdrom/line7.vsc", "/ro"), "tessaly-print-20261208-034500.pdf");
}

TEST(OutputPdfPath, NeverReplacesAnExistingPage) {
  FakeFs fs;
  fs.writableDirs = {"/d"};
  fs.files = {"/d/tessaly-print-20261208-034500.pdf", "/d/tessaly-print-20261208-034500-2.pdf"};
  EXPECT_EQ(fs.path("/d/a.vsc", ""), "/d/tessaly-print-20261208-034500-3.pdf");
}

TEST(OutputPdfPath, DataFileInTheRootOrWithoutFolder) {
  FakeFs fs;
  fs.writableDirs = {"/", "."};
  EXPECT_EQ(fs.path("/a.vsc", ""), "/tessaly-print-20261208-034500.pdf");
  EXPECT_EQ(fs.path("a.vsc", ""), "tessaly-print-20261208-034500.pdf");
}

TEST(OutputUnusedFileName, NumbersBeforeTheExtensionUntilTheNameIsFree) {
  const std::set<std::string> files = {"/d/page.pdf", "/d/page-2.pdf", "/d/notes", "/d.x/notes"};
  const auto exists = [&](const std::string& p) { return files.count(p) > 0; };
  EXPECT_EQ(output::unusedFileName("/d/new.pdf", exists), "/d/new.pdf");
  EXPECT_EQ(output::unusedFileName("/d/page.pdf", exists), "/d/page-3.pdf");
  EXPECT_EQ(output::unusedFileName("/d/notes", exists), "/d/notes-2");
  EXPECT_EQ(output::unusedFileName("/d.x/notes", exists), "/d.x/notes-2");
}
