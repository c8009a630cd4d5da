// Port option parsing and the probe that explains an unusable device path. The probe opens the
// path the same way the interface library does (non-blocking, then an exclusive flock), so a
// busy line shows up as busy here too.
#include "port_choice.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "messages.h"
#include "text_codec.h"

namespace corvane_cli {
namespace {

std::string upper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return s;
}

}  // namespace

std::optional<PortChoice> parse_port(const std::string& text) {
  static constexpr char kYalplusPrefix[] = "YALPLUS:";
  const std::string u = upper(text);
  if (u.compare(0, sizeof kYalplusPrefix - 1, kYalplusPrefix) == 0) {
    std::optional<PortChoice> line = parse_port(text.substr(sizeof kYalplusPrefix - 1));
    if (!line || (line->kind != PortChoice::Kind::kSim && line->kind != PortChoice::Kind::kSerial &&
                  line->kind != PortChoice::Kind::kTcp) || line->family != PortChoice::Family::kCorvane) {
      return std::nullopt;
    }
    line->family = PortChoice::Family::kYalplus;
    line->text = text;
    return line;
  }
  PortChoice choice;
  choice.text = text;
  if (u == "SIM") return choice;
  if (!text.empty() && text[0] == '/') {
    choice.kind = PortChoice::Kind::kSerial;
    choice.number = 1;
    choice.device_path = text;
    return choice;
  }
  if (u == "OFFLINE") {
    choice.kind = PortChoice::Kind::kOffline;
    return choice;
  }
  if (u.size() == 4 && u.compare(0, 3, "COM") == 0 && u[3] >= '1' && u[3] <= '6') {
    choice.kind = PortChoice::Kind::kSerial;
    choice.number = u[3] - '0';
    return choice;
  }
  if (u == "LPT1" || u == "LPT2") {
    choice.kind = PortChoice::Kind::kParallel;
    choice.number = u == "LPT1" ? 90 : 91;
    return choice;
  }
  if (u.compare(0, 4, "TCP:") == 0) {
    choice.kind = PortChoice::Kind::kTcp;
    choice.number = 100;
    std::string rest = text.substr(4);
    size_t colon = rest.rfind(':');
    if (colon != std::string::npos) {
      auto p = parse_integer(rest.substr(colon + 1));
      if (!p || *p < 1 || *p > 65535) return std::nullopt;
      choice.tcp_port = static_cast<int32_t>(*p);
      rest = rest.substr(0, colon);
    }
    if (rest.empty()) return std::nullopt;
    choice.host = rest;
    return choice;
  }
  if (u.compare(0, 4, "USB:") == 0 && text.size() > 4) {
    choice.kind = PortChoice::Kind::kUsb;
    choice.number = 200;
    choice.usb_serial = text.substr(4);
    return choice;
  }
  return std::nullopt;
}

std::string port_device_path(const PortChoice& choice) {
  if (!choice.device_path.empty()) return choice.device_path;
  std::string var;
  std::string fallback;
  if (choice.kind == PortChoice::Kind::kSerial) {
    var = "LINKAR32_COM" + std::to_string(choice.number);
    fallback = "/dev/ttyS" + std::to_string(choice.number - 1);
  } else if (choice.kind == PortChoice::Kind::kParallel) {
    var = choice.number == 90 ? "LINKAR32_LPT1" : "LINKAR32_LPT2";
    fallback = choice.number == 90 ? "/dev/parport0" : "/dev/parport1";
  } else {
    return {};
  }
  const char* value = std::getenv(var.c_str());
  return value != nullptr && value[0] != 0 ? value : fallback;
}

std::string diagnose_port(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == EACCES) return tr("no permission to reach {}", path);
    return tr("the device {} does not exist (missing)", path);
  }
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    int e = errno;
    if (e == EACCES || e == EPERM) {
      return tr("no permission to open {} (add the user to the dialout group: sudo usermod -aG dialout $USER, then log in again)", path);
    }
    if (e == EBUSY) return tr("the device {} is in use by another program (busy)", path);
    if (e == ENXIO || e == ENODEV || e == ENOENT) return tr("the device {} does not exist (missing)", path);
    return tr("the device {} cannot be opened: {}", path, std::strerror(e));
  }
  std::string why;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    why = tr("the device {} is in use by another program (busy)", path);
  } else {
    ::flock(fd, LOCK_UN);
  }
  ::close(fd);
  return why;
}

}  // namespace corvane_cli
