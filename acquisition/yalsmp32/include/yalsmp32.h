/*
 * YALSMP32: the sample-rate rules of the YAL amplifier system. The acquisition kernel links it and
 * calls YAL_SetSampleRate once per start of a YAL device (block length 0 or above 1) to learn the
 * rate the system runs at for the channels being started.
 *
 * The YAL system samples at the rates 1, 2, 5, 10, 25, 50, 75, 100, 150, 200, 300, 400, 600,
 * 1200, 2400, 4800 and 9600 Hz, and its bus carries at most 19200 samples per second over all
 * active channels.
 */
#ifndef YALSMP32_H
#define YALSMP32_H

#include <stdint.h>

#if defined(_WIN32)
#define YALSMP32_API __declspec(dllexport)
#else
#define YALSMP32_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

enum {
  kYalChannelFlags = 64,      /* entries of the flag array: hardware channels 0..63 */
  kYalBusSamplesPerS = 19200, /* samples per second the bus carries over all active channels */
  kYalRejected = -1
};

/* channel_flags: kYalChannelFlags 32-bit flags indexed by hardware channel, non-zero for each
 * channel measured at the start. *rate (Hz) in: the rate asked for; out: the fastest rate of the
 * table not above it (the slowest, 1 Hz, for anything below). Returns 0, or -1 (rate left
 * unchanged) when no channel is flagged, the rate is not a positive number, or the chosen rate
 * times the flagged channels passes the bus limit. NULL arguments: -1. */
YALSMP32_API int32_t YAL_SetSampleRate(const int32_t* channel_flags, float* rate);

#ifdef __cplusplus
}
#endif

#endif /* YALSMP32_H */
