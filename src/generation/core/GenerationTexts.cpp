#include "generation/core/GenerationTexts.h"

#include "shared/Numbers.h"
#include "shared/State.h"

namespace tsly::gentext {

namespace {

std::string entryLine(std::size_t entry) {
  return std::string(CrLf) + "Entry number " + numberText(static_cast<int>(entry));
}

std::string locations(std::size_t a, std::size_t b) {
  return numberText(static_cast<int>(a)) + " and" + numberText(static_cast<int>(b));
}

}  // namespace

std::string cdpOutOfRangeText(float value, std::size_t entry) {
  return "CDP value " + numberText(value) + " out of range." + entryLine(entry);
}

std::string cdpTooLargeText(float value, std::size_t entry) {
  return "CDP value " + numberText(value) + " out of range (above 32767)." + entryLine(entry);
}

std::string velocityNonPositiveText(float value, std::size_t entry) {
  return "Velocity value " + numberText(value) + " non-positive." + entryLine(entry);
}

std::string velocityTooLargeText(float value, std::size_t entry) {
  return "Velocity value " + numberText(value) + " too large (above 32767)." + entryLine(entry);
}

std::string duplicateCdpsText(std::size_t a, std::size_t b) {
  return "Duplicate starting CDP values at locations " + locations(a, b);
}

std::string duplicateVelocitiesText(std::size_t a, std::size_t b) {
  return "Duplicate Velocity values at locations " + locations(a, b);
}

// A blank always stands before the interval and the CDP, which may be
// negative ("Sample interval -5", "CDP -3"), not only where number text puts one.
std::string badSampleIntervalText(std::int32_t interval, std::int32_t trace, std::int32_t cdp) {
  return "Sample interval " + plainNumberText(static_cast<int>(interval)) + " microseconds in trace" +
         numberText(static_cast<int>(trace)) + " (CDP " + plainNumberText(static_cast<int>(cdp)) + ")." + CrLf +
         "Can not process this data";
}

std::string noSamplesText(std::int32_t trace) {
  return "Output length gives no samples at the sample interval of trace" + numberText(static_cast<int>(trace)) +
         "." + CrLf + "Can not continue";
}

std::string traceTooShortText(std::int32_t trace, std::int32_t have, std::int32_t need) {
  return "Trace" + numberText(static_cast<int>(trace)) + " is shorter than the output length (" +
         plainNumberText(static_cast<int>(have)) + " samples, " + plainNumberText(static_cast<int>(need)) +
         " needed)." + CrLf + "Can not continue";
}

std::string progressText(std::int32_t cdp, float velocity) {
  return "CDP-" + numberText(static_cast<int>(cdp)) + CrLf + "Velocity =" + numberText(velocity);
}

std::string outOfMemoryText() {
  return std::string("There is not enough memory to go on with the run.") + CrLf +
         "The output file holds the traces written so far.";
}

std::string completedText(const std::string& timeOfDay) { return "Processing complete at " + timeOfDay; }

std::string cdpRangeText(std::int16_t first, std::int16_t last) {
  return "First CDP = " + numberText(static_cast<short>(first)) + CrLf + "Last CDP = " +
         numberText(static_cast<short>(last));
}

}  // namespace tsly::gentext
