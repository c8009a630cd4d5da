// The Corvane rate table, fastest first.
#include "families/corvane/corvane_rates.h"

namespace tallix::corvane {
namespace {

constexpr RateCode kRates[] = {
    {9600.0f, 6320}, {4800.0f, 6319}, {3200.0f, 6318}, {2400.0f, 6317}, {1600.0f, 6316}, {1200.0f, 6315},
    {800.0f, 6314},  {600.0f, 6313},  {400.0f, 6312},  {300.0f, 6311},  {200.0f, 6310},  {150.0f, 6309},
    {100.0f, 6308},  {75.0f, 6307},   {60.0f, 6306},   {50.0f, 6305},   {25.0f, 6304},   {10.0f, 6303},
    {5.0f, 6302},    {2.0f, 6301},    {1.0f, 6300},
};
constexpr RateCode kBelowTable = {1200.0f, 6315};

}  // namespace

RateCode quantise_rate(float requested) {
  for (const RateCode& r : kRates) {
    if (requested >= r.rate) return r;
  }
  return kBelowTable;
}

}  // namespace tallix::corvane
