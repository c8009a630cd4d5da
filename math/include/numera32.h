/*
 * NUMERA32, the math and formula library: formula language, compiler and evaluators, arrays and
 * database channel math, signal processing
 * (transforms, filters, fits) and strain analysis (rosettes, residual stress, thermal compensation).
 * This header gathers the library's public headers; each area documents its exports in its own.
 */
#ifndef NUMERA32_H
#define NUMERA32_H

#if __has_include("numera32_formula.h")
#include "numera32_formula.h"
#endif
#if __has_include("numera32_evaluate.h")
#include "numera32_evaluate.h"
#endif
#if __has_include("numera32_arrays.h")
#include "numera32_arrays.h"
#endif
#if __has_include("numera32_signal.h")
#include "numera32_signal.h"
#endif
#if __has_include("numera32_strain.h")
#include "numera32_strain.h"
#endif
#include "numera32_status.h"

#endif /* NUMERA32_H */
