// Setting ids of the Corvane that the driver's logic tests for. Every id is also an index-string id
// (texts in the edition's index-string table); the full possible-value lists live in
// settings_rules.cpp.
#pragma once

#include <cstdint>

namespace corvan::id {

// Signal selectors.
inline constexpr int32_t kSignalMeasuring = 42;
inline constexpr int32_t kSignalShunt = 43;

// Filter types and modes.
inline constexpr int32_t kFilterNone = 140;
inline constexpr int32_t kFilterButterworth = 141;
inline constexpr int32_t kFilterBessel = 142;
inline constexpr int32_t kFilterModeVariable = 148;
inline constexpr int32_t kFilterModeConst = 149;

// Transducers.
inline constexpr int32_t kFullBridge = 350;
inline constexpr int32_t kHalfBridge = 351;
inline constexpr int32_t kQuarterBridge = 352;
inline constexpr int32_t kDcVoltage = 420;
inline constexpr int32_t kDcCurrent = 421;
inline constexpr int32_t kThermoFirst = 450;  // J, K, T, S, B, E, R = 450..456
inline constexpr int32_t kThermoLast = 456;
inline constexpr int32_t kResistor = 475;
inline constexpr int32_t kPt100 = 501;
inline constexpr int32_t kPt500 = 502;
inline constexpr int32_t kPt1000 = 503;
inline constexpr int32_t kInternalTemp = 510;
inline constexpr int32_t kFrequencyFirst = 520;  // 520..523 frequency and phase counters
inline constexpr int32_t kFrequencyLast = 523;
inline constexpr int32_t kCount = 525;
inline constexpr int32_t kDigitalIo = 528;

// Measuring ranges used by defaults and corrections.
inline constexpr int32_t kRange3mVV = 700;
inline constexpr int32_t kRange10V = 712;

// Filter frequency "averaging" (no filter) and the default of offline mode.
inline constexpr int32_t kFilterAveraging = 1199;
inline constexpr int32_t kFilter1200Hz = 971;

// Amplifier types.
inline constexpr int32_t kAmpNotConnected = 5050;
inline constexpr int32_t kAmpTfWithF = 5051;
inline constexpr int32_t kAmpTf = 5052;
inline constexpr int32_t kAmpKx4 = 5053;
inline constexpr int32_t kAmpKx1 = 5054;
inline constexpr int32_t kAmpDigitalIo = 5055;
inline constexpr int32_t kAmpAux = 5056;
inline constexpr int32_t kAmpTf600 = 5057;
inline constexpr int32_t kAmpKx3 = 5058;

// Channel states: bit 0 of the id is "measure", bit 1 "tare".
inline constexpr int32_t kStatePassive = 6200;
inline constexpr int32_t kStateMeasure = 6201;
inline constexpr int32_t kStateTare = 6202;
inline constexpr int32_t kStateMeasureTare = 6203;
inline constexpr int32_t kStateMeasureBit = 1;
inline constexpr int32_t kStateTareBit = 2;

// Measuring rates 6300 (1 Hz) .. 6320 (9600 Hz).
inline constexpr int32_t kRateFirst = 6300;
inline constexpr int32_t kRateLast = 6320;

// Baud codes sent with "BDR".
inline constexpr int32_t kBaud9600 = 1408;

inline constexpr bool is_thermocouple(int32_t t) { return t >= kThermoFirst && t <= kThermoLast; }
inline constexpr bool is_pt(int32_t t) { return t >= kPt100 && t <= kPt1000; }

}  // namespace corvan::id
