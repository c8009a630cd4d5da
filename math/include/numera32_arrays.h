/*
 * NUMERA32 arrays and database channel math.
 *
 * Up to 1023 numbered arrays (1..1023) of doubles with one to three dimensions, addressed by
 * formulas as a<n>(i,j,k) and filled, read and converted by hosts. Elements are stored row-major:
 * with 1-based indices the element number (0-based) is i-1, (i-1)*size2+(j-1), or
 * ((i-1)*size2+(j-1))*size3+(k-1). Whole-channel operations work on channels of the open channel
 * database (storix32.h); CopyArray2IO reaches the acquisition kernel's IO buffers through the
 * functions named in numera32_evaluate.h (kFormulaChannelUnavailable without a kernel).
 * Calls are not thread-safe: callers serialise them (also with formula evaluation).
 */
#ifndef NUMERA32_ARRAYS_H
#define NUMERA32_ARRAYS_H

#include <stdint.h>

#include "numera32_api.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
  kArrayMaxId = 1023,
  kArrayMaxChannels = 16      /* channels of CopyArray2DB / CopyArray2IO */
};

/* Status codes. Database and IO-buffer statuses are passed through unchanged. */
enum {
  kArrayOk = 0,
  kChannelOpFailed = -1,      /* whole-channel operations: error or nothing found */
  kArrayNoMemory = -80,       /* out of memory, or more elements than a 32-bit count holds */
  kArrayBadId = -81,          /* array number outside 1..1023 */
  kArrayTooManyDims = -82,
  kArrayTooFewDims = -83,
  kArrayIndexRange = -84,     /* index, size or count out of range; array full; bad buffer */
  kArrayExists = -85,
  kArrayMissing = -86,
  kArrayNotOneDim = -135,
  kArrayZeroParts = -136,
  kArrayBadFormat = -498
};

/* Creates array id (1..1023) with dims (1..3) dimensions of sizes[0..dims-1] elements each
   (zeroed). 0; kArrayBadId; kArrayExists; kArrayTooManyDims; kArrayTooFewDims; kArrayIndexRange
   for a size below 1 or a null sizes; kArrayNoMemory when the memory is missing or the total
   exceeds 2^31-1 elements. */
NUMERA32_API int32_t CreateArray(int32_t id, int32_t dims, const int32_t* sizes);
/* Frees array id; 0 also when it does not exist; kArrayBadId. */
NUMERA32_API int32_t DestroyArray(int32_t id);
/* Destroys arrays 1..1023; 0. */
NUMERA32_API int32_t EraseAllArrays(void);
/* Reads (read = 1) or writes (read = 0) element (i, j, k), 1-based; j and k are ignored for fewer
   dimensions. 0; kArrayBadId; kArrayMissing; kArrayIndexRange (also for a null value). */
NUMERA32_API int32_t AccessArrayElement(int32_t read, int32_t id, int32_t i, int32_t j, int32_t k, double* value);
/* The same with the 1-based element number n over all dimensions. */
NUMERA32_API int32_t AccessArrayElementLinear(int32_t read, int32_t id, int32_t n, double* value);
/* dims out and sizes[3] out (0 for unused dimensions). 0; kArrayBadId; kArrayMissing;
   kArrayIndexRange for null pointers. */
NUMERA32_API int32_t GetArrayInfo(int32_t id, int32_t* dims, int32_t* sizes);
/* Number of existing arrays. */
NUMERA32_API int32_t GetArrayCount(void);

/*
 * CopyArray: converts between an array and a packed buffer.
 *   direction -1: returns the address of the array's data (no copy).
 *   type above 3 (other directions): returns 0 and does nothing.
 *   direction 0: allocates a buffer of the array's element count and fills it: type 0 16-bit
 *     integers; 1 32-bit integers; 2 32-bit slots holding the value cut to a 16-bit integer; 3 floats
 *     holding the value cut to a 16-bit integer. Cuts go towards zero and stop at the type's range.
 *     Returns the buffer's address (-1 when it cannot be allocated).
 *   other directions: reads the element count of values from buffer (type 0 16-bit integers; 1
 *     and 2 32-bit integers; 3 floats), stores them, frees the buffer and returns 0. The buffer
 *     must be one that direction 0 returned and not yet given back, large enough for the array:
 *     any other is refused with kArrayIndexRange and not touched.
 * Result as an integer the size of a pointer: an address, 0, -1, kArrayBadId, kArrayMissing,
 * kArrayIndexRange.
 */
NUMERA32_API intptr_t CopyArray(int32_t id, int32_t type, int32_t direction, void* buffer);
/* direction 0: copies the first min(count, elements) values into buffer; other directions copy
   count values from buffer into the array (kArrayIndexRange when count exceeds the elements or is
   negative). 0; kArrayBadId; kArrayMissing; kArrayIndexRange. */
NUMERA32_API int32_t CopyArray2VB(int32_t id, int32_t direction, double* buffer, int32_t count);
/*
 * CopyArray2DB / CopyArray2IO: one-dimensional arrays only (kArrayNotOneDim).
 *   direction 1: reads the whole database channel (its current length, from row 1) / the whole
 *     IO buffer of first_channel into the array; kArrayIndexRange when it is longer than the array;
 *     otherwise the database / kernel status.
 *   other directions: the elements are consecutive scans of channel_count channels (element
 *     k*channel_count+i is value k of channel first_channel+i), size/channel_count values per
 *     channel (kArrayZeroParts when that is 0); channel_count 1..16 (else kArrayIndexRange). The
 *     database channels are emptied and written with one QBX_WriteToDatabaseEx (appending); the IO
 *     buffers are reset and filled with one QBX_ACQSetIOBufEx from index 0. The status of those.
 */
NUMERA32_API int32_t CopyArray2DB(int32_t id, int32_t direction, int32_t first_channel, int32_t channel_count);
NUMERA32_API int32_t CopyArray2IO(int32_t id, int32_t direction, int32_t first_channel, int32_t channel_count);

/*
 * ScanBuffer: fills array id (elements 0.. of its first dimension) from the bytes at data as the
 * zero-terminated format says; *count grows by one for each stored value (the caller sets it).
 *   %#  a number written as text: with a text width set exactly that many characters (fewer when
 *       a zero byte comes first), else as many as form a number (leading blanks skipped)
 *   %b %i %l  signed 8-, 16-, 32-bit integer     %f float     %d double   (machine byte order)
 *   r<n>  repeat count (n >= 1) for the groups that follow      t<n>  text width (n >= 0, 0 free)
 *   ( ... )  a group run as often as the repeat count in force when it opens; up to 7 nested
 *   any other character skips one data byte.
 * Scanning stops with 0 when the format ends, when the next item starts at a zero data byte, when a
 * text number cannot be read, or when max_count values are stored. The caller's data must hold
 * every binary item the format asks for up to that point.
 * 0; kArrayBadId; kArrayMissing; kArrayIndexRange (array full, null pointer); kArrayBadFormat
 * (unknown % character, bad repeat count or width, more than 7 nested groups, unmatched ')').
 */
NUMERA32_API int32_t ScanBuffer(const char* data, const char* format, int32_t id, int32_t max_count,
                                int32_t* count);

/*
 * DB_QuickMath: target = op(sources) row by row over the common length L of the sources (all
 * sources must have the same nonzero length, else kChannelOpFailed). op 1 a+b, 2 a-b, 3 a+c, 4 a*b,
 * 5 a*c, 6 a/b (NUMERA32_FORMULA_FAILED_VALUE where b = 0), 7 1/a (the same where a = 0), 8 sqrt(a);
 * a = sources[0], b = sources[1], c = *constant. The target's rows 1..L are written from row 1 on
 * (the target may be empty, one of the sources, or longer; rows beyond L stay).
 * Other ops write nothing and return 0. Two-channel ops with fewer than two sources, and
 * constant ops without a constant, return kChannelOpFailed. Database statuses pass through.
 */
NUMERA32_API int32_t DB_QuickMath(int32_t op, int32_t source_count, const int32_t* sources, int32_t target,
                                  int32_t ignored, const double* constant);
/* DB_FindIndex: the 1-based row of the first hit after skipping start rows, or kChannelOpFailed.
   mode 0 y >= t; 1 y <= t; 2 |dy| >= t; 3 |dy| <= t; 4 |dy/dx| >= t; 5 |dy/dx| <= t (pairs with equal
   x skipped); pairs are formed within chunks of 100 rows only (rows start+1..); a pair hit gives its
   first row. */
NUMERA32_API int32_t DB_FindIndex(int32_t x_channel, int32_t y_channel, int32_t start, int32_t mode,
                                  const double* threshold);
/* ShiftDBChannel: direction -1 removes count rows at 1-based position (1..L-1, the block inside the
   channel), the channel gets shorter; other directions insert count rows of fill at position
   (1..L), values pushed beyond row L are dropped. count 1..L-1. 0; kChannelOpFailed; database
   statuses. */
NUMERA32_API int32_t ShiftDBChannel(int32_t channel, int32_t position, int32_t count, int32_t direction,
                                    double fill);
/* CheckTolerance: the straight-line value of (x_channel, y_channel) at x; mode 0 stores it into
   *extreme when below it (returns 1), mode 1 when above it (returns 1); otherwise 0. kChannelOpFailed
   when there is no value at x (x at or before the first row, beyond the data, equal neighbouring x,
   a read failure or a null extreme). */
NUMERA32_API int32_t CheckTolerance(int32_t mode, int32_t x_channel, int32_t y_channel, double x, double* extreme);
/* CheckToleranceChan: walks the limit curve (x_limit_channel, y_limit_channel) over the measured
   curve; mode 0 counts a violation where the limit lies above the measured value, mode 1 below.
   min_count consecutive violations give 1 with the first of the run in *first_value (measured
   value) and *first_row (1-based limit row); 0 when none; kChannelOpFailed on an error. */
NUMERA32_API int32_t CheckToleranceChan(int32_t mode, int32_t x_channel, int32_t y_channel, int32_t x_limit_channel,
                                        int32_t y_limit_channel, int32_t min_count, double* first_value,
                                        int32_t* first_row);

/* value with bit (bit mod 32, also for negative bit numbers) set when set != 0, cleared otherwise. */
NUMERA32_API int32_t SetBitInNumber(int32_t value, int32_t bit, int32_t set);
/* mode != 0 reverses the four bytes of *value; mode 0 swaps the two bytes of its low half and stores
   that 16-bit value sign-extended. 0; kChannelOpFailed for a null pointer. */
NUMERA32_API int32_t SwapBytesLong(int32_t* value, int32_t mode);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* NUMERA32_ARRAYS_H */
