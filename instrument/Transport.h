#pragma once

// The byte link to an instrument and its backends: POSIX serial ports (FTDI
// bridges found through sysfs, or a named path such as a pseudo-terminal),
// FTDI chips through libftdi1 (Linux) or FTDI's D2XX library (Windows), COM
// ports on Windows, and devices simulated in this process. The framed
// exchanges over a link are Port.h.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Transport;

// A device simulated in this process: it opens its own link.
class ISimulatedDevice {
  public:
    virtual ~ISimulatedDevice() = default;
    // A new link to the device, or nullptr.
    virtual std::unique_ptr<Transport> OpenLink() = 0;
};

enum class PortBackend : uint8_t { Serial, Ftdi, D2xx, Simulated };

// One attached device, as the device list shows it.
struct DeviceNode {
    uint32_t flags = 0;
    uint32_t type = 0;
    uint32_t id = 0;    // USB vendor << 16 | product, 0 when not a USB device
    uint32_t locId = 0; // stable while the device stays on the same USB port
    char serialNumber[16] = {};
    char description[64] = {};
    PortBackend backend = PortBackend::Serial;
    std::string path;                            // serial device path; for D2xx the serial number
    std::shared_ptr<ISimulatedDevice> simulated; // Simulated: the device; unused otherwise
};

// text into one of a node's fixed fields: cut to fit, the rest zeroed.
void CopyNodeText(char* dst, size_t size, const std::string& text);

// A byte link. Read and Write wait at most their time-out and return the
// number of bytes moved (fewer than asked on a time-out), or -1 when the call
// itself failed (device gone, I/O error).
class Transport {
  public:
    virtual ~Transport() = default;
    virtual bool PurgeReceived() = 0;
    virtual int Write(const uint8_t* data, size_t size, int timeoutMs) = 0;
    virtual int Read(uint8_t* data, size_t size, int timeoutMs) = 0;
};

// Exchange results.
constexpr int KX_ERROR = -1;      // purging the receive buffer failed
constexpr int KX_ERR_MARKER1 = 1; // first byte is not the command
constexpr int KX_ERR_MARKER2 = 2; // second acknowledgement byte is not the command
constexpr int KX_ERR_CS = 3;      // checksum mismatch
constexpr int KX_ERR_TO = 4;      // short or failed transfer

// The name under which an exchange result is reported; nullptr for 0 and
// codes outside -1..4.
const char* PortErrorName(int code);

// 8-bit additive checksum.
uint8_t FrameChecksum(const uint8_t* data, size_t size);

// Backends, for the port layer and the tools.
std::unique_ptr<Transport> OpenSerialTransport(const std::string& path);
std::unique_ptr<Transport> OpenFtdiTransport(uint32_t locId);
// Appends the FTDI bridges bound to the kernel's serial driver.
void ScanSerialBridges(const std::string& sysfsRoot, std::vector<DeviceNode>& out);
// Appends the FTDI chips libftdi1 sees whose location is not already listed.
void ScanFtdiDevices(std::vector<DeviceNode>& out);
#ifdef _WIN32
// Appends the devices FTDI's D2XX library lists, when ftd2xx.dll is there
// with every function used; else a note for D2xxListNote says why not,
// unless the library is simply not installed.
void ScanD2xxDevices(std::vector<DeviceNode>& out);
std::string D2xxListNote(int language);
// Opens a device by the serial number the library listed.
std::unique_ptr<Transport> OpenD2xxTransport(const std::string& serial);
// The library loaded instead of ftd2xx.dll from the program's and the
// system's folders (tests; empty: that one again). Only while no D2XX
// device is open.
void PortSetD2xxLibrary(const std::string& path);
#endif
