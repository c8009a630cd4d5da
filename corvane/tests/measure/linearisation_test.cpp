// Linearisation against independent references: the ITS-90 thermocouple reference functions
// (IEC 60584-1) and the IEC 60751 platinum resistance function, evaluated here from their
// published coefficients, never from the driver's own node tables.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "corvan32_measure.h"

namespace {

// ---- Reference functions -------------------------------------------------------------------

double poly(const std::vector<double>& c, double t) {
  double sum = 0.0;
  for (size_t i = c.size(); i-- > 0;) sum = sum * t + c[i];
  return sum;
}

// One thermocouple type: polynomial pieces E(t) in mV over their upper temperature bounds.
struct Piece {
  double upper;  // °C, inclusive
  std::vector<double> c;
};

struct Thermocouple {
  const char* name;
  int32_t transducer;
  double t_min;  // range over which the driver's table must hold
  double t_max;
  std::vector<Piece> pieces;
  bool k_exponential = false;  // type K adds a0 exp(a1 (t - a2)^2) above 0 °C
};

double emf_mv(const Thermocouple& tc, double t) {
  for (const Piece& p : tc.pieces) {
    if (t <= p.upper) {
      double e = poly(p.c, t);
      if (tc.k_exponential && t >= 0.0) e += 0.118597600000 * std::exp(-0.118343200000e-3 * (t - 126.9686) * (t - 126.9686));
      return e;
    }
  }
  return NAN;
}

const std::vector<Thermocouple>& thermocouples() {
  static const std::vector<Thermocouple> kAll = {
      {"J", 450, -200.0, 1000.0,
       {{760.0,
         {0.0, 0.503811878150e-1, 0.304758369300e-4, -0.856810657200e-7, 0.132281952950e-9, -0.170529583370e-12,
          0.209480906970e-15, -0.125383953360e-18, 0.156317256970e-22}},
        {1200.0,
         {0.296456256810e3, -0.149761277860e1, 0.317871039240e-2, -0.318476867010e-5, 0.157208190040e-8,
          -0.306913690560e-12}}}},
      {"K", 451, -200.0, 1360.0,
       {{0.0,
         {0.0, 0.394501280250e-1, 0.236223735980e-4, -0.328589067840e-6, -0.499048287770e-8, -0.675090591730e-10,
          -0.574103274280e-12, -0.310888728940e-14, -0.104516093650e-16, -0.198892668780e-19,
          -0.163226974860e-22}},
        {1372.0,
         {-0.176004136860e-1, 0.389212049750e-1, 0.185587700320e-4, -0.994575928740e-7, 0.318409457190e-9,
          -0.560728448890e-12, 0.560750590590e-15, -0.320207200030e-18, 0.971511471520e-22,
          -0.121047212750e-25}}},
       true},
      {"T", 452, -200.0, 400.0,
       {{0.0,
         {0.0, 0.387481063640e-1, 0.441944343470e-4, 0.118443231050e-6, 0.200329735540e-7, 0.901380195590e-9,
          0.226511565930e-10, 0.360711542050e-12, 0.384939398830e-14, 0.282135219250e-16, 0.142515947790e-18,
          0.487686622860e-21, 0.107955392700e-23, 0.139450270620e-26, 0.797951539270e-30}},
        {400.0,
         {0.0, 0.387481063640e-1, 0.332922278800e-4, 0.206182434040e-6, -0.218822568460e-8, 0.109968809280e-10,
          -0.308157587720e-13, 0.454791352900e-16, -0.275129016730e-19}}}},
      {"S", 453, -2.0, 1700.0,
       {{1064.18,
         {0.0, 0.540313308631e-2, 0.125934289740e-4, -0.232477968689e-7, 0.322028823036e-10, -0.331465196389e-13,
          0.255744251786e-16, -0.125068871393e-19, 0.271443176145e-23}},
        {1664.5,
         {0.132900444085e1, 0.334509311344e-2, 0.654805192818e-5, -0.164856259209e-8, 0.129989605174e-13}},
        {1768.1,
         {0.146628232636e3, -0.258430516752, 0.163693574641e-3, -0.330439046987e-7, -0.943223690612e-14}}}},
      {"B", 454, 100.0, 1800.0,
       {{630.615,
         {0.0, -0.246508183460e-3, 0.590404211710e-5, -0.132579316360e-8, 0.156682919010e-11,
          -0.169445292400e-14, 0.629903470940e-18}},
        {1820.0,
         {-0.389381686210e1, 0.285717474700e-1, -0.848851047850e-4, 0.157852801640e-6, -0.168353448640e-9,
          0.111097940130e-12, -0.445154310330e-16, 0.989756408210e-20, -0.937913302180e-24}}}},
      {"E", 455, -200.0, 1000.0,
       {{0.0,
         {0.0, 0.586655087080e-1, 0.454109771240e-4, -0.779980486860e-6, -0.258001608430e-7, -0.594525830570e-9,
          -0.932140586670e-11, -0.102876055340e-12, -0.803701236210e-15, -0.439794973910e-17,
          -0.164147763550e-19, -0.396736195160e-22, -0.558273287210e-25, -0.346578420130e-28}},
        {1000.0,
         {0.0, 0.586655087100e-1, 0.450322755820e-4, 0.289084072120e-7, -0.330568966520e-9, 0.650244032700e-12,
          -0.191974955040e-15, -0.125366004970e-17, 0.214892175690e-20, -0.143880417820e-23,
          0.359608994810e-27}}}},
      {"R", 456, -50.0, 1700.0,
       {{1064.18,
         {0.0, 0.528961729765e-2, 0.139166589782e-4, -0.238855693017e-7, 0.356916001063e-10, -0.462347666298e-13,
          0.500777441034e-16, -0.373105886191e-19, 0.157716482367e-22, -0.281038625251e-26}},
        {1664.5,
         {0.295157925316e1, -0.252061251332e-2, 0.159564501865e-4, -0.764085947576e-8, 0.205305291024e-11,
          -0.293359668173e-15}},
        {1768.1,
         {0.152232118209e3, -0.268819888545, 0.171280280471e-3, -0.345895706453e-7, -0.934633971046e-14}}}},
  };
  return kAll;
}

// IEC 60751 Callendar–Van Dusen resistance of a platinum sensor of nominal r0 Ohm.
double pt_ohm(double r0, double t) {
  constexpr double kA = 3.9083e-3, kB = -5.775e-7, kC = -4.183e-12;
  double f = 1.0 + kA * t + kB * t * t;
  if (t < 0.0) f += kC * (t - 100.0) * t * t * t;
  return r0 * f;
}

// Temperature at which a monotone reference function reaches a signal, by bisection.
double reference_temperature(const std::function<double(double)>& f, double signal, double lo, double hi) {
  for (int i = 0; i < 200; ++i) {
    const double mid = 0.5 * (lo + hi);
    (f(mid) < signal ? lo : hi) = mid;
  }
  return 0.5 * (lo + hi);
}

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
