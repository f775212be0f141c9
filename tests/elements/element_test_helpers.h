#pragma once

// Element text for tests, written with the program's own line writer so
// that every line has the right columns and checksum.

#include <string>

#include "elements/omm_parser.h"

namespace zelvane::test {

inline std::string line1For(std::int64_t noradId, std::int64_t epochYear = 2024, double epochDays = 1.5)
{
    return OMMParser::synthesizeLine1(noradId, "U", "2024-001A", epochYear, epochDays, 0.0001, 0.0, 0.00012345, 0,
                                      999);
}

inline std::string line2For(std::int64_t noradId, double meanMotion = 15.5)
{
    return OMMParser::synthesizeLine2(noradId, 51.6416, 247.4627, 0.0006703, 130.536, 325.0288, meanMotion, 1234);
}

// A three-line element set ending in a line feed.
inline std::string tleText(const std::string& name, std::int64_t noradId, double epochDays = 1.5,
                           std::int64_t epochYear = 2024)
{
    return name + "\n" + line1For(noradId, epochYear, epochDays) + "\n" + line2For(noradId) + "\n";
}

// One OMM JSON record (without the enclosing array).
inline std::string ommJson(const std::string& name, std::int64_t noradId, const std::string& epoch)
{
    return R"({"OBJECT_NAME":")" + name + R"(","NORAD_CAT_ID":)" + std::to_string(noradId) + R"(,"EPOCH":")" + epoch +
           R"(","MEAN_MOTION":15.5,"ECCENTRICITY":0.0006703,"INCLINATION":51.6416,"RA_OF_ASC_NODE":247.4627,)"
           R"("ARG_OF_PERICENTER":130.536,"MEAN_ANOMALY":325.0288,"BSTAR":0.0001})";
}

} // namespace zelvane::test
