// The thread-safe face of the device: one lock around the chain's state, the device clock (real
// or virtual), the record of received lines, and the faults that bend replies on demand.
#include "corvane_sim/engine.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

#include "device.h"

namespace corvane_sim {

struct Engine::Impl {
  explicit Impl(const EngineConfig& config)
      : device(config), virtual_clock(config.virtual_clock), origin(std::chrono::steady_clock::now()) {}

  int64_t now_ns() const {
    if (virtual_clock) return virtual_ns;
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - origin).count();
  }

  // Applies the first matching fault to the command; returns false when the command is not to
  // be executed (the reply is then already in `reply`).
  bool pre_fault(std::string_view line, Reply* reply, Fault* applied) {
    for (auto it = faults.begin(); it != faults.end(); ++it) {
      if (line.substr(0, it->match.size()) != it->match) continue;
      *applied = *it;
      if (it->count > 0 && --it->count == 0) faults.erase(it);
      if (applied->kind == FaultKind::kNoAnswer) {
        reply->hang_up = applied->hang_up;
        return false;
      }
      if (applied->kind == FaultKind::kRefuse) {
        device.error() = applied->error;
        reply->bytes = "?\r\n";
        reply->hang_up = applied->hang_up;
        return false;
      }
      return true;
    }
    applied->kind = FaultKind::kNoAnswer;
    applied->count = -1;  // marks "no fault"
    return true;
  }

  static void post_fault(const Fault& fault, const Answer& answer, Reply* reply) {
    reply->bytes = answer.bytes;
    if (fault.count == -1) return;
    reply->hang_up = fault.hang_up;
    std::string& b = reply->bytes;
    switch (fault.kind) {
      case FaultKind::kDelay: reply->delay_ms = fault.delay_ms; break;
      case FaultKind::kGarbage: b = fault.garbage; break;
      case FaultKind::kCutLine: b.resize(std::min(b.size(), fault.keep_bytes)); break;
      case FaultKind::kShortBlock: {
        size_t payload = b.size() >= 4 ? b.size() - 4 : 0;
        size_t drop = std::min(payload, fault.drop_bytes);
        if (b.size() >= 4) b.erase(b.size() - 2 - drop, drop);
        break;
      }
      case FaultKind::kCorruptBlock:
        if (fault.offset < b.size()) b[fault.offset] = static_cast<char>(b[fault.offset] ^ fault.xor_mask);
        break;
      case FaultKind::kNoAnswer:
      case FaultKind::kRefuse: break;
    }
  }

  mutable std::mutex mutex;
  mutable std::condition_variable lines_changed;
  mutable Device device;  // const inspection still brings the scans up to date
  bool virtual_clock;
  std::chrono::steady_clock::time_point origin;
  int64_t virtual_ns = 0;
  int64_t auto_advance_ns = 0;
  std::vector<Fault> faults;
  std::vector<std::string> lines;
  std::string received;  // raw bytes from the servers, the last kReceivedKept of them
  size_t lines_total = 0;
  std::function<void(std::string_view, const Reply&)> observer;
};

Engine::Engine(EngineConfig config) : impl_(std::make_unique<Impl>(config)) {}
Engine::~Engine() = default;

Reply Engine::handle_line(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  Reply reply;
  if (line.empty()) return reply;
  std::function<void(std::string_view, const Reply&)> observer;
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->lines.emplace_back(line);
    ++impl_->lines_total;
    if (impl_->virtual_clock) impl_->virtual_ns += impl_->auto_advance_ns;
    Fault fault;
    if (impl_->pre_fault(line, &reply, &fault)) {
      Answer answer = impl_->device.execute(line, impl_->now_ns());
      Impl::post_fault(fault, answer, &reply);
    }
    observer = impl_->observer;
  }
  impl_->lines_changed.notify_all();
  if (observer) observer(line, reply);
  return reply;
}

std::string Engine::process(std::string_view line) { return handle_line(line).bytes; }

bool Engine::virtual_clock() const { return impl_->virtual_clock; }

void Engine::advance(std::chrono::nanoseconds step) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (!impl_->virtual_clock || step.count() <= 0) return;
  impl_->virtual_ns += step.count();
  impl_->device.update(impl_->virtual_ns);
}

void Engine::advance_ms(double ms) {
  advance(std::chrono::nanoseconds(static_cast<int64_t>(ms * 1e6)));
}

std::chrono::nanoseconds Engine::now() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return std::chrono::nanoseconds(impl_->now_ns());
}

void Engine::set_auto_advance(std::chrono::nanoseconds step) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->auto_advance_ns = std::max<int64_t>(0, step.count());
}

void Engine::set_source(int channel, const SignalSource& source) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (!impl_->device.valid_channel(channel)) return;
  impl_->device.update(impl_->now_ns());
  impl_->device.channels()[static_cast<size_t>(channel)].source = source;
}

SignalSource Engine::source(int channel) const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (!impl_->device.valid_channel(channel)) return {};
  return impl_->device.channels()[static_cast<size_t>(channel)].source;
}

void Engine::fire_external_trigger() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->device.update(impl_->now_ns());
  impl_->device.fire_trigger();
}

void Engine::inject(const Fault& fault) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->faults.push_back(fault);
  if (impl_->faults.back().count < 0) impl_->faults.back().count = 1;
}

void Engine::clear_faults() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->faults.clear();
}

std::size_t Engine::pending_faults() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->faults.size();
}

int Engine::device_count() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->device.device_count();
}

int Engine::channel_count() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->device.channel_count();
}

std::vector<std::string> Engine::lines() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->lines;
}

std::size_t Engine::line_count() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->lines.size();
}

namespace {
constexpr size_t kReceivedKept = 1 << 20;
}  // namespace

std::string Engine::received_bytes() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->received;
}

void Engine::clear_received_bytes() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->received.clear();
}

void Engine::note_received(std::string_view bytes) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->received.append(bytes);
  if (impl_->received.size() > kReceivedKept) impl_->received.erase(0, impl_->received.size() - kReceivedKept);
}

void Engine::clear_lines() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->lines.clear();
}

bool Engine::wait_for_lines(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(impl_->mutex);
  return impl_->lines_changed.wait_for(lock, timeout, [&] { return impl_->lines.size() >= count; });
}

void Engine::set_observer(std::function<void(std::string_view, const Reply&)> observer) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->observer = std::move(observer);
}

int32_t Engine::error_number() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->device.error();
}

void Engine::set_error_number(int32_t error) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->device.error() = error;
}

ChannelSettings Engine::channel(int channel) const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (!impl_->device.valid_channel(channel)) return {};
  return impl_->device.channels()[static_cast<size_t>(channel)].settings;
}

void Engine::set_channel(int channel, const ChannelSettings& settings) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (!impl_->device.valid_channel(channel)) return;
  impl_->device.update(impl_->now_ns());
  impl_->device.channels()[static_cast<size_t>(channel)].settings = settings;
}

DeviceSettings Engine::device() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->device.settings();
}

void Engine::set_device(const DeviceSettings& settings) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->device.update(impl_->now_ns());
  impl_->device.settings() = settings;
}

AcquisitionStatus Engine::acquisition() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  Device& device = impl_->device;
  device.update(impl_->now_ns());
  const Acquisition& a = device.acquisition();
  AcquisitionStatus s;
  s.state = a.state;
  size_t k = std::max<size_t>(1, a.channels.size());
  s.buffered_scans = static_cast<int64_t>(a.buffer.size() / k);
  s.total_scans = a.total;
  s.requested_scans = a.requested;
  s.pretrigger_scans = a.pretrigger;
  s.trigger_mode = a.mode;
  s.triggered = a.triggered;
  s.channels_per_scan = static_cast<int32_t>(a.channels.size());
  s.scan_channels = a.channels;
  return s;
}

int16_t Engine::reading(int channel) const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->device.reading(channel, impl_->now_ns());
}

}  // namespace corvane_sim
