// Writes the SEG-Y files (through segyio) and picks files the exchange
// command-line tests read. Usage: make_exchange_files DIR
#include <cstdio>
#include <string>

#include "support/SegyFixtures.h"
#include "support/TempDir.h"

using namespace tsly::test;

namespace {

std::vector<float> wavelet(int n, float amp) {
  std::vector<float> v(static_cast<size_t>(n), 0.0f);
  for (int i = 8; i < 13 && i < n; ++i) v[static_cast<size_t>(i)] = amp * static_cast<float>(i - 10) * 0.5f;
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_exchange_files DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  try {
    // A gather from another system: IBM floats, offsets in decimetres (scalar -10),
    // the third trace dead.
    SegyRecipe gather;
    gather.format = SEGY_IBM_FLOAT_4_BYTE;
    gather.samples = 25;
    gather.interval = 4000;
    for (int cdp : {2001, 2002})
      for (int k = 0; k < 3; ++k)
        gather.traces.push_back({.cdp = cdp, .offset = 1005 * (k + 1), .scalar = -10, .id = k == 2 ? 2 : 1,
                                 .inEnsemble = k + 1, .stacked = 1, .fields = {}, .samples = wavelet(25, 8.0f)});
    writeSegy(dir + "/foreign.sgy", gather);

    // Velocity-scan panels, the velocity in bytes 189-192.
    SegyRecipe scan;
    scan.samples = 30;
    scan.interval = 2000;
    for (int v : {1600, 2000, 2400})
      for (int cdp : {201, 202})
        scan.traces.push_back({.cdp = cdp, .offset = 0, .scalar = 1, .id = 1, .inEnsemble = 0, .stacked = 9,
                               .fields = {{189, v}}, .samples = wavelet(30, v / 100.0f)});
    writeSegy(dir + "/scan.sgy", scan);

    // A file as field crews write it (revision 2, little-endian 16-bit unsigned
    // samples): offsets in metres with coordinates in decimetres (scalar -10 in
    // 71-72), a 200 ms delay (20 with time scalar 10), a binary header whose
    // interval is -2, a variable extended header, one trace-header extension,
    // and 12 stray bytes at the end.
    SegyRecipe field;
    field.format = 11;
    field.littleEndian = true;
    field.revision = 0x0200;
    field.binInterval = -2;
    field.extCount = -1;
    field.extText = {"((SEG: EndText))"};
    field.headerExtensions = 1;
    field.trailing = "twelve bytes";
    const int offsets[] = {50, 800, 1600, 2400};
    for (int k = 0; k < 4; ++k)
      field.traces.push_back({.cdp = 1001 + k / 2, .offset = offsets[k], .scalar = -10, .id = 1, .inEnsemble = k + 1,
                              .stacked = 1, .fields = {{73, 4500005 + 10 * k}, {109, 20}, {215, 10}},
                              .samples = std::vector<float>(50, 8.0f)});
    writeSegy(dir + "/field.sgy", field);

    // A CDP number beyond the 16-bit header word, on the second trace.
    SegyRecipe big = gather;
    big.traces[1].cdp = 40000;
    writeSegy(dir + "/bigcdp.sgy", big);

    // Picks for panels20.nmo (CDP 101; velocities 1500..2500 by 250; 200 ms).
    writeFile(dir + "/panels.picks", "# Tessaly picks for panels20.nmo\n101, 40, 1500\n101, 160, 2500\n101, 100.5, 2000\n");
    writeFile(dir + "/bad.picks",
              "# Tessaly picks for panels20.nmo\n101, 40, 1500\n102, 50, 1500\n101, 60, 0\n101, 250, 1750\n"
              "101, x, 2000\n");
    // Picks of a second-pass scan: velocities between those of panels20.nmo.
    writeFile(dir + "/between.picks", "# Tessaly picks for second.nmo\n101, 40, 1600\n101, 100.5, 2100\n101, 160, 2400\n");
    writeFile(dir + "/equal.picks", "101, 40, 1500\n101, 40, 1750\n");
    writeFile(dir + "/vfunc.picks",
              "# Tessaly picks for line.nmo\n111, 400, 1600\n101, 1000, 3000\n101, 1100, 2000\n101, 1500, 2500\n"
              "111, 800, 1900\n");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
