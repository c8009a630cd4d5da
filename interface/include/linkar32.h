/*
 * LINKAR32, the interface library: the only place where bytes reach a device.
 *
 * One process-wide table of open ports (serial RS232/RS485, parallel, TCP, USB, GPIB numbers) under
 * one port-number model, a current port and device address, time-outs, terminated and counted reads,
 * writes, queue flushing, the communication log, clocks and typed copies. Every export returns a
 * signed 32-bit status (0 success, negative failure) unless documented otherwise. Texts are
 * zero-terminated 8-bit strings. Calls are not thread-safe: callers serialise them.
 *
 * On Linux, COM1..COM6 are the device paths in the environment variables LINKAR32_COM1..LINKAR32_COM6,
 * else /dev/ttyS0../dev/ttyS5; LPT1/LPT2 are LINKAR32_LPT1/LINKAR32_LPT2, else /dev/parport0/1.
 * A serial line is opened exclusively (TIOCEXCL and an flock on the device); a failed open writes the
 * reason in plain words to the log after the "Win32 error dump" line (missing device, busy, no
 * permission). The open/close lock is an flock on $XDG_RUNTIME_DIR/linkar32-CloseOpen.lock (else
 * /run/lock/, else /tmp/), released by the system when its holder dies; the file is opened read-only
 * and created readable by all (0644), so users of one folder share it whoever created it, and a file
 * that cannot be opened is waited for like a held lock. Closing a serial line first lets queued
 * output leave (up to 2 s plus the time the queued bytes need at the line speed), then discards
 * what is left. The time-out applies to
 * serial reads as follows: a terminated read gives each byte the time-out, an exact-count read the
 * whole read; a time-out of 0 or less waits without limit. Input is read through a per-port buffer
 * whose size is the receive buffer size of QBX_OpenPort (0: 4096 bytes); buffered bytes count in
 * QBX_GetSerInQLen and QBX_FlushInQueue. Pseudo-terminals ignore parity and data bits; opens on them
 * succeed with the rest of the settings applied. Unloading the library closes every port.
 *
 * USB (port 200) goes through libusb-1.0, loaded at run time ("libusb-1.0.so.0") at the first USB call;
 * when it or one of its functions is missing, or it cannot be initialised, every USB call gives -6003
 * from then on. A Corvane is a device whose vendor:product pair is listed in LINKAR32_USB_IDS
 * ("vvvv:pppp,..." in hex; unset: none); its serial-number string is its name, "usb:<bus>-<address>"
 * its device path, and its read and write pipes are the first bulk IN and bulk OUT endpoints of its
 * interface 0. With LINKAR32_USB_BACKEND=sim the devices are those of the device simulator listening
 * on the Unix socket LINKAR32_USB_SIM (-6003 while it cannot be reached). A USB read, terminated or
 * not, must end within the time-out counted from its start; bytes after a terminator stay buffered
 * for the next read.
 */
#ifndef LINKAR32_H
#define LINKAR32_H

#include <stdint.h>

#if defined(_WIN32)
#define LINKAR32_API __declspec(dllexport)
#else
#define LINKAR32_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Port numbers. */
enum {
  kQbxPortCom1 = 1,        /* 1..6: RS232 lines COM1..COM6 */
  kQbxPortRs485Com1 = 10,  /* 10, 20, 30, 40: RS485 multi-drop lines on COM1..COM4 */
  kQbxPortLpt1 = 90,
  kQbxPortLpt2 = 91,
  kQbxPortNull = 99,       /* selecting it makes reads and writes no-ops returning 0 */
  kQbxPortTcp = 100,
  kQbxPortUsb = 200,
  kQbxPortGpib0 = 488,     /* 488..491: GPIB boards 0..3 */
  kQbxPortNone = 1000      /* 1000 and above: no port */
};

/* Status codes. */
enum {
  kQbxOk = 0,
  kQbxOpenFailed = -1,        /* device or connection could not be opened; unknown TCP/USB id */
  kQbxNoCurrentPort = -2,     /* no current port, or port -1 given to a named-port operation */
  kQbxBadArgument = -3,       /* null pointer, negative count, or a size out of range */
  kQbxPortNotOpen = -4,       /* port not open (select, close) */
  kQbxCloseFailed = -6,       /* closing the handle failed */
  kQbxTableFull = -7,         /* port table full (128 entries) */
  kQbxReadFailed = -10,       /* read failed or timed out */
  kQbxRxOverflow = -11,       /* receive queue overflow */
  kQbxWriteFailed = -12,      /* write failed */
  kQbxRxOverrun = -13,        /* receive overrun */
  kQbxLogError = -20,         /* log not enabled or log file error */
  kQbxBreakFailed = -23,      /* break state could not be changed */
  kQbxGetSettingsFailed = -30,
  kQbxSetSettingsFailed = -31,
  kQbxQueueSetupFailed = -32, /* queue sizes or time-outs could not be set */
  kQbxLockTimeout = 258,      /* the open/close lock was not obtained in time */
  kQbxUsbWriteFailed = -6001,
  kQbxUsbPipeError = -6002,   /* pipe slot not open, or pipe read failed */
  kQbxUsbNoSetupApi = -6003,  /* device-setup interface (libusb) not available */
  kQbxUsbPipeOpenFailed = -6004
};

/* Extended serial parameters for QBX_SetExtendedComPars, applied at the next serial open. */
#pragma pack(push, 1)
typedef struct QbxExtComPars {
  int32_t out_cts_flow;    /* 0/1 */
  int32_t out_dsr_flow;    /* 0/1 */
  int32_t dtr_control;     /* 0 disable, 1 enable, 2 handshake */
  int32_t dsr_sensitivity; /* 0/1 */
  int32_t rts_control;     /* 0 disable, 1 enable, 2 handshake, 3 toggle */
  int32_t xon_xoff_out;    /* 0/1 */
  int32_t xon_xoff_in;     /* 0/1 */
  int32_t abort_on_error;  /* 0/1 */
  char xon_char;
  char xoff_char;
  uint16_t xon_limit;
  uint16_t xoff_limit;
} QbxExtComPars;
#pragma pack(pop)

/* ---- Port table (serial, and the other kinds behind the same operations) ---- */

/* Closes the log and every port, then resets the table to its initial state. Returns 0. A port whose
 * close fails is released all the same: no descriptor, socket or USB pipe outlives the table. */
LINKAR32_API int32_t QBX_OpenInterfaceLib(void);
/* Disables the log and closes every port; returns the close result (a failed serial close stops
 * the closing with -6; the ports after it stay open and in the table). */
LINKAR32_API int32_t QBX_CloseInterfaceLib(void);
/* Opens a port (or changes the line parameters of an open one) and makes it current.
 * Serial: baud in bit/s (any positive rate: the termios B* rates directly, others such as 14400 or
 * 76800 through the kernel's custom-rate interface (termios2, BOTHER); -31 when the line refuses
 * the rate or it is not positive), parity text ("n", "o", "e" by first
 * character; null or other: unchanged), data bits 5..8 (else -31), stop bits (1/2; other: unchanged),
 * receive buffer size (negative: -32). TCP (100): baud = connection id, parity = dotted IPv4 address, data bits =
 * TCP port (0 or 8: the echo service), receive buffer size (0: 16384). USB (200): baud = device id
 * (0..127, else -1), parity = device name, the serial-number text (at most 31 bytes, else -1; null: the
 * first Corvane found, kept under the name "UNKNOWN"); a device of that name already open becomes
 * current again with nothing opened; -6003 when USB is not available; a pipe that cannot be opened
 * (no such device, all 64 pipe slots in use) does not fail the open: reads and writes of that device
 * give -6002 and -12. Parallel (90/91): baud = the driver parameter: 95 drives the port through
 * PARLINK (its open result is not used: 0), any other value through PORTIX32 as its IEEE 1284 mode
 * (1 nibble, 3 byte, 4 EPP, 2 ECP), returning PORTIX32's result; the port enters the table even when
 * that open failed (a wake-up may open it later), but not when the driver library cannot be loaded
 * (-1). The drivers are libportix32.so and libparlink.so beside this library, or the files named by
 * LINKAR32_PORTIX32 and LINKAR32_PARLINK; LPT1/LPT2 are the devices named by LINKAR32_LPT1/
 * LINKAR32_LPT2, else /dev/parport0 and /dev/parport1. An open parallel port is opened again in the
 * driver the new parameter selects and becomes current.
 * TCP: a connection opened (or an address found open) becomes the current connection and port 100
 * the current port.
 * Returns 0, -1, -7, -30, -31, -32, -6003, 258, or 0 for numbers that open nothing. */
LINKAR32_API int32_t QBX_OpenPort(int32_t port, int32_t baud, const char* parity, int32_t data_bits,
                                  int32_t stop_bits, int32_t receive_buffer);
/* Makes an open port current: 0, or -4 when not open. 99 selects the null port, >= 1000 none. */
LINKAR32_API int32_t QBX_SelectPort(int32_t port);
/* Selects a device address on the current port (RS485: sends "S%02i\n"; TCP/USB: the connection id,
 * -1 when no connection or device has it). */
LINKAR32_API int32_t QBX_SelectDevice(int32_t address);
/* Closes the current port: 0, -4 (none open), -6, 258. */
LINKAR32_API int32_t QBX_ClosePort(void);
/* port 0: the current port; -1: every open port; else that port (-4 when not open). */
LINKAR32_API int32_t QBX_ClosePortEx(int32_t port);
/* Sets the process-wide time-out in milliseconds (initially 3000). Returns 0. */
LINKAR32_API int32_t QBX_SetTimeout(int32_t milliseconds);
/* Returns the current time-out in milliseconds. */
LINKAR32_API int32_t QBX_GetCurrTimeout(void);
/* Reads from the current port. terminator != 0: up to count bytes, stopping after the terminator,
 * each byte within the time-out; buffer must hold count + 1 bytes (zero-terminated).
 * terminator == 0: exactly count bytes within the time-out for the whole read.
 * *status gets 0 or the failure code, *bytes_read the byte count. Returns 0, -10, -11, -13
 * (USB: also -6002 when a pipe is not open or fails). */
LINKAR32_API int32_t QBX_ReadPort(char* buffer, int32_t count, int32_t* status, int32_t* bytes_read,
                                  int32_t terminator);
/* The same on a named port (handle and device from QBX_GetSocket). Port -1 returns -2. */
LINKAR32_API int32_t QBX_ReadPortEx(int32_t handle, int32_t port, int32_t device, char* buffer, int32_t count,
                                    int32_t* status, int32_t* bytes_read, int32_t terminator);
/* Writes the zero-terminated text to the current port: 0 or -12. */
LINKAR32_API int32_t QBX_WritePort(const char* text);
/* The same on a named port. Port -1 returns -2. */
LINKAR32_API int32_t QBX_WritePortEx(int32_t handle, int32_t port, int32_t device, const char* text);
/* Writes count bytes (zeros allowed) to the current port: 0 or -12 (also on parallel ports). */
LINKAR32_API int32_t QBX_WritePortCount(const char* data, int32_t count);
/* Discards pending input of the current port (the driver's queue and the library's read buffer);
 * returns the number of bytes discarded, -2 without port. */
LINKAR32_API int32_t QBX_FlushInQueue(void);
/* The same for a named port; port -1 returns -2. */
LINKAR32_API int32_t QBX_FlushInQueueEx(int32_t handle, int32_t port, int32_t device);
/* Discards pending output of a serial current port. 0, -2 without port. */
LINKAR32_API int32_t QBX_FlushOutQueue(void);
/* Bytes waiting in the input (output) queue of a serial current port; 0 otherwise. */
LINKAR32_API int32_t QBX_GetSerInQLen(void);
LINKAR32_API int32_t QBX_GetSerOutQLen(void);
/* Writes the byte 0x01 to the current port (except GPIB). 0, -12 when the write fails, -2 without port. */
LINKAR32_API int32_t QBX_ResetInterface(void);
/* Serial current port: on == 0 sets the break state, other values clear it. 0 or -23. */
LINKAR32_API int32_t QBX_ComBreak(int32_t on);
/* Writes 0x12 to every qualifying open port, then waits delay ms; returns the last write's result. */
LINKAR32_API int32_t QBX_ActivateInterpreter(int32_t delay);
/* Returns devices to idle: port 0 the current port, -1 every port, else that port at address.
 * 0, or -4 when the named port is not open (nothing is sent then). */
LINKAR32_API int32_t QBX_CloseInterpreterEx(int32_t port, int32_t address);
/* Serial current port: RTS control, handshake (mode != 0) or enabled (mode == 0). Only RTS changes:
 * on Linux one flag (CRTSCTS) couples the RTS handshake with CTS output flow, so the line settings
 * stay as the open and QBX_SetExtendedComPars made them. Both modes raise RTS through the modem
 * lines (TIOCMBIS); with CRTSCTS set, the driver then lowers and raises RTS as its receive buffer
 * fills and empties (the handshake), without it RTS stays raised. Lines without modem lines
 * (pseudo-terminals) ignore it. Returns 0; 0 on other kinds. */
LINKAR32_API int32_t QBX_SetCTSMode(int32_t mode);
/* Stores extended serial parameters for the next serial open. Returns 0 (64-bit, low word 0), or -3
 * for a null pointer. Linux has one RTS/CTS handshake (set when CTS output flow is 1 or RTS control
 * is 2), XON/XOFF both ways and their characters; it has no DSR flow control or sensitivity, DTR
 * handshake or RTS toggle, so an open with any of those fails with -31. The XON/XOFF limits and
 * abort-on-error are logged but have no equivalent (the kernel keeps its own thresholds). */
LINKAR32_API int64_t QBX_SetExtendedComPars(const QbxExtComPars* parameters);

/* ---- Parallel, TCP, USB, GPIB ---- */

/* Parallel-port power handling: wake returns the current port number when it is not a parallel
 * port (-1 with none), 0 when the port is awake or driven by PARLINK, else PORTIX32's open result
 * (the port is awake only when that open succeeded, also after QBX_OpenPort: a failed open is
 * tried again at the next wake-up).
 * Sleep closes a PORTIX32 current port in the driver (it stays in the table; reads and writes fail
 * until the next wake-up) and returns 0. */
LINKAR32_API int32_t QBX_Corvane_WakeUp(void);
LINKAR32_API int32_t QBX_Corvane_Sleep(void);
/* Looks up the handle of a port and, for TCP/USB, the 1-based position of connection id in *index.
 * Returns 0, or -1 when there is no such connection or device. */
LINKAR32_API int32_t QBX_GetSocket(int32_t port, int32_t id, int32_t* index, int32_t* handle);
/* Releases nothing: -2 for port -1, else 0. */
LINKAR32_API int32_t QBX_ReleaseSocketEx(int32_t handle, int32_t port, int32_t device);
/* Stores the seven GPIB control values; returns 0. */
LINKAR32_API int32_t QBX_SetGPIBCtrlBlock(int32_t v1, int32_t v2, int32_t v3, int32_t v4, int32_t v5, int32_t v6,
                                          int32_t v7);
/* Sets the GPIB control block defaults 1, 0, 0, 0, 0, 1, 10000; returns 0. */
LINKAR32_API int32_t QBX_InitGPIBCtrlBlock(void);
/* -2 without current port; the current port number when it is GPIB; else 0. */
LINKAR32_API int32_t QBX_SetEOIMode(int32_t mode);
/* Parallel port I/O permission (NT-family systems only): returns 0 at once on Linux. */
LINKAR32_API int32_t QBX_EnableNTPortIO(int32_t port);
LINKAR32_API int32_t QBX_DisableNTPortIO(int32_t port);
/* Number of Corvane USB devices found by a scan with room for 32 (at most 32), or -6003. */
LINKAR32_API int32_t USB_GetMaxUsbDevice(void);
/* Layout of the entries USB_ScanUsbDevice fills. */
enum {
  kQbxUsbScanFieldBytes = 255, /* the serial-number text, then the device path, each this long */
  kQbxUsbScanEntryBytes = 510
};
/* Fills up to count entries of 510 bytes (0..254 serial-number text, 255..509 device path, each
 * zero-terminated and zero-filled) in list, which holds count * 510 bytes; entries beyond the number
 * found are not touched. Returns the number filled, -3 for a negative count or a null list with
 * count > 0, or -6003 when USB is not available. */
LINKAR32_API int32_t USB_ScanUsbDevice(int32_t count, char* list);

/* ---- Communication log ---- */

/* Stores the log file name for the next QBX_EnableComLog (default "COMLOG.LOG"). Returns 0. */
LINKAR32_API int32_t QBX_SetLogFile(const char* name);
/* Opens the log (append), writes its "enabled" line and switches it on: 0, or -20 when the file
 * cannot be opened. A paused log is opened again, under the name set last, with a new "enabled"
 * line (a failure leaves it paused); an active log stays as it is. */
LINKAR32_API int32_t QBX_EnableComLog(void);
/* Writes the closing line, closes the log file and switches the log off. Returns 0. */
LINKAR32_API int32_t QBX_DisableComLog(void);
/* on == 0 pauses the log, other values resume it, without touching the file. Returns 0. */
LINKAR32_API int32_t QBX_PauseComLog(int32_t on);
/* Appends one entry with the "(%lu ms) >>> " prefix in 160-byte pieces; -20 when the log is off. */
LINKAR32_API int32_t QBX_WriteLog(const char* text);
/* The same with the device id in the prefix, under the open/close lock (258 after 1000 ms). */
LINKAR32_API int32_t QBX_WriteLogEx(int32_t port, int32_t direction, int32_t device, const char* text);

/* ---- Clocks ---- */

/* Millisecond counter (32-bit, wraps after 2^32 ms). */
LINKAR32_API uint32_t QBX_GetSysTime(void);
/* Milliseconds that continue across the counter's wrap. */
LINKAR32_API double QBX_GetSysTimeEx(void);
/* High-resolution milliseconds. */
LINKAR32_API double QBX_GetHighResTime(void);
/* Busy-waits the given milliseconds (<= 0 returns at once). Returns 0. */
LINKAR32_API int32_t QBX_Delay(int32_t milliseconds);

/* ---- Binary reads, typed copies, version ---- */

/* Reads exactly 2 * count bytes into buffer. -2 without current port; else the read status. */
LINKAR32_API int32_t QBX_Read2Bin(int16_t* buffer, int32_t count);
/* Reads exactly 4 * count bytes; each 32-bit word read is divided by 256 (24-bit samples). The null
 * port and the no-port numbers read nothing and leave buffer untouched. */
LINKAR32_API int32_t QBX_Read4Bin(int32_t* buffer, int32_t count);
/* Transfer counter of kind 1, 2 or 3 (always 0); -1 for other kinds. */
LINKAR32_API int32_t QBX_ReadTransferCounter(int32_t kind);
/* Copies one float / 32-bit / 16-bit integer from a byte buffer into a typed variable. Return 0. */
LINKAR32_API int32_t QBX_String2Float(const void* source, float* target);
LINKAR32_API int32_t QBX_String2Long(const void* source, int32_t* target);
LINKAR32_API int32_t QBX_String2Int(const void* source, int16_t* target);
/* Copy bytes bytes (overlap allowed). Return 0. */
LINKAR32_API int32_t QBX_String2FloatBlock(const void* source, float* target, int32_t bytes);
LINKAR32_API int32_t QBX_String2LongBlock(const void* source, int32_t* target, int32_t bytes);
LINKAR32_API int32_t QBX_String2IntBlock(const void* source, int16_t* target, int32_t bytes);
/* Copies the 43-byte version text into text. Returns 0. */
LINKAR32_API int32_t QBX_GetComLibVersion(char* text);

/* The meaning of a status of this library in English, as a static zero-terminated text that the
   caller must not free or change: "success" for 0, "unknown status" for a number that is not one of
   the statuses above. Never null; safe to call at any time. */
LINKAR32_API const char* QBX_StatusText(int32_t status);

#ifdef __cplusplus
}
#endif

#endif /* LINKAR32_H */
