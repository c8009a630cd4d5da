/*
 * PARLINK: parallel-port link driver for LPT1 and LPT2, on the same devices and with the same read
 * and time-out rules as PORTIX32 (nibble mode on a ppdev device, a plain byte stream on any other
 * character device). Each port keeps its own line; both may be open, and the selected one takes
 * reads, writes and close. Not thread-safe: callers serialise their calls.
 */
#ifndef PARLINK_H
#define PARLINK_H

#include <stdint.h>

#define PARLINK_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* Opens (or re-opens) LPT port (1 or 2) and selects it. Returns 0, -1 or -2 as CV_OpenPort. */
PARLINK_API int32_t PL_PPOpenParLink(int32_t port);
/* Reads from the selected port as CV_ReadPort. */
PARLINK_API int32_t PL_PPReadParLink(char* buffer, int32_t count, int32_t* status, int32_t* bytes_read,
                                     int32_t terminator);
/* Writes the zero-terminated text to the selected port: the number of bytes written, or -1. */
PARLINK_API int32_t PL_PPWriteParLink(const char* text);
/* Closes the selected port. Returns 0, -1 when it was not open. */
PARLINK_API int32_t PL_PPCloseParLink(void);
/* Selects LPT port (1 or 2) for the following calls. Returns 0, -1 for other numbers. */
PARLINK_API int32_t PL_PPSelectParLink(int32_t port);
/* Sets the time-out in milliseconds (<= 0: no limit). Returns 0. */
PARLINK_API int32_t PL_SetSysTimeout(int32_t milliseconds);

#ifdef __cplusplus
}
#endif

#endif /* PARLINK_H */
