/*
 * CORVAN32 measuring exports: linearisation of thermocouple and Pt channels, taring, single
 * readings, block acquisition, shunt calibration, and the settings file.
 *
 * Every export returns a signed 32-bit status: 0 success, a negative library status, a negative
 * interface status passed up from LINKAR32, or a positive device error number 10000..10022.
 * Calls are not thread-safe: callers serialise every CV_ call of a process.
 *
 * Raw values are 16-bit; 25000 is the full measuring range (the channel's range value). Five raw
 * values are overflow codes that are never scaled and become fixed floats: 32766 → 1e36
 * (0x7B4097CE), 32767 → 1e37 (0x7CF0BDC2), -32768 → -1e38 (0xFE967699), -32767 → -1e37
 * (0xFCF0BDC2), -32766 → -1e36 (0xFB4097CE).
 * Status codes (kCv...) are declared in corvan32.h.
 */
#ifndef CORVAN32_MEASURE_H
#define CORVAN32_MEASURE_H

#include <stdint.h>

#include "corvan32.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Linearisation of a thermocouple (450 J, 451 K, 452 T, 453 S, 454 B, 455 E, 456 R; signal in V)
 * or Pt channel (501 PT100, 502 PT500, 503 PT1000; signal in Ohm). *value is replaced:
 * direction 0 turns the signal into °C, any other direction turns °C into the signal.
 * Returns 0; kCvLinClamped (-219) when the value lay outside the table and was clamped to its end
 * node; kCvLinUnsupported (-218) for a transducer without linearisation (value unchanged);
 * kCvBadValue when value is null. */
CORVAN32_API int32_t CV_DoLinCalc(float* value, int32_t transducer, int32_t direction);

#ifdef __cplusplus
}
#endif

#endif /* CORVAN32_MEASURE_H */
