// Faults at the edges: the output disk full during generation, the output name
// reaching the input by another path, the input changing under a run, and the
// settings file's folder unusable at exit. Each gives its message and loses
// nothing that was already safe.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "generation/core/Generation.h"
#include "open/core/OpenScan.h"
#include "platform/RawFile.h"
#include "shared/Settings.h"
#include "support/FileSizeLimit.h"
#include "support/GenFixtures.h"
#include "support/Programs.h"
#include "support/ScriptedUi.h"

using namespace tsly;
using namespace tsly::test;
namespace fs = std::filesystem;

namespace {

struct GenerationFaults : ::testing::Test {
  TempDir dir;
  AppState s;
  ScriptedUi ui;
  std::string in, out, inBytes;
  GenerationHooks hooks;

  void SetUp() override {
    in = dir.file("gather.dat");
    out = dir.file("panels.nmo");
    hooks.timeOfDay = [] { return std::string("04:30:00"); };
    writeGather(in, syntheticGather(1001, 3, 4, 100));
    inBytes = readFile(in);
    s.DataFileName = in;
    ASSERT_TRUE(openScan(s).ok());
  }
  void TearDown() override { setWriteBudgetForTesting(-1); }
  GenerationParams params(const std::string& output, bool upper = false) {
    GenerationParams p;
    p.startCdps = {1001};
    p.velocities = {1800, 2200};
    p.cdpsPerPanel = 3;
    p.lengthMs = 400;
    p.outputName = output;
    p.upperCaseFileName = upper;
    return p;
  }
  GenerationResult run(const GenerationParams& p) { return generatePanels(s, ui, p, hooks); }
};

}  // namespace

TEST_F(GenerationFaults, OutputNamingTheInputByAnyPathIsRefused) {
  fs::create_symlink(in, dir.file("link.dat"));
  fs::create_hard_link(in, dir.file("hard.dat"));
  const std::string names[] = {in, dir.file("./gather.dat"), (fs::path(in).parent_path() / ".." / fs::path(in).parent_path().filename() / "gather.dat").string(),
                               dir.file("link.dat"), dir.file("hard.dat"), "  " + in + "  "};
  for (const std::string& name : names) {
    ui.boxes.clear();
    const GenerationResult r = run(params(name));
    EXPECT_EQ(r.outcome, GenerationOutcome::NotStarted) << name;
    ASSERT_EQ(ui.boxes.size(), 1u) << name;
    EXPECT_EQ(ui.boxes[0].text, "Input and output files can not be the same.");
    EXPECT_EQ(ui.boxes[0].title, "Tessaly Duplicate file name");
    EXPECT_EQ(readFile(in), inBytes) << name;
  }
  // The dialog's upper-cased name of the same file.
  ui.boxes.clear();
  const GenerationResult r = run(params(in, true));
  EXPECT_EQ(r.outcome, GenerationOutcome::NotStarted);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "Input and output files can not be the same.");
  EXPECT_EQ(readFile(in), inBytes);
}

TEST_F(GenerationFaults, DiskFullDuringTheRunIsReportedAndKeepsWhatWasWritten) {
  // A clean run first, for the bytes a full run writes.
  ASSERT_EQ(run(params(out)).outcome, GenerationOutcome::Finished);
  const std::string full = readFile(out);
  ASSERT_GT(full.size(), 2000u);
  for (std::int64_t budget : {std::int64_t{0}, std::int64_t{240 + 10}, std::int64_t{1000},
                              static_cast<std::int64_t>(full.size()) - 1}) {
    fs::remove(out);
    ui.boxes.clear();
    ASSERT_TRUE(openScan(s).ok());
    setWriteBudgetForTesting(budget);
    const GenerationResult r = run(params(out));
    setWriteBudgetForTesting(-1);
    EXPECT_EQ(r.outcome, GenerationOutcome::Failed) << budget;
    ASSERT_EQ(ui.boxes.size(), 1u) << budget;
    EXPECT_TRUE(ui.boxes[0].text == "Trace data write failed" || ui.boxes[0].text == "Trace header write failed")
        << ui.boxes[0].text;
    // What reached the disk is exactly the start of the full output; the input is untouched.
    const std::string part = readFile(out);
    EXPECT_EQ(part.size(), static_cast<std::size_t>(budget));
    EXPECT_EQ(part, full.substr(0, part.size()));
    EXPECT_EQ(readFile(in), inBytes);
  }
}

TEST_F(GenerationFaults, FileSizeLimitOfTheSystemActsAsAFullDisk) {
  // A real short write from the system (not the test hook): the file size limit.
  GenerationResult r;
  {
    FileSizeLimit limit(3000);
    r = run(params(out));
  }
  EXPECT_EQ(r.outcome, GenerationOutcome::Failed);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_TRUE(ui.boxes[0].text == "Trace data write failed" || ui.boxes[0].text == "Trace header write failed")
      << ui.boxes[0].text;
  EXPECT_LE(fs::file_size(out), 3000u);
  EXPECT_EQ(readFile(in), inBytes);
}

TEST_F(GenerationFaults, InputShrinkingUnderTheRunEndsItWithAMessage) {
  fs::resize_file(in, inBytes.size() - 50);
  const GenerationResult r = run(params(out));
  EXPECT_EQ(r.outcome, GenerationOutcome::Failed);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_TRUE(ui.boxes[0].text == "Trace data read failed" || ui.boxes[0].text == "Trace header read failed");
  EXPECT_EQ(readFile(in), inBytes.substr(0, inBytes.size() - 50));
}

// `tsly generate` on a disk that fills (the system's file size limit, the
// signal ignored as a full disk would not send one): the write failure, then
// a line naming the incomplete output; exit status 1; the input untouched.
TEST_F(GenerationFaults, TslyGenerateOnAFullDiskNamesTheIncompleteOutput) {
  const std::string tsly = builtProgram("tsly/tsly");
  if (tsly.empty()) GTEST_SKIP() << "tsly has not been built beside the tests";
  const ProgramRun r = runCommand("sh -c \"trap '' XFSZ; ulimit -f 4; exec '" + tsly + "' generate '" + in + "' '" + out +
                                  "' --start-cdps 1001 --velocities 1800,2200 --cdps-per-panel 3\"");
  const std::string& text = r.output;
  ASSERT_TRUE(r.exited) << text;
  EXPECT_EQ(r.code, 1) << text;
  EXPECT_TRUE(text.find("Trace data write failed\n") != std::string::npos ||
              text.find("Trace header write failed\n") != std::string::npos)
      << text;
  EXPECT_NE(text.find("tsly generate: " + out + " is incomplete ("), std::string::npos) << text;
  EXPECT_LE(fs::file_size(out), 4096u);  // 4 blocks of 512 (dash) or 1024 (bash)
  EXPECT_EQ(readFile(in), inBytes);
}
