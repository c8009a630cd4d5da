/*
 * STORIX32, the channel database: one pre-sized file per process holding a fixed number of channels
 * of 64-bit values or fixed-size texts, each with its description, running extremes and time stamp.
 *
 * File layout (little-endian): N (int32) at offset 0, the N 246-byte DbChannelHeader records of
 * channels 1..N from offset 4, and the data areas from offset 1000000, channel 1 first, each area
 * (element size x maximum length bytes) directly after the previous one. The file is created with its
 * full final size, so writing during a measurement never grows it.
 *
 * Channel numbers are 1-based (1..N). Every export returns a signed 32-bit status (0 success,
 * negative failure, see the status enum) unless a value is documented. Texts are zero-terminated
 * 8-bit strings; callers own every buffer and size it as each export says. Calls are not
 * thread-safe: callers serialise them. No export ever throws.
 *
 * Crash safety: values reach the file before the length that makes them visible, so a process killed
 * at any moment leaves a file that opens and whose visible values were all written; with the write
 * cache on, values still held in the cache may be lost.
 */
#ifndef STORIX32_H
#define STORIX32_H

#include <stdint.h>

#if defined(_WIN32)
#define STORIX32_API __declspec(dllexport)
#else
#define STORIX32_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes. */
enum {
  kDbOk = 0,
  kDbFreeSpaceUnknown = -1,  /* free space could not be determined; no memory to clear a text channel */
  kDbNotOpen = -99,          /* no database file is open */
  kDbOpenFailed = -101,      /* file not created/opened, not a sound database, or free-space query failed */
  kDbBadMaxLen = -102,       /* maximum length outside 1..2000000000, or the area does not fit the file */
  kDbBadChannelRange = -103, /* channel outside 1..10000 (statistics, usage flag, conversion) */
  kDbDiskFull = -104,        /* not enough free disk space for the new file */
  kDbNoDeinterleaveMemory = -105,
  kDbWriteBeyondEnd = -106,  /* write beyond the maximum length or beyond the current end */
  kDbReadBeyondEnd = -107,   /* read beyond the current length */
  kDbSeekFailed = -108,      /* positioning in (or sizing) the file failed */
  kDbWriteFailed = -109,
  kDbReadFailed = -110,
  kDbBadPosition = -111,     /* bad position, count, mode or argument */
  kDbBadChannel = -114,      /* channel outside 1..N */
  kDbTooFewValues = -128,    /* not enough values for a statistic */
  kDbNoMemory = -131,        /* out of memory for descriptions or buffers */
  kDbWrongKind = -132,       /* the channel is of the other kind: a text operation on a numeric
                                channel, or a numeric operation on a text channel */
  kDbNotText = kDbWrongKind,    /* the older names of the same status, by the operation that */
  kDbNotNumeric = kDbWrongKind  /* reports it */
};

/* Limits and fixed positions of the file layout. */
enum {
  kDbDataStart = 1000000,   /* first byte of the data areas */
  kDbHeaderStart = 4,       /* first channel description */
  kDbMaxChannels = 4065,    /* N must be 1..4065 so that the descriptions end before kDbDataStart */
  kDbMaxStatChannel = 10000 /* channel numbers the statistics and usage-flag exports accept at all */
};
#define DB_MAX_ELEMENTS 2000000000 /* largest maximum length of a channel */

/* Kinds of channel. */
enum { kDbKindNumeric = 0, kDbKindText = 1 };

/* Which text of a description (QBX_Set/Get/CopyDatabaseChanText). */
enum { kDbTextName = 0, kDbTextUnit = 1, kDbTextComment = 2, kDbTextFourth = 3 };

/* Packed types of QBX_Chan2String / QBX_String2Chan. */
enum { kDbTypeDouble = 0, kDbTypeFloat = 1, kDbTypeInt32 = 2, kDbTypeInt16 = 3, kDbTypeInt8 = 4 };

/* Description of one channel: 246 bytes, stored as is in the file after N. Texts are blank-filled and
 * not terminated when full. */
#pragma pack(push, 1)
typedef struct DbChannelHeader {
  int32_t length;          /* 0: number of values (or texts) stored */
  uint16_t kind;           /* 4: kDbKindNumeric or kDbKindText */
  uint16_t element_size;   /* 6: 8 for numeric channels; the text size for text channels */
  int32_t max_length;      /* 8: capacity in elements, 1..2000000000 */
  int64_t data_offset;     /* 12: byte offset of the channel's data area in the file */
  double minimum;          /* 20 */
  double maximum;          /* 28 */
  int32_t min_position;    /* 36: 0-based position of the minimum */
  int32_t max_position;    /* 40: 0-based position of the maximum */
  uint16_t usage_flag;     /* 44: free use by hosts */
  uint16_t stats_stale;    /* 46: 1 when minimum and maximum may be out of date */
  uint16_t alias;          /* 48: free use by hosts */
  uint16_t unused;         /* 50 */
  double modified;         /* 52: modification stamp (set by the time-stamp callback or the host) */
  char name[32];           /* 60 */
  char unit[10];           /* 92 */
  char comment[128];       /* 102 */
  char fourth[16];         /* 230 */
} DbChannelHeader;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(DbChannelHeader) == 246, "DbChannelHeader is 246 bytes");
#define STORIX32_OFFSET_CHECK(field, value) \
  static_assert(__builtin_offsetof(DbChannelHeader, field) == value, "DbChannelHeader layout")
#else
_Static_assert(sizeof(DbChannelHeader) == 246, "DbChannelHeader is 246 bytes");
#define STORIX32_OFFSET_CHECK(field, value) \
  _Static_assert(__builtin_offsetof(DbChannelHeader, field) == value, "DbChannelHeader layout")
#endif
STORIX32_OFFSET_CHECK(length, 0);
STORIX32_OFFSET_CHECK(kind, 4);
STORIX32_OFFSET_CHECK(element_size, 6);
STORIX32_OFFSET_CHECK(max_length, 8);
STORIX32_OFFSET_CHECK(data_offset, 12);
STORIX32_OFFSET_CHECK(minimum, 20);
STORIX32_OFFSET_CHECK(maximum, 28);
STORIX32_OFFSET_CHECK(min_position, 36);
STORIX32_OFFSET_CHECK(max_position, 40);
STORIX32_OFFSET_CHECK(usage_flag, 44);
STORIX32_OFFSET_CHECK(stats_stale, 46);
STORIX32_OFFSET_CHECK(alias, 48);
STORIX32_OFFSET_CHECK(unused, 50);
STORIX32_OFFSET_CHECK(modified, 52);
STORIX32_OFFSET_CHECK(name, 60);
STORIX32_OFFSET_CHECK(unit, 92);
STORIX32_OFFSET_CHECK(comment, 102);
STORIX32_OFFSET_CHECK(fourth, 230);
#undef STORIX32_OFFSET_CHECK

/* Time-stamp callback: receives the address of the channel's 8-byte modification stamp after every
 * write to the channel and at file creation; its meaning is the host's. The address is that of an
 * 8-byte-aligned copy that is stored back into the description when the callback returns. */
typedef void (*DbTimeStampCallback)(double* stamp);

/* Message hook: receives the caption (empty) and text of every message the library shows (file and
 * free-space errors). The default writes the text and a newline to standard error. */
typedef void (*DbMessageHandler)(const char* caption, const char* text);

/* ---- Database lifetime -------------------------------------------------------------------- */

/* mode 0: creates default descriptions in memory for `channels` channels (1..4065, else -111); no
 *   file (defaults: length 0, numeric, element size 8, maximum length 2048, blank texts). An open
 *   file is closed first as QBX_RemoveDatabase(0) does.
 * mode 1: creates the file `file_name` (replacing one of that name) from the descriptions of mode 0,
 *   sized in full (1000000 + sum of element size x maximum length; the extension reads as zeros),
 *   assigns the data offsets, zeroes length, usage flag, stale flag and alias, calls the time-stamp
 *   callback per channel, writes N and the descriptions and fills text elements with " ". `channels`
 *   is ignored. -111 without descriptions; free-space query failure: message "Unable to determine
 *   available disk space: %i" and -101; not enough space -104; sizing -108; writing -109; create/open
 *   failure: message "DB creation error: %i" and -101.
 * mode -1: opens the existing database `file_name`. Failure to open, or a file that is not a sound
 *   database (N outside 1..4065, truncated header, bad kind/element size, maximum length outside
 *   1..2000000000, length negative or above the maximum, data areas overlapping each other or the
 *   header or running past the end of the file): message "DB creation error: %i" and -101, and
 *   nothing is opened. Out of memory -131. Channels with values get the stale flag.
 * Other modes: -111. */
STORIX32_API int32_t QBX_CreateDatabase(int32_t mode, const char* file_name, int32_t channels);

/* Flushes every dirty write cache, writes the descriptions to the file header, frees caches and
 * descriptions and closes the file; deletes the file when `delete_file` is not 0. Returns 0. */
STORIX32_API int32_t QBX_RemoveDatabase(int32_t delete_file);

/* Switches write caching on (enable != 0) or off and sets the cache size in values (per channel);
 * applies to databases created or opened afterwards. A cache that cannot be allocated switches
 * caching off. A size below 1 switches caching off. Returns 0. */
STORIX32_API int32_t QBX_SetCacheFlags(int32_t enable, int32_t reserved1, int32_t cache_size,
                                       int32_t reserved2);

/* Installs the message hook (NULL restores the default, standard error). Returns 0. */
STORIX32_API int32_t QBX_SetDatabaseMessageHandler(DbMessageHandler handler);

/* ---- Descriptions ------------------------------------------------------------------------- */

/* N, the number of channels (0 when no descriptions exist). */
STORIX32_API int32_t QBX_GetDatabaseMaxChans(void);
/* Largest maximum length over all channels (2048 after mode 0; 0 without descriptions). */
STORIX32_API int32_t QBX_GetDatabaseMaxLen(void);

/* Copies the channel's 246-byte description into *out. -114 bad channel, -111 null out. */
STORIX32_API int32_t QBX_GetDatabaseChanConfig(int32_t channel, DbChannelHeader* out);
/* Replaces the description except its data offset. Kind 0 forces element size 8; kind must be 0 or
 * 1 and a text element size at least 1 (-111); maximum length 1..2000000000 (-102); length 0..maximum
 * (-111). With a file open, the new area (element size x maximum length) must fit the channel's area
 * in the file (-102), and the description is written to the file header (-108/-109). -114 bad channel. */
STORIX32_API int32_t QBX_SetDatabaseChanConfig(int32_t channel, const DbChannelHeader* in);

/* Maximum length of the channel, or -114. */
STORIX32_API int32_t QBX_GetDatabaseChanMaxLen(int32_t channel);
/* Current length of the channel (after flushing its write cache), or -114 (or a flush error). */
STORIX32_API int32_t QBX_GetDatabaseChanCurrLen(int32_t channel);
/* Flushes the channel's cache and sets its current length in memory (0..maximum length, else -111);
 * the file header takes it at the next header write or at QBX_RemoveDatabase. A changed length marks
 * the statistics stale. -114 bad channel. */
STORIX32_API int32_t QBX_SetDatabaseChanCurrLen(int32_t channel, int32_t length);

/* Usage flag of the channel (0..65535); -103 for a channel outside 1..10000 or above N. */
STORIX32_API int32_t QBX_GetDatabaseChanUsageFlag(int32_t channel);
/* Sets the usage flag (low 16 bits). -103 for a channel outside 1..10000 or above N. */
STORIX32_API int32_t QBX_SetDatabaseChanUsageFlag(int32_t channel, int32_t flag);
/* Sets the alias (low 16 bits). -114 bad channel. */
STORIX32_API int32_t QBX_SetDatabaseChanAlias(int32_t channel, int32_t alias);

/* The channel's modification stamp; -114.0 for a bad channel. */
STORIX32_API double QBX_GetDatabaseChanModified(int32_t channel);
/* Sets the modification stamp. -114 bad channel. */
STORIX32_API int32_t QBX_SetDatabaseChanModified(int32_t channel, double stamp);
/* Sets the time-stamp callback (NULL: no stamps are made). Returns 0. */
STORIX32_API int32_t QBX_SetTimerCallback(DbTimeStampCallback callback);

/* which: 0 name (32 bytes), 1 unit (10), 2 comment (128), 3 fourth text (16); other values -111.
 * Set fills the field with blanks and copies `text` cut to the field size (NULL: blanks only), then
 * writes the description to the file header when a file is open. Get copies the field's bytes into
 * `out` (at least the field size) up to the field size, stopping at a zero byte, which is copied; a
 * full field is not terminated. Copy copies the field of `from_channel` to `to_channel` the same way
 * (the rest of the target field is blank). -114 bad channel. */
STORIX32_API int32_t QBX_SetDatabaseChanText(int32_t channel, int32_t which, const char* text);
STORIX32_API int32_t QBX_GetDatabaseChanText(int32_t channel, int32_t which, char* out);
STORIX32_API int32_t QBX_CopyDatabaseChanText(int32_t to_channel, int32_t from_channel, int32_t which);

/* ---- Numeric values ----------------------------------------------------------------------- */

/* Writes values of `channels` channels (1..N each, -114) listed in `channel_list`. `data` is
 * interleaved by scan: value k of listed channel i is data[k * channels + i] (with one channel, the
 * values are contiguous). `position` -1 appends at each channel's current length; 0 or more writes
 * there (0-based) and marks the statistics stale; below -1: -111. Position + count above the maximum
 * length, or a position beyond the current length: -106. Values reach the file before the new
 * length. Updates minimum/maximum, length (also in the file header) and calls the time-stamp
 * callback. -99 no file; -132 text channel; -105 no memory; -108/-109 file errors.
 * QBX_WriteToDatabase writes `count` values (>= 0, else -111) to every listed channel. */
STORIX32_API int32_t QBX_WriteToDatabase(int32_t channels, const int32_t* channel_list, const double* data,
                                         int32_t position, int32_t count);
/* As QBX_WriteToDatabase with a count per channel: counts[i] for listed channel i, or, when counts[0]
 * is negative, its magnitude for every channel. With differing counts, channel i's values are still
 * data[k * channels + i] for k < counts[i]. */
STORIX32_API int32_t QBX_WriteToDatabaseEx(int32_t channels, const int32_t* channel_list, const int32_t* counts,
                                           const double* data, int32_t position);
/* Writes `count` contiguous values of one channel without the write cache (a dirty cache is flushed
 * first); position as above. */
STORIX32_API int32_t QBX_WriteToDatabaseBin(int32_t channel, int32_t count, const double* data, int32_t position);

/* Reads `count` values from 1-based position `start` into `out` (count doubles). -99 no file; -114 bad
 * channel; -132 text channel; start below 1 or count below 0: -111; start - 1 + count above the current
 * length: -107; -108/-110 file errors. The Bin form takes `out` as a byte buffer (count x 8 bytes). */
STORIX32_API int32_t QBX_ReadFromDatabase(int32_t channel, int32_t start, int32_t count, double* out);
STORIX32_API int32_t QBX_ReadFromDatabaseBin(int32_t channel, int32_t start, int32_t count, void* out);

/* ---- Text channels (kind 1; others give -132) --------------------------------------------- */

/* Puts `text` (cut to element size - 1 characters, zero-terminated) at 0-based `position`; -1 appends.
 * Position at or beyond the maximum length -106, below -1 -111. The length grows to position + 1 when
 * needed (file header too); the time-stamp callback is called. -99 no file. */
STORIX32_API int32_t QBX_DatabasePutString(int32_t channel, int32_t position, const char* text);
/* Reads the element at 0-based `position` (element size bytes into `out`). Position at or beyond the
 * maximum length -107, below 0 -111. */
STORIX32_API int32_t QBX_DatabaseGetString(int32_t channel, int32_t position, char* out);
/* insert != 0: moves the entries from 1-based `from` onward up by `count` places and adds count to the
 * length (new length above the maximum: -111). insert == 0: removes `count` entries at `from` by moving
 * the later entries down and subtracts count from the length (from - 1 + count above the length: -111).
 * from above the current length -107, from below 1 or count below 1: -111. */
STORIX32_API int32_t QBX_ShiftDBTextChan(int32_t channel, int32_t from, int32_t count, int32_t insert);
/* Sets the length to 0 and writes zero bytes over the channel's whole data area. */
STORIX32_API int32_t QBX_ClearDBTextChan(int32_t channel);

/* ---- Statistics (channel outside 1..10000: -103; above N or without values: -128) ---------- */

/* Smallest / largest value and its 0-based position (first occurrence). Recomputed from the file when
 * the stale flag is set, which is then cleared. -132 text channel; -99 no file when a recompute is due. */
STORIX32_API int32_t QBX_GetDatabaseChanMin(int32_t channel, double* value, int32_t* position);
STORIX32_API int32_t QBX_GetDatabaseChanMax(int32_t channel, double* value, int32_t* position);
/* Mean (summed in extended precision). */
STORIX32_API int32_t QBX_GetDatabaseChanMean(int32_t channel, double* value);
/* Sample standard deviation; fewer than 2 values -128. */
STORIX32_API int32_t QBX_GetDatabaseChanSTD(int32_t channel, double* value);

/* ---- Conversion --------------------------------------------------------------------------- */

/* Writes the channel's values packed as `type` (kDbType*: 8, 4, 4, 2, 1 bytes each) into `out`, which
 * holds length x size bytes (an empty channel writes one zero byte). Integers are truncated toward
 * zero and saturated at the type's limits (NaN gives 0). Channel outside 1..10000 -103, above N -114;
 * type outside 0..4 -111; -132 text channel. */
STORIX32_API int32_t QBX_Chan2String(int32_t channel, void* out, int32_t type);
/* Sets the channel's length to 0 and appends `count` values converted from the packed array `data` of
 * `type` (8-bit values are signed). Errors as QBX_Chan2String and QBX_WriteToDatabase. */
STORIX32_API int32_t QBX_String2Chan(int32_t channel, const void* data, int32_t type, int32_t count);

/* ---- Free disk space (the file system the path lies on: statvfs of the path, else its folder) -- */

/* Free bytes available, at most 2000000000; on failure the message "Err Disk Space: %s %i %i %i" and
 * -1. */
STORIX32_API int32_t QBX_GetFreeDiskSpace(const char* path);
/* Total and free bytes as 32-bit floats. Failure: the message "Err Disk Space: %s %i %i %i" and -1;
 * -111 for NULL arguments. */
STORIX32_API int32_t QBX_GetFreeDiskSpaceEx(const char* path, float* total, float* free_bytes);

/* The meaning of a status of this library in English, as a static zero-terminated text that the
   caller must not free or change: "success" for 0, "unknown status" for a number that is not one of
   the statuses above. Never null; safe to call at any time, with or without an open database. */
STORIX32_API const char* QBX_DatabaseStatusText(int32_t status);

#ifdef __cplusplus
}
#endif

#endif /* STORIX32_H */
