#pragma once

// The texts of the main window and the detail panel, as pure functions of
// the values they show, so that their exact forms can be checked without a
// window.

#include <string>

#include "orbital/date.h"

namespace zelvane::shell {

// "145.800.000": whole megahertz, then kilohertz and hertz padded to three
// digits, fractions of a hertz dropped. Exactly 0 (no frequency) gives "—",
// and so does a value without a whole 64-bit form.
std::string formatBigFreq(double hz);
// "145.800000 MHz", rounded to the hertz; "—" for exactly 0.
std::string formatMHz(double hz);
// "+250 Hz", "-38 Hz"; "0 Hz" without a sign below half a hertz.
std::string formatHzSigned(double hz);

// printf's "%+.Nf": the sign always shown, a negative zero keeping its "-".
std::string formatSignedFixed(double value, int decimals);

// "33.8700°N 84.3400°W": four decimals, no minus sign, N/E for zero.
std::string observerPositionText(double latitude, double longitude);

// The rig column's live read-outs.
std::string formatDegrees(double degrees);       // "12.3°"
std::string formatRangeKm(double km);            // "1234 km"
std::string formatDopplerRate(double hzPerSecond); // "+12.3 Hz/s"
std::string formatUpdateRate(double hz);         // "10 Hz"

// The timeline span after "Zoom In" and "Zoom Out" from `hours`.
double zoomedInHours(double hours);
double zoomedOutHours(double hours);

// Where the timeline starts when the main window first appears (a tenth of
// the visible span before now) and after "Scroll to Now" (a quarter).
Date timelineStartOnAppearance(Date now, double hoursVisible);
Date timelineStartScrolledToNow(Date now, double hoursVisible);

} // namespace zelvane::shell
