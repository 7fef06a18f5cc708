// Texts of the picks commands in "&Options" (Save, Load, Export, Velocity
// Function) and of the question asked before unsaved picks would be lost,
// named once. Lines of a box are joined by CrLf.
#pragma once

#include <string>

#include "shared/State.h"

namespace tsly::pickstext {

// The duplicate-time check: DuplicateLine1 + CrLf + velocity + DuplicateAnd +
// velocity + DuplicateOnCdp + CDP.
inline constexpr const char* DuplicateLine1 = "Duplicate Time Picks on velocities - ";
inline constexpr const char* DuplicateAnd = " and ";
inline constexpr const char* DuplicateOnCdp = " on CDP # ";
inline constexpr const char* DuplicateTitle = "TSLY-DUPLICATE TIME PICKS NOT ALLOWED";


inline constexpr const char* SaveItem = "Save Picks...";
inline constexpr const char* LoadItem = "Load Picks...";
inline constexpr const char* ExportItem = "Export Picks...";
inline constexpr const char* VelocityFunctionItem = "Velocity Function";

// File dialogs.
inline constexpr const char* SaveDialogTitle = "Save Picks";
inline constexpr const char* LoadDialogTitle = "Load Picks";
inline constexpr const char* ExportDialogTitle = "Export Picks";
inline constexpr const char* PicksExt = "picks";
inline constexpr const char* ParExt = "par";
inline constexpr const char* CsvExt = "csv";
inline constexpr const char* SaveFilter = "Picks (*.picks)|*.picks|All Files (*.*)|*.*";
inline constexpr const char* LoadFilter = "Picks (*.picks)|*.picks|CSV (*.csv)|*.csv|All Files (*.*)|*.*";
// The export's format is the filter chosen: 1 par, 2 CSV.
inline constexpr const char* ExportFilter = "Seismic Unix par (*.par)|*.par|CSV (*.csv)|*.csv";
inline constexpr int ExportParFilter = 1;
inline constexpr int ExportCsvFilter = 2;

// Box titles.
inline constexpr const char* SaveTitle = "TSLY-Save Picks";
inline constexpr const char* LoadTitle = "TSLY-Load Picks";
inline constexpr const char* ExportTitle = "TSLY-Export Picks";
inline constexpr const char* UnsavedTitle = "TSLY-Picks Not Saved";

inline constexpr const char* NoPicksToSave = "There are no picks to save.";
inline constexpr const char* NoPicksToExport = "There are no picks to export.";
inline constexpr const char* NothingLoaded = "No pick was loaded: the picks shown before are kept.";

// "Picks can not be written over the data file" / the name.
inline std::string overDataFileText(const std::string& dataFile) {
  return std::string("Picks can not be written over the data file") + CrLf + dataFile;
}
// "The picks could not be saved to" / the name / why.
inline std::string saveFailedText(const std::string& path, const std::string& reason) {
  return std::string("The picks could not be saved to") + CrLf + path + CrLf + reason;
}
inline std::string exportFailedText(const std::string& path, const std::string& reason) {
  return std::string("The picks could not be exported to") + CrLf + path + CrLf + reason;
}
// Two picks of one CDP at the same time: a par file cannot hold them.
inline std::string parRefusedText(const std::string& reason) {
  return std::string("The picks can not be exported as a Seismic Unix par file:") + CrLf + reason + "." + CrLf +
         "Replace one of the two picks, or export as CSV.";
}
inline std::string readFailedText(const std::string& reason) {
  return std::string("The picks file could not be read:") + CrLf + reason;
}

// Status line after a save or an export.
std::string savedStatus(std::size_t picks, const std::string& path);
std::string exportedStatus(std::size_t picks, const std::string& path);

// What the unsaved picks would be lost to.
enum class Leaving { Exit, Open, Load };
// "3 picks on 2 CDPs of /data/scan.nmo have been neither saved nor sent as VELF
// commands." / the question for `why`.
std::string unsavedText(std::size_t picks, std::size_t cdps, const std::string& dataFile, Leaving why);

}  // namespace tsly::pickstext
