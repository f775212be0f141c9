#pragma once

#include "orbital/sgp4.h"

namespace zelvane {

// The products and drag-altitude terms that the propagator derives from a
// gravity set. For the default set they equal the familiar literals
// (0.75 j2 = 0.0008119724917875, 78 km above the surface = 1.0122292763545218
// Earth radii, and so on); computing them keeps other gravity sets exact.
struct SGP4DerivedConstants {
    double threeQuarterJ2;     // 0.75 j2
    double threeEighthsJ2;     // 0.375 j2
    double threeHalvesJ2;      // 1.5 j2
    double halfJ2;             // 0.5 j2
    double j4Term;             // -0.46875 j4
    double aycofTerm;          // -0.5 j3/j2
    double xlcofTerm;          // -0.25 j3/j2
    double sfour;              // 78 km above the surface, as radius in Earth radii
    double qzms24;             // ((120 - 78) km / R)^4
    double simplifiedDragRadius; // 220 km above the surface, as radius in Earth radii
    double velocityKmPerSec;   // R xke / 60: Earth radii per minute to km/s
};

SGP4DerivedConstants deriveSGP4Constants(const GravityConstants& g);

} // namespace zelvane
