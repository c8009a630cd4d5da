// Linearisation against independent references: the ITS-90 thermocouple reference functions
// (IEC 60584-1) and the IEC 60751 platinum resistance function (testkit), evaluated from their
// published coefficients, never from the driver's own node tables.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "corvan32_measure.h"
#include "testkit/temperature_reference.h"

namespace {

// ---- Reference functions -------------------------------------------------------------------

using testkit::emf_mv;
using testkit::pt_ohm;
using testkit::reference_temperature;
using testkit::Thermocouple;
using testkit::thermocouples;

struct Sensor {
  std::string name;
  int32_t transducer;
  double t_min, t_max;
  std::function<double(double)> signal;  // °C → V or Ohm
};

std::vector<Sensor> all_sensors() {
  std::vector<Sensor> out;
  for (const Thermocouple& tc : thermocouples()) {
    out.push_back({tc.name, tc.transducer, tc.t_min, tc.t_max, [&tc](double t) { return emf_mv(tc, t) * 1e-3; }});
  }
  out.push_back({"PT100", 501, -200.0, 850.0, [](double t) { return pt_ohm(100.0, t); }});
  out.push_back({"PT500", 502, -200.0, 850.0, [](double t) { return pt_ohm(500.0, t); }});
  out.push_back({"PT1000", 503, -200.0, 850.0, [](double t) { return pt_ohm(1000.0, t); }});
  return out;
}

float forward(float v, int32_t transducer, int32_t* status = nullptr) {
  const int32_t rc = CV_DoLinCalc(&v, transducer, 0);
  if (status != nullptr) *status = rc;
  return v;
}

float inverse(float v, int32_t transducer, int32_t* status = nullptr) {
  const int32_t rc = CV_DoLinCalc(&v, transducer, 1);
  if (status != nullptr) *status = rc;
  return v;
}

// ---- Tests ---------------------------------------------------------------------------------

// The reference functions themselves reproduce published table values (guards the coefficients
// typed into this test: E in mV at a temperature, from the IEC 60584-1 / IEC 60751 tables).
TEST(LinearisationReference, ReferenceFunctionsMatchPublishedTableValues) {
  struct Point {
    int32_t transducer;
    double t, mv;
  };
  const Point points[] = {{450, 100, 5.269}, {450, 1000, 57.953}, {451, 100, 4.096}, {451, 1000, 41.276},
                          {451, -200, -5.891}, {452, 100, 4.279},  {452, -200, -5.603}, {453, 1000, 9.587},
                          {454, 1000, 4.834}, {455, 500, 37.005}, {456, 1000, 10.506}, {450, -200, -7.890}};
  for (const Point& p : points) {
    for (const Thermocouple& tc : thermocouples()) {
      if (tc.transducer == p.transducer) {
        EXPECT_NEAR(emf_mv(tc, p.t), p.mv, 0.0015) << tc.name << " " << p.t;
      }
    }
  }
  EXPECT_NEAR(pt_ohm(100.0, 0.0), 100.0, 1e-9);
  EXPECT_NEAR(pt_ohm(100.0, 100.0), 138.5055, 1e-3);
  EXPECT_NEAR(pt_ohm(100.0, -200.0), 18.5201, 1e-3);
  EXPECT_NEAR(pt_ohm(100.0, 850.0), 390.4811, 1e-3);
}

// Across every table's range the forward linearisation stays within 1 °C of the reference
// temperature, and the inverse gives a signal whose reference temperature is within 1 °C.
TEST(LinearisationReference, ForwardAndInverseWithinOneDegreeOfReference) {
  for (const Sensor& s : all_sensors()) {
    double worst_fwd = 0.0, worst_inv = 0.0;
    for (double t = s.t_min; t <= s.t_max + 1e-9; t += 0.5) {
      int32_t rc = 0;
      const float got = forward(static_cast<float>(s.signal(t)), s.transducer, &rc);
      worst_fwd = std::max(worst_fwd, std::fabs(got - t));
      const float sig = inverse(static_cast<float>(t), s.transducer, &rc);
      EXPECT_EQ(rc, 0) << s.name << " inverse at " << t;
      const double t_ref = reference_temperature(s.signal, sig, s.t_min - 60.0, s.t_max + 60.0);
      worst_inv = std::max(worst_inv, std::fabs(t_ref - t));
    }
    EXPECT_LT(worst_fwd, 1.0) << s.name;
    EXPECT_LT(worst_inv, 1.0) << s.name;
  }
}

// The node tables as stored: the forward value at every node is that node's temperature (each
// segment's quadratic meets its neighbour there).
TEST(LinearisationTables, ForwardAtNodesGivesNodeTemperatures) {
  struct Nodes {
    int32_t transducer;
    std::vector<double> x, y;
  };
  // x in the table's units (thermocouples: V × 200), typed from the amplifier's documentation.
  const std::vector<Nodes> tables = {
      {450, {-1.578, -1.3642, -0.9264, -0.392, 0.623, 2.1554, 4.3692, 6.6192, 9.0996, 11.5884},
       {-200, -160, -100, -40, 60, 200, 400, 600, 800, 1000}},
      {451, {-1.1782, -1.0282, -0.7106, -0.0784, 0.819, 1.8682, 3.6176, 5.8256, 8.717, 10.8932},
       {-200, -160, -100, -10, 100, 230, 440, 700, 1060, 1360}},
      {452, {-1.1206, -0.973, -0.6756, -0.1514, 0.3222, 1.0454, 2.2912, 4.1738},
       {-200, -160, -100, -20, 40, 120, 240, 400}},
      {453, {-0.0022, 0.0598, 0.129, 0.288, 0.652, 1.0474, 1.6896, 2.3894, 2.8736, 3.5884},
       {-2, 50, 100, 200, 400, 600, 900, 1200, 1400, 1700}},
      {454, {0, 0.0034890398, 0.0077609871, 0.0156171255, 0.0281067013, 0.0485766582, 0.0801377696,
             0.1191788978, 0.1573064834, 0.2286095656, 0.3121660440, 0.4329903080, 0.5708922145, 0.7091224932,
             0.9668677398, 1.1559034702, 1.4621921627, 1.7912435691, 2.2526006835, 2.7182606195},
       {0, 80, 106, 140, 180, 230, 290, 350, 400, 480, 560, 660, 760, 850, 1000, 1100, 1250, 1400, 1600, 1800}},
      {455, {-1.7649162104, -1.5263263715, -1.1361368262, -0.5574428981, 0, 1.5369951336, 3.4361130491,
             6.5929487826, 10.6224783626, 15.2745652908},
       {-200, -160, -110, -50, 0, 120, 250, 450, 700, 1000}},
      {456, {-0.0452930376, 0, 0.0862113863, 0.2416776425, 0.5391830172, 1.0489715278, 1.8409729059,
             2.6455930234, 3.3492376341, 4.0443392199},
       {-50, 0, 70, 170, 330, 570, 900, 1200, 1450, 1700}},
  };
  for (const Nodes& n : tables) {
    for (size_t k = 0; k < n.x.size(); ++k) {
      const float v = static_cast<float>(n.x[k] / 200.0);
      EXPECT_NEAR(forward(v, n.transducer), n.y[k], 0.02) << n.transducer << " node " << k;
      EXPECT_NEAR(inverse(static_cast<float>(n.y[k]), n.transducer), v, std::fabs(v) * 1e-5 + 1e-9)
          << n.transducer << " node " << k;
    }
  }
  const double pt_x[] = {-231510, -189750, -150000, -74160, -2960, 63590, 95130, 140260};
  const double pt_y[] = {-200, -100, 0, 200, 400, 600, 700, 850};
  for (size_t k = 0; k < 8; ++k) {
    const double ohm100 = (pt_x[k] + 250000.0) * 0.001;
    EXPECT_NEAR(forward(static_cast<float>(ohm100), 501), pt_y[k], 0.02) << "PT100 node " << k;
    EXPECT_NEAR(forward(static_cast<float>(ohm100 * 5), 502), pt_y[k], 0.02) << "PT500 node " << k;
    EXPECT_NEAR(forward(static_cast<float>(ohm100 * 10), 503), pt_y[k], 0.02) << "PT1000 node " << k;
  }
}

// Inverse then forward gives back the input, across each table and for every sensor kind.
TEST(LinearisationTables, InverseGivesBackTheInput) {
  for (const Sensor& s : all_sensors()) {
    for (double t = s.t_min; t <= s.t_max; t += 7.3) {
      const float sig = inverse(static_cast<float>(t), s.transducer);
      EXPECT_NEAR(forward(sig, s.transducer), t, 0.01) << s.name << " at " << t;
    }
  }
}

TEST(LinearisationTables, WorkedExampleAndClamping) {
  // J at 4.4 mV lies in segment 4: 60 + 0.257 (93.2394 - 1.2264 × 0.257).
  EXPECT_NEAR(forward(0.0044f, 450), 83.88, 0.005);

  int32_t rc = 0;
  EXPECT_EQ(forward(-0.01f, 451, &rc), -200.0f);
  EXPECT_EQ(rc, kCvLinClamped);
  EXPECT_EQ(forward(0.08f, 451, &rc), 1360.0f);
  EXPECT_EQ(rc, kCvLinClamped);
  EXPECT_FLOAT_EQ(inverse(2000.0f, 451, &rc), static_cast<float>(10.8932 * 0.005));
  EXPECT_EQ(rc, kCvLinClamped);
  // A clamped Pt inverse gives the end node's resistance in the sensor's own scale.
  EXPECT_FLOAT_EQ(inverse(-300.0f, 503, &rc), static_cast<float>((-231510.0 + 250000.0) * 0.01));
  EXPECT_EQ(rc, kCvLinClamped);
  EXPECT_FLOAT_EQ(forward(1000.0f, 501, &rc), 850.0f);
  EXPECT_EQ(rc, kCvLinClamped);
  // PT100 at 100 Ohm is 0 °C.
  EXPECT_NEAR(forward(100.0f, 501, &rc), 0.0, 1e-4);
  EXPECT_EQ(rc, 0);
}

TEST(LinearisationTables, OtherTransducersAndBadArgumentsLeaveTheValue) {
  for (int32_t transducer : {0, 350, 420, 449, 457, 475, 500, 504, 510, -1}) {
    float v = 1.25f;
    EXPECT_EQ(CV_DoLinCalc(&v, transducer, 0), kCvLinUnsupported) << transducer;
    EXPECT_EQ(CV_DoLinCalc(&v, transducer, 1), kCvLinUnsupported) << transducer;
    EXPECT_EQ(v, 1.25f);
  }
  EXPECT_EQ(CV_DoLinCalc(nullptr, 450, 0), kCvBadValue);
  float nan = NAN;
  CV_DoLinCalc(&nan, 450, 0);
  EXPECT_TRUE(std::isnan(nan));
  float inf = INFINITY;
  EXPECT_EQ(CV_DoLinCalc(&inf, 450, 0), kCvLinClamped);
  EXPECT_EQ(inf, 1000.0f);
}

}  // namespace
