// The message texts and titles of panel generation, named once: the checks of
// "Generate Panels", the opening of the files, the run and its end, and the
// NMO parameters dialog's own boxes. Numbers in texts are written by
// numberText (a blank or a minus sign before the digits), so "Entry number "
// followed by numberText(1) reads "Entry number  1".
#pragma once

#include <cstdint>
#include <string>

namespace tsly::gentext {

// Checks of the entries (information icon, OK button).
inline constexpr const char* BadCdpTitle = "TSLY-BAD CDP VALUE";
inline constexpr const char* BadVelocityTitle = "TSLY-BAD VELOCITY VALUE";
inline constexpr const char* BadLengthText = "Length of output data not valid";
inline constexpr const char* BadLengthTitle = "TSLY-Bad data length";
inline constexpr const char* DuplicateCdpsTitle = "TSLY DUPLICATE CDPs NOT ALLOWED";
inline constexpr const char* DuplicateVelocitiesTitle = "TSLY DUPLICATE VELOCITIES NOT ALLOWED";
inline constexpr const char* BadIntervalTitle = "TSLY-Bad sample interval";

// "CDP value " v " out of range." CR LF "Entry number " k
std::string cdpOutOfRangeText(float value, std::size_t entry);
// "CDP value " v " out of range (above 32767)." CR LF "Entry number " k
std::string cdpTooLargeText(float value, std::size_t entry);
// "Velocity value " v " non-positive." CR LF "Entry number " k
std::string velocityNonPositiveText(float value, std::size_t entry);
// "Velocity value " v " too large (above 32767)." CR LF "Entry number " k
std::string velocityTooLargeText(float value, std::size_t entry);
// "Duplicate starting CDP values at locations " a " and" b
std::string duplicateCdpsText(std::size_t a, std::size_t b);
// "Duplicate Velocity values at locations " a " and" b
std::string duplicateVelocitiesText(std::size_t a, std::size_t b);
// A trace whose sample interval (header word 59) is not positive:
// "Sample interval -5 microseconds in trace 4 (CDP 1002)." CR LF "Can not process this data"
std::string badSampleIntervalText(std::int32_t interval, std::int32_t trace, std::int32_t cdp);

// Opening the files (OK button, no icon); an output named as the input shows
// SameFileText (shared/Texts.h).
inline constexpr const char* MissingNameText = "Please choose an output file name.";
inline constexpr const char* MissingNameTitle = "Tessaly-Missing file name";

// The run (OK button, no icon, the application's title).
inline constexpr const char* HeaderReadFailedText = "Trace header read failed";
inline constexpr const char* DataReadFailedText = "Trace data read failed";
inline constexpr const char* HeaderWriteFailedText = "Trace header write failed";
inline constexpr const char* DataWriteFailedText = "Trace data write failed";
inline constexpr const char* NoOffsetsText =
    "Data does not have valid offset distance/multiplier values. Can not process this data";
inline constexpr const char* NoOffsetsTitle = "Tessaly - Data Not TSLY compat";
// "There is not enough memory to go on with the run." CR LF
// "The output file holds the traces written so far."
std::string outOfMemoryText();
// "Output length gives no samples at the sample interval of trace" n "." CR LF "Can not continue"
std::string noSamplesText(std::int32_t trace);
// "Trace" n " is shorter than the output length (" have " samples, " need " needed)." CR LF "Can not continue"
std::string traceTooShortText(std::int32_t trace, std::int32_t have, std::int32_t need);
// The dialog's progress label: "CDP-" c CR LF "Velocity =" v
std::string progressText(std::int32_t cdp, float velocity);

// The end of a run (information icon, OK button).
inline constexpr const char* CompletedTitle = "TSLY-Move out completed";
// "Processing complete at " + HH:MM:SS
std::string completedText(const std::string& timeOfDay);

// The NMO parameters dialog.
inline constexpr const char* DialogTitle = "NMO Parameters";
// Label4: "First CDP = " first CR LF "Last CDP = " last
std::string cdpRangeText(std::int16_t first, std::int16_t last);
inline constexpr const char* OutputDialogTitle = "NMO Output File selection";
inline constexpr const char* OutputDialogFilter = "Data (*.dat)|*.dat|MNO Data (*.nmo)|*.nmo|All Data (*.*)|*.*";
inline constexpr const char* OutputDialogDefaultExt = "dat";
// The output name a new dialog proposes, after LastPath and a "/".
inline constexpr const char* DefaultOutputFileName = "tslynmo.nmo";

}  // namespace tsly::gentext
