// The simulator backend of the USB pipes, chosen with LINKAR32_USB_BACKEND=sim: the device simulator
// (corvane-sim --usb PATH, or corvane_sim::UsbServer in a test) listens on the Unix stream socket
// named by LINKAR32_USB_SIM and plays one or more Corvanes attached by USB.
//
// Protocol. Every request is a connection of its own that starts with one text line ending in LF:
// - "LIST\n": the simulator answers one line "<serial>\t<path>\n" per device, then an empty line, and
//   closes the connection. serial is the device's serial-number text (its name), path what OPEN takes.
// - "OPEN <path> <pipe>\n" with pipe 0 (the read pipe: bytes from the device) or 1 (the write pipe:
//   bytes to the device): the simulator answers "OK\n" and from then on the connection is that pipe's
//   byte stream in its one direction; or "NO\n" (unknown path or pipe) and closes it. A newer OPEN of
//   the same pipe replaces the older connection. Closing the connection closes the pipe.
// The library waits kUsbSimHandshakeMs for each answer; a simulator that cannot be reached makes the
// scan and the open give kQbxUsbNoSetupApi, as a missing device-setup interface does.
#pragma once

namespace linkar {

constexpr char kUsbBackendVariable[] = "LINKAR32_USB_BACKEND";
constexpr char kUsbBackendSim[] = "sim";
constexpr char kUsbSimSocketVariable[] = "LINKAR32_USB_SIM";
constexpr int kUsbSimHandshakeMs = 2000;

}  // namespace linkar
