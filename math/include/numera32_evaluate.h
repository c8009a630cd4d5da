/*
 * NUMERA32 formula evaluation and argument binding.
 *
 * The library keeps the inputs of formulas in process-wide tables (arguments, local variables,
 * function parameters, system arguments, database arguments and the driver's own four tables),
 * evaluates a CompiledFormula (RunTimeExp) or a formula text (RunCalcExp, CalcExp, TCalcExp,
 * DrvCalcExp), reports errors through a status pointer and the formula error flag
 * (GetFormulaErrFlag, numera32_formula.h), and keeps a stack of 512 event codes. Calls are not
 * thread-safe: callers serialise them.
 *
 * Variables of the formula language and their tables (n as written in the formula):
 *   x0..x15999        argument n + argument offset              (1024 entries, SetArgument)
 *   x16000..x23999    local variable n-16000 + local offset     (256, SetLocalVarArgument)
 *   x24000..x31999    function parameter n-24000 + param offset (64, SetFuncParamArgument)
 *   x32000...         system argument n-32000                   (128, SetSysArgument)
 *   d0..d31           database argument n                       (32, SetDBArgument)
 *   y<n>              argument 1023, whatever n is
 *   a<n>(i,j,k)       element of array n + argument offset (numera32_arrays.h)
 * DrvCalcExp reads the driver tables instead: x0.. driver argument n (64 entries, no offset),
 * x16000.. driver local variable (32, + driver local offset), x24000.. driver function parameter
 * (16, + driver param offset), x32000.. driver system argument (32).
 * Every read checks the number plus its offset against its table: an entry outside a table is an
 * error (kFormulaSyntax), never a read outside it.
 *
 * Offsets: the compiled form follows the offset setters exactly as the text evaluators do, so a
 * formula gives the same result compiled or as text. The channel offset list applies to both too.
 *
 * Channel values. c<n> is the value of kernel channel n at the acquisition kernel's current formula
 * row, read with QBX_ACQGetIOBuf(n, -1, 1, &value). The kernel (libtallix32.so) links this library,
 * so this library does not link the kernel: it looks the kernel's functions up by name in the
 * process (dlsym(RTLD_DEFAULT, ...)) at their first use and again at every later use until they are
 * found, so a kernel loaded after this library is found as well. Without a kernel in the process a
 * channel reference fails with kFormulaChannelUnavailable (-8). The functions are expected with
 * these types (the kernel's IO-buffer exports):
 *   int32_t QBX_ACQGetIOBuf(int32_t channel, int32_t index, int32_t count, double* destination);
 *   int32_t QBX_ACQSetIOBufEx(int32_t n, const int32_t* channels, const int32_t* counts,
 *                             const double* source, int32_t start);
 *   int32_t QBX_ACQResetIOBuf(int32_t channel);
 *   int32_t QBX_ACQGetIOBufCurrLen(int32_t channel);
 * QBX_ACQGetIOBuf with index -1 returns -1 when the current row lies beyond the channel's data:
 * the formula then fails with kFormulaNoValueAtRow (-11) and the value of the channel is 1.0; any
 * other nonzero result fails with kFormulaChannelUnavailable. A negative entry of the channel
 * offset list (SetOffsetInChList) makes every reference to that channel fail with -8.
 *
 * Text evaluators. They read the formula language of numera32_formula.h with the same splitting
 * rules as CompileExp and keep what parsing produced (keyed by the text, the evaluator and the
 * logic evaluation mode), so evaluating the same text again costs about as much as a compiled
 * formula; results, statuses, the error flag and events are the same either way.
 *   - A text of more than NUMERA32_FORMULA_TEXT_MAX characters, an empty text, a null text or a
 *     negative length fails with kFormulaSyntax; a text is never cut.
 *   - A text whose parentheses do not balance fails with kFormulaUnbalanced, as in CompileExp.
 *   - Every text is read by the rules above, also a single character: "7" is 7, "e" is e, and "x"
 *     fails with kFormulaSyntax (it is not read as 0).
 *   - Domain errors set kFormulaDomain and go on with a replacement value: ln, log of x <= 0 give 0,
 *     sqrt of x < 0 gives 0, bit( with a bit number outside 0..31 gives 0, '^' with x < 0 and
 *     y < 1 gives NUMERA32_FORMULA_FAILED_VALUE. Division by 0 sets kFormulaDivideByZero and gives
 *     NUMERA32_FORMULA_FAILED_VALUE; '%' by 0 gives the same value and sets kFormulaDivideByZero in
 *     the formula error flag only (not in RunCalcExp's status).
 *   - Any other error (syntax, channel, array, database) ends the evaluation: the result is the
 *     value at the point of failure (0, or 1.0 for kFormulaNoValueAtRow).
 *   - With the logic evaluation mode set (SetFormulaLogEvalMode) the operator classes & | and
 *     > < = ~ ! ? are not looked for; a text that contains any of those characters fails with
 *     kFormulaSyntax and the result 0.
 *   - Status and flag keep the newest error of an evaluation.
 *   Differences: RunCalcExp reads channels, arrays (read and, in write mode, write) and db(;
 *   CalcExp reads channels and arrays, db( fails with kFormulaSyntax; TCalcExp checks a formula
 *   without data: channels give 0 (kFormulaSyntax with no_channels = 1), array elements give 0
 *   after their index list is checked (kFormulaIndexList, kFormulaIndexCount), db( gives 1 after
 *   its arguments are evaluated; DrvCalcExp reads the driver tables and channels; arrays, db(,
 *   d<n> and y<n> fail with kFormulaSyntax.
 *   Array elements a<n>(...) with fewer indices than the array's dimensions take index 0 for the
 *   missing ones (kArrayIndexRange); more indices than dimensions fail with kArrayIndexRange.
 *
 * RunTimeExp stops at the first failing node and returns NUMERA32_FORMULA_FAILED_VALUE with the
 * node's status; it reports errors through its status only (not the formula error flag). It keeps
 * what it derived from a record by the record's address and uses it only while the record holds the
 * same nodes, so a record may be changed or reused between calls.
 *
 * Powers: x^2 is computed as x*x and x^3 as x*x*x (within one unit in the last place of pow).
 */
#ifndef NUMERA32_EVALUATE_H
#define NUMERA32_EVALUATE_H

#include <stdint.h>

#include "numera32_api.h"
#include "numera32_formula.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The value of a failed calculation (the largest float). */
#define NUMERA32_FORMULA_FAILED_VALUE 3.4028234663852886e+38

/* Longest formula text the text evaluators take (the kernel keeps formulas of at most 255). */
#define NUMERA32_FORMULA_TEXT_MAX 255

/* Sizes of the tables. */
enum {
  kFormulaArguments = 1024,
  kFormulaLocalVars = 256,
  kFormulaFuncParams = 64,
  kFormulaSysArguments = 128,
  kFormulaDbArguments = 32,
  kFormulaDrvArguments = 64,
  kFormulaDrvLocalVars = 32,
  kFormulaDrvFuncParams = 16,
  kFormulaDrvSysArguments = 32,
  kFormulaChannels = 10000,  /* channel offset list: channels 1..10000 */
  kFormulaEventSlots = 512
};

/* Status codes of evaluation (besides those of numera32_formula.h and numera32_arrays.h). */
enum {
  kFormulaBadEntry = -1,             /* a setter's index outside its table */
  kFormulaDomain = -4,               /* argument outside a function's domain; unknown operand kind */
  kFormulaDivideByZero = -7,         /* division or remainder by zero */
  kFormulaChannelUnavailable = -8,   /* channel refused by the kernel, no kernel, or offset entry < 0 */
  kFormulaNoValueAtRow = -11         /* the kernel's current row lies beyond the channel's data */
};

/* ---- Argument binding: each returns 0, or kFormulaBadEntry for an index outside its table. ---- */

NUMERA32_API int32_t SetArgument(int32_t index, double value);            /* 0..1023 */
NUMERA32_API int32_t SetLocalVarArgument(int32_t index, double value);    /* 0..255 */
NUMERA32_API int32_t SetFuncParamArgument(int32_t index, double value);   /* 0..63 */
/* 0..127. Index 1 also pushes the value, cut towards zero to a 16-bit integer, as an event; index
   -1 sets system argument 1 without pushing an event. */
NUMERA32_API int32_t SetSysArgument(int32_t index, double value);
NUMERA32_API int32_t SetDBArgument(int32_t index, double value);          /* 0..31 */
NUMERA32_API int32_t DrvSetArgument(int32_t index, double value);         /* 0..63 */
NUMERA32_API int32_t DrvSetLocalVarArgument(int32_t index, double value); /* 0..31 */
NUMERA32_API int32_t DrvSetFuncParamArgument(int32_t index, double value);/* 0..15 */
NUMERA32_API int32_t DrvSetSysArgument(int32_t index, double value);      /* 0..31 */

/* Offsets added to variable numbers (see above); each stores its value and returns 0. */
NUMERA32_API int32_t SetGlobalVarOffset(int32_t offset);   /* arguments and array numbers */
NUMERA32_API int32_t SetLocalVarStackPtr(int32_t offset);
NUMERA32_API int32_t SetFuncParamStackPtr(int32_t offset);
NUMERA32_API int32_t DrvSetLocalVarStackPtr(int32_t offset);
NUMERA32_API int32_t DrvSetFuncParamStackPtr(int32_t offset);

/* Channel offset list entry of channel 1..10000 (channel -1: every entry). A negative entry makes
   references to the channel fail with kFormulaChannelUnavailable. 0, or kFormulaBadEntry for
   another channel number. */
NUMERA32_API int32_t SetOffsetInChList(int32_t channel, int32_t value);
/* Keeps the pointer; evaluation does not depend on it. Returns 0. */
NUMERA32_API int32_t SetChannelBufPtr(void* pointer);
/* Logic evaluation mode: nonzero = the text evaluators do not read logic or comparison operators
   (texts that contain them fail). Returns 0. */
NUMERA32_API int32_t SetFormulaLogEvalMode(int32_t mode);

/* ---- Events ---- */

/* Returns an event code (a signed 16-bit value), or 0 when the stack is empty.
     index -1: the oldest event, removed when flag != 0;
     index -2: the newest event, removed when flag != 0;
     index -3: removes the first event equal to (int16_t)flag and returns 1, or returns 0;
     index >= 0: the event in that slot (0 = oldest), 0 beyond the newest; removed when flag != 0.
   Any other index returns 0. Removing moves the newer events down by one slot. */
NUMERA32_API int32_t GetEvent(int16_t index, uint16_t flag);
/* Number of events held (0..511). */
NUMERA32_API int32_t GetEventCount(void);
/* Empties the event stack; returns 0. */
NUMERA32_API int32_t ClearEventStack(void);

/* ---- Evaluators ---- */

/*
 * RunTimeExp: evaluates a compiled formula from node last_node down to node 0.
 *   formula    the record CompileExp returned; last_node the node counter it left (0..31).
 *   mode       >= 0 read mode; < 0 write mode: array elements receive argument 0 (no offset).
 *   status     out: 0, or the status of the failing node: kFormulaDomain (also for an unknown
 *              operation code or operand kind: kFormulaSyntax; a second or third array index
 *              that is a channel or time: kFormulaDomain), kFormulaDivideByZero,
 *              kFormulaChannelUnavailable, kFormulaNoValueAtRow, kFormulaSyntax (a variable outside
 *              its table), array statuses, database read statuses.
 * Result: the formula's value, or NUMERA32_FORMULA_FAILED_VALUE on failure. A null formula or
 * status, or last_node outside 0..31, fails with kFormulaSyntax.
 */
NUMERA32_API double RunTimeExp(const CompiledFormula* formula, int16_t last_node, int32_t mode, int32_t* status);

/* RunCalcExp: evaluates a formula text. status: in: -1 asks for write mode (array elements receive
   argument 0; a<n>(i,j) with n >= 1024 writes argument 0 into database channel i at row j-1);
   out: 0 or the newest error. Errors also go to the formula error flag. */
NUMERA32_API double RunCalcExp(const char* text, int16_t length, int32_t* status);
/* CalcExp: evaluates a formula text; errors go to the formula error flag. */
NUMERA32_API double CalcExp(const char* text, int16_t length);
/* TCalcExp: checks and evaluates a formula text without data (see above); no_channels != 0 makes
   every channel reference fail with kFormulaSyntax. Errors go to the formula error flag. */
NUMERA32_API double TCalcExp(const char* text, int16_t length, int32_t no_channels);
/* DrvCalcExp: evaluates a formula text over the driver tables; errors go to the formula error flag. */
NUMERA32_API double DrvCalcExp(const char* text, int16_t length);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* NUMERA32_EVALUATE_H */
