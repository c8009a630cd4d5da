// Reference functions of the thermocouple types (voltage in mV as a polynomial of the
// temperature in degC, piecewise; type K adds its exponential term above 0 degC) and the
// platinum resistance equation. Coefficients are those published with ITS-90.
#include "sensor_physics.h"

#include <cmath>
#include <vector>

namespace corvane_sim {
namespace {

struct Piece {
  double upper;  // the piece applies up to this temperature (degC)
  std::vector<double> c;  // c0, c1, ... (mV)
};

struct Reference {
  int32_t transducer;
  std::vector<Piece> pieces;
};

const Reference kReferences[] = {
    {450,  // J
     {{760.0,
       {0.0, 5.0381187815e-2, 3.0475836930e-5, -8.5681065720e-8, 1.3228195295e-10, -1.7052958337e-13,
        2.0948090697e-16, -1.2538395336e-19, 1.5631725697e-23}},
      {1e9,
       {2.9645625681e2, -1.4976127786e0, 3.1787103924e-3, -3.1847686701e-6, 1.5720819004e-9,
        -3.0691369056e-13}}}},
    {451,  // K (the exponential term above 0 degC is added in thermocouple_volts)
     {{0.0,
       {0.0, 3.9450128025e-2, 2.3622373598e-5, -3.2858906784e-7, -4.9904828777e-9, -6.7509059173e-11,
        -5.7410327428e-13, -3.1088872894e-15, -1.0451609365e-17, -1.9889266878e-20, -1.6322697486e-23}},
      {1e9,
       {-1.7600413686e-2, 3.8921204975e-2, 1.8558770032e-5, -9.9457592874e-8, 3.1840945719e-10,
        -5.6072844889e-13, 5.6075059059e-16, -3.2020720003e-19, 9.7151147152e-23, -1.2104721275e-26}}}},
    {452,  // T
     {{0.0,
       {0.0, 3.8748106364e-2, 4.4194434347e-5, 1.1844323105e-7, 2.0032973554e-8, 9.0138019559e-10,
        2.2651156593e-11, 3.6071154205e-13, 3.8493939883e-15, 2.8213521925e-17, 1.4251594779e-19,
        4.8768662286e-22, 1.0795539270e-24, 1.3945027062e-27, 7.9795153927e-31}},
      {1e9,
       {0.0, 3.8748106364e-2, 3.3292227880e-5, 2.0618243404e-7, -2.1882256846e-9, 1.0996880928e-11,
        -3.0815758772e-14, 4.5479135290e-17, -2.7512901673e-20}}}},
    {453,  // S
     {{1064.18,
       {0.0, 5.40313308631e-3, 1.25934289740e-5, -2.32477968689e-8, 3.22028823036e-11, -3.31465196389e-14,
        2.55744251786e-17, -1.25068871393e-20, 2.71443176145e-24}},
      {1664.5, {1.32900444085e0, 3.34509311344e-3, 6.54805192818e-6, -1.64856259209e-9, 1.29989605174e-14}},
      {1e9, {1.46628232636e2, -2.58430516752e-1, 1.63693574641e-4, -3.30439046987e-8, -9.43223690612e-15}}}},
    {454,  // B
     {{630.615,
       {0.0, -2.4650818346e-4, 5.9040421171e-6, -1.3257931636e-9, 1.5668291901e-12, -1.6944529240e-15,
        6.2990347094e-19}},
      {1e9,
       {-3.8938168621e0, 2.8571747470e-2, -8.4885104785e-5, 1.5785280164e-7, -1.6835344864e-10,
        1.1109794013e-13, -4.4515431033e-17, 9.8975640821e-21, -9.3791330289e-25}}}},
    {455,  // E
     {{0.0,
       {0.0, 5.8665508708e-2, 4.5410977124e-5, -7.7998048686e-7, -2.5800160843e-8, -5.9452583057e-10,
        -9.3214058667e-12, -1.0287605534e-13, -8.0370123621e-16, -4.3979497391e-18, -1.6414776355e-20,
        -3.9673619516e-23, -5.5827328721e-26, -3.4657842013e-29}},
      {1e9,
       {0.0, 5.8665508710e-2, 4.5032275582e-5, 2.8908407212e-8, -3.3056896652e-10, 6.5024403270e-13,
        -1.9197495504e-16, -1.2536600497e-18, 2.1489217569e-21, -1.4388041782e-24, 3.5960899481e-28}}}},
    {456,  // R
     {{1064.18,
       {0.0, 5.28961729765e-3, 1.39166589782e-5, -2.38855693017e-8, 3.56916001063e-11, -4.62347666298e-14,
        5.00777441034e-17, -3.73105886191e-20, 1.57716482367e-23, -2.81038625251e-27}},
      {1664.5,
       {2.95157925316e0, -2.52061251332e-3, 1.59564501865e-5, -7.64085947576e-9, 2.05305291024e-12,
        -2.93359668173e-16}},
      {1e9, {1.52232118209e2, -2.68819888545e-1, 1.71280280471e-4, -3.45895706453e-8, -9.34633971046e-15}}}},
};

// Exponential term of type K above 0 degC: a0 exp(a1 (t - a2)^2).
constexpr double kKa0 = 1.185976e-1;
constexpr double kKa1 = -1.183432e-4;
constexpr double kKa2 = 1.269686e2;

// Callendar-Van Dusen coefficients.
constexpr double kCvdA = 3.9083e-3;
constexpr double kCvdB = -5.775e-7;
constexpr double kCvdC = -4.183e-12;

double polynomial(const std::vector<double>& c, double t) {
  double sum = 0.0;
  for (auto it = std::rbegin(c); it != std::rend(c); ++it) sum = sum * t + *it;
  return sum;
}

}  // namespace

double thermocouple_volts(int32_t transducer, double celsius) {
  for (const auto& ref : kReferences) {
    if (ref.transducer != transducer) continue;
    for (const auto& piece : ref.pieces) {
      if (celsius <= piece.upper) {
        double mv = polynomial(piece.c, celsius);
        if (transducer == 451 && celsius > 0.0) {
          mv += kKa0 * std::exp(kKa1 * (celsius - kKa2) * (celsius - kKa2));
        }
        return mv * 1e-3;
      }
    }
  }
  return 0.0;
}

double platinum_ohm(double r0, double celsius) {
  double t = celsius;
  double factor = 1.0 + kCvdA * t + kCvdB * t * t;
  if (t < 0.0) factor += kCvdC * (t - 100.0) * t * t * t;
  return r0 * factor;
}

}  // namespace corvane_sim
