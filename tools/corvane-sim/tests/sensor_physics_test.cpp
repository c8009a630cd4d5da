// The sensor functions against published values: thermocouple voltages at the nodes of the
// driver's linearisation tables (which lie on the reference functions) and well-known table
// values; platinum resistance at standard points.
#include <gtest/gtest.h>

#include "sensor_physics.h"

namespace corvane_sim {
namespace {

struct Point {
  double celsius;
  double mv;
};

void expect_points(int32_t transducer, std::initializer_list<Point> points) {
  for (const Point& p : points) {
    EXPECT_NEAR(thermocouple_volts(transducer, p.celsius) * 1e3, p.mv, 0.01)
        << "type " << transducer << " at " << p.celsius;
  }
}

TEST(SensorPhysics, ThermocoupleReferenceVoltages) {
  // Reference table values in mV; a mistyped coefficient is off by far more than 0.01 mV.
  expect_points(450, {{-200, -7.890}, {0, 0.0}, {200, 10.777}, {600, 33.096}, {1000, 57.953}});
  expect_points(451, {{-200, -5.891}, {-10, -0.392}, {100, 4.096}, {700, 29.128}, {1360, 54.479}});
  expect_points(452, {{-200, -5.603}, {-20, -0.757}, {120, 5.228}, {400, 20.872}});
  expect_points(453, {{-2, -0.011}, {100, 0.646}, {600, 5.239}, {1200, 11.951}, {1700, 17.947}});
  expect_points(454, {{0, 0.0}, {400, 0.787}, {1000, 4.834}, {1800, 13.591}});
  expect_points(455, {{-200, -8.825}, {0, 0.0}, {450, 32.965}, {1000, 76.373}});
  expect_points(456, {{-50, -0.226}, {170, 1.208}, {900, 9.205}, {1700, 20.222}});
  EXPECT_EQ(thermocouple_volts(350, 100.0), 0.0);
}

TEST(SensorPhysics, PlatinumResistance) {
  EXPECT_NEAR(platinum_ohm(100, 0), 100.0, 1e-9);
  EXPECT_NEAR(platinum_ohm(100, 100), 138.5055, 1e-3);
  EXPECT_NEAR(platinum_ohm(100, -200), 18.5201, 1e-3);
  EXPECT_NEAR(platinum_ohm(100, 850), 390.4811, 1e-3);
  EXPECT_NEAR(platinum_ohm(1000, 400), 2470.9, 0.1);
}

}  // namespace
}  // namespace corvane_sim
