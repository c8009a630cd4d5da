// Temperature reference functions for tests of linearisations: the ITS-90 thermocouple reference
// functions (IEC 60584-1) and the IEC 60751 platinum resistance function, evaluated from their
// published coefficients, and the inverse of any monotone one by bisection.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace testkit {

inline double poly(const std::vector<double>& c, double t) {
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
  int32_t transducer;  // the amplifier driver's transducer id
  double t_min;  // range over which the driver's table must hold
  double t_max;
  std::vector<Piece> pieces;
  bool k_exponential = false;  // type K adds a0 exp(a1 (t - a2)^2) above 0 °C
};

inline double emf_mv(const Thermocouple& tc, double t) {
  for (const Piece& p : tc.pieces) {
    if (t <= p.upper) {
      double e = poly(p.c, t);
      if (tc.k_exponential && t >= 0.0) e += 0.118597600000 * std::exp(-0.118343200000e-3 * (t - 126.9686) * (t - 126.9686));
      return e;
    }
  }
  return NAN;
}

inline const std::vector<Thermocouple>& thermocouples() {
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
inline double pt_ohm(double r0, double t) {
  constexpr double kA = 3.9083e-3, kB = -5.775e-7, kC = -4.183e-12;
  double f = 1.0 + kA * t + kB * t * t;
  if (t < 0.0) f += kC * (t - 100.0) * t * t * t;
  return r0 * f;
}

// Temperature at which a monotone reference function reaches a signal, by bisection.
inline double reference_temperature(const std::function<double(double)>& f, double signal, double lo, double hi) {
  for (int i = 0; i < 200; ++i) {
    const double mid = 0.5 * (lo + hi);
    (f(mid) < signal ? lo : hi) = mid;
  }
  return 0.5 * (lo + hi);
}

}  // namespace testkit
