// The linearisation record of each channel and the exports that keep it: QBX_ACQCreateLinTab,
// QBX_ACQDestroyLinTab, QBX_ACQGetLinTab, QBX_ACQSetLinMode, QBX_ACQLinInput, QBX_ACQSoftwareTare
// and the table interpolation QBX_DoLinCalc. The evaluation of lin mode 2 per value lives here too,
// for the scaling pass.
#include "scaling/linearisation.h"

#include <cstring>

#include "export_guard.h"
#include "numera32_evaluate.h"
#include "platform.h"

namespace tallix {
namespace {

constexpr double kBridgeGain = 4000.0;  // p2 x 4000 / (p1 x p0): mV/V of a bridge into its unit
constexpr int32_t kBridgeParametersShown = 7;

}  // namespace

double bridge_factor(const double* p) { return p[2] * kBridgeGain / (p[1] * p[0]); }

double interpolate(const double* points, int32_t n, double value, int32_t direction) {
  const int32_t in = direction == 0 ? 0 : 1, out = 1 - in;
  int32_t b = 1;
  while (b < n - 1 && !(value <= points[2 * b + in])) ++b;
  const int32_t a = b - 1;
  const double xa = points[2 * a + in], xb = points[2 * b + in];
  const double ya = points[2 * a + out], yb = points[2 * b + out];
  return ya + (yb - ya) / (xb - xa) * (value - xa);
}

int32_t apply_lin_type(const LinRecord& lin, double* values, int32_t n, const double* reference) {
  const double tare = lin.software_tare;
  switch (lin.type) {
    case kLinTypePoints:
      if (lin.points == nullptr || lin.count < 2) return kAcqOk;
      for (int32_t j = 0; j < n; ++j) values[j] = interpolate(lin.points, lin.count, values[j], 0) - tare;
      break;
    case kLinTypePolynomial:
      if (lin.points == nullptr) return kAcqOk;
      for (int32_t j = 0; j < n; ++j) {
        double sum = 0.0;  // Horner: c0 + v (c1 + v (c2 + ...))
        for (int32_t k = lin.count; k-- > 0;) sum = sum * values[j] + lin.points[k];
        values[j] = sum - tare;
      }
      break;
    case kLinTypeFormula: {
      if (lin.formula == nullptr) return kAcqOk;
      const auto length = static_cast<int16_t>(lin.formula_length);
      for (int32_t j = 0; j < n; ++j) {
        SetArgument(0, values[j]);
        values[j] = CalcExp(lin.formula, length) - tare;
      }
      break;
    }
    case kLinTypeBridge: {
      if (lin.points == nullptr) return kAcqOk;
      const double* p = lin.points;
      const double factor = bridge_factor(p);
      if (reference == nullptr) {
        for (int32_t j = 0; j < n; ++j) values[j] = values[j] * factor - tare;
        break;
      }
      // Compensation by the reference channel's value J: its thermal output polynomial p3..p6 and
      // the mismatch (p8 - p9) x (J - p7), or J itself when p3 is 0.
      for (int32_t j = 0; j < n; ++j) {
        const double v = values[j] * factor, ref = reference[j];
        values[j] = p[3] != 0.0
                        ? v - (p[3] + ref * (p[4] + ref * (p[5] + ref * p[6]))) - (p[8] - p[9]) * (ref - p[7]) - tare
                        : v - ref - tare;
      }
      break;
    }
    default:
      break;
  }
  return kAcqOk;
}

void destroy_lin_table(int32_t channel) {
  LinRecord& lin = kernel().lin[channel];
  release(lin.points);
  release(lin.formula);
  lin.points = nullptr;
  lin.formula = nullptr;
  lin.mode = lin.type = lin.count = lin.formula_length = 0;
  lin.input[0] = 0;
}

int32_t create_lin_table(int32_t channel, int32_t mode, int32_t type, int32_t count, const double* points,
                         const char* text) {
  const bool table = mode == kLinTable;
  if (table && (type == kLinTypePoints || type == kLinTypePolynomial) && (count < 2 || points == nullptr))
    return kAcqBadLinTable;
  if (table && type == kLinTypeFormula && (text == nullptr || std::strlen(text) > kMaxFormulaText))
    return kAcqBadLinTable;
  if (table && type == kLinTypeBridge && points == nullptr) return kAcqBadLinTable;
  destroy_lin_table(channel);
  LinRecord& lin = kernel().lin[channel];
  lin.mode = mode;
  lin.type = type;
  if (!table) return kAcqOk;
  int64_t doubles = 0;
  if (type == kLinTypePoints) doubles = int64_t{2} * count;
  if (type == kLinTypePolynomial) doubles = count;
  if (type == kLinTypeBridge) {
    doubles = kBridgeParameters;
    count = kBridgeParameters;
  }
  if (doubles > 0) {
    lin.points = allocate_doubles(static_cast<size_t>(doubles));
    if (lin.points == nullptr) return kAcqBadLinTable;
    std::memcpy(lin.points, points, static_cast<size_t>(doubles) * sizeof(double));
    lin.count = count;
  }
  if (type == kLinTypeFormula) {
    const size_t length = std::strlen(text);
    lin.formula = static_cast<char*>(platform().allocate(length + 1));
    if (lin.formula == nullptr) return kAcqBadLinTable;
    std::memcpy(lin.formula, text, length + 1);
    lin.formula_length = static_cast<int32_t>(length);
  }
  return kAcqOk;
}

}  // namespace tallix

using namespace tallix;

namespace {

// The checked channel of an export's argument, or -450.
int32_t checked(int32_t argument, int32_t* channel) {
  *channel = channel_arg(argument);
  return valid_channel(*channel) ? kAcqOk : kAcqBadChannel;
}

}  // namespace

extern "C" {

TALLIX32_API int32_t QBX_ACQCreateLinTab(int32_t argument, int32_t lin_mode, int32_t lin_type, int32_t count,
                                         const double* points, const char* text) {
  return guarded([&]() -> int32_t {
    int32_t channel = 0;
    if (checked(argument, &channel) != kAcqOk) return kAcqBadChannel;
    return create_lin_table(channel, lin_mode, lin_type, count, points, text);
  });
}

TALLIX32_API int32_t QBX_ACQDestroyLinTab(int32_t argument) {
  int32_t channel = 0;
  if (checked(argument, &channel) != kAcqOk) return kAcqBadChannel;
  destroy_lin_table(channel);
  return kAcqOk;
}

TALLIX32_API int32_t QBX_ACQGetLinTab(int32_t argument, int32_t* lin_mode, int32_t* lin_type, int32_t* count,
                                      double* points, char* text) {
  int32_t channel = 0;
  if (checked(argument, &channel) != kAcqOk) return kAcqBadChannel;
  const LinRecord& lin = kernel().lin[channel];
  if (lin_mode != nullptr) *lin_mode = lin.mode;
  if (lin_type != nullptr) *lin_type = lin.type;
  if (count != nullptr) *count = lin.count;
  if (points != nullptr && lin.mode == kLinTable && lin.points != nullptr) {
    int32_t doubles = 0;
    if (lin.type == kLinTypePoints) doubles = 2 * lin.count;
    if (lin.type == kLinTypePolynomial) doubles = lin.count;
    if (lin.type == kLinTypeBridge) doubles = kBridgeParametersShown;
    std::memcpy(points, lin.points, static_cast<size_t>(doubles) * sizeof(double));
  }
  if (text != nullptr) {
    if (lin.formula != nullptr)
      std::memcpy(text, lin.formula, static_cast<size_t>(lin.formula_length) + 1);
    else
      text[0] = '\0';
  }
  return kAcqOk;
}

TALLIX32_API int32_t QBX_ACQSetLinMode(int32_t argument, int32_t lin_mode) {
  int32_t channel = 0;
  if (checked(argument, &channel) != kAcqOk) return kAcqBadChannel;
  kernel().lin[channel].mode = lin_mode;
  return kAcqOk;
}

TALLIX32_API int32_t QBX_ACQLinInput(int32_t flag, int32_t argument, int16_t* word0, int16_t* words) {
  int32_t channel = 0;
  if (checked(argument, &channel) != kAcqOk) return kAcqBadChannel;
  if (word0 == nullptr || words == nullptr) return kAcqBadArgument;
  int16_t* input = kernel().lin[channel].input;
  if (flag != 0) {
    *word0 = input[0];
    std::memcpy(words, input + 1, 4 * sizeof(int16_t));
  } else {
    input[0] = *word0;
    std::memcpy(input + 1, words, 4 * sizeof(int16_t));
  }
  return kAcqOk;
}

TALLIX32_API int32_t QBX_ACQSoftwareTare(int32_t flag, int32_t argument, double* tare) {
  int32_t channel = 0;
  if (checked(argument, &channel) != kAcqOk) return kAcqBadChannel;
  if (tare == nullptr) return kAcqBadArgument;
  if (flag != 0)
    *tare = kernel().lin[channel].software_tare;
  else
    kernel().lin[channel].software_tare = *tare;
  return kAcqOk;
}

TALLIX32_API int32_t QBX_DoLinCalc(double* value, int32_t argument, int32_t direction) {
  int32_t channel = 0;
  if (checked(argument, &channel) != kAcqOk) return kAcqBadChannel;
  if (value == nullptr) return kAcqBadArgument;
  const LinRecord& lin = kernel().lin[channel];
  if (lin.type != kLinTypePoints || lin.points == nullptr || lin.count < 2) return kAcqBadLinTable;
  *value = interpolate(lin.points, lin.count, *value, direction);
  return kAcqOk;
}

}  // extern "C"
