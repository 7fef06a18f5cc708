#include "exchange/core/SegyFields.h"

namespace tsly::segy {

namespace {

constexpr std::int64_t ProgressEvery = 256;

// Width in bytes of a trace-header field, as segyio writes it.
int fieldWidth(int byte) {
  char h[SEGY_TRACE_HEADER_SIZE] = {};
  if (segy_set_field(h, byte, -1) != SEGY_OK) return 0;
  int w = 0;
  for (char c : h) w += c != 0 ? 1 : 0;
  return w;
}

}  // namespace

void reportProgress(const Progress& progress, std::int64_t done, std::int64_t total) {
  if (progress && (done % ProgressEvery == 0 || done == total)) progress(done, total);
}

std::int32_t field(const char* header, int byte) {
  std::int32_t v = 0;
  if (segy_get_field(header, byte, &v) != SEGY_OK) return 0;
  return v;
}

double scaled(std::int32_t value, std::int32_t scalar) {
  if (scalar > 0) return static_cast<double>(value) * scalar;
  if (scalar < 0) return static_cast<double>(value) / -static_cast<double>(scalar);
  return value;
}

bool isTraceHeaderField(int byte) {
  std::int32_t v = 0;
  const char h[SEGY_TRACE_HEADER_SIZE] = {};
  return byte >= 1 && byte <= SEGY_TRACE_HEADER_SIZE && segy_get_field(h, byte, &v) == SEGY_OK;
}

std::string fieldBytesText(int byte) {
  const int w = fieldWidth(byte);
  if (w <= 0) return "byte " + text(byte);
  return "bytes " + text(byte) + "-" + text(byte + w - 1);
}

bool isFieldExportWrites(int byte) {
  switch (byte) {
    case SEGY_TR_SEQ_LINE:
    case SEGY_TR_SEQ_FILE:
    case SEGY_TR_ENSEMBLE:
    case SEGY_TR_NUM_IN_ENSEMBLE:
    case SEGY_TR_TRACE_ID:
    case SEGY_TR_STACKED_TRACES:
    case SEGY_TR_OFFSET:
    case SEGY_TR_SOURCE_GROUP_SCALAR:
    case SEGY_TR_DELAY_REC_TIME:
    case SEGY_TR_SCALAR_TRACE_HEADER:
    case SEGY_TR_SAMPLE_COUNT:
    case SEGY_TR_SAMPLE_INTER: return true;
    default: return false;
  }
}

int sampleBytes(int format) {
  switch (format) {
    case SEGY_IBM_FLOAT_4_BYTE:
    case SEGY_SIGNED_INTEGER_4_BYTE:
    case SEGY_IEEE_FLOAT_4_BYTE:
    case FormatUInt32: return 4;
    case SEGY_SIGNED_SHORT_2_BYTE:
    case FormatUInt16: return 2;
    case SEGY_SIGNED_CHAR_1_BYTE:
    case FormatUInt8: return 1;
    case FormatIeeeDouble:
    case FormatInt64:
    case FormatUInt64: return 8;
    case FormatInt24:
    case FormatUInt24: return 3;
    default: return 0;
  }
}

bool segyioConverts(int format) {
  switch (format) {
    case SEGY_IBM_FLOAT_4_BYTE:
    case SEGY_SIGNED_INTEGER_4_BYTE:
    case SEGY_SIGNED_SHORT_2_BYTE:
    case SEGY_IEEE_FLOAT_4_BYTE:
    case SEGY_SIGNED_CHAR_1_BYTE: return true;
    default: return false;
  }
}

std::string formatName(int code) {
  switch (code) {
    case SEGY_IBM_FLOAT_4_BYTE: return "IBM float";
    case SEGY_SIGNED_INTEGER_4_BYTE: return "32-bit integer";
    case SEGY_SIGNED_SHORT_2_BYTE: return "16-bit integer";
    case SEGY_FIXED_POINT_WITH_GAIN_4_BYTE: return "fixed point with gain";
    case SEGY_IEEE_FLOAT_4_BYTE: return "IEEE float";
    case FormatIeeeDouble: return "8-byte IEEE float";
    case FormatInt24: return "24-bit integer";
    case SEGY_SIGNED_CHAR_1_BYTE: return "8-bit integer";
    case FormatInt64: return "64-bit integer";
    case FormatUInt32: return "32-bit unsigned integer";
    case FormatUInt16: return "16-bit unsigned integer";
    case FormatUInt64: return "64-bit unsigned integer";
    case FormatUInt24: return "24-bit unsigned integer";
    case FormatUInt8: return "8-bit unsigned integer";
    default: return "format " + text(code);
  }
}
}  // namespace tsly::segy
