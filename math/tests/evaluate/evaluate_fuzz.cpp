// Fuzz target for the text evaluators over random texts, with channels (a stand-in kernel), arrays of
// one to three dimensions and an open database behind c<n>, a<n>( and db(. Byte 0 chooses the
// offsets, the logic evaluation mode and RunCalcExp's write mode. Every status must be one the
// evaluators report; evaluating a text again must give the same value, status and flag (the kept
// parse); and where the text compiles and neither evaluation reports an error, RunTimeExp and
// RunCalcExp must agree.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "kernel_standin.h"
#include "numera32_arrays.h"
#include "numera32_evaluate.h"
#include "storix32.h"
#include "testkit/temp_dir.h"

namespace {

bool known_status(int32_t s) {
  switch (s) {
    case 0: case kFormulaDomain: case kFormulaUnbalanced: case kFormulaSyntax: case kFormulaDivideByZero:
    case kFormulaChannelUnavailable: case kFormulaIndexList: case kFormulaIndexCount: case kFormulaNoValueAtRow:
    case kArrayBadId: case kArrayIndexRange: case kArrayMissing:
      return true;
    default:
      return false;
  }
}

bool same(double a, double b) { return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0; }

void check(bool condition) {
  if (!condition) std::abort();
}

void prepare() {
  static bool done = false;
  if (done) return;
  done = true;
  check(standin::load());
  standin::fill(1, {1.5, -2.0});
  standin::fill(2, {0.0});
  standin::fill(3, {1e300, 7.0});
  standin::set_row(1);
  const int32_t s1[3] = {5, 0, 0};
  const int32_t s2[3] = {3, 4, 0};
  const int32_t s3[3] = {2, 2, 2};
  CreateArray(1, 1, s1);
  CreateArray(2, 2, s2);
  CreateArray(3, 3, s3);
  static testkit::TempDir dir;
  check(QBX_CreateDatabase(0, nullptr, 4) == 0);
  check(QBX_CreateDatabase(1, dir.file("fuzz.db").c_str(), 0) == 0);
  const double values[3] = {4.0, -0.5, 2.0};
  const int32_t list[2] = {1, 2};
  QBX_WriteToDatabase(1, list, values, -1, 3);
  QBX_WriteToDatabase(1, list + 1, values, -1, 2);
  for (int i = 0; i < 40; ++i) {
    SetArgument(i, i * 0.75 - 3);
    SetLocalVarArgument(i, 2 - i);
    SetFuncParamArgument(i, i * i);
    SetSysArgument(i == 1 ? -1 : i, -i);
    DrvSetArgument(i, i + 0.5);
  }
}

bool nondeterministic(const std::string& text) {
  return text.find("rnd(") != std::string::npos || text.find("ime") != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  prepare();
  if (size < 1) return 0;
  const uint8_t mode = data[0];
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const int16_t length = static_cast<int16_t>(text.size() > 400 ? 400 : text.size());
  SetGlobalVarOffset((mode & 3) == 3 ? -1 : (mode & 3));
  SetLocalVarStackPtr((mode >> 2) & 1);
  SetFuncParamStackPtr((mode >> 3) & 1 ? 70 : 0);
  SetFormulaLogEvalMode((mode >> 4) & 1);
  const bool write = (mode >> 5) & 1;
  SetOffsetInChList(2, (mode >> 6) & 1 ? -1 : 0);

  GetFormulaErrFlag();
  int32_t first_status = write ? -1 : 0;
  const double first = RunCalcExp(text.data(), length, &first_status);
  const int32_t first_flag = GetFormulaErrFlag();
  int32_t again_status = write ? -1 : 0;
  const double again = RunCalcExp(text.data(), length, &again_status);
  const int32_t again_flag = GetFormulaErrFlag();
  check(known_status(first_status) && known_status(first_flag));
  check(again_status == first_status && again_flag == first_flag);
  check(same(first, again) || nondeterministic(text));

  CalcExp(text.data(), length);
  check(known_status(GetFormulaErrFlag()));
  TCalcExp(text.data(), length, mode & 1);
  check(known_status(GetFormulaErrFlag()));
  DrvCalcExp(text.data(), length);
  check(known_status(GetFormulaErrFlag()));

  int16_t counter = 0;
  int32_t error = 0;
  const CompiledFormula f = CompileExp(text.data(), length, &counter, kFormulaSlotLeft, &error);
  if (error != 0) return 0;
  int32_t status = 0;
  const double compiled = RunTimeExp(&f, counter, write ? -1 : 0, &status);
  check(known_status(status) || status < -86);  // database read statuses pass through
  if (!write && status == 0 && first_status == 0 && first_flag == 0 && !nondeterministic(text)) {
    check(same(compiled, first));
  }
  return 0;
}
