// The texts of the panel display, the picks and the graphics parameters dialog,
// named once. Texts shared with other areas ("Error opening file", "Unexpected
// error", "Tessaly ERROR") are in shared/Texts.h.
#pragma once

namespace tsly::displaytext {

// Read failures of the redraw (no title of their own).
inline constexpr const char* SeekFailed = "File Seek Failed.";
inline constexpr const char* HeaderReadFailed = "Trace header read failed";
inline constexpr const char* SamplesReadFailed = "Trace date read failed";

// Drawn above a dead trace.
inline constexpr const char* DeadTraceMark = "x";

// Status line after a redraw: RedrawStatus1 + CDP + RedrawStatus2.
inline constexpr const char* RedrawStatus1 = "CDP # ";
inline constexpr const char* RedrawStatus2 = " with any previous picks shown.";
// Status line after a pick: PickStatus1 + time + PickStatus2 + CDP + PickStatus3 + velocity.
inline constexpr const char* PickStatus1 = "Last pick at ";
inline constexpr const char* PickStatus2 = "ms on CDP# ";
inline constexpr const char* PickStatus3 = " with velo =";

// The graphics parameters dialog tslysele.
inline constexpr const char* GraphicsTitle = "Graphics Parameters";
inline constexpr const char* GraphicsFrame = "Graphic Parameters";
inline constexpr const char* TracesPerInchCaption = "Traces/Inch";
inline constexpr const char* GainCaption = "Trace Gain factor (DB)";
inline constexpr const char* TimeLengthCaption = "Plot Ending Time (mS)";
inline constexpr const char* NormalizeCaption = "Normalize Plot";
inline constexpr const char* AreaFillCaption = "Area Fill";
inline constexpr const char* SamplingRatioCaption = "Sampling Ratio";
// Option3 captions by index: 0 "1:1", 1 "2:1", 2 "4:1", 3 "1:2".
inline constexpr const char* RatioCaptions[4] = {"1:1", "2:1", "4:1", "1:2"};
inline constexpr const char* DoneCaption = "Done";

}  // namespace tsly::displaytext
