// The driver's operations: one function per export, doing what the export promises. The exports
// are thin shells over these (argument checks, the catch-all, the last device status), and every
// part of the driver that needs another operation calls it here, never through an export, so that
// a nested operation leaves the outer export's last device status alone. Operations that exchange
// commands with the amplifier read the replies into the Reply they are handed and pass it on to
// the operations they call. Pointer arguments are checked by the exports, not here.
#pragma once

#include <cstdint>

#include "connection.h"

namespace corvan {

// ---- Connection (port.cpp) ----

// CV_OpenPort: the line-speed switch on COM1/COM2, then the open at the new speed.
int32_t open_port(int32_t port, int32_t baud, const char* parity, int32_t data_bits, int32_t stop_bits,
                  int32_t receive_buffer, Reply& reply);
int32_t close_port();
int32_t write_port(const char* text);
int32_t read_port(int32_t count, int32_t terminator, int32_t* status, char* buffer, int32_t* bytes_read);
int32_t get_version(char* text);

// ---- Device (device.cpp) ----

// CV_OpenDevice, CV_CloseDevice, CV_InitAll.
int32_t open_device(int32_t mode, int32_t* channels, Reply& reply);
int32_t close_device();
int32_t init_all(int32_t port, int32_t baud, Reply& reply);

// ---- Settings in memory (chan_settings.cpp, dev_settings.cpp) ----

int32_t get_chan_settings(int32_t channel, int32_t selector, void* out);
// A transducer change reloads the channel's tare value from the device (result ignored).
int32_t set_chan_settings(int32_t channel, int32_t selector, const void* in, Reply& reply);
int32_t possible_chan_settings(int32_t channel, int32_t all_units, int32_t selector, void* out);
int32_t get_dev_settings(int32_t selector, void* out);
int32_t set_dev_settings(int32_t selector, const void* in);
int32_t possible_dev_settings(int32_t selector, void* out);
int32_t system_settings(int32_t position, int32_t selector, char* out);

// ---- Settings transfer (dev_transfer.cpp, chan_transfer.cpp) ----

int32_t load_dev_settings(int32_t selectors, Reply& reply);
int32_t save_dev_settings(int32_t selectors, Reply& reply);
int32_t load_chan_settings(int32_t channel, int32_t selectors, Reply& reply);
int32_t save_chan_settings(int32_t channel, int32_t selectors, Reply& reply);

// ---- Tare and measurement (tare.cpp, acquisition.cpp, acquisition_shunt.cpp) ----

// CV_TareSetup, CV_ACQSetup: the tare or measure bit of the listed channels' states, sent.
int32_t tare_setup(int32_t count, const int32_t* channels, Reply& reply);
int32_t acq_setup(int32_t count, const int32_t* channels, Reply& reply);
int32_t do_tare();
// CV_MeasOneVal: one reading of every measuring channel ("OMB?0") into its last measured value
// (digital I/O channels: their digital value). Offline: 0, nothing changes. Returns 0,
// kCvNoActiveChannel, or the status of the failed exchange.
int32_t measure_once();
// CV_ACQStart. A rate other than -1 is stored and sent; its status goes to *rate_status and is
// not checked (the start goes on).
int32_t acq_start(int32_t scans, int32_t rate, int32_t trigger_mode, int32_t trigger_channel,
                  float trigger_level, int32_t trigger_condition, int32_t pre_trigger, Reply& reply,
                  int32_t* rate_status);
int32_t acq_read(int32_t scans, int32_t timeout_ms, float* values, Reply& reply);
int32_t acq_stop(Reply& reply);
int32_t trigger(Reply& reply);
int32_t shunt_calibration(int32_t count, const int32_t* channels, Reply& reply);

}  // namespace corvan
