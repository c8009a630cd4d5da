// The formula record of each channel and the exports that keep it: QBX_ACQCreateFormula,
// QBX_ACQDestroyFormula, QBX_ACQGetFormula, QBX_ACQGetFormulaLen, the copy of a channel's
// linearisation and formula to another channel (QBX_ACQSwapIOChan), and the channel titles, which
// the kernel does not keep.
#include <cstring>

#include "export_guard.h"
#include "kernel_state.h"
#include "platform.h"
#include "scaling/linearisation.h"
#include "work_areas.h"

using namespace tallix;

namespace {

constexpr int16_t kClassMeasured = 0;
constexpr int16_t kClassFormula = 1;
constexpr int32_t kTextFormulaKind = 0;

void destroy_formula(int32_t channel) {
  FormulaRecord& f = kernel().formulas[channel];
  release(f.text);
  release(f.parameters);
  f = FormulaRecord{};
  free_work_area(channel);
}

int32_t create_formula(int32_t channel, const char* text, int32_t kind, const double* parameters, int32_t count) {
  const size_t length = text != nullptr ? std::strlen(text) : 0;
  if (kind == kTextFormulaKind && (text == nullptr || length == 0)) return kAcqBadFormula;
  if (length > static_cast<size_t>(kMaxFormulaText)) return kAcqBadFormula;
  if (count < 0 || (count > 0 && parameters == nullptr)) return kAcqBadFormula;
  destroy_formula(channel);
  FormulaRecord& f = kernel().formulas[channel];
  if (text != nullptr) {
    f.text = static_cast<char*>(platform().allocate(length + 1));
    if (f.text == nullptr) return kAcqBadFormula;
    std::memcpy(f.text, text, length + 1);
    f.text_length = static_cast<int32_t>(length);
  }
  if (count > 0) {
    f.parameters = allocate_doubles(static_cast<size_t>(count));
    if (f.parameters == nullptr) {
      destroy_formula(channel);
      return kAcqBadFormula;
    }
    std::memcpy(f.parameters, parameters, static_cast<size_t>(count) * sizeof(double));
    f.parameter_count = count;
  }
  f.kind = kind;
  AcqHdr& h = header(channel);
  h.acq_class = kClassFormula;
  h.device_type = -1;
  h.device_address = -1;
  h.full_scale = 1;
  h.range = 1.0f;
  return kAcqOk;
}

bool checked(int32_t argument, int32_t* channel) {
  *channel = channel_arg(argument);
  return valid_channel(*channel);
}

}  // namespace

extern "C" {

TALLIX32_API int32_t QBX_ACQCreateFormula(int32_t argument, const char* text, int32_t kind, const double* parameters,
                                          int32_t parameter_count) {
  return guarded([&]() -> int32_t {
    int32_t channel = 0;
    if (!checked(argument, &channel)) return kAcqBadChannel;
    return create_formula(channel, text, kind, parameters, parameter_count);
  });
}

TALLIX32_API int32_t QBX_ACQDestroyFormula(int32_t argument) {
  int32_t channel = 0;
  if (!checked(argument, &channel)) return kAcqBadChannel;
  destroy_formula(channel);
  header(channel).acq_class = kClassMeasured;
  return kAcqOk;
}

TALLIX32_API int32_t QBX_ACQGetFormula(int32_t argument, char* text, int32_t* kind, double* parameters,
                                       int32_t* parameter_count) {
  int32_t channel = 0;
  if (!checked(argument, &channel)) return kAcqBadChannel;
  const FormulaRecord& f = kernel().formulas[channel];
  if (text != nullptr) {
    if (f.text != nullptr)
      std::memcpy(text, f.text, static_cast<size_t>(f.text_length) + 1);
    else
      text[0] = '\0';
  }
  if (parameters != nullptr && f.parameters != nullptr)
    std::memcpy(parameters, f.parameters, static_cast<size_t>(f.parameter_count) * sizeof(double));
  if (kind != nullptr) *kind = f.kind;
  if (parameter_count != nullptr) *parameter_count = f.parameter_count;
  return (f.text == nullptr && f.kind == 0) ? kAcqBadArgument : kAcqOk;
}

TALLIX32_API int32_t QBX_ACQGetFormulaLen(int32_t argument, int32_t* length) {
  int32_t channel = 0;
  if (!checked(argument, &channel)) return kAcqBadChannel;
  const FormulaRecord& f = kernel().formulas[channel];
  if (f.text == nullptr || length == nullptr) return kAcqBadArgument;
  *length = f.text_length;
  return kAcqOk;
}

TALLIX32_API int32_t QBX_ACQSwapIOChan(int32_t from_argument, int32_t to_argument) {
  return guarded([&]() -> int32_t {
    int32_t from = 0, to = 0;
    if (!checked(from_argument, &from) || !checked(to_argument, &to)) return kAcqBadChannel;
    if (from == to) return kAcqOk;
    KernelState& k = kernel();
    destroy_lin_table(to);
    destroy_formula(to);
    const LinRecord& lin = k.lin[from];
    int32_t status = kAcqOk;
    if (lin.points == nullptr && lin.formula == nullptr) {  // a mode without a table of its own
      k.lin[to].mode = lin.mode;
      k.lin[to].type = lin.type;
    } else {
      status = create_lin_table(to, lin.mode, lin.type, lin.count, lin.points, lin.formula);
      if (status != kAcqOk) return status;
    }
    k.lin[to].input[0] = lin.input[0];
    k.lin[to].input[1] = lin.input[1];
    k.lin[to].software_tare = lin.software_tare;
    const FormulaRecord& f = k.formulas[from];
    if (f.text != nullptr || f.kind != kTextFormulaKind)
      status = create_formula(to, f.text, f.kind, f.parameters, f.parameter_count);
    return status;
  });
}

TALLIX32_API int32_t QBX_ACQSetChanTitle(int32_t, const char*) { return kAcqOk; }
TALLIX32_API int32_t QBX_ACQGetChanTitle(int32_t, char*) { return kAcqOk; }

}  // extern "C"
