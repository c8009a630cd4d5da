// The driver stack interpreter. A run walks a section's statements by number (1-based); each
// statement names the next one. Loops keep their levels on a stack of 64; jumps, loop ends and
// variable numbers are checked, and the kernel's abort flag stops a run between statements, so a
// driver that loops without end can be stopped by its host. Expressions go to the math library's
// driver evaluator, device traffic to the interface library's current port, values into the
// channels' IO buffers.
#include "driver_stack/interpreter.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "driver_stack/block_format.h"
#include "driver_stack/driver_numbers.h"
#include "kernel_state.h"
#include "linkar32.h"
#include "multiscan/acquisition_state.h"
#include "numera32_evaluate.h"
#include "numera32_formula.h"
#include "platform.h"

namespace tallix {
namespace {

constexpr char kMessageCaption[] = "QBX Instrument Driver Message";
constexpr int32_t kMessageSize = 4096;
constexpr int32_t kMaxStackChannel = 9999;
constexpr int16_t kSignalMeasured = 8;
constexpr int32_t kMaxExpression = 32767;  // DrvCalcExp takes a 16-bit length

enum class LoopKind { kCounted, kRepeat };

struct LoopLevel {
  LoopKind kind;
  int32_t body;      // the statement after the loop start
  int32_t variable;  // counted loops
  double limit;
  double step;
  double count;  // repeat loops: passes to run (0: until a break)
  double passes;
  bool left;  // a break marked it
};

// Interpreter state, shared by every run: one section runs at a time.
struct Interpreter {
  int32_t pc;
  int32_t depth;
  LoopLevel loops[kAcqDriverLoopLevels];
  double scratch;  // the value of the latest expression
  char message[kMessageSize];
  uint8_t reply[kAcqDriverReplySize];
  size_t reply_length;
};
Interpreter g_state;

struct Run {
  int32_t slot;
  DriverStack& stack;
  SectionRange range;
  const StackCall& call;
  int32_t requested;              // the read's requested block length
  std::vector<int32_t> measured;  // measured channels of the current device, in list order
};

// What a statement leaves: the next statement number, or the end of the run with a result.
struct Step {
  int32_t next;
  bool end;
  int32_t result;
};
Step go(int32_t next) { return {next, false, 0}; }

constexpr int32_t kWaitSlice = 20;  // ms between looks at the abort flag during a wait

// The host may set the abort flag from another thread: read it as such.
bool abort_requested() { return __atomic_load_n(&kernel().abort_flag, __ATOMIC_RELAXED) != 0; }
Step finish(int32_t result) { return {0, true, result}; }

int32_t to_int(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(v);
}

double eval(const char* text) {
  if (text == nullptr) return 0.0;
  const size_t n = std::min<size_t>(std::strlen(text), kMaxExpression);
  g_state.scratch = DrvCalcExp(text, static_cast<int16_t>(n));
  return g_state.scratch;
}

// A plain decimal number (statement and variable numbers).
bool whole_number(const char* text, int32_t* out) {
  if (text == nullptr || *text == '\0') return false;
  long v = 0;
  for (const char* p = text; *p; ++p) {
    if (*p < '0' || *p > '9' || v > 1000000) return false;
    v = v * 10 + (*p - '0');
  }
  *out = static_cast<int32_t>(v);
  return true;
}

bool variable(const char* text, int32_t* n) {
  return whole_number(text, n) && *n >= 1 && *n <= kAcqDriverVariables;
}

// "$n" names text variable n.
bool text_variable(const char* text, int32_t* n) {
  return text != nullptr && text[0] == '$' && variable(text + 1, n);
}

std::string text_operand(const Run& run, const char* a) {
  if (a == nullptr) return {};
  int32_t n = 0;
  if (a[0] == '"') {
    std::string s(a + 1);
    if (!s.empty() && s.back() == '"') s.pop_back();
    return s;
  }
  if (text_variable(a, &n)) return run.stack.texts[n] ? run.stack.texts[n] : "";
  if (a[0] == '@') return format_number(eval(a + 1), -1);
  return a;
}

void set_number(Run& run, int32_t n, double value) {
  run.stack.numbers[n] = value;
  DrvSetArgument(n, value);  // variable 64 is refused by the math library: not visible to formulas
}

int32_t set_text(Run& run, int32_t n, std::string value) {
  if (value.size() > kMaxTextVariable) value.resize(kMaxTextVariable);
  char* copy = nullptr;
  if (!value.empty()) {
    copy = static_cast<char*>(platform().allocate(value.size() + 1));
    if (copy == nullptr) return kAcqStackTextNoMemory;
    std::memcpy(copy, value.c_str(), value.size() + 1);
  }
  release(run.stack.texts[n]);
  run.stack.texts[n] = copy;
  return kAcqOk;
}

// A statement number argument: `low`..count + `high_extra`, else -1.
int32_t target(const Run& run, const char* text, int32_t low, int32_t high_extra) {
  int32_t t = 0;
  if (!whole_number(text, &t) || t < low || t > run.range.count + high_extra) return -1;
  return t;
}

int32_t checked_channel(const char* expression) {
  const int32_t ch = to_int(eval(expression));
  return ch >= 1 && ch <= kMaxStackChannel ? ch : -1;
}

// Appends one value to the channel's IO buffer at its current length.
int32_t append_value(int32_t channel, double value) {
  IOBuf& b = buffer(channel);
  if (b.values == nullptr || b.current_length < 0 || b.current_length >= b.capacity) return kAcqStackBadChannel;
  b.values[b.current_length++] = value;
  header(channel).read_block_count += 1;
  return kAcqOk;
}

Step loop_start(Run& run, const DriverStatement& s) {
  Interpreter& g = g_state;
  if (g.depth >= kAcqDriverLoopLevels) return finish(kAcqStackBadStatement);
  LoopLevel level{};
  level.body = g.pc + 1;
  if (s.args[0] != nullptr) {
    if (!variable(s.args[0], &level.variable)) return finish(kAcqStackBadStatement);
    level.kind = LoopKind::kCounted;
    const double start = eval(s.args[1]);
    level.limit = eval(s.args[2]);
    level.step = s.args[3] != nullptr ? eval(s.args[3]) : 1.0;
    set_number(run, level.variable, start);
  } else {
    level.kind = LoopKind::kRepeat;
    level.count = std::trunc(eval(s.args[1]));
  }
  g.loops[g.depth++] = level;
  return go(g.pc + 1);
}

Step loop_end(Run& run) {
  Interpreter& g = g_state;
  if (g.depth == 0) return finish(kAcqStackBadStatement);
  LoopLevel& level = g.loops[g.depth - 1];
  bool done = level.left;
  if (!done && level.kind == LoopKind::kRepeat) {
    level.passes += 1.0;
    done = level.count != 0.0 && level.passes >= level.count;
  } else if (!done) {
    const double v = run.stack.numbers[level.variable] + level.step;
    set_number(run, level.variable, v);
    // A step between 0 and 1 counts upwards too; a step of 0 runs until a break.
    done = (level.step > 0.0 && v > level.limit) || (level.step < 0.0 && v < level.limit);
  }
  if (!done) return go(level.body);
  --g.depth;
  return go(g.pc + 1);
}

Step assign(Run& run, const DriverStatement& s) {
  int32_t n = 0;
  if (!variable(s.args[0], &n)) return finish(kAcqStackBadStatement);
  const char* value = s.args[1];
  if (value != nullptr && value[0] == '"') {
    if (int32_t r = set_text(run, n, text_operand(run, value)); r < 0) return finish(r);
    return go(g_state.pc + 1);
  }
  GetFormulaErrFlag();
  const double v = eval(value);
  if (int32_t error = GetFormulaErrFlag(); error != 0) return finish(error);
  set_number(run, n, v);
  return go(g_state.pc + 1);
}

Step set_parameter(const DriverStatement& s) {
  const double value = eval(s.args[0]);
  const int32_t to = to_int(eval(s.args[1]));
  const int32_t id = to_int(eval(s.args[2]));
  if (to == kDrvTargetRun && id == kDrvParTimeout) {
    QBX_SetTimeout(to_int(value));
    return go(g_state.pc + 1);
  }
  if (to != kDrvTargetChannel) return finish(kAcqBadArgument);
  const int32_t ch = checked_channel(s.args[3]);
  if (ch < 0) return finish(kAcqStackBadChannel);
  AcqHdr& h = header(ch);
  switch (id) {
    case kDrvParRange: h.range = static_cast<float>(value); break;
    case kDrvParZeroOffset: h.zero_offset = static_cast<float>(value); break;
    case kDrvParFullScale: h.full_scale = std::max(1, to_int(value)); break;
    default: return finish(kAcqBadArgument);
  }
  return go(g_state.pc + 1);
}

Step get_parameter(Run& run, const DriverStatement& s) {
  int32_t n = 0;
  if (!variable(s.args[0], &n)) return finish(kAcqStackBadStatement);
  const int32_t from = to_int(eval(s.args[1]));
  const int32_t id = to_int(eval(s.args[2]));
  double v = 0.0;
  if (from == kDrvTargetRun) {
    switch (id) {
      case kDrvParTimeout: v = QBX_GetCurrTimeout(); break;
      case kDrvParInQueue: v = QBX_GetSerInQLen(); break;
      case kDrvParSampleRate: v = device(run.slot).fifo_rate[0]; break;
      case kDrvParBlockLength: v = run.requested; break;
      case kDrvParChannelCount: v = static_cast<double>(run.measured.size()); break;
      case kDrvParInitChannel: v = run.call.channel; break;
      default: return finish(kAcqBadArgument);
    }
  } else if (from == kDrvTargetChannel) {
    const int32_t ch = checked_channel(s.args[3]);
    if (ch < 0) return finish(kAcqStackBadChannel);
    const AcqHdr& h = header(ch);
    switch (id) {
      case kDrvParHwChannel: v = h.hardware_channel; break;
      case kDrvParRange: v = h.range; break;
      case kDrvParZeroOffset: v = h.zero_offset; break;
      case kDrvParFullScale: v = h.full_scale; break;
      default: return finish(kAcqBadArgument);
    }
  } else {
    return finish(kAcqBadArgument);  // target 5 and unknown targets
  }
  set_number(run, n, v);
  return go(g_state.pc + 1);
}

Step device_read(Run& run, const DriverStatement& s) {
  int32_t n = 0;
  const bool to_text = text_variable(s.args[1], &n);
  if (!to_text && !variable(s.args[1], &n)) return finish(kAcqStackBadStatement);
  const int32_t length = std::clamp(to_int(eval(s.args[2])), 1, kAcqDriverReplySize - 1);
  const int32_t terminator = s.args[3] != nullptr ? to_int(eval(s.args[3])) & 0xFF : 0;
  const int32_t saved_timeout = QBX_GetCurrTimeout();
  if (s.args[4] != nullptr) QBX_SetTimeout(to_int(eval(s.args[4])));
  char bytes[kAcqDriverReplySize + 1] = {};
  int32_t status = 0;
  int32_t got = 0;
  const int32_t r = QBX_ReadPort(bytes, length, &status, &got, terminator);
  if (s.args[4] != nullptr) QBX_SetTimeout(saved_timeout);
  got = std::clamp(got, 0, length);
  std::memcpy(g_state.reply, bytes, static_cast<size_t>(got));
  g_state.reply_length = static_cast<size_t>(got);
  if (r < 0) return finish(r);
  if (to_text) {
    std::string text(bytes, static_cast<size_t>(got));
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    if (int32_t t = set_text(run, n, text); t < 0) return finish(t);
  } else {
    double v = 0.0;
    if (!parse_number(bytes, static_cast<size_t>(got), &v, nullptr)) v = 0.0;
    set_number(run, n, v);
  }
  return go(g_state.pc + 1);
}

Step device_write(Run& run, const DriverStatement& s) {
  std::string text = text_operand(run, s.args[1]);
  if (s.args[3] != nullptr) {
    const int32_t count = std::max(0, to_int(eval(s.args[3])));
    if (static_cast<size_t>(count) < text.size()) text.resize(static_cast<size_t>(count));
  }
  std::replace(text.begin(), text.end(), '\'', '"');
  static constexpr const char* kLineEnds[] = {"", "\r", "\n", "\r\n"};
  const int32_t ending = s.args[2] != nullptr ? to_int(eval(s.args[2])) : 0;
  if (ending >= 1 && ending <= 3) text += kLineEnds[ending];
  if (!text.empty()) {
    const int32_t r = QBX_WritePortCount(text.data(), static_cast<int32_t>(text.size()));
    if (r < 0) return finish(r);
  }
  return go(g_state.pc + 1);
}

Step device_store(Run& run, const DriverStatement& s) {
  const std::string format = text_operand(run, s.args[1]);
  int32_t single = 0;
  if (s.args[2] != nullptr && to_int(eval(s.args[2])) == kDrvTargetChannel) {
    single = checked_channel(s.args[3]);
    if (single < 0) return finish(kAcqStackBadChannel);
  }
  size_t next = 0;
  auto sink = [&](double value) -> int32_t {
    if (single > 0) return append_value(single, value);
    if (run.measured.empty()) return kAcqStackBadChannel;
    const int32_t ch = run.measured[next % run.measured.size()];
    ++next;
    return append_value(ch, value);
  };
  const int32_t r = parse_block(format.c_str(), g_state.reply, g_state.reply_length, sink);
  if (r < 0) return finish(r);
  return go(g_state.pc + 1);
}

Step device_io(Run& run, const DriverStatement& s) {
  switch (to_int(eval(s.args[0]))) {
    case kDrvIoFlush:
      QBX_FlushInQueue();
      return go(g_state.pc + 1);
    case kDrvIoRead:
      return device_read(run, s);
    case kDrvIoWrite:
      return device_write(run, s);
    case kDrvIoChannelOf: {
      int32_t n = 0;
      if (!variable(s.args[1], &n)) return finish(kAcqStackBadStatement);
      const int32_t index = to_int(eval(s.args[2]));
      if (index < 1 || static_cast<size_t>(index) > run.measured.size()) return finish(kAcqStackBadChannel);
      set_number(run, n, run.measured[static_cast<size_t>(index) - 1]);
      return go(g_state.pc + 1);
    }
    case kDrvIoStore:
      return device_store(run, s);
    default:
      return go(g_state.pc + 1);
  }
}

bool equal_ignoring_case(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// Statements on texts: 34, 35, 403, 501, 502, 505, 508, 521.
Step text_statement(Run& run, const DriverStatement& s) {
  int32_t n = 0;
  if (!variable(s.args[0], &n)) return finish(kAcqStackBadStatement);
  int32_t r = kAcqOk;
  switch (s.type) {
    case kDrvFormat: {
      const double v = eval(s.args[1]);
      const int decimals = s.args[2] != nullptr ? std::clamp(to_int(eval(s.args[2])), 0, 15) : -1;
      r = set_text(run, n, format_number(v, decimals));
      break;
    }
    case kDrvConcat: {
      std::string joined;
      for (int32_t k = 1; k < kAcqDriverArguments; ++k) {
        joined += text_operand(run, s.args[k]);
        if (joined.size() > kMaxTextVariable) break;
      }
      r = set_text(run, n, std::move(joined));
      break;
    }
    case kDrvEqual:
      set_number(run, n, equal_ignoring_case(text_operand(run, s.args[1]), text_operand(run, s.args[2])) ? 1 : 0);
      break;
    case kDrvFind: {
      const std::string haystack = text_operand(run, s.args[1]);
      const std::string needle = text_operand(run, s.args[2]);
      const size_t at = needle.empty() ? std::string::npos : haystack.find(needle);
      set_number(run, n, at == std::string::npos ? 0.0 : static_cast<double>(at + 1));
      break;
    }
    case kDrvLength:
      set_number(run, n, static_cast<double>(text_operand(run, s.args[1]).size()));
      break;
    case kDrvMid: {
      const std::string text = text_operand(run, s.args[1]);
      const size_t start = static_cast<size_t>(std::max(1, to_int(eval(s.args[2])))) - 1;
      size_t count = std::string::npos;
      if (s.args[3] != nullptr) count = static_cast<size_t>(std::max(0, to_int(eval(s.args[3]))));
      r = set_text(run, n, start < text.size() ? text.substr(start, count) : std::string());
      break;
    }
    case kDrvValue: {
      const std::string text = text_operand(run, s.args[1]);
      double v = 0.0;
      if (!parse_number(text.data(), text.size(), &v, nullptr)) v = 0.0;
      set_number(run, n, v);
      break;
    }
    case kDrvChar: {
      int32_t code = to_int(eval(s.args[1]));
      if (code < 0 || code > 255) code = 0;
      r = set_text(run, n, code == 0 ? std::string() : std::string(1, static_cast<char>(code)));
      break;
    }
    default:
      break;
  }
  if (r < 0) return finish(r);
  return go(g_state.pc + 1);
}

Step execute(Run& run, const DriverStatement& s) {
  Interpreter& g = g_state;
  switch (s.type) {
    case kDrvLoopStart:
      return loop_start(run, s);
    case kDrvLoopEnd:
      return loop_end(run);
    case kDrvIf: {
      if (eval(s.args[0]) != 0.0) return go(g.pc + 1);
      const int32_t t = target(run, s.args[1], 0, 0);
      return t < 0 ? finish(kAcqStackBadStatement) : go(t + 1);
    }
    case kDrvJump: {
      const int32_t t = target(run, s.args[0], 0, 0);
      return t < 0 ? finish(kAcqStackBadStatement) : go(t + 1);
    }
    case kDrvBreak: {
      if (g.depth == 0) return finish(kAcqOk);
      const int32_t t = target(run, s.args[0], 1, 1);
      if (t < 0) return finish(kAcqStackBadStatement);
      g.loops[g.depth - 1].left = true;
      return go(t);
    }
    case kDrvAssign:
      return assign(run, s);
    case kDrvWait: {
      // In slices, so that the abort flag also ends a long wait (the run loop then sees it).
      for (int32_t left = to_int(eval(s.args[0])); left > 0 && !abort_requested(); left -= kWaitSlice)
        QBX_Delay(std::min(left, kWaitSlice));
      return go(g.pc + 2);
    }
    case kDrvReturn:
      return finish(to_int(eval(s.args[0])));
    case kDrvMessage: {
      const std::string text = text_operand(run, s.args[0]);
      const size_t n = std::min(text.size(), static_cast<size_t>(kMessageSize - 1));
      std::memcpy(g.message, text.data(), n);
      g.message[n] = '\0';
      platform().show_message(kMessageCaption, g.message);
      return go(g.pc + 1);
    }
    case kDrvSetParameter:
      return set_parameter(s);
    case kDrvGetParameter:
      return get_parameter(run, s);
    case kDrvDeviceIO:
      return device_io(run, s);
    case kDrvFormat:
    case kDrvConcat:
    case kDrvEqual:
    case kDrvFind:
    case kDrvLength:
    case kDrvMid:
    case kDrvValue:
    case kDrvChar:
      return text_statement(run, s);
    default:
      return go(g.pc + 1);
  }
}

bool in_fifo(const AcqHdr& h, int32_t fifo) { return h.fifo == fifo || (h.fifo == 4 && (fifo == 0 || fifo == 1)); }

// The call's measured channels of the stack's device (for a read: of the FIFO being read).
std::vector<int32_t> measured_channels(int32_t slot, StackSection section, const StackCall& call) {
  std::vector<int32_t> list;
  const DeviceRecord& d = device(slot);
  for (int32_t i = 0; i < call.count && call.channels != nullptr; ++i) {
    const int32_t ch = call.channels[i];
    if (!valid_channel(ch)) continue;
    const AcqHdr& h = header(ch);
    if (h.acq_class != 0 || h.signal_kind != kSignalMeasured || h.interface != d.port || h.device_address != d.address)
      continue;
    if (section == StackSection::kRead && !in_fifo(h, acquisition().current_fifo)) continue;
    list.push_back(ch);
  }
  return list;
}

}  // namespace

int32_t interpret_section(int32_t slot, DriverStack& stack, StackSection section, const StackCall& call) {
  const SectionRange range = stack.sections[static_cast<int>(section)];
  Run run{slot, stack, range, call, call.length != nullptr ? *call.length : 0, measured_channels(slot, section, call)};
  if (section == StackSection::kRead) {
    // A read delivers a new block: the values go from the write offset on.
    for (int32_t ch : run.measured) {
      const int32_t offset = buffer(ch).write_offset;
      buffer(ch).current_length = offset > 0 ? offset : 0;
      header(ch).read_block_count = 0;
    }
  }
  Interpreter& g = g_state;
  g.pc = 1;
  g.depth = 0;
  for (int32_t n = 1; n <= kAcqDriverVariables; ++n) DrvSetArgument(n, stack.numbers[n]);
  int32_t result = kAcqOk;
  while (g.pc >= 1 && g.pc <= range.count) {
    if (abort_requested()) {
      __atomic_store_n(&kernel().abort_flag, 0, __ATOMIC_RELAXED);
      result = kAcqStackAborted;
      break;
    }
    const Step step = execute(run, stack.statements[range.first + g.pc - 1]);
    if (step.end) {
      result = step.result;
      break;
    }
    g.pc = step.next;
  }
  if (section == StackSection::kRead && result == kAcqOk && call.length != nullptr && !run.measured.empty()) {
    int32_t delivered = 0;
    for (int32_t ch : run.measured) {
      const int32_t count = header(ch).read_block_count;
      delivered = std::max(delivered, count);
    }
    *call.length = delivered;
  }
  return result;
}

}  // namespace tallix
