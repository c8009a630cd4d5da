/*
 * TALLIX32 family exports: the functions of the kernel's built-in device families beside the
 * Corvane (analog and digital outputs and inputs shared by several families, the ZELPLUS, VELMA,
 * ATMIO and CAN-bus functions) and the status codes the family code returns. Included by
 * tallix32.h; conventions as there.
 */
#ifndef TALLIX32_FAMILIES_H
#define TALLIX32_FAMILIES_H

#include <stdint.h>

#if defined(_WIN32)
#define TALLIX32_FAMILY_API __declspec(dllexport)
#else
#define TALLIX32_FAMILY_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes of the device families (beside those of tallix32.h). */
enum {
  kAcqDeviceErrorStatus = -207,   /* the device refused a selection or reports an error status above 0 */
  kAcqOneChannelOnly = -220,      /* more than one measured channel on a device that measures one */
  kAcqRateRejected = -252,        /* the YAL sample-rate library rejected the rate */
  kAcqDiskNoLength = -305,        /* disk recording refused, or a disk file without length / free space */
  kAcqDiskCreateFailed = -306,    /* the local file of a disk transfer could not be created */
  kAcqDiskTooSmall = -307,        /* the local drive cannot hold the disk file */
  kAcqDiskReadFailed = -308,      /* a disk transfer read failed */
  kAcqSignalRefused = -320,       /* the device refused a signal selection */
  kAcqRateRefused = -321,         /* the device refused a FIFO rate */
  kAcqTriggerOutputRefused = -403 /* the device did not accept the trigger output mode */
};

/* Family command codes of QBX_ACQCmd beside the Corvane's (value pointer in brackets). Each family
 * takes the codes its exchange sequences list and answers -253 to the others; a refusal: -270. The
 * type-100 family also answers the queries 109, 115..120 on its first listed input. */
enum {
  kAcqCmdTare = 1,      /* tare the listed channels (none) */
  kAcqCmdCalibrate = 2, /* calibrate the amplifier (none) */
  kAcqCmdZero = 3,      /* zero the amplifier ("CPV") (none) */
  kAcqCmdLinPoint = 5,  /* one linearisation point (double[3]: point, input, output) */
  kAcqCmdTareSource = 6 /* tare source or tare mode (int32_t) */
};

/* ---- Outputs and inputs shared by several families ------------------------------------------- */

/* Writes values[i] (doubles) to the analog output channels[i] (32-bit channel numbers, 1..10000
 * else -450). Only channels of signal kind 7 or device type 2000 count: type 16 (ATMIO) -234;
 * type 91 (ZELPLUS): its port and address selected, ZELPLUS_ANALOGOUT (DIO port, hardware channel,
 * value); type 2000: its port and address selected, "PCS%i" with the hardware channel (slot) and
 * "LVL%i,%s" with the DIO port and the value (a refusal: -207). Other types: nothing. The first
 * negative result ends the call and is returned; else count. count < 0 or NULL: -1. */
TALLIX32_FAMILY_API int32_t QBX_ACQAOWrite(int32_t count, const int32_t* channels, const double* values);
/* Sets the bit of each listed digital output to bits[i] (its low 16 bits: 0 clears, else sets).
 * Only channels of signal kind 5 or device type 2000 count: type 8 the Corvane digital output
 * (hardware channel 8, 18, .. 78, DIO bit 0..7, else -253: "DPI?%i", then "DPI%i,%i" with the bit
 * changed); 16 -234; 91 ZELPLUS_DIGLINOUT (DIO port, hardware channel, DIO bit, value); 2000
 * "PCS%i" with the DIO port 1..16, then "SOP%i,1" or "SOP%i,0" with the DIO bit 1..8 (+8 when the
 * hardware channel is 1; other ports or bits -253, a refusal -207). The port and address of each
 * channel are selected first. The first negative result ends the call; else 0. */
TALLIX32_FAMILY_API int32_t QBX_ACQDIOWrite(int32_t count, const int32_t* channels, const int32_t* bits);
/* Reads the bit of each listed digital input into bits[i] (0 or 1): channels of signal kind 6 or
 * device type 2000; type 8 "DPI?%i"; 16 -234; 91 ZELPLUS_DIGLININ; 2000 "PCS%i", "RIP?" and the
 * bit of its reply (bit numbering as QBX_ACQDIOWrite). Results as QBX_ACQDIOWrite. */
TALLIX32_FAMILY_API int32_t QBX_ACQDIORead(int32_t count, const int32_t* channels, int32_t* bits);

/* ---- CAN bus and ATMIO boards ----------------------------------------------------------------- */

/* Keeps the four CAN-bus initialisation parameters for the host. 0. */
TALLIX32_FAMILY_API int32_t CANBUS_SetInitParameters(int32_t p1, int32_t p2, int32_t p3, int32_t p4);
/* Copies ATMIO control record `index` (0..63, 348 bytes = 87 32-bit words) in from / out to the
 * caller's record. The kernel does not use the records; QBX_ACQInitAcqHdr resets them. 0; -1 for
 * an index outside 0..63 or NULL. */
TALLIX32_FAMILY_API int32_t QBX_ACQSetATMIOCtrlStruct(int32_t index, const void* record);
TALLIX32_FAMILY_API int32_t QBX_ACQGetATMIOCtrlStruct(int32_t index, void* record);
/* The ATMIO board functions: the kernel carries no ATMIO code; each returns -234. ATMIO_DIGPRTIN
 * also sets *value to 0 (when not NULL). */
TALLIX32_FAMILY_API int32_t ATMIO_DIGCONF(int16_t board, int16_t port, int16_t direction);
TALLIX32_FAMILY_API int32_t ATMIO_DIGPRTOUT(int16_t board, int16_t port, int32_t value);
TALLIX32_FAMILY_API int32_t ATMIO_DIGLINECONF(int16_t board, int16_t port, int16_t line, int16_t direction);
TALLIX32_FAMILY_API int32_t ATMIO_DIGLININ(int16_t board, int16_t port, int16_t line, int16_t* state);
TALLIX32_FAMILY_API int32_t ATMIO_DIGLINOUT(int16_t board, int16_t port, int16_t line, int16_t state);
TALLIX32_FAMILY_API int32_t ATMIO_DIGPRTIN(int16_t board, int16_t port, int32_t* value);

/* ---- ZELPLUS (device type 91), on the current port and address -------------------------------- */

/* Sets (value != 0) or clears bit 0..15 of digital port `port`, line `line` (port 0 uses line 2):
 * "DPI?%i,%i" reads the port value, "DPI%i,%i,%i" writes it with the bit changed. 0; -253 for a
 * bit outside 0..15; -207 when the device refuses; interface statuses. */
TALLIX32_FAMILY_API int32_t ZELPLUS_DIGLINOUT(int16_t port, int16_t line, int32_t bit, int32_t value);
/* Reads bit 0..15 of digital port `port`, line `line` (port 0 uses line 1) into *value (0 or 1)
 * with "DPI?%i,%i". Results as ZELPLUS_DIGLINOUT; NULL value: -1. */
TALLIX32_FAMILY_API int32_t ZELPLUS_DIGLININ(int16_t port, int16_t line, int32_t bit, int32_t* value);
/* Sets analog output `channel` of port `port` to value (volts): "DAU%i,%i,%li" with
 * value x 0.1 x 4000000 truncated. 0; -207 on a refusal; interface statuses. */
TALLIX32_FAMILY_API int32_t ZELPLUS_ANALOGOUT(int16_t port, int16_t channel, double value);

/* ---- VELMA (device type 40), on the current port and address --------------------------------- */

/* The amplifier settling time-out in ms (60000 at load). 0. */
TALLIX32_FAMILY_API int32_t VELMA_SetAmplifierSettlingTimo(int32_t ms);
/* Repeats "XST?" until bit 0x200 is clear in the first integer of the reply (in both when it holds
 * two): 0; -1 when the settling time-out passes first; interface statuses. */
TALLIX32_FAMILY_API int32_t VELMA_WaitForAmplifierSettling(void);
/* The same with bit 0x100 (calibration running). */
TALLIX32_FAMILY_API int32_t VELMA_WaitForCalibrationComplete(void);

#ifdef __cplusplus
}
#endif

#endif /* TALLIX32_FAMILIES_H */
