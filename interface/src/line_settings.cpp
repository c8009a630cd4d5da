// termios line settings: the baud-rate table, parity and framing, and the extended flow-control
// parameters.
#include "line_settings.h"

#include <array>
#include <utility>

#include "text_format.h"

namespace linkar {
namespace {

constexpr std::array<std::pair<int32_t, speed_t>, 30> kBaudRates{{
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
}};

constexpr std::array<std::pair<int32_t, tcflag_t>, 4> kDataBits{{{5, CS5}, {6, CS6}, {7, CS7}, {8, CS8}}};

// Values each extended field accepts.
bool in_range(int32_t value, int32_t last) { return value >= 0 && value <= last; }

}  // namespace

void make_raw(struct termios& settings) {
  cfmakeraw(&settings);
  settings.c_cflag |= CREAD | CLOCAL;
  settings.c_cc[VMIN] = 1;
  settings.c_cc[VTIME] = 0;
}

bool is_standard_speed(int32_t baud) {
  for (const auto& rate : kBaudRates)
    if (rate.first == baud) return true;
  return false;
}

bool set_line_params(struct termios& settings, const OpenParams& params) {
  if (params.baud <= 0) return false;
  for (const auto& [baud, speed] : kBaudRates) {
    if (baud == params.baud) {
      cfsetispeed(&settings, speed);
      cfsetospeed(&settings, speed);
      // A custom rate set before left its marker in the input speed field, which would keep the
      // receiver at that rate: an empty field makes the input follow the output speed.
      settings.c_cflag &= ~static_cast<tcflag_t>(CIBAUD);
    }
  }
  bool ok = false;
  for (const auto& [bits, flag] : kDataBits) {
    if (bits == params.data_bits) {
      settings.c_cflag = (settings.c_cflag & ~CSIZE) | flag;
      ok = true;
    }
  }
  if (!ok) return false;
  switch (params.parity ? params.parity[0] : '\0') {
    case 'n': settings.c_cflag &= ~(PARENB | PARODD); settings.c_iflag &= ~INPCK; break;
    case 'o': settings.c_cflag |= PARENB | PARODD; settings.c_iflag |= INPCK; break;
    case 'e': settings.c_cflag = (settings.c_cflag | PARENB) & ~PARODD; settings.c_iflag |= INPCK; break;
    default: break;
  }
  if (params.stop_bits == 1) settings.c_cflag &= ~CSTOPB;
  if (params.stop_bits == 2) settings.c_cflag |= CSTOPB;
  return true;
}

void ExtendedComPars::store(const QbxExtComPars& g) {
  QbxExtComPars& v = values_;
  if (in_range(g.out_cts_flow, 1)) v.out_cts_flow = g.out_cts_flow;
  if (in_range(g.out_dsr_flow, 1)) v.out_dsr_flow = g.out_dsr_flow;
  if (in_range(g.dtr_control, 2)) v.dtr_control = g.dtr_control;
  if (in_range(g.dsr_sensitivity, 1)) v.dsr_sensitivity = g.dsr_sensitivity;
  if (in_range(g.rts_control, 3)) v.rts_control = g.rts_control;
  if (in_range(g.xon_xoff_out, 1)) v.xon_xoff_out = g.xon_xoff_out;
  if (in_range(g.xon_xoff_in, 1)) v.xon_xoff_in = g.xon_xoff_in;
  if (in_range(g.abort_on_error, 1)) v.abort_on_error = g.abort_on_error;
  v.xon_char = g.xon_char;
  v.xoff_char = g.xoff_char;
  if (g.xon_limit == 1) v.xon_limit = g.xon_limit;
  if (g.xoff_limit == 1) v.xoff_limit = g.xoff_limit;
  given_ = true;
}

bool ExtendedComPars::apply(struct termios& settings, std::string* reason) const {
  const QbxExtComPars& v = values_;
  // Linux has one hardware handshake (RTS/CTS both ways) and no DSR-based flow control.
  if (v.out_dsr_flow || v.dsr_sensitivity) {
    *reason = "DSR flow control is not available on this system";
    return false;
  }
  if (v.dtr_control == 2) {
    *reason = "DTR handshake is not available on this system";
    return false;
  }
  if (v.rts_control == 3) {
    *reason = "RTS toggle is not available on this system";
    return false;
  }
  if (v.out_cts_flow || v.rts_control == 2) {
    settings.c_cflag |= CRTSCTS;
  } else {
    settings.c_cflag &= ~CRTSCTS;
  }
  settings.c_iflag = v.xon_xoff_out ? (settings.c_iflag | IXON) : (settings.c_iflag & ~IXON);
  settings.c_iflag = v.xon_xoff_in ? (settings.c_iflag | IXOFF) : (settings.c_iflag & ~IXOFF);
  settings.c_cc[VSTART] = static_cast<cc_t>(v.xon_char);
  settings.c_cc[VSTOP] = static_cast<cc_t>(v.xoff_char);
  // The XON/XOFF limits and abort-on-error have no termios equivalent: the kernel keeps its own
  // thresholds, and reads here always clear and report line errors.
  return true;
}

std::vector<std::string> ExtendedComPars::log_lines() const {
  const QbxExtComPars& v = values_;
  // Linux keeps transmitting after it has sent XOFF itself, which is continue-on-XOFF on.
  constexpr int kTxContinueOnXoff = 1;
  return {
      "Configured extended RS232 port parameters:\r\n",
      strprintf("fOutxCtsFlow: %i\r\n", v.out_cts_flow),
      strprintf("fOutxDsrFlow: %i\r\n", v.out_dsr_flow),
      strprintf("fDtrControl: %i\r\n", v.dtr_control),
      strprintf("fRtsControl: %i\r\n", v.rts_control),
      strprintf("fDsrSensitivity: %i\r\n", v.dsr_sensitivity),
      strprintf("fTXContinueOnXoff: %i\r\n", kTxContinueOnXoff),
      strprintf("fAbortOnError: %i\r\n", v.abort_on_error),
      strprintf("fOutX: %i\r\n", v.xon_xoff_out),
      strprintf("fInX: %i\r\n", v.xon_xoff_in),
      strprintf("XonLim: %i Byte\r\n", v.xon_limit),
      strprintf("XoffLim: %i Byte\r\n", v.xoff_limit),
      strprintf("XonChar: %X\r\n", static_cast<unsigned>(static_cast<unsigned char>(v.xon_char))),
      strprintf("XoffChar: %X\r\n", static_cast<unsigned>(static_cast<unsigned char>(v.xoff_char))),
  };
}

}  // namespace linkar
