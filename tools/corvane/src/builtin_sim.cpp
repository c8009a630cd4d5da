// Chain layout and signals of the built-in simulator. Every device of the chain has the same ten
// slots; the signals are the same on every device so that results are easy to predict.
#include "builtin_sim.h"

#include "corvane_sim/engine.h"
#include "corvane_sim/server.h"
#include "corvane_sim/yalplus.h"
#include "messages.h"

namespace corvane_cli {

using corvane_sim::SignalSource;

const SimSlot kSimSlots[10] = {
    {5051, N_("full bridge 3 mV/V, sine 0.5 +- 1.0 mV/V at 1 Hz")},
    {5051, N_("full bridge 3 mV/V, constant 1.2 mV/V")},
    {5052, N_("full bridge 3 mV/V, ramp from -1.0 mV/V rising 0.5 mV/V per s, restarting every 4 s")},
    {5052, N_("full bridge 3 mV/V, constant -0.8 mV/V")},
    {5053, N_("full bridge 3 mV/V, constant 1.5 mV/V")},
    {5054, N_("dc voltage 10 V, sine 2.5 +- 1.5 V at 0.5 Hz")},
    {5054, N_("thermocouple K, 23.5 +- 0.5 degC sine at 0.2 Hz (about 0.94 mV)")},
    {5058, N_("full bridge 3 mV/V with shunt (+1.0 mV/V), constant 0.25 mV/V")},
    {5055, N_("digital I/O, input lines 0x00A5")},
    {5056, N_("aux, internal temperature 25 degC")},
};

namespace {

SignalSource slot_source(int position) {
  switch (position) {
    case 0: return SignalSource::sine(0.5, 1.0, 1.0);
    case 1: return SignalSource::constant(1.2);
    case 2: return SignalSource::ramp(-1.0, 0.5, 4.0);
    case 3: return SignalSource::constant(-0.8);
    case 4: return SignalSource::constant(1.5);
    case 5: return SignalSource::sine(2.5, 1.5, 0.5);
    case 6: {
      SignalSource s = SignalSource::sine(23.5, 0.5, 0.2);
      s.quantity = SignalSource::Quantity::kTemperature;
      return s;
    }
    case 7: return SignalSource::constant(0.25);
    case 8: return SignalSource::raw(0xA5);
    default: return SignalSource::constant(25.0);
  }
}

constexpr int kThermocoupleK = 451;
constexpr int kRange100mV = 710;

// The Corvane chain with the slots above.
std::unique_ptr<corvane_sim::LineDevice> corvane_chain(int devices) {
  corvane_sim::EngineConfig cfg;
  cfg.devices = devices;
  for (const auto& slot : kSimSlots) cfg.slot_types.push_back(slot.amplifier);
  auto engine = std::make_unique<corvane_sim::Engine>(cfg);
  for (int c = 0; c < engine->channel_count(); ++c) {
    int position = c % corvane_sim::kSlotsPerDevice;
    engine->set_source(c, slot_source(position));
    if (position == 6) {
      corvane_sim::ChannelSettings s = engine->channel(c);
      s.transducer = kThermocoupleK;
      s.range = kRange100mV;
      engine->set_channel(c, s);
    }
  }
  return engine;
}

// A YALPLUS rack whose FIFOs fill with the monotonic clock, as a rack on a cable does.
std::unique_ptr<corvane_sim::LineDevice> yalplus_rack() {
  corvane_sim::YalplusConfig cfg;
  cfg.virtual_clock = false;
  return std::make_unique<corvane_sim::YalplusEngine>(cfg);
}

}  // namespace

struct BuiltinSim::Impl {
  explicit Impl(std::unique_ptr<corvane_sim::LineDevice> device) : engine(std::move(device)), server(*engine) {
    server.start();
  }
  std::unique_ptr<corvane_sim::LineDevice> engine;
  corvane_sim::PtyServer server;
};

BuiltinSim::BuiltinSim(int devices, PortChoice::Family family)
    : impl_(std::make_unique<Impl>(family == PortChoice::Family::kYalplus ? yalplus_rack() : corvane_chain(devices))) {}
BuiltinSim::~BuiltinSim() { impl_->server.stop(); }
const std::string& BuiltinSim::line_path() const { return impl_->server.slave_path(); }

}  // namespace corvane_cli
