#include "spectrum/SpectrumPngSaving.h"

#include <filesystem>

#include <QImage>

#include "spectrum/core/SpectrumWindowTexts.h"
#include "qt/PngFile.h"
#include "shared/FileTexts.h"
#include "shared/FileUtil.h"
#include "shared/OutputCheck.h"
#include "shared/Numbers.h"
#include "shared/State.h"
#include "shared/Texts.h"
#include "platform/Ui.h"

namespace tsly {

void saveSpectrumPng(Ui& ui, AppState& state, const QImage& picture, const SpectrumPngSource& source) {
  FileDialogRequest req;
  req.title = spectrumtext::PngDialogTitle;
  req.filter = spectrumtext::PngFilter;
  req.filterIndex = 1;
  req.defaultExt = spectrumtext::PngDefaultExt;
  req.initialDir = state.LastPath;
  req.fileName =
      std::filesystem::path(source.panelFile).stem().string() + "-cdp" + plainNumberText(source.cdp) + ".png";
  req.mustExist = false;
  const FileDialogResult chosen = askFileName(ui, FileDialogKind::Save, req);
  if (chosen.status != FileDialogResult::Status::Chosen || chosen.path.empty()) return;
  const OutputCheck c = checkOutputFile(
      chosen.path, {{source.panelFile, "the panel file"}, {source.gatherFile, "the gather file"}}, true);
  if (!c.ok()) {
    ui.message(c.verdict == OutputCheck::Verdict::IsInput ? spectrumtext::pngWouldReplaceDataText(chosen.path)
                                                          : notWrittenText(c.message),
               spectrumtext::BoxTitle, Buttons::Ok, Icon::Exclamation);
    return;
  }
  std::int16_t mode = 1;
  if (ConfirmTargetFile(ui, state, chosen.path, mode) == 0) return;
  if (const std::string error = writePngFile(picture, chosen.path); !error.empty())
    ui.message(spectrumtext::pngNotSavedText(chosen.path, error), spectrumtext::BoxTitle, Buttons::Ok,
               Icon::Exclamation);
}

}  // namespace tsly
