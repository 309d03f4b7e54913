#pragma once

// The byte link to an instrument and the process-wide port that carries the
// framed exchanges. Backends: serial ports (on Linux FTDI bridges found
// through sysfs, or a named path such as a pseudo-terminal; on Windows COM
// ports), FTDI chips through libftdi1 (Linux) or FTDI's D2XX library
// (Windows), and the simulated KX-208M.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CKx208mSim;

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
    std::string path; // serial device path; for D2xx the serial number as the library gave it
    std::shared_ptr<CKx208mSim> sim;
};

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

// Sources listed besides the FTDI bridges: explicit serial paths and
// simulated instruments, in the order added.
void PortAddExplicit(const std::string& path);
void PortAddSimulated(std::shared_ptr<CKx208mSim> sim,
                      const std::string& description = "KX-208M (simulated)");
void PortClearExtraSources();
// Off in tests, so attached hardware does not change what they see.
void PortSetHardwareScan(bool enabled);
// The sysfs root searched for FTDI bridges ("/sys" unless tests change it).
void PortSetSysfsRoot(const std::string& root);

// Read and write time-outs of every exchange (2000 ms each by default); tests
// shorten them.
void PortSetTimeouts(int readMs, int writeMs);
int PortReadTimeout();

// Fills nodes with up to maximum devices; count is their number. 0, or -1
// when listing failed.
int PortEnumerate(DeviceNode* nodes, int& count, int maximum);
// What the user should know about how the last PortEnumerate looked for
// devices, in the interface language given (0 English, 1 Russian); empty
// when nothing. On Windows: why FTDI's D2XX library was not used.
std::string PortListNote(int language);
// The interface string that says how to attach an instrument, shown after
// "No Devices Found".
int PortNoDeviceHint();
// Opens and configures the device (9600 8N1, DTR and RTS on, no flow control,
// lowest latency). 0 or -1.
int PortOpen(const DeviceNode& node);
// 0, also when nothing is open.
int PortClose();
bool PortIsOpen();
// Makes an already open link the port (tests script byte streams with it).
void PortAttach(std::unique_ptr<Transport> transport);

// Framed exchanges; results are the codes above.
int PortRequest(uint8_t command, int n, uint8_t* out);
int PortCommand(uint8_t command, int n, const uint8_t* payload);
// After a failed PortRequest: waits until the line has been quiet for a
// moment, reading whatever still arrives, then purges. An instrument that
// answered after the time-out has sent its reply and moved on; when the late
// bytes complete that reply exactly and it checks out, returns 0 with its data
// in out. Otherwise a failure code, and the line is clean for a retry; late
// tells whether bytes came after the time-out: the instrument was still
// answering, so it may have moved on although its reply was lost.
int PortSettle(uint8_t command, int n, uint8_t* out, bool& late);
// Waits until the line has been quiet for a moment and purges; false when
// any byte came meanwhile. A line that is gone counts as quiet: the next
// exchange fails on it.
bool PortLineQuiet();

// Backends, for the port layer and the tools.
std::unique_ptr<Transport> OpenSerialTransport(const std::string& path);
std::unique_ptr<Transport> OpenFtdiTransport(uint32_t locId);
std::unique_ptr<Transport> OpenSimTransport(std::shared_ptr<CKx208mSim> sim);
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
