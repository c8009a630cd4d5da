// Formula channels: the formula record's exports, work-area sizes, and every kind against values
// computed here (the running kinds across several blocks, the spectrum kinds against a direct DFT,
// the rosettes against the math library's own calls), with their failure paths.
#include <cmath>
#include <complex>
#include <functional>
#include <string>
#include <vector>

#include "numera32_strain.h"
#include "scaling/scaling_pass.h"
#include "scaling_fixture.h"
#include "work_areas.h"

using kernel_test::CountingPlatform;
using kernel_test::KernelTest;
using scaling_test::block;
using scaling_test::put_block;

namespace {

constexpr int32_t kOut = 100;  // the formula channel of most cases

class FormulaTest : public KernelTest {
 protected:
  // Makes `channel` a formula channel of `kind` with an output buffer and its work area.
  void formula(int32_t kind, std::vector<double> p, int32_t channel = kOut, int32_t capacity = 64,
               const char* text = nullptr) {
    ASSERT_EQ(QBX_ACQCreateFormula(channel, text, kind, p.data(), static_cast<int32_t>(p.size())), 0);
    ASSERT_EQ(QBX_ACQAllocIOBuf(channel, capacity, 0), 0);
    const int32_t list[] = {channel};
    ASSERT_EQ(QBX_ACQInitChan(1, list, 0, 0), 0);
  }
  int32_t compute(int32_t block_length, int32_t channel = kOut) {
    const int32_t list[] = {channel};
    return tallix::compute_formula_channels(1, list, block_length);
  }
};

std::vector<double> ramp(int32_t n, double first, double step) {
  std::vector<double> v(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) v[static_cast<size_t>(i)] = first + step * i;
  return v;
}

}  // namespace

TEST_F(FormulaTest, RecordsAndHeaderMarking) {
  EXPECT_EQ(QBX_ACQCreateFormula(5, nullptr, 0, nullptr, 0), kAcqBadFormula);
  EXPECT_EQ(QBX_ACQCreateFormula(5, "", 0, nullptr, 0), kAcqBadFormula);
  EXPECT_EQ(QBX_ACQCreateFormula(5, std::string(256, '1').c_str(), 0, nullptr, 0), kAcqBadFormula);
  EXPECT_EQ(QBX_ACQCreateFormula(5, nullptr, 3, nullptr, 2), kAcqBadFormula);
  EXPECT_EQ(QBX_ACQCreateFormula(0, "c1", 0, nullptr, 0), kAcqBadChannel);
  const std::string longest(255, '1');
  ASSERT_EQ(QBX_ACQCreateFormula(5, longest.c_str(), 0, nullptr, 0), 0);
  int32_t length = 0;
  ASSERT_EQ(QBX_ACQGetFormulaLen(5, &length), 0);
  EXPECT_EQ(length, 255);

  const double p[] = {2.0, 7.0, 0.5};
  ASSERT_EQ(QBX_ACQCreateFormula(6, nullptr, 3, p, 3), 0);
  const AcqHdr& h = tallix::header(6);
  EXPECT_EQ(+h.acq_class, 1);
  EXPECT_EQ(+h.device_type, -1);
  EXPECT_EQ(+h.device_address, -1);
  EXPECT_EQ(+h.full_scale, 1);
  EXPECT_EQ(+h.range, 1.0f);
  char text[256] = "junk";
  int32_t kind = -1, count = -1;
  double out[3] = {};
  ASSERT_EQ(QBX_ACQGetFormula(6, text, &kind, out, &count), 0);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(kind, 3);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(out[1], 7.0);
  EXPECT_EQ(QBX_ACQGetFormulaLen(6, &length), kAcqBadArgument);

  ASSERT_EQ(QBX_ACQDestroyFormula(6), 0);
  EXPECT_EQ(+tallix::header(6).acq_class, 0);
  EXPECT_EQ(QBX_ACQGetFormula(6, text, &kind, out, &count), kAcqBadArgument);
  EXPECT_EQ(count, 0);

  // Memory: text and parameters are all or nothing.
  CountingPlatform counting;
  tallix::set_platform(&counting);
  counting.fail_at = 2;
  EXPECT_EQ(QBX_ACQCreateFormula(7, "c1+1", 4, p, 3), kAcqBadFormula);
  EXPECT_EQ(counting.live, 0);
  tallix::set_platform(nullptr);

  EXPECT_EQ(QBX_ACQSetChanTitle(1, "title"), 0);
  EXPECT_EQ(QBX_ACQGetChanTitle(1, text), 0);
}

TEST_F(FormulaTest, SwapCopiesLinearisationAndFormula) {
  const double table[] = {0, 0, 1, 2, 3, 4};
  ASSERT_EQ(QBX_ACQCreateLinTab(1, 2, 0, 3, table, nullptr), 0);
  int16_t word0 = 1, words[4] = {42, 3, 4, 5};
  QBX_ACQLinInput(0, 1, &word0, words);
  double tare = 0.75;
  QBX_ACQSoftwareTare(0, 1, &tare);
  const double p[] = {1.0, 2.0};
  ASSERT_EQ(QBX_ACQCreateFormula(1, "c2*2", 0, p, 2), 0);
  ASSERT_EQ(QBX_ACQCreateLinTab(2, 2, 2, 0, nullptr, "x0"), 0);  // replaced by the copy

  ASSERT_EQ(QBX_ACQSwapIOChan(1, 2), 0);
  int32_t mode = 0, type = 0, count = 0, kind = -1;
  double points[6] = {};
  char text[256] = {};
  ASSERT_EQ(QBX_ACQGetLinTab(2, &mode, &type, &count, points, text), 0);
  EXPECT_EQ(mode, 2);
  EXPECT_EQ(type, 0);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(points[5], 4.0);
  int16_t r0 = 0, r[4] = {};
  QBX_ACQLinInput(1, 2, &r0, r);
  EXPECT_EQ(r0, 1);
  EXPECT_EQ(r[0], 42);
  EXPECT_EQ(r[1], 0);  // only words 0 and 1 go along
  QBX_ACQSoftwareTare(1, 2, &tare);
  EXPECT_EQ(tare, 0.75);
  double params[2] = {};
  ASSERT_EQ(QBX_ACQGetFormula(2, text, &kind, params, &count), 0);
  EXPECT_STREQ(text, "c2*2");
  EXPECT_EQ(count, 2);
  EXPECT_EQ(params[1], 2.0);
  // The source keeps its own.
  ASSERT_EQ(QBX_ACQGetFormula(1, text, &kind, params, &count), 0);
  EXPECT_STREQ(text, "c2*2");
}

TEST_F(FormulaTest, WorkAreaSizesByKind) {
  struct Size {
    int32_t kind;
    std::vector<double> p;
    int32_t elements, bytes;
  };
  const std::vector<Size> sizes = {
      {21, {}, 1, 16},        {15, {}, 2, 24},         {16, {}, 2, 24},  {17, {}, 2, 24}, {25, {}, 2, 24},
      {40, {}, 2, 24},        {10, {}, 4, 64},         {11, {}, 4, 64},  {12, {}, 4, 64}, {43, {}, 8, 64},
      {44, {}, 4, 32},        {45, {}, 4, 40},         {13, {1, 5}, 6, 48}, {14, {1, 7.9}, 8, 64},
      {13, {1, 1}, 3, 24},  // the width is raised to 2: the area holds it
      {50, {}, 4, 64},        {58, {}, 4, 64},         {1, {}, 0, 0},    {0, {}, 0, 0},   {46, {}, 0, 0}};
  for (const Size& s : sizes) {
    formula(s.kind, s.p, kOut, 4, s.kind == 0 ? "1" : nullptr);
    EXPECT_EQ(+tallix::kernel().work[kOut].elements, s.elements) << s.kind;
    EXPECT_EQ(+tallix::kernel().work[kOut].bytes, s.bytes) << s.kind;
  }
  ASSERT_EQ(QBX_ACQDestroyFormula(kOut), 0);
  EXPECT_EQ(tallix::kernel().work[kOut].block, nullptr);

  // A width that cannot be a number of values, and memory that is not there.
  ASSERT_EQ(QBX_ACQCreateFormula(kOut, nullptr, 13, std::vector<double>{1, -5}.data(), 2), 0);
  const int32_t list[] = {kOut};
  EXPECT_EQ(QBX_ACQInitChan(1, list, 0, 0), kAcqWorkAreaFailed);
  ASSERT_EQ(QBX_ACQCreateFormula(kOut, nullptr, 21, nullptr, 0), 0);
  CountingPlatform counting;
  tallix::set_platform(&counting);
  counting.fail_at = 1;
  EXPECT_EQ(QBX_ACQInitChan(1, list, 0, 0), kAcqWorkAreaFailed);
  tallix::set_platform(nullptr);
}

TEST_F(FormulaTest, PointwiseKinds) {
  const std::vector<double> a = {2.0, -1.5, 0.0, 9.0, 5.0};
  const std::vector<double> b = {4.0, 0.0, -2.0, 9.0, 0.5};
  put_block(1, a);
  put_block(2, b);
  put_block(3, {3.0, 1.0});  // a shorter block for kind 2
  struct Case {
    int32_t kind;
    std::vector<double> p;
    std::function<double(double, double, int32_t)> f;  // (A_j, B_j, j)
    int32_t n = 5;
  };
  const double s = 0.5;
  const std::vector<Case> cases = {
      {1, {3.25}, [](double, double, int32_t) { return 3.25; }},
      {2, {1.5, 3}, [](double, double, int32_t j) { return 1.5 + (j == 0 ? 3.0 : 1.0); }, 2},
      {3, {2.0, 1}, [](double x, double, int32_t) { return 2.0 * x; }},
      {4, {1, 2, 3.0, 0.5}, [](double x, double y, int32_t) { return 3.0 * x + 0.5 * y; }},
      {5, {1, 2, 3.0, 0.5}, [](double x, double y, int32_t) { return 3.0 * x - 0.5 * y; }},
      {6, {1, 2, 3.0}, [](double x, double y, int32_t) { return 3.0 * x * y; }},
      {7, {1, 2, 3.0}, [](double x, double y, int32_t) { return y == 0.0 ? 1e20 : 3.0 * x / y; }},
      {22, {0.25}, [](double, double, int32_t j) { return 0.25 * j; }},
      {24, {1, 1}, [](double x, double, int32_t) { return (static_cast<int64_t>(x) >> 1 & 1) ? 1.0 : 0.0; }},
      {26, {1, 2}, [](double x, double y, int32_t) { return x > y ? 1.0 : 0.0; }},
      {27, {1, 2}, [](double x, double y, int32_t) { return x < y ? 1.0 : 0.0; }},
      {28, {1, 2}, [](double x, double y, int32_t) { return x == y ? 1.0 : 0.0; }},
      {29, {2.0, 1}, [](double x, double, int32_t) { return x > 2.0 ? 1.0 : 0.0; }},
      {30, {2.0, 1}, [](double x, double, int32_t) { return x < 2.0 ? 1.0 : 0.0; }},
      {31, {2.0, 1}, [](double x, double, int32_t) { return x == 2.0 ? 1.0 : 0.0; }},
      {32, {3.0, 1, s}, [s](double x, double, int32_t) { return 3.0 * std::sin(s * x); }},
      {33, {3.0, 1, s}, [s](double x, double, int32_t) { return 3.0 * std::cos(s * x); }},
      {34, {3.0, 1, s}, [s](double x, double, int32_t) { return s * x > 0 ? 3.0 * std::log(s * x) : -1e20; }},
      {35, {3.0, 1, s}, [s](double x, double, int32_t) { return s * x > 0 ? 3.0 * std::log10(s * x) : -1e20; }},
      {36, {3.0, 1, s}, [s](double x, double, int32_t) { return 3.0 * std::exp(s * x); }},
      {37, {3.0, 1}, [](double x, double, int32_t) { return x < 0 ? 0.0 : 3.0 * std::sqrt(x); }},
      {38, {3.0, 1}, [](double x, double, int32_t) { return x < 0 ? 0.0 : 3.0 * std::cbrt(x); }},
      {41, {3.0, 1}, [](double x, double, int32_t) { return 3.0 * x * x; }},
      {42, {3.0, 0.5, 1, 2}, [](double x, double y, int32_t) { return 3.0 * x * x + 0.5 * y * y; }},
      {46, {1, 3.0, -1.0}, [](double x, double, int32_t) { return 3.0 * x - 1.0; }},
  };
  for (const Case& c : cases) {
    formula(c.kind, c.p);
    ASSERT_EQ(compute(5), 0) << c.kind;
    const std::vector<double> out = block(kOut);
    ASSERT_EQ(out.size(), static_cast<size_t>(c.n)) << c.kind;
    EXPECT_EQ(+tallix::buffer(kOut).current_length, c.n);
    for (int32_t j = 0; j < c.n; ++j) EXPECT_NEAR(out[j], c.f(a[j], b[j], j), 1e-12) << c.kind << " at " << j;
  }
  // Kind 7 with a zero divisor at index 1.
  formula(7, {1, 2, 1.0});
  ASSERT_EQ(compute(5), 0);
  EXPECT_EQ(block(kOut)[1], 1e20);

  // Kind 23: the kernel sample rate x j / n.
  tallix::kernel().sample_rate = 400.0f;
  formula(23, {});
  ASSERT_EQ(compute(4), 0);
  EXPECT_EQ(block(kOut), (std::vector<double>{0.0, 100.0, 200.0, 300.0}));

  // Kind 39 against the math library's own call.
  const std::vector<double> p39 = {1, 2, 10.0, 0.5, 0.01, 0.001, 11.0, 23.0, 20.0};
  formula(39, p39);
  ASSERT_EQ(compute(5), 0);
  for (int32_t j = 0; j < 5; ++j)
    EXPECT_DOUBLE_EQ(block(kOut)[j], DoThermoComp(a[j], b[j], p39.data() + 2, 11.0, 23.0, 20.0));

  // Sum and mean over a range of channels, named in either order.
  formula(8, {2, 1});
  ASSERT_EQ(compute(5), 0);
  for (int32_t j = 0; j < 5; ++j) EXPECT_DOUBLE_EQ(block(kOut)[j], a[j] + b[j]);
  formula(9, {1, 2});
  ASSERT_EQ(compute(5), 0);
  for (int32_t j = 0; j < 5; ++j) EXPECT_DOUBLE_EQ(block(kOut)[j], (a[j] + b[j]) / 2);

  // Kinds that compute nothing leave the channel alone.
  formula(47, {});
  tallix::header(kOut).read_block_count = 3;
  ASSERT_EQ(compute(5), 0);
  EXPECT_EQ(+tallix::header(kOut).read_block_count, 3);
}

TEST_F(FormulaTest, InputsAndOutputsStayInsideTheirBuffers) {
  put_block(1, {1, 2, 3, 4, 5, 6, 7, 8}, 8);
  formula(3, {2.0, 1}, kOut, 4);
  EXPECT_EQ(compute(8), kAcqBufferTooSmall);
  formula(3, {2.0, 1}, kOut, 16);
  ASSERT_EQ(compute(12), 0);  // the input holds 8: only 8 values are made
  EXPECT_EQ(block(kOut).size(), 8u);
  formula(3, {2.0, 77}, kOut, 16);  // an input without buffer
  EXPECT_EQ(compute(4), kAcqNoWorkArea);
  formula(3, {2.0, 20000}, kOut, 16);  // no such channel
  EXPECT_EQ(compute(4), kAcqNoWorkArea);
  formula(3, {2.0}, kOut, 16);  // a parameter that is not there reads as 0: no channel
  EXPECT_EQ(compute(4), kAcqNoWorkArea);
  ASSERT_EQ(QBX_ACQCreateFormula(kOut, nullptr, 1, std::vector<double>{1.0}.data(), 1), 0);
  QBX_ACQFreeIOBuf(kOut);
  EXPECT_EQ(compute(4), kAcqBufferTooSmall);
}

TEST_F(FormulaTest, TextFormulasReadTheInputsRowByRow) {
  put_block(1, {1.0, 2.0, 3.0, 4.0});
  put_block(2, {10.0, 20.0});
  formula(0, {}, kOut, 8, "c1*2+1");
  ASSERT_EQ(compute(4), 0);
  EXPECT_EQ(block(kOut), (std::vector<double>{3.0, 5.0, 7.0, 9.0}));
  // Channel 2 ends after two values: the block ends early and the values so far count.
  formula(0, {}, kOut, 8, "c1+c2");
  ASSERT_EQ(compute(4), 0);
  EXPECT_EQ(block(kOut), (std::vector<double>{11.0, 22.0}));
  EXPECT_EQ(tallix::kernel().formula_row, 0);
  // A channel without buffer is not available.
  formula(0, {}, kOut, 8, "c50+1");
  EXPECT_EQ(compute(4), kAcqFormulaFailed);
}

TEST_F(FormulaTest, RunningKindsAcrossBlocks) {
  // Three blocks of one input stream; every running kind against the whole stream.
  const std::vector<std::vector<double>> blocks = {{3, -1, 4, 1, 5}, {-9, 2, 6}, {5, 3, 5, 8, -9, 7, 9}};
  std::vector<double> stream;
  for (const auto& b : blocks) stream.insert(stream.end(), b.begin(), b.end());
  // A second input (the abscissa of kinds 25 and 40): rising and crossing no zero but the first.
  std::vector<double> x;
  for (size_t i = 0; i < stream.size(); ++i) x.push_back(0.5 * static_cast<double>(i * i) + 0.25 * i);

  struct Running {
    int32_t kind;
    std::vector<double> p;
    std::function<std::vector<double>()> expected;  // over the whole stream
  };
  const auto moving = [&](int32_t w, double offset) {
    std::vector<double> out;
    double m = 0.0;
    for (size_t i = 0; i < stream.size(); ++i) {
      m += (stream[i] - (i >= static_cast<size_t>(w) ? stream[i - w] : 0.0)) / w;
      out.push_back(m + offset);
    }
    return out;
  };
  const auto extreme = [&](int32_t which) {
    std::vector<double> out;
    double lo = stream[0], hi = stream[0];
    for (double v : stream) {
      lo = std::min(lo, v);
      hi = std::max(hi, v);
      out.push_back(which == 0 ? lo : which == 1 ? hi : hi - lo);
    }
    return out;
  };
  const auto filter = [&](int32_t sections, const std::vector<double>& p) {
    std::vector<double> out, y1(sections, 0.0), y2(sections, 0.0);
    for (double v : stream) {
      for (int32_t s = 0; s < sections; ++s) {
        const double y = p[1 + 3 * s] * v + p[2 + 3 * s] * y1[s] + p[3 + 3 * s] * y2[s];
        y2[s] = y1[s];
        y1[s] = y;
        v = y;
      }
      out.push_back(v);
    }
    return out;
  };
  const std::vector<double> f4 = {1, 0.5, 0.3, -0.1, 0.9, 0.05, 0.02, 1.1, -0.2, 0.1, 0.7, 0.25, -0.05};
  const std::vector<Running> cases = {
      {13, {1, 3}, [&] { return moving(3, 0.0); }},
      {14, {1, 4, 2.5}, [&] { return moving(4, 2.5); }},
      {13, {1, 0}, [&] { return moving(2, 0.0); }},  // widths below 2 are raised to 2
      {15, {1}, [&] { return extreme(0); }},
      {16, {1}, [&] { return extreme(1); }},
      {17, {1}, [&] { return extreme(2); }},
      {21, {0.5}, [&] { return ramp(static_cast<int32_t>(stream.size()), 0.5, 0.5); }},
      {43, f4, [&] { return filter(4, f4); }},
      {44, f4, [&] { return filter(2, f4); }},
      {25, {1, 2},
       [&] {
         std::vector<double> out;
         double ap = 0, bp = 0;
         for (size_t i = 0; i < stream.size(); ++i) {
           out.push_back(ap == 0 ? 0.0 : x[i] == ap ? 1e20 : (stream[i] - bp) / (x[i] - ap));
           ap = x[i];
           bp = stream[i];
         }
         return out;
       }},
      {40, {1, 2},
       [&] {
         // Trapezoids, split where B changes sign so that the two triangles keep their signs.
         std::vector<double> out;
         double sum = 0;
         for (size_t i = 0; i < stream.size(); ++i) {
           if (i > 1 || (i == 1 && x[0] != 0.0)) {
             const double dx = x[i] - x[i - 1], b0 = stream[i - 1], b1 = stream[i];
             if (b0 * b1 >= 0) {
               sum += dx * (b0 + b1) / 2;
             } else {
               const double cross = dx * b0 / (b0 - b1);  // where B passes zero
               sum += cross * b0 / 2 + (dx - cross) * b1 / 2;
             }
           }
           out.push_back(sum);
         }
         return out;
       }},
  };
  for (const Running& c : cases) {
    formula(c.kind, c.p);
    std::vector<double> got;
    for (const auto& b : blocks) {
      put_block(1, b, 16);
      std::vector<double> xs(x.begin() + static_cast<long>(got.size()),
                             x.begin() + static_cast<long>(got.size() + b.size()));
      put_block(2, xs, 16);
      ASSERT_EQ(compute(static_cast<int32_t>(b.size())), 0) << c.kind;
      const std::vector<double> out = block(kOut);
      got.insert(got.end(), out.begin(), out.end());
    }
    const std::vector<double> expected = c.expected();
    ASSERT_EQ(got.size(), expected.size()) << c.kind;
    for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], expected[i], 1e-9) << c.kind << " at " << i;
  }
}

TEST_F(FormulaTest, GroupStatisticsAcrossBlocks) {
  const std::vector<std::vector<double>> blocks = {{3, -1, 4, 1}, {5, -9, 2, 6, 5, 3, 5, 8}, {-9, 7, 9}};
  std::vector<double> stream;
  for (const auto& b : blocks) stream.insert(stream.end(), b.begin(), b.end());
  const int32_t g = 3;
  for (int32_t select = 0; select <= 4; ++select) {
    std::vector<double> expected;
    for (size_t start = 0; start + g <= stream.size(); start += g) {
      const auto first = stream.begin() + static_cast<long>(start), last = first + g;
      const double lo = *std::min_element(first, last), hi = *std::max_element(first, last);
      double sum = 0;
      for (auto it = first; it != last; ++it) sum += *it;
      const double values[] = {lo, hi, hi - lo, sum / g, stream[start + g / 2 - 1]};
      expected.push_back(values[select]);
    }
    formula(45, {1, static_cast<double>(select), static_cast<double>(g)});
    std::vector<double> got;
    std::vector<int32_t> counts;
    for (const auto& b : blocks) {
      put_block(1, b, 16);
      ASSERT_EQ(compute(static_cast<int32_t>(b.size())), 0);
      const std::vector<double> out = block(kOut);
      counts.push_back(static_cast<int32_t>(out.size()));
      got.insert(got.end(), out.begin(), out.end());
    }
    EXPECT_EQ(got, expected) << "statistic " << select;
    EXPECT_EQ(counts, (std::vector<int32_t>{1, 3, 1})) << "statistic " << select;
  }
  formula(45, {1, 7, 3});  // no such statistic
  EXPECT_EQ(compute(3), kAcqNoWorkArea);
}

TEST_F(FormulaTest, StateKindsNeedTheirWorkArea) {
  put_block(1, {1, 2, 3, 4});
  put_block(2, {1, 2, 3, 4});
  for (int32_t kind : {13, 14, 15, 16, 17, 21, 25, 40, 43, 44, 45}) {
    formula(kind, {1, 2, 3});
    tallix::free_work_area(kOut);
    EXPECT_EQ(compute(4), kAcqNoWorkArea) << kind;
  }
}

TEST_F(FormulaTest, SpectrumKindsAgainstADirectTransform) {
  for (int32_t n : {4, 8, 64}) {
    std::vector<double> signal;
    for (int32_t i = 0; i < n; ++i) signal.push_back(std::sin(0.7 * i) + 0.3 * std::cos(2.1 * i) + 0.1 * i);
    put_block(1, signal, 64);
    // F_k = sum x_i e^(2 pi i k i / n): RealFFT's sign +1 convention, packed F_0 and F_(n/2).
    std::vector<std::complex<double>> F(static_cast<size_t>(n / 2 + 1));
    for (int32_t k = 0; k <= n / 2; ++k)
      for (int32_t i = 0; i < n; ++i) F[k] += signal[i] * std::polar(1.0, 2.0 * M_PI * k * i / n);
    for (int32_t kind : {18, 19, 20}) {
      formula(kind, {1});
      ASSERT_EQ(compute(n), 0);
      const std::vector<double> out = block(kOut);
      ASSERT_EQ(out.size(), static_cast<size_t>(n / 2));
      for (int32_t w = 0; w < n / 2; ++w) {
        const double re = F[w].real();
        const double im = w == 0 ? F[n / 2].real() : F[w].imag();
        const double expected = kind == 18 ? re : kind == 19 ? im : (re * re + im * im) / (n * n / 4.0);
        EXPECT_NEAR(out[w], expected, 1e-9) << "n " << n << " kind " << kind << " w " << w;
      }
    }
  }
  for (int32_t n : {2, 12, 16384}) {
    put_block(1, std::vector<double>(static_cast<size_t>(n), 1.0));
    formula(18, {1});
    EXPECT_EQ(compute(n), kAcqBadSpectrumLength) << n;
  }
  put_block(1, std::vector<double>(8, 1.0));
  formula(20, {1});
  CountingPlatform counting;
  tallix::set_platform(&counting);
  counting.fail_at = 1;
  EXPECT_EQ(compute(8), kAcqNoScratch);
  tallix::set_platform(nullptr);
}

TEST_F(FormulaTest, RosettesAgainstTheMathLibrary) {
  const std::vector<double> a = {100.0, 250.0, -80.0}, b = {40.0, 10.0, 60.0}, c = {-30.0, 120.0, 5.0};
  put_block(1, a);
  put_block(2, b);
  put_block(3, c);
  const int32_t kinds[] = {10, 11, 12, 50, 51, 52, 53, 54, 55, 56, 57, 58};
  const int32_t result_of[] = {0, 1, 2, 6, 4, 5, 7, 8, 9, 10, 11, 3};
  for (int32_t type : {45, 60, 90}) {
    const std::vector<double> p = {1, 2, 3, static_cast<double>(type), 210000.0, 0.3, 1.0, -0.5, 0.2};
    for (size_t i = 0; i < std::size(kinds); ++i) {
      formula(kinds[i], p);
      ASSERT_EQ(compute(3), 0);
      for (int32_t j = 0; j < 3; ++j) {
        const double strains[3] = {a[j], b[j], c[j]};
        double results[12] = {};
        ASSERT_EQ(RosStressCalc(strains, results, type, 210000.0, 0.3, 0, p.data() + 6), 0);
        EXPECT_DOUBLE_EQ(block(kOut)[j], results[result_of[i]]) << type << " kind " << kinds[i];
      }
    }
  }

  // Ring core and hole drilling: each step from the previous reading, kept across blocks.
  const float coefficients[5] = {0.1f, 0.02f, 0.0f, 0.0f, 0.0f};
  SetAdvRosPars(1.0f, coefficients, coefficients, 1.0f, 1.0f, 1.0f);
  for (int32_t type : {100, 200}) {
    put_block(4, {0.5, 0.5, 1.0});  // depths: the second value did not grow
    for (int32_t kind : {10, 11, 12, 50}) {
      formula(kind, {1, 2, 3, static_cast<double>(type), 210000.0, 0.3, 4});
      ASSERT_EQ(compute(3), 0) << type;
      double previous[4] = {};
      for (int32_t j = 0; j < 3; ++j) {
        const double depth = tallix::buffer(4).values[j];
        double results[3] = {};
        if (depth - previous[3] >= 1e-20) {
          const double six[6] = {previous[0], previous[1], previous[2], a[j], b[j], c[j]};
          const double depths[2] = {previous[3], depth};
          (type == 100 ? RingCoreCalc : HoleDrillCalc)(six, depths, results, 210000.0, 0.3);
        }
        const double expected = kind == 50 ? 0.0 : results[kind - 10];
        EXPECT_DOUBLE_EQ(block(kOut)[j], expected) << type << " kind " << kind << " at " << j;
        previous[0] = a[j];
        previous[1] = b[j];
        previous[2] = c[j];
        previous[3] = depth;
      }
      tallix::free_work_area(kOut);
      EXPECT_EQ(compute(3), kAcqNoWorkArea);
    }
  }
}
