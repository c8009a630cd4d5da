// Node tables of the linearisation: thermocouples J, K, T, S, B, E, R and one table for the
// platinum sensors PT100/PT500/PT1000. The nodes lie on the IEC 60584 and IEC 60751 reference
// functions; the coefficients are the amplifier's own and are used exactly as stored (some carry
// only single precision). The last node repeats the previous node's coefficients; the Pt table
// ends in three coincident nodes.
#include "linearisation.h"

#include <array>

namespace corvan {
namespace {

// Thermocouple x: voltage in units of 5 mV (value in V × 200).
constexpr std::array<double, 10> kJx = {-1.578, -1.3642, -0.9264, -0.392, 0.623, 2.1554, 4.3692, 6.6192, 9.0996, 11.5884};
constexpr std::array<double, 10> kJy = {-200, -160, -100, -40, 60, 200, 400, 600, 800, 1000};
constexpr std::array<double, 10> kJs = {220.018709074, 155.687528552, 120.43413137, 104.118226601, 93.2393630906,
                                        89.9177884181, 91.5022222222, 84.8895339461, 76.4979106397, 76.4979106397};
constexpr std::array<double, 10> kJr = {-154.01295634, -42.5734302978, -15.267, -5.51335873232, -1.22644553505,
                                        0.191801097267, -1.16148148148, -1.71640777386, 1.55179291945, 1.55179291945};

constexpr std::array<double, 10> kKx = {-1.1782, -1.0282, -0.7106, -0.0784, 0.819, 1.8682, 3.6176, 5.8256, 8.717, 10.8932};
constexpr std::array<double, 10> kKy = {-200, -160, -100, -10, 100, 230, 440, 700, 1060, 1360};
constexpr std::array<double, 10> kKs = {316.373321533, 219.143569946, 159.569748, 126.365051127, 122.073959351,
                                        122.899276733, 117.065216064, 118.765991211, 129.491760254, 129.491760254};
constexpr std::array<double, 10> kKr = {-331.377771, -95.1722259521, -27.222, -4.22188854217, 1.74415326119,
                                        -1.63377308846, 0.311777949333, 1.9856, 3.84303, 3.84303};

constexpr std::array<double, 8> kTx = {-1.1206, -0.973, -0.6756, -0.1514, 0.3222, 1.0454, 2.2912, 4.1738};
constexpr std::array<double, 8> kTy = {-200, -160, -100, -20, 40, 120, 240, 400};
constexpr std::array<double, 8> kTs = {310.298095703, 231.338256836, 172.45324707, 135.135131836,
                                       118.362831116, 102.905761719, 89.7694677574, 89.7694677574};
constexpr std::array<double, 8> kTr = {-266.228942871, -99.4948806763, -37.8476829529, -17.8335,
                                       -10.7070827484, -5.28344488144, -2.5393724, -2.5393724};

constexpr std::array<double, 10> kSx = {-0.0022, 0.0598, 0.129, 0.288, 0.652, 1.0474, 1.6896, 2.3894, 2.8736, 3.5884};
constexpr std::array<double, 10> kSy = {-2, 50, 100, 200, 400, 600, 900, 1200, 1400, 1700};
constexpr std::array<double, 10> kSs = {916.129032258, 765.895953757, 672.955974843, 582.417582418, 520.991401113,
                                        488.944254126, 444.126893398, 414.704667493, 409.904868495, 409.904868495};
constexpr std::array<double, 10> kSr = {-1248.69927159, -626.482675666, -276.887781338, -90.5687718875, -38.3776095815,
                                        -33.9459082621, -22.0534164785, -3.41224665561, 13.7, 13.7};

constexpr std::array<double, 20> kBx = {0,            0.0034890398, 0.0077609871, 0.0156171255, 0.0281067013,
                                        0.0485766582, 0.0801377696, 0.1191788978, 0.1573064834, 0.2286095656,
                                        0.3121660440, 0.4329903080, 0.5708922145, 0.7091224932, 0.9668677398,
                                        1.1559034702, 1.4621921627, 1.7912435691, 2.2526006835, 2.7182606195};
constexpr std::array<double, 20> kBy = {0,   80,  106, 140, 180, 230,  290,  350,  400,  480,
                                        560, 660, 760, 850, 1000, 1100, 1250, 1400, 1600, 1800};
constexpr std::array<double, 20> kBs = {33072.4321018, 7173.94717409, 5036.5705396, 3651.67929509, 2763.4487968,
                                        2129.61506421, 1682.78162595, 1397.94278671, 1220.53442253, 1026.2495082,
                                        888.096474226, 769.553739731, 681.701169271, 618.802812815, 547.136360267,
                                        510.181437248, 469.47678162,  441.434638195, 425.521036189, 425.521036189};
constexpr std::array<double, 20> kBr = {-2907243.26622, -254621.537362, -90215.3863437, -35950.6578611, -15673.9329713,
                                        -7241.23191908, -3738.12949344, -2270.17551652, -1382.314568,   -823.554028689,
                                        -500.298075308, -321.972367841, -221.468966095, -142.90396376,  -95.9386800415,
                                        -66.7585640303, -41.3946190412, -17.1905295343, 8.54043786418,  8.54043786418};

constexpr std::array<double, 10> kEx = {-1.7649162104, -1.5263263715, -1.1361368262, -0.5574428981, 0,
                                        1.5369951336,  3.4361130491,  6.5929487826,  10.6224783626, 15.2745652908};
constexpr std::array<double, 10> kEy = {-200, -160, -110, -50, 0, 120, 250, 450, 700, 1000};
constexpr std::array<double, 10> kEs = {193.271534298, 143.439455858, 113.442665096, 94.6535026541, 84.5054984377,
                                        71.8021546014, 65.0935045315, 61.5963125611, 62.4997067712, 62.4997067712};
constexpr std::array<double, 10> kEr = {-107.380101544, -39.2030156168, -16.8671437414, -8.89457375285,
                                        -4.18419072227, -1.76362003322, -0.550844364298, 0.110600757664,
                                        0.42722337916,  0.42722337916};

constexpr std::array<double, 10> kRx = {-0.0452930376, 0,            0.0862113863, 0.2416776425, 0.5391830172,
                                        1.0489715278,  1.8409729059, 2.6455930234, 3.3492376341, 4.0443392199};
constexpr std::array<double, 10> kRy = {-50, 0, 70, 170, 330, 570, 900, 1200, 1450, 1700};
constexpr std::array<double, 10> kRs = {1298.88779086, 920.307003037, 707.784353462, 579.401959691, 498.350039988,
                                        444.106180241, 389.036391674, 357.741627552, 352.534065365, 352.534065365};
constexpr std::array<double, 10> kRr = {-4304.53276598, -1256.78631531, -415.253811845, -139.817809402,
                                        -54.0745372777, -34.6467055726, -20.1208447026, -3.47993028576,
                                        10.251155727,   10.251155727};

// Pt x: resistance scaled to a 100-Ohm sensor in milliohm, less 250000.
constexpr std::array<double, 10> kPtx = {-231510, -189750, -150000, -74160, -2960, 63590, 95130, 140260, 140260, 140260};
constexpr std::array<double, 10> kPty = {-200, -100, 0, 200, 400, 600, 700, 850, 850, 850};
constexpr std::array<double, 10> kPts = {0.00231662910116, 0.00246888562188, 0.00255656810911, 0.00271714307522,
                                         0.00290049184213, 0.00311025623483, 0.0032277336924,  0.0032277336924,
                                         0.0032277336924,  0.0032277336924};
constexpr std::array<double, 10> kPtr = {1.86798166106e-09, 1.17830562409e-09, 1.06227179027e-09, 1.28996753971e-09,
                                         1.57561775319e-09, 1.91251776148e-09, 2.12713826948e-09, 2.12713826948e-09,
                                         2.12713826948e-09, 2.12713826948e-09};

constexpr LinTable kJ{kJx, kJy, kJs, kJr};
constexpr LinTable kK{kKx, kKy, kKs, kKr};
constexpr LinTable kT{kTx, kTy, kTs, kTr};
constexpr LinTable kS{kSx, kSy, kSs, kSr};
constexpr LinTable kB{kBx, kBy, kBs, kBr};
constexpr LinTable kE{kEx, kEy, kEs, kEr};
constexpr LinTable kR{kRx, kRy, kRs, kRr};
constexpr LinTable kPt{kPtx, kPty, kPts, kPtr};

// Transducer ids 450..456 are thermocouples J, K, T, S, B, E, R; 501..503 are PT100/PT500/PT1000.
constexpr double kTcGain = 200.0;    // V → units of 5 mV
constexpr double kTcOut = 0.005;     // units of 5 mV → V
constexpr double kPtOffset = -250000.0;
constexpr std::array<LinSensor, 10> kSensors = {{
    {450, &kJ, kTcGain, 0.0, kTcOut},
    {451, &kK, kTcGain, 0.0, kTcOut},
    {452, &kT, kTcGain, 0.0, kTcOut},
    {453, &kS, kTcGain, 0.0, kTcOut},
    {454, &kB, kTcGain, 0.0, kTcOut},
    {455, &kE, kTcGain, 0.0, kTcOut},
    {456, &kR, kTcGain, 0.0, kTcOut},
    {501, &kPt, 1000.0, kPtOffset, 0.001},
    {502, &kPt, 200.0, kPtOffset, 0.005},
    {503, &kPt, 100.0, kPtOffset, 0.01},
}};

}  // namespace

const LinSensor* find_lin_sensor(int32_t transducer) {
  for (const LinSensor& sensor : kSensors) {
    if (sensor.transducer == transducer) return &sensor;
  }
  return nullptr;
}

}  // namespace corvan
