// SEG-Y files as field crews and other programs write them: offsets and
// delays with their scalars, headers that disagree, every numeric sample
// format in both byte orders, revision-2 layouts, trailing bytes, the CDP
// field and renumbering, and what segy-info reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "exchange/core/SegyExchange.h"
#include "support/GenFixtures.h"
#include "support/SegyFixtures.h"

using namespace tsly;
using namespace tsly::test;

namespace {

SegyRecipe smallSpec(int traces = 3) {
  SegyRecipe s;
  s.samples = 5;
  s.interval = 4000;
  for (int k = 0; k < traces; ++k)
    s.traces.push_back({.cdp = 7, .offset = 100 * (k + 1), .scalar = 0, .id = 1, .inEnsemble = k + 1, .stacked = 1,
                        .fields = {}, .samples = {1, -2, 3, -4, static_cast<float>(k)}});
  return s;
}

struct Imported {
  segy::ExchangeResult r;
  std::vector<ReadTrace> traces;
};

Imported importSpec(const TempDir& d, const SegyRecipe& s, const segy::ImportOptions& o = {}) {
  writeSegy(d.file("in.sgy"), s);
  Imported i;
  i.r = segy::importSegy(d.file("in.sgy"), d.file("out.dat"), o);
  if (i.r.ok) i.traces = readTraces(d.file("out.dat"));
  return i;
}

}  // namespace

TEST(ExchangeSegyFiles, OffsetsAreNeverScaledAndDelaysTakeTheTimeScalar) {
  struct Row {
    int offset, coordinateScalar, delay, timeScalar;
    std::int16_t wantDelay;
  } rows[] = {
      {50, -100, 200, 0, 200}, {2400, -100, 200, 1, 200}, {1234, 10, 20, 10, 200},
      {-75, 0, 2000, -10, 200}, {0, 1, -100, 0, -100}, {300, -10, 2005, -10, 200},  // 200.5 rounds to even
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.offset);
    TempDir d;
    SegyRecipe s = smallSpec(1);
    s.traces[0].offset = row.offset;
    s.traces[0].scalar = row.coordinateScalar;
    s.traces[0].fields = {{109, row.delay}, {215, row.timeScalar}};
    const Imported i = importSpec(d, s);
    ASSERT_TRUE(i.r.ok) << i.r.error;
    EXPECT_EQ(i.traces[0].h[WordOffset], row.offset);
    EXPECT_EQ(i.traces[0].h[WordOffsetScalar], 1);
    EXPECT_EQ(i.traces[0].h[WordRecordingDelay], row.wantDelay);
    EXPECT_EQ(i.r.notes.size(), row.delay == 2005 ? 1u : 0u);
  }
}

TEST(ExchangeSegyFiles, ExportWritesOffsetAndDelayAsTheyAreAndARoundTripKeepsThem) {
  TempDir d;
  std::vector<GatherTrace> g(4);
  g[0].offset = 12345, g[0].scalar = 10;  // 1234.5: rounded to 1234
  g[1].offset = 2400, g[1].scalar = 1;
  g[2].offset = -250, g[2].scalar = -1;   // 250
  g[3].offset = 777, g[3].scalar = 0;     // no valid offset: 0
  for (auto& t : g) t.samples = std::vector<float>(10, 1.0f), t.extraWords = {{WordRecordingDelay, 200}};
  writeGather(d.file("g.dat"), g);
  const auto r = segy::exportSegy(d.file("g.dat"), d.file("g.sgy"), {});
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.notes, (std::vector<std::string>{
                         "1 traces had no valid offset (header word 35 = 0) and were written with offset 0",
                         "1 offsets were no whole number and were written rounded (SEG-Y offsets are integers)"}));
  const SegyContents c = readSegy(d.file("g.sgy"));
  EXPECT_EQ(c.text.find("PANEL"), std::string::npos);
  const int want[] = {1234, 2400, 250, 0};
  for (size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(c.field(k, SEGY_TR_OFFSET), want[k]);
    EXPECT_EQ(c.field(k, SEGY_TR_SOURCE_GROUP_SCALAR), 1);
    EXPECT_EQ(c.field(k, SEGY_TR_DELAY_REC_TIME), 200);
    EXPECT_EQ(c.field(k, SEGY_TR_SCALAR_TRACE_HEADER), 1);
  }
  ASSERT_TRUE(segy::importSegy(d.file("g.sgy"), d.file("back.dat"), {}).ok);
  const auto b = readTraces(d.file("back.dat"));
  for (size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(b[k].h[WordOffset], want[k]);
    EXPECT_EQ(b[k].h[WordRecordingDelay], 200);
  }
}

TEST(ExchangeSegyFiles, SampleCountAndIntervalFromWhicheverHeaderHoldsThem) {
  struct Row {
    int binInterval, traceInterval, binSamples, traceSamples;
    int wantInterval;
    std::string message;  // the note, or the refusal when wantInterval is 0
  } rows[] = {
      {-2, 4000, 5, 5, 4000,
       "sample interval: binary header (bytes 3217-3218) -2, first trace header (bytes 117-118) 4000; 4000 "
       "microseconds used"},
      {2000, 4000, 5, 5, 2000,
       "sample interval: binary header (bytes 3217-3218) 2000, first trace header (bytes 117-118) 4000; 2000 "
       "microseconds used"},
      {4000, 4000, 0, 5, 4000,
       "samples per trace: binary header (bytes 3221-3222) 0, first trace header (bytes 115-116) 5; 5 used"},
      {4000, 4000, 5, 5, 4000, ""},
      {0, -4, 5, 5, 0,
       "no usable sample interval in binary header (bytes 3217-3218) 0, first trace header (bytes 117-118) -4"},
      {4000, 4000, 0, 0, 0,
       "no sample count in binary header (bytes 3221-3222) 0, first trace header (bytes 115-116) 0"},
      {4000, 4000, 32768, 5, 0, "32768 samples per trace; a trace file holds at most 32767 (header word 58)"},
      {4000, 4000, 0, 40000, 0, "40000 samples per trace; a trace file holds at most 32767 (header word 58)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    TempDir d;
    SegyRecipe s = smallSpec();
    s.binInterval = row.binInterval;
    s.binSamples = row.binSamples;
    s.traces[0].fields = {{117, row.traceInterval}, {115, row.traceSamples}};
    const Imported i = importSpec(d, s);
    if (row.wantInterval == 0) {
      EXPECT_EQ(i.r.error, d.file("in.sgy") + ": " + row.message);
      continue;
    }
    ASSERT_TRUE(i.r.ok) << i.r.error;
    EXPECT_EQ(i.r.intervalUs, row.wantInterval);
    EXPECT_EQ(i.r.samples, 5);
    EXPECT_EQ(i.r.notes, row.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.message});
    EXPECT_EQ(i.traces.size(), 3u);
    EXPECT_EQ(i.traces[2].s, (std::vector<float>{1, -2, 3, -4, 2}));
  }
}

TEST(ExchangeSegyFiles, EveryNumericSampleFormatInBothByteOrders) {
  for (int format : {1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 15, 16})
    for (bool lsb : {false, true}) {
      SCOPED_TRACE(std::to_string(format) + (lsb ? " little-endian" : " big-endian"));
      const bool isUnsigned = format >= 10;
      const bool isFloat = format == 1 || format == 5 || format == 6;
      std::vector<float> want = {isUnsigned ? 7.0f : -7.0f, 100, 3, 0, 127};
      if (isFloat) want = {1.5f, -2.25f, 100, 0, 0.1f};
      TempDir d;
      SegyRecipe s = smallSpec(2);
      s.format = format;
      s.littleEndian = lsb;
      s.orderConstant = format == 9;  // one file that states its order
      for (auto& t : s.traces) t.samples = want;
      const Imported i = importSpec(d, s);
      ASSERT_TRUE(i.r.ok) << i.r.error;
      EXPECT_EQ(i.r.segyFormat, format);
      EXPECT_EQ(i.r.littleEndian, lsb);
      ASSERT_EQ(i.traces.size(), 2u);
      if (format == 1) want[4] = i.traces[1].s[4];  // 0.1 is no IBM float; compared near below
      EXPECT_EQ(i.traces[1].s, want);
      EXPECT_NEAR(i.traces[1].s[4], isFloat ? 0.1f : 127.0f, 1e-6);
      EXPECT_EQ(i.traces[1].h[WordOffset], 200);
    }
}

TEST(ExchangeSegyFiles, FormatsThatHoldNoNumbersAreRefusedByName) {
  const std::pair<int, std::string> rows[] = {
      {4, "sample format 4 (4-byte fixed point with gain, obsolete) is not read; convert the file to another sample "
          "format"},
      {13, "sample format code 13 is not a SEG-Y sample format (this program reads codes 1-3, 5-12, 15 and 16)"},
  };
  for (const auto& [code, message] : rows) {
    TempDir d;
    SegyRecipe s = smallSpec();
    s.binaryFormat = code;
    EXPECT_EQ(importSpec(d, s).r.error, d.file("in.sgy") + ": " + message);
  }
}

TEST(ExchangeSegyFiles, RevisionTwoLayoutsAndTrailingBytes) {
  struct Row {
    const char* name;
    std::function<void(SegyRecipe&)> make;
    std::string note;
  } rows[] = {
      {"variable EBCDIC", [](SegyRecipe& s) { s.extCount = -1, s.extText = {"C1 MORE TEXT", "((SEG: EndText))"}; }, ""},
      {"variable ASCII",
       [](SegyRecipe& s) { s.extCount = -1, s.extAscii = true, s.extText = {"((SEG: ENDTEXT))"}; }, ""},
      {"counted", [](SegyRecipe& s) { s.extText = {"C1 ONE RECORD"}; }, ""},
      {"extensions", [](SegyRecipe& s) { s.revision = 0x0200, s.headerExtensions = 2; }, ""},
      {"extensions LE", [](SegyRecipe& s) { s.revision = 0x0200, s.headerExtensions = 1, s.littleEndian = true; }, ""},
      {"16-bit extensions", [](SegyRecipe& s) { s.revision = 0x0200, s.headerExtensions = 3u << 16; }, ""},
      {"trailing", [](SegyRecipe& s) { s.trailing = "1234567"; }, "7 bytes after the last whole trace were left out"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir d;
    SegyRecipe s = smallSpec();
    row.make(s);
    if (s.headerExtensions > 0xFFFF) {  // written as a 16-bit word in 3507-3508: three extensions
      SegyRecipe three = s;
      three.headerExtensions = 3;
      writeSegy(d.file("in.sgy"), three);
      std::fstream f(d.file("in.sgy"), std::ios::binary | std::ios::in | std::ios::out);
      f.seekp(3506);
      f.write("\0\3\0\0", 4);
    } else {
      writeSegy(d.file("in.sgy"), s);
    }
    const auto r = segy::importSegy(d.file("in.sgy"), d.file("out.dat"), {});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.notes, row.note.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.note});
    const auto t = readTraces(d.file("out.dat"));
    ASSERT_EQ(t.size(), 3u);
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(t[k].h[WordOffset], 100 * (k + 1));
      EXPECT_EQ(t[k].s, (std::vector<float>{1, -2, 3, -4, static_cast<float>(k)}));
    }
  }
}

TEST(ExchangeSegyFiles, LayoutsThatCannotBeReadAreRefusedBeforeSegyioIsAsked) {
  TempDir d;
  SegyRecipe s = smallSpec();
  s.extCount = -1;
  s.extText = {"C1 NO STANZA"};
  writeSegy(d.file("open.sgy"), s);
  EXPECT_EQ(segy::importSegy(d.file("open.sgy"), d.file("out.dat"), {}).error,
            d.file("open.sgy") +
                ": the binary header announces a variable number of extended textual headers (-1 in bytes "
                "3505-3506), but no ((SEG: EndText)) stanza closes them");
  // A sparse file of more one-byte traces than an int can number.
  s = smallSpec(1);
  s.format = 8;
  s.samples = 1;
  writeSegy(d.file("huge.sgy"), s);
  std::filesystem::resize_file(d.file("huge.sgy"), 3600 + 241LL * 2147483648LL);
  EXPECT_EQ(segy::importSegy(d.file("huge.sgy"), d.file("out.dat"), {}).error,
            d.file("huge.sgy") + ": 2147483648 traces of 241 bytes; at most 2147483647 can be read");
  EXPECT_EQ(segy::segyInfo(d.file("huge.sgy")).error,
            d.file("huge.sgy") + ": 2147483648 traces of 241 bytes; at most 2147483647 can be read");
  EXPECT_FALSE(std::filesystem::exists(d.file("out.dat")));
}

TEST(ExchangeSegyFiles, CdpFromAnyFieldAndRenumbered) {
  struct Row {
    segy::ImportOptions options;
    std::vector<int> cdps21, cdps189;
    std::vector<std::int16_t> want;
    std::string csv;
  } rows[] = {
      {{.cdpByte = 189}, {0, 0, 0}, {9, 9, 10}, {9, 9, 10}, ""},
      {{.renumber = true}, {70000, 70000, 5, 70001, 5}, {}, {1, 1, 2, 3, 2},
       "new_cdp,original_cdp\n1,70000\n2,5\n3,70001\n"},
      {{.cdpByte = 189, .renumber = true}, {1, 1}, {-3, 400000}, {1, 2}, "new_cdp,original_cdp\n1,-3\n2,400000\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.want.size());
    TempDir d;
    SegyRecipe s = smallSpec(static_cast<int>(row.want.size()));
    for (size_t k = 0; k < row.want.size(); ++k) {
      s.traces[k].cdp = row.cdps21[k];
      if (!row.cdps189.empty()) s.traces[k].fields = {{189, row.cdps189[k]}};
    }
    const Imported i = importSpec(d, s, row.options);
    ASSERT_TRUE(i.r.ok) << i.r.error;
    std::vector<std::int16_t> got;
    for (const auto& t : i.traces) got.push_back(t.h[WordCdp]);
    EXPECT_EQ(got, row.want);
    EXPECT_EQ(std::filesystem::exists(segy::cdpMapPath(d.file("out.dat"))), !row.csv.empty());
    if (!row.csv.empty()) {
      EXPECT_EQ(readFile(segy::cdpMapPath(d.file("out.dat"))), row.csv);
    }
  }
}

TEST(ExchangeSegyFiles, InfoSummarisesTheHeadersWithTheirScalars) {
  TempDir d;
  SegyRecipe s = smallSpec(4);
  s.littleEndian = true;
  s.binInterval = -2;
  for (int k = 0; k < 4; ++k)
    s.traces[k].fields = {{71, -100}, {73, 150000 + 100 * k}, {81, -2500}, {69, 10}, {41, 12},
                          {109, 2000}, {215, -10}, {189, 500 + k / 2}};
  writeSegy(d.file("in.sgy"), s);
  const segy::SegyInfo info = segy::segyInfo(d.file("in.sgy"));
  ASSERT_TRUE(info.ok) << info.error;
  EXPECT_TRUE(info.layout.littleEndian);
  EXPECT_EQ(info.layout.traces, 4);
  EXPECT_EQ(info.layout.intervalUs, 4000);
  EXPECT_EQ(info.layout.binInterval, -2);
  EXPECT_EQ(info.layout.notes.size(), 1u);
  struct Want {
    const char* name;
    double min, max;
    std::int64_t distinct;
  } want[] = {{"CDP", 7, 7, 1},           {"CDP or inline", 500, 501, 2}, {"offset", 100, 400, 4},
              {"source X", 1500, 1503, 4}, {"receiver X", -25, -25, 1},   {"receiver elevation", 120, 120, 1},
              {"delay (ms)", 200, 200, 1}, {"samples", 5, 5, 1},          {"interval (us)", 4000, 4000, 1}};
  for (const Want& w : want) {
    SCOPED_TRACE(w.name);
    auto f = std::find_if(info.fields.begin(), info.fields.end(), [&](const auto& x) { return x.name == w.name; });
    ASSERT_NE(f, info.fields.end());
    EXPECT_EQ(f->min, w.min);
    EXPECT_EQ(f->max, w.max);
    EXPECT_EQ(f->distinct, w.distinct);
  }
}
