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

/* ================= Tare, single readings, acquisition ================= */

/* Chooses the channels to tare: clears the tare bit of every channel's state (unconnected channels,
 * amplifier 5050, excepted), sets it for the count channels listed, and sends the state of every
 * channel but 5050 ("ACT"). Returns 0, kCvBadValue (count < 0, channels null), kCvBadChannel (a
 * listed channel does not exist; nothing changed), or the first failure of a state transfer. */
CORVAN32_API int32_t CV_TareSetup(int32_t count, const int32_t* channels);
/* The same with the measure bit: chooses the channels that CV_MeasOneVal and CV_ACQRead read. */
CORVAN32_API int32_t CV_ACQSetup(int32_t count, const int32_t* channels);
/* Tares every channel in tare state (6202, 6203) with "TAR?": the tare value becomes the raw tare
 * reading scaled to the range, plus 100/500/1000 Ohm for PT100/PT500/PT1000, linearised (overflow
 * codes give their floats). Offline: the tare value becomes the last measured value. Returns 0,
 * kCvNoActiveChannel, or the interface status of a failed write or read. */
CORVAN32_API int32_t CV_DoTara(void);
/* One reading of every measuring channel (6201, 6203) with "OMB?0" into its last measured value
 * (selector 256); digital I/O channels (5055) get the 16 input lines as their digital value, read
 * as an unsigned 16-bit word (0xFFFF is 65535), as a bit pattern should be.
 * Offline: returns 0, nothing changes. Returns 0, kCvNoActiveChannel, or an interface status. */
CORVAN32_API int32_t CV_MeasOneVal(void);
/* Starts a block acquisition: scans 0..20000; rate a measuring rate id 6300..6320 or -1 (unchanged);
 * trigger_mode 6100 immediate, 6101 with CV_Trigger, 6102 external, 6103 internal, or -1 (none);
 * for 6103: trigger_channel 0..7, trigger_level in the channel's unit (must fit the 16-bit raw
 * range), trigger_condition 6000 >=, 6001 <=, 6002 rising, 6003 falling edge; pre_trigger 0..200
 * scans. Sends "PRG?9,0", the rate ("ICR"; its result is not checked, and a start that goes on
 * keeps it as the last device status), "DTR" for the internal trigger and "MSV". Returns 0,
 * kCvBadValue (an argument out of range, or offline), the device's error number after a refusal, or
 * an interface status. */
CORVAN32_API int32_t CV_ACQStart(int32_t scans, int32_t rate, int32_t trigger_mode, int32_t trigger_channel,
                                 float trigger_level, int32_t trigger_condition, int32_t pre_trigger);
/* Waits up to timeout_ms (polling "MSV?") until `scans` scans are available, then reads them with
 * "OMB?scans" into values: scans x (number of measuring channels) floats, scan by scan, channels in
 * ascending order within a scan; physical values (overflow codes as their floats, digital channels
 * as their raw lines, unsigned 16-bit). The interface time-out is 3000 ms again afterwards on every
 * path. Without a measuring channel it returns kCvNoActiveChannel before anything is sent. Each
 * poll looks at the device state first: state 5 ends the read with kCvDeviceState5 at once, without
 * waiting for the time-out. Then the scan count: when enough scans are there they are read, even if
 * the time-out has passed meanwhile (data the device holds are never given up for a late poll);
 * only a poll that finds too few scans after the time-out gives kCvDataTimeout.
 * Returns 0; kCvBadValue (scans outside 1..3000, timeout negative, values null, offline);
 * kCvNoActiveChannel; kCvDataTimeout when the scans were not available in time; kCvDeviceState5
 * when the device reports state 5; kCvOutOfMemory; the device's error number after a refusal; or
 * an interface status (e.g. -10 when the device does not answer within timeout_ms). */
CORVAN32_API int32_t CV_ACQRead(int32_t scans, int32_t timeout_ms, float* values);
/* Stops the acquisition ("STP"), waits 50 ms and discards what is still on the line. Returns 0, the
 * device's error number after a refusal, kCvBadValue offline, or an interface status. */
CORVAN32_API int32_t CV_ACQStop(void);
/* Sends the trigger command "TRG". Returns 0, the device's error number after a refusal,
 * kCvBadValue offline, or an interface status. */
CORVAN32_API int32_t CV_Trigger(void);
/* Shunt calibration of the listed channels of amplifier 5058 (others are skipped): a reading b with
 * the shunt signal (43), then a reading c with the measuring signal (42) taken with b as scale
 * factor; the channel scale factor (selector 8192) becomes 1 / (b - c), or 1 when b or c is an
 * overflow value or b equals c. Results of the single steps are not checked. Returns 0, or
 * kCvBadValue when count < 0 or channels is null. */
CORVAN32_API int32_t CV_ACQShuntCal(int32_t count, const int32_t* channels);

/* ================= Settings file ================= */

/* Writes the settings of the chain to file_name (replacing it).
 * form 0: the binary settings file: header text "QBX Corvane structure" (22 bytes), version "2.00"
 *   (5 bytes), the 64-byte DeviceBlock, then the 72-byte ChannelRecord of each existing channel
 *   0..count-1 (91 + 72 x count bytes).
 * form 1: the text report (CR LF lines): title, date, device settings, then one block per channel
 *   other than the auxiliary channels; labels padded to 30 characters, numbers with four decimals
 *   under every locale, overflow tare values as words, "-" where a channel type has no state.
 * Returns 0; kCvBadValue for another form; kCvFileOpenFailed when the file cannot be created (or
 * file_name is null); kCvFileWriteFailed when a write fails. */
CORVAN32_API int32_t CV_WriteSettings(const char* file_name, int32_t form);

/* Reads a binary settings file (form 0) into memory; nothing is sent to the device. The current form
 * is read first; when it is not recognised (header missing, too short before its device block,
 * channel count outside 0..100) the older form (16-bit fields, 60-byte records) is read instead.
 * Taken: measuring rate, filter type and frequency; offline the file's channel count (online the
 * chain keeps its count and min(file, chain) records are read); per record, when the amplifier
 * type matches (offline: taken from the file): identification text, unit, state, transducer,
 * range, range value, measured and tare value, filter mode (older form: name too, range value
 * derived). A failed read leaves what was taken before the failure.
 * form 1 does nothing and returns 0. Returns 0; kCvUnknownReadForm for another form;
 * kCvFileOpenFailed (also for a null file_name); kCvFileTooShort for a short file or a channel
 * count above 100; kCvFileNotSettings when the header text is missing; kCvFileSeekFailed. */
CORVAN32_API int32_t CV_ReadSettings(const char* file_name, int32_t form);

#ifdef __cplusplus
}
#endif

#endif /* CORVAN32_MEASURE_H */
