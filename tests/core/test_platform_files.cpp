// Files on the system: AtomicFile (a file written whole or not at all, by
// buffered writes, by its raw handle or by name; links written through,
// permissions kept, temporaries never left behind, failures in words and as
// file error numbers), the chunked sequential reader, the text-file table.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/RawFile.h"
#include "platform/SequentialReader.h"
#include "platform/TextFiles.h"
#include "shared/FileUtil.h"
#include "support/FileSizeLimit.h"
#include "support/GenFixtures.h"
#include "support/ScriptedUi.h"

using namespace tsly;
using namespace tsly::test;
namespace fs = std::filesystem;

namespace {

mode_t modeOf(const std::string& path) {
  struct stat s {};
  return ::stat(path.c_str(), &s) == 0 ? (s.st_mode & 07777) : 0;
}

}  // namespace

TEST(PlatformAtomicFile, WritesWholeOrNotAtAll) {
  TempDir dir;
  const std::string path = dir.file("a.txt");
  AtomicFile f;
  ASSERT_TRUE(f.open(path));
  EXPECT_EQ(f.tempPath().rfind(path + ".tmp-", 0), 0u) << f.tempPath();
  f.write("hello ");
  EXPECT_FALSE(fs::exists(path));  // nothing at the name before commit
  f.write("world\n");
  ASSERT_TRUE(f.commit());
  EXPECT_TRUE(f.ok());
  EXPECT_EQ(f.error(), "");
  EXPECT_EQ(readFile(path), "hello world\n");
  {
    AtomicFile g;
    ASSERT_TRUE(g.open(path));
    g.write("half");
  }  // dropped without commit
  EXPECT_EQ(readFile(path), "hello world\n");
  EXPECT_EQ(fileNames(dir.file("")), std::vector<std::string>{"a.txt"});
}

TEST(PlatformAtomicFile, BlocksLargerThanTheBufferArriveInOrder) {
  TempDir dir;
  const std::string path = dir.file("big.bin");
  std::string small(1000, 'a'), large(3 << 20, 'b');
  for (std::size_t k = 0; k < large.size(); k += 4096) large[k] = 'c';
  AtomicFile f;
  ASSERT_TRUE(f.open(path));
  ASSERT_TRUE(f.write(small));
  ASSERT_TRUE(f.write(large));
  ASSERT_TRUE(f.write(small));
  ASSERT_TRUE(f.commit());
  EXPECT_EQ(readFile(path), small + large + small);
}

TEST(PlatformAtomicFile, RawHandleAndNameServeWritersOfTheirOwn) {
  TempDir dir;
  const std::string viaHandle = dir.file("handle.dat"), viaName = dir.file("name.dat");
  writeFile(viaHandle, "old");
  {
    AtomicFile f;
    ASSERT_TRUE(f.open(viaHandle));
    ASSERT_GE(f.handle(), 0);
    ASSERT_EQ(hright("raw ", f.handle(), 4), 4);
    // Starting the disk's writing early (past the end and on no file as well)
    // changes no byte.
    rawStartWriteBack(f.handle(), 0, 4);
    rawStartWriteBack(f.handle(), 2, 1 << 20);
    rawStartWriteBack(-1, 0, 4);
    ASSERT_EQ(hright("bytes", f.handle(), 5), 5);
    EXPECT_EQ(readFile(viaHandle), "old");
    ASSERT_TRUE(f.commit());
    EXPECT_EQ(f.handle(), -1);
  }
  EXPECT_EQ(readFile(viaHandle), "raw bytes");
  {
    AtomicFile f;
    ASSERT_TRUE(f.open(viaName));
    // A writer that opens the temporary by name (as segyio does).
    std::FILE* own = std::fopen(f.tempPath().c_str(), "wb");
    ASSERT_NE(own, nullptr);
    std::fputs("by name", own);
    std::fclose(own);
    ASSERT_TRUE(f.commit());
  }
  EXPECT_EQ(readFile(viaName), "by name");
  EXPECT_EQ(fileNames(dir.file("")), (std::vector<std::string>{"handle.dat", "name.dat"}));
}

TEST(PlatformAtomicFile, KeepsTheOldPermissionsAndGivesANewFileTheUsualOnes) {
  TempDir dir;
  const std::string old = dir.file("old.txt"), fresh = dir.file("new.txt");
  writeFile(old, "x");
  ::chmod(old.c_str(), 0640);
  const mode_t mask = ::umask(022);
  for (const std::string& p : {old, fresh}) {
    AtomicFile f;
    ASSERT_TRUE(f.open(p));
    f.write("y");
    ASSERT_TRUE(f.commit());
  }
  ::umask(mask);
  EXPECT_EQ(modeOf(old), 0640u);
  EXPECT_EQ(modeOf(fresh), 0644u);
}

TEST(PlatformAtomicFile, ASymbolicLinkIsWrittenThroughAndStays) {
  TempDir dir;
  fs::create_directory(dir.file("kept"));
  const std::string target = dir.file("kept/real.txt"), link = dir.file("link.txt"), hop = dir.file("hop.txt");
  writeFile(target, "old");
  ::chmod(target.c_str(), 0600);
  fs::create_symlink("kept/real.txt", link);
  fs::create_symlink("link.txt", hop);  // a link to a link
  AtomicFile f;
  ASSERT_TRUE(f.open(hop));
  EXPECT_EQ(f.target(), hop);
  EXPECT_EQ(fs::path(f.destination()).lexically_normal(), fs::path(target).lexically_normal());
  f.write("new");
  ASSERT_TRUE(f.commit());
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_TRUE(fs::is_symlink(hop));
  EXPECT_EQ(readFile(target), "new");
  EXPECT_EQ(modeOf(target), 0600u);
  // A link whose target does not exist yet creates it.
  fs::remove(target);
  ASSERT_TRUE(f.open(link));
  f.write("made");
  ASSERT_TRUE(f.commit());
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(readFile(target), "made");
  EXPECT_EQ(fileNames(dir.file("kept")), std::vector<std::string>{"real.txt"});
  // A loop of links writes nothing: an access error.
  fs::create_symlink("b.txt", dir.file("a.txt"));
  fs::create_symlink("a.txt", dir.file("b.txt"));
  EXPECT_FALSE(f.open(dir.file("a.txt")));
  EXPECT_EQ(f.failedStep(), AtomicFile::Step::Create);
  EXPECT_EQ(f.fileError(), 75);
  EXPECT_TRUE(fs::is_symlink(dir.file("a.txt")));
}

TEST(PlatformAtomicFile, NamesThatCanBeNoFileAreRefused) {
  AtomicFile f;
  EXPECT_FALSE(f.open(""));
  EXPECT_EQ(f.failedStep(), AtomicFile::Step::Name);
  EXPECT_EQ(f.reason(), "no usable file name");
  EXPECT_EQ(f.fileError(), 64);
  EXPECT_FALSE(f.open(std::string("a\0b", 3)));
  EXPECT_EQ(f.reason(), "no usable file name");
  TempDir dir;
  EXPECT_FALSE(f.open(dir.file("folder/")));
  EXPECT_EQ(f.reason(), "the name is a folder, not a file");
  EXPECT_EQ(f.error(), "cannot create " + dir.file("folder/") + ": the name is a folder, not a file");
  EXPECT_FALSE(f.write("x"));
  EXPECT_FALSE(f.commit());
  EXPECT_TRUE(fileNames(dir.file("")).empty());
}

TEST(PlatformAtomicFile, AFolderThatIsMissingOrClosedLeavesTheOldFile) {
  TempDir dir;
  AtomicFile f;
  EXPECT_FALSE(f.open(dir.file("no/such/folder/b.txt")));
  EXPECT_EQ(f.failedStep(), AtomicFile::Step::Create);
  EXPECT_EQ(f.systemError(), ENOENT);
  EXPECT_EQ(f.reason(), "No such file or directory");
  EXPECT_EQ(f.error(), "cannot create " + dir.file("no/such/folder/b.txt") + ": No such file or directory");
  EXPECT_EQ(f.fileError(), 76);  // path not found
  EXPECT_FALSE(f.commit());

  // A "folder" that is a plain file.
  writeFile(dir.file("plain"), "x");
  EXPECT_FALSE(f.open(dir.file("plain") + "/b.txt"));
  EXPECT_EQ(f.fileError(), 76);
  EXPECT_EQ(readFile(dir.file("plain")), "x");

  if (::geteuid() != 0) {  // root writes into a read-only folder anyway
    const std::string ro = dir.file("ro");
    fs::create_directory(ro);
    writeFile(ro + "/c.txt", "old");
    fs::permissions(ro, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(f.open(ro + "/c.txt"));
    fs::permissions(ro, fs::perms::owner_all);
    EXPECT_EQ(f.systemError(), EACCES);
    EXPECT_EQ(f.fileError(), 75);
    EXPECT_EQ(readFile(ro + "/c.txt"), "old");
    EXPECT_EQ(fileNames(ro), std::vector<std::string>{"c.txt"});
  }
}

TEST(PlatformAtomicFile, AFullDiskKeepsTheOldFileAndRemovesTheTemporary) {
  TempDir dir;
  const std::string path = dir.file("full.txt");
  writeFile(path, "old contents");
  {
    FileSizeLimit limit(4096);
    AtomicFile f;
    ASSERT_TRUE(f.open(path));
    EXPECT_TRUE(f.write(std::string(8000, 'x')));  // buffered: the failure shows at commit
    EXPECT_FALSE(f.commit());
    EXPECT_EQ(f.failedStep(), AtomicFile::Step::Write);
    EXPECT_EQ(f.fileError(), 61);  // disk full
    EXPECT_EQ(f.error(), "cannot write " + path + ": File too large");
    EXPECT_EQ(writeFileAtomically(path, std::string(8000, 'y')), 61);
  }
  EXPECT_EQ(readFile(path), "old contents");
  EXPECT_EQ(fileNames(dir.file("")), std::vector<std::string>{"full.txt"});
}

TEST(PlatformAtomicFile, AShortWriteThroughTheHandleIsDiscardedWhole) {
  // The test hook of the raw writes: the disk "fills" after 100 bytes.
  TempDir dir;
  const std::string path = dir.file("raw.dat");
  writeFile(path, "old");
  {
    AtomicFile f;
    ASSERT_TRUE(f.open(path));
    setWriteBudgetForTesting(100);
    const std::string block(300, 'z');
    const std::int32_t n = hright(block.data(), f.handle(), 300);
    setWriteBudgetForTesting(-1);
    EXPECT_EQ(n, 100);
  }  // the writer saw the short write and gave up: no commit
  EXPECT_EQ(readFile(path), "old");
  EXPECT_EQ(fileNames(dir.file("")), std::vector<std::string>{"raw.dat"});
}

TEST(PlatformAtomicFile, ANameThatBecomesAFolderIsNotRenamedOver) {
  TempDir dir;
  AtomicFile f;
  ASSERT_TRUE(f.open(dir.file("taken")));
  fs::create_directory(dir.file("taken"));  // a folder by that name is in the way now
  writeFile(dir.file("taken/inside"), "x");
  f.write("text");
  EXPECT_FALSE(f.commit());
  EXPECT_EQ(f.failedStep(), AtomicFile::Step::NotAFile);
  EXPECT_EQ(f.error(), "cannot write " + dir.file("taken") + ": it is a folder, not a file");
  EXPECT_EQ(f.fileError(), 75);
  EXPECT_TRUE(fs::is_directory(dir.file("taken")));
  EXPECT_EQ(fileNames(dir.file("")), std::vector<std::string>{"taken"});
}

TEST(PlatformAtomicFile, OneCallWritesAWholeText) {
  TempDir dir;
  const std::string path = dir.file("one.ini");
  EXPECT_EQ(writeFileAtomically(path, "a\r\nb\r\n"), 0);
  EXPECT_EQ(readFile(path), "a\r\nb\r\n");
  EXPECT_EQ(writeFileAtomically(path, ""), 0);
  EXPECT_EQ(readFile(path), "");
  EXPECT_EQ(writeFileAtomically(dir.file("missing/one.ini"), "x"), 76);
  EXPECT_EQ(writeFileAtomically("", "x"), 64);
  EXPECT_EQ(fileNames(dir.file("")), std::vector<std::string>{"one.ini"});
}

TEST(PlatformSequentialReader, DeliversExactlyWhatAPlainReaderWould) {
  TempDir d;
  std::vector<unsigned char> data(10000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 7 + 3);
  writeFile(d.file("s.bin"), std::string(data.begin(), data.end()));
  int h = rawOpen(d.file("s.bin"), RawAccess::ReadOnly);
  SequentialReader in(h, 0, 4096);  // smallest chunk: forces refills across reads
  std::vector<unsigned char> got(5000);
  EXPECT_EQ(in.read(got.data(), 3000), 3000);
  EXPECT_TRUE(std::equal(got.begin(), got.begin() + 3000, data.begin()));
  EXPECT_EQ(in.skip(4500), 4500);
  EXPECT_EQ(in.position(), 7500);
  EXPECT_EQ(in.read(got.data(), 5000), 2500);  // short at the end
  EXPECT_TRUE(std::equal(got.begin(), got.begin() + 2500, data.begin() + 7500));
  EXPECT_EQ(in.read(got.data(), 1), 0);
  EXPECT_EQ(in.skip(10), 0);
  EXPECT_EQ(in.position(), 10000);
  rawClose(h);
}

TEST(PlatformTextFiles, ErrnoMapsToFileErrorNumbers) {
  TempDir d;
  EXPECT_EQ(fileErrorFromErrno(ENOENT, d.file("x")), 53);
  EXPECT_EQ(fileErrorFromErrno(ENOENT, d.file("nodir/x")), 76);
  EXPECT_EQ(fileErrorFromErrno(ENOTDIR, "/etc/passwd/x"), 76);
  EXPECT_EQ(fileErrorFromErrno(EACCES, "x"), 75);
  EXPECT_EQ(fileErrorFromErrno(EROFS, "x"), 75);
  EXPECT_EQ(fileErrorFromErrno(EISDIR, "x"), 75);
  EXPECT_EQ(fileErrorFromErrno(ENOSPC, "x"), 61);
  EXPECT_EQ(fileErrorFromErrno(ENAMETOOLONG, "x"), 64);
  EXPECT_EQ(fileErrorFromErrno(EMFILE, "x"), 67);
  EXPECT_EQ(fileErrorFromErrno(ENFILE, "x"), 67);
  EXPECT_EQ(fileErrorFromErrno(EIO, "x"), 57);
  EXPECT_EQ(fileErrorFromErrno(ENXIO, "x"), 68);
  EXPECT_EQ(fileErrorFromErrno(EXDEV, "x"), 74);
  TextFiles files;
  EXPECT_EQ(files.open("", 1, 1), 52);
  EXPECT_EQ(files.open(d.file(std::string(5000, 'a')), 1, 1), 64);
  EXPECT_EQ(files.open(d.file("m"), 7, 1), 54);
}

TEST(PlatformTextFiles, TooManyFiles) {
  TempDir d;
  TextFiles files;
  for (int n = 1; n <= TextFiles::MaxFiles; ++n) ASSERT_EQ(files.open(d.file("f" + std::to_string(n)), 1, n), 0);
  EXPECT_EQ(files.nextFree(), 0);
  ScriptedUi ui;
  AppState st;
  EXPECT_EQ(OpenByMode(ui, st, d.file("one-more"), 1, files), -1);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "Too many files are open. Close a file and try again.");
}
