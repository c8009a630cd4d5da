// Linearisation: the thermo tables against the ITS-90 thermocouple reference functions and the
// IEC 60751 platinum function (testkit), point tables and polynomials against values computed
// here, the linearisation record's exports, and every lin mode through the scaling pass.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "numera32_evaluate.h"
#include "scaling_fixture.h"
#include "testkit/temperature_reference.h"

using kernel_test::CountingPlatform;
using kernel_test::KernelTest;
using scaling_test::block;
using scaling_test::put_block;
using scaling_test::scale;

namespace {

// The kernel's sensor types and the reference function of each (signal in mV or milliohm).
struct ThermoSensorRef {
  int32_t type;
  double t_min, t_max;
  std::function<double(double)> signal;  // degrees C -> the kernel's input unit
  double inverse_unit;                    // the inverse's output = signal x inverse_unit
};

const testkit::Thermocouple& tc(int32_t transducer) {
  for (const testkit::Thermocouple& t : testkit::thermocouples())
    if (t.transducer == transducer) return t;
  return testkit::thermocouples().front();
}

std::vector<ThermoSensorRef> thermo_sensors() {
  std::vector<ThermoSensorRef> out;
  // Kernel sensor type -> the reference thermocouple (by the driver's transducer id).
  const std::pair<int32_t, int32_t> kinds[] = {{1, 450}, {2, 451}, {3, 453}, {4, 452}, {8, 454}, {9, 455}, {10, 456}};
  for (const auto& [type, transducer] : kinds) {
    const testkit::Thermocouple& t = tc(transducer);
    out.push_back({type, t.t_min, t.t_max, [&t](double c) { return testkit::emf_mv(t, c); }, 1.0});
  }
  const std::pair<int32_t, double> pts[] = {{5, 100.0}, {6, 500.0}, {7, 1000.0}};
  for (const auto& [type, r0] : pts)
    out.push_back({type, -200.0, 850.0, [r0 = r0](double c) { return testkit::pt_ohm(r0, c) * 1000.0; }, 1000.0});
  return out;
}

}  // namespace

TEST(ThermoLinearisation, ForwardAndInverseFollowTheReferenceFunctions) {
  for (const ThermoSensorRef& s : thermo_sensors()) {
    double worst_forward = 0.0, worst_inverse = 0.0;
    for (double t = s.t_min; t <= s.t_max + 1e-9; t += 0.5) {
      double v = s.signal(t);  // at the ends the reference may lie a hair outside the table: clamped
      QBX_DoThermoLinCalc(&v, s.type, 0);
      worst_forward = std::max(worst_forward, std::fabs(v - t));
      double back = t;
      ASSERT_EQ(QBX_DoThermoLinCalc(&back, s.type, 1), 0) << s.type << " at " << t;
      const double t_ref =
          testkit::reference_temperature(s.signal, back * s.inverse_unit, s.t_min - 60.0, s.t_max + 60.0);
      worst_inverse = std::max(worst_inverse, std::fabs(t_ref - t));
    }
    EXPECT_LT(worst_forward, 1.0) << "sensor type " << s.type;
    EXPECT_LT(worst_inverse, 1.0) << "sensor type " << s.type;
  }
}

TEST(ThermoLinearisation, TableEndsUnknownTypesAndNull) {
  double v = 11.5884 * 5.0;  // the J table's last breakpoint, in mV
  EXPECT_EQ(QBX_DoThermoLinCalc(&v, 1, 0), 0);
  EXPECT_NEAR(v, 1000.0, 1e-6);
  v = 11.5884 * 5.0 + 1.0;
  EXPECT_EQ(QBX_DoThermoLinCalc(&v, 1, 0), kAcqOutsideTable);
  EXPECT_EQ(v, 1000.0);
  v = -100.0;
  EXPECT_EQ(QBX_DoThermoLinCalc(&v, 1, 0), kAcqOutsideTable);
  EXPECT_EQ(v, -200.0);
  v = 100000.0;  // PT100 at 100 Ohm, in milliohm
  EXPECT_EQ(QBX_DoThermoLinCalc(&v, 5, 0), 0);
  EXPECT_NEAR(v, 0.0, 1e-6);
  v = 2000.0;  // above the K table: its last breakpoint's signal
  EXPECT_EQ(QBX_DoThermoLinCalc(&v, 2, 1), kAcqOutsideTable);
  EXPECT_DOUBLE_EQ(v, 10.8932 * 5.0);
  v = -300.0;  // below the Pt table: PT1000's resistance at the first breakpoint, in Ohm
  EXPECT_EQ(QBX_DoThermoLinCalc(&v, 7, 1), kAcqOutsideTable);
  EXPECT_DOUBLE_EQ(v, (-231510.0 + 250000.0) * 0.01);
  for (int32_t type : {0, 11, -1, 1000}) {
    v = 1.5;
    EXPECT_EQ(QBX_DoThermoLinCalc(&v, type, 0), kAcqUnknownSensor) << type;
    EXPECT_EQ(v, 1.5);
  }
  EXPECT_EQ(QBX_DoThermoLinCalc(nullptr, 1, 0), kAcqBadArgument);
  v = NAN;
  EXPECT_EQ(QBX_DoThermoLinCalc(&v, 1, 0), kAcqOutsideTable);
}

using LinTableTest = KernelTest;

TEST_F(LinTableTest, PointTableInterpolatesAndExtrapolates) {
  const double two[] = {0, 0, 10, 100};
  ASSERT_EQ(QBX_ACQCreateLinTab(1, 2, 0, 2, two, nullptr), 0);
  const std::pair<double, double> cases[] = {{5, 50}, {20, 200}, {-5, -50}, {0, 0}, {10, 100}};
  for (const auto& [x, y] : cases) {
    double v = x;
    ASSERT_EQ(QBX_DoLinCalc(&v, 1, 0), 0);
    EXPECT_DOUBLE_EQ(v, y) << x;
    ASSERT_EQ(QBX_DoLinCalc(&v, 1, 1), 0);
    EXPECT_DOUBLE_EQ(v, x) << y;
  }
  // A bent table: y = x^2 sampled at 0, 1, 2, 4; between nodes the chord of the two neighbours.
  const double bent[] = {0, 0, 1, 1, 2, 4, 4, 16};
  ASSERT_EQ(QBX_ACQCreateLinTab(2, 2, 0, 4, bent, nullptr), 0);
  const auto chord = [](double x0, double x1, double x) { return x0 * x0 + (x1 * x1 - x0 * x0) / (x1 - x0) * (x - x0); };
  for (double x : {-1.0, 0.25, 1.0, 1.5, 3.0, 4.0, 6.0}) {
    double v = x;
    ASSERT_EQ(QBX_DoLinCalc(&v, 2, 0), 0);
    const double expected = x <= 1 ? chord(0, 1, x) : x <= 2 ? chord(1, 2, x) : chord(2, 4, x);
    EXPECT_DOUBLE_EQ(v, expected) << x;
  }
  double v = 10.0;  // y -> x in the third segment: 4 + (10 - 4) / 12 x 2
  ASSERT_EQ(QBX_DoLinCalc(&v, 2, 1), 0);
  EXPECT_DOUBLE_EQ(v, 3.0);

  EXPECT_EQ(QBX_DoLinCalc(&v, 3, 0), kAcqBadLinTable);  // no table
  EXPECT_EQ(QBX_DoLinCalc(&v, 0, 0), kAcqBadChannel);
  EXPECT_EQ(QBX_DoLinCalc(nullptr, 1, 0), kAcqBadArgument);
}

TEST_F(LinTableTest, CreateChecksItsTable) {
  const double p[] = {1, 2, 3, 4};
  EXPECT_EQ(QBX_ACQCreateLinTab(1, 2, 0, 1, p, nullptr), kAcqBadLinTable);
  EXPECT_EQ(QBX_ACQCreateLinTab(1, 2, 1, 1, p, nullptr), kAcqBadLinTable);
  EXPECT_EQ(QBX_ACQCreateLinTab(1, 2, 0, 2, nullptr, nullptr), kAcqBadLinTable);
  EXPECT_EQ(QBX_ACQCreateLinTab(1, 2, 2, 0, nullptr, nullptr), kAcqBadLinTable);
  EXPECT_EQ(QBX_ACQCreateLinTab(1, 2, 2, 0, nullptr, std::string(256, '1').c_str()), kAcqBadLinTable);
  EXPECT_EQ(QBX_ACQCreateLinTab(1, 2, 3, 0, nullptr, nullptr), kAcqBadLinTable);
  EXPECT_EQ(QBX_ACQCreateLinTab(10001, 1, 0, 0, nullptr, nullptr), kAcqBadChannel);
  // Other lin modes need no table.
  EXPECT_EQ(QBX_ACQCreateLinTab(1, 3, 0, 0, nullptr, nullptr), 0);

  CountingPlatform counting;
  tallix::set_platform(&counting);
  counting.fail_at = 1;
  EXPECT_EQ(QBX_ACQCreateLinTab(1, 2, 0, 2, p, nullptr), kAcqBadLinTable);
  counting.fail_at = 2;
  counting.allocations = 0;
  EXPECT_EQ(QBX_ACQCreateLinTab(1, 2, 2, 0, nullptr, "x0"), kAcqOk);
  EXPECT_EQ(QBX_ACQCreateLinTab(1, 2, 2, 0, nullptr, "x0*2"), kAcqBadLinTable);
  ASSERT_EQ(QBX_ACQDestroyLinTab(1), 0);
  EXPECT_EQ(counting.live, 0);
  tallix::set_platform(nullptr);
}

TEST_F(LinTableTest, RecordsReadBackAsStored) {
  const double pairs[] = {0, 1, 2, 3, 4, 5};
  int16_t word0 = 1, words[4] = {7, 8, 9, 10};
  ASSERT_EQ(QBX_ACQLinInput(0, 1, &word0, words), 0);
  ASSERT_EQ(QBX_ACQCreateLinTab(1, 2, 0, 3, pairs, nullptr), 0);
  int32_t mode = -1, type = -1, count = -1;
  double out[10] = {};
  char text[256] = "junk";
  ASSERT_EQ(QBX_ACQGetLinTab(1, &mode, &type, &count, out, text), 0);
  EXPECT_EQ(mode, 2);
  EXPECT_EQ(type, 0);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(std::memcmp(out, pairs, sizeof pairs), 0);
  EXPECT_STREQ(text, "");
  int16_t r0 = -1, r[4] = {};
  ASSERT_EQ(QBX_ACQLinInput(1, 1, &r0, r), 0);
  EXPECT_EQ(r0, 0);  // a new table clears word 0, the others stay
  EXPECT_EQ(r[0], 7);
  EXPECT_EQ(r[3], 10);

  const double bridge[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  ASSERT_EQ(QBX_ACQCreateLinTab(1, 2, 3, 0, bridge, nullptr), 0);
  std::fill(std::begin(out), std::end(out), -1.0);
  ASSERT_EQ(QBX_ACQGetLinTab(1, &mode, &type, &count, out, text), 0);
  EXPECT_EQ(count, 10);
  EXPECT_EQ(std::memcmp(out, bridge, 7 * sizeof(double)), 0);
  EXPECT_EQ(out[7], -1.0);  // only the first seven parameters are handed out

  ASSERT_EQ(QBX_ACQCreateLinTab(1, 2, 2, 0, nullptr, "x0*3"), 0);
  ASSERT_EQ(QBX_ACQGetLinTab(1, &mode, &type, &count, nullptr, text), 0);
  EXPECT_STREQ(text, "x0*3");
  ASSERT_EQ(QBX_ACQSetLinMode(1, 1), 0);
  ASSERT_EQ(QBX_ACQGetLinTab(1, &mode, nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(mode, 1);
  ASSERT_EQ(QBX_ACQDestroyLinTab(1), 0);
  ASSERT_EQ(QBX_ACQGetLinTab(1, &mode, &type, &count, nullptr, text), 0);
  EXPECT_EQ(mode + type + count, 0);
  EXPECT_STREQ(text, "");

  double tare = 2.5;
  ASSERT_EQ(QBX_ACQSoftwareTare(0, 1, &tare), 0);
  tare = 0.0;
  ASSERT_EQ(QBX_ACQSoftwareTare(1, 1, &tare), 0);
  EXPECT_EQ(tare, 2.5);
  EXPECT_EQ(QBX_ACQSoftwareTare(1, 1, nullptr), kAcqBadArgument);
  EXPECT_EQ(QBX_ACQLinInput(1, 1, nullptr, r), kAcqBadArgument);
  EXPECT_EQ(QBX_ACQLinInput(1, 0, &r0, r), kAcqBadChannel);
}

using ScalingPassTest = KernelTest;

namespace {

// A measured channel of full-scale count 25000 and the given range with a block of raw counts.
void measured(int32_t channel, float range, const std::vector<double>& raw, int32_t capacity = 0) {
  AcqHdr h = kernel_test::measured_header(kAcqTypeCorvane, 99, 0, 0);
  h.range = range;
  QBX_ACQSetAcqHdr(channel, &h);
  put_block(channel, raw, capacity);
}

}  // namespace

TEST_F(ScalingPassTest, RangeScalingAndLinModes) {
  const std::vector<double> raw = {0, 25000, -12500, 5000};
  for (int32_t ch = 1; ch <= 7; ++ch) measured(ch, 125.0f, raw);
  tallix::header(2).zero_offset = 1.5f;
  QBX_ACQSetLinMode(1, 1);
  QBX_ACQSetLinMode(2, 1);
  // 3: lin mode 0 leaves the raw counts.
  const double table[] = {0, 10, 100, 20};
  QBX_ACQCreateLinTab(4, 2, 0, 2, table, nullptr);
  double tare = 1.0;
  QBX_ACQSoftwareTare(0, 4, &tare);
  const double poly[] = {1.0, 0.5, 0.01};
  QBX_ACQCreateLinTab(5, 2, 1, 3, poly, nullptr);
  QBX_ACQCreateLinTab(6, 2, 2, 0, nullptr, "x0*2+1");
  const double bridge[10] = {2.0, 1000.0, 3.0};
  QBX_ACQCreateLinTab(7, 2, 3, 0, bridge, nullptr);
  ASSERT_EQ(scale({1, 2, 3, 4, 5, 6, 7}, 4, 0), 0);

  for (size_t j = 0; j < raw.size(); ++j) {
    const double v = 125.0 * raw[j] / 25000.0;
    EXPECT_DOUBLE_EQ(block(1)[j], v);
    EXPECT_DOUBLE_EQ(block(2)[j], 1.5 + v);
    EXPECT_DOUBLE_EQ(block(3)[j], raw[j]);
    EXPECT_DOUBLE_EQ(block(4)[j], 10 + (20 - 10) / 100.0 * v - 1.0);
    EXPECT_NEAR(block(5)[j], 1.0 + 0.5 * v + 0.01 * v * v, 1e-12);
    EXPECT_DOUBLE_EQ(block(6)[j], v * 2 + 1);
    EXPECT_DOUBLE_EQ(block(7)[j], v * (3.0 * 4000.0 / (1000.0 * 2.0)));
  }
  EXPECT_DOUBLE_EQ(block(1)[1], 125.0);  // a full-scale count on range 125 mV/V
}

TEST_F(ScalingPassTest, CompensatedBridge) {
  const std::vector<double> raw = {1000, 2000, -3000};
  const std::vector<double> reference = {20.0, 40.0, -10.0};
  measured(1, 3.0f, raw);
  measured(2, 3.0f, raw);
  put_block(9, reference);  // the reference channel holds physical values
  const double p[10] = {2.0, 1000.0, 3.0, 0.5, 0.1, 0.01, 0.001, 20.0, 12.0, 11.5};
  const double q[10] = {2.0, 1000.0, 3.0};  // p3 = 0: the reference value itself is subtracted
  QBX_ACQCreateLinTab(1, 2, 3, 0, p, nullptr);
  QBX_ACQCreateLinTab(2, 2, 3, 0, q, nullptr);
  int16_t word0 = 1, words[4] = {9, 0, 0, 0};
  QBX_ACQLinInput(0, 1, &word0, words);
  QBX_ACQLinInput(0, 2, &word0, words);
  double tare = 0.25;
  QBX_ACQSoftwareTare(0, 1, &tare);
  ASSERT_EQ(scale({1, 2}, 3, 0), 0);
  for (size_t j = 0; j < raw.size(); ++j) {
    const double v = 3.0 * raw[j] / 25000.0 * (3.0 * 4000.0 / (1000.0 * 2.0));
    const double J = reference[j];
    const double thermal = 0.5 + 0.1 * J + 0.01 * J * J + 0.001 * J * J * J;
    EXPECT_NEAR(block(1)[j], v - thermal - (12.0 - 11.5) * (J - 20.0) - 0.25, 1e-12) << j;
    EXPECT_NEAR(block(2)[j], v - J, 1e-12) << j;
  }
  int16_t r0 = 0, r[4] = {};
  QBX_ACQLinInput(1, 1, &r0, r);
  EXPECT_EQ(r0, 1);

  // A reference channel with a shorter buffer has no value at every index.
  measured(3, 3.0f, raw);
  QBX_ACQCreateLinTab(3, 2, 3, 0, p, nullptr);
  words[0] = 10;
  QBX_ACQLinInput(0, 3, &word0, words);
  put_block(10, {1.0, 2.0});
  EXPECT_EQ(scale({3}, 3, 0), kAcqBadLinTable);
}

TEST_F(ScalingPassTest, ThermoModeFromVoltsAndOhms) {
  // A J thermocouple on the 0.1 V range and a PT100 on the 400 Ohm range, at known temperatures.
  const testkit::Thermocouple& j = tc(450);
  const std::vector<double> temperatures = {-150.0, 25.0, 400.0, 800.0};
  std::vector<double> tc_raw, pt_raw;
  for (double t : temperatures) {
    tc_raw.push_back(testkit::emf_mv(j, t) / 1000.0 / 0.1 * 25000.0);
    pt_raw.push_back(testkit::pt_ohm(100.0, t) / 400.0 * 25000.0);
  }
  measured(1, 0.1f, tc_raw);
  measured(2, 400.0f, pt_raw);
  tallix::header(1).sensor_type = 1;
  tallix::header(2).sensor_type = 5;
  QBX_ACQSetLinMode(1, 3);
  QBX_ACQSetLinMode(2, 3);
  ASSERT_EQ(scale({1, 2}, 4, 0), 0);
  for (size_t k = 0; k < temperatures.size(); ++k) {
    EXPECT_NEAR(block(1)[k], temperatures[k], 1.0) << temperatures[k];
    EXPECT_NEAR(block(2)[k], temperatures[k], 1.0) << temperatures[k];
  }
  // Out of the table: clamped to its end, the pass goes on.
  measured(3, 0.1f, {25000.0, -25000.0});
  tallix::header(3).sensor_type = 1;
  QBX_ACQSetLinMode(3, 3);
  ASSERT_EQ(scale({3}, 2, 0), 0);
  EXPECT_EQ(block(3)[0], 1000.0);
  EXPECT_EQ(block(3)[1], -200.0);
}

TEST_F(ScalingPassTest, SingleValuesPhysicalDevicesAndBlocksOutsideTheBuffer) {
  measured(1, 10.0f, {1.0});
  const double table[] = {0, 0, 1, 5};
  QBX_ACQCreateLinTab(1, 2, 0, 2, table, nullptr);
  double v = 2500.0;  // block length 0: the single value behind the pointer
  const int32_t list[] = {1};
  ASSERT_EQ(QBX_ACQScaleMultiScan(1, list, 0, &v, 0, 0), 0);
  EXPECT_DOUBLE_EQ(v, 5.0);
  EXPECT_EQ(block(1)[0], 1.0);

  measured(2, 10.0f, {3.0, 4.0});
  tallix::header(2).device_type = kAcqTypeYalplus;  // physical values: no range scaling
  const double poly[] = {0.0, 2.0};
  QBX_ACQCreateLinTab(2, 2, 1, 2, poly, nullptr);
  ASSERT_EQ(scale({2}, 2, 0), 0);
  EXPECT_EQ(block(2), (std::vector<double>{6.0, 8.0}));

  // A read block count beyond the buffer: the block is not touched and the length is cut.
  measured(3, 10.0f, {7.0, 8.0});
  QBX_ACQSetLinMode(3, 1);
  tallix::header(3).read_block_count = 5;
  ASSERT_EQ(scale({3}, 5, 0), 0);
  EXPECT_EQ(tallix::buffer(3).values[0], 7.0);
  EXPECT_EQ(+tallix::buffer(3).current_length, 2);
  // And a block at a write offset that runs past the end.
  tallix::header(3).read_block_count = 2;
  tallix::buffer(3).write_offset = 1;
  ASSERT_EQ(scale({3}, 2, 0), 0);
  EXPECT_EQ(tallix::buffer(3).values[1], 8.0);

  const int32_t bad[] = {0};
  EXPECT_EQ(QBX_ACQScaleMultiScan(1, bad, 1, nullptr, 0, 0), kAcqBadChannel);
  EXPECT_EQ(QBX_ACQScaleMultiScan(1, nullptr, 1, nullptr, 0, 0), kAcqBadArgument);
}
