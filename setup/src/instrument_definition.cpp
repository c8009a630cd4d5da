// Reading and writing the hand-off file layout (see instrument_definition.h).
#include "instrument_definition.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "byte_cursor.h"
#include "cell_texts.h"

namespace setup {
namespace {

// The hand-off file's fields in order, naming the field where a damaged file ends.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : cursor_(bytes) {}

  template <typename T>
  bool number(T* out, const char* field) {
    return cursor_.take(out) || fail(field);
  }

  bool text(std::string* out, const char* field) {
    uint16_t length = 0;
    return (cursor_.take(&length) && cursor_.take_text(length, out)) || fail(field);
  }

  const std::string& problem() const { return problem_; }

 private:
  bool fail(const char* field) {
    problem_ = std::string("the file ends inside the field \"") + field + "\" at byte " + std::to_string(cursor_.pos());
    return false;
  }

  ByteCursor cursor_;
  std::string problem_;
};

template <typename T>
void put(std::string* out, T value) {
  char raw[sizeof(T)];
  std::memcpy(raw, &value, sizeof(T));
  out->append(raw, sizeof(T));
}

void put_text(std::string* out, const std::string& text) {
  put<uint16_t>(out, static_cast<uint16_t>(text.size()));
  out->append(text);
}

}  // namespace

const std::vector<std::string>& interface_names() {
  static const std::vector<std::string> names = {"COM1", "COM2", "COM3", "COM4", "LPT1", "LPT2", "USB", "OFFLINE"};
  return names;
}

int16_t port_for_interface(const std::string& text) {
  struct Entry {
    const char* text;
    int16_t port;
  };
  static const Entry kPorts[] = {{"COM1", 1},          {"COM2", 2},          {"COM3", 3},         {"COM4", 4},
                                 {"LPT1", kPortLpt1}, {"LPT2", kPortLpt2}, {"USB", kPortUsb}, {"GPIB", kPortGpib}};
  for (const Entry& e : kPorts) {
    if (text == e.text) return e.port;
  }
  return kPortOffline;
}

std::string name_without_blanks(std::string name) {
  for (char& ch : name) {
    if (ch == ' ') ch = '_';
  }
  return name;
}

bool is_parallel_port(int16_t port) { return port == kPortLpt1 || port == kPortLpt2; }
bool is_serial_port(int16_t port) { return port >= 1 && port <= 4; }

void fit_parallel_mode(InstrumentDefinition* d) {
  constexpr int32_t kFirstBaudValue = 5;  // parallel modes are 1..4
  if (is_parallel_port(d->port) && d->baud >= kFirstBaudValue) d->baud = 1;
}

void store_serial_entries(const SerialEntries& e, InstrumentDefinition* d) {
  // Typed numbers are clamped into their fields instead of wrapping around.
  auto whole = [](double v, double low, double high) {
    if (!std::isfinite(v)) return low;
    return std::clamp(std::round(v), low, high);
  };
  constexpr double kInt32Max = std::numeric_limits<int32_t>::max();
  constexpr double kInt16Max = std::numeric_limits<int16_t>::max();
  d->baud = static_cast<int32_t>(whole(leading_number(e.baud), 0, kInt32Max));
  d->parity = static_cast<int16_t>(std::clamp(e.parity_index, 0, 2));
  d->stop_bits = static_cast<int16_t>(whole(leading_number(e.stop_bits), 0, kInt16Max));
  d->data_bits = static_cast<int16_t>(whole(leading_number(e.data_bits), 0, kInt16Max));
  d->timeout_ms = static_cast<int32_t>(whole(leading_number(e.timeout_seconds) * 1000.0, 0, kInt32Max));
  d->receive_buffer = static_cast<int32_t>(whole(leading_number(e.receive_buffer), kMinReceiveBuffer, kInt32Max));
  d->hardware_handshake = e.hardware_handshake ? 1 : 0;
}

std::optional<InstrumentDefinition> parse_hand_off(std::string_view bytes, std::string* problem) {
  InstrumentDefinition d;
  Reader r(bytes);
  int16_t ignored = 0;
  bool ok = r.number(&d.reserved0, "reserved") && r.text(&d.name, "name") && r.number(&d.reserved1, "reserved") &&
            r.number(&d.port, "port number") && r.number(&d.reserved2, "reserved") &&
            r.number(&d.baud, "baud rate") && r.number(&d.parity, "parity") &&
            r.number(&d.stop_bits, "stop bits") && r.number(&d.data_bits, "data bits") &&
            r.number(&d.receive_buffer, "receive buffer") &&
            r.number(&d.hardware_handshake, "hardware handshake");
  for (int16_t& v : d.reserved3) ok = ok && r.number(&v, "reserved");
  ok = ok && r.number(&d.timeout_ms, "time-out");
  for (int16_t& v : d.reserved4) ok = ok && r.number(&v, "reserved");
  ok = ok && r.number(&ignored, "reserved") && r.text(&d.usb_address, "USB address") &&
       r.number(&ignored, "reserved");
  if (!ok) {
    if (problem != nullptr) *problem = r.problem();
    return std::nullopt;
  }
  return d;
}

std::string hand_off_bytes(const InstrumentDefinition& d) {
  std::string out;
  put(&out, d.reserved0);
  put_text(&out, d.name);
  put(&out, d.reserved1);
  put(&out, d.port);
  put(&out, d.reserved2);
  put(&out, d.baud);
  put(&out, d.parity);
  put(&out, d.stop_bits);
  put(&out, d.data_bits);
  put(&out, d.receive_buffer);
  put(&out, d.hardware_handshake);
  for (int16_t v : d.reserved3) put(&out, v);
  put(&out, d.timeout_ms);
  for (int16_t v : d.reserved4) put(&out, v);
  put<int16_t>(&out, 0);
  put_text(&out, d.usb_address);
  put<int16_t>(&out, 0);
  return out;
}

}  // namespace setup
