// Any bytes as "tessaly.ini": read through the file reader, then written back
// and read again. Reading must complete; a written file must read back to the
// same values and write the same text again.
#include <cmath>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "shared/Numbers.h"
#include "shared/Settings.h"

using namespace tsly;

namespace {
bool same(float a, float b) { return a == b || (std::isnan(a) && std::isnan(b)); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::MemFile file;
  file.set(data, size);
  AppState st;
  SettingsLoad load;
  if (!loadSettingsFile(file.path(), st, load)) fuzz::fail("settings file did not open");
  if (load.linesRead > SettingsLineCount) fuzz::fail("more than 22 lines read");
  if (st.GraphicsSaveFlag != -1) fuzz::fail("graphics save flag not set by a load");

  // The pure line reader on the same bytes agrees with the file reader.
  AppState st2;
  const std::string text(reinterpret_cast<const char*>(data), size);
  applySettingsLines(settingsLines(text), st2);
  if (!same(st.TraceSpacing, st2.TraceSpacing) || st.LastPath != st2.LastPath ||
      st.ProcessingSystemPath != st2.ProcessingSystemPath)
    fuzz::fail("file reader and line reader disagree");

  FormPlacement form;
  form.Top = load.formTop.value_or(0);
  form.Left = load.formLeft.value_or(0);
  form.Width = load.formWidth.value_or(0);
  form.Height = load.formHeight.value_or(0);
  const std::string written = settingsText(st, form);
  AppState back;
  const SettingsLoad again = applySettingsLines(settingsLines(written), back);
  if (again.linesRead != SettingsLineCount) fuzz::fail("written file does not have 22 lines");
  // Numbers are written with at most 7 significant digits, so a value read from
  // a hand-made file may come back rounded to them, never further.
  auto nt = [](float v) { return numberText(v); };
  if (nt(back.TraceSpacing) != nt(st.TraceSpacing) || nt(back.TraceLengthSetting) != nt(st.TraceLengthSetting) ||
      nt(back.SamplingRatio) != nt(st.SamplingRatio) || nt(back.DataDivisor) != nt(st.DataDivisor) ||
      back.AreaFillFlag != st.AreaFillFlag || back.NormalizeFlag != st.NormalizeFlag ||
      back.LastPath != st.LastPath.substr(0, st.LastPath.find_first_of("\r\n")))
    fuzz::fail("written values do not read back");
  FormPlacement form2;
  form2.Top = again.formTop.value_or(0);
  form2.Left = again.formLeft.value_or(0);
  form2.Width = again.formWidth.value_or(0);
  form2.Height = again.formHeight.value_or(0);
  if (settingsText(back, form2) != written) fuzz::fail("settings text not stable over a write and a read");
  return 0;
}
