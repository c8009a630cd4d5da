/*
 * NUMERA32 formula language and compiler.
 *
 * A formula is a short text such as "c3*0.5+x12", "sqrt(c1^2+c2^2)" or "(c1>100)&(c2<5)". CompileExp
 * turns it into a fixed-size CompiledFormula of 32 FormulaNode records that an evaluator runs many
 * times without parsing again. Calls are not thread-safe: callers serialise them.
 *
 * The language (every character counts; there are no blanks):
 *   Binary operators, weakest first, all associating to the left (no two-character operators):
 *     1  &  |                    logical and, or (operands other than 0 count as true)
 *     2  >  <  =  ~  !  ?        greater, less, equal, not equal, greater-or-equal, less-or-equal
 *     3  +  -                    add, subtract
 *     4  *  /  %                 multiply, divide, remainder of the integer parts
 *     5  ^                       power
 *   A '+' or '-' at the start of a (sub-)formula is a sign; one that follows a lower-case 'e' is the
 *   sign of an exponent and never an operator (so "e-1" and "time-1" are invalid: write "(e)-1").
 *   A sign cannot follow an operator: "2*-x1" is invalid, "2*(-x1)" is valid.
 *   Functions (lower case): sin( cos( sqrt( tan( exp( ln( log( acos( asin( atan( abs( floor( ceil(
 *     rnd( int( sgn(  with one argument; bit( min( max( atan2( hypot( db(  with two ("bit(value,bit)",
 *     "db(channel,row)"); a third argument is ignored, a fourth is an error. Arguments are cut at every
 *     comma, also at commas inside a nested call: "min(c1,max(c2,c3))" is invalid, while
 *     "min(sin(c1),c2)" is valid. An argument holds at most 127 characters. "( ... )" groups.
 *   Numbers: decimal with optional fraction and exponent ("1e-3", "2.5e+4", ".5"), or "0x" and
 *     hexadecimal digits ("0x1F"), optionally preceded by '-'. Reading stops at the first character
 *     that cannot belong to the number; the rest of the operand is ignored ("c12abc" is channel 12).
 *   Named operands (first letter in either case; '-' directly before c, e, p or x negates it, so
 *   a function whose name begins with one of those letters takes no leading '-': "-cos(x1)" is
 *   invalid, "-(cos(x1))" and "-sin(x1)" are valid):
 *     c<n>              value of measured channel n at the current row
 *     d<n>              database argument n, 0..31
 *     e, pi             2.7182818 and 3.1415926536
 *     time              current system time
 *     x<n>              n 0..15999 argument; 16000..23999 local variable n-16000; 24000..31999
 *                       function parameter n-24000; 32000 and above system argument n-32000
 *     y<n>              n 0..128: always the last argument slot (argument 1023)
 *     a<n>(i[,j[,k]])   element of array n (1..1023) with one to three indices
 *   A name needs at least one digit ("c" alone is invalid); characters after its digits are not
 *   looked at. The compiler keeps variable numbers as written; evaluators add their offsets and
 *   check each number against its table.
 *   A text whose parentheses do not balance is never compiled, even where the pieces that the
 *   operator search cuts out of it would compile.
 *
 * Layout of a CompiledFormula (for evaluators):
 *   Nodes 0..31, node 0 the root, in pre-order: an operation node, then every node of its left
 *   operand's sub-formula, then every node of its right operand's sub-formula (for an array element:
 *   first, second, third index). The node counter returned by CompileExp is the number of the last
 *   node written; nodes above it are zero and carry no meaning.
 *   Operand fields: an operand of kind kFormulaKindConstant takes its value from the node's constant
 *   field; a table kind names its entry by the node's number field; kind kFormulaKindIntermediate is
 *   the value of the operand's own sub-formula.
 *   Evaluation: take the nodes from the last one down to 0, keeping a stack of values. Compute each
 *   node's value, where the operands of kind kFormulaKindIntermediate (in the order left, right or
 *   first index, second index, third index) take the top stack entry, the one below it, and the one
 *   below that; then pop those entries and push the node's value. After node 0 the top entry is the
 *   result. The stack never holds more than 32 values.
 *   A node of code kFormulaOpOperand is just its left operand. One-argument operations use the left
 *   operand only (right kind 0).
 *   Array element node (code kFormulaOpArrayElement):
 *     left_constant     the array number (left_kind is kFormulaKindConstant)
 *     right_*           the first index (constant cut to a 16-bit integer, table kind and number,
 *                       or kFormulaKindIntermediate)
 *     index2_kind, left_number    the second index: kind, and its integer value (kind constant)
 *                                 or table number; kind 0 when absent
 *     index3_kind, right_number   the third index, the same way
 *   Because right_number carries the third index, a first index that is a channel or variable is
 *   passed as a one-node sub-formula (a group, kind kFormulaKindIntermediate) when a third index
 *   is present.
 */
#ifndef NUMERA32_FORMULA_H
#define NUMERA32_FORMULA_H

#include <stdint.h>

#include "numera32_api.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Number of nodes in a CompiledFormula. */
#define NUMERA32_FORMULA_NODES 32

/* Status codes of the formula compiler (also used by the formula error flag). */
enum {
  kFormulaOk = 0,
  kFormulaUnbalanced = -5,    /* a function call text does not end with ')'; unbalanced parentheses
                                 (formula error flag) */
  kFormulaSyntax = -6,        /* empty text or sub-text, invalid operand, bad name or number, wrong
                                 argument count of a function, argument longer than 127 characters,
                                 null pointer, negative length, operand slot outside 1..3 */
  kFormulaIndexList = -9,     /* the index list of an array element cannot be split (no closing
                                 parenthesis, empty list, an index longer than 127 characters) */
  kFormulaIndexCount = -10,   /* an array element with more than three indices */
  kFormulaTooManyNodes = -15  /* the formula needs more nodes than the 32 of a CompiledFormula, or the
                                 node counter passed in is outside 0..31 */
};

/* Operation codes of a FormulaNode. */
enum {
  kFormulaOpOperand = 0,       /* the left operand itself */
  kFormulaOpNegate = 3,        /* unary '-' before a sub-formula */
  kFormulaOpGroup = 4,         /* unary '+', and a parenthesised group */
  kFormulaOpSin = 5,
  kFormulaOpCos = 6,
  kFormulaOpSqrt = 7,
  kFormulaOpTan = 8,
  kFormulaOpExp = 9,
  kFormulaOpLn = 10,           /* natural logarithm */
  kFormulaOpLog = 11,          /* decimal logarithm */
  kFormulaOpAcos = 12,
  kFormulaOpAsin = 13,
  kFormulaOpAtan = 14,
  kFormulaOpAbs = 15,
  kFormulaOpFloor = 16,
  kFormulaOpCeil = 17,
  kFormulaOpRnd = 18,          /* random number; the operand is evaluated and ignored */
  kFormulaOpInt = 19,          /* rounded to the nearest whole number, halves away from zero */
  kFormulaOpSgn = 20,
  kFormulaOpBit = 21,          /* bit (right) of the integer (left) */
  kFormulaOpMin = 22,
  kFormulaOpMax = 23,
  kFormulaOpAtan2 = 24,
  kFormulaOpHypot = 25,
  kFormulaOpRemainder = 26,    /* '%' */
  kFormulaOpPower = 27,        /* '^' */
  kFormulaOpLess = 28,         /* '<' */
  kFormulaOpGreater = 29,      /* '>' */
  kFormulaOpEqual = 30,        /* '=' */
  kFormulaOpAnd = 31,          /* '&' */
  kFormulaOpOr = 32,           /* '|' */
  kFormulaOpNotEqual = 33,     /* '~' */
  kFormulaOpGreaterEqual = 34, /* '!' */
  kFormulaOpLessEqual = 35,    /* '?' */
  kFormulaOpAdd = 40,          /* '+' */
  kFormulaOpMultiply = 41,     /* '*' */
  kFormulaOpSubtract = 42,     /* '-' */
  kFormulaOpDivide = 43,       /* '/' */
  kFormulaOpArrayElement = 100,
  kFormulaOpDatabase = 101     /* db(channel,row) */
};

/* Operand kinds (left_kind, right_kind, index2_kind, index3_kind). A negated variable kind is its
   plain kind plus kFormulaKindNegated; a negated channel is kFormulaKindChannelNeg. */
enum {
  kFormulaKindNone = 0,
  kFormulaKindArgument = 1,        /* x0..x15999: argument n */
  kFormulaKindChannel = 2,         /* c<n>: channel n */
  kFormulaKindDbArgument = 3,      /* d<n>: database argument n */
  kFormulaKindTime = 4,            /* time */
  kFormulaKindChannelNeg = 5,      /* -c<n> */
  kFormulaKindArgumentNeg = 9,     /* -x0..-x15999 */
  kFormulaKindLocalVar = 10,       /* x16000..x23999: local variable n-16000 */
  kFormulaKindFuncParam = 11,      /* x24000..x31999: function parameter n-24000 */
  kFormulaKindSysArg = 12,         /* x32000 and above: system argument n-32000 */
  kFormulaKindLastArg = 13,        /* y<n>: argument 1023 */
  kFormulaKindLocalVarNeg = 18,
  kFormulaKindFuncParamNeg = 19,
  kFormulaKindSysArgNeg = 20,
  kFormulaKindIntermediate = 200,  /* value of the operand's own sub-formula */
  kFormulaKindConstant = 255,      /* the constant stored in the node */
  kFormulaKindNegated = 8
};

/* Operand slots of CompileExp. */
enum {
  kFormulaSlotLeft = 1,   /* a plain operand goes to the left operand fields (whole formulas) */
  kFormulaSlotRight = 2,  /* ... to the right operand fields */
  kFormulaSlotIndex = 3   /* ... to the right operand fields, a constant cut to a 16-bit integer */
};

#pragma pack(push, 1)
/* One node of a compiled formula; 30 bytes, no padding. */
typedef struct FormulaNode {
  int16_t operation;      /* offset 0: operation code (kFormulaOp...) */
  double left_constant;   /* offset 2: left operand value when left_kind is constant; array number */
  double right_constant;  /* offset 10: right operand value when right_kind is constant; first index */
  uint8_t left_kind;      /* offset 18 */
  uint8_t right_kind;     /* offset 19: 0 = no right operand */
  uint8_t index2_kind;    /* offset 20: array element nodes: kind of the second index (0 = none) */
  uint8_t index3_kind;    /* offset 21: array element nodes: kind of the third index (0 = none) */
  int32_t left_number;    /* offset 22: table number of the left operand; array: second index */
  int32_t right_number;   /* offset 26: table number of the right operand; array: third index */
} FormulaNode;

/* A compiled formula: 32 nodes in a row (960 bytes), returned by value. */
typedef struct CompiledFormula {
  FormulaNode node[NUMERA32_FORMULA_NODES];
} CompiledFormula;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(FormulaNode) == 30, "FormulaNode is 30 bytes");
static_assert(sizeof(CompiledFormula) == 960, "CompiledFormula is 32 nodes");
#else
_Static_assert(sizeof(FormulaNode) == 30, "FormulaNode is 30 bytes");
_Static_assert(sizeof(CompiledFormula) == 960, "CompiledFormula is 32 nodes");
#endif

/*
 * CompileExp: compiles a formula text into nodes.
 *   text           the formula characters; they need no terminating zero, and nothing beyond
 *                  length characters is read.
 *   length         number of characters, 1..32767.
 *   node_counter   in: the node where the formula's root is to be written, 0 for a whole formula;
 *                  out: the number of the last node written (the evaluator's starting node). Left
 *                  as it was on some failures; its value is of no use after a failure.
 *   operand_slot   kFormulaSlotLeft for a whole formula; where a plain operand (a number or name
 *                  alone) is stored in the root node: left, right, or right as an array index.
 *   error          out: kFormulaOk, or kFormulaUnbalanced, kFormulaSyntax, kFormulaIndexList,
 *                  kFormulaIndexCount, kFormulaTooManyNodes. Without it nothing is compiled.
 * Result: the compiled formula; nodes from the counter passed in up to the counter returned hold the
 * formula, every other node is zero. After a failure the record is of no use.
 * A scan for an operator that meets unbalanced parentheses sets the formula error flag to
 * kFormulaUnbalanced, whatever the result of the compile.
 */
NUMERA32_API CompiledFormula CompileExp(const char* text, int16_t length, int16_t* node_counter,
                                        int32_t operand_slot, int32_t* error);

/* GetFormulaErrFlag: returns the library-wide formula error flag (0 or a negative status of the
   last failing formula step) and resets it to 0. */
NUMERA32_API int32_t GetFormulaErrFlag(void);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* NUMERA32_FORMULA_H */
