// The per-channel linearisation record: its tables (point table, polynomial, formula, bridge), the
// value-by-value evaluation the scaling pass runs after range scaling, and its copy to another
// channel.
#pragma once

#include <cstdint>

#include "kernel_state.h"

namespace tallix {

inline constexpr int32_t kLinNone = 0;     // raw values stay
inline constexpr int32_t kLinRange = 1;    // range scaling only
inline constexpr int32_t kLinTable = 2;    // range scaling, then the lin type
inline constexpr int32_t kLinThermo = 3;   // range scaling, then thermo linearisation

inline constexpr int32_t kLinTypePoints = 0;
inline constexpr int32_t kLinTypePolynomial = 1;
inline constexpr int32_t kLinTypeFormula = 2;
inline constexpr int32_t kLinTypeBridge = 3;

inline constexpr int32_t kBridgeParameters = 10;
inline constexpr int32_t kMaxFormulaText = 255;

// Interpolation in the point table `points` of n (x, y) pairs (n >= 2): direction 0 x -> y, else
// y -> x; beyond the ends the first or last segment is extended.
double interpolate(const double* points, int32_t n, double value, int32_t direction);

// The bridge factor p2 x 4000 / (p1 x p0) of the ten bridge parameters p: mV/V into the bridge's
// unit (lin type 3).
double bridge_factor(const double* p);

// Applies lin mode 2 of the record to n range-scaled values in place. `reference` is the
// compensation channel's values at the same indices (nullptr: uncompensated). Returns 0.
int32_t apply_lin_type(const LinRecord& lin, double* values, int32_t n, const double* reference);

// Replaces the channel's record by a new table (the checks and copies of QBX_ACQCreateLinTab).
int32_t create_lin_table(int32_t channel, int32_t mode, int32_t type, int32_t count, const double* points,
                         const char* text);
// Frees points and text and clears mode, type, count, text length and lin input word 0.
void destroy_lin_table(int32_t channel);

}  // namespace tallix
