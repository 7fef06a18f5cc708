#include "app/Session.h"

#include <filesystem>
#include <system_error>

#include "platform/Paths.h"
#include "shared/FileTexts.h"
#include "shared/FileUtil.h"

namespace tsly {

namespace {

// Read errors are ignored: whatever cannot be read (a short, unreadable or
// damaged file) keeps the value a missing file would give it.
void readSettingsFile(AppState& st, Ui& ui, const std::function<void(const SettingsLoad&)>& place) {
  applyMissingSettingsDefaults(st);
  SettingsLoad load;
  if (!loadSettingsFile(ui, st, st.SettingsFileName, load)) {
    st.GraphicsSaveFlag = -1;
    return;
  }
  if (place) place(load);
}

}  // namespace

void startSession(AppState& st, Ui& ui, JobLink& link, const std::function<void(const SettingsLoad&)>& place) {
  // Start values of the display, before the settings file may change them.
  st.SamplingRatio = 1.0f;
  st.PlotTop = 50;
  st.PlotLeft = 50;
  st.SampleInterval = 100;

  std::error_code ec;
  const std::filesystem::path cwd = std::filesystem::current_path(ec);
  st.StartDirectory = ec ? std::string() : cwd.string();
  st.SettingsFileName = findSettingsFile();

  if (!st.SettingsFileName.empty()) {
    readSettingsFile(st, ui, place);
    link.linkstart(JobEditorApp, JobEditorTopic);
    link.linkcommand("pathtoorog", st.ProcessingSystemPath, "", "");
    link.linkcommand("lastpath", st.LastPath, "", "");
  } else {
    ui.message(std::string(MissingSettingsMessage) + CrLf, "", Buttons::Ok, Icon::None);
    applyMissingSettingsDefaults(st);
  }
}

std::optional<std::string> endSession(AppState& st, Ui& ui, JobLink& link, const FormPlacement& form,
                                      const std::vector<NamedFile>& dataFiles) {
  link.linkcommand("getpathtoorog", "", "", "");
  // The editor answers three items; only the first (the path) is used.
  static const std::string NoReply("\x01");
  std::string path = NoReply, second = NoReply, third = NoReply;
  link.linkrequest(path, second, third);
  std::optional<std::string> reply;
  if (path != NoReply) {
    reply = path;
    st.ProcessingSystemPath = path;
  }
  std::error_code ec;
  if (!st.StartDirectory.empty()) std::filesystem::current_path(st.StartDirectory, ec);

  if (st.SettingsFileName.empty()) st.SettingsFileName = SettingsFileDefaultName;
  std::string file = st.SettingsFileName;
  if (!st.StartDirectory.empty() && !file.starts_with('/')) file = joinPath(st.StartDirectory, file);
  const int error = checkOutputFile(file, dataFiles, true).ok() ? writeSettingsFile(file, settingsText(st, form))
                                                                : fileerr::AccessError;
  if (error) ReportFileError(ui, st, static_cast<std::int16_t>(error));
  return reply;
}

}  // namespace tsly
