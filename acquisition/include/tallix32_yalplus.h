/*
 * TALLIX32 exports of the YALPLUS amplifier system (device type 2000) and of its press-fit
 * evaluation YALPRESS. Included by tallix32.h; the conventions there hold (int32_t status results,
 * caller-owned buffers, one thread). Every export that talks to a device uses the interface
 * library's current port and device address unless it says it selects them itself.
 */
#ifndef TALLIX32_YALPLUS_H
#define TALLIX32_YALPLUS_H

#include <stdint.h>

#if defined(_WIN32)
#define TALLIX32_YALPLUS_API __declspec(dllexport)
#else
#define TALLIX32_YALPLUS_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes of the YALPLUS family beside those of tallix32.h. */
enum {
  kYalDeviceError = -207,        /* a slot or sub-channel selection was refused, or ESR? reported an error,
                                    or a binary block was malformed */
  kYalDiskRefused = -305,        /* disk recording refused; disk file empty or missing; free space unknown */
  kYalDiskFileNotCreated = -306, /* the local file could not be created or written */
  kYalDiskFull = -307,           /* the local drive has not room for the file */
  kYalDiskReadFailed = -308,     /* the transfer from the device broke off */
  kYalSignalRefused = -320,      /* the device refused a signal selection (MSS) */
  kYalRateRefused = -321,        /* the device refused a FIFO rate (ICR) */
  kYalTriggerOutputMode = -403,  /* the trigger output mode was not taken */
  kYalFifoOverflow = -405        /* a FIFO overflowed: stored as the device's last error */
};

/* The kernel's exports on devices of type 2000 (tallix32.h), as this family serves them:
 * - QBX_ACQInitDevice: "SRB1", "IDN?"; the firmware version (from the identity) sets the minimal
 *   pre-trigger (1 from version 2.065, else 8).
 * - QBX_ACQInitChan: the channel's slot, sub-channel, signal and stream; the header gets the
 *   full-scale count (7680000 for 4-byte samples, 30000 for 2-byte), the span as range and the
 *   device's unit; -217 for an empty or refused slot, -207 for another refusal. Mode -100 reads back
 *   instead, per channel, items 109 (card type), 110 (serial number), 111..150 (data-sheet entries
 *   1..40) and 151 (the sub-channel's entry): each item is put where QBX_ACQGetItem finds it (text,
 *   and its first number as integer and real) and announced by the message (item, channel); a
 *   refused item by (-1, channel). QBX_ACQSetAbortFlag ends the read-back.
 * - QBX_ACQStartMultiScan: the text names the recording on the device's disk (then the start ends
 *   after that device); results -207, -225, -305, -320, -321, -403 besides the interface's.
 * - QBX_ACQReadMultiScan: values are physical (count x scale - offset); time channels (slots 17,
 *   18) in seconds, counter channels (slot 19) in counts; a channel's status word is the status byte
 *   of its last 4-byte sample. -199 not filled yet, -214 block too large, -207 malformed block.
 * - QBX_ACQCmd codes (value: int32_t, float or two of them; queries write the reply back):
 *   1 tare, 2 zero the dead load, 3 calibrate, 4 (int) "CPV", 5 "CAP0", 6 and 7 (float[2]) the
 *   calibration points "CAP1"/"CAP2", 8 (float) "CAV0", 9 (int) "AIS", 10 (int) "ACL", 11 and 12
 *   (float) the filter values "GFV"/"BFV", 13 and 14 (int32_t[2]) "SFC"/"SAD", 15 (int) "SPS",
 *   16 (float[2], the first as integer) "LVL"; queries 101, 102, 108, 111, 112 (float out), 104,
 *   109, 110, 115 (int32_t out), 106, 107 (float[2] out), 113, 114 (int32_t[2] out). A refused
 *   command: -270; a device error at the selection: -207; another code: -253 without traffic. */

/* Sets the dynamic read mode (non-zero: a read of mode -1.0 takes at most the requested length). 0. */
TALLIX32_YALPLUS_API int32_t YALPLUS_SetDynReadMode(int32_t mode);
/* n > 0: a read of mode -1.0 fetches at most n scans per FIFO; else 1000. 0. */
TALLIX32_YALPLUS_API int32_t YALPLUS_SetMaxDynReadBlock(int32_t n);
/* n > 0: the minimal pre-trigger scans; else 1 (a device set-up replaces it from the firmware). 0. */
TALLIX32_YALPLUS_API int32_t YALPLUS_SetMinPreTrig(int32_t n);
/* Stores FIFO `fifo` (0..3) of device `device` (0..63) mode and three values (also the FIFO's skip
 * value of QBX_ACQSetSkipFiFo). Modes: 0 read after a status poll, 1 and 2 read without a poll,
 * 3 and 4 not read; modes 2 and 4 keep the FIFO filled up to value 1 (see the read). Mode 0 also
 * makes the FIFO's rate the device's FIFO 0 rate and gives every channel of that FIFO with FIFO
 * number 4 its full-scale count (7680000 for 4-byte samples, 30000 for 2-byte) and the matching
 * scale factor (the span the channel set-up read, divided by that count). -1 for a device or FIFO
 * outside. */
TALLIX32_YALPLUS_API int32_t YALPLUS_SetFIFOMode(int32_t device, int32_t fifo, int32_t mode, int32_t value1,
                                                 int32_t value2, int32_t value3);
/* Selects the device's port and address (a negative selection is returned); "STP", "TSV". A refusal
 * of either: "ESR?" and -1; else 0. Device outside 0..63: -1. */
TALLIX32_YALPLUS_API int32_t YALPLUS_RestartMeasurement(int32_t device);

/* Progress of YALPLUS_TransferDiskFile: the text "Transfer: <n> Byte of <total> (<percent>)" after
 * each piece, and the caller's context pointer. */
typedef void (*YalplusProgressCallback)(const char* text, void* context);
/* Copies the file `device_name` of the current device's disk into the local file `local_path`
 * ("RHD?<name>"; the device answers a 4-byte big-endian length and the bytes). progress may be
 * NULL. Results: 0 (also after an abort through QBX_ACQSetAbortFlag, which shows "Disk transfer
 * aborted!", stops the device and clears the flag; the part already copied stays in the file);
 * -305 length 0 or negative, or the free space of the local file's folder cannot be determined
 * (message "Unable to determine available disk space: <errno>"); -307 not room enough; -306 the
 * local file cannot be created or written; -308 the device stopped sending; -1 NULL names. */
TALLIX32_YALPLUS_API int32_t YALPLUS_TransferDiskFile(const char* device_name, const char* local_path,
                                                      YalplusProgressCallback progress, void* context);

/* YALPRESS: press-fit evaluation on YALPLUS channels (1..32 of the current device, as bit mask
 * 1 << (channel - 1) of "CHS"). Each export first selects its channel(s), then asks "ESR?": an
 * error above 0 gives -207, a refused selection -253; a refused evaluation command gives -253 too.
 * Channel numbers outside 1..32: -1. */

/* "FDE?0": 3 when bit 0x80 of the status is set (evaluation running), else 2 when bit 0x02, else
 * bit 0x01 (0 or 1). */
TALLIX32_YALPLUS_API int32_t YALPRESS_GetEvalStatus(int32_t channel);
/* "FDE1" (on != 0) or "FDE0". 0. */
TALLIX32_YALPLUS_API int32_t YALPRESS_RunEval(int32_t channel, int32_t on);
/* "FDI?": the two I/O port words. 0; -1 for NULL. */
TALLIX32_YALPLUS_API int32_t YALPRESS_GetIOPorts(int32_t channel, int32_t* port1, int32_t* port2);
/* "FDH<n>": clears statistics set n. 0. */
TALLIX32_YALPLUS_API int32_t YALPRESS_ClearStatistics(int32_t channel, int32_t n);
/* "FDH?<n>": the reply's numbers into values (at most capacity of them); returns how many the reply
 * held (values beyond capacity are dropped). -1 for NULL values with capacity > 0. */
TALLIX32_YALPLUS_API int32_t YALPRESS_GetStatistics(int32_t channel, int32_t n, double* values, int32_t capacity);
/* The 48 result words of the last evaluation of x against y: "ISV?" (offset and span of x, then
 * of y), "FDE?1" (block "#48", one status byte, 48 big-endian 16-bit words, CR LF). Word i is
 * scaled with x's scale when i % 3 == 0, with y's when i % 3 == 1, and kept raw when i % 3 == 2;
 * each value is appended to database channel db_channel with QBX_WriteToDatabase. evaluation
 * channel is the channel whose evaluation is read (it is selected with x and y). 0; -207 a
 * malformed block; database errors. */
TALLIX32_YALPLUS_API int32_t YALPRESS_GetEvalData(int32_t channel_x, int32_t channel_y, int32_t eval_channel,
                                                  int32_t db_channel);
/* The curve of the last evaluation, n (x, y) points: "ISV?", "FDE?0" (-199 while an evaluation
 * runs), "FDB?4,<n>" (block "#" + 3-byte big-endian byte count, then big-endian 16-bit x, y pairs).
 * Scaled into x_out and y_out (n doubles each); returns the points delivered (at most n). */
TALLIX32_YALPLUS_API int32_t YALPRESS_GetDynData(int32_t channel_x, int32_t channel_y, int32_t n, double* x_out,
                                                 double* y_out);
/* The same into the IO buffers of kernel channels array_x and array_y from index 0 (current length
 * and read block count = points; -214 when a buffer is smaller than n, -412 without buffer). */
TALLIX32_YALPLUS_API int32_t YALPRESS_GetDynDataArray(int32_t channel_x, int32_t channel_y, int32_t n,
                                                      int32_t array_x, int32_t array_y);
/* Every step-th point of curve `curve` from point `first`, n points: "FDB?<curve>,<first>,<n>,<step>". */
TALLIX32_YALPLUS_API int32_t YALPRESS_GetDynDataComp(int32_t channel_x, int32_t channel_y, int32_t curve,
                                                     int32_t first, int32_t n, int32_t step, double* x_out,
                                                     double* y_out);
TALLIX32_YALPLUS_API int32_t YALPRESS_GetDynDataCompArray(int32_t channel_x, int32_t channel_y, int32_t curve,
                                                          int32_t first, int32_t n, int32_t step, int32_t array_x,
                                                          int32_t array_y);

#ifdef __cplusplus
}
#endif

#endif /* TALLIX32_YALPLUS_H */
