// "&Options" / "Auto Pick": the first pass (spectrum/core/AutoPick.h) in the
// main window, wired to the panels, the pick table and the spectrum window.
//
//  - The submenu (QMenu autopick, its item autopickmenu) holds:
//    "Propose for This CDP" / "Propose for All CDPs" (autopickcdp,
//    autopickall): enabled while velocity-scan panels are open. They ask for
//    the CDP-gather file of the panels as "Velocity Spectrum" does (once per
//    panel file, SpectrumGathers) and run the first pass on a thread of its
//    own over that CDP or every listed CDP, with the trial velocities of
//    `tsly autopick` (1200 to 5180 every 20) widened to take in the panels'
//    velocities. The status line counts the CDPs done; each CDP's proposals
//    replace those it had as they arrive. A new run ends the one going.
//  - Proposals are drawn orange on the panels (each across the panel whose
//    velocity is nearest) and, while it is open, ringed orange on the
//    spectrum, until they are accepted or dropped. The pick table does not
//    change until they are accepted. Another panel file opened, or a
//    gather, drops them (and ends a run going).
//  - "Accept Proposals" (key A) and "Accept All Proposals" make them ordinary
//    picks (PickProposals::accept: the analyst's picks stay, a proposal at one
//    of their velocities or within 24 ms of one is left out); "Drop
//    Proposals" (key D) and "Drop All Proposals" forget them. The CDP shown is
//    redrawn and the windows that follow it are told.
//  - A failure (the gather cannot be read) is one box: title "Auto Pick", the
//    reason, OK, the exclamation icon.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QObject>

#include "picks/core/PickProposals.h"
#include "platform/Ui.h"
#include "shared/State.h"
#include "spectrum/core/AutoPick.h"

class QAction;
class QMenu;

namespace tsly {

class DisplaySurface;
class SpectrumCommand;

class AutoPickCommand : public QObject {
  Q_OBJECT
 public:
  AutoPickCommand(AppState& state, Ui& ui, QMenu* options, DisplaySurface& display, SpectrumCommand& spectrum);
  ~AutoPickCommand() override;

  // Panels open (true) or not: the items.
  void setAvailable(bool panelsOpen);
  // The items.
  void proposeShown();
  void proposeAll();
  void accept();
  void acceptAll();
  void drop();
  void dropAll();

  const PickProposals& proposals() const { return proposals_; }
  bool running() const { return running_; }
  QMenu* menu() const { return menu_; }

 private:
  void propose(std::vector<std::int16_t> cdps);
  void stop();
  // Runs on the user-interface thread for what the worker hands over.
  void arrived(std::uint64_t run, CdpProposal proposal, std::size_t done, std::size_t total);
  void finished(std::uint64_t run, AutoPickResult result);
  // The CDP shown redrawn, the spectrum window and the velocity function told.
  void changed();
  void showOnSpectrum();
  bool panelsOpen() const;
  std::int16_t shownCdp() const;

  AppState& st_;
  Ui& ui_;
  DisplaySurface& display_;
  SpectrumCommand& spectrum_;
  QMenu* menu_ = nullptr;
  std::vector<QAction*> items_;
  PickProposals proposals_;
  std::string file_;  // the panel file the proposals were made for

  std::thread worker_;
  std::atomic<bool> cancel_{false};
  std::uint64_t run_ = 0;
  bool running_ = false;
  std::size_t proposedCdps_ = 0;
};

}  // namespace tsly
