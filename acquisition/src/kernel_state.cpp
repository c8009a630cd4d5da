// The kernel's static state and the compile-time checks of the records a plug-in shares with it:
// a plug-in compiled from tallix32_plugin.h must see every field at the offset the kernel uses.
#include "kernel_state.h"

#include <cstddef>

namespace tallix {

static_assert(sizeof(AcqHdr) == 76);
static_assert(offsetof(AcqHdr, device_type) == 0);
static_assert(offsetof(AcqHdr, device_address) == 2);
static_assert(offsetof(AcqHdr, interface) == 4);
static_assert(offsetof(AcqHdr, acq_class) == 6);
static_assert(offsetof(AcqHdr, hardware_channel) == 8);
static_assert(offsetof(AcqHdr, sub_channel) == 10);
static_assert(offsetof(AcqHdr, signal_kind) == 12);
static_assert(offsetof(AcqHdr, dio_port) == 14);
static_assert(offsetof(AcqHdr, dio_bit) == 16);
static_assert(offsetof(AcqHdr, time_kind) == 18);
static_assert(offsetof(AcqHdr, reserved_20) == 20);
static_assert(offsetof(AcqHdr, list_position) == 24);
static_assert(offsetof(AcqHdr, format_word) == 26);
static_assert(offsetof(AcqHdr, full_scale) == 28);
static_assert(offsetof(AcqHdr, range) == 32);
static_assert(offsetof(AcqHdr, unit) == 36);
static_assert(offsetof(AcqHdr, sensor_type) == 44);
static_assert(offsetof(AcqHdr, sort_index) == 46);
static_assert(offsetof(AcqHdr, read_block_count) == 48);
static_assert(offsetof(AcqHdr, storage_mode) == 52);
static_assert(offsetof(AcqHdr, reserved_54) == 54);
static_assert(offsetof(AcqHdr, reserved_56) == 56);
static_assert(offsetof(AcqHdr, time_interval) == 60);
static_assert(offsetof(AcqHdr, device_number) == 64);
static_assert(offsetof(AcqHdr, reserved_66) == 66);
static_assert(offsetof(AcqHdr, zero_offset) == 68);
static_assert(offsetof(AcqHdr, fifo) == 72);
static_assert(offsetof(AcqHdr, reserved_74) == 74);

static_assert(sizeof(void*) == 8, "the plug-in layouts are fixed for 64-bit pointers");
static_assert(offsetof(IOBuf, tag) == 0);
static_assert(offsetof(IOBuf, values) == 2);
static_assert(offsetof(IOBuf, capacity) == 10);
static_assert(offsetof(IOBuf, current_length) == 14);
static_assert(offsetof(IOBuf, block_start) == 18);
static_assert(offsetof(IOBuf, write_offset) == 22);
static_assert(offsetof(IOBuf, status) == 26);
static_assert(offsetof(IOBuf, ring) == 28);
static_assert(offsetof(IOBuf, oldest) == 36);
static_assert(offsetof(IOBuf, total) == 40);
static_assert(offsetof(IOBuf, ring_capacity) == 44);
static_assert(offsetof(IOBuf, ring_write_pos) == 48);
static_assert(offsetof(IOBuf, ring_allocated) == 52);
static_assert(offsetof(IOBuf, ring_wrapped) == 53);
static_assert(sizeof(IOBuf) == 54);

static_assert(offsetof(DeviceRecord, has_channels) == 0);
static_assert(offsetof(DeviceRecord, fifo_in_use) == 4);
static_assert(offsetof(DeviceRecord, device_type) == 20);
static_assert(offsetof(DeviceRecord, port) == 24);
static_assert(offsetof(DeviceRecord, address) == 28);
static_assert(offsetof(DeviceRecord, measured_channel_count) == 32);
static_assert(offsetof(DeviceRecord, fifo_read_done) == 36);
static_assert(offsetof(DeviceRecord, fifo_rate_matches) == 52);
static_assert(offsetof(DeviceRecord, fifo_length_accumulator) == 68);
static_assert(offsetof(DeviceRecord, start_role) == 84);
static_assert(offsetof(DeviceRecord, time_flags) == 88);
static_assert(offsetof(DeviceRecord, time_channels) == 100);
static_assert(offsetof(DeviceRecord, fifo_buffer_limit) == 112);
static_assert(offsetof(DeviceRecord, block_mode) == 124);
static_assert(offsetof(DeviceRecord, fifo_rate) == 128);
static_assert(offsetof(DeviceRecord, fifo_channel_count) == 152);
static_assert(offsetof(DeviceRecord, fifo_reference_channel) == 160);
static_assert(offsetof(DeviceRecord, fifo_list) == 168);
static_assert(offsetof(DeviceRecord, sample_width) == 2216);
static_assert(offsetof(DeviceRecord, skip_fifo) == 2228);
static_assert(offsetof(DeviceRecord, config_unchanged) == 2236);
static_assert(offsetof(DeviceRecord, config_signature) == 2238);
static_assert(offsetof(DeviceRecord, status_words) == 2254);
static_assert(offsetof(DeviceRecord, last_error) == 2278);
static_assert(offsetof(DeviceRecord, plugin_named) == 2282);
static_assert(offsetof(DeviceRecord, plugin_file) == 2286);
static_assert(offsetof(DeviceRecord, plugin_entry) == 2542);
static_assert(offsetof(DeviceRecord, plugin_loaded) == 2606);
static_assert(offsetof(DeviceRecord, plugin_handle) == 2610);
static_assert(sizeof(DeviceRecord) == 2618);

KernelState& kernel() {
  static KernelState state{};
  return state;
}

void notify(int32_t code, int32_t value) {
  if (AcqMsgCallback callback = kernel().message_callback) callback(code, value);
}

}  // namespace tallix
