// tsly info FILE [--json]: what the open scan finds in a trace file.
#include <iostream>
#include <string>

#include <nlohmann/json.hpp>

#include "CliSupport.h"
#include "commands.h"
#include "shared/Numbers.h"
#include "shared/State.h"

namespace tsly::cli {

namespace {

// A float as JSON shows it: the value its number text stands for.
double jsonNumber(float v) { return readNumber(plainNumberText(v)); }

struct InfoOptions {
  std::string file;
  bool json = false;
};

int runInfo(const InfoOptions& o) {
  const std::string& path = o.file;
  AppState st;
  OpenScanResult r;
  if (!openForCommand(path, st, r)) return 1;
  const bool panels = r.isPanelData();
  if (o.json) {
    nlohmann::ordered_json j;
    j["file"] = path;
    j["data_type"] = st.DataType;
    j["data_type_text"] = st.DataTypeText;
    j["samples"] = st.NumSamples;
    j["sample_interval"] = st.SampleInterval;
    j["traces"] = st.TraceCount;
    j["min_cdp"] = st.MinKey;
    j["max_cdp"] = st.MaxKey;
    j["max_amplitude"] = jsonNumber(st.MaxAmplitude);
    j["panels"] = nlohmann::ordered_json::array();
    j["cdps"] = nlohmann::ordered_json::array();
    if (panels) {
      for (std::int32_t p = 1; p <= st.PanelCount; ++p) {
        const auto& e = st.PanelTable[static_cast<size_t>(p)];
        j["panels"].push_back({{"first_cdp", e.FirstCdp},
                               {"last_cdp", e.LastCdp},
                               {"velocity", e.Velocity},
                               {"first_trace", e.FirstTrace},
                               {"traces", e.PanelTraces}});
      }
      for (std::int32_t k = 1; k <= st.CdpCount; ++k) j["cdps"].push_back(st.PickTable[static_cast<size_t>(k)].Cdp);
    }
    std::cout << j.dump(2) << "\n";
    return 0;
  }
  std::cout << "File:            " << path << "\n"
            << "Data type:       " << plainNumberText(static_cast<int>(st.DataType)) << st.DataTypeText << "\n"
            << "Samples:         " << plainNumberText(st.NumSamples) << "\n"
            << "Sample interval: " << plainNumberText(st.SampleInterval) << " microsec/sample\n"
            << "Traces:          " << plainNumberText(st.TraceCount) << "\n"
            << "First CDP:       " << plainNumberText(static_cast<int>(st.MinKey)) << "\n"
            << "Last CDP:        " << plainNumberText(static_cast<int>(st.MaxKey)) << "\n"
            << "Max amplitude:   " << plainNumberText(st.MaxAmplitude) << "\n";
  if (panels) {
    std::cout << "Panels:          " << plainNumberText(st.PanelCount) << "\n"
              << "  panel first_cdp last_cdp velocity first_trace traces\n";
    for (std::int32_t p = 1; p <= st.PanelCount; ++p) {
      const auto& e = st.PanelTable[static_cast<size_t>(p)];
      char line[128];
      std::snprintf(line, sizeof line, "  %5s %9s %8s %8s %11s %6s\n", plainNumberText(p).c_str(),
                    plainNumberText(static_cast<int>(e.FirstCdp)).c_str(),
                    plainNumberText(static_cast<int>(e.LastCdp)).c_str(),
                    plainNumberText(static_cast<int>(e.Velocity)).c_str(), plainNumberText(e.FirstTrace).c_str(),
                    plainNumberText(e.PanelTraces).c_str());
      std::cout << line;
    }
    std::cout << "CDPs:           ";
    for (std::int32_t k = 1; k <= st.CdpCount; ++k)
      std::cout << " " << plainNumberText(static_cast<int>(st.PickTable[static_cast<size_t>(k)].Cdp));
    std::cout << "\n";
  }
  return 0;
}

}  // namespace

void addInfoCommand(CLI::App& app, int& exitCode) {
  auto o = std::make_shared<InfoOptions>();
  auto* cmd =
      addCommand(app, exitCode, o, runInfo, "info",
                 "Scan a trace file as Tessaly's Open does and print what it found: data type, samples, sample "
                 "interval, trace count, first and last CDP, maximum amplitude (first 100 traces), and for "
                 "velocity-scan or CDP-stacked data the panel table and the CDP list. A file the Open would refuse "
                 "prints the Open message on stderr and exits 1.");
  cmd->add_option("FILE", o->file, "Trace file to scan (taken exactly as given)")->required();
  cmd->add_flag("--json", o->json,
                "Print one JSON object with the keys data_type, data_type_text, samples, sample_interval, "
                "traces, min_cdp, max_cdp, max_amplitude, panels, cdps (default: a text table)");
}

}  // namespace tsly::cli
