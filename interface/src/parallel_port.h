// Parallel ports LPT1 (90) and LPT2 (91), driven through one of the outside drivers: PARLINK when
// the open parameter is 95, PORTIX32 otherwise (the parameter is its IEEE 1284 mode). PORTIX32
// also powers the amplifier: opening the port wakes it, closing lets it sleep.
#pragma once

#include <cstdint>
#include <memory>

#include "parallel_drivers.h"
#include "port.h"

namespace linkar {

// The open parameter that selects PARLINK.
constexpr int32_t kParlinkParameter = 95;

class ParallelPort : public Port {
 public:
  // Opens port (90 or 91) with parameter through the driver it selects. *port_out gets the port
  // even when the driver's open failed (the table keeps it, and a wake-up may open it later);
  // it stays null when the driver library cannot be loaded. Returns the driver's result (0 for
  // PARLINK), or kQbxOpenFailed when the driver is missing. Logs the open.
  static int32_t open(int32_t port, int32_t parameter, int32_t timeout_ms, const LogTarget& log,
                      std::unique_ptr<Port>* port_out);

  // Closes the line in its driver unless a close did already.
  ~ParallelPort() override;

  int handle() const override { return 0; }
  int32_t read(char* buffer, int32_t count, int32_t* bytes_read, int32_t terminator, int32_t timeout_ms,
               const LogTarget& log) override;
  int32_t write(const char* data, size_t length, int32_t timeout_ms, const LogTarget& log) override;
  // Binary writes are not possible: the drivers take zero-terminated texts.
  int32_t write_count(const char*, size_t, int32_t, const LogTarget&) override;
  int32_t close(int32_t timeout_ms, const LogTarget& log) override;
  // Opens the port again in the driver the parameter (params.baud) selects and returns the driver's
  // result; kQbxOpenFailed (port unchanged) when that driver is missing.
  int32_t reopen(const OpenParams& params, int32_t timeout_ms, const LogTarget& log) override;
  bool wakes_interpreter() const override { return parlink_; }
  void selected() override;
  void timeout_changed(int32_t milliseconds) override;

  // Power handling (QBX_Corvane_WakeUp / QBX_Corvane_Sleep). A PARLINK port is always awake: the
  // link driver holds the port, and a second open through PORTIX32 would contend with it.
  int32_t wake_up() override;
  int32_t sleep() override;

 private:
  ParallelPort(int32_t number, const ParallelDriver& driver, bool parlink, int32_t parameter);
  // Opens the line in the driver and sets its time-out; returns the driver's result.
  int32_t open_line(int32_t timeout_ms);
  // PORTIX32 acts on its selected port; this makes it ours before a read, write or close.
  void select_line();

  int32_t number_;  // 90 or 91
  int32_t line_;    // 1 or 2
  const ParallelDriver* driver_;
  bool parlink_;
  int32_t parameter_;  // PORTIX32 reads the mode through its address
  bool awake_ = false;
  bool open_ = false;  // opened in the driver and not closed since
};

}  // namespace linkar
