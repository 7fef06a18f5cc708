// Writes the small trace files the tsly golden and must-fail tests read.
// Usage: make_cli_files DIR
#include <cstdio>
#include <string>
#include <vector>

#include "support/TraceFileBuilder.h"

using tsly::test::TraceFileBuilder;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_cli_files DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  try {
    // Five panels of CDPs 101..103 (20 traces), velocities 1500..2500.
    TraceFileBuilder scan(4);
    for (int v : {1500, 1750, 2000, 2250, 2500}) scan.panel(101, 3, v, v / 10.0f);
    scan.writeTo(dir + "/panels20.nmo");
    // Two CDP runs, stacked data.
    TraceFileBuilder two(2, 100, 2000);
    for (int first : {101, 101, 106, 106, 101}) two.panel(first, 2, 1600);
    two.writeTo(dir + "/cdps2.dat");
    TraceFileBuilder nopanel(4);
    for (int k = 0; k < 5; ++k) nopanel.dataTrace(101 + k);
    nopanel.writeTo(dir + "/nopanel.dat");
    TraceFileBuilder().writeTo(dir + "/empty.dat");
    TraceFileBuilder shortf;
    shortf.rawBytes(std::vector<unsigned char>(100, 0));
    shortf.writeTo(dir + "/short.dat");
    TraceFileBuilder raw(0);
    raw.dataTrace(1);
    raw.writeTo(dir + "/raw.dat");
    TraceFileBuilder corrupt(4);
    corrupt.dataTrace(1).header(58, 0);
    corrupt.writeTo(dir + "/corrupt.dat");
    TraceFileBuilder cut(4);
    cut.panel(101, 3, 1500).truncate(3);
    cut.writeTo(dir + "/cut.dat");
    TraceFileBuilder key(3);
    key.dataTrace(1).header(3, 0);
    key.writeTo(dir + "/badkey.dat");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
