/*
 * NUMERA32, the math and formula library: formula language and compiler, signal processing
 * (transforms, filters, fits) and strain analysis (rosettes, residual stress, thermal compensation).
 * This header gathers the library's public headers; each area documents its exports in its own.
 */
#ifndef NUMERA32_H
#define NUMERA32_H

#if __has_include("numera32_formula.h")
#include "numera32_formula.h"
#endif
#if __has_include("numera32_spectra.h")
#include "numera32_spectra.h"
#endif
#if __has_include("numera32_strain.h")
#include "numera32_strain.h"
#endif

#endif /* NUMERA32_H */
