// The part of libusb-1.0's binary interface that the USB backend uses, declared here because the
// library is loaded at run time (dlopen "libusb-1.0.so.0") and its development headers are not needed
// to build. The records follow the USB descriptor layouts that libusb-1.0 hands out (stable since its
// first release): device descriptor 18 bytes; configuration, interface and endpoint descriptors with
// the pointers libusb adds after the standard fields. Only fields up to the ones read are relied on,
// but every field is declared so that the offsets match.
#pragma once

#include <cstddef>
#include <cstdint>

namespace linkar::libusb {

struct Context;       // libusb_context (opaque)
struct Device;        // libusb_device (opaque)
struct DeviceHandle;  // libusb_device_handle (opaque)

struct DeviceDescriptor {
  uint8_t bLength;
  uint8_t bDescriptorType;
  uint16_t bcdUSB;
  uint8_t bDeviceClass;
  uint8_t bDeviceSubClass;
  uint8_t bDeviceProtocol;
  uint8_t bMaxPacketSize0;
  uint16_t idVendor;
  uint16_t idProduct;
  uint16_t bcdDevice;
  uint8_t iManufacturer;
  uint8_t iProduct;
  uint8_t iSerialNumber;
  uint8_t bNumConfigurations;
};
static_assert(sizeof(DeviceDescriptor) == 18, "USB device descriptor layout");

struct EndpointDescriptor {
  uint8_t bLength;
  uint8_t bDescriptorType;
  uint8_t bEndpointAddress;  // bit 7: direction IN
  uint8_t bmAttributes;      // bits 0..1: transfer type
  uint16_t wMaxPacketSize;
  uint8_t bInterval;
  uint8_t bRefresh;
  uint8_t bSynchAddress;
  const unsigned char* extra;
  int extra_length;
};

struct InterfaceDescriptor {
  uint8_t bLength;
  uint8_t bDescriptorType;
  uint8_t bInterfaceNumber;
  uint8_t bAlternateSetting;
  uint8_t bNumEndpoints;
  uint8_t bInterfaceClass;
  uint8_t bInterfaceSubClass;
  uint8_t bInterfaceProtocol;
  uint8_t iInterface;
  const EndpointDescriptor* endpoint;
  const unsigned char* extra;
  int extra_length;
};

struct Interface {
  const InterfaceDescriptor* altsetting;
  int num_altsetting;
};

struct ConfigDescriptor {
  uint8_t bLength;
  uint8_t bDescriptorType;
  uint16_t wTotalLength;
  uint8_t bNumInterfaces;
  uint8_t bConfigurationValue;
  uint8_t iConfiguration;
  uint8_t bmAttributes;
  uint8_t MaxPower;
  const Interface* interface;
  const unsigned char* extra;
  int extra_length;
};

// Endpoint address and attribute bits, and the status codes the backend tells apart.
constexpr uint8_t kEndpointIn = 0x80;
constexpr uint8_t kTransferTypeMask = 0x03;
constexpr uint8_t kTransferTypeBulk = 0x02;
constexpr int kSuccess = 0;
constexpr int kErrorTimeout = -7;

// The functions, by the names dlsym looks up (all with the C calling convention of the platform).
using InitFn = int (*)(Context** context);
using ExitFn = void (*)(Context* context);
using GetDeviceListFn = ptrdiff_t (*)(Context* context, Device*** list);
using FreeDeviceListFn = void (*)(Device** list, int unref_devices);
using GetDeviceDescriptorFn = int (*)(Device* device, DeviceDescriptor* descriptor);
using GetBusNumberFn = uint8_t (*)(Device* device);
using GetDeviceAddressFn = uint8_t (*)(Device* device);
using OpenFn = int (*)(Device* device, DeviceHandle** handle);
using CloseFn = void (*)(DeviceHandle* handle);
using GetStringDescriptorAsciiFn = int (*)(DeviceHandle* handle, uint8_t index, unsigned char* data,
                                           int length);
using GetActiveConfigDescriptorFn = int (*)(Device* device, ConfigDescriptor** config);
using FreeConfigDescriptorFn = void (*)(ConfigDescriptor* config);
using ClaimInterfaceFn = int (*)(DeviceHandle* handle, int interface_number);
using ReleaseInterfaceFn = int (*)(DeviceHandle* handle, int interface_number);
using BulkTransferFn = int (*)(DeviceHandle* handle, unsigned char endpoint, unsigned char* data, int length,
                               int* transferred, unsigned int timeout_ms);

}  // namespace linkar::libusb
