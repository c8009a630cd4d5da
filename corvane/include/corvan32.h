/*
 * CORVAN32, the Corvane amplifier driver: connection, command protocol, settings model and
 * settings transfer.
 *
 * A chain of up to ten Corvane amplifiers behind one interface is seen as one device with up to
 * 100 channels numbered 0..count-1 (ten slots per amplifier: eight measuring channels, the digital
 * I/O channel, the auxiliary channel). The library reaches the line only through LINKAR32's current
 * port. Every export returns a signed 32-bit status: 0 success, a negative library status (kCv...),
 * a negative interface status passed up from LINKAR32 (kQbx..., e.g. -10 read time-out, -12 write
 * failure), or a positive device error number 10000..10022. Texts are zero-terminated 8-bit texts
 * (the degree sign of "°C" is byte 0xB0); a caller's text buffer of 256 bytes is always enough.
 * Lists are written as 32-bit integers ending with a 0 entry (room for 26 entries is enough).
 * Calls are not thread-safe: a process serialises its CV_ calls.
 *
 * Two editions carry the same exports and behaviour: libcorvan32.so (English texts) and
 * libcorvan32_de.so (German texts). Measurement, tare and the settings file are declared in
 * corvan32_measure.h.
 */
#ifndef CORVAN32_H
#define CORVAN32_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define CORVAN32_API __declspec(dllexport)
#else
#define CORVAN32_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Status codes of the library ---- */
enum {
  kCvOk = 0,
  kCvNoIndexString = -1,        /* id not in the index-string table */
  kCvOutOfMemory = -100,        /* a channel record or the block buffer could not be allocated */
  kCvNoResource = -102,         /* string resource not found */
  kCvUnknownSelector = -103,    /* selector not handled by the operation (or none of its bits) */
  kCvUnitDerived = -104,        /* the unit text is derived from the range and cannot be set */
  kCvBadValue = -105,           /* value or argument outside its allowed set; null pointer */
  kCvOfflineOnly = -106,        /* the channel count can be changed in offline mode only */
  kCvOfflineFlagFixed = -107,   /* the offline flag cannot be set */
  kCvDataTimeout = -108,        /* time-out while waiting for measured data */
  kCvDeviceState5 = -109,       /* the device reported state 5 while measured data were awaited */
  kCvNoActiveChannel = -110,    /* no channel takes part (measuring or taring) */
  kCvBadChannel = -111,         /* channel index negative, above the channel count, or no record */
  kCvEstRefused = -112,         /* the device refused the error-status query */
  kCvNoUnit = -113,             /* no unit for this amplifier and transducer */
  kCvUnknownReadForm = -114,    /* unknown form when reading a settings file */
  kCvBadReply = -115,           /* reply malformed: no LF within 1024 bytes, a field missing or not
                                   numeric, or a set command neither confirmed nor explained */
  kCvLinUnsupported = -218,     /* transducer without linearisation; value unchanged */
  kCvLinClamped = -219,         /* value outside the linearisation table; clamped */
  /* settings-file errors */
  kCvFileOpenFailed = -10,
  kCvFileSeekFailed = -12,
  kCvFileTooShort = -13,
  kCvFileWriteFailed = -14,
  kCvFileNotSettings = -15
};

/* ---- Device error numbers (positive; EST? reports them) ---- */
enum {
  kCvErrAfterReset = 10000,
  kCvErrTransmission = 10001,
  kCvErrSystem = 10002,
  kCvErrUnknownCommand = 10003,
  kCvErrParameterCount = 10004,
  kCvErrParameterValue = 10005,
  kCvErrFilterFrequency = 10006,
  kCvErrOverload = 10007,
  kCvErrNotExecutable = 10008,
  kCvErrOmb = 10009,
  kCvErrChannel = 10010,
  kCvErrMeasuring = 10011,
  kCvErrTrigger = 10012,
  kCvErrRange = 10013,
  kCvErrTare = 10014,
  kCvErrLostSlave = 10015,
  kCvErrFlashMode = 10020,
  kCvWarnFilterFrequency = 10021, /* warnings: returned as they come */
  kCvWarnTareState = 10022,
  kCvLastDeviceError = 10099      /* device error numbers lie in 10000..10099 */
};

/* ---- Where a status came from, for CV_StatusText ---- */
enum {
  kCvStatusOfLine = 0, /* a call that talks to the amplifier: -10, -12 ... are interface statuses */
  kCvStatusOfFile = 1  /* a settings-file call: -10, -12 ... -15 are the settings-file statuses */
};

/* ---- Channel selectors (one bit each; load/save accept several) ---- */
enum {
  kCvChanRangeValue = 1,      /* float, derived from the range */
  kCvChanAmplifier = 2,       /* amplifier type id 5050..5058 */
  kCvChanIdent = 4,           /* identification text (10 bytes) */
  kCvChanName = 8,            /* channel name (20 bytes) */
  kCvChanState = 16,          /* state id 6200..6203 */
  kCvChanTransducer = 32,     /* transducer id 350..528 */
  kCvChanRange = 64,          /* range id 700..770 */
  kCvChanUnit = 128,          /* unit text (6 bytes), derived */
  kCvChanMeasured = 256,      /* float, last measured value */
  kCvChanTare = 512,          /* float, tare value in the unit */
  kCvChanFilterMode = 1024,   /* 148 variable, 149 const */
  kCvChanDigital = 2048,      /* 32-bit digital value; a word read from the device is its 16 lines
                                 as an unsigned number (0xFFFF is 65535, never -1) */
  kCvChanSignal = 4096,       /* signal selector id 42 / 43 */
  kCvChanScale = 8192         /* float, channel scale factor */
};

/* ---- Device selectors ---- */
enum {
  kCvDevChannelCount = 1,
  kCvDevRate = 2,
  kCvDevFilterType = 4,
  kCvDevFilterFrequency = 8,
  kCvDevSerial = 16,
  kCvDevVersion = 32,
  kCvDevType = 64,
  kCvDevOffline = 128
};

/* ---- Fixed-layout records (little-endian, no padding; the settings file stores them whole) ---- */
#pragma pack(push, 1)
typedef struct ChannelRecord {
  int32_t amplifier;       /* amplifier type id */
  char ident[10];          /* identification text, "4711" after creation */
  char name[20];           /* channel name */
  char unit[6];            /* unit text, derived from the range */
  int32_t state;           /* 6200..6203: bit 0 measure, bit 1 tare */
  int32_t transducer;      /* transducer id */
  int32_t range;           /* measuring range id */
  int32_t filter_mode;     /* 148 variable, 149 const */
  float range_value;       /* full-scale value of the range in the unit */
  float measured;          /* last measured value */
  float tare;              /* tare value in the unit */
  int32_t digital;         /* digital value (digital I/O channels) */
} ChannelRecord;

typedef struct DeviceBlock {
  int32_t channel_count;
  int32_t rate;             /* measuring rate id 6300..6320 */
  int32_t filter_type;      /* 140..142 */
  int32_t filter_frequency; /* 914..971 or 1199 */
  char serial[10];
  char version[24];
  char device_type[10];
  int32_t offline;          /* 1 in offline mode */
} DeviceBlock;
#pragma pack(pop)

#ifdef __cplusplus
#define CORVAN32_STATIC_ASSERT(c, m) static_assert(c, m)
#else
#define CORVAN32_STATIC_ASSERT(c, m) _Static_assert(c, m)
#endif
CORVAN32_STATIC_ASSERT(sizeof(ChannelRecord) == 72, "ChannelRecord is 72 bytes");
CORVAN32_STATIC_ASSERT(offsetof(ChannelRecord, amplifier) == 0, "amplifier at 0");
CORVAN32_STATIC_ASSERT(offsetof(ChannelRecord, ident) == 4, "ident at 4");
CORVAN32_STATIC_ASSERT(offsetof(ChannelRecord, name) == 14, "name at 14");
CORVAN32_STATIC_ASSERT(offsetof(ChannelRecord, unit) == 34, "unit at 34");
CORVAN32_STATIC_ASSERT(offsetof(ChannelRecord, state) == 40, "state at 40");
CORVAN32_STATIC_ASSERT(offsetof(ChannelRecord, transducer) == 44, "transducer at 44");
CORVAN32_STATIC_ASSERT(offsetof(ChannelRecord, range) == 48, "range at 48");
CORVAN32_STATIC_ASSERT(offsetof(ChannelRecord, filter_mode) == 52, "filter mode at 52");
CORVAN32_STATIC_ASSERT(offsetof(ChannelRecord, range_value) == 56, "range value at 56");
CORVAN32_STATIC_ASSERT(offsetof(ChannelRecord, measured) == 60, "measured value at 60");
CORVAN32_STATIC_ASSERT(offsetof(ChannelRecord, tare) == 64, "tare value at 64");
CORVAN32_STATIC_ASSERT(offsetof(ChannelRecord, digital) == 68, "digital value at 68");
CORVAN32_STATIC_ASSERT(sizeof(DeviceBlock) == 64, "DeviceBlock is 64 bytes");
CORVAN32_STATIC_ASSERT(offsetof(DeviceBlock, channel_count) == 0, "channel count at 0");
CORVAN32_STATIC_ASSERT(offsetof(DeviceBlock, rate) == 4, "rate at 4");
CORVAN32_STATIC_ASSERT(offsetof(DeviceBlock, filter_type) == 8, "filter type at 8");
CORVAN32_STATIC_ASSERT(offsetof(DeviceBlock, filter_frequency) == 12, "filter frequency at 12");
CORVAN32_STATIC_ASSERT(offsetof(DeviceBlock, serial) == 16, "serial at 16");
CORVAN32_STATIC_ASSERT(offsetof(DeviceBlock, version) == 26, "version at 26");
CORVAN32_STATIC_ASSERT(offsetof(DeviceBlock, device_type) == 50, "device type at 50");
CORVAN32_STATIC_ASSERT(offsetof(DeviceBlock, offline) == 60, "offline flag at 60");

/* ================= Connection and command protocol ================= */

/* Opens a LINKAR32 port and makes it current. port: LINKAR32 port number; parity "e" for even
 * (null for USB). For port 90/91 the parallel-port permission is requested first. For COM1/COM2 with
 * baud != 9600 the amplifier is first switched over at 9600 Baud: open, EST? three times (the third
 * must give 0), "BDR<code>" (600 1404, 1200 1405, 2400 1406, 4800 1407, 9600 1408, 19200 1410,
 * 38400 1412, 76800 1415; other rates send 1408 and continue at 9600), close; then the port is opened
 * at the new speed. Returns 0, an interface status, a device error number or kCvBadReply. */
CORVAN32_API int32_t CV_OpenPort(int32_t port, int32_t baud, const char* parity, int32_t data_bits,
                                 int32_t stop_bits, int32_t receive_buffer);
/* Closes the current port; returns QBX_ClosePort's result. */
CORVAN32_API int32_t CV_ClosePort(void);
/* Opens the device. mode 1: offline (no port needed): *channels becomes the channel count (limited
 * to 100) and all 100 records are created with their defaults. Other modes: online: EST? must give
 * 0 (else its result is returned and the library stays offline without records), then the channel
 * count is loaded from the device ("AID?") and that many records are created; *channels gets it.
 * When the channel count cannot be loaded (no answer, a refusal, a malformed list) the offline
 * flag stays set and no records exist, as after a failed EST?: nothing is sent to a device whose
 * chain is unknown. Opening a device that is already open frees its records (and the block buffer)
 * first, so an open without CV_CloseDevice in between leaks nothing. Returns 0, kCvOutOfMemory
 * (count lowered to the records that exist), kCvBadValue (channels null), an interface status or
 * device error number. */
CORVAN32_API int32_t CV_OpenDevice(int32_t mode, int32_t* channels);
/* Frees the block buffer and every channel record. Returns 0. */
CORVAN32_API int32_t CV_CloseDevice(void);
/* Opens port (baud, parity "e" or null for 200, 8 data bits, 1 stop bit, 4096-byte buffer), EST?
 * three times, opens the device online, loads every device setting and every channel's settings
 * (channel results ignored). Returns 0 or the first failing step's status. */
CORVAN32_API int32_t CV_InitAll(int32_t port, int32_t baud);
/* Copies the version text "2.00" (5 bytes) into text. Returns 0, kCvBadValue for null. */
CORVAN32_API int32_t CV_GetVersion(char* text);
/* Error-status query "EST?": 0 (no error), the device error number, kCvEstRefused when the device
 * refuses the query, kCvBadReply, or the interface status of a failed write or read. */
CORVAN32_API int32_t CV_GetErrorStatus(void);
/* Writes text unchanged to the current port; returns QBX_WritePort's result (kCvBadValue for null). */
CORVAN32_API int32_t CV_WritePort(const char* text);
/* Reads from the current port: terminator 0 reads exactly count bytes, otherwise up to and including
 * the terminator (buffer holds count + 1 bytes). Returns QBX_ReadPort's result; *status and
 * *bytes_read as there. kCvBadValue for null pointers or a negative count. */
CORVAN32_API int32_t CV_ReadPort(int32_t count, int32_t terminator, int32_t* status, char* buffer,
                                 int32_t* bytes_read);
/* Reserved entry points: do nothing, return 0. */
CORVAN32_API int32_t CV_DoSelfTest(int32_t a, int32_t b, int32_t c);
CORVAN32_API int32_t CV_GetChanInfo(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e);
CORVAN32_API int32_t CV_GetDevInfo(int32_t a, int32_t b, int32_t c, int32_t d);

/* ================= Settings in memory ================= */

/* Copies one channel setting (one selector bit) to out: integers and floats as 32 bits, texts as
 * zero-terminated copies (ident <= 10, name <= 20, unit <= 6 bytes). Returns 0, kCvBadChannel,
 * kCvUnknownSelector, kCvBadValue (out null). */
CORVAN32_API int32_t CV_GetChanSettings(int32_t channel, int32_t selector, void* out);
/* Stores one channel setting in memory (texts are cut to their field). Range and transducer
 * recompute range value and unit ("°C" for thermocouples and Pt); the transducer also reloads the
 * tare value from the device (result ignored). Unit gives kCvUnitDerived. Returns 0, kCvBadChannel,
 * kCvUnknownSelector, kCvUnitDerived, kCvBadValue (in null). */
CORVAN32_API int32_t CV_SetChanSettings(int32_t channel, int32_t selector, const void* in);
/* One device setting to out / from in (texts zero-terminated, cut to their field on set). Setting
 * the channel count is allowed offline only (kCvOfflineOnly, kCvBadValue outside 0..100); the
 * offline flag cannot be set (kCvOfflineFlagFixed). kCvUnknownSelector, kCvBadValue (null). */
CORVAN32_API int32_t CV_GetDevSettings(int32_t selector, void* out);
CORVAN32_API int32_t CV_SetDevSettings(int32_t selector, const void* in);
/* Possible values of one channel setting for the channel's amplifier (and transducer for ranges):
 * 2 the user-selectable amplifiers; 16, 32, 64, 4096 (and 8192) lists by the amplifier rules;
 * 1024 the filter modes; 128 a text: with all_units != 0 the five units " mV/V    V   mA  Ohm   °C",
 * else the channel's unit right-aligned in five characters (kCvNoUnit when there is none);
 * 1, 4, 8, 256, 512, 2048 leave out untouched. Returns 0, kCvBadChannel, kCvUnknownSelector,
 * kCvNoUnit, kCvBadValue (out null). */
CORVAN32_API int32_t CV_GetPsbleChanSettings(int32_t channel, int32_t all_units, int32_t selector, void* out);
/* Possible device values: 1 channels per device (10, one integer); 2 the 21 rates; 4 the filter
 * types; 8 the filter frequencies allowed for the current rate and filter type; 16..128 nothing.
 * Returns 0, kCvUnknownSelector, kCvBadValue (out null). */
CORVAN32_API int32_t CV_GetPsbleDevSettings(int32_t reserved, int32_t selector, void* out);
/* A text of chain row position (0..10, else kCvBadChannel): selector 64 serial number, 32 program
 * version, 16 device type; others kCvUnknownSelector. */
CORVAN32_API int32_t CV_GetSystemSettings(int32_t position, int32_t selector, char* out);
/* Index-string text of id (rates, filters, transducers, ranges, states, error numbers...) into out;
 * an unknown id empties out and returns kCvNoIndexString. CV_GetIndexString also keeps the result as
 * the last device status. */
CORVAN32_API int32_t CV_GetIndexString(int32_t id, char* out);
CORVAN32_API int32_t GetIDString(int32_t id, char* out);

/* The meaning of a status in the edition's language (English, or German in libcorvan32_de.so), as a
 * static zero-terminated 8-bit text that the caller must not free or change. origin is
 * kCvStatusOfFile for the statuses of the settings-file calls, whose numbers overlap the interface
 * statuses, and kCvStatusOfLine otherwise. A device error number (10000..10099) gives the device's
 * text from the index-string table; an interface status passed up gives the interface library's
 * meaning (QBX_StatusText); 0 gives "success"; any other number "unknown status". Never null;
 * changes neither the last device status nor the last reply. */
CORVAN32_API const char* CV_StatusText(int32_t status, int32_t origin);

/* String resource id (at most 255 characters and the terminator) into out; kCvNoResource when there
 * is no such resource (out emptied). */
CORVAN32_API int32_t CV_GetResString(int32_t id, char* out);

/* ================= Settings transfer ================= */

/* Device settings from the device, bits in the order 1 ("AID?"), 2 ("ICR?"), 4 and 8 ("ASF?"),
 * 16 and 32 ("IDN?"), then the chain identity query "IDN?100" for any of 16, 32, 64; 128 is accepted.
 * Offline: 0 at once. Returns 0, kCvUnknownSelector (no handled bit), or the first failure. */
CORVAN32_API int32_t CV_LoadDevSettings(int32_t selectors);
/* Device settings to the device. Online: 2 sends "ICR" (warning 10021 reloads the filter frequency
 * and returns that result), 4 or 8 correct the filter frequency to the first allowed one and send
 * "ASF". Offline: checks (kCvBadValue) and the same correction. Returns 0, kCvUnknownSelector, or
 * the first failure. */
CORVAN32_API int32_t CV_SaveDevSettings(int32_t selectors);
/* One channel's settings from the device, bits in the order 2, 4, 16, 32, 64, 1, 128, 512, 1024,
 * 2048, 4096. A refused state, tare, filter mode or signal query stores a safe value (6200, 0, state
 * 6200, 42) and returns the device's error number. Offline: 0. Returns 0, kCvBadChannel,
 * kCvUnknownSelector, or the first failure. */
CORVAN32_API int32_t CV_LoadChanSettings(int32_t channel, int32_t selectors);
/* One channel's settings to the device, bits in the order 16 ("ACT"), 32/64 ("ASA", range corrected
 * to the first allowed one), 512 ("TAV"), 1024 ("AFS"), 2048 ("DPI", digital I/O only), 4096 ("ASS").
 * Offline: checks and corrections only (kCvBadValue). Returns 0, kCvBadChannel,
 * kCvUnknownSelector, or the first failure (warnings 10021/10022 included). */
CORVAN32_API int32_t CV_SaveChanSettings(int32_t channel, int32_t selectors);
/* Writes the possible-settings file (program version, one entry: the measuring-rate labels).
 * Offline gives kCvBadValue. Returns 0, kCvFileOpenFailed, kCvFileWriteFailed, kCvFileSeekFailed. */
CORVAN32_API int32_t CV_WritePsbleSettings(const char* file_name);
/* Reads part 0 (the 10-byte program version) or part 1 (the labels text, at most 255 bytes) of a
 * possible-settings file into out (zero-terminated). Other parts read nothing. Returns 0,
 * kCvFileOpenFailed, kCvFileSeekFailed, kCvBadValue (null). */
CORVAN32_API int32_t CV_ReadPsbleSettings(const char* file_name, int32_t part, char* out);

#ifdef __cplusplus
}
#endif

#endif /* CORVAN32_H */
