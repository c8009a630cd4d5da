// Formula channels (acquisition class 1), computed after the scaling passes of every read: a
// formula text through the math library, pointwise functions of one or two input channels, sums and
// means over channel ranges, strain rosettes, and the kinds that keep state across reads in the
// channel's work area (moving mean, extremes, running sum, difference quotient, integral, recursive
// filters, group statistics). Input channels are read at their block start, the output is written
// at the channel's write offset; nothing is read or written outside an IO buffer or work area.
#include <cmath>
#include <cstring>
#include <limits>

#include "kernel_state.h"
#include "numera32_evaluate.h"
#include "numera32_signal.h"
#include "numera32_strain.h"
#include "platform.h"
#include "scaling/formula_kinds.h"
#include "scaling/scaling_pass.h"

namespace tallix {

namespace {

constexpr int16_t kClassFormula = 1;
constexpr double kHuge = 1e20;           // a quotient by zero, a rising quantity that did not move
constexpr double kMinDepthStep = 1e-20;  // a hole must grow by this much to be evaluated again
constexpr int32_t kSpectrumMin = 4, kSpectrumMax = 8192;
constexpr int32_t kRosetteResults = 12;
constexpr int32_t kMostMovingMeanWidth = 10000000;
constexpr int32_t kBitsOfInteger = 32;

// One input channel's block: its values from the block start and how many lie inside its buffer.
struct Input {
  const double* v = nullptr;
  int32_t available = 0;
  int32_t read_count = 0;
};

// The channel named by a parameter (its integer part), or 0 when it names none.
int32_t channel_of(double parameter) {
  if (!(parameter >= 1.0 && parameter < static_cast<double>(kAcqMaxChannels) + 1.0)) return 0;
  return static_cast<int32_t>(parameter);
}

bool input_of(int32_t channel, Input* in) {
  if (!valid_channel(channel)) return false;
  const IOBuf& b = buffer(channel);
  if (b.values == nullptr || b.block_start < 0 || b.block_start > b.capacity) return false;
  in->v = b.values + b.block_start;
  in->available = b.capacity - b.block_start;
  in->read_count = header(channel).read_block_count;
  return true;
}

// Everything one computation sees: parameters p0..p15 (0 where the record has fewer), the output
// area and the work area as doubles.
struct Job {
  int32_t channel;
  int32_t kind;
  double p[kFormulaParameters];
  double* out;
  int64_t room;
  double* work;
  int32_t work_doubles;
  int32_t work_elements;
  int32_t block_length;
};

// The number of values to produce from inputs that must all hold them: n cut to each input.
int32_t fit(int32_t n, const Input& in) { return n < in.available ? n : in.available; }

// Status of a computation that produced `produced` values (or failed).
struct Result {
  int32_t status;
  int32_t produced;
};

Result too_small() { return {kAcqBufferTooSmall, 0}; }
Result no_work_area() { return {kAcqNoWorkArea, 0}; }

bool needs(const Job& job, int32_t doubles) { return job.work != nullptr && job.work_doubles >= doubles; }

// ---- Pointwise kinds: output j is a function of the parameters and inputs A_j, B_j ------------

using Pointwise = double (*)(const double* p, double a, double b);

double bit_of(double value, double bit_parameter) {
  if (!(bit_parameter >= 0.0 && bit_parameter < kBitsOfInteger)) return 0.0;
  if (!(std::fabs(value) < 9.2e18)) return 0.0;
  const auto integer = static_cast<uint64_t>(static_cast<int64_t>(value));
  return ((integer >> static_cast<int32_t>(bit_parameter)) & 1u) != 0 ? 1.0 : 0.0;
}
double flag(bool b) { return b ? 1.0 : 0.0; }
double positive_log(double scale, double argument, double (*f)(double)) {
  return argument > 0.0 ? scale * f(argument) : -kHuge;
}

struct PointwiseKind {
  int32_t kind;
  int8_t a;  // parameter naming input A (-1: none)
  int8_t b;  // parameter naming input B (-1: none)
  Pointwise f;
};

constexpr PointwiseKind kPointwise[] = {
    {1, -1, -1, [](const double* p, double, double) { return p[0]; }},
    {2, 1, -1, [](const double* p, double a, double) { return p[0] + a; }},
    {3, 1, -1, [](const double* p, double a, double) { return p[0] * a; }},
    {4, 0, 1, [](const double* p, double a, double b) { return p[2] * a + p[3] * b; }},
    {5, 0, 1, [](const double* p, double a, double b) { return p[2] * a - p[3] * b; }},
    {6, 0, 1, [](const double* p, double a, double b) { return p[2] * a * b; }},
    {7, 0, 1, [](const double* p, double a, double b) { return b == 0.0 ? kHuge : p[2] * a / b; }},
    {24, 0, -1, [](const double* p, double a, double) { return bit_of(a, p[1]); }},
    {26, 0, 1, [](const double*, double a, double b) { return flag(a > b); }},
    {27, 0, 1, [](const double*, double a, double b) { return flag(a < b); }},
    {28, 0, 1, [](const double*, double a, double b) { return flag(a == b); }},
    {29, 1, -1, [](const double* p, double a, double) { return flag(a > p[0]); }},
    {30, 1, -1, [](const double* p, double a, double) { return flag(a < p[0]); }},
    {31, 1, -1, [](const double* p, double a, double) { return flag(a == p[0]); }},
    {32, 1, -1, [](const double* p, double a, double) { return p[0] * std::sin(p[2] * a); }},
    {33, 1, -1, [](const double* p, double a, double) { return p[0] * std::cos(p[2] * a); }},
    {34, 1, -1, [](const double* p, double a, double) { return positive_log(p[0], p[2] * a, std::log); }},
    {35, 1, -1, [](const double* p, double a, double) { return positive_log(p[0], p[2] * a, std::log10); }},
    {36, 1, -1, [](const double* p, double a, double) { return p[0] * std::exp(p[2] * a); }},
    {37, 1, -1, [](const double* p, double a, double) { return a < 0.0 ? 0.0 : p[0] * std::sqrt(a); }},
    {38, 1, -1, [](const double* p, double a, double) { return a < 0.0 ? 0.0 : p[0] * std::cbrt(a); }},
    // Strain eps = A at temperature T = B: thermal output polynomial p2..p5, alpha1 p6, alpha2 p7, T0 p8.
    {39, 0, 1, [](const double* p, double a, double b) { return DoThermoComp(a, b, p + 2, p[6], p[7], p[8]); }},
    {41, 1, -1, [](const double* p, double a, double) { return p[0] * a * a; }},
    {42, 2, 3, [](const double* p, double a, double b) { return p[0] * a * a + p[1] * b * b; }},
    {46, 0, -1, [](const double* p, double a, double) { return p[1] * a + p[2]; }},
};

const PointwiseKind* find_pointwise(int32_t kind) {
  for (const PointwiseKind& k : kPointwise)
    if (k.kind == kind) return &k;
  return nullptr;
}

Result pointwise(const Job& job, const PointwiseKind& k) {
  Input a, b;
  int32_t n = job.block_length;
  if (k.a >= 0) {
    if (!input_of(channel_of(job.p[k.a]), &a)) return no_work_area();
    if (job.kind == 2) n = a.read_count;  // kind 2 follows its input's block
    n = fit(n, a);
  }
  if (k.b >= 0) {
    if (!input_of(channel_of(job.p[k.b]), &b)) return no_work_area();
    n = fit(n, b);
  }
  if (n < 0) n = 0;
  if (n > job.room) return too_small();
  for (int32_t j = 0; j < n; ++j)
    job.out[j] = k.f(job.p, k.a >= 0 ? a.v[j] : 0.0, k.b >= 0 ? b.v[j] : 0.0);
  return {kAcqOk, n};
}

// ---- Kinds without inputs that count values -------------------------------------------------

Result counted(const Job& job) {
  const int32_t n = job.block_length > 0 ? job.block_length : 0;
  if (n > job.room) return too_small();
  const double rate = kernel().sample_rate > 0.0f ? kernel().sample_rate : 1.0;
  for (int32_t j = 0; j < n; ++j) job.out[j] = job.kind == 22 ? j * job.p[0] : rate * j / n;
  return {kAcqOk, n};
}

// ---- Kind 0: a formula text, once per value ------------------------------------------------

Result text_formula(const Job& job) {
  const FormulaRecord& f = kernel().formulas[job.channel];
  if (f.text == nullptr) return {kAcqOk, 0};
  const int32_t n = job.block_length > 0 ? job.block_length : 0;
  if (n > job.room) return too_small();
  int32_t produced = 0;
  for (int32_t j = 0; j < n; ++j) {
    kernel().formula_row = j;  // the row QBX_ACQGetIOBuf(index -1) serves to the formula
    int32_t status = 0;
    const double v = RunCalcExp(f.text, static_cast<int16_t>(f.text_length), &status);
    if (status == kFormulaNoValueAtRow) break;  // an input's block ended: the values so far count
    if (status == kFormulaChannelUnavailable) {
      kernel().formula_row = 0;
      return {kAcqFormulaFailed, produced};
    }
    job.out[j] = v;
    produced = j + 1;
  }
  kernel().formula_row = 0;
  return {kAcqOk, produced};
}

// ---- Kinds 8, 9: sum and mean over a range of channels ----------------------------------------

Result channel_range(const Job& job) {
  int32_t first = channel_of(job.p[0]), last = channel_of(job.p[1]);
  if (first == 0 || last == 0) return no_work_area();
  if (first > last) std::swap(first, last);
  int32_t n = job.block_length > 0 ? job.block_length : 0;
  for (int32_t ch = first; ch <= last; ++ch) {
    Input in;
    if (!input_of(ch, &in)) return no_work_area();
    n = fit(n, in);
  }
  if (n > job.room) return too_small();
  for (int32_t j = 0; j < n; ++j) job.out[j] = 0.0;
  for (int32_t ch = first; ch <= last; ++ch) {
    Input in;
    input_of(ch, &in);
    for (int32_t j = 0; j < n; ++j) job.out[j] += in.v[j];
  }
  if (job.kind == kKindMean) {
    const double count = last - first + 1;
    for (int32_t j = 0; j < n; ++j) job.out[j] /= count;
  }
  return {kAcqOk, n};
}

// ---- Rosettes ---------------------------------------------------------------------------------

// Which of the results (numbered as RosStressCalc's) each rosette kind outputs.
struct RosetteOutput {
  int32_t kind;
  int32_t result;
};
constexpr RosetteOutput kRosetteOutputs[] = {{10, 0}, {11, 1}, {12, 2}, {58, 3}, {51, 4},  {52, 5},
                                             {50, 6}, {53, 7}, {54, 8}, {55, 9}, {56, 10}, {57, 11}};

Result rosette(const Job& job) {
  int32_t result = 0;
  for (const RosetteOutput& r : kRosetteOutputs)
    if (r.kind == job.kind) result = r.result;
  Input grid[3];
  for (int32_t g = 0; g < 3; ++g)
    if (!input_of(channel_of(job.p[g]), &grid[g])) return no_work_area();
  int32_t n = grid[0].read_count > 0 ? grid[0].read_count : 0;
  for (const Input& g : grid) n = fit(n, g);
  const int32_t type = (job.p[3] >= 0.0 && job.p[3] < 1e6) ? static_cast<int32_t>(job.p[3]) : 0;  // 0: no type
  const double e = job.p[4], nu = job.p[5];
  const bool stepwise = type == kRosetteRingCore || type == kRosetteHoleDrilling;
  Input depth;
  if (stepwise) {
    // The previous reading (three strains and the depth) lives in the work area.
    if (!needs(job, 4)) return no_work_area();
    if (!input_of(channel_of(job.p[6]), &depth)) return no_work_area();
    n = fit(n, depth);
  }
  if (n > job.room) return too_small();
  double results[kRosetteResults];
  for (int32_t j = 0; j < n; ++j) {
    std::memset(results, 0, sizeof results);
    const double strains[3] = {grid[0].v[j], grid[1].v[j], grid[2].v[j]};
    if (!stepwise) {
      RosStressCalc(strains, results, type, e, nu, 0, job.p + 6);
    } else {
      double* previous = job.work;  // a, b, c, depth
      const double z = depth.v[j];
      if (z - previous[3] >= kMinDepthStep) {
        const double six[6] = {previous[0], previous[1], previous[2], strains[0], strains[1], strains[2]};
        const double depths[2] = {previous[3], z};
        if (type == kRosetteRingCore)
          RingCoreCalc(six, depths, results, e, nu);
        else
          HoleDrillCalc(six, depths, results, e, nu);
      }
      std::memcpy(previous, strains, sizeof strains);
      previous[3] = z;
    }
    job.out[j] = results[result];
  }
  return {kAcqOk, n};
}

// ---- Kinds 13, 14: moving mean across blocks ---------------------------------------------------

Result moving_mean(const Job& job) {
  const int32_t w = moving_mean_width(job.p[1]);
  if (w < 0 || job.work_elements < w + 1 || !needs(job, w + 1)) return no_work_area();
  Input a;
  if (!input_of(channel_of(job.p[0]), &a)) return no_work_area();
  const int32_t n = fit(job.block_length > 0 ? job.block_length : 0, a);
  if (n > job.room) return too_small();
  double* kept = job.work;  // the last w values, oldest first
  double& m = job.work[w];
  const double offset = job.kind == kKindMovingMeanOffset ? job.p[2] : 0.0;
  for (int32_t j = 0; j < n; ++j) {
    const double leaving = j >= w ? a.v[j - w] : kept[j];
    m += (a.v[j] - leaving) / w;
    job.out[j] = m + offset;
  }
  if (n >= w) {
    std::memcpy(kept, a.v + (n - w), static_cast<size_t>(w) * sizeof(double));
  } else {
    std::memmove(kept, kept + n, static_cast<size_t>(w - n) * sizeof(double));
    std::memcpy(kept + (w - n), a.v, static_cast<size_t>(n) * sizeof(double));
  }
  return {kAcqOk, n};
}

// ---- Kinds 15, 16, 17: running extremes ----------------------------------------------------

Result extremes(const Job& job) {
  // Minimum, maximum and a flag that the first value ever has been seen.
  if (job.work_elements < 2 || !needs(job, 3)) return no_work_area();
  Input a;
  if (!input_of(channel_of(job.p[0]), &a)) return no_work_area();
  const int32_t n = fit(job.block_length > 0 ? job.block_length : 0, a);
  if (n > job.room) return too_small();
  double &lo = job.work[0], &hi = job.work[1], &seen = job.work[2];
  for (int32_t j = 0; j < n; ++j) {
    const double v = a.v[j];
    if (seen == 0.0) {
      lo = hi = v;
      seen = 1.0;
    }
    if (v < lo) lo = v;
    if (v > hi) hi = v;
    job.out[j] = job.kind == kKindMinimum ? lo : job.kind == kKindMaximum ? hi : hi - lo;
  }
  return {kAcqOk, n};
}

// ---- Kinds 18, 19, 20: spectrum of one block -------------------------------------------------

Result spectrum(const Job& job) {
  Input a;
  if (!input_of(channel_of(job.p[0]), &a)) return no_work_area();
  const int32_t n = a.read_count;
  if (n < kSpectrumMin || n > kSpectrumMax || (n & (n - 1)) != 0 || n > a.available)
    return {kAcqBadSpectrumLength, 0};
  const int32_t half = n / 2;
  if (half > job.room) return too_small();
  double* data = allocate_doubles(static_cast<size_t>(n) + 1);
  if (data == nullptr) return {kAcqNoScratch, 0};
  std::memcpy(data + 1, a.v, static_cast<size_t>(n) * sizeof(double));
  RealFFT(data, half, 1);
  const double norm = static_cast<double>(n) * n / 4.0;
  for (int32_t w = 0; w < half; ++w) {
    const double re = data[2 * w + 1], im = data[2 * w + 2];
    job.out[w] = job.kind == kKindSpectrumReal ? re : job.kind == kKindSpectrumImaginary ? im : (re * re + im * im) / norm;
  }
  release(data);
  return {kAcqOk, half};
}

// ---- Kind 21: running sum ------------------------------------------------------------------

Result running_sum(const Job& job) {
  if (!needs(job, 1)) return no_work_area();
  const int32_t n = job.block_length > 0 ? job.block_length : 0;
  if (n > job.room) return too_small();
  double& w = job.work[0];
  for (int32_t j = 0; j < n; ++j) job.out[j] = (w += job.p[0]);
  return {kAcqOk, n};
}

// ---- Kinds 25 and 40: difference quotient and trapezoidal integral of B over A ----------------

Result over_a(const Job& job) {
  const bool integral = job.kind == kKindIntegral;
  if (!needs(job, integral ? 3 : 2)) return no_work_area();
  Input b, a;  // B = channel p0, A = channel p1
  if (!input_of(channel_of(job.p[0]), &b) || !input_of(channel_of(job.p[1]), &a)) return no_work_area();
  const int32_t n = fit(fit(job.block_length > 0 ? job.block_length : 0, a), b);
  if (n > job.room) return too_small();
  double &a_prev = job.work[0], &b_prev = job.work[1];
  for (int32_t j = 0; j < n; ++j) {
    const double av = a.v[j], bv = b.v[j];
    if (!integral) {
      job.out[j] = a_prev == 0.0 ? 0.0 : av == a_prev ? kHuge : (bv - b_prev) / (av - a_prev);
    } else {
      double& sum = job.work[2];
      if (a_prev != 0.0) {
        const double da = av - a_prev;
        if (b_prev * bv >= 0.0) {
          sum += da * (b_prev + (bv - b_prev) * 0.5);
        } else {  // the step crosses zero: the two triangles on either side
          const double r = std::fabs(b_prev / bv);
          sum += da * 0.5 / (r + 1.0) * (bv + b_prev * r);
        }
      }
      job.out[j] = sum;
    }
    a_prev = av;
    b_prev = bv;
  }
  return {kAcqOk, n};
}

// ---- Kinds 43, 44: cascaded recursive sections ---------------------------------------------

Result recursive_filter(const Job& job) {
  const int32_t sections = job.kind == kKindFilter4 ? 4 : 2;
  if (!needs(job, 2 * sections)) return no_work_area();
  Input a;
  if (!input_of(channel_of(job.p[0]), &a)) return no_work_area();
  const int32_t n = fit(job.block_length > 0 ? job.block_length : 0, a);
  if (n > job.room) return too_small();
  for (int32_t j = 0; j < n; ++j) {
    double x = a.v[j];
    for (int32_t s = 0; s < sections; ++s) {
      const double* c = job.p + 1 + 3 * s;
      double* y = job.work + 2 * s;  // y[-1], y[-2]
      const double out = c[0] * x + c[1] * y[0] + c[2] * y[1];
      y[1] = y[0];
      y[0] = out;
      x = out;
    }
    job.out[j] = x;
  }
  return {kAcqOk, n};
}

// ---- Kind 45: statistics of consecutive groups --------------------------------------------

enum GroupStatistic { kGroupMin = 0, kGroupMax = 1, kGroupRange = 2, kGroupMean = 3, kGroupMiddle = 4 };

Result group_statistic(const Job& job) {
  if (job.work_elements < 4 || !needs(job, 4)) return no_work_area();
  const double g_parameter = job.p[2], select_parameter = job.p[1];
  if (!(g_parameter >= 1.0 && g_parameter < 2147483647.0)) return no_work_area();
  if (!(select_parameter >= 0.0 && select_parameter < static_cast<double>(kGroupMiddle) + 1.0)) return no_work_area();
  const auto g = static_cast<int32_t>(g_parameter);
  const auto select = static_cast<int32_t>(select_parameter);
  const int32_t middle = g / 2 > 0 ? g / 2 : 1;  // position counted from 1
  Input a;
  if (!input_of(channel_of(job.p[0]), &a)) return no_work_area();
  const int32_t n = fit(job.block_length > 0 ? job.block_length : 0, a);
  double &stat = job.work[0], &hi = job.work[1], &position = job.work[2], &started = job.work[3];
  int32_t groups = 0;
  for (int32_t j = 0; j < n; ++j) {
    const double v = a.v[j];
    if (started == 0.0) {
      stat = (select == kGroupMiddle && middle != 1) ? 0.0 : v;
      hi = v;
      position = 1.0;
      started = 1.0;
    } else {
      position += 1.0;
      if (select == kGroupMin || select == kGroupRange) stat = v < stat ? v : stat;
      if (select == kGroupMax) stat = v > stat ? v : stat;
      if (select == kGroupMean) stat += v;
      if (select == kGroupMiddle && position == middle) stat = v;
      hi = v > hi ? v : hi;
    }
    if (position >= g) {
      if (groups >= job.room) return too_small();
      job.out[groups++] = select == kGroupRange ? hi - stat : select == kGroupMean ? stat / g : stat;
      started = 0.0;
    }
  }
  return {kAcqOk, groups};
}

// ---- Dispatch -------------------------------------------------------------------------------

Result compute(const Job& job) {
  const int32_t kind = job.kind;
  if (kind == kKindText) return text_formula(job);
  if (const PointwiseKind* k = find_pointwise(kind)) return pointwise(job, *k);
  if (kind == 22 || kind == 23) return counted(job);
  if (kind == kKindSum || kind == kKindMean) return channel_range(job);
  if (is_rosette_kind(kind)) return rosette(job);
  if (kind == kKindMovingMean || kind == kKindMovingMeanOffset) return moving_mean(job);
  if (kind >= kKindMinimum && kind <= kKindRange) return extremes(job);
  if (kind >= kKindSpectrumReal && kind <= kKindSpectrumPower) return spectrum(job);
  if (kind == kKindRunningSum) return running_sum(job);
  if (kind == kKindDifferenceQuotient || kind == kKindIntegral) return over_a(job);
  if (kind == kKindFilter4 || kind == kKindFilter2) return recursive_filter(job);
  if (kind == kKindGroupStatistic) return group_statistic(job);
  return {kAcqOk, -1};  // 47, 48, 49 and above 58: nothing is computed
}

}  // namespace

int32_t moving_mean_width(double parameter) {
  if (!(parameter > -1.0 && parameter <= kMostMovingMeanWidth)) return -1;
  const auto w = static_cast<int32_t>(parameter);
  return w < 2 ? 2 : w;
}

int32_t compute_formula_channels(int32_t count, const int32_t* channels, int32_t block_length) {
  KernelState& k = kernel();
  for (int32_t i = 0; i < count; ++i) {
    const int32_t ch = channels[i];
    if (header(ch).acq_class != kClassFormula) continue;
    const FormulaRecord& f = k.formulas[ch];
    IOBuf& b = buffer(ch);
    WorkArea& w = k.work[ch];
    Job job{};
    job.channel = ch;
    job.kind = f.kind;
    for (int32_t p = 0; p < kFormulaParameters && p < f.parameter_count; ++p) job.p[p] = f.parameters[p];
    const bool has_buffer = b.values != nullptr && b.write_offset >= 0 && b.write_offset <= b.capacity;
    job.out = has_buffer ? b.values + b.write_offset : nullptr;
    job.room = has_buffer ? int64_t{b.capacity} - b.write_offset : 0;
    job.work = static_cast<double*>(w.block);
    job.work_doubles = w.block != nullptr ? w.bytes / static_cast<int32_t>(sizeof(double)) : 0;
    job.work_elements = w.block != nullptr ? w.elements : 0;
    job.block_length = block_length;
    const Result r = compute(job);
    if (r.produced >= 0) {
      header(ch).read_block_count = r.produced;
      b.current_length = r.produced;
    }
    if (r.status != kAcqOk) return r.status;
  }
  return kAcqOk;
}

}  // namespace tallix
