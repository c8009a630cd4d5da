// The thermo linearisation tables of the sensor types 1..10, exactly as the amplifier family
// stores them: thermocouples J (1), K (2), S (3), T (4), B (8), E (9), R (10) over the signal in
// mV x 0.2, and one table for the platinum thermometers PT100 (5), PT500 (6), PT1000 (7) over the
// resistance in milliohm scaled to a 100-Ohm sensor, less 250000.
#include "scaling/thermo_linearisation.h"

namespace tallix {
namespace {

constexpr double kJx[] = {-1.578, -1.3642, -0.9264, -0.392, 0.623, 2.1554, 4.3692, 6.6192, 9.0996, 11.5884};
constexpr double kJt[] = {-200, -160, -100, -40, 60, 200, 400, 600, 800, 1000};
constexpr double kJs[] = {220.0187091, 155.6875286, 120.4341314, 104.1182266, 93.23936309,
                          89.91778842, 91.50222222, 84.88953395, 76.49791064, 76.49791064};
constexpr double kJq[] = {-154.0129563, -42.5734303, -15.267,      -5.513358732, -1.226445535,
                          0.1918010973, -1.161481481, -1.716407774, 1.551792919,  1.551792919};

constexpr double kKx[] = {-1.1782, -1.0282, -0.7106, -0.0784, 0.819, 1.8682, 3.6176, 5.8256, 8.717, 10.8932};
constexpr double kKt[] = {-200, -160, -100, -10, 100, 230, 440, 700, 1060, 1360};
constexpr double kKs[] = {316.3733215, 219.1435699, 159.569748,  126.3650511, 122.0739594,
                          122.8992767, 117.0652161, 118.7659912, 129.4917603, 129.4917603};
constexpr double kKq[] = {-331.377771,  -95.17222595, -27.222, -4.221888542, 1.744153261,
                          -1.633773088, 0.3117779493, 1.9856,  3.84303,      3.84303};

constexpr double kSx[] = {-0.0022, 0.0598, 0.129, 0.288, 0.652, 1.0474, 1.6896, 2.3894, 2.8736, 3.5884};
constexpr double kSt[] = {-2, 50, 100, 200, 400, 600, 900, 1200, 1400, 1700};
constexpr double kSs[] = {916.1290323, 765.8959538, 672.9559748, 582.4175824, 520.9914011,
                          488.9442541, 444.1268934, 414.7046675, 409.9048685, 409.9048685};
constexpr double kSq[] = {-1248.699272, -626.4826757, -276.8877813, -90.56877189, -38.37760958,
                          -33.94590826, -22.05341648, -3.412246656, 13.7,         13.7};

constexpr double kTx[] = {-1.1206, -0.973, -0.6756, -0.1514, 0.3222, 1.0454, 2.2912, 4.1738};
constexpr double kTt[] = {-200, -160, -100, -20, 40, 120, 240, 400};
constexpr double kTs[] = {310.2980957, 231.3382568, 172.4532471, 135.1351318,
                          118.3628311, 102.9057617, 89.76946776, 89.76946776};
constexpr double kTq[] = {-266.2289429, -99.49488068, -37.84768295, -17.8335,
                          -10.70708275, -5.283444881, -2.5393724,   -2.5393724};

constexpr double kBx[] = {0,           0.003489039768, 0.007760987083, 0.01561712552, 0.02810670129,
                          0.04857665823, 0.08013776964, 0.1191788978,  0.1573064834,  0.2286095656,
                          0.312166044, 0.432990308,    0.5708922145,   0.7091224932,  0.9668677398,
                          1.15590347,  1.462192163,    1.791243569,    2.252600683,   2.718260619};
constexpr double kBt[] = {0,   80,  106, 140, 180, 230,  290,  350,  400,  480,
                          560, 660, 760, 850, 1000, 1100, 1250, 1400, 1600, 1800};
constexpr double kBs[] = {33072.4321,  7173.947174, 5036.57054,  3651.679295, 2763.448797,
                          2129.615064, 1682.781626, 1397.942787, 1220.534423, 1026.249508,
                          888.0964742, 769.5537397, 681.7011693, 618.8028128, 547.1363603,
                          510.1814372, 469.4767816, 441.4346382, 425.5210362, 425.5210362};
constexpr double kBq[] = {-2907243.266, -254621.5374, -90215.38634, -35950.65786, -15673.93297,
                          -7241.231919, -3738.129493, -2270.175517, -1382.314568, -823.5540287,
                          -500.2980753, -321.9723678, -221.4689661, -142.9039638, -95.93868004,
                          -66.75856403, -41.39461904, -17.19052953, 8.540437864,  8.540437864};

constexpr double kEx[] = {-1.76491621, -1.526326372, -1.136136826, -0.5574428981, 0,
                          1.536995134, 3.436113049,  6.592948783,  10.62247836,   15.27456529};
constexpr double kEt[] = {-200, -160, -110, -50, 0, 120, 250, 450, 700, 1000};
constexpr double kEs[] = {193.2715343, 143.4394559, 113.4426651, 94.65350265, 84.50549844,
                          71.8021546,  65.09350453, 61.59631256, 62.49970677, 62.49970677};
constexpr double kEq[] = {-107.3801015, -39.20301562, -16.86714374,  -8.894573753, -4.184190722,
                          -1.763620033, -0.5508443643, 0.1106007577, 0.4272233792, 0.4272233792};

constexpr double kRx[] = {-0.04529303763, 0,           0.08621138628, 0.2416776425, 0.5391830172,
                          1.048971528,    1.840972906, 2.645593023,   3.349237634,  4.04433922};
constexpr double kRt[] = {-50, 0, 70, 170, 330, 570, 900, 1200, 1450, 1700};
constexpr double kRs[] = {1298.887791, 920.307003,  707.7843535, 579.4019597, 498.35004,
                          444.1061802, 389.0363917, 357.7416276, 352.5340654, 352.5340654};
constexpr double kRq[] = {-4304.532766, -1256.786315, -415.2538118, -139.8178094, -54.07453728,
                          -34.64670557, -20.1208447,  -3.479930286, 10.25115573,  10.25115573};

constexpr double kPtx[] = {-231510, -189750, -150000, -74160, -2960, 63590, 95130, 140260, 140260, 140260};
constexpr double kPtt[] = {-200, -100, 0, 200, 400, 600, 700, 850, 850, 850};
constexpr double kPts[] = {0.002316629101, 0.002468885622, 0.002556568109, 0.002717143075, 0.002900491842,
                           0.003110256235, 0.003227733692, 0.003227733692, 0.003227733692, 0.003227733692};
constexpr double kPtq[] = {1.867981661e-09, 1.178305624e-09, 1.06227179e-09,  1.28996754e-09,  1.575617753e-09,
                           1.912517761e-09, 2.127138269e-09, 2.127138269e-09, 2.127138269e-09, 2.127138269e-09};

template <int32_t N>
constexpr ThermoTable table(const double (&x)[N], const double (&t)[N], const double (&s)[N], const double (&q)[N]) {
  return ThermoTable{N, x, t, s, q};
}

constexpr ThermoTable kJ = table(kJx, kJt, kJs, kJq);
constexpr ThermoTable kK = table(kKx, kKt, kKs, kKq);
constexpr ThermoTable kS = table(kSx, kSt, kSs, kSq);
constexpr ThermoTable kT = table(kTx, kTt, kTs, kTq);
constexpr ThermoTable kB = table(kBx, kBt, kBs, kBq);
constexpr ThermoTable kE = table(kEx, kEt, kEs, kEq);
constexpr ThermoTable kR = table(kRx, kRt, kRs, kRq);
constexpr ThermoTable kPt = table(kPtx, kPtt, kPts, kPtq);

// Thermocouples: d = mV x 0.2, back x 5 (mV). Platinum: d = milliohm scaled to 100 Ohm - 250000;
// back (d + 250000) x 0.001 x 1, 5 or 10, which is the sensor's resistance in Ohm.
constexpr double kTcGain = 0.2, kTcBack = 5.0, kPtOffset = -250000.0;
constexpr ThermoSensor kSensors[] = {
    {&kJ, kTcGain, 0.0, kTcBack},          // 1
    {&kK, kTcGain, 0.0, kTcBack},          // 2
    {&kS, kTcGain, 0.0, kTcBack},          // 3
    {&kT, kTcGain, 0.0, kTcBack},          // 4
    {&kPt, 1.0, kPtOffset, 0.001},         // 5 PT100
    {&kPt, 0.2, kPtOffset, 0.005},         // 6 PT500
    {&kPt, 0.1, kPtOffset, 0.01},          // 7 PT1000
    {&kB, kTcGain, 0.0, kTcBack},          // 8
    {&kE, kTcGain, 0.0, kTcBack},          // 9
    {&kR, kTcGain, 0.0, kTcBack},          // 10
};
constexpr int32_t kFirstSensorType = 1;
constexpr int32_t kLastSensorType = 10;

}  // namespace

const ThermoSensor* find_thermo_sensor(int32_t sensor_type) {
  if (sensor_type < kFirstSensorType || sensor_type > kLastSensorType) return nullptr;
  return &kSensors[sensor_type - kFirstSensorType];
}

}  // namespace tallix
