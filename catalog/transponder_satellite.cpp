// Kept apart from transponder.cpp, which uses Qt's text classes: Qt's
// keyword macros must not meet the catalogue entry's notification members.
#include "catalog/satellite.h"
#include "catalog/transponder.h"

namespace zelvane {

std::vector<TransmitterSelection> buildTransmitterSelections(const Satellite& satellite)
{
    return buildTransmitterSelections(satellite.transmitters);
}

} // namespace zelvane
