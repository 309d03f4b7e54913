// A stand-in for FTDI's ftd2xx.dll: the D2XX functions Tervik calls, over
// simulated KX-208M instruments. The instrument hears nothing until the line
// is set up as it needs (9600 baud, 8N1, no flow control, DTR and RTS on).
// Set by the environment, read at each FT_CreateDeviceInfoList:
//   FAKE_FTD2XX_DEVICES  number of devices (default 1; 0 lists none)
//   FAKE_FTD2XX_SIM      options of the simulated instrument (as kx208m-sim
//                        takes them, separated by blanks); device i answers
//                        with serial number --serial + i
// Built with FAKE_FTD2XX_INCOMPLETE it lacks FT_SetTimeouts.

#include "SimInstrument.h"
#include "Transport.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <sstream>
#include <vector>

#include <windows.h>

#define FAKE_API extern "C" __declspec(dllexport) ULONG WINAPI

namespace {

constexpr ULONG FT_OK = 0;
constexpr ULONG FT_INVALID_HANDLE = 1;
constexpr ULONG FT_DEVICE_NOT_FOUND = 2;
constexpr ULONG FT_DEVICE_NOT_OPENED = 3;
constexpr ULONG FT_IO_ERROR = 4;
constexpr ULONG FT_INVALID_PARAMETER = 6;

struct Node {
    ULONG Flags;
    ULONG Type;
    ULONG ID;
    DWORD LocId;
    char SerialNumber[16];
    char Description[64];
    void* ftHandle;
};

struct Device {
    std::string serial;
    SimConfig config;
    std::shared_ptr<const std::vector<ArchiveRecord>> memory;
    std::shared_ptr<CKx208mSim> sim; // from the first open on
    bool open = false;
};

struct Handle {
    Device* device;
    std::unique_ptr<Transport> link;
    ULONG baud = 0;
    UCHAR bits = 0, stop = 0xFF, parity = 0xFF;
    bool flowNone = false, dtr = false, rts = false;
    int readMs = 0, writeMs = 0;
    bool LineRight() const {
        return baud == 9600 && bits == 8 && stop == 0 && parity == 0 && flowNone && dtr && rts;
    }
};

std::mutex g_mutex;
std::vector<std::unique_ptr<Device>> g_devices;

std::string Env(const char* name) {
    char value[1024];
    const DWORD n = ::GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

// Rebuilds the device list from the environment; devices that are open stay.
bool Build() {
    int count = 1;
    if (const std::string n = Env("FAKE_FTD2XX_DEVICES"); !n.empty())
        count = std::atoi(n.c_str());
    std::vector<std::string> args;
    std::istringstream words(Env("FAKE_FTD2XX_SIM"));
    for (std::string w; words >> w;)
        args.push_back(w);
    SimConfig config;
    std::vector<ArchiveRecord> memory;
    std::string error;
    if (!ParseSimArgs(args, config, memory, error)) {
        std::fprintf(stderr, "fake ftd2xx.dll: %s\n", error.c_str());
        return false;
    }
    auto shared = std::make_shared<const std::vector<ArchiveRecord>>(std::move(memory));
    std::vector<std::unique_ptr<Device>> devices;
    for (int i = 0; i < count; ++i) {
        char serial[16];
        std::snprintf(serial, sizeof serial, "KXA%05d", i);
        bool kept = false;
        for (auto& d : g_devices)
            if (d && d->open && d->serial == serial) {
                devices.push_back(std::move(d));
                kept = true;
            }
        if (kept)
            continue;
        auto d = std::make_unique<Device>();
        d->serial = serial;
        d->config = config;
        d->config.serialNumber = config.serialNumber + static_cast<uint32_t>(i);
        d->memory = shared;
        devices.push_back(std::move(d));
    }
    g_devices = std::move(devices);
    return true;
}

Handle* H(void* h) {
    return static_cast<Handle*>(h);
}

} // namespace

FAKE_API FT_CreateDeviceInfoList(LPDWORD count) {
    std::lock_guard lock(g_mutex);
    if (!count)
        return FT_INVALID_PARAMETER;
    if (!Build())
        return FT_IO_ERROR;
    *count = static_cast<DWORD>(g_devices.size());
    return FT_OK;
}

FAKE_API FT_GetDeviceInfoList(Node* nodes, LPDWORD count) {
    std::lock_guard lock(g_mutex);
    if (!nodes || !count)
        return FT_INVALID_PARAMETER;
    const DWORD n = std::min<DWORD>(*count, static_cast<DWORD>(g_devices.size()));
    for (DWORD i = 0; i < n; ++i) {
        Node& node = nodes[i];
        std::memset(&node, 0, sizeof node);
        const Device& d = *g_devices[i];
        node.Flags = d.open ? 1 : 0;
        node.Type = 5; // FT232R
        node.ID = 0x04036001;
        node.LocId = 0x2111 + i;
        if (!d.open) { // the library hides the strings of a device open elsewhere
            std::snprintf(node.SerialNumber, sizeof node.SerialNumber, "%s", d.serial.c_str());
            std::snprintf(node.Description, sizeof node.Description, "FT232R USB UART");
        }
    }
    *count = static_cast<DWORD>(g_devices.size());
    return FT_OK;
}

FAKE_API FT_OpenEx(void* arg, DWORD flags, void** handle) {
    std::lock_guard lock(g_mutex);
    if (!handle || flags != 1) // by serial number only
        return FT_INVALID_PARAMETER;
    if (g_devices.empty() && !Build())
        return FT_IO_ERROR;
    for (auto& d : g_devices)
        if (d->serial == static_cast<const char*>(arg)) {
            if (d->open)
                return FT_DEVICE_NOT_OPENED;
            if (!d->sim)
                d->sim = std::make_shared<CKx208mSim>(d->config, *d->memory);
            auto h = std::make_unique<Handle>();
            h->device = d.get();
            h->link = d->sim->OpenLink();
            d->open = true;
            *handle = h.release();
            return FT_OK;
        }
    return FT_DEVICE_NOT_FOUND;
}

FAKE_API FT_Close(void* h) {
    std::lock_guard lock(g_mutex);
    if (!h)
        return FT_INVALID_HANDLE;
    H(h)->device->open = false;
    delete H(h);
    return FT_OK;
}

FAKE_API FT_SetBaudRate(void* h, ULONG baud) {
    H(h)->baud = baud;
    return FT_OK;
}

FAKE_API FT_SetDataCharacteristics(void* h, UCHAR bits, UCHAR stop, UCHAR parity) {
    H(h)->bits = bits;
    H(h)->stop = stop;
    H(h)->parity = parity;
    return FT_OK;
}

FAKE_API FT_SetFlowControl(void* h, USHORT flow, UCHAR, UCHAR) {
    H(h)->flowNone = flow == 0;
    return FT_OK;
}

FAKE_API FT_SetDtr(void* h) {
    H(h)->dtr = true;
    return FT_OK;
}

FAKE_API FT_SetRts(void* h) {
    H(h)->rts = true;
    return FT_OK;
}

FAKE_API FT_SetLatencyTimer(void*, UCHAR ms) {
    return ms >= 2 ? FT_OK : FT_INVALID_PARAMETER;
}

#ifndef FAKE_FTD2XX_INCOMPLETE
FAKE_API FT_SetTimeouts(void* h, ULONG readMs, ULONG writeMs) {
    H(h)->readMs = static_cast<int>(readMs);
    H(h)->writeMs = static_cast<int>(writeMs);
    return FT_OK;
}
#endif

FAKE_API FT_Purge(void* h, ULONG mask) {
    if (mask & 1)
        H(h)->link->PurgeReceived();
    return FT_OK;
}

FAKE_API FT_Write(void* h, void* data, DWORD size, LPDWORD done) {
    *done = 0;
    if (!H(h)->LineRight())
        return FT_OK; // noise to the instrument: no answer
    const int n = H(h)->link->Write(static_cast<const uint8_t*>(data), size, H(h)->writeMs);
    if (n < 0)
        return FT_IO_ERROR;
    *done = static_cast<DWORD>(n);
    return FT_OK;
}

// Without a time-out set the library would wait forever; the fake fails.
FAKE_API FT_Read(void* h, void* data, DWORD size, LPDWORD done) {
    *done = 0;
    if (H(h)->readMs <= 0)
        return FT_IO_ERROR;
    const int n = H(h)->link->Read(static_cast<uint8_t*>(data), size, H(h)->readMs);
    if (n < 0)
        return FT_IO_ERROR;
    *done = static_cast<DWORD>(n);
    return FT_OK;
}
