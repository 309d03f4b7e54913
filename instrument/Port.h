#pragma once

// Where devices come from (CDeviceSources) and one open device with the
// framed exchanges over its link (CDeviceConnection). Each connection owns
// its link, buffers, time-outs and the state of its last reply, so any
// number of devices can be open at once, one connection each.

#include "Transport.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The devices a list shows: the hardware found by scanning (FTDI bridges),
// then explicit serial paths and simulated instruments in the order added.
class CDeviceSources {
  public:
    void AddExplicit(const std::string& path);
    void AddSimulated(std::shared_ptr<ISimulatedDevice> device,
                      const std::string& description = "KX-208M (simulated)");
    // Drops the explicit and simulated sources.
    void Clear();
    // Off in tests, so attached hardware does not change what they see.
    void SetHardwareScan(bool enabled) { m_bScanHardware = enabled; }
    // The sysfs root searched for FTDI bridges ("/sys" unless tests change it).
    void SetSysfsRoot(const std::string& root) { m_strSysfsRoot = root; }

    // Fills nodes with up to maximum devices; count is their number. 0, or
    // -1 when listing failed.
    int PortEnumerate(DeviceNode* nodes, int& count, int maximum) const;
    // What the user should know about how the last PortEnumerate looked for
    // devices, in the interface language given (0 English, 1 Russian); empty
    // when nothing. On Windows: why FTDI's D2XX library was not used.
    std::string ListNote(int language) const;

  private:
    std::vector<DeviceNode> m_extra;
    bool m_bScanHardware = true;
    std::string m_strSysfsRoot = "/sys";
};

// The interface string that says how to attach an instrument, shown after
// "No Devices Found".
int PortNoDeviceHint();

class CDeviceConnection {
  public:
    CDeviceConnection() = default;
    ~CDeviceConnection() { PortClose(); }
    CDeviceConnection(const CDeviceConnection&) = delete;
    CDeviceConnection& operator=(const CDeviceConnection&) = delete;

    // Opens and configures the device (9600 8N1, DTR and RTS on, no flow
    // control, lowest latency). 0, or -1 also when one is open already: the
    // caller closes first.
    int PortOpen(const DeviceNode& node);
    // 0, also when nothing is open.
    int PortClose();
    bool PortIsOpen() const { return m_port != nullptr; }
    // Makes an already open link this connection's (tests script byte
    // streams with it).
    void PortAttach(std::unique_ptr<Transport> transport);

    // Read and write time-outs of every exchange (2000 ms each by default);
    // tests shorten them. They stay over closing and opening again.
    void PortSetTimeouts(int readMs, int writeMs);
    int PortReadTimeout() const { return m_nReadTimeoutMs; }

    // Framed exchanges; results are the KX_ codes.
    int PortRequest(uint8_t command, int n, uint8_t* out);
    int PortCommand(uint8_t command, int n, const uint8_t* payload);
    // After a failed PortRequest: waits until the line has been quiet for a
    // moment, reading whatever still arrives, then purges. An instrument
    // that answered after the time-out has sent its reply and moved on; when
    // the late bytes complete that reply exactly and it checks out, returns
    // 0 with its data in out. Otherwise a failure code, and the line is
    // clean for a retry; late tells whether bytes came after the time-out:
    // the instrument was still answering, so it may have moved on although
    // its reply was lost.
    int PortSettle(uint8_t command, int n, uint8_t* out, bool& late);
    // Waits until the line has been quiet for a moment and purges; false
    // when any byte came meanwhile. A line that is gone counts as quiet: the
    // next exchange fails on it.
    bool PortLineQuiet();

  private:
    int CheckReply(uint8_t command, int n, uint8_t* out) const;
    bool Drain(int& got, int want, int& extra);

    std::unique_ptr<Transport> m_port;
    uint8_t m_txBuffer[256] = {};
    uint8_t m_rxBuffer[256] = {};
    int m_nReadTimeoutMs = 2000;
    int m_nWriteTimeoutMs = 2000;
    // The last request's reply: bytes wanted and bytes received (-1 when the
    // request failed before its read).
    int m_nRxWant = 0;
    int m_nRxGot = -1;
};
