// Fuzz target for CompileExp: random texts with random lengths (also lengths that disagree with the
// text), start counters and operand slots. Every successful compile must leave a well-formed tree in
// the node range it reports, and every failure one of the compiler's status codes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "node_walk.h"
#include "numera32_formula.h"

namespace {

bool known_status(int32_t status) {
  return status == kFormulaUnbalanced || status == kFormulaSyntax || status == kFormulaIndexList ||
         status == kFormulaIndexCount || status == kFormulaTooManyNodes;
}

}  // namespace

// Input: byte 0 chooses the start counter (low six bits, minus 3), the slot (top two bits, plus 1) ;
// bytes 1-2 are the length (little endian, signed); byte 3 bit 0 chooses whether the text buffer is
// cut to the length (so any read beyond it is caught) or holds all remaining bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) {
    int16_t counter = 0;
    int32_t error = 0;
    CompileExp(reinterpret_cast<const char*>(data), static_cast<int16_t>(size), &counter, kFormulaSlotLeft, &error);
    return 0;
  }
  const int16_t counter_in = static_cast<int16_t>((data[0] & 0x3f) - 3);
  const int32_t slot = ((data[0] >> 6) & 3) + 1;
  int16_t length;
  std::memcpy(&length, data + 1, sizeof length);
  const bool cut = (data[3] & 1) != 0;
  const uint8_t* text = data + 4;
  std::size_t available = size - 4;
  if (available > 32767) available = 32767;
  if (length > static_cast<int16_t>(available)) length = static_cast<int16_t>(available);
  const std::size_t buffer_size = cut && length > 0 ? static_cast<std::size_t>(length) : available;
  std::vector<char> buffer(text, text + buffer_size);
  buffer.shrink_to_fit();

  int16_t counter = counter_in;
  int32_t error = 1;
  const CompiledFormula formula = CompileExp(buffer.data(), length, &counter, slot, &error);
  if (error == kFormulaOk) {
    if (length <= 0 || slot > kFormulaSlotIndex || counter_in < 0) std::abort();
    if (counter < counter_in || counter >= NUMERA32_FORMULA_NODES) std::abort();
    const bool plain = formula.node[counter_in].operation == kFormulaOpOperand;
    if (!(plain && slot != kFormulaSlotLeft) && !formula_test::check_layout(formula, counter_in, counter).empty()) {
      std::abort();
    }
    static const FormulaNode kZero{};
    for (int k = 0; k < NUMERA32_FORMULA_NODES; ++k) {
      if ((k < counter_in || k > counter) && std::memcmp(&formula.node[k], &kZero, sizeof kZero) != 0) std::abort();
    }
  } else if (!known_status(error)) {
    std::abort();
  }
  return 0;
}
