/*
 * PARLINK: parallel-port link driver for one LPT port at a time (LPT1 or LPT2), on the same devices
 * and with the same read and time-out rules as PORTIX32 (nibble mode on a ppdev device, a plain
 * byte stream on any other character device). Not thread-safe: callers serialise their calls.
 */
#ifndef PARLINK_H
#define PARLINK_H

#include <stdint.h>

#define PARLINK_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* Opens LPT port (1 or 2), closing the one open before. Returns 0, -1 or -2 as CV_OpenPort. */
PARLINK_API int32_t PL_PPOpenParLink(int32_t port);
/* Reads as CV_ReadPort. */
PARLINK_API int32_t PL_PPReadParLink(char* buffer, int32_t count, int32_t* status, int32_t* bytes_read,
                                     int32_t terminator);
/* Writes the zero-terminated text: the number of bytes written, or -1. */
PARLINK_API int32_t PL_PPWriteParLink(const char* text);
/* Closes the port. Returns 0, -1 when none was open. */
PARLINK_API int32_t PL_PPCloseParLink(void);
/* Sets the time-out in milliseconds (<= 0: no limit). Returns 0. */
PARLINK_API int32_t PL_SetSysTimeout(int32_t milliseconds);

#ifdef __cplusplus
}
#endif

#endif /* PARLINK_H */
