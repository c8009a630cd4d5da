// NumeraStatusText: the meaning of every status of the library, one table per area. Array and
// spectra functions pass database statuses through unchanged, so their texts come from the database
// library when it is linked.
#include <cstdint>
#include <cstring>
#include <span>

#include "numera32_arrays.h"
#include "numera32_evaluate.h"
#include "numera32_formula.h"
#include "numera32_signal.h"
#include "numera32_status.h"
#include "numera32_strain.h"

#ifdef NUMERA32_HAVE_STORIX
#include "storix32.h"
#endif

namespace {

struct StatusMeaning {
  int32_t status;
  const char* text;
};

constexpr char kSuccess[] = "success";
constexpr char kUnknown[] = "unknown status";

constexpr StatusMeaning kFormulaTexts[] = {
    {kFormulaBadEntry, "index outside its table"},
    {kFormulaDomain, "argument outside the function's domain, or an unknown operand kind"},
    {kFormulaUnbalanced, "unbalanced parentheses"},
    {kFormulaSyntax, "syntax error in the formula"},
    {kFormulaDivideByZero, "division by zero"},
    {kFormulaChannelUnavailable, "the channel's value is not available"},
    {kFormulaIndexList, "the index list of an array element cannot be split"},
    {kFormulaIndexCount, "an array element with more than three indices"},
    {kFormulaNoValueAtRow, "the channel has no value at the current row"},
    {kFormulaTooManyNodes, "the formula is too long (more than 32 nodes)"},
};

constexpr StatusMeaning kArrayTexts[] = {
    {kChannelOpFailed, "the channel operation failed or found nothing"},
    {kArrayNoMemory, "out of memory for the array"},
    {kArrayBadId, "array number outside 1..1023"},
    {kArrayTooManyDims, "too many dimensions (at most 3)"},
    {kArrayTooFewDims, "too few dimensions (at least 1)"},
    {kArrayIndexRange, "index, size or count out of range"},
    {kArrayExists, "the array exists already"},
    {kArrayMissing, "no such array"},
    {kArrayNotOneDim, "the array is not one-dimensional"},
    {kArrayZeroParts, "the array has no parts"},
    {kArrayBadFormat, "bad number format"},
};

constexpr StatusMeaning kSpectraTexts[] = {
    {kSpectraFailed, "the calculation failed (bad arguments, empty channel, singular system or no memory)"},
    {kSpectraShortY, "the y channel is shorter than 4 rows"},
    {kSpectraGridFailed, "the grid channel is empty or cannot be read"},
    {kSpectraBadMethod, "the interpolation method is not supported here"},
    {kSpectraPole, "the rational function has a pole at x"},
    {kSpectraEqualX, "two points of the interpolation window have the same x"},
    {kSpectraOutsideRange, "x lies outside the measured range"},
};

constexpr StatusMeaning kStrainTexts[] = {
    {kStrainBadArgument, "bad argument (rosette type, missing value or too few points)"},
    {kStrainRatioMismatch, "the lengths do not match the ratio"},
    {kStrainDepthsEqual, "the two depths cannot be told apart"},
    {kStrainStiffnessOverflow, "the stiffness factor is out of range"},
};

const char* find(std::span<const StatusMeaning> table, int32_t status) {
  for (const StatusMeaning& m : table)
    if (m.status == status) return m.text;
  return nullptr;
}

// The database's text for a status passed through, nullptr when it is not one.
const char* database_text(int32_t status) {
#ifdef NUMERA32_HAVE_STORIX
  const char* text = QBX_DatabaseStatusText(status);
  return std::strcmp(text, kUnknown) == 0 ? nullptr : text;
#else
  (void)status;
  return nullptr;
#endif
}

}  // namespace

extern "C" const char* NumeraStatusText(int32_t area, int32_t status) {
  if (status == 0) return kSuccess;
  const char* text = nullptr;
  switch (area) {
    case kNumeraAreaFormula: text = find(kFormulaTexts, status); break;
    case kNumeraAreaArrays:
      text = find(kArrayTexts, status);
      if (!text) text = database_text(status);
      break;
    case kNumeraAreaSpectra:
      text = find(kSpectraTexts, status);
      if (!text) text = database_text(status);
      break;
    case kNumeraAreaStrain: text = find(kStrainTexts, status); break;
    default: break;
  }
  return text ? text : kUnknown;
}
