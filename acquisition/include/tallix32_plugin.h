/*
 * TALLIX32 plug-in driver interface: the kernel's three tables as a plug-in driver library sees them,
 * and the eight entry points such a library exports.
 *
 * A host names a plug-in driver for a device with QBX_ACQSetDeviceDriverInfo (device, file). The
 * first QBX_ACQInitDevice of that device loads the file with dlopen (searched as dlopen searches: a
 * name with a slash is a path, else LD_LIBRARY_PATH, the run path and the system folders), looks up
 * the eight entry points below with dlsym in the order listed, and calls ACQInitDriverLib once with
 * the addresses of the kernel's device table, channel header table and IO buffer table. The plug-in
 * then reads channel headers and writes IO buffers in place through those addresses for the life of
 * the process (the library is never unloaded). Every entry point returns an int32_t status: 0 or a
 * positive count for success, negative for an error; the kernel passes it up unchanged.
 *
 * Layout: every record is packed (no padding); pointer fields are 8 bytes on 64-bit Linux, which
 * is the platform these layouts are fixed for (the offsets below are checked at compile time by the
 * kernel). All numbers are in the machine's byte order (little-endian).
 */
#ifndef TALLIX32_PLUGIN_H
#define TALLIX32_PLUGIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
  kAcqMaxDevices = 64,     /* device numbers 0..63 */
  kAcqMaxChannels = 10000, /* channel numbers 1..10000; index 0 of the channel tables is unused */
  kAcqFifoCount = 4,       /* data streams (FIFOs) 0..3 of a device */
  kAcqFifoListSize = 256,  /* channels per FIFO list */
  kAcqPathSize = 256       /* file names: at most 255 characters and the terminator */
};

#pragma pack(push, 1)

/* One device of the kernel's device table (64 records, index = device number). */
typedef struct DeviceRecord {
  int32_t has_channels;                   /* 1 at start when a measured channel belongs to the device */
  int32_t fifo_in_use[4];                 /* 1 at start for each FIFO with a measured channel */
  int32_t device_type;                    /* family code */
  int32_t port;                           /* interface library port number */
  int32_t address;                        /* device address on that port */
  int32_t measured_channel_count;         /* counted at start */
  int32_t fifo_read_done[4];              /* set when a block of the FIFO was read */
  int32_t fifo_rate_matches[4];           /* the FIFO's rate equals the kernel sample rate */
  float fifo_length_accumulator[4];       /* fractional block length of a slower FIFO */
  int32_t start_role;                     /* role 2 starts in the first start pass */
  int32_t time_flags[3];                  /* device type 2000: hardware channels 17, 18, 19 present */
  int32_t time_channels[3];               /* device type 2000: their channel numbers */
  int32_t fifo_buffer_limit[3];           /* device type 2000: 76800 at start */
  int32_t block_mode;                     /* QBX_ACQSetDeviceInfo's block mode flag */
  float fifo_rate[6];                     /* per-FIFO sample rate in Hz; the first four are used */
  int16_t fifo_channel_count[4];          /* measured channels per FIFO, counted at start */
  int16_t fifo_reference_channel[4];      /* last channel added to each FIFO's list */
  int16_t fifo_list[4][256];              /* channel numbers per FIFO, ascending sort key */
  int16_t sample_width[6];                /* bytes per sample per FIFO: 2 or 4 */
  int16_t skip_fifo[4];                   /* QBX_ACQSetSkipFiFo */
  int16_t config_unchanged;               /* 1: configuration signature equals the stored one */
  int32_t config_signature[4];            /* sums over the measured channels, see tallix32.h */
  int32_t status_words[6];                /* QBX_ACQGetDeviceStatus items 1..6 */
  int32_t last_error;                     /* QBX_ACQGetDeviceStatus item 0 */
  int32_t plugin_named;                   /* 1 after QBX_ACQSetDeviceDriverInfo */
  char plugin_file[256];                  /* plug-in library file name */
  void* plugin_entry[8];                  /* the eight entry points in the order of kAcqPluginEntryNames */
  int32_t plugin_loaded;                  /* 1 once all eight entry points were found */
  void* plugin_handle;                    /* dlopen handle */
} DeviceRecord;

/* One channel header (76 bytes; the record QBX_ACQSetAcqHdr and QBX_ACQGetAcqHdr copy whole). */
typedef struct AcqHdr {
  int16_t device_type;       /* family code; -1 by default */
  int16_t device_address;    /* -1 by default */
  int16_t interface;         /* port number; 1 by default */
  int16_t acq_class;         /* 0 measured, 1 formula, 2 time channel */
  int16_t hardware_channel;  /* channel number on the device */
  int16_t sub_channel;       /* second sort key */
  int16_t signal_kind;       /* 5 digital out, 6 digital in, 7 analog out, 8 measured input */
  int16_t dio_port;          /* port of a digital or analog output/input */
  int16_t dio_bit;           /* bit of that port; a time channel's reference channel */
  int16_t time_kind;         /* time channel: 0, 1, 2, or 3 + device number */
  int16_t reserved_20[2];    /* not interpreted by the kernel */
  int16_t list_position;     /* index in the channel list of the last start */
  int16_t format_word;       /* not interpreted by the kernel; 4 by default */
  int32_t full_scale;        /* raw count that equals the measuring range */
  float range;               /* physical value at the full-scale count */
  char unit[8];              /* zero-terminated unit text */
  int16_t sensor_type;       /* thermo linearisation code */
  int16_t sort_index;        /* third sort key; 13 by default */
  int32_t read_block_count;  /* number of values of the channel's last block */
  int16_t storage_mode;      /* 1 database, 2 online file, 3 both, 0 none */
  int16_t reserved_54;
  int32_t reserved_56;
  float time_interval;       /* seconds per value of a time channel of time kind 0 */
  int16_t device_number;     /* index into the device table */
  int16_t reserved_66;
  float zero_offset;         /* added after range scaling */
  int16_t fifo;              /* data stream 0..3; 4 = streams 0 and 1 */
  int16_t reserved_74;
} AcqHdr;

/* One channel's IO buffer and circular buffer (zero at load). The kernel owns both arrays: a
 * plug-in writes values into them and sets the lengths, but never allocates or frees them. */
typedef struct IOBuf {
  int16_t tag;               /* QBX_ACQAllocIOBuf's tag; not interpreted */
  double* values;            /* capacity doubles, or NULL */
  int32_t capacity;
  int32_t current_length;    /* valid values, 0..capacity */
  int32_t block_start;       /* first value of the current block */
  int32_t write_offset;      /* where family read code places a new block */
  int16_t status;            /* 16 when the block's last raw sample was an overflow code */
  double* ring;              /* ring_capacity doubles, or NULL */
  uint32_t oldest;           /* running number of the oldest value in the ring */
  uint32_t total;            /* values ever put into the ring since allocation or reset */
  int32_t ring_capacity;
  int32_t ring_write_pos;    /* ring index of the next value */
  uint8_t ring_allocated;
  uint8_t ring_wrapped;      /* 1 once the ring has wrapped */
} IOBuf;

#pragma pack(pop)

/* The entry points, exported by the plug-in under exactly these names (C linkage).
 * devices: the 64 device records; headers and buffers: 10001 records each (index = channel). */
typedef int32_t (*AcqInitDriverLibFn)(DeviceRecord* devices, AcqHdr* headers, IOBuf* buffers);
/* Device set-up, called by QBX_ACQInitDevice after the device's port and address are selected. */
typedef int32_t (*AcqInitDeviceFn)(int32_t device, int32_t address);
/* Channel set-up, called by QBX_ACQInitChan for each listed measured channel of the device. */
typedef int32_t (*AcqInitChanFn)(int32_t channel);
/* Start of a multi-scan: the device number and the start's channel list (32-bit numbers). */
typedef int32_t (*AcqStartFn)(int32_t device, int32_t count, const int32_t* channels);
/* Read of one block: the device number, the channel list, the requested block length (in: asked,
 * out: delivered; -1 when nothing was delivered) and the read mode (-1.0: whatever is there). The
 * plug-in writes each channel's values at its IO buffer's write offset and sets its current length
 * and the header's read block count. */
typedef int32_t (*AcqReadFn)(int32_t device, int32_t count, const int32_t* channels, int32_t* length,
                             double read_mode);
/* Stop of the multi-scan. */
typedef int32_t (*AcqStopFn)(void);
/* A channel command of QBX_ACQCmd: the device number and the caller's arguments unchanged. */
typedef int32_t (*AcqCmdFn)(int32_t device, int32_t count, const int16_t* channels, int32_t code, void* value);
/* QBX_ACQDeviceControl for a device of type 0. */
typedef int32_t (*AcqDeviceControlFn)(int32_t code, int32_t argument1, int32_t argument2);

#ifdef __cplusplus
}
#endif

#endif /* TALLIX32_PLUGIN_H */
