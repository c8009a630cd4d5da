/*
 * PORTIX32: parallel-port driver for LPT1 and LPT2. A port is a ppdev device (claimed, with the
 * IEEE 1284 mode of the open parameter negotiated) or any other character device, on which bytes
 * move as a plain stream. LPT1/LPT2 are the devices named by LINKAR32_LPT1/LINKAR32_LPT2, else
 * /dev/parport0 and /dev/parport1. Both ports may be open; the selected one takes reads and writes.
 * Not thread-safe: callers serialise their calls.
 */
#ifndef PORTIX32_H
#define PORTIX32_H

#include <stdint.h>

#define PORTIX32_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* Opens (or re-opens) LPT port (1 or 2) and selects it. *mode is the parallel mode: 1 nibble,
 * 2 ECP, 3 byte, 4 EPP (others: compatibility mode); null means nibble. Returns 0, -1 (bad port
 * number or device missing), -2 (the port could not be claimed or the mode negotiated). */
PORTIX32_API int32_t CV_OpenPort(int32_t port, int32_t* mode);
/* Reads from the selected port: terminator != 0 reads up to count bytes ending after the
 * terminator, each byte within the time-out, and zero-terminates (count + 1 bytes); terminator == 0
 * reads exactly count bytes within the time-out. *status gets 0 or -10, *bytes_read the count.
 * Returns *status; -1 when no port is open or an argument is null or negative. */
PORTIX32_API int32_t CV_ReadPort(char* buffer, int32_t count, int32_t* status, int32_t* bytes_read,
                                 int32_t terminator);
/* Writes the zero-terminated text to the selected port: the number of bytes written, or -1. */
PORTIX32_API int32_t CV_WritePort(const char* text);
/* Closes the selected port. Returns 0, -1 when it was not open. */
PORTIX32_API int32_t CV_ClosePort(void);
/* Selects LPT port (1 or 2) for the following calls. Returns 0, -1 for other numbers. */
PORTIX32_API int32_t CV_SelectPort(int32_t port);
/* Sets the time-out in milliseconds (<= 0: no limit). Returns 0. */
PORTIX32_API int32_t CV_SetSysTimeout(int32_t milliseconds);
/* Stores the name of the printer the setup program prints to (at most 255 bytes). Returns 0, -1
 * for a null or too long name. */
PORTIX32_API int32_t CV_SetPrinterName(const char* name);

#ifdef __cplusplus
}
#endif

#endif /* PORTIX32_H */
