// NumeraStatusText: each area's statuses have texts of their own, the same number means different
// things in different areas, and database statuses passed through by array and spectra functions
// come with the database's text.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "numera32.h"
#include "storix32.h"

TEST(StatusText, EveryAreaNamesItsOwnStatuses) {
  const std::vector<std::pair<int32_t, std::vector<int32_t>>> areas = {
      {kNumeraAreaFormula,
       {kFormulaBadEntry, kFormulaDomain, kFormulaUnbalanced, kFormulaSyntax, kFormulaDivideByZero,
        kFormulaChannelUnavailable, kFormulaIndexList, kFormulaIndexCount, kFormulaNoValueAtRow,
        kFormulaTooManyNodes}},
      {kNumeraAreaArrays,
       {kChannelOpFailed, kArrayNoMemory, kArrayBadId, kArrayTooManyDims, kArrayTooFewDims, kArrayIndexRange,
        kArrayExists, kArrayMissing, kArrayNotOneDim, kArrayZeroParts, kArrayBadFormat}},
      {kNumeraAreaSpectra,
       {kSpectraFailed, kSpectraShortY, kSpectraGridFailed, kSpectraBadMethod, kSpectraPole, kSpectraEqualX,
        kSpectraOutsideRange}},
      {kNumeraAreaStrain, {kStrainBadArgument, kStrainRatioMismatch, kStrainDepthsEqual, kStrainStiffnessOverflow}},
  };
  for (const auto& [area, statuses] : areas) {
    std::set<std::string> seen;
    for (int32_t status : statuses) {
      const std::string text = NumeraStatusText(area, status);
      EXPECT_NE(text, "unknown status") << area << " " << status;
      EXPECT_TRUE(seen.insert(text).second) << area << " " << status << " repeats " << text;
    }
    EXPECT_STREQ(NumeraStatusText(area, 0), "success");
  }
  // -5: an unbalanced formula, a pole of the interpolation; no status of the strain functions.
  EXPECT_STRNE(NumeraStatusText(kNumeraAreaFormula, -5), NumeraStatusText(kNumeraAreaSpectra, -5));
  EXPECT_STREQ(NumeraStatusText(kNumeraAreaStrain, -5), "unknown status");
  EXPECT_STREQ(NumeraStatusText(7, -5), "unknown status");
}

TEST(StatusText, DatabaseStatusesPassedThroughKeepTheDatabaseText) {
  EXPECT_STREQ(NumeraStatusText(kNumeraAreaArrays, kDbNotOpen), QBX_DatabaseStatusText(kDbNotOpen));
  EXPECT_STREQ(NumeraStatusText(kNumeraAreaSpectra, kDbBadChannel), QBX_DatabaseStatusText(kDbBadChannel));
  // The formula area passes no database status through.
  EXPECT_STREQ(NumeraStatusText(kNumeraAreaFormula, kDbNotOpen), "unknown status");
}
