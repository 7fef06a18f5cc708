// The program's session around the main window: what start-up reads and tells
// the job editor, and what shut-down asks it and writes back.
//
// Start-up: the display's start values (sampling ratio 1, plot origin 50/50,
// sample interval 100), the start directory (the current one), then the
// settings file found there. With one, its values (a file that cannot be read
// shows its file-error box and turns the graphics-save flag on; what could not
// be read keeps the value a missing file gives it) and the window placement it
// holds; then the job editor is started and told the processing-system path and
// the last directory. Without one: "Can not find tessaly.INI file!" and the
// values of a missing file.
//
// Shut-down: the job editor is asked for its processing-system path (an editor
// that does not reply leaves the path as it is), the program returns to the
// start directory, and the settings file is written there by full path (so
// that it lands there even when returning failed); a failed write shows its
// file-error box. Nothing here may stop the file from being written.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "jobs/core/JobLink.h"
#include "platform/Ui.h"
#include "shared/OutputCheck.h"
#include "shared/Settings.h"
#include "shared/State.h"

namespace tsly {

// `place` gets the placement items the settings file holds (called only when
// one was read).
void startSession(AppState& st, Ui& ui, JobLink& link, const std::function<void(const SettingsLoad&)>& place);

// The job editor's processing-system path when it replied. The settings file
// passes the output check first (shared/OutputCheck.h): one that leads to a
// folder, FIFO or device, or to one of `dataFiles`, is not written, and the
// file-error box of an access error (75) says so.
std::optional<std::string> endSession(AppState& st, Ui& ui, JobLink& link, const FormPlacement& form,
                                      const std::vector<NamedFile>& dataFiles = {});

}  // namespace tsly
