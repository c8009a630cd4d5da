/* The public strain header must compile as plain C: hosts call the library from C and through
 * Python ctypes. The test program calls through this file to check the C linkage as well. */
#include "numera32_strain.h"

int32_t numera32_strain_c_rosette(const double* strains, double* results);

int32_t numera32_strain_c_rosette(const double* strains, double* results) {
  return RosStressCalc(strains, results, kRosette45, 210000.0, 0.3, 0, (const double*)0);
}
