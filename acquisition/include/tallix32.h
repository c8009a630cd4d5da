/*
 * TALLIX32, the acquisition kernel: device-independent acquisition over a table of 64 devices and a
 * table of 10000 channel headers, each channel with an IO buffer and an optional circular buffer.
 * The kernel dispatches device and channel set-up and channel commands to built-in family code
 * (the Corvane, device type 8, speaks the Corvane command protocol through LINKAR32), to host-named
 * plug-in driver libraries (tallix32_plugin.h) or to driver stacks.
 *
 * Conventions: every export returns a signed 32-bit status (0 success, negative failure, the codes
 * below) unless documented otherwise. Channel numbers are 1..10000: where an export takes a single
 * channel number, its low 16 bits are used (the value is taken as a signed 16-bit number) and then
 * checked. Device numbers are 0..63. Channel lists are arrays of 32-bit channel numbers, except in
 * QBX_ACQCmd, which takes 16-bit channel numbers. Texts are zero-terminated 8-bit strings; callers
 * own every buffer and size it as documented. Calls are not thread-safe: one thread drives the
 * kernel; callbacks run inside the export that calls them, on that thread.
 *
 * The math library NUMERA32 and the kernel call each other without linking each other: the math
 * library binds to QBX_ACQGetIOBuf and QBX_ACQSetIOBufEx at run time (it looks them up among the
 * objects loaded in the process at first use, and reports "channel not available" when no kernel is
 * loaded). Their signatures and C linkage below are therefore fixed.
 */
#ifndef TALLIX32_H
#define TALLIX32_H

#include <stdint.h>

#include "tallix32_plugin.h"
#include "tallix32_yalplus.h"
#include "tallix32_families.h"

#if defined(_WIN32)
#define TALLIX32_API __declspec(dllexport)
#else
#define TALLIX32_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes of the kernel frame and its buffers. */
enum {
  kAcqOk = 0,
  kAcqBadArgument = -1,          /* bad device count or number, null pointer, list count; unknown parameter id;
                                    nothing to fetch; no value at the current formula row */
  kAcqBadLinTable = -213,        /* linearisation table missing, too short or not allocatable */
  kAcqBufferTooSmall = -214,     /* a time or formula channel's IO buffer cannot hold its values */
  kAcqUnknownSensor = -218,      /* thermo linearisation of an unknown sensor type */
  kAcqOutsideTable = -219,       /* value outside the thermo table: the result is clamped to its end */
  kAcqBadFormula = -221,         /* formula text missing, too long, or not allocatable */
  kAcqFormulaFailed = -240,      /* a formula channel's formula failed (channel not available) */
  kAcqNoWorkArea = -242,         /* derived channel without its work area, or with bad parameters */
  kAcqBadSpectrumLength = -243,  /* spectrum of a block that is not a power of two from 4 to 8192 */
  kAcqNoScratch = -244,          /* a derived channel's scratch array could not be allocated */
  kAcqChannelNotAvailable = -217, /* Corvane channel set-up: slot empty or missing, channel refused */
  kAcqFamilyNotSupported = -234, /* the family's code is not available */
  kAcqWorkAreaFailed = -241,     /* a channel work area could not be allocated */
  kAcqCommandNotSupported = -253, /* command or parameter not supported by the family */
  kAcqDeviceRefused = -270,      /* the device refused a command (its reason is in the value) */
  kAcqBadChannel = -450,         /* channel number outside 1..10000 */
  kAcqReservedType = -451,       /* reserved device type (155, 156) */
  kAcqPluginNotFound = -495,     /* plug-in library could not be loaded */
  kAcqPluginEntryMissing = -499, /* plug-in entry point missing */
  kAcqOutOfMemory = -410,        /* buffer could not be allocated (the old one is already freed) */
  kAcqDoesNotFit = -411,         /* values would not fit into the buffer */
  kAcqNotAllocated = -412,       /* buffer not allocated */
  kAcqBadIndex = -413            /* index at or beyond the current length; empty buffer */
};

/* Device types (family codes) the kernel knows by name. */
enum {
  kAcqTypeCorvane = 8,
  kAcqTypeAtmio = 16,
  kAcqTypeVelma = 40,
  kAcqTypeZelplus = 91,
  kAcqTypeReserved155 = 155,
  kAcqTypeReserved156 = 156,
  kAcqTypeYalplus = 2000,
  kAcqTypeDataServer = 2001
};

/* Message callback codes. */
enum {
  kAcqMsgInitChannel = 0,   /* value: the channel about to be initialised by QBX_ACQInitChan */
  kAcqMsgStartDevice = -2,  /* value: the device about to be started */
  kAcqMsgProgress = 1,      /* value: percent of a device set-up */
  kAcqMsgFailure = -1
};

typedef void (*AcqMsgCallback)(int32_t code, int32_t value);
/* Called by each successful multi-scan start with the address of the kernel's start time (days). */
typedef void (*AcqTimerCallback)(double* start_time);
/* Receives the messages the kernel shows to the user (caption, text); standard error by default. */
typedef void (*AcqMessageHandler)(const char* caption, const char* text);

/* ---- Frame ---------------------------------------------------------------------------------- */

/* Keeps the application path (at most 255 characters; a longer path or NULL: -1). */
TALLIX32_API int32_t QBX_ACQSetAppPath(const char* path);
/* Sets the abort flag that long family read-back loops poll (and clear when they stop). 0. */
TALLIX32_API int32_t QBX_ACQSetAbortFlag(int32_t flag);
/* Registers the message callback (NULL: none). 0. */
TALLIX32_API int32_t QBX_ACQSetMsgCallback(AcqMsgCallback callback);
/* Registers the timer callback (NULL: none). 0. */
TALLIX32_API int32_t QBX_ACQSetTimerCallback(AcqTimerCallback callback);
/* Installs the handler of the kernel's message boxes (NULL: standard error). 0. */
TALLIX32_API int32_t QBX_ACQSetMessageHandler(AcqMessageHandler handler);

/* Registers device `device` (0..63; outside: nothing is changed and 0 is returned): its type, port,
 * address, start role (2: started in the first pass), block mode flag, the six per-FIFO rates in Hz
 * and the six sample-width flags (1: 2-byte samples, else 4). device_count (0..64, else -1) becomes
 * the kernel's number of devices. NULL rates or width flags: -1. `reserved` is ignored. */
TALLIX32_API int32_t QBX_ACQSetDeviceInfo(int32_t device, int32_t device_type, int32_t port, int32_t address,
                                          int32_t reserved, int32_t start_role, int32_t device_count,
                                          int32_t block_mode, const float* rates, const uint8_t* width_flags);
/* Names the plug-in driver library of a device (outside 0..63: nothing, 0). A name of 256 or more
 * characters, or NULL: -1. The library is loaded by the first QBX_ACQInitDevice. */
TALLIX32_API int32_t QBX_ACQSetDeviceDriverInfo(int32_t device, const char* file);
/* item 0: the device's last error; 1..6: status words 1..6; any other item: the item number. The
 * result is the 16-bit value of the item, sign-extended. Device outside 0..63: -1. */
TALLIX32_API int32_t QBX_ACQGetDeviceStatus(int32_t device, int32_t item);
/* Sets the device's last error. Device outside 0..63: -1. */
TALLIX32_API int32_t QBX_ACQSetDeviceStatus(int32_t device, int32_t value);
/* Clears the FIFO read-done flags of the current number of devices; sets the first-read-after-reset
 * flag. 0. */
TALLIX32_API int32_t QBX_ACQResetDeviceStatus(void);
/* Clears the configuration-unchanged flag and signature of all 64 devices, so that the next start
 * sends every device its full set-up. The signature of a device is four sums over its measured
 * channels (hardware channel h): h*h, h*(sub-channel+1), h*(sort index+1), h*(FIFO+1). 0. */
TALLIX32_API int32_t QBX_ACQEnforceStartInit(void);

/* Initialises one device and stores type, port and address into its record. Except for types 16,
 * 155 and 156 the port and address are selected first (a negative selection result is returned).
 * Type 8: the Corvane set-up ("EST?" twice, "ACT100,0", "FMB1", "EST?"); 16: -234; 156: -451;
 * 2, 3, 40, 55, 56, 60, 90, 91, 100, 157: their family's set-up (the exchange sequences are
 * documented with each family's code; tallix32_families.h); any other type (and 155, 2001): the plug-in driver
 * when one is named (loaded at the first call: -495 library not found, -499 entry point missing,
 * a negative ACQInitDriverLib result; then its ACQInitDevice result), else the device's driver stack
 * (0 while no stack is ready). Device outside 0..63: -1. */
TALLIX32_API int32_t QBX_ACQInitDevice(int32_t device, int32_t device_type, int32_t port, int32_t address);
/* Initialises `count` channels (32-bit channel numbers; every number must be 1..10000, else -450
 * before anything is done; count below 0 or NULL list: -1). For each channel of acquisition class
 * 0: message (0, channel), select its port and address, then its family's channel set-up (Corvane:
 * reads the slot type, switches the channel on and reads transducer and range into the header:
 * -217 for an empty or refused slot, -253 for a digital channel on an analog slot; 16: -234;
 * 155, 156: -451; 2001: full-scale 1 and range 1.0; the other built-in families their channel
 * set-up, -217 when the device refuses the channel; plug-in: ACQInitChan; else the driver stack).
 * A negative result ends the call. Then every listed channel gets a fresh work area (time and
 * formula channels; -241 when it cannot be allocated). Mode -100 first runs the read-back of the
 * YALPLUS family (its items, messages 109..151, see tallix32_yalplus.h) and skips its channel
 * set-up. */
TALLIX32_API int32_t QBX_ACQInitChan(int32_t count, const int32_t* channels, int32_t mode, int32_t reserved);
/* Selects the device's port and address (a negative result is returned); for device type 0 with a
 * loaded plug-in returns its ACQDeviceControl(code, argument1, argument2), else the selection
 * result. Device outside 0..63: -1. */
TALLIX32_API int32_t QBX_ACQDeviceControl(int32_t device, int32_t code, int32_t argument1, int32_t argument2);
/* Sends one command to the devices of the listed channels (16-bit channel numbers, each 1..10000,
 * else -450; count below 0 or NULL list: -1; an empty list: 0). Only channels of acquisition class
 * 0 count; each device (same interface and address) is served once, in the order of its first
 * channel. Corvane devices act on their listed channels of signal kind 8. The value is an int32_t,
 * a float or a text by command (Corvane codes):
 *   1, 62, 63, 64 tare (every slot gets its state back, also after a refusal); 4 gross (value 0) /
 *   net (1; other values are refused with 32767); 9 transducer, 16 range, 10 filter type,
 *   11 filter frequency, 21 filter mode (int32_t in); 18 tare value (float in, physical; the raw
 *   value sent is written back); 109 transducer, 116 range, 110 filter type, 111 filter frequency,
 *   121 filter mode, 130 amplifier id (int32_t out); 115 tare value (float out, physical);
 *   120 unit (text out, 8 bytes); 140 identity (text out, 64 bytes).
 * The integers exchanged are parameter ids (QBX_ACQTranslateParID). After every line it sends the
 * kernel reads the device's one reply line. A reply containing "?" is a refusal: the kernel fetches
 * the device's error with "EST?", stores a parameter id into the value (32767 illegal parameter
 * value, 32001 not supported by firmware, 32002 not available; as an int32_t, a float, or for the
 * text codes its decimal digits) and returns -270. An unknown code stores 32002 as an int32_t and
 * returns -253 without any traffic. Interface statuses of failed writes and reads are returned as
 * they are. With several devices every device is served and the first failure is returned, else
 * the last device's result. */
TALLIX32_API int32_t QBX_ACQCmd(int32_t count, const int16_t* channels, int32_t code, void* value);
/* Copies the text of a parameter id into text (at least 255 bytes) and returns its length; an id
 * without text gives "Unknown" and -1. A non-zero status is returned unchanged and nothing is
 * written. NULL text: -1. */
TALLIX32_API int32_t QBX_ACQTranslateParID(int32_t id, char* text, int32_t status);
/* Copies a family item into output: type 0 an int32_t, 1 a float, 2 a text (at most 256 bytes with
 * its terminator), 3 a 16-byte record; other types nothing. 0 (NULL output: -1). */
TALLIX32_API int32_t QBX_ACQGetItem(int32_t type, void* output);

/* ---- Multi-scan acquisition ---------------------------------------------------------------- */

/* Status codes of a multi-scan. */
enum {
  kAcqDeviceStatusRefused = -198, /* a device refused the status query during a read (its error was fetched) */
  kAcqBlockNotComplete = -199,    /* the block is not complete yet: repeat the read (without a reset) */
  kAcqRateNotSet = -204,          /* the rate command could not be written */
  kAcqTriggerChannelBad = -208,   /* trigger on a level of a channel the device cannot trigger on */
  kAcqRunning = -210,             /* start while running */
  kAcqTriggerNeedsLength = -211,  /* trigger requested with block length 0 */
  kAcqNotRunning = -212,          /* read or stop while not running */
  kAcqBlockTooLarge = -214,       /* block larger than the receive area or a channel's IO buffer */
  kAcqTriggerBusy = -224,         /* the trigger record is busy */
  kAcqTriggerRefused = -225,      /* the device refused the trigger condition */
  kAcqFormulaError = -240,        /* a formula failed during the read */
  kAcqMeasuredOverflow = -400,    /* measured-value status: the first raw sample of the block overflowed */
  kAcqPretriggerTooLong = -401,   /* more than 500 pre-trigger scans */
  kAcqDeviceBufferOverflow = -405 /* the device's buffer overflowed (it stopped measuring) */
};

/* The host's sample rate in Hz: the kernel rate and the scaling rate of time channels. 0. */
TALLIX32_API int32_t QBX_ACQSetSampleRate(float rate);
/* The kernel sample rate (after a start: the rate the devices actually run at). NULL: -1. */
TALLIX32_API int32_t QBX_ACQGetSampleRate(float* rate);
/* Elapsed time (ms) = time_base; every time channel's running time (channel 0) or that channel's
 * (1..10000, when it has a work area) = time_base; all 64 device time bases = time_base. 0; -450. */
TALLIX32_API int32_t QBX_ACQSetTimeBase(int32_t channel, double time_base);
/* Keeps a port's control values (text: at most 7 characters are kept); not used by the kernel. 0. */
TALLIX32_API int32_t QBX_ACQSetPortCtrlStruct(int32_t port, const char* text, int32_t value1, int32_t value2,
                                              int32_t value3);
/* Stores the skip value of a device's FIFO (skipped FIFOs leave the rate comparison of a read).
 * Device outside 0..63 or FIFO outside 0..3: -1. */
TALLIX32_API int32_t QBX_ACQSetSkipFiFo(int32_t device, int32_t fifo, int32_t value);
/* Starts a multi-scan of count channels (32-bit numbers, 1..10000 else -450): builds each device's
 * FIFO lists (ascending sort key hardware channel x 10000 + sub-channel x 10 + sort index; FIFO 4
 * stands in FIFO 0 and FIFO 1; more than 256 channels in one FIFO: -1), tells the math library the
 * list positions, and starts the devices with channels (start role 2 first). block_length 0 runs
 * until the stop; n > 0 asks the device for one block of n scans (triggered starts). A Corvane runs
 * at the fastest rate of its table not above the kernel rate (1000 Hz runs at 800 Hz; below 1 Hz at
 * 1200 Hz); QBX_ACQGetSampleRate then gives that rate. option -1 restarts while running. Results:
 * 0; -210 running; -204 rate not written; -208, -211, -224, -225, -401 trigger set-up; a family's or
 * the interface's negative status. The text is for device type 2000 and may be NULL. */
TALLIX32_API int32_t QBX_ACQStartMultiScan(int32_t count, const int32_t* channels, int32_t block_length,
                                           int32_t reserved, int32_t option, const char* text);
/* Reads one block of every device's FIFOs that has not delivered since QBX_ACQResetDeviceStatus,
 * device by device: each channel's values at its IO buffer's write offset, scaled, then time and
 * formula channels computed, the block stored and the rings fed. read_mode -1.0 takes what the
 * devices hold (at most 1023 scans per device) and returns the number of scans through
 * *block_length; any other mode asks for exactly *block_length scans. The external time is a
 * double in two 32-bit halves. Results: 0; -212 not running; -199 not complete yet (repeat without
 * a reset: only the missing FIFOs are fetched); -198 a device refused the status query (the others
 * were served); -214 block too large for the receive area or an IO buffer; -405 device buffer
 * overflow; -240 formula error; interface statuses (-10 time-out, ...). A device's failure is also
 * its last error (QBX_ACQGetDeviceStatus item 0). NULL block_length: -1. */
TALLIX32_API int32_t QBX_ACQReadMultiScan(int32_t count, const int32_t* channels, int32_t* block_length,
                                          double read_mode, int32_t reserved, uint32_t time_low, uint32_t time_high);
/* The same FIFO by FIFO; read mode -1.0 without data sets *block_length to -1 before -199. */
TALLIX32_API int32_t QBX_ACQReadMultiScanAsynch(int32_t count, const int32_t* channels, int32_t* block_length,
                                                double read_mode, int32_t reserved, uint32_t time_low,
                                                uint32_t time_high);
/* Stops every device with channels (Corvane: "STP", "EST?"). 0; -212 not running; a negative
 * selection or family status (the acquisition then still counts as running). */
TALLIX32_API int32_t QBX_ACQStopMultiScan(void);
/* Forgets a running acquisition without talking to the devices (after a device of type 60 or 100:
 * resets the interface). 0. */
TALLIX32_API int32_t QBX_ACQResetMultiScan(void);
/* Read block count and IO buffer current length of each listed channel = 0. 0; -450; -1. */
TALLIX32_API int32_t QBX_ACQResetReadBlockCount(int32_t count, const int32_t* channels);
/* -400 after a block whose first raw sample was an overflow code, else 0. */
TALLIX32_API int32_t QBX_ACQGetMVStatus(void);
/* Stores the read mode of device type 2000 when the last device initialised is of that type;
 * otherwise nothing. 0. */
TALLIX32_API int32_t QBX_ACQSetReadMode(int32_t mode);

/* ---- Trigger records -------------------------------------------------------------------------
 * One global trigger record and ten indexed records 1..10 that the host fills before a start. A
 * Corvane start (device type 8) uses the first indexed record whose device is on the device's port:
 * mode 1 starts with pre-trigger scans, mode 2 also sends the level condition ("DTR") with the level
 * converted into the channel's raw count (the channel's scaling run backwards: zero offset, range
 * and full-scale count; lin mode 2 through the inverse point table or the bridge factors plus the
 * software tare; lin mode 3 through the inverse thermo linearisation). A ZELPLUS start (type 91)
 * takes the mode and pre-trigger of the same record and sends the level condition of each mode-2
 * record of the port, at most two (a third: -225); a start of type 90 sends the level condition of
 * the first record. A level that cannot be converted, a trigger channel that is not a valid
 * channel or a condition outside 0..3 refuse these starts with -225 before anything is sent. */

#pragma pack(push, 1)
/* A trigger record: 56 bytes, fourteen 32-bit words. Reserved words are kept as the host set them. */
typedef struct AcqTrigger {
  int32_t reserved_0;
  int32_t device;          /* device number the trigger belongs to; -1: no trigger */
  int32_t mode;            /* 0 none, 1 trigger with pre-trigger, 2 level condition with pre-trigger */
  int32_t channel;         /* kernel channel whose signal triggers (mode 2) */
  int32_t condition;       /* 0..3, sent to a Corvane as 6001, 6000, 6002, 6003 */
  float level;             /* physical value of the trigger level (mode 2) */
  int32_t reserved_6;
  int32_t busy;            /* non-zero: a start is refused with -224 */
  int32_t reserved_8[4];
  int32_t pretrigger;      /* percent of the block recorded before the trigger; global default 25 */
  int32_t reserved_13;
} AcqTrigger;
#pragma pack(pop)

/* Copies the 56-byte record into the global trigger record / the global record out. 0; NULL: -1. */
TALLIX32_API int32_t QBX_ACQSetTrgCtrlStruct(const AcqTrigger* record);
TALLIX32_API int32_t QBX_ACQGetTrgCtrlStruct(AcqTrigger* record);
/* The same for indexed record `index` (low 16 bits, signed): outside 1..10 or NULL: -1. */
TALLIX32_API int32_t QBX_ACQSetTrgCtrlStructEx(const AcqTrigger* record, int32_t index);
TALLIX32_API int32_t QBX_ACQGetTrgCtrlStructEx(AcqTrigger* record, int32_t index);
/* Device word of the ten indexed records and of the global record = -1 (no trigger). 0. */
TALLIX32_API int32_t QBX_ACQResetTriggers(void);
/* Stores two 16-bit trigger-logic values of device `index` (0..63, else -1) for the families that
 * combine trigger conditions (device type 2000). 0. */
TALLIX32_API int32_t QBX_ACQSetTrgLogic(int32_t index, int32_t value1, int32_t value2);

/* ---- Channel headers ------------------------------------------------------------------------- */

/* Fills headers 1..10000 with the defaults: device type -1, address -1, interface 1, hardware
 * channel = channel number, full-scale count 1, range 1.0, unit "mV/V", sensor type 1, sort index
 * 13, format word 4, time interval 0.02, everything else 0. Frees and clears each channel's IO
 * buffer (rings are kept), linearisation table, formula text and work area; resets the trigger
 * records and the 64 ATMIO control records to their defaults. 0. */
TALLIX32_API int32_t QBX_ACQInitAcqHdr(void);
/* Copies the 76-byte header into channel's slot / out of it. -450, -1 for NULL. */
TALLIX32_API int32_t QBX_ACQSetAcqHdr(int32_t channel, const AcqHdr* header);
TALLIX32_API int32_t QBX_ACQGetAcqHdr(int32_t channel, AcqHdr* header);
/* Writes the text file "AQHDR<channel>.DMP" into the current directory: logical channel, device
 * type, interface, device address, hardware channel, DIO port and bit, the range with 3 decimals,
 * the unit, each pair of the channel's point table ("Lin Pt <n>:   <x>  <y>", 5 decimals) and the
 * formula text when there is one. Numbers with decimals have no leading zero (0.1: ".100"). 0;
 * -450; -303 the file could not be created; -304 it could not be written. */
TALLIX32_API int32_t QBX_ACQDumpAcqHdr(int32_t channel);

/* ---- Storage of every block: channel database and online files ------------------------------
 * Each read (QBX_ACQReadMultiScan) stores its block after scaling and formulas, by the header's
 * storage mode (1 database, 2 online file, 3 both, 0 none) and the storage flag:
 *  - Database (modes 1, 3): the read block count of values from the IO buffer's block start are
 *    appended to the open channel database (STORIX32) channel of the same number. A negative
 *    database status is the read's result at once (the online files are not written for it).
 *  - Online files (modes 2, 3), unless online storage is disabled. The online channels are the read
 *    list's channels with mode 2 or 3, in list order, taken at the first block that has one after
 *    QBX_ACQCloseOnlineFile(0) and kept until the next close.
 *    Storage mode 0 (one file): the first block creates the file named by QBX_ACQSetOnlineFile
 *    (always new: an old file of that name is emptied), calls the header callback with (0, file
 *    descriptor, number of online channels), and every block appends per online channel a 32-bit
 *    count c (its read block count, also when 0) followed by c doubles.
 *    Storage mode 1 (one file per channel): the i-th online channel (from 0) writes into the file
 *    opened with QBX_ACQOpenSingleOnlineFile(name, i); before the first values go into an empty
 *    file the header callback gets (1, file descriptor, channel number); every block appends the c
 *    doubles only (nothing when c is 0). A file that is not empty is appended to.
 *    Numbers are little-endian (the machine's order); the kernel writes no header of its own.
 *    Every block is written through to the file before the read returns (no buffering across
 *    reads): after the process is killed every block of a completed read is in the file.
 *    A block is written whole or not at all: when a write fails, the files are cut back to the end
 *    of the previous block, the read returns -304, and online storage stops: every later read
 *    returns the same status without writing (the database part is still stored) until
 *    QBX_ACQCloseOnlineFile(0). The same holds after -303 (a file that could not be created or a
 *    channel without a per-channel file).
 * Read results of storage: -302 no memory for the online channel list; -303 online file not created
 * (the message "Online export error: <errno>" is shown; also a name of mode 0 that is empty, whose
 * folder is missing or not writable, and an online channel without an open per-channel file);
 * -304 an online file write failed; -411 a header's block count runs past its IO buffer; the
 * database's negative statuses (storix32.h). */

enum {
  kAcqOnlineNoMemory = -302,      /* no memory for the online channel list */
  kAcqFileNotCreated = -303,      /* an online (or dump) file could not be created */
  kAcqFileWriteFailed = -304      /* a write to an online (or dump) file failed */
};

/* Storage flags (QBX_SetOLStorageFlag); any other value stores both. */
enum {
  kAcqStoreNothing = -1,
  kAcqStoreOnlineOnly = -2,
  kAcqStoreDatabaseOnly = -3,
  kAcqStoreBoth = 0
};

/* Online storage modes (QBX_ACQSetOLStorageMode). */
enum {
  kAcqOnlineSingleFile = 0,
  kAcqOnlineFilePerChannel = 1
};

/* Header callback: called inside a read before the first values go into an empty online file, so
 * that the host can write its own file header. On Linux `file` is a file descriptor open for
 * writing (write(2) it; do not close it); the kernel appends its blocks at the end of whatever the
 * host wrote. mode 0: the single file and value = the number of online channels; mode 1: a
 * per-channel file and value = its channel number. */
typedef void (*AcqOnlineHeaderCallback)(int32_t mode, int32_t file, int32_t value);

/* Always stores the header callback (NULL: none). selector 0: the online file name (at most 255
 * characters; NULL: none), the host values 1..3 (kept, not used) and the online-disabled value
 * `disabled_or_kind` (non-zero: no online file is written). selector != 0: the export file name,
 * its kind (`disabled_or_kind`, 0 or 1) and host value 1 are kept; the kernel writes no block into
 * that file. A name of 256 or more characters: -1 (the callback is stored, nothing else). 0. */
TALLIX32_API int32_t QBX_ACQSetOnlineFile(int32_t selector, int32_t host_value1, const char* file_name,
                                          int32_t disabled_or_kind, int32_t host_value2, int32_t host_value3,
                                          AcqOnlineHeaderCallback header_callback);
/* Creates file_name (always new, write access) as the per-channel online file of slot index
 * (0..255; the slot's former file is closed). -1 index outside 0..255, NULL name or a name of 256
 * or more characters; -303 when the file cannot be created (empty name, missing folder, no write
 * permission; the message "Online export error: <errno>" is shown). 0. */
TALLIX32_API int32_t QBX_ACQOpenSingleOnlineFile(const char* file_name, int32_t index);
/* selector's low 16 bits != 0: clears the export file's open flag. 0: closes the online files
 * (storage mode 0: the single file; mode 1: all 256 slots), forgets the online channel list and
 * ends a stop after a failed write; the next block starts afresh (in mode 0 with a new file). 0. */
TALLIX32_API int32_t QBX_ACQCloseOnlineFile(int32_t selector);
/* 0 one file for all channels, 1 one file per channel; any other mode: -1, the mode is kept.
 * Change it only while the online files are closed. 0. */
TALLIX32_API int32_t QBX_ACQSetOLStorageMode(int32_t mode);
/* -1 store nothing; -2 online files only; -3 database only; any other value both (the default). 0. */
TALLIX32_API int32_t QBX_SetOLStorageFlag(int32_t flag);

/* ---- Scaling, linearisation, formula channels --------------------------------------------- */

/* Scaling pass over a list of count 32-bit channel numbers after a read: every listed channel's IO
 * buffer current length becomes its read block count (cut to the capacity); then the channels whose
 * acquisition class equals pass are treated.
 * Pass 0 (measured channels with lin mode above 0): the read block count of values at the IO
 * buffer's write offset (with block_length < 1: the single value behind value, uncompensated)
 * become zero offset + range x raw / full-scale count (device type 2000 delivers physical values
 * and skips this), then by lin mode: 1 nothing more; 2 the lin type (0 table, 1 polynomial
 * c0 + c1 v + ..., 2 formula with v as argument x0, 3 bridge v x p2 x 4000 / (p1 x p0); lin input
 * word 0 = 1 with type 3: compensated by the reference channel in lin input word 1) less the
 * software tare; 3 v x 1000 through QBX_DoThermoLinCalc with the header's sensor type (a value
 * outside the table is clamped to its end).
 * Pass 2 (time channels) by the header's time kind, in ms (full-scale count 0) or days: 0 values
 * every time interval, 1 one value of the elapsed time, 2 one value per scan at the host's sample
 * rate, 3 + d the time of device d's block (block mode) or the read's external time.
 * A block that does not fit its IO buffer is left alone. The reserved argument is not used.
 * 0; -213 a compensated bridge whose reference channel has no value at an index; -214 a time
 * channel's IO buffer cannot hold its values (channels treated before stay treated); -450 for a
 * channel outside 1..10000; -1 for a bad count or NULL list. */
TALLIX32_API int32_t QBX_ACQScaleMultiScan(int32_t count, const int32_t* channels, int32_t block_length,
                                           double* value, int32_t reserved, int32_t pass);

/* Stores the channel's linearisation: lin mode (0 raw, 1 range only, 2 range then lin type, 3 range
 * then thermo) and lin type (0 point table of count (x, y) pairs ascending in x: 2 x count
 * doubles; 1 polynomial of count coefficients c0..; 2 formula text (at most 255 characters, the
 * value is argument x0); 3 bridge of 10 parameters p0..p9). The old table is destroyed first; lin
 * input word 0 becomes 0. Only lin mode 2 copies points or text. -213: mode 2 with type 0 or 1 and
 * count < 2, a NULL points array, type 2 without text or with a longer one, or memory; -450. */
TALLIX32_API int32_t QBX_ACQCreateLinTab(int32_t channel, int32_t lin_mode, int32_t lin_type, int32_t count,
                                         const double* points, const char* text);
/* Frees the table and its text; clears mode, type, count, text length and lin input word 0. 0; -450. */
TALLIX32_API int32_t QBX_ACQDestroyLinTab(int32_t channel);
/* Copies mode, type and count (each pointer may be NULL); for mode 2 into points (when not NULL):
 * type 0 the 2 x count doubles, type 1 the count doubles, type 3 the first 7 bridge parameters; the
 * formula text (empty when none) into text (when not NULL, 256 bytes). 0; -450. */
TALLIX32_API int32_t QBX_ACQGetLinTab(int32_t channel, int32_t* lin_mode, int32_t* lin_type, int32_t* count,
                                      double* points, char* text);
/* Sets the lin mode only. 0; -450. */
TALLIX32_API int32_t QBX_ACQSetLinMode(int32_t channel, int32_t lin_mode);
/* The five lin input words: flag != 0 reads them into *word0 and words[0..3], flag 0 writes them.
 * Word 0 = 1 compensates a bridge (type 3) by the channel in word 1; words 2..4 are the host's.
 * 0; -450; -1 for NULL. */
TALLIX32_API int32_t QBX_ACQLinInput(int32_t flag, int32_t channel, int16_t* word0, int16_t* words);
/* flag != 0 reads the software tare (subtracted after lin mode 2) into *tare, flag 0 writes it.
 * 0; -450; -1 for NULL. */
TALLIX32_API int32_t QBX_ACQSoftwareTare(int32_t flag, int32_t channel, double* tare);
/* Interpolates *value in the channel's point table: direction 0 x -> y, 1 y -> x; beyond the ends
 * the first or last segment is extended. 0; -213 when the channel has no point table (lin mode 2,
 * type 0); -450; -1 for NULL. */
TALLIX32_API int32_t QBX_DoLinCalc(double* value, int32_t channel, int32_t direction);
/* Thermo linearisation of sensor type 1..10 (1 J, 2 K, 3 S, 4 T, 8 B, 9 E, 10 R thermocouples in
 * mV; 5 PT100, 6 PT500, 7 PT1000 in milliohm). Direction 0: signal -> degrees C; direction 1:
 * degrees C -> signal (thermocouples in mV, resistance thermometers in Ohm). 0; -219 outside the
 * table (the value becomes the table's end); -218 for another sensor type (value unchanged); -1
 * for NULL. */
TALLIX32_API int32_t QBX_DoThermoLinCalc(double* value, int32_t sensor_type, int32_t direction);
/* Channel titles are not kept: no effect, 0. */
TALLIX32_API int32_t QBX_ACQSetChanTitle(int32_t channel, const char* text);
TALLIX32_API int32_t QBX_ACQGetChanTitle(int32_t channel, char* text);
/* Makes the channel a formula channel (acquisition class 1, device type and address -1, full-scale
 * count 1, range 1.0) of formula kind (0 text formula, 1..46 derived channels, see below) with a
 * copy of the parameters (parameter_count doubles; NULL with count 0) and of the text. An existing
 * formula is destroyed first. Kind 0 needs a text; no kind takes one of more than 255 characters.
 * QBX_ACQInitChan then gives the channel its work area. 0; -221 no text for kind 0, a text of 256
 * characters or more, a negative count, NULL parameters with a count, or memory; -450.
 * Kinds (A, B channels named by parameters; p parameters): 1 p0; 2 p0 + A(p1); 3 p0 x A(p1);
 * 4..7 p2 A(p0) +, -, x, / p3 B(p1) (7: p2 A / B, 1e20 for B = 0); 8, 9 sum, mean of channels
 * p0..p1; 10..12, 50..58 rosette of channels p0..p2, type p3 (45, 60, 90; 100 ring core and 200
 * hole drilling with the depth in channel p6), E p4, nu p5, transverse sensitivities p6..p8;
 * 13, 14 moving mean of A(p0) over p1 values (14: + p2); 15, 16, 17 running minimum, maximum,
 * range of A(p0); 18, 19, 20 real parts, imaginary parts, power of A(p0)'s spectrum; 21 running
 * sum of p0; 22 j x p0; 23 sample rate x j / n; 24 bit p1 of A(p0); 25 dB(p0) / dA(p1);
 * 26..28 A(p0) >, <, = B(p1); 29..31 A(p1) >, <, = p0; 32..38 p0 sin, cos, ln, log10, exp of
 * (p2 A(p1)), p0 sqrt A(p1), p0 cube root A(p1); 39 DoThermoComp of A(p0) at temperature B(p1)
 * with polynomial p2..p5, alpha1 p6, alpha2 p7, T0 p8; 40 running integral of A(p0) over B(p1);
 * 41 p0 A(p1)^2; 42 p0 A(p2)^2 + p1 B(p3)^2; 43, 44 four / two cascaded recursive sections of
 * A(p0) with p1..p12; 45 group statistic p1 of A(p0) over groups of p2 values; 46 p1 A(p0) + p2.
 * Other kinds compute nothing. */
TALLIX32_API int32_t QBX_ACQCreateFormula(int32_t channel, const char* text, int32_t kind, const double* parameters,
                                          int32_t parameter_count);
/* Frees text, parameters and work area; clears kind and counts; acquisition class 0. 0; -450. */
TALLIX32_API int32_t QBX_ACQDestroyFormula(int32_t channel);
/* Copies the text (empty when none; text at least 256 bytes), the kind, the parameters (parameters
 * holds at least the count given at creation) and their count; each pointer may be NULL. -1 when
 * the channel has neither text nor kind, else 0; -450. */
TALLIX32_API int32_t QBX_ACQGetFormula(int32_t channel, char* text, int32_t* kind, double* parameters,
                                       int32_t* parameter_count);
/* The length of the formula text into *length. -1 without text (or NULL length), else 0; -450. */
TALLIX32_API int32_t QBX_ACQGetFormulaLen(int32_t channel, int32_t* length);
/* Gives channel `to` the linearisation and formula of channel `from`: destroys the target's, then
 * recreates the source's table (mode, type, points, text) and formula (text, kind, parameters) on
 * the target and copies lin input words 0 and 1 and the software tare. 0; -450; -213 or -221 when
 * memory fails. */
TALLIX32_API int32_t QBX_ACQSwapIOChan(int32_t from, int32_t to);

/* ---- IO buffers (every call: -450 for a channel outside 1..10000; -412 where a buffer is needed
 *      and none is allocated; -1 for a NULL pointer) ------------------------------------------- */

/* Frees an existing buffer and allocates size (>= 1, else -410 with nothing changed) doubles, all
 * 0.0; lengths and offsets 0; stores the tag (16 bits). -410 when the allocation fails (the old
 * buffer is then gone). */
TALLIX32_API int32_t QBX_ACQAllocIOBuf(int32_t channel, int32_t size, int32_t tag);
/* Frees the buffer; clears pointer, capacity, lengths, offsets and tag. 0 also without buffer. */
TALLIX32_API int32_t QBX_ACQFreeIOBuf(int32_t channel);
/* Current length, block start and write offset = 0. */
TALLIX32_API int32_t QBX_ACQResetIOBuf(int32_t channel);
/* Returns the current length. */
TALLIX32_API int32_t QBX_ACQGetIOBufCurrLen(int32_t channel);
/* Sets current length and the header's read block count (16-bit length; outside 0..capacity: -411). */
TALLIX32_API int32_t QBX_ACQSetIOBufCurrLen(int32_t channel, int32_t length);
/* index -1: the value at block start + the current formula row (-1 when that is not below the
 * current length); -2: the last value; index >= 0 with count > 0: count cut to the values present;
 * count 0: the values from index to the current length. Nothing to copy, or another negative index
 * or count: -413. 0. Bound at run time by the math library: signature fixed. */
TALLIX32_API int32_t QBX_ACQGetIOBuf(int32_t channel, int32_t index, int32_t count, double* destination);
/* Copies count values to index..; index + count above the capacity (or negative): -411; the current
 * length grows to index + count when that is larger. */
TALLIX32_API int32_t QBX_ACQSetIOBuf(int32_t channel, int32_t index, int32_t count, const double* source);
/* For each i in 0..n-1 (32-bit channel numbers): checks the channel (-450), its buffer (-412) and
 * that current length + counts[i] and start + counts[i] fit the capacity (-411); channels before i
 * stay written. Then for j = start .. counts[i]-1 source[j * n + i] goes to index start + j, and the
 * current length becomes start + counts[i] when that is larger. Bound at run time by the math
 * library: signature fixed. */
TALLIX32_API int32_t QBX_ACQSetIOBufEx(int32_t n, const int32_t* channels, const int32_t* counts,
                                       const double* source, int32_t start);
/* Copies count values to index 0 (count outside 0..capacity: -411); current length = count. */
TALLIX32_API int32_t QBX_ACQSetIOBufBin(int32_t channel, int32_t count, const double* source);
/* Copies the current length values from index 0. */
TALLIX32_API int32_t QBX_ACQGetIOBufBin(int32_t channel, double* destination);
/* Writes the current length values from block start to database channel db_channel (16-bit; 0: the
 * same number) with QBX_WriteToDatabaseEx and returns its result; -411 when block start + current
 * length passes the capacity. */
TALLIX32_API int32_t QBX_ACQStoreIOBuf(int32_t channel, int32_t db_channel);
/* Writes one value: index < 1 the last one, else value index - 1 (beyond the current length: the
 * last one). No buffer: the message "ACQStore error: I/O buffer not allocated for channel %i" and
 * -412; current length 0: nothing, 0. Else the database's result. */
TALLIX32_API int32_t QBX_ACQStoreIOBufSingle(int32_t channel, int32_t db_channel, int32_t index);
/* Smallest / largest value over the current length and the index of its first occurrence; -413 on
 * an empty buffer. */
TALLIX32_API int32_t QBX_ACQGetIOBufMin(int32_t channel, double* value, int32_t* index);
TALLIX32_API int32_t QBX_ACQGetIOBufMax(int32_t channel, double* value, int32_t* index);
/* Mean and standard deviation (n - 1 in the divisor: not a number for one value); -413 on an empty
 * buffer. */
TALLIX32_API int32_t QBX_ACQGetIOBufMean(int32_t channel, double* mean, double* deviation);
/* The status word of the last block (16: its last raw sample was an overflow code). */
TALLIX32_API int32_t QBX_ACQGetIOBufStatus(int32_t channel);

/* ---- Circular buffers ------------------------------------------------------------------------
 * After every read the kernel appends each listed channel's block (its read block count of values
 * from IO buffer index 0) to the channel's ring. Values carry running numbers from 0; the ring keeps
 * the last ring-capacity of them. A block longer than the ring keeps its last ring-capacity values,
 * the counters advancing as if every value had passed through. */

/* Frees an existing ring and allocates size (>= 1, else -410 with nothing changed) doubles, all
 * 0.0, with the counters 0; -410 when the allocation fails (the old ring is then gone). */
TALLIX32_API int32_t QBX_CBAllocateBuffer(int32_t channel, int32_t size);
/* Empties the ring (counters and write position 0). */
TALLIX32_API int32_t QBX_CBResetBuffer(int32_t channel);
/* Frees the ring and clears its fields. */
TALLIX32_API int32_t QBX_CBFreeBuffer(int32_t channel);
/* The running number of the oldest value and the number of values ever put in. */
TALLIX32_API int32_t QBX_CBGetCounters(int32_t channel, double* oldest, double* total);
/* Copies up to count values starting at running number first (raised to the oldest one present)
 * in order into destination and returns how many; -1 when there is nothing to copy; -412 without
 * a ring. */
TALLIX32_API int32_t QBX_CBFetch(int32_t channel, double* destination, double first, int32_t count);

/* ---- Driver stacks ---------------------------------------------------------------------------
 * A device whose type has no built-in family code and no plug-in driver runs a driver stack: a
 * program loaded from a driver file into the slot of the device's number and interpreted at the
 * device set-up (section "InitDevice"), the channel set-up ("InitChan", once per channel), the
 * start ("ACQStart"), each read ("ACQRead") and the stop ("ACQStop"). The tools/drvc compiler
 * writes driver files from a readable source text (docs/drvc.md).
 *
 * Driver file (integers little-endian): magic 28001 or 28002 (u16), section count N (u16); for
 * section s = 1..N at offset 64 s + 16: file offset P (u32), two u16 values (kept, not
 * interpreted), the name (40 bytes, zero-padded); at P - 1 the section's statement count (u16),
 * from P + 1 its statements. A statement: type (u16), 13 argument texts (each a u16 length L and L
 * bytes; L = 0: absent), a 14th text (skipped) and three u16 words (skipped). A section whose name
 * contains "InitDevice", "InitChan", "ACQStart", "ACQRead" or "ACQStop" is that section of the
 * stack. Statements are numbered from 1 within their section.
 *
 * Argument texts. A numeric variable is its number "1".."64" (in expressions: x1..x63; variable 64
 * is not visible to expressions). An expression is a formula text over the numeric variables
 * (DrvCalcExp). A text operand is '"' followed by the text (a closing '"' is dropped), "$n" (text
 * variable n), "@" followed by an expression (its value as text: integers without decimals, else
 * 6 significant digits), or any other text taken as it is. Numbers are written and read with '.'
 * under every locale. Text variables hold at most 65535 bytes (longer texts are cut).
 *
 * Section runs. The numeric variables are handed to the math library (DrvSetArgument) at the start
 * of each run; statements run from number 1 while the number lies in the section; the run ends
 * with 0 after the last one, with a return statement's value, or with the first negative statement
 * result. The kernel's abort flag (QBX_ACQSetAbortFlag) stops a run between statements with -491.
 * The measured channels of a run are those of its channel list (start, read) whose acquisition
 * class is 0, signal kind 8, and interface and address are the device's; in ACQRead only those of
 * the FIFO being read. Before ACQRead runs, each gets IO buffer current length = its write offset
 * and read block count 0; after a run that ended with 0 the read's block length is the largest
 * read block count among them. One section runs at a time: a run started from inside a run (a
 * message handler) gives -492. */

/* Status codes of driver stacks. */
enum {
  kAcqStackNoMemory = -490,     /* out of memory loading a driver file (nothing stays loaded) */
  kAcqStackAborted = -491,      /* a section run was stopped by the abort flag (the flag is cleared) */
  kAcqStackBadStatement = -492, /* a statement names a variable, statement number or loop level that
                                   does not exist; the stack is busy (removal or run inside a run) */
  kAcqStackSlotInUse = -493,    /* the slot already holds a driver stack */
  kAcqStackNotDriverFile = -494, /* wrong magic, or a malformed file (short, offsets, counts or
                                    lengths beyond its end): nothing is loaded */
  kAcqStackFileNotFound = -495, /* the driver file cannot be opened */
  kAcqStackBadChannel = -496,   /* a statement named a channel outside 1..9999, or an IO buffer that
                                   is missing or full, or no measured channel */
  kAcqStackTextNoMemory = -497, /* out of memory for a text variable */
  kAcqStackBadFormat = -498     /* bad block format text, or a reply shorter than the format reads */
};

enum {
  kAcqDriverMagic1 = 28001,
  kAcqDriverMagic2 = 28002,
  kAcqDriverSlots = 64,
  kAcqDriverArguments = 13,  /* argument texts per statement */
  kAcqDriverVariables = 64,  /* numeric and text variables, 1-based */
  kAcqDriverLoopLevels = 64,
  kAcqDriverReplySize = 4096 /* reply area of the device input statement */
};

/* Statement types. Argument k is written a[k] (0-based). */
enum {
  kDrvLoopStart = 1,  /* counted: a0 variable, a1 start, a2 limit, a3 step (absent: 1); the body runs
                         at least once and ends when step > 0 and variable > limit, or step < 0 and
                         variable < limit. a0 absent: repeat loop, a1 the count (0: until a break) */
  kDrvLoopEnd = 2,
  kDrvIf = 3,         /* a0 expression; when 0 continue after statement a1 */
  kDrvJump = 4,       /* continue after statement a0 */
  kDrvBreak = 6,      /* leave the innermost loop, continue at statement a0 (its loop end) */
  kDrvAssign = 8,     /* a0 variable; a1 '"'text into text variable a0 (empty: freed), else an
                         expression into numeric variable a0 (a formula error ends the run with it) */
  kDrvWait = 18,      /* QBX_Delay(a0 ms); the next statement is skipped */
  kDrvReturn = 31,    /* ends the run with the value of a0 (absent: 0) */
  kDrvMessage = 206,  /* shows text operand a0 with the caption "QBX Instrument Driver Message" */
  kDrvSetParameter = 1001, /* a0 value expression, a1 target, a2 parameter id, a3 channel expression */
  kDrvGetParameter = 1002, /* a0 variable, a1 target, a2 parameter id, a3 channel expression */
  kDrvDeviceIO = 1003,     /* a0 sub-code (below) */
  kDrvFormat = 34,    /* a0 text variable = a1 as fixed-point text with a2 decimals (absent: by value) */
  kDrvConcat = 35,    /* a0 text variable = the text operands a1..a12 joined */
  kDrvEqual = 403,    /* a0 variable = 1 when text operands a1 and a2 are equal ignoring case, else 0 */
  kDrvFind = 501,     /* a0 variable = 1-based position of a2 in a1, 0 when absent */
  kDrvLength = 502,   /* a0 variable = length of a1 */
  kDrvMid = 505,      /* a0 text variable = a1 from 1-based position a2 for a3 characters (absent: to
                         the end) */
  kDrvValue = 508,    /* a0 variable = the number at the start of a1 (0 when none) */
  kDrvChar = 521      /* a0 text variable = the character of code a1 (outside 0..255: code 0, empty) */
};

/* Targets and parameter ids of statements 1001 and 1002. Target 2 (interface and run): timeout
 * (get/set, ms), input queue length, FIFO 0 sample rate, requested block length of the read,
 * number of measured channels of the current device in the list, channel being initialised.
 * Target 3 (the channel a3, 1..9999, else -496): hardware channel, measuring range, zero offset,
 * full-scale count (set: at least 1). Target 5 ends the statement with -1, as does any other
 * target or parameter. */
enum {
  kDrvTargetRun = 2,
  kDrvTargetChannel = 3,
  kDrvTargetEnd = 5,
  kDrvParTimeout = 9,
  kDrvParInQueue = 63,
  kDrvParHwChannel = 47,
  kDrvParSampleRate = 145,
  kDrvParBlockLength = 147,
  kDrvParChannelCount = 150,
  kDrvParRange = 151,
  kDrvParZeroOffset = 152,
  kDrvParInitChannel = 153,
  kDrvParFullScale = 154
};

/* Sub-codes of statement 1003 (a0) and their arguments:
 *  13 flush the input queue.
 *  17 read a reply into the reply area (4096 bytes): a1 destination ("n" numeric variable: the
 *     number at the start of the reply; "$n" text variable: the reply without trailing CR/LF), a2
 *     length expression (1..4095), a3 terminator code expression (0: exactly a2 bytes), a4 time-out
 *     expression in ms (absent: the current one, which is restored afterwards). A failed read ends
 *     the run with its status.
 *  18 write text operand a1 with a2 appended (0 nothing, 1 CR, 2 LF, 3 CR LF; absent: 0), only the
 *     first a3 characters when a3 is given; single quotes become double quotes.
 *  110 variable a1 = the channel number of the a2-th (1-based) measured channel of the current
 *     device in the list (-496 outside).
 *  111 parse the reply area by the format text operand a1 into the measured channels of the current
 *     device, round-robin from the first channel at each statement; a2 = "3": every value into
 *     channel a3 (expression) instead. Each value is appended at the IO buffer's current length,
 *     which and the channel's read block count advance by one (-496 for a missing or full buffer).
 * Format: "%#" a number in text (width set by t<n>, else as far as it reads; leading blanks are
 * skipped), "%b" an unsigned byte, "%i" 16-bit, "%l" 32-bit signed integer, "%f" 32-bit float, "%d"
 * 64-bit double (little-endian); "(...)" repeats the enclosed part r<n> times (r<n> sets the count for
 * the next group, at least 1; up to 7 levels); any other character skips one reply byte. Another
 * letter after '%', an unbalanced group, or a value beyond the reply: -498. */
enum {
  kDrvIoFlush = 13,
  kDrvIoRead = 17,
  kDrvIoWrite = 18,
  kDrvIoChannelOf = 110,
  kDrvIoStore = 111
};

/* Forgets every driver stack (the loaded ones are freed). 0. */
TALLIX32_API int32_t QBX_ACQInitDriverStacks(void);
/* Loads a driver file into slot 0..63 (else -1; NULL file: -495) and makes it ready. -493 slot in
 * use (left as it is), -495 file not found, -494 not a driver file or malformed (also: larger than
 * 16 MiB, or sections whose statements together take more bytes than the file has), -490 out of
 * memory; after any failure the slot is empty. */
TALLIX32_API int32_t QBX_ACQAllocDriverStack(int32_t slot, const char* file);
/* Slot 0: frees all 64 stacks; 1..63: that slot only (an empty slot is fine). 0; -1 outside 0..63;
 * -492 while the stack runs (from a message handler). */
TALLIX32_API int32_t QBX_ACQRemoveDriverStack(int32_t slot);

#ifdef __cplusplus
}
#endif

#endif /* TALLIX32_H */
