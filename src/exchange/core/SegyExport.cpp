// SEG-Y export: a trace file, walked header by header, written as SEG-Y by segyio.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "exchange/core/SegyFields.h"
#include "platform/RawFile.h"
#include "shared/ExchangeOutput.h"
#include "shared/FileUtil.h"
#include "shared/TraceWalker.h"

namespace tsly::segy {

namespace {

// What export needs of one trace of the input, from the header walk.
struct TraceNote {
  std::int64_t pos = 0;
  std::int16_t code = 0;
  std::int16_t velocity = 0;  // of the panel the trace belongs to; 0: none
  std::int16_t samples = 0;
  std::int16_t interval = 0;
};

std::string textHeader(const std::string& in, int dataType, const ExportOptions& o, bool hasPanels) {
  std::vector<std::string> lines = {
      "SEG-Y WRITTEN BY TESSALY (TSLY EXPORT-SEGY)",
      "SOURCE: " + in,
      "DATA TYPE:" + dataTypeText(dataType) + " (CODE " + plainNumberText(dataType) + ")",
      "CDP IN BYTES 21-24, TRACE NUMBER IN CDP IN 25-28, TRACE ID IN 29-30 (2 DEAD)",
      "OFFSET IN BYTES 37-40 (NOT SCALED), RECORDING DELAY IN 109-110 (MS)",
      "SAMPLES: 4-BYTE IEEE FLOATS (FORMAT 5), BIG-ENDIAN",
  };
  if (hasPanels) {
    std::string bytes = fieldBytesText(o.velocityByte);
    for (char& c : bytes) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    lines.push_back("PANEL VELOCITY IN " + bytes);
    lines.push_back(o.withSeparators ? "PANEL SEPARATORS WRITTEN AS DUMMY TRACES (TRACE ID 3)"
                                     : "PANEL SEPARATOR TRACES LEFT OUT");
  }
  std::string t(3200, ' ');
  for (std::size_t i = 0; i < 40; ++i) {
    std::string line;
    if (i == 39) {
      line = "C40 END TEXTUAL HEADER";
    } else {
      line = (i + 1 < 10 ? "C " : "C") + std::to_string(i + 1) + " ";
      if (i < lines.size()) line += lines[i];
    }
    for (char& c : line)
      if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) c = '?';
    line.resize(80, ' ');
    t.replace(i * 80, 80, line);
  }
  return t;
}

// "" or why the options can not be exported.
std::string checkExportOptions(const std::string& in, const std::string& out, const ExportOptions& o) {
  if (!isTraceHeaderField(o.velocityByte) || isFieldExportWrites(o.velocityByte))
    return "velocity field " + text(o.velocityByte) +
           (isTraceHeaderField(o.velocityByte) ? " is a field export writes itself; name another"
                                               : " is not the first byte of a SEG-Y trace-header field");
  if (sameExistingFile(in, out)) return "input and output are the same file";
  return {};
}

// Walks the headers of the trace file: where each trace lies, its code, and
// the velocity of the panel it belongs to (known when the separator closing
// the panel is met). `dataType` is the first trace's. "" or why not.
std::string walkTraces(int handle, const std::string& in, std::vector<TraceNote>& notes, int& dataType,
                       ExchangeResult& r) {
  std::size_t panelStart = 0;
  TraceWalker walk(handle);
  while (walk.next()) {
    const HeaderArray& h = walk.header();
    if (notes.empty()) dataType = h[WordDataType];
    TraceNote t;
    t.pos = walk.pos();
    t.code = h[WordTraceCode];
    t.samples = h[WordNumSamples];
    t.interval = h[WordSampleInterval];
    if (t.code == TraceCodeSeparator) {
      t.velocity = h[WordCdp];
      for (std::size_t k = panelStart; k < notes.size(); ++k) notes[k].velocity = t.velocity;
      panelStart = notes.size() + 1;
      ++r.panels;
    }
    notes.push_back(t);
  }
  if (walk.failed()) return in + ": " + walk.faultText();
  if (notes.empty()) return in + " holds no complete trace";
  if (walk.trailingBytes() > 0)
    r.notes.push_back(text(walk.trailingBytes()) + " bytes after the last complete trace were left out");
  return {};
}

// SEG-Y traces all have one length: checks every trace that will be written
// and sets the result's samples and interval. "" or why not.
std::string checkOneLength(const std::string& in, const std::vector<TraceNote>& notes, const ExportOptions& o,
                           ExchangeResult& r) {
  const TraceNote* first = nullptr;
  for (std::size_t k = 0; k < notes.size(); ++k) {
    const TraceNote& t = notes[k];
    if (t.code == TraceCodeSeparator && !o.withSeparators) continue;
    const std::string trace = traceText(static_cast<std::int64_t>(k) + 1);
    if (!first) {
      first = &t;
      if (t.interval <= 0)
        return in + ": " + trace + " has sample interval " + text(t.interval) +
               " microseconds (header word 59); SEG-Y needs a positive interval";
      continue;
    }
    if (t.samples != first->samples || t.interval != first->interval)
      return in + ": " + trace + " has " + text(t.samples) + " samples at " + text(t.interval) +
             " microseconds, the first trace " + text(first->samples) + " at " + text(first->interval) +
             "; SEG-Y traces all have one length and interval";
  }
  if (!first) return in + " holds only separator traces; nothing to export (add --with-separators to write them)";
  r.samples = first->samples;
  r.intervalUs = first->interval;
  r.tracesIn = static_cast<std::int64_t>(notes.size());
  if (r.tracesIn > 2147483647) return in + ": more traces than a SEG-Y file can number";
  return {};
}

// Writes the textual and binary file headers. Where the first trace starts,
// or -1 when segyio could not write them.
long writeFileHeaders(segy_file* fp, const std::string& in, int dataType, const ExportOptions& o,
                      const ExchangeResult& r) {
  const std::string th = textHeader(in, dataType, o, r.panels > 0);
  char bin[SEGY_BINARY_HEADER_SIZE] = {};
  segy_set_bfield(bin, SEGY_BIN_INTERVAL, r.intervalUs);
  segy_set_bfield(bin, SEGY_BIN_SAMPLES, r.samples);
  segy_set_bfield(bin, SEGY_BIN_FORMAT, SEGY_IEEE_FLOAT_4_BYTE);
  segy_set_bfield(bin, SEGY_BIN_SORTING_CODE,
                  dataType == DataCdpGather                                      ? 2
                  : (dataType == DataCdpStacked || dataType == DataVelocityScan) ? 4
                                                                                 : 0);
  segy_set_bfield(bin, SEGY_BIN_MEASUREMENT_SYSTEM, 1);
  segy_set_bfield(bin, SEGY_BIN_SEGY_REVISION, 0x0100);
  segy_set_bfield(bin, SEGY_BIN_TRACE_FLAG, 1);
  if (segy_write_textheader(fp, 0, th.c_str()) != SEGY_OK || segy_write_binheader(fp, bin) != SEGY_OK ||
      segy_set_format(fp, formatAndOrder(SEGY_IEEE_FLOAT_4_BYTE, false)) != SEGY_OK)
    return -1;
  return segy_trace0(bin);
}

// What the headers of export's traces needed beyond their own words.
struct HeaderCounts {
  std::int64_t noOffset = 0;       // gather traces without a valid offset
  std::int64_t roundedOffsets = 0; // offsets that were no whole number
};

// The SEG-Y header of a trace written as the outIndex-th (0-based): a
// separator as a dummy trace keeping the CDP before it (so that tools that bin
// by CDP keep it beside its panel), any other trace with its CDP, number in the
// CDP, identification, stack count, offset and recording delay. True when the
// trace has no valid offset (word 35 = 0): it is written with offset 0.
bool exportHeader(const HeaderArray& h, bool separator, int outIndex, std::int32_t lastCdp, const ExchangeResult& r,
                  char* sh, HeaderCounts& counts) {
  std::memset(sh, 0, SEGY_TRACE_HEADER_SIZE);
  segy_set_field(sh, SEGY_TR_SEQ_LINE, outIndex + 1);
  segy_set_field(sh, SEGY_TR_SEQ_FILE, outIndex + 1);
  segy_set_field(sh, SEGY_TR_SAMPLE_COUNT, r.samples);
  segy_set_field(sh, SEGY_TR_SAMPLE_INTER, r.intervalUs);
  segy_set_field(sh, SEGY_TR_SOURCE_GROUP_SCALAR, 1);
  segy_set_field(sh, SEGY_TR_SCALAR_TRACE_HEADER, 1);
  if (separator) {
    segy_set_field(sh, SEGY_TR_ENSEMBLE, lastCdp);
    segy_set_field(sh, SEGY_TR_TRACE_ID, SegyTraceDummy);
    return false;
  }
  segy_set_field(sh, SEGY_TR_ENSEMBLE, h[WordCdp]);
  segy_set_field(sh, SEGY_TR_NUM_IN_ENSEMBLE, h[WordSecondaryKey]);
  segy_set_field(sh, SEGY_TR_TRACE_ID, isLiveTrace(h) ? SegyTraceLive : SegyTraceDead);
  segy_set_field(sh, SEGY_TR_STACKED_TRACES, h[WordStackCount]);
  segy_set_field(sh, SEGY_TR_DELAY_REC_TIME, h[WordRecordingDelay]);
  if (!hasValidOffset(h)) return true;
  // The offset as it is: SEG-Y applies no scalar to it, so a fraction can only be rounded.
  const double offset = static_cast<double>(h[WordOffset]) / h[WordOffsetScalar];
  if (offset != std::floor(offset)) ++counts.roundedOffsets;
  segy_set_field(sh, SEGY_TR_OFFSET, static_cast<std::int32_t>(nearest(offset)));
  return false;
}

// Reads each trace of the walk and writes it as SEG-Y from trace0 on
// (separators only with withSeparators, with zero samples), counting the
// gather traces without a valid offset. "" or why not.
std::string writeTraces(segy_file* fp, long trace0, int handle, const std::string& in, const std::string& out,
                        const std::vector<TraceNote>& notes, int dataType, const ExportOptions& o, ExchangeResult& r,
                        const Progress& progress, HeaderCounts& counts) {
  const int bsize = segy_trsize(SEGY_IEEE_FLOAT_4_BYTE, r.samples);
  const std::int64_t total = r.tracesIn;
  std::vector<float> samples;
  std::vector<unsigned char> scratch;
  HeaderArray h{};
  char sh[SEGY_TRACE_HEADER_SIZE];
  std::int32_t lastCdp = 0;
  int outIndex = 0;
  for (std::int64_t k = 0; k < total; ++k) {
    const TraceNote& t = notes[static_cast<std::size_t>(k)];
    const bool separator = t.code == TraceCodeSeparator;
    if (separator && !o.withSeparators) {
      reportProgress(progress, k + 1, total);
      continue;
    }
    if (readTraceAt(handle, t.pos, h, samples, scratch) != TraceReadStatus::Ok)
      return in + ": cannot read " + traceText(k + 1);
    // Gathers need their offsets; in stacked panels an offset means nothing.
    if (exportHeader(h, separator, outIndex, lastCdp, r, sh, counts) &&
        (dataType == DataCdpGather || dataType == DataSpecialOrder))
      ++counts.noOffset;
    if (separator) {
      std::fill(samples.begin(), samples.end(), 0.0f);
      ++r.separators;
    } else {
      lastCdp = h[WordCdp];
    }
    segy_set_field(sh, o.velocityByte, t.velocity);
    samples.resize(static_cast<std::size_t>(r.samples), 0.0f);
    segy_from_native(SEGY_IEEE_FLOAT_4_BYTE, r.samples, samples.data());
    if (segy_write_traceheader(fp, outIndex, sh, trace0, bsize) != SEGY_OK ||
        segy_writetrace(fp, outIndex, samples.data(), trace0, bsize) != SEGY_OK)
      return "writing " + out + " failed (disk full?)";
    ++outIndex;
    ++r.tracesOut;
    reportProgress(progress, k + 1, total);
  }
  return {};
}

}  // namespace

ExchangeResult exportSegy(const std::string& in, const std::string& out, const ExportOptions& o,
                          const Progress& progress) {
  ExchangeResult r;
  r.segyFormat = SEGY_IEEE_FLOAT_4_BYTE;
  if (r.error = checkExportOptions(in, out, o); !r.error.empty()) return r;
  int handle = rawOpen(in, RawAccess::ReadOnly);
  if (handle < 0) {
    r.error = "cannot open " + in + ": " + std::strerror(errno);
    return r;
  }
  struct HandleCloser {
    int& h;
    ~HandleCloser() { rawClose(h); }
  } closer{handle};
  std::vector<TraceNote> notes;
  int dataType = 0;
  r.error = walkTraces(handle, in, notes, dataType, r);
  if (r.error.empty()) r.error = checkOneLength(in, notes, o, r);
  if (!r.error.empty()) return r;

  AtomicFile temp;
  if (!temp.open(out)) {
    r.error = exchangeOutputError(temp);
    return r;
  }
  SegyPtr fp(segy_open(temp.tempPath().c_str(), "w+b"));
  if (!fp) {
    r.error = "cannot write " + temp.tempPath() + ": " + std::strerror(errno);
    return r;
  }
  const std::string writeFailed = "writing " + out + " failed (disk full?)";
  const long trace0 = writeFileHeaders(fp.get(), in, dataType, o, r);
  if (trace0 < 0) {
    r.error = writeFailed;
    return r;
  }
  HeaderCounts counts;
  r.error = writeTraces(fp.get(), trace0, handle, in, out, notes, dataType, o, r, progress, counts);
  if (!r.error.empty()) return r;
  if (segy_close(fp.release()) != SEGY_OK) {
    r.error = writeFailed;
    return r;
  }
  if (!temp.commit()) {
    r.error = exchangeOutputError(temp);
    return r;
  }
  if (counts.noOffset > 0)
    r.notes.push_back(text(counts.noOffset) +
                      " traces had no valid offset (header word 35 = 0) and were written with offset 0");
  if (counts.roundedOffsets > 0)
    r.notes.push_back(text(counts.roundedOffsets) +
                      " offsets were no whole number and were written rounded (SEG-Y offsets are integers)");
  r.ok = true;
  return r;
}

}  // namespace tsly::segy
