#include "spectrum/SpectrumPngSaving.h"

#include <filesystem>

#include <QImage>

#include "spectrum/core/SpectrumWindowTexts.h"
#include "qt/PngFile.h"
#include "shared/FileUtil.h"
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
  if (sameFileName(chosen.path, source.panelFile) || sameFileName(chosen.path, source.gatherFile)) {
    ui.message(spectrumtext::pngWouldReplaceDataText(chosen.path), spectrumtext::BoxTitle, Buttons::Ok,
               Icon::Exclamation);
    return;
  }
  std::int16_t mode = 1;
  if (ConfirmTargetFile(ui, state, chosen.path, mode) == 0) return;
  if (const std::string error = writePngFile(picture, chosen.path); !error.empty())
    ui.message(spectrumtext::pngNotSavedText(chosen.path, error), spectrumtext::BoxTitle, Buttons::Ok,
               Icon::Exclamation);
}

}  // namespace tsly
