// Trace format round trips and byte layout.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <vector>

#include "platform/RawFile.h"
#include "shared/TraceFormat.h"
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
