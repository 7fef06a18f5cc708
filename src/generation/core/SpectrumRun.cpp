#include "generation/core/SpectrumRun.h"

#include "generation/core/SpectrumText.h"
#include "shared/ReplacingFile.h"

namespace tsly {

SpectrumRunResult runSpectra(const GatherCdps& gather, const SpectrumRunParams& p, const SpectrumRunHooks& hooks) {
  SpectrumRunResult result;
  ReplacingFile csv;
  const bool writeCsv = !p.csvPath.empty();
  if (writeCsv && (!csv.open(p.csvPath) || !csv.write(spectrumCsvHeader(p.csvCdpColumn)))) {
    result.error = csv.error();
    return result;
  }
  SemblanceEngine engine(p.settings);
  CdpTraces traces;
  Spectrum spectrum;
  std::string text;
  for (std::int16_t cdp : p.cdps) {
    std::string err = gather.read(cdp, traces);
    if (!err.empty()) {
      result.error = err;
      return result;  // the temporary CSV goes with `csv`
    }
    if (!engine.compute(traces, spectrum, hooks.cancel)) {
      result.cancelled = true;
      return result;
    }
    if (writeCsv) {
      text.clear();
      appendSpectrumCsv(spectrum, p.csvCdpColumn, text);
      if (!csv.write(text)) {
        result.error = csv.error();
        return result;
      }
    }
    if (hooks.spectrum) hooks.spectrum(spectrum);
    if (p.peaks && hooks.peaks) hooks.peaks(spectrum, spectrumPeaks(spectrum, p.peakThreshold));
    ++result.cdpsDone;
    if (hooks.progress) hooks.progress(result.cdpsDone, p.cdps.size());
    if (hooks.cancel && hooks.cancel->load(std::memory_order_relaxed)) {
      result.cancelled = true;
      return result;
    }
  }
  if (writeCsv && !csv.commit()) result.error = csv.error();
  return result;
}

}  // namespace tsly
