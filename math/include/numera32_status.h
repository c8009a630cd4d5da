/*
 * NUMERA32 status texts. The areas of the library number their statuses independently (-5 is an
 * unbalanced formula to the compiler and a pole to the interpolation), so a text is asked for with
 * the area whose export returned the status.
 */
#ifndef NUMERA32_STATUS_H
#define NUMERA32_STATUS_H

#include <stdint.h>

#include "numera32_api.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Areas of the library, as NumeraStatusText takes them. */
enum {
  kNumeraAreaFormula = 0, /* compiler and evaluators (numera32_formula.h, numera32_evaluate.h) */
  kNumeraAreaArrays = 1,  /* arrays and whole-channel math (numera32_arrays.h) */
  kNumeraAreaSpectra = 2, /* transforms, filters, fits, interpolation (numera32_signal.h) */
  kNumeraAreaStrain = 3   /* rosettes, residual stress, thermal compensation (numera32_strain.h) */
};

/* The meaning of a status that an export of `area` returned, in English, as a static zero-terminated
   text that the caller must not free or change: "success" for 0, "unknown status" for a number that
   is not a status of that area (or an unknown area). Never null; safe to call at any time. */
NUMERA32_API const char* NumeraStatusText(int32_t area, int32_t status);

#ifdef __cplusplus
}
#endif

#endif /* NUMERA32_STATUS_H */
