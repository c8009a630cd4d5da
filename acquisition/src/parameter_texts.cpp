// Data of the parameter string table. Texts are stored exactly as the system shows them (double
// blanks and spellings included). Three kinds of entries: single ids with their text; runs of
// consecutive ids whose texts are listed in order (numbers, sample rates); and the maker's
// designation ranges, whose texts follow one scheme of our own: "<kind> <n>" with n counting from 1
// within the range (amplifier modules, connector plates, transducer circuits), and for the module
// slots the kind of amplifier a slot reports (two of which, "Not connected" and "Digital I/O", the
// kernel's own code relies on).
#include "parameter_texts.h"

#include <charconv>
#include <iterator>

namespace tallix {
namespace {

struct Text {
  int32_t id;
  const char* text;
};

constexpr Text kTexts[] = {
    {0, "OFF"}, {1, "ON"}, {2, "NO"}, {3, "YES"},
    {10, "No Excitation"}, {11, "1 V Excitation"}, {12, "1.25 V Excitation"}, {13, "2.5 V Excitation"},
    {14, "5 V Excitation"}, {15, "10 V Excitation"}, {21, "5 V Input amplitude"}, {22, "100 mV Input amplitude"},
    {31, "Small time constant"}, {32, "Medium time constant"}, {33, "Large time constant"},
    {40, "Zero signal"}, {41, "Calibration signal"}, {42, "Measuring signal"}, {43, "Cold junction input"},
    {140, "No filter"}, {141, "Butterworth lowpass"}, {142, "Bessel lowpass"}, {143, "Aperiodic"},
    {148, "Variable filter"}, {149, "Fixed filter"},
    {204, "Peak value 1"}, {205, "Peak value 2"}, {214, "Gross signal"}, {215, "Net signal"}, {217, "S5"},
    {289, "Remote Control Bitmask"},
    {350, "Corvane full bridge"}, {351, "Corvane half bridge"}, {352, "Quarter bridge"}, {353, "SG full bridge"},
    {354, "SG half bridge"}, {355, "SQ quarter bridge"}, {356, "Inductive full bridge"},
    {357, "Inductive halft bridge"}, {358, "Full bridge (low level)"}, {359, "Half bridge (low level)"},
    {360, "Full bridge (high level)"}, {361, "Half bridge (high level)"}, {362, "SG full bridge (120 Ohm)"},
    {363, "SG fullbridge (350 Ohm)"}, {364, "SG full bridge (700 Ohm)"}, {365, "SG half bridge (120 Ohm)"},
    {366, "SG half bridge (350 Ohm)"}, {367, "SG half bridge (700 Ohm)"},
    {368, "SQ quarter bridge 120 Ohm, 4-wire circuit"}, {369, "SQ quarter bridge 350 Ohm, 4-wire circuit"},
    {370, "SG quarter bridge 700 Ohm, 4-wire circuit"}, {371, "SG quarter bridge 120 Ohm, 3-wire circuit"},
    {372, "SG quarter bridge 350 Ohm, 3-wire circuit"}, {373, "SG quarter bridge 700 Ohm, 3-wire circuit"},
    {420, "Corvane DC Voltage"}, {421, "Corvane DC Current"}, {425, "DC 75 mV"}, {426, "DC 10 V"},
    {427, "DC 20 mA"}, {450, "Thermocouple Type  J"}, {451, "Thermocouple Type  K"}, {452, "Thermocouple Type T"},
    {453, "Thermocouple Type S"}, {475, "Resistance 500 Ohm"}, {476, "Resistance 5000 Ohm"},
    {500, "Resistance thermometer Pt100"}, {501, "Resistance thermometer Pt500"},
    {502, "Resistance thermometer  Pt1000"}, {510, "Corvane internal temperature"},
    {520, "Counter: edges only"}, {521, "Counter: edges + direction"}, {522, "Counter: 2-phase, 1-fold"},
    {523, "Counter: 2-phase, 4-fold"}, {525, "Counter"}, {530, "Frequency range 2 kHz"},
    {531, "Frequency range 20 kHz"}, {532, "Frequency range 200 kHz"}, {550, "Deltatron (TM)  0.1 V"},
    {551, "Deltatron (TM)  1 V"}, {552, "Deltatron (TM)  10 V"}, {571, "Charge amplifier  0.1 nC"},
    {572, "Charge amplifier 1 nC"}, {573, "Charge amplifier 10 nC"}, {574, "Charge amplifier 100 nC"},
    {700, "3 mV/V"}, {701, "12 mV/V"}, {702, "125 mV/V"}, {703, "500 mV/V"}, {710, "0.1 V"}, {711, "1 V"},
    {712, "10 V"}, {720, "20 mA"}, {721, "200 mA"}, {730, "400 Ohm"}, {731, "4000 Ohm"}, {740, "1 MHz"},
    {741, "100 kHz"}, {742, "10 kHz"}, {743, "1 kHz"}, {744, "100 Hz"}, {750, "10 ms"}, {751, "100 ms"},
    {752, "1 s"}, {753, "10 s"}, {754, "100 s"}, {760, "Counter"}, {761, "Counter x 0.01"}, {770, "Temperature"},
    {985, "50000"}, {1100, "10000"},
    {5050, "Not connected"}, {5051, "Bridge amplifier with counter input"}, {5052, "Bridge amplifier"},
    {5053, "Bridge amplifier, compact"}, {5054, "Universal amplifier"}, {5055, "Digital I/O"},
    {5056, "Auxiliary channel"},
    {6345, "19200"},
    {15000, "DC / 5 V"}, {15001, "600 Hz / 5 V"}, {15002, "600 Hz / 0.5 V"}, {15003, "5 kHz / 2.5 V"},
    {15010, "20 mV/V"}, {15011, "10 mV/V"}, {15012, "100 mV/V"}, {15013, "1000 mV/V"},
    {32000, "Unknown"}, {32001, "Function not supported by firmware"}, {32002, "Not available"},
    {32767, "Illegal parameter value"},
};

// Consecutive ids from `first` holding the listed texts in order.
struct Run {
  int32_t first;
  const char* const* texts;
  int32_t count;
};

constexpr const char* kNumbers[] = {
    "0.01", "0.012", "0.015", "0.02", "0.025", "0.03", "0.04", "0.05", "0.06", "0.07", "0.075", "0.08", "0.09",
    "0.1",  "0.12",  "0.15",  "0.2",  "0.25",  "0.3",  "0.4",  "0.5",  "0.6",  "0.7",  "0.75",  "0.8",  "0.9",
    "1",    "1.2",   "1.25",  "1.5",  "2",     "2.5",  "3",    "4",    "5",    "6",    "7",     "7.5",  "8",
    "9",    "10",    "12",    "15",   "17.5",  "20",   "25",   "30",   "40",   "50",   "60",    "70",   "75",
    "80",   "90",    "100",   "120",  "150",   "200",  "250",  "300",  "400",  "500",  "550",   "600",  "700",
    "750",  "800",   "900",   "1000", "1100",  "1200", "1500", "2000", "2400", "2500", "3000",  "4000", "5000",
    "6000", "7000",  "7500",  "8000", "9000"};
static_assert(std::size(kNumbers) == 983 - 901 + 1);

constexpr const char* kCorvaneRates[] = {"1",   "2",   "5",   "10",  "25",   "50",   "60",
                                         "75",  "100", "150", "200", "300",  "400",  "600",
                                         "800", "1200", "1600", "2400", "3200", "4800", "9600"};
static_assert(std::size(kCorvaneRates) == 6320 - 6300 + 1);

constexpr const char* kFurtherRates[] = {"3",   "4",   "6",   "8",   "15",  "20",  "30",
                                         "48",  "64",  "80",  "96",  "120", "160", "192",
                                         "240", "320", "384", "480", "640", "960", "1920"};
static_assert(std::size(kFurtherRates) == 6341 - 6321 + 1);

constexpr Run kRuns[] = {
    {901, kNumbers, static_cast<int32_t>(std::size(kNumbers))},
    {6300, kCorvaneRates, static_cast<int32_t>(std::size(kCorvaneRates))},
    {6321, kFurtherRates, static_cast<int32_t>(std::size(kFurtherRates))},
};

// Designation ranges: ids first..last read "<kind> <id - first + 1>".
struct Designations {
  int32_t first;
  int32_t last;
  const char* kind;
};

constexpr Designations kDesignations[] = {
    {5000, 5018, "Amplifier module"},
    {5500, 5522, "Connector plate"},
    {15100, 15344, "Transducer circuit"},
};

}  // namespace

bool parameter_text(int32_t id, std::string* text) {
  for (const Text& t : kTexts) {
    if (t.id == id) {
      *text = t.text;
      return true;
    }
  }
  for (const Run& r : kRuns) {
    if (id >= r.first && id < r.first + r.count) {
      *text = r.texts[id - r.first];
      return true;
    }
  }
  for (const Designations& d : kDesignations) {
    if (id >= d.first && id <= d.last) {
      char digits[12];
      auto end = std::to_chars(digits, digits + sizeof digits, id - d.first + 1).ptr;
      *text = std::string(d.kind) + " " + std::string(digits, end);
      return true;
    }
  }
  return false;
}

}  // namespace tallix
