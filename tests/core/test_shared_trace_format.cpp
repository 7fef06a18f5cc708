// Trace format round trips and byte layout.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <fstream>
#include <tuple>
#include <vector>

#include "platform/RawFile.h"
#include "shared/TraceFormat.h"
#include "shared/TraceWalker.h"
#include "support/TraceFileBuilder.h"

using namespace tsly;
using namespace tsly::test;

namespace {

int createRw(const std::string& path) {
  tsly::test::writeFile(path, "");
  return rawOpen(path, RawAccess::ReadWrite);
}

}  // namespace

TEST(SharedTraceFormat, RoundTripOfBothSampleWidthsAndDifferingLengths) {
  TempDir d;
  int h = createRw(d.file("rt.dat"));
  ASSERT_GT(h, 0);
  std::vector<unsigned char> scratch;
  HeaderArray a{}, b{};
  a[WordDataType] = 2;
  a[WordCdp] = -1234;
  a[WordNumSamples] = 5;
  a[WordSampleInterval] = 2000;
  a[WordSampleFormat] = FloatFormatMarker;
  a[120] = 32767;
  std::vector<float> fa = {0.5f, -1.25f, 3e7f, -0.0f, 1e-20f};
  b = a;
  b[WordNumSamples] = 4;
  b[WordSampleFormat] = 0;
  std::vector<float> fb = {-32768.0f, 32767.0f, 2.5f, 3.5f};  // 2-byte samples round halves to even
  ASSERT_TRUE(writeTrace(h, a, fa.data(), 5, scratch));
  ASSERT_TRUE(writeTrace(h, b, fb.data(), 4, scratch));
  rawClose(h);
  EXPECT_EQ(tsly::test::readFile(d.file("rt.dat")).size(), 240u + 20u + 240u + 8u);

  h = rawOpen(d.file("rt.dat"), RawAccess::ReadOnly);
  HeaderArray r{};
  std::vector<float> s;
  ASSERT_EQ(readTraceAt(h, 260, r, s, scratch), TraceReadStatus::Ok);
  EXPECT_EQ(r, b);
  EXPECT_EQ(s, (std::vector<float>{-32768.0f, 32767.0f, 2.0f, 4.0f}));
  ASSERT_EQ(readTraceAt(h, 0, r, s, scratch), TraceReadStatus::Ok);
  EXPECT_EQ(r, a);
  ASSERT_EQ(s.size(), 5u);
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(std::memcmp(&s[i], &fa[i], 4), 0) << i;  // bit for bit
  EXPECT_EQ(readTraceAt(h, 500, r, s, scratch), TraceReadStatus::HeaderShort);
  rawClose(h);
}

// The block reader gives every trace exactly as readTraceAt does (header,
// samples, status), whatever stretch it was told to expect and however large
// its blocks: traces of both widths and several lengths, one declaring no
// samples, one longer than a block, a file cut short in the last trace,
// positions past the end, before the start and outside the stretch.
TEST(SharedTraceFormat, BlockReaderGivesWhatReadingEachTraceGives) {
  TempDir d;
  TraceFileBuilder b;
  for (int k = 0; k < 12; ++k) b.samples(k == 5 ? 300 : 50 + k).floats(k % 4 != 2).dataTrace(1001 + k, 10.0f * k);
  b.samples(0).dataTrace(2000);  // no samples
  b.samples(60).dataTrace(2001).dataTrace(2002).truncate(100);
  const std::string path = d.file("blocks.dat");
  b.writeTo(path);
  std::vector<std::int64_t> at;
  for (std::int64_t pos = 0, size = std::filesystem::file_size(path); pos < size;) {
    at.push_back(pos);
    HeaderArray h{};
    std::vector<float> s;
    std::vector<unsigned char> scratch;
    int fd = rawOpen(path, RawAccess::ReadOnly);
    readTraceAt(fd, pos, h, s, scratch);
    rawClose(fd);
    pos += std::max<std::int64_t>(traceRecordBytes(h), HeaderBytes);
  }
  const std::int64_t end = std::filesystem::file_size(path);
  std::vector<std::int64_t> asked = at;
  asked.insert(asked.end(), {at[3], at[1], end + 10, -240, at[7]});  // back again, past the end, before the start
  struct Case {
    std::int64_t from, to, block;
  } cases[] = {{0, end + 1000, 1 << 20}, {0, end, 700}, {at[2], at[8], 1 << 20}, {0, at.back() + HeaderBytes, 512}};
  int fd = rawOpen(path, RawAccess::ReadOnly);
  for (const Case& c : cases) {
    TraceBlockReader reader(c.block);
    reader.plan(c.from, c.to);
    for (const std::int64_t pos : asked) {
      HeaderArray h1{}, h2{};
      std::vector<float> s1, s2;
      std::vector<unsigned char> scratch;
      const TraceReadStatus want = readTraceAt(fd, pos, h1, s1, scratch);
      const TraceReadStatus got = reader.read(fd, pos, h2, s2, scratch);
      ASSERT_EQ(got, want) << "position " << pos << ", block " << c.block;
      if (want == TraceReadStatus::SeekFailed || want == TraceReadStatus::HeaderShort) continue;
      EXPECT_EQ(h2, h1) << pos;
      if (want == TraceReadStatus::Ok) {
        EXPECT_EQ(s2, s1) << pos;
      }
    }
    if (&c == &cases[0]) {
      EXPECT_LE(reader.reads(), 4);  // the file in one read, and the two beyond it
    }
  }
  rawClose(fd);
}

TEST(SharedTraceFormat, BytesAreLittleEndianWhateverTheHost) {
  TempDir d;
  TraceFileBuilder b(1, 2, 4000, true);
  b.trace(0x0102, 1, {1.0f, -2.0f}).header(1, 0x0304);
  b.floats(false).trace(-2, 1, {258.0f, -1.0f});
  b.writeTo(d.file("le.dat"));
  const std::string file = tsly::test::readFile(d.file("le.dat"));
  const std::vector<unsigned char> bytes(file.begin(), file.end());
  ASSERT_EQ(bytes.size(), 240u + 8u + 240u + 4u);
  EXPECT_EQ(bytes[0], 0x04);  // word 1
  EXPECT_EQ(bytes[1], 0x03);
  EXPECT_EQ(bytes[22], 0x02);  // word 12
  EXPECT_EQ(bytes[23], 0x01);
  EXPECT_EQ(bytes[118], 0xAA);  // word 60 = 21930 = 0x55AA
  EXPECT_EQ(bytes[119], 0x55);
  // 1.0f = 0x3F800000, stored low byte first.
  EXPECT_EQ(bytes[240], 0x00);
  EXPECT_EQ(bytes[243], 0x3F);
  // Second trace: 2-byte samples 258 = 0x0102 and -1 = 0xFFFF.
  EXPECT_EQ(bytes[248 + 240], 0x02);
  EXPECT_EQ(bytes[248 + 241], 0x01);
  EXPECT_EQ(bytes[248 + 242], 0xFF);
  EXPECT_EQ(bytes[248 + 243], 0xFF);
  EXPECT_EQ(bytes[248 + 22], 0xFE);  // word 12 = -2
  EXPECT_EQ(bytes[248 + 23], 0xFF);
}

TEST(SharedTraceFormat, BlockLengthFollowsWords58And60) {
  HeaderArray h{};
  h[WordNumSamples] = 500;
  h[WordSampleFormat] = FloatFormatMarker;
  EXPECT_EQ(traceDataBytes(h), 2000);
  h[WordSampleFormat] = 0;
  EXPECT_EQ(traceDataBytes(h), 1000);
  h[WordSampleFormat] = 21931;
  EXPECT_EQ(bytesPerSample(h), 2);
  h[WordNumSamples] = 32767;
  h[WordSampleFormat] = FloatFormatMarker;
  EXPECT_EQ(traceDataBytes(h), 131068);
  h[WordNumSamples] = -1;
  EXPECT_LT(traceDataBytes(h), 2);
  EXPECT_EQ(dataTypeText(0), " Raw Field Data");
  EXPECT_EQ(dataTypeText(1), " CDP Gather Data");
  EXPECT_EQ(dataTypeText(2), " CDP Stacked Data");
  EXPECT_EQ(dataTypeText(3), " Special Record Ordering Data");
  EXPECT_EQ(dataTypeText(4), " Velocity Scan Data");
  EXPECT_EQ(dataTypeText(5), " !Unknown data type!");
  EXPECT_EQ(dataTypeText(-1), " !Unknown data type!");
}

TEST(SharedTraceFormat, LiveTracesAndOffsets) {
  // Word 15: only dead (2) and separator (9) traces are not live.
  for (const auto& [code, live] : std::vector<std::pair<std::int16_t, bool>>{
           {1, true}, {0, true}, {3, true}, {-1, true}, {TraceCodeDead, false}, {TraceCodeSeparator, false}}) {
    HeaderArray h{};
    h[WordTraceCode] = code;
    EXPECT_EQ(isLiveTrace(h), live) << code;
  }
  // Word 19 divided by word 35, whatever its sign; word 35 = 0 has no offset.
  for (const auto& [w19, w35, offset] : std::vector<std::tuple<std::int16_t, std::int16_t, float>>{
           {300, 1, 300.0f}, {1200, 4, 300.0f}, {-600, -2, 300.0f}, {5, 2, 2.5f}, {-32768, 1, -32768.0f}}) {
    HeaderArray h{};
    h[WordOffset] = w19;
    h[WordOffsetScalar] = w35;
    EXPECT_TRUE(hasValidOffset(h));
    EXPECT_EQ(traceOffset(h), offset) << w19 << " / " << w35;
  }
  EXPECT_FALSE(hasValidOffset(HeaderArray{}));
}

TEST(SharedTraceWalker, WalksEveryTraceAndWordsEachFaultOnce) {
  struct Case {
    const char* name;
    std::function<void(TraceFileBuilder&)> build;  // after three whole traces
    std::string fault;
    std::int64_t trailing;
  };
  const std::vector<Case> cases = {
      {"whole", [](TraceFileBuilder&) {}, "", 0},
      {"leftOverBytes", [](TraceFileBuilder& b) { b.rawBytes(std::vector<unsigned char>(239, 7)); }, "", 239},
      {"noSamples", [](TraceFileBuilder& b) { b.dataTrace(4).header(WordNumSamples, 0).dataTrace(5); },
       "trace 4 has no samples (word 58 is 0); the file appears corrupt", 0},
      {"cutShort", [](TraceFileBuilder& b) { b.dataTrace(4).truncate(1); },
       "trace 4 is cut short (the file ends inside it)", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir d;
    TraceFileBuilder b(1, 20);
    b.dataTrace(1).floats(false).dataTrace(2, 50.0f, TraceCodeDead).floats(true).separator(1500);
    c.build(b);
    b.writeTo(d.file("w.dat"));
    int h = rawOpen(d.file("w.dat"), RawAccess::ReadOnly);
    TraceWalker walk(h);
    std::vector<std::int64_t> positions;
    std::vector<float> s;
    while (walk.next()) {
      positions.push_back(walk.pos());
      ASSERT_TRUE(walk.readSamples(s));
      EXPECT_EQ(s.size(), 20u);
    }
    rawClose(h);
    // Headers, then 2-byte samples for the second trace, floats for the others.
    EXPECT_EQ(positions, (std::vector<std::int64_t>{0, 320, 600}));
    EXPECT_EQ(walk.index(), c.fault.empty() ? 3 : 4);
    EXPECT_EQ(walk.faultText(), c.fault);
    EXPECT_EQ(walk.failed(), !c.fault.empty());
    if (c.fault.empty()) {
      EXPECT_EQ(walk.trailingBytes(), c.trailing);
    }
  }
}
