// Any bytes as a SEG-Y file, through import (as a gather or as panels, the CDP
// as it stands or renumbered) and through segy-info. Checks that every refusal
// carries its message, that an accepted file's output reads back as whole
// traces of the announced length and count, that segy-info and import agree
// on whether the file can be read, and that no temporary file is left behind.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "FuzzSupport.h"
#include "exchange/core/SegyExchange.h"
#include "platform/RawFile.h"
#include "shared/TraceWalker.h"

using namespace tsly;

namespace {

// A folder of this process for the outputs, on a memory file system when
// there is one, removed at exit. Its name is kept in a plain array: the exit
// handler runs after static strings are gone.
char folderName[64];

const char* outputFolder() {
  if (!folderName[0]) {
    std::snprintf(folderName, sizeof folderName, "%s/tsly-fuzz-segy-XXXXXX",
                  std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp");
    if (!mkdtemp(folderName)) fuzz::fail("mkdtemp");
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(folderName, ec);
    });
  }
  return folderName;
}

void checkOutput(const std::string& out, const segy::ExchangeResult& r) {
  int handle = rawOpen(out, RawAccess::ReadOnly);
  if (handle < 0) fuzz::fail("accepted import left no output");
  TraceWalker walk(handle);
  std::int64_t traces = 0;
  while (walk.next()) {
    ++traces;
    if (walk.header()[WordNumSamples] != r.samples) fuzz::fail("output trace of another length");
    if (walk.header()[WordSampleInterval] != r.intervalUs) fuzz::fail("output trace of another interval");
  }
  const bool whole = !walk.failed() && walk.trailingBytes() == 0;
  rawClose(handle);
  if (!whole) fuzz::fail("output is no whole trace file");
  if (traces != r.tracesOut) fuzz::fail("output trace count differs from the result");
  if (r.tracesIn < 1 || r.samples < 1 || r.intervalUs < 1) fuzz::fail("accepted import without traces");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::MemFile file;
  file.set(data, size);
  const std::string out = std::string(outputFolder()) + "/out.dat";
  segy::ImportOptions o;
  o.dataType = size % 2 ? 4 : 1;
  o.renumber = size % 3 == 0;
  o.cdpByte = size % 5 == 0 ? 189 : 21;
  const segy::ExchangeResult r = segy::importSegy(file.path(), out, o);
  if (!r.ok && r.error.empty()) fuzz::fail("refusal without a message");
  if (r.ok) checkOutput(out, r);
  if (r.ok && o.renumber && !std::filesystem::exists(segy::cdpMapPath(out))) fuzz::fail("no CDP mapping");

  const segy::SegyInfo info = segy::segyInfo(file.path());
  if (!info.ok && info.error.empty()) fuzz::fail("segy-info refusal without a message");
  if (r.ok && !info.ok) fuzz::fail("segy-info refuses a file import reads");
  if (info.ok && info.fields.empty()) fuzz::fail("segy-info without fields");

  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(outputFolder(), ec))
    if (e.path().filename().string().find(".tmp-") != std::string::npos) fuzz::fail("temporary file left behind");
  std::filesystem::remove(out, ec);
  std::filesystem::remove(segy::cdpMapPath(out), ec);
  return 0;
}
