// The YALPLUS tables as data.
#include "families/yalplus/yalplus_tables.h"

namespace tallix::yalplus {

namespace {

constexpr int32_t kSignalCodes[kSignals] = {214, 215, 204, 205, 217, 289};

struct RateRow {
  double limit;  // requested rates up to this take the row
  float rate;
  int32_t code;
};
constexpr RateRow kRates[] = {
    {0.00011, 0.0001f, 6361}, {0.00021, 0.0002f, 6360}, {0.00051, 0.0005f, 6359}, {0.0011, 0.001f, 6358},
    {0.0021, 0.002f, 6357},   {0.0051, 0.005f, 6356},   {0.011, 0.01f, 6355},     {0.021, 0.02f, 6354},
    {0.051, 0.05f, 6353},     {0.11, 0.1f, 6352},       {0.21, 0.2f, 6351},       {0.51, 0.5f, 6350},
    {1, 1, 6300},             {2, 2, 6301},             {3, 3, 6321},             {4, 4, 6322},
    {5, 5, 6302},             {6, 6, 6323},             {8, 8, 6324},             {10, 10, 6303},
    {15, 15, 6325},           {20, 20, 6326},           {25, 25, 6304},           {30, 30, 6327},
    {50, 50, 6305},           {60, 60, 6306},           {75, 75, 6307},           {80, 80, 6330},
    {100, 100, 6308},         {120, 120, 6332},         {150, 150, 6309},         {160, 160, 6333},
    {200, 200, 6310},         {240, 240, 6335},         {300, 300, 6311},         {400, 400, 6312},
    {480, 480, 6338},         {600, 600, 6313},         {800, 800, 6314},         {1200, 1200, 6315},
    {2400, 2400, 6317},       {4800, 4800, 6319},       {9600, 9600, 6320},       {19200, 19200, 6345},
};

}  // namespace

int32_t signal_of(int32_t sort_index) { return sort_index >= 0 && sort_index < kSignals ? sort_index : 0; }

int32_t signal_code(int32_t signal) { return kSignalCodes[signal_of(signal)]; }

RateCode rate_code(float requested) {
  for (const RateRow& row : kRates) {
    if (static_cast<double>(requested) <= row.limit) return {row.rate, row.code};
  }
  return {requested, 0};
}

}  // namespace tallix::yalplus
