// The one rule of what a name stands for on disk, for every writer and reader:
// a folder, FIFO, socket or device (directly or through links) is never
// written over and never read as a file, at once and with the true reason;
// the one output check; names and lines shown escaped and cut; fault lists
// capped; temporaries removed by a signal handler; the session's socket names.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/AtomicFile.h"
#include "platform/FileChecks.h"
#include "platform/SessionNames.h"
#include "platform/TextFiles.h"
#include "platform/ShownText.h"
#include "shared/ExchangeOutput.h"
#include "shared/OutputCheck.h"
#include "shared/Settings.h"
#include "support/TempDir.h"

using namespace tsly;
using namespace tsly::test;
namespace fs = std::filesystem;

namespace {

enum class Made { Folder, Fifo, Socket, LinkToFifo, LinkToLinkToFolder, DevNull };

struct HostileTarget {
  Made made;
  FileKind kind;
  const char* what;  // as messages name it
};

// Makes the thing at `path`; false when it can not be made here (the test is skipped).
bool make(Made m, const TempDir& d, std::string& path) {
  path = d.file("target");
  switch (m) {
    case Made::Folder: return ::mkdir(path.c_str(), 0755) == 0;
    case Made::Fifo: return ::mkfifo(path.c_str(), 0644) == 0;
    case Made::Socket: {
      const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
      sockaddr_un a{};
      a.sun_family = AF_UNIX;
      if (s < 0 || path.size() >= sizeof a.sun_path) return false;
      std::memcpy(a.sun_path, path.c_str(), path.size() + 1);
      const bool ok = ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
      ::close(s);
      return ok;
    }
    case Made::LinkToFifo:
      return ::mkfifo(d.file("fifo").c_str(), 0644) == 0 && ::symlink("fifo", path.c_str()) == 0;
    case Made::LinkToLinkToFolder:
      return ::mkdir(d.file("dir").c_str(), 0755) == 0 && ::symlink("dir", d.file("l1").c_str()) == 0 &&
             ::symlink(d.file("l1").c_str(), path.c_str()) == 0;
    case Made::DevNull:
      // Replacing /dev/null takes root; only there is the real device tried.
      path = "/dev/null";
      return ::geteuid() == 0;
  }
  return false;
}

class PlatformHostileTargets : public ::testing::TestWithParam<HostileTarget> {};

}  // namespace

TEST_P(PlatformHostileTargets, AreNeverWrittenNorReadAsFiles) {
  TempDir d;
  std::string path;
  if (!make(GetParam().made, d, path)) GTEST_SKIP() << "can not be made here (/dev/null only as root)";
  const std::string not_a_file = std::string("is ") + GetParam().what + ", not a file";
  EXPECT_EQ(fileStatus(path).kind, GetParam().kind);
  EXPECT_EQ(notAFileReason(path), not_a_file);

  // Writers: refused before anything is made, and the thing stays what it was.
  AtomicFile f;
  EXPECT_FALSE(f.open(path));
  EXPECT_EQ(f.failedStep(), AtomicFile::Step::NotAFile);
  EXPECT_EQ(f.error(), "cannot write " + path + ": it " + not_a_file);
  EXPECT_EQ(f.fileError(), 75);
  EXPECT_EQ(writeTextFileWhole(path, "x"), "cannot write " + path + ": it " + not_a_file);
  EXPECT_EQ(writeSettingsFile(path, "x"), 75);
  for (int mode = 1; mode <= 4; ++mode) EXPECT_EQ(TextFiles().open(path, mode, 1), 75) << mode;
  const OutputCheck c = checkOutputFile(path, {}, true);
  EXPECT_EQ(c.verdict, OutputCheck::Verdict::NotAFile);
  EXPECT_EQ(c.message, "\"" + path + "\" " + not_a_file);
  EXPECT_EQ(fileStatus(path).kind, GetParam().kind);

  // Readers: refused at once (a FIFO without a writer never holds them up).
  std::string why, text;
  EXPECT_EQ(openInputFile(path, why), -1);
  EXPECT_EQ(why, "\"" + path + "\" " + not_a_file);
  EXPECT_EQ(readInputText(path, text), why);
  EXPECT_EQ(checkInputFile(path), why);
  EXPECT_EQ(fileStatus(path).kind, GetParam().kind);
  for (const auto& n : fileNames(d.path())) EXPECT_EQ(n.find(".tmp-"), std::string::npos) << n;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PlatformHostileTargets,
    ::testing::Values(HostileTarget{Made::Folder, FileKind::Folder, "a folder"},
                      HostileTarget{Made::Fifo, FileKind::Fifo, "a FIFO"},
                      HostileTarget{Made::Socket, FileKind::Socket, "a socket"},
                      HostileTarget{Made::LinkToFifo, FileKind::Fifo, "a FIFO"},
                      HostileTarget{Made::LinkToLinkToFolder, FileKind::Folder, "a folder"},
                      HostileTarget{Made::DevNull, FileKind::Device, "a device"}));

TEST(PlatformFileChecks, InputsSayTheTrueReasonAndKeepToTheirSize) {
  TempDir d;
  std::string text, why;
  EXPECT_EQ(readInputText(d.file("none"), text), "\"" + d.file("none") + "\": No such file or directory");
  ASSERT_EQ(::symlink("nowhere", d.file("dangling").c_str()), 0);
  EXPECT_EQ(openInputFile(d.file("dangling"), why), -1);
  EXPECT_EQ(why, "\"" + d.file("dangling") + "\": No such file or directory");
  writeFile(d.file("f"), "0123456789");
  EXPECT_EQ(readInputText(d.file("f"), text, 10), "");
  EXPECT_EQ(text, "0123456789");
  EXPECT_EQ(readInputText(d.file("f"), text, 9), "\"" + d.file("f") + "\" is larger than 9 bytes");
  EXPECT_EQ(text, "");
  // A sparse file far beyond the limit is refused by its size, not read.
  fs::resize_file(d.file("f"), std::uintmax_t{1} << 40);
  EXPECT_EQ(readInputText(d.file("f"), text), "\"" + d.file("f") + "\" is larger than 16 MiB");
  // Names are shown escaped.
  EXPECT_EQ(checkInputFile(d.file("a\x1b[2Jb")), "\"" + d.file("a\\x1b[2Jb") + "\": No such file or directory");
}

TEST(SharedOutputCheck, TheInputsAreComparedAsGenerationComparesNames) {
  TempDir d;
  const std::string in = d.file("scan.nmo");
  writeFile(in, "data");
  ASSERT_EQ(::link(in.c_str(), d.file("hard.nmo").c_str()), 0);
  ASSERT_EQ(::symlink("scan.nmo", d.file("soft.nmo").c_str()), 0);
  ASSERT_EQ(::symlink("SCAN.NMO", d.file("upper.lnk").c_str()), 0);  // leads to no file, by a name in capitals
  const std::vector<NamedFile> inputs{{d.file("deck.job"), "the deck"}, {in, "the input file"}};
  for (const std::string& out : {in, d.file("SCAN.NMO"), d.path() + "/./scan.nmo", d.file("hard.nmo"),
                                 d.file("soft.nmo"), d.file("upper.lnk"), " " + in + " "}) {
    const OutputCheck c = checkOutputFile(out, inputs, true);
    EXPECT_EQ(c.verdict, OutputCheck::Verdict::IsInput) << out;
    EXPECT_EQ(c.input, 1u) << out;
    EXPECT_EQ(c.message, "\"" + out + "\" is the input file");
  }
  EXPECT_EQ(checkOutputFile(d.file("DECK.JOB"), inputs, false).message, "\"" + d.file("DECK.JOB") + "\" is the deck");
  EXPECT_EQ(checkOutputFile("", inputs, true).verdict, OutputCheck::Verdict::NoName);
  writeFile(d.file("old.dat"), "old");
  EXPECT_EQ(checkOutputFile(d.file("old.dat"), inputs, false).message,
            "\"" + d.file("old.dat") + "\" exists (use --force to overwrite it)");
  EXPECT_TRUE(checkOutputFile(d.file("old.dat"), inputs, true).ok());
  EXPECT_TRUE(checkOutputFile(d.file("new.dat"), inputs, false).ok());
  EXPECT_EQ(fileStatus(in).size, 4);
}

TEST(PlatformShownText, EscapesControlsCutsLinesAndCapsFaultLists) {
  EXPECT_EQ(shownText(std::string("a\x1b[31m\0b\tc\x7f", 11)), "a\\x1b[31m\\x00b\\tc\\x7f");
  EXPECT_EQ(shownLine(std::string(1 << 20, 'x')), std::string(80, 'x') + "...");
  EXPECT_EQ(shownLine(std::string(80, 'y')), std::string(80, 'y'));
  EXPECT_EQ(quotedName("a\nb"), "\"a\\x0ab\"");
  FaultList few, many;
  for (int k = 0; k < 3; ++k) few.add("f" + std::to_string(k));
  EXPECT_EQ(few.lines(), (std::vector<std::string>{"f0", "f1", "f2"}));
  for (int k = 0; k < 50000; ++k) many.add("f" + std::to_string(k));
  const std::vector<std::string> lines = many.lines();
  ASSERT_EQ(lines.size(), MaxFaultsListed + 1);
  EXPECT_EQ(lines[19], "f19");
  EXPECT_EQ(lines.back(), "and 49980 more");
  EXPECT_EQ(many.count(), 50000u);
}

TEST(PlatformAtomicFile, TemporariesOpenAreRemovedAtOnceForASignal) {
  TempDir d;
  AtomicFile a, b;
  ASSERT_TRUE(a.open(d.file("a.dat")));
  ASSERT_TRUE(b.open(d.file("b.dat")));
  ASSERT_TRUE(b.write("done"));
  ASSERT_TRUE(b.commit());  // committed: no longer listed
  ASSERT_TRUE(fs::exists(a.tempPath()));
  removeOpenTemporaries();
  EXPECT_FALSE(fs::exists(a.tempPath()));
  EXPECT_EQ(readFile(d.file("b.dat")), "done");
}

TEST(PlatformSessionNames, EachDisplayHasItsOwnNamesInAPrivateFolder) {
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const std::string keepDisplay = display ? display : "", keepWayland = wayland ? wayland : "";
  ::unsetenv("WAYLAND_DISPLAY");
  ::setenv("DISPLAY", ":1.0", 1);
  EXPECT_EQ(sessionDisplayName(), "_1");
  ::setenv("DISPLAY", "host:12", 1);
  EXPECT_EQ(sessionDisplayName(), "host_12");
  ::setenv("WAYLAND_DISPLAY", "wayland-0", 1);
  EXPECT_EQ(sessionDisplayName(), "wayland-0");
  ::unsetenv("WAYLAND_DISPLAY");
  ::unsetenv("DISPLAY");
  EXPECT_EQ(sessionDisplayName(), "nodisplay");

  // Without a runtime folder: a private one of this user, made 0700; one that
  // others may enter is not used.
  TempDir d;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const char* tmp = std::getenv("TMPDIR");
  const std::string keepRuntime = runtime ? runtime : "", keepTmp = tmp ? tmp : "";
  ::unsetenv("XDG_RUNTIME_DIR");
  ::setenv("TMPDIR", d.path().c_str(), 1);
  std::string error;
  const std::string own = d.file("tessaly-run-" + std::to_string(::geteuid()));
  EXPECT_EQ(sessionSocketFolder(error), own);
  struct stat st {};
  ASSERT_EQ(::lstat(own.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  EXPECT_EQ(sessionSocketPath("x"), own + "/x");
  ::chmod(own.c_str(), 0777);
  EXPECT_EQ(sessionSocketFolder(error), "");
  EXPECT_EQ(error, own + " may be entered by other users");
  EXPECT_EQ(sessionSocketPath("x"), "x");
  ::setenv("XDG_RUNTIME_DIR", d.path().c_str(), 1);
  ::chmod(d.path().c_str(), 0700);
  EXPECT_EQ(sessionSocketFolder(error), d.path());

  for (auto [name, value] : {std::pair{"DISPLAY", keepDisplay}, {"WAYLAND_DISPLAY", keepWayland},
                             {"XDG_RUNTIME_DIR", keepRuntime}, {"TMPDIR", keepTmp}}) {
    if (value.empty())
      ::unsetenv(name);
    else
      ::setenv(name, value.c_str(), 1);
  }
}
