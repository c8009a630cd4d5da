// Database operands of the text and compiled evaluators on a real database file: db( reads, and
// RunCalcExp's write mode storing argument 0 into a database channel (checked in the file's bytes).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "evaluate_helpers.h"
#include "storix32.h"
#include "testkit/temp_dir.h"

namespace {

using namespace eval_test;

constexpr int32_t kChannels = 3;
constexpr int32_t kMaxLength = 2048;  // the database's default maximum length

class EvaluateDatabase : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_state();
    path_ = dir_.file("formula.db");
    ASSERT_EQ(QBX_CreateDatabase(0, nullptr, kChannels), 0);
    ASSERT_EQ(QBX_CreateDatabase(1, path_.c_str(), 0), 0);
    const double values[5] = {1.5, 2.5, 3.5, 4.5, 5.5};
    const int32_t list[1] = {2};
    ASSERT_EQ(QBX_WriteToDatabase(1, list, values, -1, 5), 0);
  }
  void TearDown() override { QBX_RemoveDatabase(0); }

  // The value of channel `channel` at 0-based row `row` as the file holds it.
  double on_disk(int32_t channel, int32_t row) {
    QBX_RemoveDatabase(0);  // closes and flushes the file
    const std::string bytes = testkit::read_file(path_);
    EXPECT_EQ(QBX_CreateDatabase(-1, path_.c_str(), 0), 0);
    const std::size_t offset = 1000000 + static_cast<std::size_t>(channel - 1) * kMaxLength * 8 + row * 8u;
    double v = 0.0;
    if (bytes.size() >= offset + 8) std::memcpy(&v, bytes.data() + offset, 8);
    return v;
  }

  testkit::TempDir dir_;
  std::string path_;
};

TEST_F(EvaluateDatabase, DbReadsOneValue) {
  int32_t st = 0;
  EXPECT_EQ(run_calc("db(2,3)*2", st), 7.0);
  EXPECT_EQ(st, 0);
  EXPECT_EQ(run_compiled("db(2,1+1)", st), 2.5);
  EXPECT_EQ(st, 0);
  EXPECT_EQ(test_calc("db(2,3)"), 1.0);
  EXPECT_EQ(GetFormulaErrFlag(), 0);
  // Rows beyond the channel and channels beyond the database fail.
  EXPECT_EQ(run_calc("db(2,6)", st), 0.0);
  EXPECT_EQ(st, kFormulaSyntax);
  EXPECT_EQ(run_compiled("db(2,6)", st), NUMERA32_FORMULA_FAILED_VALUE);
  EXPECT_EQ(st, kDbReadBeyondEnd);
  run_calc("db(9,1)", st);
  EXPECT_EQ(st, kFormulaSyntax);
  run_calc("db(2)", st);
  EXPECT_EQ(st, kFormulaSyntax);
}

TEST_F(EvaluateDatabase, WriteModeStoresArgumentZeroIntoAChannel) {
  SetArgument(0, -42.25);
  SetGlobalVarOffset(7);  // array numbers above 1023 name channels; no offset there
  int32_t st = -1;
  EXPECT_EQ(run_calc("a1025(2,4)", st), 0.0);  // channel 2, row 4 (0-based 3)
  EXPECT_EQ(st, 0);
  st = -1;
  EXPECT_EQ(run_calc("a1024(1,1)", st), 0.0);  // appends to the empty channel 1
  EXPECT_EQ(st, 0);
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(2), 5);
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(1), 1);
  EXPECT_EQ(on_disk(2, 3), -42.25);
  EXPECT_EQ(on_disk(2, 2), 3.5);
  EXPECT_EQ(on_disk(1, 0), -42.25);
  // A failed write, and a database element with one index, fail with -6.
  st = -1;
  run_calc("a1025(2,9)", st);
  EXPECT_EQ(st, kFormulaSyntax);
  st = -1;
  run_calc("a1025(2)", st);
  EXPECT_EQ(st, kFormulaSyntax);
  // In read mode such an element is no array.
  st = 0;
  run_calc("a1025(2,4)", st);
  EXPECT_EQ(st, kArrayBadId);
}

}  // namespace
