#include "elements/tle_parser.h"

namespace zelvane::TLEParser {

std::vector<TLEData> parse(std::string_view /*text*/)
{
    return {};
}

std::optional<TLEData> parseTwoLines(const std::string& /*name*/, const std::string& /*line1*/,
                                     const std::string& /*line2*/)
{
    return std::nullopt;
}

double parseExponentNotation(std::string_view /*text*/)
{
    return 0.0;
}

std::shared_ptr<SatRec> createSatRec(const TLEData& /*tle*/, const GravityConstants& /*gravity*/)
{
    return nullptr;
}

} // namespace zelvane::TLEParser
