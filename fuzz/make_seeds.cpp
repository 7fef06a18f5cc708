// Writes the seed corpora of the fuzz targets: small valid inputs of each kind,
// made by the same helpers the tests use. Usage: fuzz_seeds DIR
// (creates DIR/<target>/seed-N for every target).
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "platform/LinkProtocol.h"
#include "shared/Settings.h"
#include "support/SegyFixtures.h"
#include "support/TraceFileBuilder.h"

namespace fs = std::filesystem;
using namespace tsly;
using tsly::test::TraceFileBuilder;

namespace {

fs::path root;
int counter = 0;

void put(const std::string& target, const std::string& bytes) {
  fs::create_directories(root / target);
  std::ofstream(root / target / ("seed-" + std::to_string(++counter)), std::ios::binary) << bytes;
}
std::string str(const std::vector<unsigned char>& b) { return std::string(b.begin(), b.end()); }

void putSegy(const tsly::test::SegyRecipe& recipe) {
  fs::create_directories(root / "fuzz_segy");
  tsly::test::writeSegy((root / "fuzz_segy" / ("seed-" + std::to_string(++counter))).string(), recipe);
}

// SEG-Y files as other programs write them: formats, byte orders, revision-2
// layouts, delays and scalars, panels, bytes after the last trace.
void segySeeds() {
  using tsly::test::SegyRecipe;
  SegyRecipe s;
  s.samples = 12;
  for (int k = 0; k < 4; ++k)
    s.traces.push_back({.cdp = 1001 + k / 2, .offset = 50 * (k + 1), .scalar = -100, .id = k == 3 ? 2 : 1,
                        .inEnsemble = k + 1, .stacked = 1, .fields = {{109, 200}, {215, 1}, {233, 1500 + 500 * (k / 2)}},
                        .samples = {0, 1, -2, 3, 0.5f}});
  for (int format : {1, 5, 3, 6, 7, 16}) {
    SegyRecipe f = s;
    f.format = format;
    f.littleEndian = format % 2 == 0;
    putSegy(f);
  }
  SegyRecipe rev2 = s;
  rev2.revision = 0x0200;
  rev2.extCount = -1;
  rev2.extText = {"((SEG: EndText))"};
  rev2.headerExtensions = 1;
  rev2.orderConstant = true;
  rev2.trailing = "tail";
  putSegy(rev2);
  SegyRecipe odd = s;
  odd.binInterval = -2;
  odd.binSamples = 0;
  odd.traces[0].cdp = 70000;
  putSegy(odd);
}

std::vector<std::string> traceFiles() {
  std::vector<std::string> files;
  TraceFileBuilder scan(4, 20);
  for (int v = 0; v < 3; ++v) scan.panel(101, 3, 1500 + 500 * v);
  for (int v = 0; v < 2; ++v) scan.panel(201, 2, 1500 + 500 * v);
  files.push_back(str(scan.bytes()));
  TraceFileBuilder stacked(2, 12, 4000, false);  // 2-byte samples
  stacked.panel(5, 2, 2000).panel(5, 2, 2500).dataTrace(9);
  files.push_back(str(stacked.bytes()));
  TraceFileBuilder gather(1, 10);
  for (int c = 0; c < 3; ++c)
    for (int k = 0; k < 2; ++k) gather.dataTrace(1001 + c).header(WordOffset, 100 * (k + 1)).header(WordOffsetScalar, 1);
  files.push_back(str(gather.bytes()));
  TraceFileBuilder special(3, 8);
  special.dataTrace(7).header(WordLabelWord, 17).header(WordSecondaryWord, 8).dataTrace(8);
  files.push_back(str(special.bytes()));
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: fuzz_seeds DIR\n";
    return 2;
  }
  root = argv[1];

  segySeeds();
  for (const auto& f : traceFiles()) {
    put("fuzz_scan", f);
    put("fuzz_redraw", std::string("\0\0\0", 3) + f);  // unchanged between scan and redraw
    const std::size_t half = f.size() / 2;
    std::string grown = std::string(1, '\1') + char(f.size() >> 8) + char(f.size() & 0xff) + f + f;
    put("fuzz_redraw", grown);                           // grew
    put("fuzz_redraw", std::string(1, '\x5b') + char(f.size() >> 8) + char(f.size() & 0xff) + f + f.substr(0, half));
  }

  AppState st;
  applyMissingSettingsDefaults(st);
  st.LastPath = "/data/line7";
  put("fuzz_settings", settingsText(st, {1200, 800, 9600, 7200}));
  st.SamplingRatio = 0.5f;
  st.AreaFillFlag = 1;
  st.LastPath = "/data/a,b";
  put("fuzz_settings", settingsText(st, {0, 0, 0, 0}));
  put("fuzz_settings", " 10  trace offset\n 100  tlength\n");

  for (const char* t : {"1001", " .5", "-3", "1.5E3", " 2 5", "+7e-2x", "2500.5", "1e39"}) put("fuzz_numbers", t);
  for (float f : {10.0f, 0.5f, -3.0f, 1234567.0f, 3.0e-7f}) {
    double d = f;
    std::string b(12, '\0');
    std::memcpy(b.data(), &d, 8);
    std::memcpy(b.data() + 8, &f, 4);
    put("fuzz_numbers", b);
  }

  using namespace tsly::dde;
  std::string conv;
  for (const Message& m : {connectMessage("JobPad", "orogdde"), pokeMessage("dde1", "VELF 101 0 1500"),
                           pokeMessage("dde2", "-1"), pokeMessage("dde3", ""), executeMessage("add"),
                           executeMessage("getpathtoorog"), requestMessage("dde1")})
    conv += *encode(m);
  put("fuzz_jobpad", conv);
  put("fuzz_jobpad", *encode(okMessage()) + *encode(valueMessage("\\worog15\\worog.exe")) + *encode(errorMessage(285)));

  put("fuzz_tsly_args", std::string(1, '\0') + "100:200:12");
  put("fuzz_tsly_args", std::string(1, '\1') + "2500.5");
  put("fuzz_tsly_args", std::string(1, '\2') + "400:1800,900:2200");
  put("fuzz_tsly_args", std::string(1, '\3') + " 2500.5 ");
  put("fuzz_tsly_args", std::string(1, '\3') + "-1.5E+3");
  // Picks files: one as Tessaly saves it, a CSV export, and rows of every fault.
  put("fuzz_picks", "# Tessaly picks for scan.nmo\n101, 40, 1500\n101, 160, 2500\n201, 100.5, 2000\n");
  put("fuzz_picks", "cdp,time_ms,velocity\n101,40,1500\n101,40,2000\n");
  put("fuzz_picks", std::string("101, x, 2000\n102, 50\n\x1b[2J, 1, 2\n101, 1e39, 1500\n") + std::string(1, '\0'));
  // Decks (first byte even): as Tessaly writes one, and with faults; CDP ranges (odd).
  const std::string deck =
      "*INPF gather.dat\r\n*NMOT  .5 0\r\nVELF 1001 100 1800 900 2200\r\nVELF 1005 120.5 1900\r\n"
      "*OUTF out.dat\r\n>>END\r\n";
  put("fuzz_deck", std::string(1, '\0') + deck);
  put("fuzz_deck", std::string(1, '\0') + "*INPF a\n*NMOT \x1b[2J\n");
  put("fuzz_deck", std::string(1, '\0') + "VELF 101-5 1.5E3 1800\n");
  // Found by fuzz_deck: a velocity (and times) that are 0 in single precision.
  put("fuzz_deck", std::string(1, '\0') + "*INPF a\r\n*NMOT  .5 1\r\nVELF 1001 101 2E-220\n*OUTF b\n>>END\n");
  put("fuzz_deck", std::string(1, '\0') + "*INPF a\n*NMOT  .5 1\nVELF 1 1E-50 1500 2E-50 1600\n*OUTF b\n>>END\n");
  for (const char* r : {"1001-1050", "-20--10", " 7 ", "1-32768"}) put("fuzz_deck", std::string(1, '\1') + r);
  // Velocity checks: picks file text (odd first byte) and raw pairs.
  put("fuzz_velocity_check", std::string(1, '\1') + "101, 400, 1600\n101, 1000, 3000\n101, 1100, 2000\n101, 1100, 2100\n");
  {
    std::string pairs(1, '\0');
    for (auto [t, v] : {std::pair{400.0f, std::int16_t(1600)}, {1000.0f, 3000}, {900.0f, 1500}}) {
      char b[6];
      std::memcpy(b, &t, 4);
      std::memcpy(b + 4, &v, 2);
      pairs.append(b, 6);
    }
    put("fuzz_velocity_check", pairs);
  }
  // Sections: the trace files of the scan, with gains and fill.
  for (const auto& f : traceFiles()) {
    put("fuzz_section", std::string(1, '\x3c') + f);
    put("fuzz_section", std::string(1, '\xbc') + f);
  }
  {
    // One long trace at a long interval: the picture that has to be drawn smaller.
    TraceFileBuilder tall(1, 2000, 32767);
    tall.dataTrace(1).dataTrace(2);
    put("fuzz_section", std::string(1, '\x3c') + str(tall.bytes()));
    // Eight samples at 23,456 us: the last time label fell below the picture.
    TraceFileBuilder odd(1, 8, 23456);
    odd.dataTrace(1);
    put("fuzz_section", std::string(1, '\x3c') + str(odd.bytes()));
  }
  // Semblance options: cdp, vmin, vmax, dv, window, stretch (NUL between).
  auto options = [](char outputs, std::vector<std::string> f) {
    std::string s(1, outputs);
    for (std::size_t k = 0; k < f.size(); ++k) s += (k ? std::string(1, '\0') : std::string()) + f[k];
    put("fuzz_semblance_options", s);
  };
  options(4, {"1001", "1200", "5180", "20", "", ".5"});
  options(2, {"all", "1500", "3000", "100", "12", ".4"});
  options(1, {"7", "1e-40", "1e38", "1e36", "", ""});
  std::cout << "wrote " << counter << " seeds under " << root << "\n";
  return 0;
}
