// Parallel ports through PORTIX32 or PARLINK: open and re-open, reads with and without terminator,
// text writes, close, and the power handling of PORTIX32 ports.
#include "parallel_port.h"

#include <algorithm>
#include <string>

#include "linkar32.h"
#include "port_numbers.h"
#include "text_format.h"

namespace linkar {
namespace {

// Longest part of a received text the log shows.
constexpr int kLoggedText = 200;

int32_t line_of(int32_t port) {
  return port == kQbxPortLpt1 ? 1 : 2;
}

const ParallelDriver* driver_for(int32_t parameter) {
  return parameter == kParlinkParameter ? parlink_driver() : portix32_driver();
}

}  // namespace

ParallelPort::ParallelPort(int32_t number, const ParallelDriver& driver, bool parlink, int32_t parameter)
    : number_(number), line_(line_of(number)), driver_(&driver), parlink_(parlink), parameter_(parameter) {}

int32_t ParallelPort::open(int32_t port, int32_t parameter, int32_t timeout_ms, const LogTarget& log,
                           std::unique_ptr<Port>* port_out) {
  port_out->reset();
  const std::string name = display_name(port);
  const ParallelDriver* driver = driver_for(parameter);
  if (!driver) {
    note(log, strprintf("Failed opening parallel port: %s Error %i\r\n", name.c_str(), kQbxOpenFailed));
    return kQbxOpenFailed;
  }
  std::unique_ptr<ParallelPort> opened(
      new ParallelPort(port, *driver, parameter == kParlinkParameter, parameter));
  int32_t status = opened->open_line(timeout_ms);
  if (status == kQbxOk)
    note(log, strprintf("Successfully opened parallel port: %s\r\n", name.c_str()));
  else
    note(log, strprintf("Failed opening parallel port: %s Error %i\r\n", name.c_str(), status));
  *port_out = std::move(opened);
  return status;
}

ParallelPort::~ParallelPort() {
  // An entry dropped without a close (the table reset after a failed close) still lets its line go.
  if (open_) close(0, LogTarget{true, 0, true});
}

int32_t ParallelPort::open_line(int32_t timeout_ms) {
  driver_->set_timeout(timeout_ms);
  int32_t status = driver_->open(line_, &parameter_);
  open_ = true;
  // PARLINK's open result is not used: the link counts as open, and its reads report a missing line.
  if (parlink_) return kQbxOk;
  // Only a line the driver opened is awake: a wake-up must try again after a failed open.
  awake_ = status == kQbxOk;
  return status;
}

void ParallelPort::select_line() {
  if (driver_->select) driver_->select(line_);
}

int32_t ParallelPort::read(char* buffer, int32_t count, int32_t* bytes_read, int32_t terminator,
                           int32_t timeout_ms, const LogTarget& log) {
  select_line();
  driver_->set_timeout(timeout_ms);
  int32_t status = 0;
  int32_t got = 0;
  driver_->read(buffer, count, &status, &got, terminator);
  // The count comes from outside code: never let it point past the caller's buffer.
  got = std::clamp(got, 0, count);
  *bytes_read = got;
  if (terminator) buffer[got] = '\0';
  if (status != 0) {
    note(log, strprintf("Error reading parallel port: %i\r\n", status));
    return kQbxReadFailed;
  }
  if (terminator)
    note(log, strprintf("Received terminated %i Bytes %.*s\r\n", got, kLoggedText, buffer));
  else
    note(log, strprintf("Requested %i Bytes - received unterminated %i Bytes\r\n", count, got));
  return kQbxOk;
}

int32_t ParallelPort::write(const char* data, size_t length, int32_t timeout_ms, const LogTarget& log) {
  const std::string text(data, length);  // the drivers take a zero-terminated text
  select_line();
  driver_->set_timeout(timeout_ms);
  if (driver_->write(text.c_str()) < 0) return kQbxWriteFailed;
  note(log, strprintf("Sent: %s\r\n", text.c_str()));
  return kQbxOk;
}

int32_t ParallelPort::write_count(const char*, size_t, int32_t, const LogTarget&) {
  return kQbxWriteFailed;
}

int32_t ParallelPort::close(int32_t, const LogTarget&) {
  select_line();
  // A port that a sleep already closed reports that it is not open; the close still succeeds.
  driver_->close();
  awake_ = false;
  open_ = false;
  return kQbxOk;
}

int32_t ParallelPort::reopen(const OpenParams& params, int32_t timeout_ms, const LogTarget& log) {
  const int32_t parameter = params.baud;
  const std::string name = display_name(number_);
  const ParallelDriver* driver = driver_for(parameter);
  if (!driver) {
    note(log, strprintf("Failed re-opening parallel port: %s Error %i\r\n", name.c_str(), kQbxOpenFailed));
    return kQbxOpenFailed;
  }
  if (driver != driver_) {
    // The port moves to the other driver: the one that held it lets it go first.
    close(0, log);
    driver_ = driver;
  }
  parlink_ = parameter == kParlinkParameter;
  parameter_ = parameter;
  int32_t status = open_line(timeout_ms);
  if (status == kQbxOk)
    note(log, strprintf("Successfully re-opened parallel port: %s\r\n", name.c_str()));
  else
    note(log, strprintf("Failed re-opening parallel port: %s Error %i\r\n", name.c_str(), status));
  return status;
}

void ParallelPort::selected() {
  select_line();
}

void ParallelPort::timeout_changed(int32_t milliseconds) {
  driver_->set_timeout(milliseconds);
}

int32_t ParallelPort::wake_up() {
  if (awake_ || parlink_) return kQbxOk;
  const int32_t status = driver_->open(line_, &parameter_);
  awake_ = status == kQbxOk;
  open_ = awake_;
  return status;
}

int32_t ParallelPort::sleep() {
  if (parlink_) return kQbxOk;
  select_line();
  driver_->close();
  awake_ = false;
  open_ = false;
  return kQbxOk;
}

}  // namespace linkar
