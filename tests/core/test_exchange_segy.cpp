// SEG-Y exchange: files written by segyio imported, trace files exported and read
// back by segyio, round trips both ways, refusals that leave nothing behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "exchange/core/SegyExchange.h"
#include "open/core/OpenScan.h"
#include "platform/RawFile.h"
#include "support/GenFixtures.h"
#include "support/PanelFile.h"
#include "support/SegyFixtures.h"

using namespace tsly;
using namespace tsly::test;

namespace {

std::vector<float> ramp(int n, float scale) {
  std::vector<float> v(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = scale * static_cast<float>((i % 9) - 4) * 0.25f;
  return v;
}


SegyRecipe gatherSpec(int format = SEGY_IEEE_FLOAT_4_BYTE, bool lsb = false) {
  SegyRecipe s;
  s.format = format;
  s.littleEndian = lsb;
  s.samples = 40;
  s.interval = 2000;
  s.traces.push_back({.cdp = 1001, .offset = 150, .scalar = 0, .id = 1, .inEnsemble = 1, .stacked = 1, .fields = {},
                      .samples = ramp(40, 1.0f)});
  s.traces.push_back({.cdp = 1001, .offset = 45, .scalar = 10, .id = 1, .inEnsemble = 2, .stacked = 1, .fields = {},
                      .samples = ramp(40, 2.0f)});
  s.traces.push_back({.cdp = 1002, .offset = -1234, .scalar = -10, .id = 2, .inEnsemble = 1, .stacked = 3,
                      .fields = {}, .samples = ramp(40, -3.0f)});
  s.traces.push_back({.cdp = 1002, .offset = 300, .scalar = 1, .id = 3, .inEnsemble = 2, .stacked = 0, .fields = {},
                      .samples = {}});
  return s;
}

void expectGatherImported(const std::string& path, const SegyRecipe& s) {
  const auto t = readTraces(path);
  ASSERT_EQ(t.size(), 4u);
  for (size_t i = 0; i < t.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(t[i].h[WordDataType], 1);
    EXPECT_EQ(t[i].h[WordLabelWord], WordCdp);
    EXPECT_EQ(t[i].h[WordCdp], s.traces[i].cdp);
    EXPECT_EQ(t[i].h[WordSecondaryKey], s.traces[i].inEnsemble);
    EXPECT_EQ(t[i].h[WordStackCount], s.traces[i].stacked);
    EXPECT_EQ(t[i].h[WordNumSamples], 40);
    EXPECT_EQ(t[i].h[WordSampleInterval], 2000);
    EXPECT_EQ(t[i].h[WordSampleFormat], FloatFormatMarker);
    std::vector<float> want = s.traces[i].samples;
    want.resize(40, 0.0f);
    EXPECT_EQ(t[i].s, want);
  }
  // Offsets as they stand, whatever the coordinate scalar of 71-72 says.
  for (size_t i = 0; i < t.size(); ++i) {
    EXPECT_EQ(t[i].h[WordOffset], s.traces[i].offset) << i;
    EXPECT_EQ(t[i].h[WordOffsetScalar], 1) << i;
  }
  // Live, dead, and a dummy trace taken as dead.
  EXPECT_EQ(t[0].h[WordTraceCode], 1);
  EXPECT_EQ(t[1].h[WordTraceCode], 1);
  EXPECT_EQ(t[2].h[WordTraceCode], TraceCodeDead);
  EXPECT_EQ(t[3].h[WordTraceCode], TraceCodeDead);
}

// A velocity-scan SEG-Y: 3 CDPs per panel, the velocity in bytes 233-236.
SegyRecipe panelSpec(const std::vector<int>& velocities, int velocityByte = 233) {
  SegyRecipe s;
  s.samples = 30;
  s.interval = 4000;
  for (size_t p = 0; p < velocities.size(); ++p)
    for (int k = 0; k < 3; ++k)
      s.traces.push_back({.cdp = 101 + k, .offset = 0, .scalar = 0, .id = 1, .inEnsemble = 0, .stacked = 12,
                          .fields = {{velocityByte, velocities[p]}},
                          .samples = ramp(30, static_cast<float>(p + 1))});
  return s;
}

}  // namespace

TEST(ExchangeSegyImport, IeeeGatherMapsEveryField) {
  TempDir d;
  const SegyRecipe s = gatherSpec();
  writeSegy(d.file("in.sgy"), s);
  std::int64_t lastDone = 0, lastTotal = 0;
  const auto r = segy::importSegy(d.file("in.sgy"), d.file("out.dat"), {},
                                  [&](std::int64_t done, std::int64_t total) {
                                    lastDone = done;
                                    lastTotal = total;
                                  });
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.tracesIn, 4);
  EXPECT_EQ(r.tracesOut, 4);
  EXPECT_EQ(r.segyFormat, SEGY_IEEE_FLOAT_4_BYTE);
  EXPECT_FALSE(r.littleEndian);
  EXPECT_EQ(lastDone, 4);
  EXPECT_EQ(lastTotal, 4);
  expectGatherImported(d.file("out.dat"), s);
  // The open scan takes the result as CDP-gather data.
  AppState st;
  st.DataFileName = d.file("out.dat");
  const auto scan = openScan(st);
  ASSERT_TRUE(scan.ok()) << scan.message.text;
  EXPECT_EQ(st.DataType, DataCdpGather);
  EXPECT_EQ(st.MinKey, 1001);
  EXPECT_EQ(st.MaxKey, 1002);
}

TEST(ExchangeSegyImport, IbmFloatsAreConverted) {
  TempDir d;
  SegyRecipe s = gatherSpec(SEGY_IBM_FLOAT_4_BYTE);
  // Values IBM floats hold exactly, and one they do not.
  s.traces[0].samples = {1.5f, -2.25f, 3.0f, 1024.0f, -0.0625f, 0.1f};
  writeSegy(d.file("ibm.sgy"), s);
  const auto r = segy::importSegy(d.file("ibm.sgy"), d.file("out.dat"), {});
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.segyFormat, SEGY_IBM_FLOAT_4_BYTE);
  const auto t = readTraces(d.file("out.dat"));
  ASSERT_EQ(t.size(), 4u);
  EXPECT_EQ(t[0].s[0], 1.5f);
  EXPECT_EQ(t[0].s[1], -2.25f);
  EXPECT_EQ(t[0].s[2], 3.0f);
  EXPECT_EQ(t[0].s[3], 1024.0f);
  EXPECT_EQ(t[0].s[4], -0.0625f);
  EXPECT_NEAR(t[0].s[5], 0.1f, 1e-7);
  EXPECT_EQ(t[0].h[WordSampleFormat], FloatFormatMarker);
}

TEST(ExchangeSegyImport, LittleEndianFileReadsTheSame) {
  TempDir d;
  const SegyRecipe s = gatherSpec(SEGY_IEEE_FLOAT_4_BYTE, true);
  writeSegy(d.file("lsb.sgy"), s);
  const auto r = segy::importSegy(d.file("lsb.sgy"), d.file("out.dat"), {});
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_TRUE(r.littleEndian);
  expectGatherImported(d.file("out.dat"), s);
}

TEST(ExchangeSegyImport, IntegerSamplesBecomeFloats) {
  // Formats, and the longest trace header word 58 can describe.
  const std::pair<int, int> rows[] = {{SEGY_SIGNED_INTEGER_4_BYTE, 40},
                                      {SEGY_SIGNED_SHORT_2_BYTE, 40},
                                      {SEGY_SIGNED_CHAR_1_BYTE, 40},
                                      {SEGY_SIGNED_CHAR_1_BYTE, 32767}};
  for (const auto& [format, samples] : rows) {
    SCOPED_TRACE(samples);
    TempDir d;
    SegyRecipe s = gatherSpec(format);
    s.samples = samples;
    for (auto& t : s.traces) t.samples = {-7, 100, 3, -128, 127};
    writeSegy(d.file("int.sgy"), s);
    const auto r = segy::importSegy(d.file("int.sgy"), d.file("out.dat"), {});
    ASSERT_TRUE(r.ok) << r.error;
    const auto t = readTraces(d.file("out.dat"));
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[1].s.size(), static_cast<size_t>(samples));
    EXPECT_EQ(std::vector<float>(t[1].s.begin(), t[1].s.begin() + 5), (std::vector<float>{-7, 100, 3, -128, 127}));
  }
}

TEST(ExchangeSegyImport, PanelsAreClosedWhereTheVelocityChangesOrADummyStands) {
  TempDir d;
  SegyRecipe s = panelSpec({1500, 1800, 1800});
  // A dummy trace between the two 1800 panels (as export writes separators).
  s.traces.insert(s.traces.begin() + 6, {.cdp = 103, .offset = 0, .scalar = 0, .id = 3, .inEnsemble = 0,
                                         .stacked = 0, .fields = {{233, 1800}}, .samples = {}});
  writeSegy(d.file("scan.sgy"), s);
  segy::ImportOptions o;
  o.dataType = 4;
  const auto r = segy::importSegy(d.file("scan.sgy"), d.file("scan.nmo"), o);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.panels, 3);
  EXPECT_EQ(r.separators, 3);
  EXPECT_EQ(r.tracesOut, 12);
  AppState st;
  st.DataFileName = d.file("scan.nmo");
  const auto scan = openScan(st);
  ASSERT_TRUE(scan.ok()) << scan.message.text;
  EXPECT_EQ(st.DataType, DataVelocityScan);
  ASSERT_EQ(st.PanelCount, 3);
  const int velocities[] = {1500, 1800, 1800};
  for (int p = 1; p <= 3; ++p) {
    EXPECT_EQ(st.PanelTable[p].Velocity, velocities[p - 1]);
    EXPECT_EQ(st.PanelTable[p].FirstCdp, 101);
    EXPECT_EQ(st.PanelTable[p].LastCdp, 103);
    EXPECT_EQ(st.PanelTable[p].PanelTraces, 3);
  }
  const auto t = readTraces(d.file("scan.nmo"));
  ASSERT_EQ(t.size(), 12u);
  EXPECT_EQ(t[3].h[WordTraceCode], TraceCodeSeparator);
  EXPECT_EQ(t[3].h[WordCdp], 1500);
  EXPECT_EQ(t[3].s, std::vector<float>(30, 0.0f));
  EXPECT_EQ(t[4].s, ramp(30, 2.0f));
  EXPECT_EQ(t[4].h[WordStackCount], 12);
}

TEST(ExchangeSegyImport, VelocityFromAFieldTheUserNames) {
  TempDir d;
  writeSegy(d.file("scan.sgy"), panelSpec({2000, 2400}, 189));
  segy::ImportOptions o;
  o.dataType = 2;
  o.velocityByte = 189;
  const auto r = segy::importSegy(d.file("scan.sgy"), d.file("scan.nmo"), o);
  ASSERT_TRUE(r.ok) << r.error;
  AppState st;
  st.DataFileName = d.file("scan.nmo");
  ASSERT_TRUE(openScan(st).ok());
  EXPECT_EQ(st.DataType, DataCdpStacked);
  ASSERT_EQ(st.PanelCount, 2);
  EXPECT_EQ(st.PanelTable[2].Velocity, 2400);
}

TEST(ExchangeSegyImport, RefusalsNameTheTraceAndTheFieldAndLeaveNothing) {
  struct Case {
    const char* name;
    std::function<void(SegyRecipe&)> damage;
    segy::ImportOptions options;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"cdp", [](SegyRecipe& s) { s.traces[2].cdp = 40000; }, {},
       "trace 3: CDP (bytes 21-24) is 40000; header word 12 holds -32768..32767 (--renumber numbers the CDPs "
       "1..N and writes the mapping)"},
      {"cdp byte", [](SegyRecipe& s) { s.traces[1].fields = {{189, -70000}}; }, {.cdpByte = 189},
       "trace 2: CDP (bytes 189-192) is -70000; header word 12 holds -32768..32767 (--renumber numbers the CDPs "
       "1..N and writes the mapping)"},
      {"ensemble", [](SegyRecipe& s) { s.traces[1].inEnsemble = -40000; }, {},
       "trace 2: trace number in the ensemble (bytes 25-28) is -40000; header word 8 holds -32768..32767"},
      {"offset", [](SegyRecipe& s) { s.traces[0].offset = 40000, s.traces[0].scalar = -100; }, {},
       "trace 1: offset (bytes 37-40) is 40000; header word 19 holds -32768..32767"},
      {"delay", [](SegyRecipe& s) { s.traces[1].fields = {{109, 4000}, {215, 10}}; }, {},
       "trace 2: recording delay (bytes 109-110) is 40000 ms; header word 55 holds -32768..32767"},
      {"velocity", [](SegyRecipe&) {}, {.dataType = 4, .velocityByte = 233},
       "trace 1: panel velocity (bytes 233-236) is 0; a velocity is 1..32767 (name the field that holds it with "
       "--velocity-field)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir d;
    SegyRecipe s = gatherSpec();
    c.damage(s);
    writeSegy(d.file("in.sgy"), s);
    writeFile(d.file("out.dat"), "previous contents");
    const auto r = segy::importSegy(d.file("in.sgy"), d.file("out.dat"), c.options);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, d.file("in.sgy") + ": " + c.message);
    EXPECT_EQ(readFile(d.file("out.dat")), "previous contents");
    EXPECT_EQ(fileNames(d.path()), (std::vector<std::string>{"in.sgy", "out.dat"}));
  }
}

TEST(ExchangeSegyImport, BadOptionsAndFilesAreRefusedBeforeAnythingIsWritten) {
  TempDir d;
  writeSegy(d.file("in.sgy"), gatherSpec());
  auto refused = [&](const std::string& in, const segy::ImportOptions& o) {
    const auto r = segy::importSegy(in, d.file("out.dat"), o);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(std::filesystem::exists(d.file("out.dat")));
    return r.error;
  };
  EXPECT_EQ(refused(d.file("in.sgy"), {.dataType = 3}), "data type 3 cannot be imported (give 1, 2 or 4)");
  EXPECT_EQ(refused(d.file("in.sgy"), {.dataType = 4, .velocityByte = 50}),
            "velocity field 50 is not the first byte of a SEG-Y trace-header field");
  EXPECT_EQ(refused(d.file("missing.sgy"), {}), "\"" + d.file("missing.sgy") + "\": No such file or directory");
  EXPECT_EQ(refused(d.path(), {}), "\"" + d.path() + "\" is a folder, not a file");
  writeFile(d.file("short.sgy"), "not a SEG-Y file");
  EXPECT_EQ(refused(d.file("short.sgy"), {}),
            d.file("short.sgy") + " is not a SEG-Y file (shorter than its 3600-byte file header)");
  EXPECT_EQ(refused(d.file("in.sgy"), {.cdpByte = 22}),
            "CDP field 22 is not the first byte of a SEG-Y trace-header field");
  // Headers and no trace.
  SegyRecipe s = gatherSpec();
  s.traces.clear();
  writeSegy(d.file("empty.sgy"), s);
  EXPECT_EQ(refused(d.file("empty.sgy"), {}), d.file("empty.sgy") + " holds no traces");
}

TEST(ExchangeSegyImport, DamagedFilesAreRefusedOrReadNeverMisread) {
  TempDir d;
  writeSegy(d.file("good.sgy"), gatherSpec());
  const std::string good = readFile(d.file("good.sgy"));
  std::mt19937 gen(5);
  for (int round = 0; round < 300; ++round) {
    std::string bad = good;
    // Damage a few bytes of the binary header or a trace header, or cut the file.
    for (int k = 0; k < 4; ++k) {
      const size_t at = gen() % 2 ? 3200 + gen() % 400 : 3600 + gen() % 240;
      bad[at] = static_cast<char>(gen());
    }
    if (round % 7 == 0) bad.resize(gen() % bad.size());
    writeFile(d.file("bad.sgy"), bad);
    segy::ImportOptions o;
    o.dataType = round % 3 == 0 ? 4 : 1;
    const auto r = segy::importSegy(d.file("bad.sgy"), d.file("out.dat"), o);
    if (r.ok) {
      // What was written reads back as whole traces of the announced length.
      const auto t = readTraces(d.file("out.dat"));
      ASSERT_EQ(static_cast<std::int64_t>(t.size()), r.tracesOut);
      for (const auto& tr : t) ASSERT_EQ(tr.h[WordNumSamples], r.samples);
    } else {
      EXPECT_FALSE(r.error.empty());
      EXPECT_FALSE(std::filesystem::exists(d.file("out.dat")));
    }
    std::filesystem::remove(d.file("out.dat"));
  }
  for (const auto& n : fileNames(d.path())) EXPECT_EQ(n.find(".tmp-"), std::string::npos) << n;
}

TEST(ExchangeSegyImport, ADiskThatFillsLeavesNoOutput) {
  TempDir d;
  writeSegy(d.file("in.sgy"), gatherSpec());
  setWriteBudgetForTesting(1000);
  const auto r = segy::importSegy(d.file("in.sgy"), d.file("out.dat"), {});
  setWriteBudgetForTesting(-1);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, d.file("in.sgy") + ": writing " + d.file("out.dat") + " failed (disk full?)");
  EXPECT_EQ(fileNames(d.path()), (std::vector<std::string>{"in.sgy"}));
}

// ---------------------------------------------------------------------------
// Export

namespace {

// Two CDP runs of panels, as generation writes them, with offsets to carry.
std::string writeScan(const std::string& path, AppState* st = nullptr) {
  PanelFileOptions o;
  o.samples = 60;
  o.interval = 4000;
  o.tweak = [](int p, int k, HeaderArray& h) {
    if (k == 1) h[WordTraceCode] = TraceCodeDead;
    h[WordOffset] = static_cast<std::int16_t>(100 * k + p);
    h[WordOffsetScalar] = 1;
    h[WordStackCount] = 6;
  };
  return writePanelFile(path, {{101, 1500, 3}, {101, 2000, 3}, {104, 1500, 3}, {104, 2000, 3}}, o, st);
}

}  // namespace

TEST(ExchangeSegyExport, SegyioReadsWhatWasWritten) {
  TempDir d;
  writeScan(d.file("scan.nmo"));
  const auto original = readTraces(d.file("scan.nmo"));
  const auto r = segy::exportSegy(d.file("scan.nmo"), d.file("scan.sgy"), {});
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.tracesIn, 16);
  EXPECT_EQ(r.tracesOut, 12);
  EXPECT_EQ(r.panels, 4);
  EXPECT_EQ(r.separators, 0);
  const SegyContents c = readSegy(d.file("scan.sgy"));
  EXPECT_EQ(c.format, SEGY_IEEE_FLOAT_4_BYTE);
  EXPECT_EQ(c.samples, 60);
  EXPECT_EQ(c.interval, 4000);
  EXPECT_EQ(c.revision, 0x0100);
  ASSERT_EQ(c.text.size(), 3200u);
  EXPECT_EQ(c.text.substr(0, 80),
            std::string("C 1 SEG-Y WRITTEN BY TESSALY (TSLY EXPORT-SEGY)").append(80 - 47, ' '));
  EXPECT_NE(c.text.find("C 7 PANEL VELOCITY IN BYTES 233-236"), std::string::npos);
  EXPECT_NE(c.text.find("C 8 PANEL SEPARATOR TRACES LEFT OUT"), std::string::npos);
  EXPECT_EQ(c.text.substr(39 * 80, 22), "C40 END TEXTUAL HEADER");
  ASSERT_EQ(c.headers.size(), 12u);
  // Data traces in file order, separators left out.
  size_t out = 0;
  const int velocity[] = {1500, 2000, 1500, 2000};
  for (size_t i = 0; i < original.size(); ++i) {
    if (original[i].h[WordTraceCode] == TraceCodeSeparator) continue;
    SCOPED_TRACE(i);
    EXPECT_EQ(c.field(out, SEGY_TR_SEQ_LINE), static_cast<int>(out) + 1);
    EXPECT_EQ(c.field(out, SEGY_TR_ENSEMBLE), original[i].h[WordCdp]);
    EXPECT_EQ(c.field(out, SEGY_TR_NUM_IN_ENSEMBLE), original[i].h[WordSecondaryKey]);
    EXPECT_EQ(c.field(out, SEGY_TR_TRACE_ID), original[i].h[WordTraceCode] == TraceCodeDead ? 2 : 1);
    EXPECT_EQ(c.field(out, SEGY_TR_STACKED_TRACES), 6);
    EXPECT_EQ(c.field(out, SEGY_TR_OFFSET), original[i].h[WordOffset]);
    EXPECT_EQ(c.field(out, SEGY_TR_SOURCE_GROUP_SCALAR), 1);
    EXPECT_EQ(c.field(out, SEGY_TR_SAMPLE_COUNT), 60);
    EXPECT_EQ(c.field(out, SEGY_TR_SAMPLE_INTER), 4000);
    EXPECT_EQ(c.field(out, 233), velocity[out / 3]);
    EXPECT_EQ(c.traces[out], original[i].s);
    ++out;
  }
  EXPECT_EQ(out, 12u);
}

TEST(ExchangeSegyExport, RoundTripThroughSegyKeepsPanelsAndSamples) {
  for (bool separators : {false, true}) {
    SCOPED_TRACE(separators);
    TempDir d;
    AppState before;
    writeScan(d.file("scan.nmo"), &before);
    segy::ExportOptions eo;
    eo.withSeparators = separators;
    ASSERT_TRUE(segy::exportSegy(d.file("scan.nmo"), d.file("scan.sgy"), eo).ok);
    if (separators) {
      const SegyContents c = readSegy(d.file("scan.sgy"));
      ASSERT_EQ(c.headers.size(), 16u);
      EXPECT_EQ(c.field(3, SEGY_TR_TRACE_ID), segy::SegyTraceDummy);
      EXPECT_EQ(c.field(3, SEGY_TR_ENSEMBLE), 103);
      EXPECT_EQ(c.field(3, 233), 1500);
      EXPECT_EQ(c.traces[3], std::vector<float>(60, 0.0f));
    }
    segy::ImportOptions io;
    io.dataType = 4;
    const auto r = segy::importSegy(d.file("scan.sgy"), d.file("back.nmo"), io);
    ASSERT_TRUE(r.ok) << r.error;
    const auto a = readTraces(d.file("scan.nmo"));
    const auto b = readTraces(d.file("back.nmo"));
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
      SCOPED_TRACE(i);
      for (int w : {WordDataType, WordCdp, WordTraceCode, WordNumSamples, WordSampleInterval, WordSampleFormat})
        EXPECT_EQ(a[i].h[w], b[i].h[w]) << "word " << w;
      if (a[i].h[WordTraceCode] == TraceCodeSeparator) {
        EXPECT_EQ(b[i].s, std::vector<float>(60, 0.0f));  // separators carry no data
        continue;
      }
      for (int w : {WordLabelWord, WordSecondaryKey, WordOffset, WordStackCount})
        EXPECT_EQ(a[i].h[w], b[i].h[w]) << "word " << w;
      EXPECT_EQ(a[i].s, b[i].s);
    }
    AppState after;
    after.DataFileName = d.file("back.nmo");
    ASSERT_TRUE(openScan(after).ok());
    ASSERT_EQ(after.PanelCount, before.PanelCount);
    for (int p = 1; p <= after.PanelCount; ++p) {
      EXPECT_EQ(after.PanelTable[p].FirstCdp, before.PanelTable[p].FirstCdp);
      EXPECT_EQ(after.PanelTable[p].Velocity, before.PanelTable[p].Velocity);
    }
  }
}

TEST(ExchangeSegyExport, OneVelocityForSeveralCdpRunsNeedsTheSeparators) {
  // With one trial velocity, the panels of two CDP runs share it: only the
  // separators written as dummy traces tell them apart again.
  TempDir d;
  PanelFileOptions o;
  o.samples = 20;
  writePanelFile(d.file("one.nmo"), {{101, 2000, 2}, {103, 2000, 2}}, o);
  segy::ExportOptions eo;
  eo.withSeparators = true;
  ASSERT_TRUE(segy::exportSegy(d.file("one.nmo"), d.file("one.sgy"), eo).ok);
  segy::ImportOptions io;
  io.dataType = 4;
  ASSERT_TRUE(segy::importSegy(d.file("one.sgy"), d.file("back.nmo"), io).ok);
  AppState st;
  st.DataFileName = d.file("back.nmo");
  ASSERT_TRUE(openScan(st).ok());
  EXPECT_EQ(st.PanelCount, 2);
  EXPECT_EQ(st.CdpCount, 2);
}

TEST(ExchangeSegyExport, RefusalsLeaveNothing) {
  TempDir d;
  auto refused = [&](const std::string& in, const segy::ExportOptions& o) {
    const auto r = segy::exportSegy(in, d.file("out.sgy"), o);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(std::filesystem::exists(d.file("out.sgy")));
    for (const auto& n : fileNames(d.path())) EXPECT_EQ(n.find(".tmp-"), std::string::npos) << n;
    return r.error;
  };
  auto trace = [](std::int16_t cdp, int samples, std::int16_t code = 1) {
    GatherTrace t;
    t.cdp = cdp;
    t.code = code;
    t.samples = ramp(samples, 1.0f);
    return t;
  };
  writeGather(d.file("mixed.dat"), {trace(101, 50), trace(102, 50), trace(103, 30)});
  EXPECT_EQ(refused(d.file("mixed.dat"), {}),
            d.file("mixed.dat") +
                ": trace 3 has 30 samples at 4000 microseconds, the first trace 50 at 4000; SEG-Y traces all have "
                "one length and interval");
  writeGather(d.file("cut.dat"), {trace(101, 50), trace(102, 50)});
  std::filesystem::resize_file(d.file("cut.dat"), std::filesystem::file_size(d.file("cut.dat")) - 10);
  EXPECT_EQ(refused(d.file("cut.dat"), {}),
            d.file("cut.dat") + ": trace 2 is cut short (the file ends inside it)");
  writeGather(d.file("corrupt.dat"), {trace(101, 0)});
  EXPECT_EQ(refused(d.file("corrupt.dat"), {}),
            d.file("corrupt.dat") + ": trace 1 has no samples (word 58 is 0); the file appears corrupt");
  writeGather(d.file("seps.nmo"), {trace(1500, 50, TraceCodeSeparator)});
  EXPECT_EQ(refused(d.file("seps.nmo"), {}),
            d.file("seps.nmo") +
                " holds only separator traces; nothing to export (add --with-separators to write them)");
  writeFile(d.file("tiny.dat"), "abc");
  EXPECT_EQ(refused(d.file("tiny.dat"), {}), d.file("tiny.dat") + " holds no complete trace");
  writeGather(d.file("one.dat"), {trace(101, 50)});
  EXPECT_EQ(refused(d.file("one.dat"), {.withSeparators = false, .velocityByte = 21}),
            "velocity field 21 is a field export writes itself; name another");
  EXPECT_EQ(refused(d.file("one.dat"), {.withSeparators = false, .velocityByte = 0}),
            "velocity field 0 is not the first byte of a SEG-Y trace-header field");
}

TEST(ExchangeSegyExport, ReplacesAnExistingOutputWhole) {
  TempDir d;
  GatherTrace t;
  t.samples = ramp(50, 1.0f);
  writeGather(d.file("g.dat"), {t, t});
  writeFile(d.file("g.dat"), readFile(d.file("g.dat")) + "\x09\x09");
  writeFile(d.file("g.sgy"), "old");
  const auto r = segy::exportSegy(d.file("g.dat"), d.file("g.sgy"), {});
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.notes, (std::vector<std::string>{"2 bytes after the last complete trace were left out"}));
  EXPECT_EQ(readSegy(d.file("g.sgy")).headers.size(), 2u);
  EXPECT_EQ(fileNames(d.path()), (std::vector<std::string>{"g.dat", "g.sgy"}));
}

TEST(ExchangeSegyExport, InputAndOutputMayNotBeOneFile) {
  TempDir d;
  GatherTrace t;
  t.samples = ramp(50, 1.0f);
  writeGather(d.file("g.dat"), {t});
  const std::string before = readFile(d.file("g.dat"));
  const auto r = segy::exportSegy(d.file("g.dat"), d.path() + "/./g.dat", {});
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "input and output are the same file");
  EXPECT_EQ(readFile(d.file("g.dat")), before);
}

TEST(ExchangeSegyFields, FieldNamesAndWidths) {
  EXPECT_EQ(segy::fieldBytesText(21), "bytes 21-24");
  EXPECT_EQ(segy::fieldBytesText(71), "bytes 71-72");
  EXPECT_EQ(segy::fieldBytesText(233), "bytes 233-236");
  EXPECT_TRUE(segy::isTraceHeaderField(189));
  EXPECT_FALSE(segy::isTraceHeaderField(190));
  EXPECT_FALSE(segy::isTraceHeaderField(241));
  EXPECT_TRUE(segy::isFieldExportWrites(37));
  EXPECT_FALSE(segy::isFieldExportWrites(233));
}
