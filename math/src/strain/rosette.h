// Evaluation of one three-grid rosette reading: transverse-sensitivity correction, principal strains,
// principal stresses and their direction, in the twelve-value result layout of RosStressCalc.
#ifndef NUMERA32_STRAIN_ROSETTE_H
#define NUMERA32_STRAIN_ROSETTE_H

#include <cstdint>

namespace numera32::strain {

// Evaluates the rosette of `type` (45, 60 or 90) from the grid strains (um/m) and the transverse
// sensitivities in percent (null: none) into results[0..11]; type 90 leaves results[9] alone.
// Returns false, writing nothing, for any other type.
bool EvaluateRosette(const double strains[3], int32_t type, double e, double nu, const double* transverse,
                     double results[12]);

}  // namespace numera32::strain

#endif
