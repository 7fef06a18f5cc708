// segy-info: the layout of a SEG-Y file and a summary of its trace headers.
#include <unordered_set>

#include "exchange/core/SegyReader.h"

namespace tsly::segy {

namespace {

// A trace field an analyst checks: where it is and which scalar it takes.
struct FieldSpec {
  const char* name;
  int byte;
  int scalarByte;  // 0: none
};

constexpr FieldSpec Fields[] = {
    {"CDP", SEGY_TR_ENSEMBLE, 0},
    {"CDP or inline", SEGY_TR_INLINE, 0},
    {"crossline", SEGY_TR_CROSSLINE, 0},
    {"offset", SEGY_TR_OFFSET, 0},
    {"source X", SEGY_TR_SOURCE_X, SEGY_TR_SOURCE_GROUP_SCALAR},
    {"source Y", SEGY_TR_SOURCE_Y, SEGY_TR_SOURCE_GROUP_SCALAR},
    {"receiver X", SEGY_TR_GROUP_X, SEGY_TR_SOURCE_GROUP_SCALAR},
    {"receiver Y", SEGY_TR_GROUP_Y, SEGY_TR_SOURCE_GROUP_SCALAR},
    {"CDP X", SEGY_TR_CDP_X, SEGY_TR_SOURCE_GROUP_SCALAR},
    {"CDP Y", SEGY_TR_CDP_Y, SEGY_TR_SOURCE_GROUP_SCALAR},
    {"receiver elevation", SEGY_TR_RECV_GROUP_ELEV, SEGY_TR_ELEV_SCALAR},
    {"source elevation", SEGY_TR_SOURCE_SURF_ELEV, SEGY_TR_ELEV_SCALAR},
    {"delay (ms)", SEGY_TR_DELAY_REC_TIME, SEGY_TR_SCALAR_TRACE_HEADER},
    {"samples", SEGY_TR_SAMPLE_COUNT, 0},
    {"interval (us)", SEGY_TR_SAMPLE_INTER, 0},
    {"trace identification", SEGY_TR_TRACE_ID, 0},
};

// "21-24" of "bytes 21-24".
std::string bytesOnly(int byte) { return fieldBytesText(byte).substr(6); }

class FieldTally {
 public:
  explicit FieldTally(const FieldSpec& f) : f_(f) {
    s_.name = f.name;
    s_.bytes = bytesOnly(f.byte);
    if (f.scalarByte) s_.scalar = bytesOnly(f.scalarByte);
  }
  void add(const char* th) {
    std::int32_t raw = field(th, f_.byte);
    if (f_.byte == SEGY_TR_SAMPLE_COUNT) raw &= 0xFFFF;  // unsigned; segyio reads it signed
    const double v = f_.scalarByte ? scaled(raw, field(th, f_.scalarByte)) : raw;
    if (first_ || v < s_.min) s_.min = v;
    if (first_ || v > s_.max) s_.max = v;
    first_ = false;
    if (seen_.size() <= static_cast<std::size_t>(DistinctLimit)) seen_.insert(v);
  }
  FieldSummary summary() {
    s_.distinct = static_cast<std::int64_t>(seen_.size());
    return s_;
  }

 private:
  const FieldSpec& f_;
  FieldSummary s_;
  bool first_ = true;
  std::unordered_set<double> seen_;
};

}  // namespace

SegyInfo segyInfo(const std::string& path, const Progress& progress) {
  SegyInfo info;
  SegyReader reader;
  info.error = reader.open(path);
  if (!info.error.empty()) return info;
  const SegyLayout& l = reader.layout();
  info.layout = l;
  std::vector<FieldTally> tallies;
  for (const FieldSpec& f : Fields) tallies.emplace_back(f);
  char th[SEGY_TRACE_HEADER_SIZE] = {};
  for (std::int64_t i = 0; i < l.traces; ++i) {
    if (!reader.header(i, th)) {
      info.error = path + ": cannot read " + traceText(i + 1);
      return info;
    }
    for (FieldTally& t : tallies) t.add(th);
    reportProgress(progress, i + 1, l.traces);
  }
  for (FieldTally& t : tallies) info.fields.push_back(t.summary());
  info.ok = true;
  return info;
}

}  // namespace tsly::segy
